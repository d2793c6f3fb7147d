#include "ui/dialogs/confirm_update.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "config/filter.h"
#include "config/filter_store.h"
#include "ui/app/opener.h"
#include "ui/dialogs/dialogs.h"
#include "ui/logic/folder_below_cursor.h"
#include "ui/logic/help_pages.h"

namespace qv {

namespace {

constexpr char kSavedFilter[] = "Saved filter. The filter will be used starting the next mirror.";

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Tooltips take markup whenever a text looks like it; a path is escaped and
// marked up, so that "&" and "<b>" read as they are.
QString PlainTip(const std::string& text) {
  if (text.empty()) return {};
  return "<p style='white-space:pre'>" + Q(text).toHtmlEscaped() + "</p>";
}

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace

TDlgConfirmUpdate::TDlgConfirmUpdate(const TConfirmUpdateDeps& deps, QWidget* parent)
    : QDialog(parent),
      platform_(deps.platform),
      ini_(deps.ini),
      dialogs_(deps.dialogs),
      open_(deps.open) {
  setObjectName("DlgConfirmUpdate");
  setWindowTitle("Confirm update destination");
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  message_ = Named(new QPlainTextEdit(this), "RichEditMsg");
  message_->setReadOnly(true);
  // Paths have no blanks to break at.
  message_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  message_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  layout->addWidget(message_);
  BuildAnswerPart(*layout);
  BuildFilterPanel(*layout);
  status_ = Named(new QStatusBar(this), "StatusBar");
  status_->setSizeGripEnabled(false);
  layout->addWidget(status_);
}

void TDlgConfirmUpdate::BuildAnswerPart(QVBoxLayout& layout) {
  auto* row = new QHBoxLayout;
  auto* scope = new QGroupBox("Apply answer to", this);
  auto* radios = new QVBoxLayout(scope);
  this_update_ = Named(new QRadioButton("This &update", scope), "RadioButtonThis");
  dirs_ = Named(new QRadioButton(scope), "RadioButtonDirs");
  mirror_ = Named(new QRadioButton("Remainder of &mirror", scope), "RadioButtonMirror");
  scan_ = Named(new QRadioButton("Remainder of s&can", scope), "RadioButtonScan");
  for (QRadioButton* radio : {this_update_, dirs_, mirror_, scan_}) radios->addWidget(radio);
  this_update_->setChecked(true);
  row->addWidget(scope, 1);

  auto* buttons = new QVBoxLayout;
  yes_ = Named(new QPushButton("&Yes", this), "ButtonYes");
  yes_->setDefault(true);
  auto* no = Named(new QPushButton("&No", this), "ButtonNo");
  auto* terminate = Named(new QPushButton("&Terminate", this), "ButtonTerminate");
  auto* help = Named(new QPushButton("&Help", this), "ButtonHelp");
  for (QPushButton* button : {yes_, no, terminate, help}) buttons->addWidget(button);
  buttons->addStretch();
  row->addLayout(buttons);
  layout.addLayout(row);

  connect(yes_, &QPushButton::clicked, this, [this] { Close(true, false); });
  connect(no, &QPushButton::clicked, this, [this] { Close(false, false); });
  connect(terminate, &QPushButton::clicked, this, [this] { Close(false, true); });
  connect(help, &QPushButton::clicked, this, [this] { open_.OpenHelpPage(kHelpCfgGenConfirm); });
}

void TDlgConfirmUpdate::BuildFilterPanel(QVBoxLayout& layout) {
  filter_panel_ = Named(new QGroupBox("Add filter for next mirror", this), "PanelFilter");
  auto* grid = new QGridLayout(filter_panel_);
  filter_source_ =
      Named(new QRadioButton("Excluded &Source", filter_panel_), "RadioButtonFilterSource");
  filter_dest_ =
      Named(new QRadioButton("Excluded &destination", filter_panel_), "RadioButtonFilterDest");
  filter_text_ = Named(new QLineEdit(filter_panel_), "RichEditFilter");
  filter_enabled_ = Named(new QCheckBox("&Enabled", filter_panel_), "CheckBoxFilterEnabled");
  add_filter_ = Named(new QPushButton("&Add Filter", filter_panel_), "ButtonAddFilter");
  auto* open_dest =
      Named(new QPushButton("Open destination &folder", filter_panel_), "ButtonOpenDestDir");
  open_source_ =
      Named(new QPushButton("&Open source folder", filter_panel_), "ButtonOpenSourceDir");
  grid->addWidget(filter_source_, 0, 0);
  grid->addWidget(filter_dest_, 0, 1);
  grid->addWidget(filter_enabled_, 0, 2);
  grid->addWidget(filter_text_, 1, 0, 1, 3);
  grid->addWidget(add_filter_, 2, 0);
  grid->addWidget(open_dest, 2, 1);
  grid->addWidget(open_source_, 2, 2);
  layout.addWidget(filter_panel_);

  // The standard editing menu, and help.
  filter_text_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(filter_text_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu* menu = filter_text_->createStandardContextMenu();
    menu->addSeparator();
    menu->addAction("&Help", this, [this] { open_.OpenHelpPage(kHelpCfgGenConfirm); });
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(filter_text_->mapToGlobal(at));
  });
  connect(filter_text_, &QLineEdit::textChanged, this,
          [this](const QString& text) { add_filter_->setEnabled(!text.isEmpty()); });
  connect(filter_source_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) SwitchFilterSide(true);
  });
  connect(filter_dest_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) SwitchFilterSide(false);
  });
  connect(add_filter_, &QPushButton::clicked, this, &TDlgConfirmUpdate::AddFilter);
  connect(open_dest, &QPushButton::clicked, this, [this] { OpenFolder(destination_); });
  connect(open_source_, &QPushButton::clicked, this, [this] { OpenFolder(source_); });
}

