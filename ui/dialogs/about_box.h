#ifndef QUORVANE_UI_DIALOGS_ABOUT_BOX_H_
#define QUORVANE_UI_DIALOGS_ABOUT_BOX_H_

#include <QDialog>

namespace qv {

// The program's name, version and executable, with a default button "Ok".
// Fixed size, modal, centred on its parent.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  // executable: the full path of the running program.
  TAboutBox(const QString& executable, QWidget* parent = nullptr);
};

// The version compiled into the program.
QString ProgramVersion();

}  // namespace qv

#endif  // QUORVANE_UI_DIALOGS_ABOUT_BOX_H_
