#include "ui/config_dialog/config_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "config/config_keys.h"
#include "config/filter.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "config/start_at_logon.h"
#include "log/logger.h"
#include "ui/app/opener.h"
#include "ui/config_dialog/config_grid.h"
#include "ui/config_dialog/general_page.h"
#include "ui/config_dialog/grid_model.h"
#include "ui/dialogs/dialogs.h"

namespace qv {

namespace {

const std::string kDlgKey = std::string(kBaseKey) + "\\ConfigDlg";
constexpr int kMinSide = 64;
// A column fitted to long paths leaves room for the others.
constexpr int kMaxFittedWidth = 360;
constexpr int kTextInsets = 12;

}  // namespace

TConfigDlg::TConfigDlg(const TConfigDlgDeps& deps, QWidget* parent) : QDialog(parent), deps_(deps) {
  setObjectName("ConfigDlg");
  setWindowTitle("Configuration");
  // The confirmation dialog of a running scan stays usable meanwhile.
  setWindowModality(Qt::WindowModal);
  setAcceptDrops(true);
  auto* layout = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->setObjectName("PageControl");
  layout->addWidget(pages_);
  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  // Plain captions, as the program's other dialogs have them.
  for (QAbstractButton* button : buttons->buttons()) button->setIcon(QIcon());
  layout->addWidget(buttons);
  status_ = new QStatusBar(this);
  status_->setObjectName("StatusBarCfg");
  status_->setSizeGripEnabled(false);
  layout->addWidget(status_);
  layout->setContentsMargins(8, 8, 8, 0);
  BuildPages();
  connect(buttons, &QDialogButtonBox::accepted, this, &TConfigDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TConfigDlg::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, &TConfigDlg::Help);
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
          &TConfigDlg::Help);
  connect(pages_, &QTabWidget::currentChanged, this, &TConfigDlg::PageChanged);
  RestoreLayout();
}

TConfigDlg::~TConfigDlg() = default;

void TConfigDlg::done(int result) {
  SaveLayout();
  QDialog::done(result);
}

void TConfigDlg::BuildPages() {
  general_ = new TGeneralPage(
      [this](const std::string& text) { return deps_.dialogs.Confirm(text); }, pages_);
  pages_->addTab(general_, "&General");
  pages_->addTab(ListPage(TCfgPage::kMappings, "TabSheetMappings",
                          "The list of mirrors. Double click on a source or destination to browse "
                          "for a directory. Changes made to a source will be copied to and "
                          "archived on the destination. All sizes can be left empty or specified "
                          "in bytes, KB, MB, GB or TB."),
                 "&Mappings");
  pages_->addTab(ListPage(TCfgPage::kFilters, "TabSheetFilters",
                          "The filters to apply. Double click to browse for a file or directory "
                          "or drop files on the window. Supports relative names,  wildcards *  "
                          "and ?, environment variables and UNC names.  "),
                 "&Filters");
  pages_->addTab(ListPage(TCfgPage::kMinimalAges, "TabSheetMinimalAges",
                          "Source directories updated only when the specified number of minutes "
                          "elapsed since the last update."),
                 "Minimal &ages");
  pages_->addTab(ListPage(TCfgPage::kFileMappings, "TabSheetFileMappings",
                          "Copy a backup of the registry to the active registry on the mirror. "
                          "Sources will be copied twice, once to their normal location and once "
                          "to the destination specified here."),
                 "F&ile mappings");
}

QWidget* TConfigDlg::ListPage(TCfgPage page, const char* name, const char* explanation) {
  auto* widget = new QWidget(pages_);
  widget->setObjectName(name);
  auto* layout = new QVBoxLayout(widget);
  auto* memo = new QLabel(explanation, widget);
  memo->setWordWrap(true);
  memo->setTextFormat(Qt::PlainText);
  layout->addWidget(memo);
  const TListKind kind = *ListOfPage(page);
  TGridServices services{
      deps_.ini,
      deps_.platform,
      deps_.dialogs,
      asked_,
      [this](const std::string& text) { status_->showMessage(QString::fromStdString(text)); },
      [this] { return grid(TListKind::kMappings).MappingRows(); }};
  auto* grid = new TConfigGrid(kind, services, widget);
  connect(grid, &TConfigGrid::helpRequested, this, &TConfigDlg::Help);
  grids_[static_cast<size_t>(kind)] = grid;
  layout->addWidget(grid, 1);
  return widget;
}

TConfigGrid& TConfigDlg::grid(TListKind kind) const { return *grids_[static_cast<size_t>(kind)]; }

