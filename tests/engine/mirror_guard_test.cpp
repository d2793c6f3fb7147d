// The roots a mirror refuses to work on, and links that appear below them
// while it runs.
#include <filesystem>

#include "config/mapping.h"
#include "engine/volume_guard.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

// A source disk that is not mounted leaves its empty mount point behind;
// mirroring it would send the whole destination into the archive.
TEST_F(MirrorTest, RootsOnAnotherFileSystemCancelTheMirrorUntilAccepted) {
  WriteFile(src_ + "first.txt", "1");
  Run();
  ASSERT_EQ(errors_, 0) << log_.Joined();
  WriteFile(src_ + "second.txt", "2");
  const std::string recorded = ini_.ReadString(mapping_->key(), "SourceVolume");
  EXPECT_FALSE(recorded.empty());
  platform_.uuid = "0f6e-other";

  Run();

  EXPECT_TRUE(log_.Has("Error: The source " + src_ +
                       " is on another file system than at the last scan (was " + recorded +
                       ", now uuid 0f6e-other). If this is intended, run: quorvane-cli mirror "
                       "accept " +
                       dst_))
      << log_.Joined();
  EXPECT_TRUE(log_.HasPart("Error: The destination " + dst_ + " is on another file system"));
  EXPECT_EQ(log_.lines.back(), "Canceling the mirror from " + src_ + " to " + dst_);
  EXPECT_EQ(DestTree(), std::vector<std::string>{"first.txt=1"});

  std::string error;
  ASSERT_TRUE(AcceptVolumes(ini_, platform_, *mapping_, &error)) << error;
  Run();
  EXPECT_EQ(errors_, 0) << log_.Joined();
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"first.txt=1", "second.txt=2"}));
}

TEST_F(MirrorTest, MissingSourceRootCancelsTheMirror) {
  WriteFile(dst_ + "kept.txt", "k");
  fs::remove_all(src_);

  Run();

  EXPECT_TRUE(log_.HasPart("Could not read file attributes of " + src_)) << log_.Joined();
  EXPECT_TRUE(log_.Has("Canceling this mirror."));
  EXPECT_EQ(DestTree(), std::vector<std::string>{"kept.txt=k"});
}

// A destination directory swapped for a link to somewhere else while the
// mirror runs: nothing there is written, moved or removed.
TEST_F(MirrorTest, DirectorySwappedForALinkMidScanLeadsNowhere) {
  const std::string outside = dir_ / "outside/";
  MakeDirs(outside);
  MakeDirs(src_ + "sub");
  MakeDirs(dst_ + "sub");
  for (const char* name : {"changed.txt", "gone.txt"}) {
    WriteFile(dst_ + "sub/" + name, "old");
    WriteFile(outside + name, "outside");
  }
  WriteFile(src_ + "sub/changed.txt", "new content");
  WriteFile(src_ + "sub/new.txt", "new");
  platform_.on_call = [&](Op op, const std::string& path) {
    if (op != Op::kCopyToTemp || path.find("sub/changed.txt") == std::string::npos) return;
    fs::rename(dst_ + "sub", dir_ / "moved-away");
    fs::create_directory_symlink(outside, dst_ + "sub");
    platform_.on_call = nullptr;
  };

  Run();

  EXPECT_GT(errors_, 0) << log_.Joined();
  std::vector<std::string> there;
  for (const auto& entry : fs::directory_iterator(outside)) {
    there.push_back(entry.path().filename().string() + "=" + ReadFile(entry.path().string()));
  }
  std::sort(there.begin(), there.end());
  EXPECT_EQ(there, (std::vector<std::string>{"changed.txt=outside", "gone.txt=outside"}));
}

}  // namespace
}  // namespace qv::testing
