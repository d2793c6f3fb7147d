#include "stats/dir_info.h"

#include <type_traits>

#include "filesys/found_file.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

// Two's-complement wrap-around instead of undefined overflow: counters may
// start from any stored value.
template <typename T>
T Wrap(T a, T b, bool subtract) {
  using U = std::make_unsigned_t<T>;
  const U ua = static_cast<U>(a);
  const U ub = static_cast<U>(b);
  return static_cast<T>(subtract ? ua - ub : ua + ub);
}

void Combine(TCounts& c, const TCounts& d, bool subtract) {
  c.files = Wrap(c.files, d.files, subtract);
  c.dirs = Wrap(c.dirs, d.dirs, subtract);
  c.size = Wrap(c.size, d.size, subtract);
  c.compressed_size = Wrap(c.compressed_size, d.compressed_size, subtract);
}

}  // namespace

void TDirInfo::Add(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size) {
  Combine(counts_, {files, dirs, size, compressed_size}, false);
}

void TDirInfo::IncDirs() { Add(0, 1, 0, 0); }

TCounts TDirInfo::Get() const { return counts_; }
int32_t TDirInfo::Dirs() const { return Get().dirs; }
int64_t TDirInfo::GetCompressedSize() const { return Get().compressed_size; }
int32_t TDirInfo::Files() const { return Get().files; }

int64_t TDirInfo::Items() const {
  const TCounts c = Get();
  return int64_t{c.files} + c.dirs;
}

int64_t TDirInfo::GetSize() const { return Get().size; }

void TDirInfo::SetAll(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size) {
  counts_ = {files, dirs, size, compressed_size};
}

void TDirInfo::Subtract(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size) {
  Combine(counts_, {files, dirs, size, compressed_size}, true);
}

void TDirInfo::DecDirs() { Subtract(0, 1, 0, 0); }

void TDirInfo::AddFound(const TFoundFile& found) {
  if (found.IsDirectory()) {
    IncDirs();
  } else {
    AddFile(found.size, found.size_on_disk);
  }
}

void TDirInfo::AddCounters(const TDirInfo& other) {
  const TCounts c = other.Get();
  Add(c.files, c.dirs, c.size, c.compressed_size);
}

void TDirInfo::SubtractCounters(const TDirInfo& other) {
  const TCounts c = other.Get();
  Subtract(c.files, c.dirs, c.size, c.compressed_size);
}

void TDirInfo::SetCounts(const TCounts& counts) {
  SetAll(counts.files, counts.dirs, counts.size, counts.compressed_size);
}

std::unique_ptr<TDirInfo> TDirInfo::CreateCopy(const TDirInfo& other) {
  return std::make_unique<TDirInfo>(other.Get());
}

std::string TDirInfo::ToText() const {
  const TCounts c = Get();
  std::string text;
  if (c.dirs != 0) text = CountText(c.dirs, "directory", "directories");
  if (c.files != 0) {
    if (!text.empty()) text += " and ";
    text += CountText(c.files, "file", "files");
  }
  if (text.empty()) return "no files";
  if (c.files != 0) {
    text += " of " + SizeText(c.size, 2);
    if (c.compressed_size >= 0 && c.compressed_size != c.size) {
      text += " compressed into " + SizeText(c.compressed_size, 2);
    }
  }
  return text;
}

void TDirInfoSync::Add(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size) {
  std::lock_guard<std::recursive_mutex> hold(mu_);
  TDirInfo::Add(files, dirs, size, compressed_size);
}

TCounts TDirInfoSync::Get() const {
  std::lock_guard<std::recursive_mutex> hold(mu_);
  return TDirInfo::Get();
}

void TDirInfoSync::SetAll(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size) {
  std::lock_guard<std::recursive_mutex> hold(mu_);
  TDirInfo::SetAll(files, dirs, size, compressed_size);
}

void TDirInfoSync::Subtract(int32_t files, int32_t dirs, int64_t size, int64_t compressed_size) {
  std::lock_guard<std::recursive_mutex> hold(mu_);
  TDirInfo::Subtract(files, dirs, size, compressed_size);
}

}  // namespace qv
