// The engine's port for operator mail: the alerts of failing folders and databases
// (core::Alerts, which the scanner and the RIP monitors raise), the mails about
// failed and warned RIP jobs, and the e-mail dialog's test mail. Every call queues and
// returns at once; the mails go out from a thread of their own (MailWorker), so a
// mail server that hangs never holds up the scanner, a RIP monitor or a command.
#pragma once

#include <functional>
#include <string>

#include "core/alerts.h"
#include "notify/notification_kind.h"

namespace vellora::engine {

// What the e-mail dialog's "Send test mail" sends, exactly as given.
struct TestMail {
  std::string server;
  std::string from;
  std::string to;
  std::string cc;
  std::string subject;
  std::string body;
};

class OperatorMail : public core::Alerts {
 public:
  // Whether the test mail was sent, and the mail client's last error when not.
  using TestMailDone = std::function<void(bool ok, const std::string& lastError)>;

  // One error event (the kind's switch, the mail settings and the flood window
  // decide whether it is mailed).
  virtual void NotifyError(notify::NotificationKind kind, const std::string& body) = 0;
  // The test mail; done is called once, from the mail thread, when it is over.
  virtual void SendTestMail(const TestMail& mail, TestMailDone done) = 0;
  // Returns once everything queued so far has been dealt with (mails are cut short
  // by the stop request): the engine waits for it before it says it has stopped.
  virtual void WaitUntilIdle() = 0;
};

}  // namespace vellora::engine
