#include "ui/dialogs/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace qv {

namespace {

int Show(QWidget* parent, QMessageBox::Icon icon, const char* caption, const std::string& text,
         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton default_button) {
  QMessageBox box(icon, QString::fromUtf8(caption), QString::fromStdString(text), buttons, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(default_button);
  return box.exec();
}

}  // namespace

bool TMessageBoxDialogs::Confirm(const std::string& text) {
  return Show(parent_, QMessageBox::Question, "Confirmation", text,
              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
}

void TMessageBoxDialogs::Inform(const std::string& text) {
  Show(parent_, QMessageBox::Information, "Information", text, QMessageBox::Ok, QMessageBox::Ok);
}

void TMessageBoxDialogs::Error(const std::string& text) {
  Show(parent_, QMessageBox::Critical, "Error Quorvane", text, QMessageBox::Ok, QMessageBox::Ok);
}

bool TMessageBoxDialogs::Warn(const std::string& text) {
  return Show(parent_, QMessageBox::Warning, "Warning", text, QMessageBox::Yes | QMessageBox::No,
              QMessageBox::No) == QMessageBox::Yes;
}

std::string TMessageBoxDialogs::ChooseFolder(const std::string& title, const std::string& start) {
  const QString folder = QFileDialog::getExistingDirectory(parent_, QString::fromStdString(title),
                                                           QString::fromStdString(start));
  if (folder.isEmpty()) return "";
  return folder.endsWith('/') ? folder.toStdString() : folder.toStdString() + "/";
}

std::string TMessageBoxDialogs::ChooseFile(const std::string& title, const std::string& start) {
  return QFileDialog::getOpenFileName(parent_, QString::fromStdString(title),
                                      QString::fromStdString(start))
      .toStdString();
}

}  // namespace qv
