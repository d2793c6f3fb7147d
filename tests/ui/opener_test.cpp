// What the window opens: folders, log files and help pages only, each
// reported when it fails; the folder below the caret kept as data.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include "log/log_buffer.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"
#include "ui/dialogs/about_box.h"
#include "ui/main_window/log_view.h"
#include "ui/main_window/tool_bar.h"

namespace qv::testing {
namespace {

enum class TKind { kFolder, kLogFile };

struct TOpenCase {
  const char* name;
  TKind kind;
  const char* path;  // relative to the temp dir; "" stays empty
  bool opener_answer;
  bool opened;
  bool error;
};

class OpenServiceTest : public ::testing::TestWithParam<TOpenCase> {};

TEST_P(OpenServiceTest, OpensOnlyWhatItsKindAllows) {
  const TOpenCase& c = GetParam();
  ScopedTempDir temp;
  MakeTree(temp.path(), {"R&D <b>dir</b>/log.txt=x"});
  TRecordingOpener opener;
  opener.answer = c.opener_answer;
  TRecordingDialogs dialogs;
  TOpenService open(DefaultPlatform(), opener, dialogs, temp / "quorvane");
  const std::string path = *c.path == '\0' ? "" : temp / c.path;
  const bool answer = c.kind == TKind::kFolder ? open.OpenFolder(path) : open.OpenLogFile(path);
  EXPECT_EQ(answer, c.opened && c.opener_answer);
  EXPECT_EQ(opener.opened, c.opened ? std::vector<std::string>{path} : std::vector<std::string>{});
  EXPECT_EQ(dialogs.errors.size(), c.error ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenServiceTest,
    ::testing::Values(
        TOpenCase{"Folder", TKind::kFolder, "R&D <b>dir</b>/", true, true, false},
        TOpenCase{"FileAsFolder", TKind::kFolder, "R&D <b>dir</b>/log.txt", true, false, true},
        TOpenCase{"MissingFolder", TKind::kFolder, "gone/", true, false, true},
        TOpenCase{"EmptyPath", TKind::kFolder, "", true, false, false},
        TOpenCase{"LogFile", TKind::kLogFile, "R&D <b>dir</b>/log.txt", true, true, false},
        TOpenCase{"FolderAsLogFile", TKind::kLogFile, "R&D <b>dir</b>/", true, false, true},
        TOpenCase{"DesktopRefuses", TKind::kLogFile, "R&D <b>dir</b>/log.txt", false, true, true}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(HelpOpenerTest, OpensThePageOfTheDocumentationFolderAndReportsAMissingOne) {
  ScopedTempDir temp;
  MakeTree(temp.path(), {"bin/documentation/index.html=guide", "bin/index.html=beside"});
  TRecordingOpener opener;
  TRecordingDialogs dialogs;
  TOpenService open(DefaultPlatform(), opener, dialogs, temp / "bin/quorvane");
  EXPECT_TRUE(open.OpenHelpPage("index.html"));
  EXPECT_FALSE(open.OpenHelpPage("CfgGeneral.html"));
  EXPECT_EQ(opener.opened, std::vector<std::string>{temp / "bin/documentation/index.html"});
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_NE(dialogs.errors[0].find("CfgGeneral.html"), std::string::npos);
}

using FolderBelowCursorMenuTest = WindowTest;

// The folder is found as the Log menu opens, from the line under the caret;
// the caption stays the menu's own and the path travels as data.
TEST_F(FolderBelowCursorMenuTest, OpensTheFolderOfTheLineUnderTheCaret) {
  MakeDirs(temp_ / "R&D <b>x</b>/");
  TMainWindow& window = MakeWindow();
  TLog& log = window.log();
  log.AddLine("Created file " + temp_.path() + "R&D <b>x</b>/new.txt", true);
  log.AddLine("Scanning archive /nowhere at all", true);
  TLogView& view = window.log_view();
  QTextCursor caret(view.document()->findBlockByNumber(view.document()->blockCount() - 2));
  caret.movePosition(QTextCursor::EndOfBlock);
  view.setTextCursor(caret);

  auto* menu = window.findChild<QMenu*>("MenuLog");
  auto* item = window.findChild<QAction*>("MenuFolderBelowCursor");
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(item, nullptr);
  view.moveCursor(QTextCursor::Start);  // the empty first line names no folder
  emit menu->aboutToShow();
  EXPECT_FALSE(item->isEnabled());
  view.setTextCursor(caret);
  emit menu->aboutToShow();
  ASSERT_TRUE(item->isEnabled());
  EXPECT_EQ(item->text(), "Open &folder below cursor");
  log.AddLine("Created file " + src_ + "a.txt", true);  // later lines change nothing
  item->trigger();
  EXPECT_EQ(opener_.opened, std::vector<std::string>{temp_.path() + "R&D <b>x</b>"});
  EXPECT_TRUE(dialogs_.errors.empty());
}

TEST(AboutBoxTest, ShowsNameVersionAndExecutableAsPlainText) {
  const QString executable = "/opt/R&D <i>tools</i>/quorvane";
  TAboutBox box(executable);
  struct {
    const char* name;
    QString text;
  } const labels[] = {{"LabelProgramName", "Quorvane"},
                      {"LabelVersion", "Version " QUORVANE_VERSION},
                      {"LabelExecutable", "Executable " + executable}};
  for (const auto& label : labels) {
    auto* widget = box.findChild<QLabel*>(label.name);
    ASSERT_NE(widget, nullptr) << label.name;
    EXPECT_EQ(widget->text(), label.text);
    EXPECT_EQ(widget->textFormat(), Qt::PlainText) << label.name;
  }
  EXPECT_FALSE(box.findChild<QLabel*>("ProgramIcon")->pixmap().isNull());
}

struct TGaugeCase {
  int64_t done;
  int64_t total;
  int value;
  int maximum;
};

// A progress bar ignores a value above its maximum: the gauge clamps.
TEST(GaugeTest, ClampsToItsMaximum) {
  const TGaugeCase cases[] = {{50, 100, 50, 100},
                              {150, 100, 100, 100},
                              {0, 0, 0, 1},
                              {-3, 10, 0, 10},
                              {3'000'000'000, 4'000'000'000, 600'000'000, 800'000'000}};
  TToolBar bar;
  auto* gauge = bar.findChild<QProgressBar*>("ProgressBar");
  for (const TGaugeCase& c : cases) {
    bar.SetProgress(c.done, c.total);
    EXPECT_EQ(gauge->value(), c.value) << c.done << " of " << c.total;
    EXPECT_EQ(gauge->maximum(), c.maximum) << c.done << " of " << c.total;
  }
}

using StatusBarTest = WindowTest;

// A status text may name a file such as "<b>x</b>": it must read as it is.
TEST_F(StatusBarTest, ShowsItsPanelsAsPlainText) {
  TMainWindow& window = MakeWindow();
  for (const char* name : {"LabelFiles", "LabelFileCount", "LabelStatus"}) {
    auto* panel = window.findChild<QLabel*>(name);
    ASSERT_NE(panel, nullptr) << name;
    EXPECT_EQ(panel->textFormat(), Qt::PlainText) << name;
  }
}

}  // namespace
}  // namespace qv::testing
