// The configuration dialog over the real window, store and scan.
#include "ui/config_dialog/config_dlg.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_search.h"
#include "tests/ui/window_fixture.h"
#include "ui/config_dialog/config_grid.h"
#include "ui/config_dialog/general_page.h"
#include "ui/config_dialog/grid_model.h"
#include "ui/dialogs/confirm_update.h"
#include "ui/main_window/scan_control.h"

namespace qv::testing {
namespace {

using K = TListKind;

class ConfigDlgTest : public WindowTest {
 protected:
  TConfigDlg& Open() {
    Click("SpeedButtonConfig");
    TConfigDlg* dialog = window_->config_dialog();
    EXPECT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitFor([dialog] { return dialog->isVisible(); }));
    if (!connected_) {
      connected_ = true;
      QObject::connect(window_.get(), &TMainWindow::configurationAccepted,
                       [this](const TConfigEdit& edit) { accepted_.push_back(edit); });
    }
    return *dialog;
  }
  // OK as clicked; true when the dialog closed (and is deleted: no use of
  // it afterwards).
  bool Ok(TConfigDlg& dialog) {
    QPointer<TConfigDlg> open(&dialog);
    dialog.accept();
    EXPECT_TRUE(WaitFor([open] { return open == nullptr || !open->checking(); }));
    return open == nullptr || !open->isVisible();
  }
  void Choose(TConfigDlg& dialog, TCfgPage page) {
    dialog.ChoosePage(page);
    EXPECT_TRUE(WaitFor([&dialog] { return !dialog.checking(); }));
  }
  void Type(TConfigDlg& dialog, K kind, int row, int column, const std::string& text) {
    TConfigGrid& grid = dialog.grid(kind);
    grid.grid_model().setData(grid.grid_model().index(row, column), QString::fromStdString(text),
                              Qt::EditRole);
    QCoreApplication::processEvents();
    EXPECT_TRUE(WaitFor([&grid] { return !grid.checking(); }));
  }
  QCheckBox* Box(TConfigDlg& dialog, const char* name) {
    return dialog.findChild<QCheckBox*>(name);
  }
  // Starts a scan that stays at the confirmation dialog's first question.
  void HoldScan() {
    Click("SpeedButtonStart");
    EXPECT_TRUE(WaitFor([this] { return window_->confirm_dialog().isVisible(); }));
  }
  bool connected_ = false;
  std::vector<TConfigEdit> accepted_;
};

TEST_F(ConfigDlgTest, ShowsTheStoredSettingsAndHandsOverTheEditOnlyOnOk) {
  StoreConfig([](TConfigData& config) {
    config.SetWaitMinutes(5);
    config.SetSuspendMillis(90000);
  });
  MakeWindow({"/WAIT=7"});
  EXPECT_EQ(window_->config().wait_minutes(), 7);
  TConfigDlg& dialog = Open();
  EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
  EXPECT_EQ(dialog.findChild<QSpinBox*>("SpinEditMinutes")->value(), 5);
  EXPECT_EQ(dialog.findChild<QSpinBox*>("SpinEditMinutesToSuspend")->value(), 1);
  const TGridModel& filters = dialog.grid(K::kFilters).grid_model();
  ASSERT_EQ(filters.rowCount(), 2);
  // Enabled as a new row has it.
  EXPECT_EQ(filters.rows().rows()[0].texts,
            (std::vector<std::string>{"true", "included source", "*.*", "false"}));
  dialog.findChild<QSpinBox*>("SpinEditMinutesToSuspend")->setValue(2);
  // Another command opens no second dialog.
  window_->findChild<QAction*>("MenuConfiguration")->trigger();
  EXPECT_EQ(window_->findChildren<TConfigDlg*>().size(), 1u);
  dialog.reject();
  EXPECT_TRUE(accepted_.empty());

  TConfigDlg& again = Open();
  again.findChild<QSpinBox*>("SpinEditMinutesToSuspend")->setValue(2);
  ASSERT_TRUE(Ok(again));
  ASSERT_EQ(accepted_.size(), 1u);
  const TConfigEdit& edit = accepted_[0];
  EXPECT_EQ(edit.at_opening.suspend_minutes, 1);
  EXPECT_EQ(edit.edited.suspend_minutes, 2);
  EXPECT_EQ(edit.edited.wait_minutes, 5);
  EXPECT_FALSE(edit.mappings_changed);
  ASSERT_EQ(edit.lists.size(), 4u);
  EXPECT_EQ(edit.lists[0].rows.size(), 1u);  // the fixture's mirror
  EXPECT_EQ(edit.lists[1].rows.size(), 1u);  // the default filter
  // The window stored what changed; the command line's wait stays in effect.
  TQVIniFile ini(platform_, settings_);
  TConfigData stored;
  ASSERT_TRUE(stored.Load(ini));
  EXPECT_EQ(stored.suspend_millis(), 120000);
  EXPECT_EQ(stored.wait_minutes(), 5);
  EXPECT_EQ(window_->config().wait_minutes(), 7);
}

TEST_F(ConfigDlgTest, TheStoredPageCountsTheAbsentRegistryPage) {
  MakeWindow();
  const struct {
    int stored;
    TCfgPage opened;
    int stored_after;
  } kCases[] = {{-1, TCfgPage::kGeneral, 0},
                {4, TCfgPage::kFileMappings, 5},
                {9, TCfgPage::kFileMappings, 5},
                {3, TCfgPage::kMinimalAges, 3}};
  for (const auto& c : kCases) {
    {
      TQVIniFile ini(platform_, settings_);
      ini.WriteInteger(std::string(kBaseKey) + "\\ConfigDlg", "TabIndex", c.stored);
      ini.WriteInteger(std::string(kBaseKey) + "\\ConfigDlg", "Width", 100000);
    }
    TConfigDlg& dialog = Open();
    EXPECT_EQ(dialog.page(), c.opened) << c.stored;
    EXPECT_LE(dialog.width(), dialog.screen()->size().width());
    dialog.reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window_->config_dialog(), nullptr);
    TQVIniFile ini(platform_, settings_);
    EXPECT_EQ(ini.ReadInteger(std::string(kBaseKey) + "\\ConfigDlg", "TabIndex", -1),
              c.stored_after);
  }
}

