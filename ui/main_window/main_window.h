#ifndef QUORVANE_UI_MAIN_WINDOW_MAIN_WINDOW_H_
#define QUORVANE_UI_MAIN_WINDOW_MAIN_WINDOW_H_

#include <QMainWindow>
#include <QPoint>
#include <functional>
#include <memory>
#include <string>

#include "config/config_data.h"
#include "ui/app/opener.h"
#include "ui/logic/command_line.h"
#include "ui/logic/config_edit.h"
#include "ui/logic/confirm_panel.h"
#include "ui/tray/tray_control.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;

namespace qv {

class Platform;
class TConfigApply;
class TConfigDlg;
class TDialogs;
class TEditCommands;
class TDlgConfirmUpdate;
class TIdleTime;
class TLog;
class TLogStatsSplit;
class TLogView;
class TMapping;
class TMappings;
class TQVIniFile;
class TScanControl;
class TSettingToggles;
class TStatisticsMenu;
class TStatsLayout;
class TStatsPanel;
class TToolBar;
class TWindowPlacement;
class TWindowVisibility;

struct TMainWindowDeps {
  Platform& platform;
  std::string settings_path;
  TDialogs& dialogs;
  TOpener& opener;
  std::string executable;  // the running program's full path
  TCommandLine options;
  // The last input time that pauses a scan hidden in the tray; nullptr: never.
  TIdleTime* idle = nullptr;
  // The tray icon; none given: the desktop's.
  std::function<std::unique_ptr<TTray>()> make_tray = nullptr;
  TTrayTimings tray_timings = {};
};

// The program's only long-lived window: tool bar with gauge, log view and
// status bar over the settings store, the log buffer and the scan control.
// Its title, buttons and menus follow the scan's state.
class TMainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Opens (on the first start: creates) the settings store and loads the
  // configuration with the command line's options applied (never saved).
  explicit TMainWindow(const TMainWindowDeps& deps, QWidget* parent = nullptr);
  ~TMainWindow() override;

  // After the window was created: /START schedules from the last scan,
  // otherwise the window is idle and no timer runs.
  void Begin();
  // After the window was created: adds the tray icon and shows the window,
  // or with /START hides it into the tray (minimised without one).
  void ShowAtStart();
  // "&View Quorvane": shown, restored and brought to the front.
  void View();

  TScanControl& scan_control() { return *scan_control_; }
  TLog& log() { return *log_; }
  TLogView& log_view() { return *log_view_; }
  const TConfigData& config() const { return config_; }
  TTrayControl& tray() { return *tray_; }
  TWindowVisibility& visibility() { return *visibility_; }
  // The mirrors as last read: at creation, when shown, when a scan starts.
  const TMappings& mappings() const { return *mappings_; }
  TSettingToggles& setting_toggles() { return *toggles_; }
  // Takes what the configuration dialog's OK hands over.
  TConfigApply& config_apply() { return *config_apply_; }
  // The log view's context menu for a click at position (viewport
  // coordinates), filled into menu.
  void FillLogContextMenu(QMenu* menu, const QPoint& position);
  // Where the statistics panel adds its commands; it holds the "Clear archive
  // info" submenu, one entry per mirror (AskClearArchiveInfo).
  QMenu* statistics_menu() const { return statistics_menu_; }
  // Its switches, the panel's context menu and the mirror list's double click.
  TStatisticsMenu& statistics_commands() { return *statistics_commands_; }
  TDlgConfirmUpdate& confirm_dialog() { return *confirm_; }
  // Above the log, in one splitter with it.
  TStatsPanel& stats_panel() { return *stats_panel_; }
  // Which of the log and the statistics panel show.
  TLogStatsSplit& log_stats_split() { return *split_; }
  // "C&onfiguration...": the dialog, window-modal; the one open is shown
  // again instead of a second. OK emits configurationAccepted.
  void OpenConfiguration();
  // The dialog while it is open; null otherwise.
  TConfigDlg* config_dialog() const { return config_dlg_; }

 public slots:
  // After the configuration changed: the mirrors read again and the
  // statistics loaded anew.
  void ConfigurationChanged();

