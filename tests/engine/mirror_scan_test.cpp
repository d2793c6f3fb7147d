// Whole mirrors on real trees: what the first one writes and logs, and how a
// later one files every kind of change into the archive.
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "archive/confirm_gate.h"
#include "engine/update_reason.h"
#include "filesys/path_ops.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

// Sets the write time of a link itself, so that only its target tells.
void PinLinkTime(const std::string& path) {
  const struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

TEST_F(MirrorTest, FirstMirrorCopiesTheTreeLinksAsLinksAndSkipsSpecialFiles) {
  WriteFile(src_ + "a.txt", "alpha");
  MakeDirs(src_ + "sub/deeper");
  WriteFile(src_ + "sub/b.txt", "bravo");
  fs::create_symlink("a.txt", src_ + "link");
  fs::create_directory_symlink("sub", src_ + "dirlink");
  ASSERT_EQ(::mkfifo((src_ + "fifo").c_str(), 0600), 0);

  Run();

  EXPECT_EQ(DestTree(), (std::vector<std::string>{"a.txt=alpha", "dirlink->sub", "link->a.txt",
                                                  "sub/", "sub/b.txt=bravo", "sub/deeper/"}));
  const std::vector<std::string> expected = {
      "Started scan",
      "Skipped special file " + src_ + "fifo",
      "Created file " + dst_ + "link",
      "Created file " + dst_ + "a.txt",
      "Created directorie " + dst_ + "sub/",
      "Created file " + dst_ + "sub/b.txt",
      "Created directorie " + dst_ + "sub/deeper/",
      "Created reparse point " + dst_ + "dirlink/",
      "",
      "Source " + src_ + " contains 3 directories and 3 files of 15 bytes",
      "Excluded sources found: 1 file of 0 bytes",
      "Including 1 file of 0 bytes with the temporary file attribute set",
      "Copied 3 directories and 3 files of 15 bytes to " + dst_,
      "Updated 3 security descriptors",
      "Destination now contains 3 directories and 3 files of 15 bytes",
  };
  const std::vector<std::string> lines = log_.From("Started scan");
  ASSERT_GE(lines.size(), expected.size() + 2) << log_.Joined();
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()), expected);
  EXPECT_EQ(lines[lines.size() - 2], "Logged no errors for this mirror");
  EXPECT_EQ(lines.back(), "Mirror done");
}

TEST_F(MirrorTest, EveryChangeOfTheSourceFilesTheOldVersionIntoTheTimeSlot) {
  WriteFile(src_ + "keep.txt", "same");
  WriteFile(src_ + "changed.txt", "old");
  WriteFile(src_ + "deleted.txt", "bye");
  MakeDirs(src_ + "gone");
  WriteFile(src_ + "gone/inside.txt", "in");
  MakeDirs(src_ + "becomes_file");
  WriteFile(src_ + "becomes_file/x.txt", "x");
  WriteFile(src_ + "becomes_dir", "was a file");
  fs::create_symlink("aaa.txt", src_ + "link");
  PinLinkTime(src_ + "link");
  Run();
  ASSERT_EQ(errors_, 0) << log_.Joined();

  fs::permissions(src_ + "keep.txt", fs::perms::owner_write, fs::perm_options::remove);
  WriteFile(src_ + "changed.txt", "new!");
  fs::remove(src_ + "deleted.txt");
  fs::remove_all(src_ + "gone");
  fs::remove_all(src_ + "becomes_file");
  WriteFile(src_ + "becomes_file", "now a file");
  fs::remove(src_ + "becomes_dir");
  MakeDirs(src_ + "becomes_dir");
  WriteFile(src_ + "becomes_dir/y.txt", "y");
  fs::remove(src_ + "link");
  fs::create_symlink("bbb.txt", src_ + "link");  // as long, as old
  PinLinkTime(src_ + "link");
  Run();

  EXPECT_EQ(errors_, 0) << log_.Joined();
  EXPECT_TRUE(
      log_.Has("Moved " + dst_ + "changed.txt to archive, copied file with write time mismatch"))
      << log_.Joined();
  EXPECT_TRUE(log_.Has("Succeeded to set read only attribute of " + dst_ + "keep.txt"));
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"becomes_dir/", "becomes_dir/y.txt=y",
                                                  "becomes_file=now a file", "changed.txt=new!",
                                                  "keep.txt=same", "link->bbb.txt"}));
  const std::pair<const char*, const char*> archived[] = {
      {"changed.txt", "old"},      {"deleted.txt", "bye"},        {"gone/inside.txt", "in"},
      {"becomes_file/x.txt", "x"}, {"becomes_dir", "was a file"},
  };
  for (const auto& [path, content] : archived) {
    ASSERT_TRUE(PathExists(Archived(path))) << path;
    EXPECT_EQ(ReadFile(Archived(path)), content) << path;
  }
  EXPECT_EQ(fs::read_symlink(Archived("link")).string(), "aaa.txt");
  EXPECT_FALSE(PathExists(Archived("keep.txt")));
}

// An answer for the rest of a directory ends when the walk leaves it.
TEST_F(MirrorTest, DirectoryScopedAnswerEndsWithTheDirectory) {
  for (const char* path : {"a/x.txt", "a/deep/y.txt", "b/z.txt"}) {
    MakeDirs(ParentDir(src_ + path));
    WriteFile(src_ + path, "data");
  }
  confirm_ = true;
  gate_.on_ask = [this](uint16_t* flags) {
    if (gate_.questions.back() == "Create directory " + dst_ + "b/?") {
      *flags = static_cast<uint16_t>((*flags & ~kConfirmAsk) | kConfirmDefaultYes);
    }
  };

  Run();

  EXPECT_EQ(errors_, 0) << log_.Joined();
  EXPECT_EQ(gate_.questions,
            (std::vector<std::string>{
                "Create archive directory " + dst_ + "Quorvane archive/",
                "Create directory " + dst_ + "b/?", "Create directory " + dst_ + "a/?",
                "Copy " + dst_ + "a/x.txt? (new file)", "Create directory " + dst_ + "a/deep/?",
                "Copy " + dst_ + "a/deep/y.txt? (new file)"}));
}

TEST(ReasonTextTest, TheLowestReasonNamesTheSet) {
  const std::pair<uint8_t, const char*> cases[] = {
      {kReasonNewFile | kReasonSize, "new file"},
      {kReasonAttributes | kReasonWriteTime,
       "read only, hidden, system or don't index attribute mismatch"},
      {kReasonWriteTime | kReasonSize, "write time mismatch"},
      {kReasonDirectory, "directory attribute mismatch"},
      {0x40, "encryption attribute mismatch"},
  };
  for (const auto& [reasons, text] : cases) EXPECT_EQ(ReasonText(reasons), text) << int{reasons};
}

}  // namespace
}  // namespace qv::testing
