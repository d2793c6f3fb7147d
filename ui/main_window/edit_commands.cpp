#include "ui/main_window/edit_commands.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

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

}  // namespace

TEditEnabling EditEnabling(const QWidget* target, const QPlainTextEdit* log, bool clipboard_text) {
  const TTextState text = TextState(target);
  const bool log_text = target == log && log != nullptr && !log->document()->isEmpty();
  return {text.editable && text.can_undo,
          text.editable && text.selection,
          text.editable && clipboard_text,
          text.selection,
          log_text,
          log_text};
}

TEditCommands::TEditCommands(QPlainTextEdit* log, QObject* parent) : QObject(parent), log_(log) {
  undo_ = Add("&Undo", "MenuUndo", QKeySequence(Qt::CTRL | Qt::Key_Z), "undo");
  cut_ = Add("Cu&t", "MenuCut", QKeySequence(Qt::CTRL | Qt::Key_X), "cut");
  paste_ = Add("&Paste", "MenuPaste", QKeySequence(Qt::CTRL | Qt::Key_V), "paste");
  copy_ = Add("&Copy", "MenuCopy", QKeySequence(Qt::CTRL | Qt::Key_C), "copy");
  copy_all_ = Add("Copy &all", "MenuCopyAll", QKeySequence(), nullptr);
  connect(copy_all_, &QAction::triggered, this, &TEditCommands::CopyAll);
  select_all_ =
      Add("&Select all", "MenuSelectAll", QKeySequence(Qt::CTRL | Qt::Key_A), "selectAll");
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
  const TEditEnabling on = EditEnabling(target, log_, !clipboard->text().isEmpty());
  undo_->setEnabled(on.undo);
  cut_->setEnabled(on.cut);
  paste_->setEnabled(on.paste);
  copy_->setEnabled(on.copy);
  copy_all_->setEnabled(on.copy_all);
  select_all_->setEnabled(on.select_all);
}

void TEditCommands::CopyAll() { QGuiApplication::clipboard()->setText(log_->toPlainText()); }

}  // namespace qv
