#ifndef QUORVANE_UI_CONFIG_DIALOG_CONFIG_DLG_H_
#define QUORVANE_UI_CONFIG_DIALOG_CONFIG_DLG_H_

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/logic/asked_questions.h"
#include "ui/logic/config_dlg_rules.h"
#include "ui/logic/config_edit.h"

class QStatusBar;
class QTabWidget;

namespace qv {

class Platform;
class TConfigGrid;
class TDialogs;
class TGeneralPage;
class TMappings;
class TOpenService;
class TQVIniFile;

struct TConfigDlgDeps {
  TQVIniFile& ini;
  // Shared with the grids' checks, which may outlive the dialog.
  std::shared_ptr<Platform> platform;
  TDialogs& dialogs;
  TOpenService& open;  // the help pages
  // A scan runs now.
  std::function<bool()> scanning;
};

// The configuration dialog: the general settings and the four lists, each
// page checked when it is left and all in page order on OK. It saves
// nothing: after OK, edit() holds what the window applies.
class TConfigDlg : public QDialog {
  Q_OBJECT

 public:
  TConfigDlg(const TConfigDlgDeps& deps, QWidget* parent);
  ~TConfigDlg() override;

  // Reads the stored configuration into the pages; false when the store
  // failed (reported).
  bool Fill();
  // Valid after OK.
  const TConfigEdit& edit() const { return edit_; }

  TCfgPage page() const;
  // Shows page as if the user chose it, after the current page's check.
  void ChoosePage(TCfgPage page);
  // Shows page without a check.
  void ShowPage(TCfgPage page);
  TConfigGrid& grid(TListKind kind) const;
  TGeneralPage& general_page() const { return *general_; }
  // A page change or OK waits for a check to answer.
  bool checking() const { return checking_; }
  // The help page of the current page.
  void Help();
  // Offers each path for exclusion, as a drop on the main window does, from
  // the stored mirrors, then from the edited ones; each accepted path
  // becomes a filters row and the filters page current.
  void AddDroppedPaths(const std::vector<std::string>& paths);

  // Runs every check in page order; closes when all pass.
  void accept() override;
  // Closing stores the size, the page and the grids' column widths: the
  // window may destroy the dialog after its store.
  void done(int result) override;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  using TDone = std::function<void(bool)>;

  void BuildPages();
  QWidget* ListPage(TCfgPage page, const char* name, const char* explanation);
  void RestoreLayout();
  void SaveLayout();
  void FillFilters();
  // Columns without a stored width fit their texts.
  void FitColumns();
  void PageChanged(int index);
  // The check of page; closing: on OK.
  void Check(TCfgPage page, bool closing, TDone done);
  void CheckGeneral(TDone done);
  void CheckMappings(bool closing, TDone done);
  void CheckFilters(bool closing, TDone done);
  void CheckFrom(int page, TDone done);
  // Runs check once the event loop turns; passed when it passes.
  void Checked(std::function<void(TDone)> check, std::function<void()> passed);
  void Finish();
  std::unique_ptr<TMappings> EditedMappings() const;
  void AddFilterRow(int type, std::string path);

  TConfigDlgDeps deps_;
  TAskedQuestions asked_;
  QTabWidget* pages_;
  QStatusBar* status_;
  TGeneralPage* general_;
  std::array<TConfigGrid*, 4> grids_{};
  std::unique_ptr<TMappings> stored_mappings_;
  TGeneralValues at_opening_;
  TConfigEdit edit_;
  bool mappings_changed_ = false;
  bool checking_ = false;
  int shown_page_ = 0;
};

}  // namespace qv

#endif  // QUORVANE_UI_CONFIG_DIALOG_CONFIG_DLG_H_
