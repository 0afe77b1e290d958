// The operator mail of a program: a thread of its own that sends the mails the
// scanner, the RIP monitors and the e-mail dialog ask for, in the order asked, through
// the Notifier (mail settings, flood windows, the SMTP session with its limit).
//
// Alerts come at every look at a source, failing or working; only the change into
// failure of a source is mailed (the first failure after it was last seen working),
// the rest is dropped here without touching the queue. Events that arrive while the
// queue is full (a mail server that hangs while many sources fail) are dropped as
// well: the flood windows would hold most of them back anyway. A test mail is always
// queued, since the dialog waits for its answer.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "engine/operator_mail.h"
#include "notify/notifier.h"

namespace vellora::engine {

class MailWorker final : public OperatorMail {
 public:
  static constexpr size_t kQueueLimit = 64;

  explicit MailWorker(notify::Notifier& notifier);
  // Ends the thread after the mail under way (a stop request of the pacer the
  // notifier was given ends that at once); what is still queued is dropped.
  ~MailWorker() override;
  MailWorker(const MailWorker&) = delete;
  MailWorker& operator=(const MailWorker&) = delete;

  void NetworkFailed(const std::string& source, const std::string& errorText) override;
  void NetworkRestored(const std::string& source) override;
  void DatabaseFailed(const std::string& source, const std::string& errorText) override;
  void DatabaseRestored(const std::string& source) override;
  void NotifyError(notify::NotificationKind kind, const std::string& body) override;
  void SendTestMail(const TestMail& mail, TestMailDone done) override;
  void WaitUntilIdle() override;

 private:
  enum Watched { kNetwork = 0, kDatabase = 1 };
  void Failed(Watched set, notify::NotificationKind kind, const std::string& source,
              const std::string& errorText);
  void Restored(Watched set, const std::string& source);
  // Dropped while the queue is full, unless always.
  void Enqueue(std::function<void()> task, bool always);
  void Run();

  notify::Notifier& notifier_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> queue_;
  std::set<std::string> failing_[2];
  bool busy_ = false;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace vellora::engine
