// What a mirror never loses or follows: a replaced file whatever goes wrong
// during its update, a destination whose source directory cannot be listed,
// places behind a link swapped in mid-scan; and the room it may fill.
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "config/mapping.h"
#include "filesys/status.h"
#include "log/log_dir.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

constexpr size_t kBigFile = 3 * 1024 * 1024;  // the copy reports progress on the way

// Whatever goes wrong during the update of a file, or with a root (gone like
// an unplugged disk with its mount point, unreadable, its lock refused), the
// destination keeps the complete old version, the archive gets nothing and
// no temporary file is left.
struct FailureCase {
  const char* name;
  std::function<void(MirrorTest&)> arrange;
  const char* line_part;  // with SRC / DST for the roots
  int errors;
};

class UpdateFailureTest : public MirrorTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(UpdateFailureTest, LeavesTheOldVersionInPlace) {
  WriteFile(dst_ + "f.txt", "old");
  WriteFile(src_ + "f.txt", std::string(kBigFile, 'n'));
  GetParam().arrange(*this);

  Run();

  EXPECT_TRUE(log_.HasPart(Expand(GetParam().line_part)));
  EXPECT_EQ(errors_, GetParam().errors);
  EXPECT_EQ(DestTree(), Tree{"f.txt=old"});
  EXPECT_FALSE(PathExists(Archived("f.txt")));
}

std::function<void(MirrorTest&)> Failing(const Fault& fault) {
  return [fault](MirrorTest& m) { m.platform_.AddFault(fault); };
}

// Runs action when the copy of the new version starts.
std::function<void(MirrorTest&)> AtCopy(void (*action)(MirrorTest&)) {
  return [action](MirrorTest& m) {
    m.platform_.on_call = [&m, action](Op op, const std::string&) {
      if (op == Op::kCopyToTemp) action(m);
    };
  };
}

const FailureCase kFailures[] = {
    {"ReadErrorPartWay", Failing({Op::kCopyToTemp, "f.txt", 0, EIO, 1, 1 << 20}),
     "Error 5: Copy of SRCf.txt failed. Input/output error", 1},
    {"CommitFailsAfterArchiving", Failing({Op::kCommitTemp, "f.txt", 0, EIO}),
     "Restored DSTf.txt from archive", 1},
    {"Declined",
     [](MirrorTest& m) {
       m.confirm_ = true;
       m.gate_.declined = "Update ";
     },
     "Error 125: Update DSTf.txt? (", 1},
    {"SourceVanished", AtCopy([](MirrorTest& m) { fs::remove(m.src_ + "f.txt"); }),
     "Warning: SRCf.txt vanished before it could be copied", 0},
    {"NotFoundWhileTheSourceStays", Failing({Op::kCopyToTemp, "f.txt", 0, ENOENT, 1}),
     "Error 2: Copy of SRCf.txt failed. No such file or directory", 1},
    {"NotFoundAndTheSourceCannotBeLookedUp",
     [](MirrorTest& m) {
       m.platform_.AddFault({Op::kCopyToTemp, "f.txt", 0, ENOENT, 1});
       m.platform_.on_call = [&m](Op op, const std::string&) {
         if (op == Op::kCopyToTemp) m.platform_.AddFault({Op::kStat, "src/f.txt", 0, EACCES, 1});
       };
     },
     "Error 2: Copy of SRCf.txt failed. No such file or directory", 1},
    {"SourceChanged", Failing({Op::kCopyToTemp, "f.txt", 0, kErrSourceChanged, 1}),
     "Warning: SRCf.txt changed while it was copied", 0},
    {"Terminated", AtCopy([](MirrorTest& m) { m.log_.terminated = true; }), "Mirror terminated", 1},
    {"SourceGone", [](MirrorTest& m) { fs::rename(m.src_, m.dir_ / "unplugged"); },
     "Could not read file attributes of SRC. ", 1},
    {"DestinationUnreadable", Failing({Op::kStat, "dst/", 0, EIO, 1}),
     "Could not read file attributes of DST. ", 1},
    {"DestinationLockRefused", Failing({Op::kLockDir, "dst", 0, ENOLCK, 1}),
     "Error 37: Could not lock destination DST. No locks available", 1},
};

INSTANTIATE_TEST_SUITE_P(Mirror, UpdateFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& param) { return std::string(param.param.name); });

// A linked directory whose link cannot be made is one plain error line,
// whatever the system said.
TEST_F(MirrorTest, LinkedDirectoryThatCannotBeMadeIsOnePlainError) {
  MakeTree(src_, {"sub/", "dirlink->sub"});
  platform_.AddFault({Op::kSymlinkToTemp, "dirlink", 0, EIO, 1});
  Run();
  EXPECT_EQ(errors_, 1);
  EXPECT_TRUE(log_.Has("Error: Failed to create reparse point " + dst_ + "dirlink/"));
  EXPECT_EQ(DestTree(), Tree{"sub/"});
}