 signals:
  // The close was accepted: the program may end.
  void closed();
  // The configuration dialog closed with OK; nothing of it is saved yet.
  void configurationAccepted(const TConfigEdit& edit);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildFileMenu();
  void BuildScannerMenu();
  QMenu* AddLastLogsMenu(QMenu* parent, const char* caption, const char* name);
  void FillLastLogs(QMenu* menu);
  void ShowLogContextMenu(const QPoint& position);
  // The mirror of destination as last read; null when it is gone.
  TMapping* MappingOf(const std::string& destination) const;
  void AcceptVolume(const std::string& destination);
  void ClearArchiveInfo(const std::string& destination);
  void BuildTray(const TMainWindowDeps& deps);
  void ReloadMappings();
  // The mirrors as stored now into the statistics panel; asks their drives.
  // Hidden in the tray it only marks the panel stale, loaded when shown.
  void LoadStatistics();
  // Neither closing nor hidden in the tray (which marks the panel stale).
  bool StatsDrawable();
  // The stored counters of the mirror that owns archive_dir changed.
  void UpdateMirrorStats(const std::string& archive_dir);
  void ShowRunningMirror();
  void BuildConfirm();
  void PrepareConfirm(const TConfirmQuestion& question);
  void ShowPendingConfirm();
  QMenu* BuildLogMenu();
  void ShowState();
  // Enabled mirrors without a good scan within HealthMaxAge.
  int OverdueMirrors();
  void WatchHealth();
  void ShowProgress(qint64 done, qint64 total, qint64 count);
  void SetStatusText(const QString& text);
  void FocusLog();
  void OpenLastLog();
  void OpenFolderBelowCursor();
  void FindFolderBelowCursor(const std::string& line, int offset);
  void ShowAbout();
  void TellHowToAddMirror();
  void BuildConfigurationCommand();

  Platform& platform_;
  TDialogs& dialogs_;
  TOpenService open_;
  const std::string settings_path_;
  const std::string executable_;
  const TCommandLine options_;
  TIdleTime* const idle_;
  std::unique_ptr<TQVIniFile> ini_;
  std::unique_ptr<TLog> log_;
  TConfigData config_;  // effective: command-line options included
  std::unique_ptr<TMappings> mappings_;
  // Destroyed before the log and the store, which the scan thread and the
  // view use (a child deleted first leaves its parent by itself).
  std::unique_ptr<TScanControl> scan_control_;
  std::unique_ptr<TLogView> log_view_;
  std::unique_ptr<TWindowPlacement> placement_;
  std::unique_ptr<TTrayControl> tray_;
  TWindowVisibility* visibility_ = nullptr;
  // Created hidden, reused for every question; destroyed before the scan.
  std::unique_ptr<TDlgConfirmUpdate> confirm_;
  bool confirm_pending_ = false;  // a prepared question waits to be shown
  TToolBar* tool_bar_;
  QSplitter* splitter_ = nullptr;
  TStatsPanel* stats_panel_ = nullptr;
  TLogStatsSplit* split_ = nullptr;
  std::unique_ptr<TStatsLayout> stats_layout_;
  bool stats_stale_ = false;  // a load waits for the window to be shown
  bool closing_ = false;      // a close was asked for: no more refreshes
  QLabel* file_count_;
  QLabel* status_;
  qint64 shown_count_ = -1;
  int shown_overdue_ = 0;  // in the title
  TSettingToggles* toggles_ = nullptr;
  std::unique_ptr<TConfigApply> config_apply_;
  TEditCommands* edit_commands_ = nullptr;
  TEditCommands* context_edit_ = nullptr;
  QAction* configuration_ = nullptr;  // disabled until the dialog exists
  QMenu* statistics_menu_ = nullptr;
  TStatisticsMenu* statistics_commands_ = nullptr;
  QAction* folder_below_cursor_ = nullptr;
  QAction* view_log_ = nullptr;
  QAction* view_stats_ = nullptr;
  QAction* scanner_start_ = nullptr;
  QAction* scanner_stop_ = nullptr;
  QAction* scanner_start_timer_ = nullptr;
  TConfigDlg* config_dlg_ = nullptr;  // owned by the window while open
  // The configuration grids' checks share it: one left hanging outlives the
  // dialog, and this wrapper with it.
  std::shared_ptr<Platform> check_platform_;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_MAIN_WINDOW_H_
