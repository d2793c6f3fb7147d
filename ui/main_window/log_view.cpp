#include "ui/main_window/log_view.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "log/log_buffer.h"
#include "ui/dialogs/dialogs.h"

namespace qv {

TLogView::TLogView(TLog& log, TDialogs& dialogs, QWidget* parent)
    : QPlainTextEdit(parent), log_(log), dialogs_(dialogs) {
  setObjectName("RichEditLog");
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setUndoRedoEnabled(false);
  TLogCallbacks callbacks;
  callbacks.appended = [this](const std::string& piece) { Append(piece); };
  callbacks.reset = [this] { Reload(); };
  callbacks.status = [this](const std::string& text) {
    if (status_) status_(text);
  };
  callbacks.log_saved = [this] {
    if (log_saved_) log_saved_();
  };
  callbacks.error_box = [this](const std::string& text) { ShowErrorLater(text); };
  log_.set_callbacks(std::move(callbacks));
  Reload();
}

TLogView::~TLogView() { log_.set_callbacks({}); }

void TLogView::Append(const std::string& piece) {
  QScrollBar* bar = verticalScrollBar();
  const bool at_bottom = bar->value() == bar->maximum();
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(QString::fromStdString(piece));
  if (at_bottom && !minimised_) bar->setValue(bar->maximum());
}

void TLogView::Reload() {
  setPlainText(QString::fromStdString(log_.text()));
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TLogView::ShowErrorLater(const std::string& text) {
  QMetaObject::invokeMethod(
      this, [this, text] { dialogs_.Error(text); }, Qt::QueuedConnection);
}

namespace {

std::string LineOf(const QTextCursor& cursor, int* offset) {
  const QString line = cursor.block().text();
  *offset = static_cast<int>(line.left(cursor.positionInBlock()).toUtf8().size());
  return line.toStdString();
}

}  // namespace

std::string TLogView::CaretLine(int* offset) const { return LineOf(textCursor(), offset); }

std::string TLogView::LineAt(const QPoint& position, int* offset) const {
  return LineOf(cursorForPosition(position), offset);
}

}  // namespace qv
