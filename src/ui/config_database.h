// CConfigDatabase, "Workflow database connection" ("Setup database...."): the
// database type, the main and the backup ODBC connection with "Test..", the
// notification server, the external status and the log entries written to the
// production database, the status poll interval, remote control, and "E-mail
// notifications.." for the mail settings. Works on a copy of the settings; OK checks
// the number fields and leaves the accepted copy (with the mail settings the e-mail
// dialog handed back, and PollTime at least 1) in Edited().
#pragma once

#include <QDialog>

#include "core/settings.h"
#include "ui/dialog_parts.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace vellora::ui {

class DialogCommands;
class Pictures;

class CConfigDatabase : public QDialog {
  Q_OBJECT

 public:
  CConfigDatabase(const Pictures& pictures, const core::SettingsStore& settings,
                  DialogCommands& commands, QWidget* parent = nullptr);

  const core::SettingsStore& Edited() const { return edited_; }

  void accept() override;

 private:
  QWidget* BuildConnections();
  QWidget* BuildStatus();
  void UpdateEnabling();
  void Test();
  void OpenEmail();
  bool TakeNumbers();

  const Pictures& pictures_;
  core::SettingsStore edited_;
  DialogCommands& commands_;
  BusyCommand testing_;

  QComboBox* databaseType_ = nullptr;
  QLineEdit* dsn_ = nullptr;
  QLineEdit* dsnUser_ = nullptr;
  QLineEdit* dsnPw_ = nullptr;
  QCheckBox* keepConnection_ = nullptr;
  QPushButton* test_ = nullptr;
  QLineEdit* dsn2_ = nullptr;
  QLineEdit* dsnUser2_ = nullptr;
  QLineEdit* dsnPw2_ = nullptr;
  QLineEdit* notificationServer_ = nullptr;
  QLineEdit* notificationPort_ = nullptr;
  QCheckBox* updateStatus_ = nullptr;
  QLineEdit* statusValue_ = nullptr;
  QLineEdit* statusValueError_ = nullptr;
  QCheckBox* logError_ = nullptr;
  QLineEdit* eventError_ = nullptr;
  QCheckBox* logWarning_ = nullptr;
  QLineEdit* eventWarning_ = nullptr;
  QCheckBox* logSuccess_ = nullptr;
  QLineEdit* eventSuccess_ = nullptr;
  QLineEdit* pollTime_ = nullptr;
  QCheckBox* allowRemoteControl_ = nullptr;
  QPushButton* email_ = nullptr;
};

}  // namespace vellora::ui
