#include "ui/main_window/edit_commands.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextEdit>

#include "ui/stats_panel/stats_panel.h"

namespace qv {

namespace {

// What a text widget offers; a widget of another kind offers nothing.
struct TTextState {
  bool editable = false;
  bool can_undo = false;
  bool selection = false;
};

TTextState TextState(const QWidget* widget) {
  if (const auto* line = qobject_cast<const QLineEdit*>(widget)) {
    return {!line->isReadOnly(), line->isUndoAvailable(), line->hasSelectedText()};
  }
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) {
    return {!plain->isReadOnly(), plain->document()->isUndoAvailable(),
            plain->textCursor().hasSelection()};
  }
  if (const auto* rich = qobject_cast<const QTextEdit*>(widget)) {
    return {!rich->isReadOnly(), rich->document()->isUndoAvailable(),
            rich->textCursor().hasSelection()};
  }
  if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget)) {
    return {!spin->isReadOnly(), false, false};
  }
  return {};
}

// The chart of panel that target is, or null.
const QTableView* ChartOf(const QWidget* target, const TStatsPanel* panel) {
  if (panel == nullptr || target == nullptr) return nullptr;
  for (const TChartKind kind : {TChartKind::kFiles, TChartKind::kSizes}) {
    if (target == &panel->view(kind)) return &panel->view(kind);
  }
  return nullptr;
}

}  // namespace

TEditEnabling EditEnabling(const QWidget* target, const QPlainTextEdit* log, bool clipboard_text,
                           const TStatsPanel* panel) {
  if (const QTableView* chart = ChartOf(target, panel)) {
    return {false, false, false, chart->selectionModel()->hasSelection(), true, true};
  }
  const TTextState text = TextState(target);
  const bool log_text = target == log && log != nullptr && !log->document()->isEmpty();
  return {text.editable && text.can_undo,
          text.editable && text.selection,
          text.editable && clipboard_text,
          text.selection,
          log_text,
          log_text};
}

TEditCommands::TEditCommands(QPlainTextEdit* log, QObject* parent, TStatsPanel* panel)
    : QObject(parent), log_(log), panel_(panel) {
  undo_ = Add("&Undo", "MenuUndo", QKeySequence(Qt::CTRL | Qt::Key_Z), "undo");
  cut_ = Add("Cu&t", "MenuCut", QKeySequence(Qt::CTRL | Qt::Key_X), "cut");
  paste_ = Add("&Paste", "MenuPaste", QKeySequence(Qt::CTRL | Qt::Key_V), "paste");
  copy_ = Add("&Copy", "MenuCopy", QKeySequence(Qt::CTRL | Qt::Key_C), nullptr);
  connect(copy_, &QAction::triggered, this, &TEditCommands::Copy);
  copy_all_ = Add("Copy &all", "MenuCopyAll", QKeySequence(), nullptr);
  connect(copy_all_, &QAction::triggered, this, &TEditCommands::CopyAll);
  select_all_ = Add("&Select all", "MenuSelectAll", QKeySequence(Qt::CTRL | Qt::Key_A), nullptr);
  connect(select_all_, &QAction::triggered, this, &TEditCommands::SelectAll);
}

QAction* TEditCommands::Add(const char* caption, const char* name, const QKeySequence& keys,
                            const char* slot) {
  auto* action = new QAction(caption, this);
  action->setObjectName(name);
  action->setShortcut(keys);
  // The focused widget takes its own keys first; the menu's entries act
  // on the widget they were enabled for.
  action->setShortcutContext(Qt::WidgetShortcut);
  if (slot != nullptr) {
    connect(action, &QAction::triggered, this, [this, slot] {
      if (target_ != nullptr) QMetaObject::invokeMethod(target_, slot);
    });
  }
  return action;
}

void TEditCommands::AddTo(QMenu* menu) const {
  menu->addActions({undo_, cut_, paste_, copy_, copy_all_, select_all_});
}

void TEditCommands::Aim(QWidget* target) {
  target_ = target;
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const TEditEnabling on = EditEnabling(target, log_, !clipboard->text().isEmpty(), panel_);
  undo_->setEnabled(on.undo);
  cut_->setEnabled(on.cut);
  paste_->setEnabled(on.paste);
  copy_->setEnabled(on.copy);
  copy_all_->setEnabled(on.copy_all);
  select_all_->setEnabled(on.select_all);
}

bool TEditCommands::AimedAtChart() const { return ChartOf(target_, panel_) != nullptr; }

// A chart copies its cells as text; a text widget copies by itself.
void TEditCommands::Copy() {
  if (AimedAtChart()) return panel_->Copy();
  if (target_ != nullptr) QMetaObject::invokeMethod(target_, "copy");
}

void TEditCommands::CopyAll() {
  if (AimedAtChart()) return panel_->CopyAll();
  QGuiApplication::clipboard()->setText(log_->toPlainText());
}

void TEditCommands::SelectAll() {
  if (AimedAtChart()) return panel_->SelectAll();
  if (target_ != nullptr) QMetaObject::invokeMethod(target_, "selectAll");
}

}  // namespace qv
