// The operator mail policy: whether an error event is mailed (the kind's enable
// setting, complete mail settings, the flood window), the subject built from the
// configured subject and the kind, and the mail itself through the SMTP client. One
// Notifier per engine, shared by every thread that raises events (the RIP monitors,
// the scanner); it holds the flood windows and reads the mail settings afresh at each
// event, so a setup accepted in the meantime applies to the next one.
//
// The mail runs on the calling thread and holds it for at most the SMTP client's
// session limit; the engine's stop request ends it at once.
#pragma once

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

#include "core/settings.h"
#include "notify/flood_windows.h"
#include "notify/mail_message.h"
#include "notify/notification_kind.h"
#include "notify/smtp_client.h"
#include "platform/pacing.h"

namespace vellora::notify {

// The e-mail dialog's test mail: its subject when the dialog's is empty, and its body.
inline constexpr const char* kTestMailSubject = "Vellora error notification";
inline constexpr const char* kTestMailBody = "Halvard error notification mail test";

struct NotifierOptions {
  FloodWindows::Clock clock;  // the flood windows' clock; empty: the monotonic clock
  FILE* warnings = stdout;    // where the warning line goes
  int sessionLimitMs = SmtpClient::kSessionLimitMs;
};

class Notifier {
 public:
  static constexpr int kMailPort = 25;
  // Written (with a line end) when the mail server cannot be reached or does not
  // greet: the operators' only sign that their mail is not coming.
  static constexpr const char* kWarningLine = "WARNING: Unable to send warning mail";

  Notifier(const core::SettingsHandle& settings, const platform::Pacer& pacer,
           NotifierOptions options = {});
  Notifier(const Notifier&) = delete;
  Notifier& operator=(const Notifier&) = delete;

  // Mails one error event, in this order: 1 when the kind is disabled; 0 when
  // MailServer, MailFrom, MailTo or the body is empty; 1 when the kind's flood window
  // holds it back; else the window starts now (before the connection is tried, so a
  // failed attempt holds back the next events as well) and the mail goes out with the
  // subject MailSubject + "-" + the kind's word: 0 and the warning line when the
  // server cannot be reached or does not greet, else 1 when the server took the
  // message and 0 when not.
  int NotifyError(NotificationKind kind, const std::string& body);

  // One mail with exactly these values, without enable flags, flood windows or
  // subject word: false when server, sender, To text or body is empty, or the mail
  // failed (the warning line when the server cannot be reached). The client's last
  // error goes to *lastError when given.
  bool SendTestMail(const std::string& server, const std::string& sender, const std::string& to,
                    const std::string& cc, const std::string& subject, const std::string& body,
                    std::string* lastError = nullptr);

  // A watched source (a folder, a database connection; any text that names it) has
  // failed with errorText. Only the change into failure is mailed: the first call for
  // a source raises NetworkError (DatabaseError) with errorText as the body and
  // returns what NotifyError returns; later calls return 1 and send nothing until the
  // source is reported as working again.
  int NetworkFailed(const std::string& source, const std::string& errorText);
  void NetworkRestored(const std::string& source);
  int DatabaseFailed(const std::string& source, const std::string& errorText);
  void DatabaseRestored(const std::string& source);

 private:
  // Connect, send, disconnect: 1 sent, 0 failed (with the warning line when the
  // connection failed).
  int Send(const std::string& server, MailMessage& message, std::string* lastError);
  int Failed(int set, NotificationKind kind, const std::string& source,
             const std::string& errorText);
  void Restored(int set, const std::string& source);
  void Warn();

  const core::SettingsHandle& settings_;
  const platform::Pacer& pacer_;
  const NotifierOptions options_;
  FloodWindows windows_;
  std::mutex warningLock_;
  std::mutex failingLock_;
  std::set<std::string> failing_[2];  // network sources, database sources
};

}  // namespace vellora::notify
