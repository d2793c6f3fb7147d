#ifndef QUORVANE_UI_MAIN_WINDOW_EDIT_COMMANDS_H_
#define QUORVANE_UI_MAIN_WINDOW_EDIT_COMMANDS_H_

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QPlainTextEdit;
class QTableView;
class QWidget;

namespace qv {

class TStatsPanel;

// Which edit commands apply to a widget.
struct TEditEnabling {
  bool undo = false;
  bool cut = false;
  bool paste = false;
  bool copy = false;
  bool copy_all = false;
  bool select_all = false;
  bool operator==(const TEditEnabling&) const = default;
};

// Undo, cut and paste need an editable field (never the read-only log
// view); copy a selection; copy all and select all the log view with text,
// or a chart of panel (which also copies its selected cells).
TEditEnabling EditEnabling(const QWidget* target, const QPlainTextEdit* log, bool clipboard_text,
                           const TStatsPanel* panel = nullptr);

// The edit commands of one menu ("&Undo" ... "&Select all"), acting on the
// widget given when the menu opens.
class TEditCommands : public QObject {
  Q_OBJECT

 public:
  // panel: its charts are targets too; null: only text widgets are.
  TEditCommands(QPlainTextEdit* log, QObject* parent, TStatsPanel* panel = nullptr);
  // Adds the actions to menu.
  void AddTo(QMenu* menu) const;
  // Enables the actions for target (the focused widget, or the log view).
  void Aim(QWidget* target);

 private:
  QAction* Add(const char* caption, const char* name, const QKeySequence& keys, const char* slot);
  void Copy();
  void CopyAll();
  void SelectAll();
  bool AimedAtChart() const;

  QPlainTextEdit* const log_;
  TStatsPanel* const panel_;
  QPointer<QWidget> target_;
  QAction* undo_;
  QAction* cut_;
  QAction* paste_;
  QAction* copy_;
  QAction* copy_all_;
  QAction* select_all_;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_EDIT_COMMANDS_H_
