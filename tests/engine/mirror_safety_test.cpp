// A replaced file is never lost or half written: whatever goes wrong during
// its update, the destination keeps the complete old version, the archive
// gets nothing and no temporary file is left.
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "filesys/status.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

constexpr size_t kBigFile = 3 * 1024 * 1024;  // the copy reports progress on the way

struct FailureCase {
  const char* name;
  std::function<void(MirrorTest&)> arrange;
  const char* line_part;  // with SRC / DST for the roots
  int errors;
};

class UpdateFailureTest : public MirrorTest, public ::testing::WithParamInterface<FailureCase> {
 protected:
  std::string Expand(std::string text) const {
    for (const auto& [name, path] : {std::pair{"SRC", src_}, std::pair{"DST", dst_}}) {
      for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, 3, path);
    }
    return text;
  }
};

TEST_P(UpdateFailureTest, LeavesTheOldVersionInPlace) {
  WriteFile(dst_ + "f.txt", "old");
  WriteFile(src_ + "f.txt", std::string(kBigFile, 'n'));
  GetParam().arrange(*this);

  Run();

  EXPECT_TRUE(log_.HasPart(Expand(GetParam().line_part))) << log_.Joined();
  EXPECT_EQ(errors_, GetParam().errors) << log_.Joined();
  EXPECT_EQ(DestTree(), std::vector<std::string>{"f.txt=old"});
  EXPECT_FALSE(PathExists(Archived("f.txt")));
}

const FailureCase kFailures[] = {
    {"ReadErrorPartWay",
     [](MirrorTest& m) {
       m.platform_.AddFault({Op::kCopyToTemp, "f.txt", 0, EIO, 1, 1 << 20});
     },
     "Error 5: Copy of SRCf.txt failed. Input/output error", 1},
    {"CommitFailsAfterArchiving",
     [](MirrorTest& m) {
       m.platform_.AddFault({Op::kCommitTemp, "f.txt", 0, EIO});
     },
     "Restored DSTf.txt from archive", 1},
    {"Declined",
     [](MirrorTest& m) {
       m.confirm_ = true;
       m.gate_.answers = {true, false};  // the archive directory, then the update
     },
     "Error 125: Update DSTf.txt? (", 1},
    {"SourceVanished",
     [](MirrorTest& m) {
       m.platform_.on_call = [&m](Op op, const std::string&) {
         if (op == Op::kCopyToTemp) fs::remove(m.src_ + "f.txt");
       };
     },
     "Warning: SRCf.txt vanished before it could be copied", 0},
    {"SourceChanged",
     [](MirrorTest& m) {
       m.platform_.AddFault({Op::kCopyToTemp, "f.txt", 0, kErrSourceChanged, 1});
     },
     "Warning: SRCf.txt changed while it was copied", 0},
    {"Terminated",
     [](MirrorTest& m) {
       m.platform_.on_call = [&m](Op op, const std::string&) {
         if (op == Op::kCopyToTemp) m.log_.terminated = true;
       };
     },
     "Mirror terminated", 1},
};

std::string CaseName(const ::testing::TestParamInfo<FailureCase>& param) {
  return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Mirror, UpdateFailureTest, ::testing::ValuesIn(kFailures), CaseName);

// An unreadable source directory is not an empty one: what its destination
// holds stays, whatever the reason.
TEST_F(MirrorTest, UnreadableSourceDirectoryLeavesItsDestinationAlone) {
  MakeDirs(src_ + "sub");
  WriteFile(src_ + "sub/x.txt", "x");
  MakeDirs(dst_ + "sub");
  WriteFile(dst_ + "sub/x.txt", "x");
  WriteFile(dst_ + "sub/extra.txt", "keep me");
  for (const int error : {EACCES, EIO}) {
    platform_.AddFault({Op::kListDir, "src/sub", 0, error});
    Run();
    platform_.ClearFaults();
    EXPECT_TRUE(log_.HasPart("Failed to read directory " + src_ + "sub/. ")) << log_.Joined();
    EXPECT_EQ(errors_, 1) << log_.Joined();
    EXPECT_EQ(DestTree(),
              (std::vector<std::string>{"sub/", "sub/extra.txt=keep me", "sub/x.txt=x"}));
    EXPECT_FALSE(PathExists(Archived("sub")));
  }
}

}  // namespace
}  // namespace qv::testing