void TDlgConfirmUpdate::Prepare(const TConfirmQuestion& question, const TMappings* mappings,
                                TAnswerSink answer) {
  const TConfirmPanel panel = PlanConfirmPanel(question, mappings);
  mappings_ = mappings;
  flags_ = question.flags;
  source_ = panel.source;
  destination_ = question.destination;
  message_->setPlainText(Q(question.question));
  this_update_->setChecked(true);
  dirs_->setText(Q(panel.dirs_caption));
  dirs_->setToolTip(PlainTip(panel.dirs_hint));
  dirs_->setStatusTip(Q(panel.dirs_hint));
  filter_panel_->setVisible(panel.filter_panel);
  // Set before the radio buttons, whose switch would convert the text.
  filter_text_->setText(Q(panel.filter_text));
  {
    const QSignalBlocker source_blocker(filter_source_);
    const QSignalBlocker dest_blocker(filter_dest_);
    (panel.filter_source_checked ? filter_source_ : filter_dest_)->setChecked(true);
  }
  filter_source_->setEnabled(panel.source_enabled);
  open_source_->setEnabled(panel.source_enabled);
  filter_enabled_->setChecked(true);
  SetFilterHints(panel.source, question.destination);
  status_->clearMessage();
  FitSize();
  answer_ = std::move(answer);
}

void TDlgConfirmUpdate::FitSize() {
  // As wide as the longest line, up to most of the screen; as high as the
  // question's lines then need.
  const QFontMetrics metrics = message_->fontMetrics();
  const int chrome =
      2 * message_->frameWidth() + static_cast<int>(2 * message_->document()->documentMargin()) + 8;
  const QScreen* screen =
      this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  const int widest = screen->availableGeometry().width() * 3 / 4;
  int width = 0;
  for (const QString& line : message_->toPlainText().split('\n')) {
    width = std::max(width, metrics.horizontalAdvance(line));
  }
  width = std::min(width + chrome, widest);
  message_->setMinimumWidth(width);
  int lines = 0;
  for (const QString& line : message_->toPlainText().split('\n')) {
    lines += std::max(1, (metrics.horizontalAdvance(line) + width - chrome - 1) / (width - chrome));
  }
  message_->setFixedHeight(lines * metrics.lineSpacing() + chrome);
  adjustSize();
}

void TDlgConfirmUpdate::ShowWaiting() {
  if (!waiting()) return;
  if (!isVisible()) {
    const QRect screen =
        (this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen())
            ->availableGeometry();
    move(screen.center() - rect().center());
  }
  show();
  raise();
  activateWindow();
}

void TDlgConfirmUpdate::Forget() {
  answer_ = nullptr;
  mappings_ = nullptr;
  hide();
}

TConfirmScope TDlgConfirmUpdate::Scope() const {
  if (dirs_->isChecked()) return TConfirmScope::kDirectory;
  if (mirror_->isChecked()) return TConfirmScope::kMirror;
  if (scan_->isChecked()) return TConfirmScope::kScan;
  return TConfirmScope::kThisUpdate;
}

void TDlgConfirmUpdate::Close(bool yes, bool terminate) {
  TAnswerSink answer = std::move(answer_);
  const uint16_t flags = AnswerFlags(flags_, yes, Scope(), terminate);
  Forget();
  if (!answer) return;
  answer(yes, flags);
  if (terminate) emit terminateChosen();
}

void TDlgConfirmUpdate::reject() {
  // Escape: "&No" for this update only.
  this_update_->setChecked(true);
  Close(false, false);
}

void TDlgConfirmUpdate::closeEvent(QCloseEvent* event) {
  // The close box: as Escape. Hiding through Forget closes nothing.
  if (waiting()) reject();
  event->accept();
}

bool TDlgConfirmUpdate::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    status_->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QDialog::event(event);
}

void TDlgConfirmUpdate::SetFilterHints(const std::string& source, const std::string& destination) {
  filter_source_->setToolTip(PlainTip(source));
  filter_source_->setStatusTip(Q(source));
  filter_dest_->setToolTip(PlainTip(destination));
  filter_dest_->setStatusTip(Q(destination));
}

void TDlgConfirmUpdate::SwitchFilterSide(bool to_source) {
  if (mappings_ == nullptr) return;
  const std::string text = filter_text_->text().toStdString();
  const std::string converted = ConvertFilterText(text, to_source, *mappings_);
  filter_text_->setText(Q(converted));
  if (to_source) {
    SetFilterHints(converted, text);
  } else {
    SetFilterHints(text, converted);
  }
}

void TDlgConfirmUpdate::AddFilter() {
  const std::string text = filter_text_->text().toStdString();
  if (text.empty()) {
    filter_text_->setFocus();
    return;
  }
  const int type = filter_source_->isChecked() ? kExcludedSource : kExcludedDestination;
  if (SaveNewFilter(ini_, text, filter_enabled_->isChecked(), type, true,
                    [this](const std::string& error) { dialogs_.Error(error); })) {
    dialogs_.Inform(kSavedFilter);
  }
}

void TDlgConfirmUpdate::OpenFolder(const std::string& path) {
  if (path.empty()) return;
  open_.OpenFolder(DeepestExistingFolder(path, platform_));
}

}  // namespace qv
