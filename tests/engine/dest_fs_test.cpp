// The destination's file system as it is: names it does not tell apart, an
// entry that appears under a new name meanwhile, unfinished copies in a
// directory that goes to the archive, and a destination that stops taking
// writes.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include "config/config_keys.h"
#include "config/filter.h"
#include "tests/engine/engine_test_util.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

// On exFAT "B" and "b" are one name: the one already in the destination
// stays, of two new ones the first in byte order; the other is skipped with
// an error at every scan, and nothing is ever archived for it.
TEST_F(MirrorTest, NamesTheDestinationCannotTellApartKeepTheFirst) {
  ScopedImageMount exfat(dst_, ScopedImageMount::Kind::kExfat);
  SKIP_UNLESS_MOUNTED(exfat);
  const std::string skipped = " because the destination cannot tell its name from ";
  MakeTree(src_, {"new/B=upper", "new/b=lower", "x=lower"});
  for (int round = 0; round < 2; ++round) {
    Run();
    EXPECT_EQ(errors_, 1);
    ExpectLogged({"Error: Skipped " + src_ + "new/b" + skipped + dst_ + "new/B"});
  }
  WriteFile(src_ + "X", "upper");  // before "x" in byte order, but "x" is there
  Run();
  EXPECT_EQ(errors_, 2);
  ExpectLogged({"Error: Skipped " + src_ + "X" + skipped + dst_ + "x"});
  EXPECT_FALSE(log_.HasPart("Moved "));
  EXPECT_EQ(DestTree(), (Tree{"new/", "new/B=upper", "x=lower"}));
}

// An entry that appears under a new name between the listing and its
// creation (another program, or a name the file system folds) stays; the
// new file, directory or link is skipped.
TEST_F(MirrorTest, NewNameTakenMeanwhileIsNotReplaced) {
  MakeTree(src_, {"n.txt=new", "d/x.txt=new", "e/", "l->e"});
  // The new name, the call before which it appears, and what appears.
  const std::tuple<const char*, Op, const char*, const char*> kCases[] = {
      {"n.txt", Op::kMove, "-n.txt", "n.txt=theirs"},
      {"d/", Op::kCreateDir, "dst/d", "d/mine=theirs"},
      {"l/", Op::kMove, "-l", "l=theirs"},
  };
  platform_.on_call = [&](Op op, const std::string& path) {
    for (const auto& [name, at, path_part, appears] : kCases) {
      if (op == at && path.ends_with(path_part)) MakeTree(dst_, {appears});
    }
  };

  Run();

  for (const auto& [name, at, path_part, appears] : kCases) {
    ExpectLogged({"Error: Skipped " + src_ + name +
                  " because the destination holds another "
                  "entry under " +
                  dst_ + name});
  }
  EXPECT_EQ(errors_, 3);
  EXPECT_EQ(DestTree(), (Tree{"d/", "d/mine=theirs", "e/", "l=theirs", "n.txt=theirs"}));
}

// The temporary file of a copy that a killed scan left is deleted, in a
// directory that stays as in one that goes to the archive, as a whole or
// entry by entry around an excluded one; it is neither archived nor counted.
TEST_F(MirrorTest, UnfinishedCopyIsDeletedAndNeverArchived) {
  enum Kind { kStays, kGoesWhole, kGoesAroundAnExclusion };
  for (const Kind kind : {kStays, kGoesWhole, kGoesAroundAnExclusion}) {
    SCOPED_TRACE(kind);
    if (kind == kStays) MakeDirs(src_ + "sub/deep");
    if (kind == kGoesWhole) fs::remove_all(src_ + "sub");
    if (kind == kGoesAroundAnExclusion) StoreFilter(dst_ + "sub/deep/mine", kExcludedDestination);
    MakeTree(dst_, {"sub/keep=keep", "sub/deep/"});
    std::string temps[2];
    ASSERT_TRUE(DefaultPlatform().CreateTempFile(dst_ + "sub/big", &temps[0]).ok());
    ASSERT_TRUE(DefaultPlatform().CreateTempFile(dst_ + "sub/deep/big", &temps[1]).ok());
    for (const std::string& temp : temps) WriteFile(temp, std::string(100000, 'p'));

    Run();

    EXPECT_EQ(errors_, 0);
    for (const std::string& temp : temps) {
      ExpectLogged({"Removed unfinished copy " + temp});
      EXPECT_FALSE(PathExists(temp));
      EXPECT_FALSE(PathExists(Archived(temp.substr(dst_.size()))));
    }
    EXPECT_EQ(ReadFile(Archived("sub/keep")), "keep");
    EXPECT_EQ(log_.HasPart("Moved " + dst_ +
                           "sub/ to archive with 1 directory and 1 file of 4 "
                           "bytes"),
              kind == kGoesWhole);
  }
}

