#include "ui/logic/path_cells.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/ui_logic/cell_test_platform.h"

namespace qv::testing {
namespace {

class PathCellsTest : public ::testing::Test {
 protected:
  PathCellsTest() {
    MakeTree(dir_.path(), {"src/a=1", "file=2"});
    platform_.env = {{"EMPTY", ""}, {"SRC", dir_ / "src"}};
  }

  ScopedTempDir dir_;
  CellTestPlatform platform_;
};

TEST_F(PathCellsTest, TextEntryAndQuestionsOfEachKind) {
  const std::string src = dir_ / "src";
  const std::string missing = dir_ / "missing";
  const std::string file = dir_ / "file";
  const std::string form =
      " should be a fully qualified file name and may not be relative or contain wild cards.";
  enum Outcome { kOk, kError, kConfirm };
  const struct {
    const TPathCellKind& kind;
    std::string text;
    bool content_checks;
    Outcome outcome;
    std::string shown;  // the final text, or the message
  } cases[] = {
      // No scan can use these: an error, even in a row switched off.
      {kMappingSourceCell, "data/src", false, kError, "data/src" + form},
      {kMappingDestCell, "/x/*/", true, kError, "/x/*/" + form},
      {kMinAgeSourceCell, "docs", false, kError, "docs" + form},
      {kMappingSourceCell, "${EMPTY}", true, kError, "${EMPTY} expands to an empty string."},
      // Other cells ask, and only with content checks.
      {kSourceHiveCell, "hive", true, kConfirm, "hive" + form + " Use it as source hive anyway?"},
      {kSourceHiveCell, "hive", false, kOk, "hive"},
      {kFilterCell, "${EMPTY}", true, kConfirm,
       "${EMPTY} expands to an empty string. Use it as filter anyway?"},
      {kFilterCell, "*.tmp", true, kOk, "*.tmp"},
      {kMappingSourceCell, missing, true, kConfirm,
       missing + " is not a currently accessible source. Use it as source anyway?"},
      {kMappingSourceCell, missing, false, kOk, missing + "/"},
      {kActiveHiveCell, missing, true, kOk, missing},
      {kSourceHiveCell, src, true, kConfirm,
       src + " is a directory. It should be a file. Use it as source hive anyway?"},
      {kMinAgeSourceCell, file, true, kConfirm,
       file + " does not seem to be a directory. Use it as minimal age anyway?"},
      {kFilterCell, src, true, kOk, src + "/"},
      // The destination is stored expanded; other cells keep references.
      {kMappingSourceCell, " ${SRC} ", true, kOk, "${SRC}/"},
      {kMappingDestCell, "${SRC}", true, kOk, src + "/"},
  };
  for (const auto& c : cases) {
    const TPathCellInput input{"Source", c.text, "", c.content_checks, false, false};
    const TCellVerdict verdict = ValidatePathCell(platform_, c.kind, input, TAskedQuestions());
    const Outcome outcome = verdict.ok()                             ? kOk
                            : verdict.kind == TVerdictKind::kConfirm ? kConfirm
                                                                     : kError;
    EXPECT_EQ(outcome, c.outcome) << c.kind.word << " " << c.text;
    EXPECT_EQ(verdict.ok() ? verdict.text : verdict.message, c.shown) << c.kind.word;
  }
}

TEST_F(PathCellsTest, EmptyFailsAtOkAndStoredOrAcceptedTextsPass) {
  const std::string missing = dir_ / "missing/";
  TAskedQuestions asked;
  auto validate = [&](const TPathCellInput& input) {
    return ValidatePathCell(platform_, kMappingSourceCell, input, asked);
  };
  EXPECT_EQ(validate({"Source", " ", "", true, false, true}).message,
            "Source cannot be empty. Specify a value or delete the row to get rid of this error.");
  EXPECT_TRUE(validate({"Source", "", "", true, false, false}).ok());
  EXPECT_TRUE(validate({"Source", "rel/", "rel/", true, true, false}).ok());
  EXPECT_FALSE(validate({"Source", "rel/", "rel/", true, false, false}).ok());
  const TCellVerdict question = validate({"Source", missing, "", true, false, false});
  ASSERT_TRUE(question.question());
  asked.Accept(question);
  const TCellVerdict again = validate({"Source", missing, "", true, false, false});
  EXPECT_TRUE(again.ok());
  EXPECT_EQ(again.text, missing);
}

}  // namespace
}  // namespace qv::testing
