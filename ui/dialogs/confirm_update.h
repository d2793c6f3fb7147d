#ifndef QUORVANE_UI_DIALOGS_CONFIRM_UPDATE_H_
#define QUORVANE_UI_DIALOGS_CONFIRM_UPDATE_H_

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/scan_gate.h"
#include "ui/logic/confirm_panel.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QVBoxLayout;
class QWidget;

namespace qv {

class Platform;
class TDialogs;
class TMappings;
class TOpenService;
class TQVIniFile;

// What the dialog works with; all outlive it.
struct TConfirmUpdateDeps {
  Platform& platform;
  TQVIniFile& ini;  // where "&Add Filter" stores
  TDialogs& dialogs;
  TOpenService& open;
};

// The scan thread's question about one update of a destination: how far the
// answer reaches, and a filter for later mirrors. Not modal, created hidden
// and reused; one question at a time. Closing it any other way than with a
// button answers "&No" for this update only.
//
// Main thread only.
class TDlgConfirmUpdate : public QDialog {
  Q_OBJECT

 public:
  // Receives the answer: yes, and the question's flags with the scope applied.
  using TAnswerSink = std::function<void(bool yes, uint16_t flags)>;

  TDlgConfirmUpdate(const TConfirmUpdateDeps& deps, QWidget* parent = nullptr);

  // Fills the dialog for question; it waits to be shown. mappings may be
  // null (then no filter panel) and must stay valid while it waits.
  void Prepare(const TConfirmQuestion& question, const TMappings* mappings, TAnswerSink answer);
  // The scan ended or stops: hidden, and a later click answers nobody.
  void Forget();
  bool waiting() const { return static_cast<bool>(answer_); }
  // Shown centred on the screen, in front.
  void ShowWaiting();

 signals:
  // The user chose "&Terminate" (after the answer went out).
  void terminateChosen();

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void BuildAnswerPart(QVBoxLayout& layout);
  void BuildFilterPanel(QVBoxLayout& layout);
  void Close(bool yes, bool terminate);
  TConfirmScope Scope() const;
  void SwitchFilterSide(bool to_source);
  void SetFilterHints(const std::string& source, const std::string& destination);
  void AddFilter();
  void OpenFolder(const std::string& path);
  void FitSize();

  Platform& platform_;
  TQVIniFile& ini_;
  TDialogs& dialogs_;
  TOpenService& open_;
  const TMappings* mappings_ = nullptr;
  TAnswerSink answer_;
  uint16_t flags_ = 0;
  std::string source_;
  std::string destination_;

  QPlainTextEdit* message_;
  QRadioButton* this_update_;
  QRadioButton* dirs_;
  QRadioButton* mirror_;
  QRadioButton* scan_;
  QPushButton* yes_;
  QWidget* filter_panel_;
  QRadioButton* filter_source_;
  QRadioButton* filter_dest_;
  QLineEdit* filter_text_;
  QCheckBox* filter_enabled_;
  QPushButton* add_filter_;
  QPushButton* open_source_;
  QStatusBar* status_;
};

}  // namespace qv

#endif  // QUORVANE_UI_DIALOGS_CONFIRM_UPDATE_H_
