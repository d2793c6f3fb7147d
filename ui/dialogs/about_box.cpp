#include "ui/dialogs/about_box.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/app/icons.h"

namespace qv {

namespace {

QLabel* PlainLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  // A path may hold "&" or "<": shown as it is.
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

QString ProgramVersion() { return QStringLiteral(QUORVANE_VERSION); }

TAboutBox::TAboutBox(const QString& executable, QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Quorvane");
  auto* layout = new QGridLayout(this);
  auto* icon = new QLabel(this);
  icon->setObjectName("ProgramIcon");
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
  QLabel* name = PlainLabel("LabelProgramName", "Quorvane", this);
  QFont bold = name->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.4);
  name->setFont(bold);
  layout->addWidget(name, 0, 1);
  layout->addWidget(PlainLabel("LabelVersion", "Version " + ProgramVersion(), this), 1, 1);
  layout->addWidget(PlainLabel("LabelExecutable", "Executable " + executable, this), 2, 1);
  layout->addWidget(PlainLabel("LabelInfo1", "Mirror and archive backups for the desktop", this), 3,
                    1);
  layout->addWidget(
      PlainLabel("LabelInfo2", "The user's guide is in the program's documentation folder", this),
      4, 1);
  layout->addWidget(PlainLabel("LabelInfo3", "Built with Qt 6 and SQLite", this), 5, 1);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("Ok", QDialogButtonBox::AcceptRole);
  ok->setObjectName("ButtonOk");
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons, 6, 0, 1, 2);
  setModal(true);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace qv
