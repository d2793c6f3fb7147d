// The destination's file system as it is: names it does not tell apart, an
// entry that appears under a new name meanwhile, unfinished copies inside a
// directory that goes to the archive, and a destination that stops taking
// writes.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <sys/mount.h>

#include "config/filter.h"
#include "engine/write_watch.h"
#include "log/log_dir.h"
#include "tests/engine/engine_test_util.h"
#include "tests/support/scoped_image.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kCannotTell[] = " because the destination cannot tell its name from ";

// On exFAT "A" and "a" are one name: the one already in the destination
// stays, of two new ones the first in byte order goes in; the other is
// skipped with an error at every scan, and nothing is ever archived for it.
TEST_F(MirrorTest, NamesTheDestinationCannotTellApartKeepTheFirst) {
  ScopedImageMount exfat(dir_ / "exfat.img", dst_, ScopedImageMount::Kind::kExfat);
  SKIP_UNLESS_IMAGE_MOUNTED(exfat);
  MakeTree(src_, {"new/B=upper", "new/b=lower", "x=lower"});
  for (int round = 0; round < 2; ++round) {
    Run();
    EXPECT_EQ(errors_, 1);
    ExpectLogged({"Error: Skipped " + src_ + "new/b" + kCannotTell + dst_ + "new/B"});
    EXPECT_FALSE(log_.HasPart("Moved "));
    EXPECT_EQ(DestTree(), (Tree{"new/", "new/B=upper", "x=lower"}));
  }
  ASSERT_TRUE(log_.Has("Destination drive " + dst_ + " does not tell names apart by case"));

  WriteFile(src_ + "X", "upper");  // before "x" in byte order, but "x" is there
  Run();
  EXPECT_EQ(errors_, 2);
  ExpectLogged({"Error: Skipped " + src_ + "X" + kCannotTell + dst_ + "x"});
  EXPECT_EQ(DestTree(), (Tree{"new/", "new/B=upper", "x=lower"}));
}

// An entry that appears under a new name between the listing and its
// creation (another program, or a name the file system folds) stays: the
// new one is skipped, never put in its place.
struct TakenCase {
  const char* name;
  Tree source;        // made in the source
  const char* entry;  // the new name, as the walk writes it
  Op op;              // the call before which the entry appears
  const char* path_part;
  const char* appears;  // made in the destination
  Tree left;
};

const TakenCase kTaken[] = {
    {"File", {"n.txt=new"}, "n.txt", Op::kMove, "n.txt", "n.txt=theirs", {"n.txt=theirs"}},
    {"Link", {"l->n.txt"}, "l", Op::kMove, "-l", "l=theirs", {"l=theirs"}},
    {"Directory",
     {"d/x.txt=new"},
     "d/",
     Op::kCreateDir,
     "dst/d",
     "d/mine=theirs",
     {"d/", "d/mine=theirs"}},
    {"LinkedDirectory", {"e/", "dl->e"}, "dl/", Op::kMove, "-dl", "dl=theirs", {"dl=theirs", "e/"}},
};

class NameTakenTest : public MirrorTest, public ::testing::WithParamInterface<TakenCase> {};

TEST_P(NameTakenTest, WhatIsThereStays) {
  const TakenCase& c = GetParam();
  MakeTree(src_, c.source);
  platform_.on_call = [&](Op op, const std::string& path) {
    if (op != c.op || path.find(c.path_part) == std::string::npos) return;
    platform_.on_call = nullptr;
    MakeTree(dst_, {c.appears});
  };

  Run();

  ExpectLogged({"Error: Skipped " + src_ + c.entry +
                " because the destination holds another "
                "entry under " +
                dst_ + c.entry});
  EXPECT_EQ(errors_, 1);
  EXPECT_EQ(DestTree(), c.left);
}

INSTANTIATE_TEST_SUITE_P(Mirror, NameTakenTest, ::testing::ValuesIn(kTaken),
                         [](const auto& param) { return std::string(param.param.name); });

// The temporary file of a copy that a killed scan left in a directory is
// deleted when the directory goes to the archive as a whole, or entry by
// entry; it is neither archived nor counted.
struct UnfinishedCase {
  const char* name;
  void (*arrange)(MirrorTest&);
  const char* moved;  // the line of the archived directory; "" when it went entry by entry
};

const UnfinishedCase kUnfinished[] = {
    {"DirectoryVanished", [](MirrorTest&) {},
     "Moved DSTsub/ to archive with 1 directory and 1 "
     "file of 4 bytes"},
    {"DirectoryBecameFile", [](MirrorTest& m) { WriteFile(m.src_ + "sub", "file"); },
     "Moved DSTsub/ to archive with 1 directory and 1 file of 4 bytes"},
    {"DirectoryHoldsAnExcludedEntry",
     [](MirrorTest& m) { m.StoreFilter(m.dst_ + "sub/deep/mine", kExcludedDestination); }, ""},
};

class UnfinishedCopyTest : public MirrorTest,
                           public ::testing::WithParamInterface<UnfinishedCase> {};

