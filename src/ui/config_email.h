// CConfigEmail, "Error notification": which errors are mailed, the flood prevention,
// and the mail server, sender, recipients and subject, with "Send test mail" to try
// them. Opened from the database setup with that dialog's copies of the eleven mail
// settings; OK hands them back (Edited()) without further checks, and they reach the
// settings only when the database setup is closed with OK too.
#pragma once

#include <string>

#include <QDialog>

#include "core/settings.h"
#include "ui/dialog_parts.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vellora::ui {

class DialogCommands;
class Pictures;

// The eleven mail settings the dialog edits.
struct MailSettings {
  std::string MailServer;
  std::string MailFrom;
  std::string MailTo;
  std::string MailCC;
  std::string MailSubject;
  int MailOnDbError = 0;
  int MailOnRipError = 0;
  int MailOnRipWarning = 0;
  int MailOnNetworkError = 0;
  int MailPreventFlooding = 1;
  int MailFloodingTime = 10;
};

MailSettings MailSettingsOf(const core::SettingsStore& store);
void StoreMailSettings(const MailSettings& mail, core::SettingsStore& store);

class CConfigEmail : public QDialog {
  Q_OBJECT

 public:
  CConfigEmail(const Pictures& pictures, const MailSettings& mail, DialogCommands& commands,
               QWidget* parent = nullptr);

  const MailSettings& Edited() const { return edited_; }

  void accept() override;

 private:
  void UpdateEnabling();
  void SendTestMail();

  MailSettings edited_;
  DialogCommands& commands_;
  BusyCommand sending_;
  QCheckBox* onDbError_ = nullptr;
  QCheckBox* onNetworkError_ = nullptr;
  QCheckBox* onRipError_ = nullptr;
  QCheckBox* onRipWarning_ = nullptr;
  QCheckBox* preventFlooding_ = nullptr;
  QLineEdit* floodingTime_ = nullptr;
  QLineEdit* server_ = nullptr;
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QLineEdit* cc_ = nullptr;
  QLineEdit* subject_ = nullptr;
  QPushButton* sendTestMail_ = nullptr;
};

}  // namespace vellora::ui