// A destination that stops taking writes cancels its mirror with one line
// instead of an error for every file left; failures the files themselves
// cause do not.
class LostWritesTest;

struct LostCase {
  const char* name;
  bool on_tmpfs;  // the destination is a tmpfs of its own
  void (*arrange)(LostWritesTest&);
  int errors;
  const char* end;  // the mirror's last line, with SRC and DST for the roots
};

class LostWritesTest : public MirrorTest, public ::testing::WithParamInterface<LostCase> {
 public:
  std::optional<ScopedMount> tmpfs_;
};

const LostCase kLost[] = {
    {"ReadOnlyBeforeTheScan", true,
     [](LostWritesTest& t) {
       MakeDirs(t.dst_ + kArchiveDirName + "/Logs");  // from an earlier scan
       ASSERT_TRUE(t.tmpfs_->RemountReadOnly());
     },
     1, "Canceling this mirror."},
    {"ReadOnlyMidScan", true,
     [](LostWritesTest& t) {
       t.platform_.on_call = [&t](Op op, const std::string&) {
         if (op == Op::kCopyToTemp && t.platform_.Calls(Op::kCopyToTemp) == 2) {
           EXPECT_TRUE(t.tmpfs_->RemountReadOnly());
         }
       };
     },
     2,
     "Error 30: Canceling the mirror from SRC to DST because its destination is read-only. "
     "Read-only file system"},
    {"TwentyFailuresInARowAndNoProbe", false,
     [](LostWritesTest& t) {
       t.platform_.AddFault({Op::kCopyToTemp, "", 0, EIO});
       t.platform_.AddFault({Op::kCreateTempFile, "", 1, EIO});  // the mirror's own probe passes
     },
     21,
     "Error 5: Canceling the mirror from SRC to DST because its destination failed 20 writes in "
     "a row. Input/output error"},
    {"TwentyFailuresInARowButTheRootTakesWrites", false,
     [](LostWritesTest& t) {
       t.platform_.AddFault({Op::kCopyToTemp, "", 0, EIO});
     },
     30, "Mirror done"},
};

TEST_P(LostWritesTest, CancelTheMirrorOnce) {
  const LostCase& c = GetParam();
  if (c.on_tmpfs) {
    tmpfs_.emplace(dst_, "tmpfs", "size=8m");
    SKIP_UNLESS_MOUNTED(*tmpfs_);
  }
  for (int i = 10; i < 40; ++i) WriteFile(src_ + "f" + std::to_string(i), "data");
  c.arrange(*this);

  Run();

  EXPECT_EQ(errors_, c.errors);
  const auto last = std::find_if(log_.lines.rbegin(), log_.lines.rend(),
                                 [](const std::string& line) { return !line.empty(); });
  ASSERT_NE(last, log_.lines.rend());
  EXPECT_EQ(*last, Expand(c.end));
}

INSTANTIATE_TEST_SUITE_P(Mirror, LostWritesTest, ::testing::ValuesIn(kLost),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace qv::testing
