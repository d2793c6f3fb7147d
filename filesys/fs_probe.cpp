#include "filesys/fs_probe.h"

#include <cstdlib>
#include <vector>

#include "filesys/path_ops.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

constexpr int64_t kTicks = kFileTimeTicksPerSecond;

// 2001-01-01 00:00:01 UTC: an odd second, so that a file system keeping two
// seconds cannot hold it, inside every range file systems keep.
constexpr FileTime kOddSecond = 12622780801LL * kTicks;
// Fractions of that second chosen so that truncating and rounding to any of
// the steps below lands on a multiple of that step and of no larger one.
constexpr int64_t kFractions[] = {kTicks - 1, 1, 5050505};
// Steps file systems keep times in: 2 s (FAT), 1 s (ext4 with 128-byte
// inodes, most FUSE file systems), 10 ms (exFAT), 1 ms, 1 us, 100 ns.
constexpr int64_t kSteps[] = {2 * kTicks, kTicks, kTicks / 100, kTicks / 1000, 10, 1};
// 2400-01-01 00:00:00 UTC: beyond the 32-bit seconds of older file systems,
// within the range of current ones.
constexpr FileTime kFarFuture = 25213939200LL * kTicks;
// 2038-01-19 03:14:07 UTC, the last second of 32-bit seconds: no file system
// cuts times earlier.
constexpr FileTime kLastSigned32Second = 13791957247LL * kTicks;

// The write time that reads back after setting written; 0 when either fails.
// The access time is set too: some FUSE file systems take a write time given
// alone for the time of the call.
FileTime ReadBack(Platform& platform, const std::string& path, FileTime written) {
  FileInfo info;
  if (!platform.SetTimes(path, written, written).ok() || !platform.Stat(path, &info).ok()) {
    return 0;
  }
  return info.last_write_time;
}

// The largest step that every time read back is a multiple of, provided each
// lies within that step of the time written; 0 when the times make no sense
// (a file system that ignores the times it is given).
int64_t StepOf(const std::vector<FileTime>& written, const std::vector<FileTime>& read) {
  for (const int64_t step : kSteps) {
    bool fits = true;
    for (size_t i = 0; i < read.size() && fits; ++i) {
      fits = read[i] % step == 0 && std::llabs(read[i] - written[i]) < step;
    }
    if (fits) return step;
  }
  return 0;
}

void LearnTimes(Platform& platform, const std::string& path, FileSystemProbe* probe) {
  std::vector<FileTime> written;
  std::vector<FileTime> read;
  for (const int64_t fraction : kFractions) {
    written.push_back(kOddSecond + fraction);
    read.push_back(ReadBack(platform, path, written.back()));
    if (read.back() == 0) return;
  }
  probe->write_resolution = StepOf(written, read);
  if (probe->write_resolution == 0) return;
  const FileTime far = ReadBack(platform, path, kFarFuture);
  if (far >= kLastSigned32Second && far <= kFarFuture - probe->write_resolution) {
    probe->latest = far;
  }
}

// Permission bits no new file gets by default.
constexpr uint32_t kProbeMode = 0610;

void LearnSecurity(Platform& platform, const std::string& path, FileSystemProbe* probe) {
  SecurityDescriptor wanted;
  if (!platform.ReadSecurity(path, &wanted).ok()) return;
  wanted.mode = kProbeMode;
  const bool privileged = platform.EnablePrivileges().ok();
  if (privileged) wanted.gid ^= 1;
  FileInfo info;
  if (!platform.WriteSecurity(path, wanted, nullptr).ok() || !platform.Stat(path, &info).ok()) {
    return;
  }
  probe->keeps_modes = (info.mode & 07777) == kProbeMode;
  probe->keeps_owners = privileged && info.gid == wanted.gid;
}

}  // namespace

Status ProbeByWriting(Platform& platform, const std::string& dir, FileSystemProbe* probe) {
  *probe = FileSystemProbe();
  std::string path;
  const Status status = platform.CreateTempFile(dir + "probe", &path);
  if (!status.ok()) return status;
  LearnTimes(platform, path, probe);
  FileInfo info;
  const std::string name = LastComponent(path);
  probe->ignores_case = platform.Stat(dir + UpperAscii(name), &info).ok();
  LearnSecurity(platform, path, probe);
  // One left behind goes at the next scan, as an unfinished copy.
  (void)platform.DeleteFile(path);
  return Status::Ok();
}

}  // namespace qv