// One scan holds at its first question until the last case, whose changed
// mirror stops it; each case opens the dialog anew.
TEST_F(ConfigDlgTest, WhileAScanRunsTheChecksAskAndOnlyChangedMirrorsStopIt) {
  StoreConfig([](TConfigData& config) { config.switches.confirm = true; });
  MakeDirs(temp_ / "dst2");
  MakeWindow();
  HoldScan();
  const std::string restore = kRestoreAutoFilterQuestion;
  const std::string stop = kStopForMappingsWarning;
  const struct {
    const char* name;
    bool disable_auto_filter;
    std::string destination;  // typed into the mirror's row; "" keeps it
    std::string filter;       // typed into the first filter row; "" keeps it
    bool answer;              // to the question at OK
    bool closed;
    std::vector<std::string> asked;  // the questions at OK
    TCfgPage page;                   // current when it stays open
    bool mappings_changed;
  } kCases[] = {
      {"auto filters, restored", true, "", "", true, true, {restore}, {}, false},
      {"auto filters, not restored",
       true,
       "",
       "",
       false,
       false,
       {restore},
       TCfgPage::kGeneral,
       false},
      {"destination, no stop",
       false,
       temp_ / "dst2/",
       "",
       false,
       false,
       {stop},
       TCfgPage::kMappings,
       true},
      {"filters only", false, "", "*.txt", true, true, {}, {}, false},
      {"destination, stop", false, temp_ / "dst2/", "", true, true, {stop}, {}, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    accepted_.clear();
    TConfigDlg& dialog = Open();
    dialogs_.confirm_answer = dialogs_.warn_answer = true;
    if (c.disable_auto_filter) Box(dialog, "CheckBoxDisableAutoFilter")->click();
    if (!c.destination.empty()) Type(dialog, K::kMappings, 0, 2, c.destination);
    if (!c.filter.empty()) Type(dialog, K::kFilters, 0, 2, c.filter);
    dialogs_.confirm_answer = dialogs_.warn_answer = c.answer;
    dialogs_.confirmations.clear();
    dialogs_.warnings.clear();
    EXPECT_EQ(Ok(dialog), c.closed);
    std::vector<std::string> asked = dialogs_.confirmations;
    asked.insert(asked.end(), dialogs_.warnings.begin(), dialogs_.warnings.end());
    EXPECT_EQ(asked, c.asked);
    // The box goes back to its stored state either way.
    if (c.closed) {
      ASSERT_EQ(accepted_.size(), 1u);
      EXPECT_EQ(accepted_[0].mappings_changed, c.mappings_changed);
      EXPECT_TRUE(accepted_[0].edited.switches.auto_filter);
    } else {
      EXPECT_TRUE(accepted_.empty());
      EXPECT_FALSE(dialog.general_page().auto_filter_disabled());
      EXPECT_EQ(dialog.page(), c.page);
      dialog.reject();
    }
    const bool stops = c.closed && c.mappings_changed;
    EXPECT_TRUE(WaitFor([&] { return window_->scan_control().scanning() != stops; }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(ConfigDlgTest, DisablingAutomaticFiltersNeedsOkAndAnExclusionFirstIsQuestioned) {
  MakeWindow();
  TConfigDlg& dialog = Open();
  for (const bool answer : {false, true}) {
    dialogs_.confirm_answer = answer;
    Box(dialog, "CheckBoxDisableAutoFilter")->click();
    EXPECT_EQ(dialog.general_page().auto_filter_disabled(), answer);
  }
  EXPECT_EQ(dialogs_.confirmations.back(), DisableAutoFilterQuestion(false));

  const std::string asked =
      "The excluded source /tmp/*.bak will have no effect if it is not preceeded by an included "
      "source. Use it as an excluded source anyway?";
  const struct {
    const char* first_type;
    const char* first_filter;
    bool answer;
    bool closed;
    std::vector<std::string> asked;
  } kCases[] = {
      {"included source", "*.*", false, true, {}},
      {"excluded source", "/tmp/*.bak", false, false, {asked}},
      {"excluded source", "/tmp/*.bak", true, true, {asked}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.first_type + std::string(c.answer ? " yes" : " no"));
    TConfigDlg& open = window_->config_dialog() != nullptr ? *window_->config_dialog() : Open();
    Choose(open, TCfgPage::kMinimalAges);
    dialogs_.confirm_answer = true;
    Type(open, K::kFilters, 0, 1, c.first_type);
    Type(open, K::kFilters, 0, 2, c.first_filter);
    Type(open, K::kFilters, 1, 1, "included source");
    Type(open, K::kFilters, 1, 2, "/home/");
    dialogs_.confirm_answer = c.answer;
    dialogs_.confirmations.clear();
    EXPECT_EQ(Ok(open), c.closed);
    EXPECT_EQ(dialogs_.confirmations, c.asked);
    if (!c.closed) {
      EXPECT_EQ(open.page(), TCfgPage::kFilters);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(ConfigDlgTest, DroppedPathsBecomeExclusionsFromStoredThenEditedMirrors) {
  MakeTree(temp_.path(), {"dst/old/", "new-dst/part/", "elsewhere/"});
  MakeWindow();
  TConfigDlg& dialog = Open();
  // A mirror not stored yet.
  Type(dialog, K::kMappings, 1, 1, temp_ / "src/sub/");
  Type(dialog, K::kMappings, 1, 2, temp_ / "new-dst/");
  dialogs_.confirmations.clear();
  dialog.AddDroppedPaths(
      {dst_ + "old", temp_ / "new-dst/part", src_ + "a.txt", temp_ / "elsewhere"});
  EXPECT_EQ(dialog.page(), TCfgPage::kFilters);
  EXPECT_EQ(dialogs_.confirmations,
            (std::vector<std::string>{"Add " + dst_ + "old to excluded destinations?",
                                      "Add " + temp_ / "new-dst/part to excluded destinations?",
                                      "Add " + src_ + "a.txt to excluded sources?"}));
  EXPECT_EQ(dialogs_.informations,
            std::vector<std::string>{temp_ / "elsewhere is not part of a mirror"});
  const TGridModel& filters = dialog.grid(K::kFilters).grid_model();
  ASSERT_EQ(filters.rowCount(), 5);  // the default row, three, the empty one
  const std::vector<std::vector<std::string>> kRows = {
      {"true", "excluded destination", dst_ + "old/"},
      {"true", "excluded destination", temp_ / "new-dst/part/"},
      {"true", "excluded source", src_ + "a.txt"},
  };
  for (int row = 0; row < 3; ++row) {
    const std::vector<std::string>& texts = filters.rows().rows()[row + 1].texts;
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 3), kRows[row]);
  }
}

TEST_F(ConfigDlgTest, HelpOpensThePagesHelpAndAMirrorIsDeletedOnlyAfterAsking) {
  MakeTree(temp_.path(), {"bin/documentation/CfgMappings.html=m"});
  MakeWindow();
  TConfigDlg& dialog = Open();
  Choose(dialog, TCfgPage::kMappings);
  EXPECT_EQ(dialog.page(), TCfgPage::kMappings);
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClick(&dialog, Qt::Key_F1);
  dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
  EXPECT_EQ(opener_.opened,
            (std::vector<std::string>(2, temp_ / "bin/documentation/CfgMappings.html")));
  Choose(dialog, TCfgPage::kFileMappings);
  QTest::keyClick(&dialog, Qt::Key_F1);
  EXPECT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(opener_.opened.size(), 2u);

  TConfigGrid& mirrors = dialog.grid(K::kMappings);
  mirrors.setCurrentIndex(mirrors.grid_model().index(0, 2));
  for (const bool answer : {false, true}) {
    dialogs_.warn_answer = answer;
    mirrors.DeleteRow();
    EXPECT_EQ(mirrors.grid_model().rowCount(), answer ? 1 : 2);
  }
  ASSERT_EQ(dialogs_.warnings.size(), 2u);
  EXPECT_TRUE(Contains(dialogs_.warnings[0], dst_));
  EXPECT_TRUE(Contains(dialogs_.warnings[0], "stay on disk"));
}

// The dialog blocks the window only: the running scan's question is
// answered, and a scan that comes due starts.
TEST_F(ConfigDlgTest, ScansGoOnWhileTheDialogIsOpen) {
  StoreConfig([](TConfigData& config) {
    config.switches.confirm = true;
    config.SetWaitMinutes(10);
  });
  MakeWindow();
  Click("SpeedButtonStartWaiting");
  TConfigDlg& dialog = Open();
  platform_.AdvanceMinutes(11);
  window_->scan_control().CheckDueTime();
  EXPECT_TRUE(window_->scan_control().scanning());
  TDlgConfirmUpdate& confirm = window_->confirm_dialog();
  ASSERT_TRUE(WaitFor([&confirm] { return confirm.isVisible(); }));
  for (int asked = 0;
       asked < 10 &&
       WaitFor([&] { return confirm.isVisible() || !window_->scan_control().scanning(); }) &&
       confirm.isVisible();
       ++asked) {
    auto* scan = confirm.findChild<QRadioButton*>("RadioButtonScan");
    QTest::mouseClick(scan, Qt::LeftButton, {}, QPoint(6, scan->height() / 2));
    QTest::mouseClick(confirm.findChild<QPushButton*>("ButtonYes"), Qt::LeftButton);
  }
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_TRUE(PathExists(dst_ + "a.txt"));
  EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
}  // namespace qv::testing
