#include "ui/logic/value_cells.h"

#include <gtest/gtest.h>

#include "config/registry_values.h"
#include "filesys/text_format.h"
#include "ui/logic/asked_questions.h"

namespace qv {
namespace {

// Cells read what the user types in the user's number format; these tests
// pin one with a decimal comma, which no installed locale gives here.
class ValueCellsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNumberFormatForTesting(&comma_); }
  void TearDown() override { SetNumberFormatForTesting(nullptr); }

  const NumberFormat comma_{".", ","};
};

struct TVerdictCase {
  std::string text;
  bool ok;
  std::string shown;  // the rewritten text, or the error
};

void ExpectVerdict(const TCellVerdict& verdict, const TVerdictCase& c) {
  EXPECT_EQ(verdict.ok(), c.ok) << c.text;
  EXPECT_EQ(verdict.ok() ? verdict.text : verdict.message, c.shown) << c.text;
}

TEST_F(ValueCellsTest, SizesAreReadInTheUsersFormatAndShownAsSizeText) {
  const std::string error = "Max size should be a number between 0 and " + SizeText(kNoLimit, 2) +
                            ". Units in KB, MB, GB, TB or PB.";
  ASSERT_EQ(SizeText(kNoLimit, 2), "888,18 PB");
  const TVerdictCase cases[] = {
      {"1,5 gb", true, "1,50 GB"},
      {"100", true, "100 bytes"},
      {"1.536 KB", true, "1,50 MB"},
      {" 2 MiB ", true, "2,00 MB"},
      {"", true, ""},
      {"-5 KB", false, error},
      {"abc", false, error},
      {"1.5 GB", false, error},
      {"889 PB", false, error},
  };
  for (const TVerdictCase& c : cases) ExpectVerdict(ValidateSize("Max size", c.text, kNoLimit), c);
  EXPECT_EQ(SizeCellValue("1,5 gb", kNoLimit), 1610612736);
  EXPECT_EQ(SizeCellValue(" ", 7), 7);
  EXPECT_EQ(SizeCellValue("-1", 7), std::nullopt);
  EXPECT_EQ(SizeCellText(kNoLimit, kNoLimit), "");
  EXPECT_EQ(SizeCellText(0, kNoLimit), "0 bytes");
}

TEST_F(ValueCellsTest, ResolutionsCountHundredNanosecondsAndEmptyTakesTheFileSystems) {
  const std::string error = "Time resolution should be between 100 nano sec and " +
                            DurationText(kNoLimit) +
                            ". Units in sec, milli sec, micro sec and nano sec (onds).";
  const struct {
    TVerdictCase c;
    bool silent;
    std::optional<int64_t> fs_default;
    int64_t stored;
  } cases[] = {
      {{"2 sec", true, "2 sec"}, false, {}, 20000000},
      {{"100 nano sec", true, "100 nano sec"}, false, {}, 1},
      {{"1,5 sec", true, "1.500 milli sec"}, false, {}, 15000000},
      {{"0", false, error}, false, {}, 0},
      {{"0", true, "0"}, true, {}, 0},
      {{"-3 sec", false, error}, false, {}, 0},
      {{"soon", false, error}, false, {}, 0},
      {{"", true, "2 sec"}, false, 20000000, 0},  // vfat's write times
      {{"", true, ""}, false, {}, 0},
  };
  for (const auto& [c, silent, fs_default, stored] : cases) {
    ExpectVerdict(ValidateResolution(c.text, silent, fs_default), c);
    EXPECT_EQ(ResolutionCellValue(c.text), stored) << c.text;
  }
  EXPECT_EQ(ResolutionCellText(-1), "");
  EXPECT_EQ(ResolutionCellText(20000000), "2 sec");
}

TEST_F(ValueCellsTest, FilterTypesByNumberAndAnUnknownOneMustBeChosenAtOk) {
  const char* const names[] = {"excluded source", "excluded destination", "included source",
                               "included source dir", "remove empty destination dir"};
  for (int type = 0; type < 5; ++type) {
    EXPECT_EQ(FilterTypeText(type), names[type]);
    EXPECT_EQ(FilterTypeNumber(names[type]), type);
    ExpectVerdict(ValidateFilterType("Type", names[type], true), {names[type], true, names[type]});
  }
  for (const int64_t unknown : {-1LL, 5LL, 4294967296LL}) EXPECT_EQ(FilterTypeText(unknown), "");
  EXPECT_EQ(FilterTypeNumber("Excluded source"), std::nullopt);
  EXPECT_EQ(DefaultFilterTypeText(0), "included source");
  EXPECT_EQ(DefaultFilterTypeText(1), "excluded source");
  const std::string empty =
      "Type cannot be empty. Specify a value or delete the row to get rid of this error.";
  ExpectVerdict(ValidateFilterType("Type", "", true), {"", false, empty});
  ExpectVerdict(ValidateFilterType("Type", "junk", true), {"junk", false, empty});
  ExpectVerdict(ValidateFilterType("Type", "", false), {"", true, ""});
}

// As the headless tool takes it: "abc" or 0 would be stored as 0, a minimal
// age that silently protects nothing.
TEST_F(ValueCellsTest, MinimalAgeIsAWholeNumberOfMinutesFromOneTo35791) {
  const std::string error = "Minimal age in minutes should be a whole number from 1 to 35791.";
  const TVerdictCase cases[] = {
      {"abc", false, error}, {"0", false, error},         {"35792", false, error},
      {"1,5", false, error}, {"", false, error},          {"-1", false, error},
      {"1", true, "1"},      {" +35791 ", true, "35791"},
  };
  for (const TVerdictCase& c : cases) {
    ExpectVerdict(ValidateMinimalAge("Minimal age in minutes", c.text), c);
  }
}

TEST_F(ValueCellsTest, AQuestionAnsweredYesPassesUntilTheDialogClosesOrOnlyThisValidation) {
  TCellVerdict once = TCellVerdict::Warning("once?");
  TCellVerdict each = TCellVerdict::Warning("each?");
  each.ask_each_time = true;
  TAskedQuestions asked;
  EXPECT_FALSE(asked.Passes(once) || asked.Passes(each));
  EXPECT_TRUE(asked.Passes(TCellVerdict::Ok("x")));
  asked.Accept(once);
  asked.Accept(each);
  EXPECT_TRUE(asked.Passes(once) && asked.Passes(each));
  EXPECT_FALSE(asked.Passes(TCellVerdict::Error("once?")));
  asked.EndValidation();
  EXPECT_TRUE(asked.Passes(once));
  EXPECT_FALSE(asked.Passes(each));
  EXPECT_EQ(ValidatingText("Source", "/data/"), "Validating Source /data/ Please wait...");
}

}  // namespace
}  // namespace qv
