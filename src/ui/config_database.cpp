// The database setup dialog.
#include "ui/config_database.h"

#include <climits>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/config_email.h"
#include "ui/dialog_commands.h"
#include "ui/dialog_parts.h"
#include "ui/text.h"

namespace vellora::ui {
namespace {

constexpr int kNumberWidth = 60;

QLineEdit* Number(int value, const QString& name, QWidget* parent) {
  return NumberEdit(value, name, kNumberWidth, parent);
}

// "Data source name", "User name", "Password" of one connection.
QGridLayout* ConnectionFields(QWidget* group, QLineEdit* dsn, QLineEdit* user, QLineEdit* pw) {
  pw->setEchoMode(QLineEdit::Password);
  for (QLineEdit* e : {dsn, user, pw}) e->setMinimumWidth(150);
  auto* g = new QGridLayout;
  g->setVerticalSpacing(4);
  g->addWidget(new QLabel("Data source name", group), 0, 0);
  g->addWidget(dsn, 0, 1);
  g->addWidget(new QLabel("User name", group), 1, 0);
  g->addWidget(user, 1, 1);
  g->addWidget(new QLabel("Password", group), 2, 0);
  g->addWidget(pw, 2, 1);
  g->setColumnStretch(1, 1);
  return g;
}

}  // namespace

CConfigDatabase::CConfigDatabase(const Pictures& pictures, const core::SettingsStore& settings,
                                 DialogCommands& commands, QWidget* parent)
    : QDialog(parent), pictures_(pictures), edited_(settings), commands_(commands) {
  setObjectName("CConfigDatabase");
  QVBoxLayout* body = FrameDialog(*this, pictures, "Workflow database connection");

  databaseType_ = new QComboBox(this);
  databaseType_->setObjectName("DatabaseType");
  databaseType_->addItems({"Halvard", "EskoNet 1.5", "EskoNet 2.1"});
  // A type this dialog does not know shows none and stays as it is unless chosen.
  databaseType_->setCurrentIndex(edited_.DatabaseType >= 0 &&
                                         edited_.DatabaseType < databaseType_->count()
                                     ? edited_.DatabaseType
                                     : -1);
  auto* type = new QHBoxLayout;
  type->addWidget(new QLabel("Database type", this));
  type->addWidget(databaseType_);
  type->addStretch(1);
  body->addLayout(type);
  body->addWidget(BuildConnections());
  body->addWidget(BuildStatus());
  AddOkCancel(*body, *this, pictures);

  for (QCheckBox* c : {updateStatus_, logError_, logWarning_, logSuccess_}) {
    connect(c, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
  }
  UpdateEnabling();
}

QWidget* CConfigDatabase::BuildConnections() {
  auto* box = new QWidget(this);
  const core::SettingsStore& s = edited_;

  auto* main = new QGroupBox("ODBC Connection", box);
  main->setObjectName("OdbcConnection");
  dsn_ = Edit(s.DSN, "DSN", main);
  dsnUser_ = Edit(s.DSNuser, "DSNuser", main);
  dsnPw_ = Edit(s.DSNpw, "DSNpw", main);
  keepConnection_ =
      Check("Keep connection open (recommended)", "KeepConnection", s.KeepConnection, main);
  test_ = Button("Test..", "Test", 0, main);
  connect(test_, &QPushButton::clicked, this, [this] { Test(); });
  auto* m = new QVBoxLayout(main);
  m->addLayout(ConnectionFields(main, dsn_, dsnUser_, dsnPw_));
  auto* keep = new QHBoxLayout;
  keep->addWidget(keepConnection_);
  keep->addStretch(1);
  keep->addWidget(test_);
  m->addLayout(keep);

  auto* backup = new QGroupBox("ODBC Backup Connection", box);
  backup->setObjectName("OdbcBackupConnection");
  dsn2_ = Edit(s.DSN2, "DSN2", backup);
  dsnUser2_ = Edit(s.DSNuser2, "DSNuser2", backup);
  dsnPw2_ = Edit(s.DSNpw2, "DSNpw2", backup);
  auto* b = new QVBoxLayout(backup);
  b->addLayout(ConnectionFields(backup, dsn2_, dsnUser2_, dsnPw2_));
  b->addStretch(1);

  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(main, 1);
  row->addWidget(backup, 1);
  return box;
}

QWidget* CConfigDatabase::BuildStatus() {
  auto* box = new QGroupBox(this);
  box->setObjectName("StatusGroup");
  const core::SettingsStore& s = edited_;
  notificationServer_ = Edit(s.NotificationServer, "NotificationServer", box);
  notificationServer_->setMinimumWidth(150);
  notificationPort_ = Number(s.NotificationPort, "NotificationPort", box);
  updateStatus_ = Check("Update external status (requires database link)", "RipUpdateStatus",
                        s.RipUpdateStatus, box);
  statusValue_ = Number(s.RipStatusValue, "RipStatusValue", box);
  statusValueError_ = Number(s.RipStatusValueError, "RipStatusValueError", box);
  logError_ = Check("Log errors", "RipLogError", s.RipLogError, box);
  eventError_ = Number(s.RipEventError, "RipEventError", box);
  logWarning_ = Check("Log warnings", "RipLogWarning", s.RipLogWarning, box);
  eventWarning_ = Number(s.RipEventWarning, "RipEventWarning", box);
  logSuccess_ = Check("Log success", "RipLogSuccess", s.RipLogSuccess, box);
  eventSuccess_ = Number(s.RipEventSuccess, "RipEventSuccess", box);
  pollTime_ = Number(s.PollTime, "PollTime", box);
  allowRemoteControl_ =
      Check("Allow remote-control from Moxby", "AllowRemoteControl", s.AllowRemoteControl, box);
  email_ = Button("E-mail notifications..", "EmailNotifications", 0, box);
  connect(email_, &QPushButton::clicked, this, [this] { OpenEmail(); });

  auto* left = new QGridLayout;
  left->setVerticalSpacing(4);
  int row = 0;
  left->addWidget(new QLabel("Notification server", box), row, 0);
  left->addWidget(notificationServer_, row++, 1, 1, 2);
  left->addWidget(new QLabel("(leave blank to disable)", box), row++, 1, 1, 2);
  left->addWidget(new QLabel("Notification port", box), row, 0);
  left->addWidget(notificationPort_, row++, 1);
  left->setRowMinimumHeight(row++, 8);
  left->addWidget(new QLabel("Status poll interval", box), row, 0);
  auto* poll = new QHBoxLayout;
  poll->setSpacing(6);
  poll->addWidget(pollTime_);
  poll->addWidget(new QLabel("sec", box));
  poll->addStretch(1);
  left->addLayout(poll, row++, 1, 1, 2);
  left->addWidget(allowRemoteControl_, row++, 0, 1, 3);
  left->setRowStretch(row++, 1);
  left->addWidget(email_, row++, 0, 1, 2, Qt::AlignLeft);
  left->setColumnStretch(2, 1);

  auto* right = new QGridLayout;
  right->setVerticalSpacing(4);
  row = 0;
  right->addWidget(updateStatus_, row++, 0, 1, 2);
  right->addWidget(new QLabel("Status value on success", box), row, 0);
  right->addWidget(statusValue_, row++, 1);
  right->addWidget(new QLabel("Status value on failure", box), row, 0);
  right->addWidget(statusValueError_, row++, 1);
  right->setRowMinimumHeight(row++, 8);
  const std::tuple<QCheckBox*, const char*, QLineEdit*> logs[] = {
      {logError_, "Error event code", eventError_},
      {logWarning_, "Warning event code", eventWarning_},
      {logSuccess_, "Success event code", eventSuccess_}};
  for (const auto& [check, label, code] : logs) {
    right->addWidget(check, row, 0);
    auto* pair = new QHBoxLayout;
    pair->setSpacing(8);
    pair->addStretch(1);
    pair->addWidget(new QLabel(label, box));
    pair->addWidget(code);
    right->addLayout(pair, row++, 1);
  }
  right->setRowStretch(row, 1);

  auto* columns = new QHBoxLayout(box);
  columns->setSpacing(24);
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  return box;
}

void CConfigDatabase::UpdateEnabling() {
  const bool status = updateStatus_->isChecked();
  statusValue_->setEnabled(status);
  statusValueError_->setEnabled(status);
  eventError_->setEnabled(logError_->isChecked());
  eventWarning_->setEnabled(logWarning_->isChecked());
  eventSuccess_->setEnabled(logSuccess_->isChecked());
  test_->setEnabled(!testing_.Running());
}

void CConfigDatabase::Test() {
  if (testing_.Running()) return;
  testing_.Begin();
  UpdateEnabling();
  // The values as typed now, not as stored.
  commands_.TestDatabase(this, FromQt(dsn_->text()), FromQt(dsnUser_->text()),
                         FromQt(dsnPw_->text()), [this](bool ok, const QString& text) {
                           testing_.End();
                           UpdateEnabling();
                           if (ok) {
                             ShowInformation(this, text);
                           } else {
                             ShowError(this, text);
                           }
                         });
}

void CConfigDatabase::OpenEmail() {
  CConfigEmail email(pictures_, MailSettingsOf(edited_), commands_, this);
  if (email.exec() == QDialog::Accepted) StoreMailSettings(email.Edited(), edited_);
}

bool CConfigDatabase::TakeNumbers() {
  core::SettingsStore& s = edited_;
  constexpr int kAny = INT_MIN, kAll = INT_MAX;
  return TakeNumber(this, *notificationPort_, "Notification port", 0, 65535, s.NotificationPort) &&
         TakeNumber(this, *pollTime_, "Status poll interval", kAny, kAll, s.PollTime) &&
         TakeNumber(this, *statusValue_, "Status value on success", kAny, kAll, s.RipStatusValue) &&
         TakeNumber(this, *statusValueError_, "Status value on failure", kAny, kAll,
                    s.RipStatusValueError) &&
         TakeNumber(this, *eventError_, "Error event code", kAny, kAll, s.RipEventError) &&
         TakeNumber(this, *eventWarning_, "Warning event code", kAny, kAll, s.RipEventWarning) &&
         TakeNumber(this, *eventSuccess_, "Success event code", kAny, kAll, s.RipEventSuccess);
}

void CConfigDatabase::accept() {
  core::SettingsStore before = edited_;
  if (!TakeNumbers()) {
    edited_ = before;
    return;
  }
  core::SettingsStore& s = edited_;
  if (databaseType_->currentIndex() >= 0) s.DatabaseType = databaseType_->currentIndex();
  s.DSN = EditedText(dsn_->text(), s.DSN);
  s.DSNuser = EditedText(dsnUser_->text(), s.DSNuser);
  s.DSNpw = EditedText(dsnPw_->text(), s.DSNpw);
  s.KeepConnection = keepConnection_->isChecked() ? 1 : 0;
  s.DSN2 = EditedText(dsn2_->text(), s.DSN2);
  s.DSNuser2 = EditedText(dsnUser2_->text(), s.DSNuser2);
  s.DSNpw2 = EditedText(dsnPw2_->text(), s.DSNpw2);
  s.NotificationServer = EditedText(notificationServer_->text(), s.NotificationServer);
  s.RipUpdateStatus = updateStatus_->isChecked() ? 1 : 0;
  s.RipLogError = logError_->isChecked() ? 1 : 0;
  s.RipLogWarning = logWarning_->isChecked() ? 1 : 0;
  s.RipLogSuccess = logSuccess_->isChecked() ? 1 : 0;
  s.AllowRemoteControl = allowRemoteControl_->isChecked() ? 1 : 0;
  if (s.PollTime < 1) s.PollTime = 1;
  QDialog::accept();
}

}  // namespace vellora::ui