void TConfigDlg::RestoreLayout() {
  const QSize screen_size = screen()->size();
  const auto side = [this](const char* name, int fallback, int limit) {
    return std::clamp(deps_.ini.ReadInteger(kDlgKey, name, fallback), kMinSide,
                      std::max(limit, kMinSide));
  };
  resize(side("Width", 760, screen_size.width()), side("Height", 520, screen_size.height()));
  ShowPage(PageOfStoredTab(deps_.ini.ReadInteger(kDlgKey, "TabIndex", 0)));
  for (TConfigGrid* grid : grids_) grid->LoadColumnWidths();
}

void TConfigDlg::SaveLayout() {
  deps_.ini.WriteInteger(kDlgKey, "Width", width());
  deps_.ini.WriteInteger(kDlgKey, "Height", height());
  deps_.ini.WriteInteger(kDlgKey, "TabIndex", StoredTabOf(page()));
  for (TConfigGrid* grid : grids_) grid->SaveColumnWidths();
}

bool TConfigDlg::Fill() {
  TConfigData stored;
  bool read = stored.Load(deps_.ini);
  at_opening_ = GeneralValuesOf(stored, StartsAtLogon(*deps_.platform));
  general_->Show(at_opening_);
  stored_mappings_ = std::make_unique<TMappings>(deps_.ini);
  TLogger discard;
  read = stored_mappings_->Load(discard, nullptr, false, true) && read;
  for (TConfigGrid* grid : grids_) read = grid->Load() && read;
  FillFilters();
  FitColumns();
  return read;
}

void TConfigDlg::FitColumns() {
  for (TConfigGrid* grid : grids_) {
    for (int column = 0; column < grid->grid_model().columnCount(); ++column) {
      if (grid->stored_width(column)) continue;
      grid->resizeColumnToContents(column);
      // The cells draw their texts inset from both sides.
      grid->setColumnWidth(column,
                           std::min(grid->columnWidth(column) + kTextInsets, kMaxFittedWidth));
    }
  }
  // The folders and the files take the rest of their grids' width.
  grid(TListKind::kMinimalAges).horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  QHeaderView* files = grid(TListKind::kFileMappings).horizontalHeader();
  files->setSectionResizeMode(QHeaderView::Stretch);
}

void TConfigDlg::FillFilters() {
  TGridModel& model = grid(TListKind::kFilters).grid_model();
  if (model.rowCount() != 1 || !RowIsEmpty(TListKind::kFilters, model.rows().rows()[0])) return;
  model.SetText(0, 1, FilterTypeName(kIncludedSource));
  model.SetText(0, 2, "*.*");
  model.SetText(0, 3, "false");
  int current = 0;
  model.KeepOneEmptyRow(&current);
}

TCfgPage TConfigDlg::page() const { return static_cast<TCfgPage>(pages_->currentIndex()); }

void TConfigDlg::ShowPage(TCfgPage page) {
  const QSignalBlocker quiet(pages_);
  shown_page_ = static_cast<int>(page);
  pages_->setCurrentIndex(shown_page_);
}

void TConfigDlg::ChoosePage(TCfgPage page) { pages_->setCurrentIndex(static_cast<int>(page)); }

void TConfigDlg::PageChanged(int index) {
  const int left = shown_page_;
  ShowPage(static_cast<TCfgPage>(left));
  if (checking_ || index == left) return;
  Checked([this, left](TDone done) { Check(static_cast<TCfgPage>(left), false, done); },
          [this, index] { ShowPage(static_cast<TCfgPage>(index)); });
}

void TConfigDlg::Checked(std::function<void(TDone)> check, std::function<void()> passed) {
  checking_ = true;
  // After the edits already queued, whose checks would replace these.
  QMetaObject::invokeMethod(
      this,
      [this, check = std::move(check), passed = std::move(passed)] {
        check([this, passed](bool ok) {
          checking_ = false;
          if (ok) passed();
        });
      },
      Qt::QueuedConnection);
}

void TConfigDlg::Help() { deps_.open.OpenHelpPage(HelpPageOf(page())); }

void TConfigDlg::accept() {
  if (!checking_) Checked([this](TDone done) { CheckFrom(0, done); }, [this] { Finish(); });
}

void TConfigDlg::Finish() {
  edit_.at_opening = at_opening_;
  edit_.edited = general_->Values();
  edit_.lists.clear();
  for (TConfigGrid* grid : grids_) {
    const TListEdit list = grid->Edit();
    edit_.lists.push_back({list.snapshot, list.rows});
  }
  edit_.mappings_changed = mappings_changed_;
  QDialog::accept();
}

}  // namespace qv
