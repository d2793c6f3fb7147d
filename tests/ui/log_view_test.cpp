// The log view over the real log buffer and settings file.
#include "ui/main_window/log_view.h"

#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <memory>

#include <gtest/gtest.h>

#include "config/qv_ini_file.h"
#include "log/log_buffer.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"

namespace qv::testing {
namespace {

class LogViewTest : public ::testing::Test {
 protected:
  LogViewTest()
      : ini_(DefaultPlatform(), temp_ / "settings.db"),
        log_(DefaultPlatform(), ini_),
        view_(std::make_unique<TLogView>(log_, dialogs_)) {
    view_->resize(400, 200);
    view_->show();
  }

  void AddLines(int count, const std::string& prefix = "line ") {
    for (int i = 0; i < count; ++i) log_.AddLine(prefix + std::to_string(i), true);
  }
  std::string Shown() const { return view_->toPlainText().toStdString(); }
  QScrollBar* Bar() const { return view_->verticalScrollBar(); }

  ScopedTempDir temp_;
  TQVIniFile ini_;
  TLog log_;
  TRecordingDialogs dialogs_;
  std::unique_ptr<TLogView> view_;
};

TEST_F(LogViewTest, ShowsTheBufferAfterAppendsContinuationsOverflowAndClearing) {
  log_.AddLine("first", true);
  log_.AddLine(" and more", false);
  log_.AddLine("a\nb\rc", true);
  EXPECT_EQ(Shown(), log_.text());
  EXPECT_EQ(Shown(), "\nfirst and more\nab c");
  // The 1000th line empties the view (no log file: nothing saved).
  AddLines(TLog::kMaxLines);
  EXPECT_EQ(Shown(), log_.text());
  EXPECT_LT(log_.line_count(), 10);
  log_.ClearLog();
  EXPECT_EQ(Shown(), "");
}

TEST_F(LogViewTest, AppendsKeepTheCaretAndTheSelection) {
  AddLines(5);
  QTextCursor selection(view_->document());
  selection.setPosition(3);
  selection.setPosition(8, QTextCursor::KeepAnchor);
  view_->setTextCursor(selection);
  AddLines(3, "more ");
  EXPECT_EQ(view_->textCursor().anchor(), 3);
  EXPECT_EQ(view_->textCursor().position(), 8);
  const QString selected =
      view_->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n');
  EXPECT_EQ(selected.toStdString(), log_.text().substr(3, 5));
}

TEST_F(LogViewTest, FollowsTheEndOnlyWhileScrolledThere) {
  AddLines(200);
  ASSERT_GT(Bar()->maximum(), 0);
  EXPECT_EQ(Bar()->value(), Bar()->maximum());
  AddLines(10, "at end ");
  EXPECT_EQ(Bar()->value(), Bar()->maximum());
  Bar()->setValue(5);
  AddLines(10, "read back ");
  EXPECT_EQ(Bar()->value(), 5);
}

TEST_F(LogViewTest, IsReadOnly) {
  EXPECT_TRUE(view_->isReadOnly());
  AddLines(2);
  view_->moveCursor(QTextCursor::End);
  QTest::keyClicks(view_.get(), "typed");
  QTest::keyClick(view_.get(), Qt::Key_Backspace);
  EXPECT_EQ(Shown(), log_.text());
}

// A save that fails shows its error box only after AddLine has returned:
// the box's event loop must not run inside the log buffer.
TEST_F(LogViewTest, TheErrorBoxOfAFailedSaveComesAfterTheCall) {
  WriteFile(temp_ / "file", "x");
  log_.SetLogFile(temp_ / "file/below a file.txt");
  log_.AddLine("something", true);
  ASSERT_FALSE(log_.SaveLog(false));
  EXPECT_TRUE(dialogs_.errors.empty());
  ASSERT_TRUE(WaitFor([&] { return !dialogs_.errors.empty(); }, 5000));
  EXPECT_EQ(dialogs_.errors.size(), 1u);
}

}  // namespace
}  // namespace qv::testing
