// The operator mail policy.
#include "notify/notifier.h"

namespace vellora::notify {
namespace {

constexpr int kNetworkSet = 0;
constexpr int kDatabaseSet = 1;

}  // namespace

Notifier::Notifier(const core::SettingsHandle& settings, const platform::Pacer& pacer,
                   NotifierOptions options)
    : settings_(settings), pacer_(pacer), options_(std::move(options)), windows_(options_.clock) {}

void Notifier::Warn() {
  if (options_.warnings == nullptr) return;
  // One whole line per call, whichever threads warn at once.
  std::lock_guard guard(warningLock_);
  std::fprintf(options_.warnings, "%s\n", kWarningLine);
  std::fflush(options_.warnings);
}

int Notifier::Send(const std::string& server, MailMessage& message, std::string* lastError) {
  SmtpClient::Options clientOptions;
  const platform::Pacer* pacer = &pacer_;
  clientOptions.stop = [pacer] { return pacer->Stopping(); };
  clientOptions.sessionLimitMs = options_.sessionLimitMs;
  SmtpClient client(server, kMailPort, std::move(clientOptions));
  if (!client.Connect()) {
    if (lastError != nullptr) *lastError = client.LastError();
    Warn();
    return 0;
  }
  const bool sent = client.SendMessage(message);
  if (lastError != nullptr) *lastError = client.LastError();
  client.Disconnect();
  return sent ? 1 : 0;
}

int Notifier::NotifyError(NotificationKind kind, const std::string& body) {
  const std::shared_ptr<const core::SettingsStore> settings = settings_.Get();
  const core::SettingsStore& s = *settings;
  if (!KindEnabled(kind, s)) return 1;
  if (s.MailServer.empty() || s.MailFrom.empty() || s.MailTo.empty() || body.empty()) return 0;
  if (!windows_.Admit(kind, s.MailPreventFlooding != 0, s.MailFloodingTime)) return 1;

  MailMessage message;
  message.SetFrom(s.MailFrom);
  // A malformed list still mails the recipients before the fault.
  message.AddRecipients(s.MailTo, RecipientKind::To);
  message.AddRecipients(s.MailCC, RecipientKind::Cc);
  message.SetSubject(s.MailSubject + "-" + SubjectWord(kind));
  message.SetBody(body);
  return Send(s.MailServer, message, nullptr);
}

bool Notifier::SendTestMail(const std::string& server, const std::string& sender,
                            const std::string& to, const std::string& cc,
                            const std::string& subject, const std::string& body,
                            std::string* lastError) {
  if (server.empty() || sender.empty() || to.empty() || body.empty()) {
    if (lastError != nullptr) *lastError = "Incomplete mail settings";
    return false;
  }
  MailMessage message;
  message.SetFrom(sender);
  message.AddRecipients(to, RecipientKind::To);
  message.AddRecipients(cc, RecipientKind::Cc);
  message.SetSubject(subject);
  message.SetBody(body);
  return Send(server, message, lastError) == 1;
}

int Notifier::Failed(int set, NotificationKind kind, const std::string& source,
                     const std::string& errorText) {
  {
    std::lock_guard guard(failingLock_);
    if (!failing_[set].insert(source).second) return 1;
  }
  return NotifyError(kind, errorText);
}

void Notifier::Restored(int set, const std::string& source) {
  std::lock_guard guard(failingLock_);
  failing_[set].erase(source);
}

int Notifier::NetworkFailed(const std::string& source, const std::string& errorText) {
  return Failed(kNetworkSet, NotificationKind::NetworkError, source, errorText);
}

void Notifier::NetworkRestored(const std::string& source) {
  Restored(kNetworkSet, source);
}

int Notifier::DatabaseFailed(const std::string& source, const std::string& errorText) {
  return Failed(kDatabaseSet, NotificationKind::DatabaseError, source, errorText);
}

void Notifier::DatabaseRestored(const std::string& source) {
  Restored(kDatabaseSet, source);
}

}  // namespace vellora::notify
