// The e-mail notification dialog.
#include "ui/config_email.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/settings_io.h"
#include "ui/dialog_commands.h"
#include "ui/dialog_parts.h"
#include "ui/text.h"

namespace vellora::ui {
MailSettings MailSettingsOf(const core::SettingsStore& s) {
  return {s.MailServer,
          s.MailFrom,
          s.MailTo,
          s.MailCC,
          s.MailSubject,
          s.MailOnDbError,
          s.MailOnRipError,
          s.MailOnRipWarning,
          s.MailOnNetworkError,
          s.MailPreventFlooding,
          s.MailFloodingTime};
}

void StoreMailSettings(const MailSettings& m, core::SettingsStore& s) {
  s.MailServer = m.MailServer;
  s.MailFrom = m.MailFrom;
  s.MailTo = m.MailTo;
  s.MailCC = m.MailCC;
  s.MailSubject = m.MailSubject;
  s.MailOnDbError = m.MailOnDbError;
  s.MailOnRipError = m.MailOnRipError;
  s.MailOnRipWarning = m.MailOnRipWarning;
  s.MailOnNetworkError = m.MailOnNetworkError;
  s.MailPreventFlooding = m.MailPreventFlooding;
  s.MailFloodingTime = m.MailFloodingTime;
}

CConfigEmail::CConfigEmail(const Pictures& pictures, const MailSettings& mail,
                           DialogCommands& commands, QWidget* parent)
    : QDialog(parent), edited_(mail), commands_(commands) {
  setObjectName("CConfigEmail");
  QVBoxLayout* body = FrameDialog(*this, pictures, "Error notification");

  auto* notifications = new QGroupBox("Notifications", this);
  notifications->setObjectName("Notifications");
  onDbError_ = Check("Send e-mail on database communication error", "MailOnDbError",
                     mail.MailOnDbError, notifications);
  onNetworkError_ = Check("Send e-mail on network error", "MailOnNetworkError",
                          mail.MailOnNetworkError, notifications);
  onRipError_ =
      Check("Send e-mail on RIP job error", "MailOnRipError", mail.MailOnRipError, notifications);
  onRipWarning_ = Check("Send e-mail on RIP warnings", "MailOnRipWarning", mail.MailOnRipWarning,
                        notifications);
  preventFlooding_ =
      Check("Prevent flooding", "MailPreventFlooding", mail.MailPreventFlooding, notifications);
  floodingTime_ = new QLineEdit(QString::number(mail.MailFloodingTime), notifications);
  floodingTime_->setObjectName("MailFloodingTime");
  floodingTime_->setFixedWidth(50);
  floodingTime_->setValidator(
      new QRegularExpressionValidator(QRegularExpression("[0-9]{0,6}"), floodingTime_));
  auto* n = new QVBoxLayout(notifications);
  n->setSpacing(4);
  for (QCheckBox* c : {onDbError_, onNetworkError_, onRipError_, onRipWarning_, preventFlooding_}) {
    n->addWidget(c);
  }
  auto* flood = new QHBoxLayout;
  flood->addSpacing(20);
  flood->addWidget(new QLabel("Do not sent consecutive e-mails", notifications));
  flood->addWidget(floodingTime_);
  flood->addWidget(new QLabel("min. after first error", notifications));
  flood->addStretch(1);
  n->addLayout(flood);
  body->addWidget(notifications);

  auto* setup = new QGroupBox("E-mail setup", this);
  setup->setObjectName("EmailSetup");
  server_ = Edit(mail.MailServer, "MailServer", setup);
  from_ = Edit(mail.MailFrom, "MailFrom", setup);
  to_ = Edit(mail.MailTo, "MailTo", setup);
  cc_ = Edit(mail.MailCC, "MailCC", setup);
  subject_ = Edit(mail.MailSubject, "MailSubject", setup);
  sendTestMail_ = Button("Send test mail", "SendTestMail", 0, setup);
  connect(sendTestMail_, &QPushButton::clicked, this, [this] { SendTestMail(); });
  auto* g = new QGridLayout(setup);
  g->setVerticalSpacing(4);
  int row = 0;
  auto hint = [setup] {
    auto* l = new QLabel("Separate multiple recipients with semi-colon", setup);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    l->setFont(f);
    return l;
  };
  g->addWidget(new QLabel("Mail server", setup), row, 0);
  g->addWidget(server_, row++, 1);
  g->addWidget(new QLabel("From addr", setup), row, 0);
  g->addWidget(from_, row++, 1);
  g->addWidget(new QLabel("To addr", setup), row, 0);
  g->addWidget(to_, row++, 1);
  g->addWidget(hint(), row++, 1);
  g->addWidget(new QLabel("CC addr", setup), row, 0);
  g->addWidget(cc_, row++, 1);
  g->addWidget(hint(), row++, 1);
  g->addWidget(new QLabel("Subject", setup), row, 0);
  g->addWidget(subject_, row++, 1);
  g->addWidget(sendTestMail_, row++, 1, Qt::AlignRight);
  g->setColumnStretch(1, 1);
  body->addWidget(setup);
  AddOkCancel(*body, *this, pictures);

  for (QCheckBox* c : {onDbError_, onNetworkError_, onRipError_, onRipWarning_, preventFlooding_}) {
    connect(c, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
  }
  UpdateEnabling();
  resize(qMax(width(), 480), sizeHint().height());
}

void CConfigEmail::UpdateEnabling() {
  // The network-error box does not count: nothing raises that kind today.
  const bool mailed =
      onDbError_->isChecked() || onRipError_->isChecked() || onRipWarning_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{preventFlooding_, server_, from_, to_, cc_}) {
    w->setEnabled(mailed);
  }
  floodingTime_->setEnabled(mailed && preventFlooding_->isChecked());
  sendTestMail_->setEnabled(mailed && !sending_.Running());
  subject_->setEnabled(true);
}

void CConfigEmail::SendTestMail() {
  if (sending_.Running()) return;
  const QString server = server_->text().trimmed();
  const QString from = from_->text().trimmed();
  const QString to = to_->text().trimmed();
  if (server.isEmpty()) {
    ShowWarning(this, "No mailserver specified");
    return;
  }
  if (from.isEmpty()) {
    ShowWarning(this, "No sender specified");
    return;
  }
  if (to.isEmpty()) {
    ShowWarning(this, "No recipient specified");
    return;
  }
  // The engine puts in the default subject when the field is empty; the field stays
  // as it is.
  sending_.Begin();
  UpdateEnabling();
  commands_.SendTestMail(this, FromQt(server), FromQt(from), FromQt(to), FromQt(cc_->text()),
                         FromQt(subject_->text()), [this](bool ok, const QString& lastError) {
                           sending_.End();
                           UpdateEnabling();
                           if (ok) {
                             ShowInformation(this, "Test e-mail was successfully sent");
                           } else {
                             ShowWarning(this, "Test e-mail failed!", lastError);
                           }
                         });
}

void CConfigEmail::accept() {
  MailSettings& m = edited_;
  m.MailOnDbError = onDbError_->isChecked() ? 1 : 0;
  m.MailOnNetworkError = onNetworkError_->isChecked() ? 1 : 0;
  m.MailOnRipError = onRipError_->isChecked() ? 1 : 0;
  m.MailOnRipWarning = onRipWarning_->isChecked() ? 1 : 0;
  m.MailPreventFlooding = preventFlooding_->isChecked() ? 1 : 0;
  m.MailFloodingTime = core::AtoiValue(FromQt(floodingTime_->text()));
  m.MailServer = EditedText(server_->text(), m.MailServer);
  m.MailFrom = EditedText(from_->text(), m.MailFrom);
  m.MailTo = EditedText(to_->text(), m.MailTo);
  m.MailCC = EditedText(cc_->text(), m.MailCC);
  m.MailSubject = EditedText(subject_->text(), m.MailSubject);
  QDialog::accept();
}

}  // namespace vellora::ui
