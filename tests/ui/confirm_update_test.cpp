#include "ui/dialogs/confirm_update.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/filter_store.h"
#include "config/qv_ini_file.h"
#include "log/logger.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_search.h"
#include "tests/ui/fake_tray.h"
#include "tests/ui/window_fixture.h"
#include "ui/main_window/scan_control.h"

namespace qv::testing {
namespace {

// With Confirm on the fixture's tree asks, in order: the archive directory,
// a.txt, the directory sub/, sub/b.txt (and what a test adds).
class ConfirmUpdateTest : public WindowTest {
 protected:
  ConfirmUpdateTest() {
    StoreConfig([](TConfigData& config) { config.switches.confirm = true; });
  }
  TDlgConfirmUpdate& Dialog() { return window_->confirm_dialog(); }
  template <typename T>
  T* Child(const char* name) {
    T* child = Dialog().findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  // The next question shown; "" when the scan ended first.
  std::string NextQuestion() {
    EXPECT_TRUE(
        WaitFor([this] { return Dialog().isVisible() || !window_->scan_control().scanning(); }));
    if (!Dialog().isVisible()) return "";
    return Child<QPlainTextEdit>("RichEditMsg")->toPlainText().toStdString();
  }
  // On its indicator: a radio button takes clicks only on its indicator and caption.
  void Pick(const char* radio) {
    QRadioButton* button = Child<QRadioButton>(radio);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    EXPECT_TRUE(button->isChecked()) << radio;
  }
  void Answer(const char* scope, const char* button) {
    Pick(scope);
    QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
  }
  // Starts a scan and answers "This &update" with Yes until a question holds
  // part; false when none did.
  bool AskUntil(const std::string& part) {
    return AskUntil([&part](const std::string& question) { return Contains(question, part); });
  }
  bool AskUntil(const std::function<bool(const std::string&)>& wanted) {
    Click("SpeedButtonStart");
    for (std::string question = NextQuestion(); !question.empty(); question = NextQuestion()) {
      asked_.push_back(question);
      if (wanted(question)) return true;
      Answer("RadioButtonThis", "ButtonYes");
    }
    return false;
  }
  // Answers every further question with scope and button, recording them.
  void AnswerAll(const char* scope, const char* button) {
    for (std::string question = NextQuestion(); !question.empty(); question = NextQuestion()) {
      asked_.push_back(question);
      Answer(scope, button);
    }
  }
  std::vector<std::string> asked_;
};

TEST_F(ConfirmUpdateTest, NoForTheScanAnswersTheRestWithoutDialogAsErrors) {
  MakeWindow();
  ASSERT_TRUE(AskUntil("a.txt"));
  Answer("RadioButtonScan", "ButtonNo");
  AnswerAll("RadioButtonThis", "ButtonYes");
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_EQ(asked_.size(), 2u);  // the archive, then a.txt
  // a.txt and sub/ declined; sub/b.txt then has no directory to go to.
  EXPECT_EQ(Count(LogText(), "Error 125: "), 2) << LogText();
  EXPECT_EQ(Count(LogText(), "Error 125: Copy " + dst_ + "a.txt?"), 1);
  EXPECT_FALSE(PathExists(dst_ + "a.txt"));
  EXPECT_FALSE(PathExists(dst_ + "sub"));
}

TEST_F(ConfirmUpdateTest, YesForTheDirectoryStopsAskingInsideItOnly) {
  MakeTree(temp_.path(), {"src/sub/c.txt=gamma", "src/zz/d.txt=delta", "src/zz/e.txt=epsilon"});
  MakeWindow();
  // The walk takes the two directories in the order the file system lists
  // them: the answer goes to the first file in whichever comes first.
  std::string inside;
  ASSERT_TRUE(AskUntil([&](const std::string& question) {
    for (const char* dir : {"sub/", "zz/"}) {
      if (Contains(question, "Copy " + dst_ + dir)) inside = dst_ + dir;
    }
    return !inside.empty();
  }));
  EXPECT_EQ(Child<QRadioButton>("RadioButtonDirs")->statusTip().toStdString(), inside);
  Answer("RadioButtonDirs", "ButtonYes");
  const size_t answered = asked_.size();
  AnswerAll("RadioButtonThis", "ButtonYes");
  ASSERT_TRUE(WaitForScanEnd());
  const std::string other = dst_ + (Contains(inside, "sub/") ? "zz/" : "sub/");
  // The other directory (two files each): created, and each file asked.
  ASSERT_EQ(asked_.size() - answered, 3u) << ::testing::PrintToString(asked_);
  for (size_t i = answered; i < asked_.size(); ++i)
    EXPECT_TRUE(Contains(asked_[i], other)) << asked_[i];
  for (const char* file : {"a.txt", "sub/b.txt", "sub/c.txt", "zz/d.txt", "zz/e.txt"}) {
    EXPECT_TRUE(PathExists(dst_ + file)) << file;
  }
  EXPECT_EQ(Count(LogText(), "Error 125"), 0);
}

TEST_F(ConfirmUpdateTest, TerminateEndsTheScanWithoutTheUpdate) {
  MakeTree(temp_.path(), {"bin/documentation/CfgGenConfirm.html=help"});
  MakeWindow();
  ASSERT_TRUE(AskUntil("a.txt"));
  // The folders that exist nearest to the paths (a.txt is a file, or missing), and the help.
  for (const char* button : {"ButtonOpenDestDir", "ButtonOpenSourceDir", "ButtonHelp"}) {
    QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
  }
  const std::vector<std::string> opened = {dst_.substr(0, dst_.size() - 1),
                                           src_.substr(0, src_.size() - 1),
                                           temp_ / "bin/documentation/CfgGenConfirm.html"};
  EXPECT_EQ(opener_.opened, opened);
  Answer("RadioButtonThis", "ButtonTerminate");
  EXPECT_EQ(window_->scan_control().state(), TScanState::kStopping);
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_TRUE(LogText().find("Mirror terminated") != std::string::npos) << LogText();
  EXPECT_FALSE(PathExists(dst_ + "a.txt"));
  EXPECT_FALSE(Dialog().isVisible());
}

TEST_F(ConfirmUpdateTest, CloseBoxAndEscapeAnswerNoForThisUpdateOnly) {
  const std::vector<std::function<void(TDlgConfirmUpdate&)>> kCloses = {
      [](TDlgConfirmUpdate& dialog) { dialog.close(); },
      [](TDlgConfirmUpdate& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
  };
  for (const auto& close : kCloses) {
    // The mirrored files only: the volume guard wants the rest as it was.
    std::filesystem::remove_all(dst_ + "sub");
    asked_.clear();
    MakeWindow();
    ASSERT_TRUE(AskUntil("a.txt")) << ::testing::PrintToString(asked_) << LogText();
    // A wider scope picked before closing does not count.
    Pick("RadioButtonScan");
    close(Dialog());
    ASSERT_FALSE(NextQuestion().empty());  // sub/ is still asked
    Answer("RadioButtonScan", "ButtonYes");
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(Count(LogText(), "Error 125: "), 1) << LogText();
    EXPECT_FALSE(PathExists(dst_ + "a.txt"));
    EXPECT_TRUE(PathExists(dst_ + "sub/b.txt"));
  }
}

TEST_F(ConfirmUpdateTest, AddFilterStoresItOrShowsTheStoresError) {
  MakeWindow();
  ASSERT_TRUE(AskUntil("a.txt"));
  // A new file proposes its source.
  EXPECT_TRUE(Child<QRadioButton>("RadioButtonFilterSource")->isChecked());
  EXPECT_EQ(Child<QLineEdit>("RichEditFilter")->text().toStdString(), src_ + "a.txt");
  Pick("RadioButtonFilterDest");
  EXPECT_EQ(Child<QLineEdit>("RichEditFilter")->text().toStdString(), dst_ + "a.txt");
  Child<QCheckBox>("CheckBoxFilterEnabled")->click();
  QTest::mouseClick(Child<QPushButton>("ButtonAddFilter"), Qt::LeftButton);
  EXPECT_EQ(
      dialogs_.informations,
      std::vector<std::string>{"Saved filter. The filter will be used starting the next mirror."});
  {
    TQVIniFile ini(platform_, settings_);
    TLogger discard;
    std::vector<TStoredFilter> filters;
    ASSERT_TRUE(ReadStoredFilters(ini, discard, &filters));
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].text, dst_ + "a.txt");
    EXPECT_EQ(filters[0].type, 1);
    EXPECT_FALSE(filters[0].enabled);
  }
  // Another writer holds the store.
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(settings_.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  QTest::mouseClick(Child<QPushButton>("ButtonAddFilter"), Qt::LeftButton);
  sqlite3_close(holder);
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0].rfind("Failed to save the filter to the registry. ", 0), 0u);
  EXPECT_EQ(dialogs_.informations.size(), 1u);
  // Hidden by the user, the question comes back with a click on the status bar.
  Dialog().hide();
  QTest::mouseClick(window_->statusBar(), Qt::LeftButton);
  EXPECT_TRUE(Dialog().isVisible());
  Answer("RadioButtonScan", "ButtonYes");
  ASSERT_TRUE(WaitForScanEnd());
}

TEST_F(ConfirmUpdateTest, AHiddenWindowAsksTooAndAStoppedScanTakesNoLateClick) {
  TFakeTray::TState tray;
  make_tray_ = [&tray] { return TFakeTray::Make(tray); };
  show_at_start_ = true;
  MakeWindow();
  window_->hide();
  ASSERT_TRUE(AskUntil("a.txt"));
  EXPECT_EQ(tray.message.toStdString(), "Suspended mirror awaiting confirmation");
  Click("SpeedButtonStop");
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_FALSE(Dialog().waiting());
  ASSERT_TRUE(WaitForScanEnd());
  Child<QPushButton>("ButtonYes")->click();
  Child<QPushButton>("ButtonTerminate")->click();
  EXPECT_FALSE(PathExists(dst_ + "a.txt"));
  EXPECT_EQ(window_->scan_control().state(), TScanState::kIdle);
  window_.reset();  // before the tray's state
}

}  // namespace
}  // namespace qv::testing
