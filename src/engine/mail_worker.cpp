// The mail thread.
#include "engine/mail_worker.h"

namespace vellora::engine {

MailWorker::MailWorker(notify::Notifier& notifier) : notifier_(notifier) {
  thread_ = std::thread([this] { Run(); });
}

MailWorker::~MailWorker() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  thread_.join();
}

void MailWorker::Enqueue(std::function<void()> task, bool always) {
  {
    std::lock_guard lock(mutex_);
    if (ending_ || (!always && queue_.size() >= kQueueLimit)) return;
    queue_.push_back(std::move(task));
  }
  changed_.notify_all();
}

void MailWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return ending_ || !queue_.empty(); });
    if (ending_) break;
    std::function<void()> task = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    task();
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
  busy_ = false;
  changed_.notify_all();
}

void MailWorker::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return ending_ || (queue_.empty() && !busy_); });
}

void MailWorker::Failed(Watched set, notify::NotificationKind kind, const std::string& source,
                        const std::string& errorText) {
  {
    std::lock_guard lock(mutex_);
    if (!failing_[set].insert(source).second) return;
  }
  Enqueue([this, kind, errorText] { notifier_.NotifyError(kind, errorText); }, false);
}

void MailWorker::Restored(Watched set, const std::string& source) {
  std::lock_guard lock(mutex_);
  failing_[set].erase(source);
}

void MailWorker::NetworkFailed(const std::string& source, const std::string& errorText) {
  Failed(kNetwork, notify::NotificationKind::NetworkError, source, errorText);
}

void MailWorker::NetworkRestored(const std::string& source) {
  Restored(kNetwork, source);
}

void MailWorker::DatabaseFailed(const std::string& source, const std::string& errorText) {
  Failed(kDatabase, notify::NotificationKind::DatabaseError, source, errorText);
}

void MailWorker::DatabaseRestored(const std::string& source) {
  Restored(kDatabase, source);
}

void MailWorker::NotifyError(notify::NotificationKind kind, const std::string& body) {
  Enqueue([this, kind, body] { notifier_.NotifyError(kind, body); }, false);
}

void MailWorker::SendTestMail(const TestMail& mail, TestMailDone done) {
  Enqueue(
      [this, mail, done = std::move(done)] {
        std::string lastError;
        const bool ok = notifier_.SendTestMail(mail.server, mail.from, mail.to, mail.cc,
                                               mail.subject, mail.body, &lastError);
        if (done) done(ok, lastError);
      },
      true);
}

}  // namespace vellora::engine
