// The backup/main server selection.
#include "ui/config_backup.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_commands.h"

namespace vellora::ui {

CConfigBackup::CConfigBackup(const Pictures& pictures, bool usingBackup, DialogCommands& commands,
                             QWidget* parent)
    : QDialog(parent), commands_(commands) {
  setObjectName("CConfigBackup");
  QVBoxLayout* body = FrameDialog(*this, pictures, "Backup/Main server selection");
  current_ = new QLineEdit(usingBackup ? "Backup server" : "Main server", this);
  current_->setObjectName("CurrentServer");
  current_->setReadOnly(true);
  toBackup_ = Button("Go to backup server", "GoToBackupServer", 150, this);
  toMain_ = Button("Go to main server", "GoToMainServer", 150, this);
  close_ = Button("Close", "Close", 150, this);
  close_->setDefault(true);
  close_->setMinimumWidth(90);
  connect(toBackup_, &QPushButton::clicked, this, [this] { Switch(true); });
  connect(toMain_, &QPushButton::clicked, this, [this] { Switch(false); });
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);

  auto* current = new QHBoxLayout;
  current->addWidget(new QLabel("Current server", this));
  current->addWidget(current_, 1);
  body->addLayout(current);
  body->addSpacing(6);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(toBackup_);
  buttons->addWidget(toMain_);
  buttons->addStretch(1);
  buttons->addWidget(close_);
  body->addLayout(buttons);
  resize(qMax(sizeHint().width(), 520), sizeHint().height());
}

void CConfigBackup::UpdateEnabling() {
  // "Close" waits for the switch too, so that its outcome is seen: the program's
  // connections change with it. (Closing the window or ending the program still
  // closes the dialog; the outcome then goes unseen.)
  for (QPushButton* b : {toBackup_, toMain_, close_}) b->setEnabled(!switching_.Running());
}

void CConfigBackup::Switch(bool backup) {
  if (switching_.Running()) return;
  switching_.Begin();
  UpdateEnabling();
  commands_.SwitchServer(this, backup,
                         [this](bool connected, const QString& serverText, const QString& message) {
                           switching_.End();
                           UpdateEnabling();
                           if (!connected) {
                             // The server shown stays: the program is not connected to the other
                             // one.
                             ShowError(this, message);
                             return;
                           }
                           current_->setText(serverText);
                           ShowInformation(this, message);
                         });
}

}  // namespace vellora::ui