// A source directory that cannot be read, or vanished or became a file
// between the listing of its parent and its own, is not an empty one: its
// destination stays until a scan lists the parent without it.
TEST_F(MirrorTest, SourceDirectoryThatCannotBeListedLeavesItsDestinationAlone) {
  MakeTree(dst_, {"sub/x.txt=x", "sub/old.txt=old"});
  read_ahead_.count = 0;  // each fault fails one listing: the walk's own
  for (const int error : {EACCES, EIO, ENOENT, ENOTDIR}) {
    SCOPED_TRACE(error);
    MakeTree(src_, {"sub/x.txt=x"});
    platform_.AddFault({Op::kListDir, "src/sub", 0, error, 1});
    Run();
    const bool unreadable = error == EACCES || error == EIO;
    EXPECT_EQ(errors_, unreadable ? 1 : 0);
    EXPECT_TRUE(log_.HasPart(unreadable ? "Failed to read directory " + src_ + "sub/. "
                                        : src_ + "sub/ vanished before it could be read"));
    EXPECT_EQ(DestTree(), (Tree{"sub/", "sub/old.txt=old", "sub/x.txt=x"}));
    EXPECT_FALSE(PathExists(Archived("sub")));
  }
  fs::remove_all(src_ + "sub");
  Run();
  EXPECT_EQ(ReadFile(Archived("sub/old.txt")), "old");
}

// A destination directory swapped for a link to somewhere else while the
// mirror runs: nothing there is written, moved or removed.
TEST_F(MirrorTest, DirectorySwappedForALinkMidScanLeadsNowhere) {
  const std::string outside = dir_ / "outside/";
  MakeTree(outside, {"changed.txt=outside", "gone.txt=outside"});
  MakeTree(dst_, {"sub/changed.txt=old", "sub/gone.txt=old"});
  MakeTree(src_, {"sub/changed.txt=new content", "sub/new.txt=new"});
  platform_.on_call = [&](Op op, const std::string& path) {
    if (op != Op::kCopyToTemp || path.find("sub/changed.txt") == std::string::npos) return;
    fs::rename(dst_ + "sub", dir_ / "moved-away");
    fs::create_directory_symlink(outside, dst_ + "sub");
    platform_.on_call = nullptr;
  };

  Run();

  EXPECT_GT(errors_, 0);
  EXPECT_EQ(ListTree(outside), (Tree{"changed.txt=outside", "gone.txt=outside"}));
}

constexpr int64_t kGiB = 1024LL * 1024 * 1024;

// The drive runs full when the copy starts; freeing the oldest archive day,
// which holds more than the copy needs, makes room and the copy is done again.
TEST_F(MirrorTest, DiskFullRemovesTheOldestArchiveDayAndCopiesAgain) {
  const std::string old_day = dst_ + kArchiveDirName + "/2020/01/01/";
  MakeTree(old_day, {"10 00 00/old.bin=" + std::string(256 * 1024, 'a')});
  MakeTree(src_, {"new.bin=data"});
  platform_.AddFault({Op::kCopyToTemp, "new.bin", 0, ENOSPC, 1});
  platform_.on_call = [this](Op op, const std::string& path) {
    if (op == Op::kCopyToTemp) platform_.SetFreeSpace(1000, kGiB);
    if (op == Op::kRemoveDir && path.find("2020") != std::string::npos) {
      platform_.SetFreeSpace(kGiB / 2, kGiB);
    }
  };

  Run();

  EXPECT_EQ(errors_, 0);
  ExpectLogged({"Removing day " + old_day, "Created file " + dst_ + "new.bin"});
  EXPECT_FALSE(PathExists(old_day));
  EXPECT_EQ(DestTree(), Tree{"new.bin=data"});
}

// A limit the mirror outgrows fails it: the walk stops, the end says why,
// the scan summary repeats it and no counter is stored.
TEST_F(MirrorTest, DestinationLimitSmallerThanTheDataFailsTheMirror) {
  mapping_->mutable_settings().max_size_dest = 200 * 1024;
  const std::string b = "b.bin=" + std::string(150 * 1024, 'b');
  MakeTree(src_, {"a.bin=" + std::string(150 * 1024, 'a'), b});

  Run();

  EXPECT_TRUE(log_.Has("Error: The maximum size of 200.00 KB for destination " + dst_ +
                       " is not large enough to store all files. At least 300.00 KB is needed, "
                       "but it should be set much higher."));
  ASSERT_GE(log_.lines.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(log_.lines.end() - 2, log_.lines.end()),
            (Tree{"Mirror failed. Maximum size of destination is too small.",
                  "Maximum size of 200.00 KB for destination " + dst_ +
                      " is too small. This mirror failed."}));
  EXPECT_EQ(DestTree(), Tree{b});
  TCounts stored;
  EXPECT_FALSE(ini_.ReadCounters(mapping_->dest_key(), &stored));
}

}  // namespace
}  // namespace qv::testing
