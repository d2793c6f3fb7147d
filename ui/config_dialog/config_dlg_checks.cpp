// The dialog's checks: one per page, run when the page is left and, on OK,
// all of them in page order.
#include <utility>

#include "ui/config_dialog/config_dlg.h"
#include "ui/config_dialog/config_grid.h"
#include "ui/config_dialog/general_page.h"
#include "ui/dialogs/dialogs.h"

namespace qv {

namespace {

TValidationMode ModeOf(bool closing) {
  TValidationMode mode;
  mode.accept_stored = true;
  mode.against_rows = true;
  mode.at_ok = closing;
  return mode;
}

}  // namespace

void TConfigDlg::CheckFrom(int page, TDone done) {
  if (page >= kCfgPageCount) return done(true);
  Check(static_cast<TCfgPage>(page), true, [this, page, done](bool ok) {
    if (!ok) {
      if (page != static_cast<int>(TCfgPage::kGeneral)) ShowPage(static_cast<TCfgPage>(page));
      return done(false);
    }
    CheckFrom(page + 1, done);
  });
}

void TConfigDlg::Check(TCfgPage page, bool closing, TDone done) {
  switch (page) {
    case TCfgPage::kGeneral:
      return CheckGeneral(std::move(done));
    case TCfgPage::kMappings:
      return CheckMappings(closing, std::move(done));
    case TCfgPage::kFilters:
      return CheckFilters(closing, std::move(done));
    case TCfgPage::kMinimalAges:
    case TCfgPage::kFileMappings:
      break;
  }
  grid(*ListOfPage(page)).ValidateAll(ModeOf(closing), std::move(done));
}

void TConfigDlg::CheckGeneral(TDone done) {
  const bool disabled_at_opening = !at_opening_.switches.auto_filter;
  if (!deps_.scanning() || general_->auto_filter_disabled() == disabled_at_opening) {
    return done(true);
  }
  const bool restore = deps_.dialogs.Confirm(kRestoreAutoFilterQuestion);
  general_->set_auto_filter_disabled(disabled_at_opening);
  done(restore);
}

void TConfigDlg::CheckMappings(bool closing, TDone done) {
  mappings_changed_ = false;
  TConfigGrid& mappings = grid(TListKind::kMappings);
  mappings.ValidateAll(ModeOf(closing), [this, &mappings, done](bool ok) {
    if (!ok) return done(false);
    const TListEdit edit = mappings.Edit();
    mappings_changed_ = MappingsChanged(edit.snapshot.rows, edit.rows);
    if (mappings_changed_ && deps_.scanning() && !deps_.dialogs.Warn(kStopForMappingsWarning)) {
      return done(false);
    }
    done(true);
  });
}

void TConfigDlg::CheckFilters(bool closing, TDone done) {
  TConfigGrid& filters = grid(TListKind::kFilters);
  filters.ValidateAll(ModeOf(closing), [this, &filters, done](bool ok) {
    if (!ok) return done(false);
    const std::optional<std::string> question = ExcludedBeforeIncludedQuestion(filters.Edit().rows);
    done(!question || deps_.dialogs.Confirm(*question));
  });
}

}  // namespace qv