TEST_P(UnfinishedCopyTest, IsDeletedNotArchived) {
  MakeTree(dst_, {"sub/keep=keep", "sub/deep/"});
  std::string temps[2];
  for (const auto& [temp, where] : {std::pair{&temps[0], "sub/big"}, {&temps[1], "sub/deep/big"}}) {
    ASSERT_TRUE(DefaultPlatform().CreateTempFile(dst_ + where, temp).ok());
    WriteFile(*temp, std::string(100000, 'p'));
  }
  GetParam().arrange(*this);

  Run();

  EXPECT_EQ(errors_, 0);
  for (const std::string& temp : temps) {
    ExpectLogged({"Removed unfinished copy " + temp});
    EXPECT_FALSE(PathExists(temp));
    EXPECT_FALSE(PathExists(Archived(temp.substr(dst_.size()))));
  }
  EXPECT_EQ(ReadFile(Archived("sub/keep")), "keep");
  if (*GetParam().moved != '\0') {
    EXPECT_TRUE(log_.HasPart(Expand(GetParam().moved)));
  }
  // The archive counts what it holds, no more.
  const auto total = std::ranges::find_if(
      log_.lines, [](const std::string& line) { return line.starts_with("The archive now"); });
  ASSERT_NE(total, log_.lines.end());
  EXPECT_TRUE(total->ends_with(" directories and 1 file of 4 bytes")) << *total;
}

INSTANTIATE_TEST_SUITE_P(Mirror, UnfinishedCopyTest, ::testing::ValuesIn(kUnfinished),
                         [](const auto& param) { return std::string(param.param.name); });

// A destination that stops taking writes cancels its mirror with one line
// instead of an error for every file left; failures the files themselves
// cause do not.
struct LostCase {
  const char* name;
  bool on_tmpfs;  // the destination is a tmpfs of its own
  void (*arrange)(MirrorTest&);
  int copies;       // copies tried
  Tree errors;      // every error line, with SRC and DST for the roots
  const char* end;  // the mirror's last line but empty ones, with SRC and DST
};

constexpr char kCanceled[] = "Canceling the mirror from SRC to DST because its destination ";

void RemountReadOnly(const std::string& dir) {
  ASSERT_EQ(mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
}

const LostCase kLost[] = {
    {"ReadOnlyBeforeTheScan",
     true,
     [](MirrorTest& m) {
       MakeDirs(m.dst_ + kArchiveDirName + "/Logs");  // from an earlier scan
       RemountReadOnly(m.dst_);
     },
     0,
     {"Error 30: Could not write to destination DST. Read-only file system"},
     "Canceling this mirror."},
    {"ReadOnlyMidScan",
     true,
     [](MirrorTest& m) {
       m.platform_.on_call = [&m](Op op, const std::string&) {
         if (op == Op::kCopyToTemp && m.platform_.Calls(Op::kCopyToTemp) == 2) {
           RemountReadOnly(m.dst_);
         }
       };
     },
     3,
     {"Error 30: Copy of SRCf37 failed. Read-only file system",
      "Error 30: " + std::string(kCanceled) + "is read-only. Read-only file system"},
     "Error 30: Canceling the mirror from SRC to DST because its destination is read-only. "
     "Read-only file system"},
    {"TwentyFailuresInARowAndNoProbe",
     false,
     [](MirrorTest& m) {
       m.platform_.AddFault({Op::kCopyToTemp, "", 0, EIO});
       m.platform_.AddFault({Op::kCreateTempFile, "", 1, EIO});  // the mirror's own probe passes
     },
     TWriteWatch::kFailuresInARow,
     {},
     "Error 5: Canceling the mirror from SRC to DST because its destination failed 20 writes in "
     "a row. Input/output error"},
    {"TwentyFailuresInARowButTheRootTakesWrites",
     false,
     [](MirrorTest& m) {
       m.platform_.AddFault({Op::kCopyToTemp, "", 0, EIO});
     },
     30,
     {},
     "Mirror done"},
};

class LostWritesTest : public MirrorTest, public ::testing::WithParamInterface<LostCase> {};

TEST_P(LostWritesTest, CancelTheMirrorOnce) {
  const LostCase& c = GetParam();
  std::optional<ScopedMount> tmpfs;
  if (c.on_tmpfs) {
    tmpfs.emplace(dst_, "tmpfs", "size=8m");
    SKIP_UNLESS_MOUNTED(*tmpfs);
  }
  for (int i = 0; i < 30; ++i) WriteFile(src_ + "f" + std::to_string(10 + i), "data");
  c.arrange(*this);

  Run();

  EXPECT_EQ(platform_.Calls(Op::kCopyToTemp), c.copies);
  Tree errors;
  for (const std::string& line : log_.lines) {
    if (line.starts_with("Error")) errors.push_back(line);
  }
  Tree expected;
  for (const std::string& line : c.errors) expected.push_back(Expand(line));
  if (c.errors.empty()) {  // one error per copy tried, and the line that ends it
    for (int i = 0; i < c.copies; ++i) {
      expected.push_back("Error 5: Copy of " + src_ + "f" + std::to_string(39 - i) +
                         " failed. Input/output error");
    }
    if (c.copies == TWriteWatch::kFailuresInARow) {
      expected.push_back("Error 5: " + Expand(std::string(kCanceled) + "failed 20 writes in a row. "
                                                                       "Input/output error"));
    }
  }
  EXPECT_EQ(errors, expected);
  EXPECT_EQ(errors_, static_cast<int>(expected.size()));
  const auto last = std::find_if(log_.lines.rbegin(), log_.lines.rend(),
                                 [](const std::string& line) { return !line.empty(); });
  ASSERT_NE(last, log_.lines.rend());
  EXPECT_EQ(*last, Expand(c.end));
}

INSTANTIATE_TEST_SUITE_P(Mirror, LostWritesTest, ::testing::ValuesIn(kLost),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace qv::testing
