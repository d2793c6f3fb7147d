#ifndef QUORVANE_UI_DIALOGS_DIALOGS_H_
#define QUORVANE_UI_DIALOGS_DIALOGS_H_

#include <string>

class QWidget;

namespace qv {

// The program's message boxes. Every text is shown as plain text, so a path
// holding "&" or "<b>" reads as it is. Tests replace the boxes with a
// recorder that scripts the answers.
class TDialogs {
 public:
  virtual ~TDialogs() = default;
  // "Confirmation" with OK and Cancel; true for OK.
  virtual bool Confirm(const std::string& text) = 0;
  // "Information" with OK.
  virtual void Inform(const std::string& text) = 0;
  // "Error Quorvane" with OK.
  virtual void Error(const std::string& text) = 0;
  // "Warning" with Yes and No, No the default; true for Yes.
  virtual bool Warn(const std::string& text) = 0;
  // A folder (with a trailing "/") or a file chosen from start; "" on Cancel.
  virtual std::string ChooseFolder(const std::string& title, const std::string& start) = 0;
  virtual std::string ChooseFile(const std::string& title, const std::string& start) = 0;
};

// The boxes on screen, owned by parent (may be null).
class TMessageBoxDialogs : public TDialogs {
 public:
  explicit TMessageBoxDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }

  bool Confirm(const std::string& text) override;
  void Inform(const std::string& text) override;
  void Error(const std::string& text) override;
  bool Warn(const std::string& text) override;
  std::string ChooseFolder(const std::string& title, const std::string& start) override;
  std::string ChooseFile(const std::string& title, const std::string& start) override;

 private:
  QWidget* parent_;
};

}  // namespace qv

#endif  // QUORVANE_UI_DIALOGS_DIALOGS_H_
