// The --send-test-mail tool of vellora-headless.
#include "apps/send_test_mail_tool.h"

#include <atomic>
#include <thread>
#include <vector>

#include "core/settings_io.h"
#include "notify/notifier.h"
#include "platform/pacing.h"
#include "platform/system.h"

namespace vellora::apps {

int RunSendTestMail(const std::string& programFolder, FILE* out, FILE* err) {
  std::vector<std::string> warnings;
  core::SettingsStore store = core::LoadSettings(core::IniPathFor(programFolder), &warnings);
  for (const auto& w : warnings) std::fprintf(err, "%s", w.c_str());

  // The same checks, in the same order, as the setup dialog's button.
  const char* missing = store.MailServer.empty() ? "No mailserver specified"
                        : store.MailFrom.empty() ? "No sender specified"
                        : store.MailTo.empty()   ? "No recipient specified"
                                                 : nullptr;
  if (missing != nullptr) {
    std::fprintf(err, "%s\n", missing);
    return 2;
  }
  const std::string subject = store.MailSubject.empty() ? kTestMailSubject : store.MailSubject;

  core::SettingsHandle settings;
  settings.Publish(store);
  platform::Pacer pacer;
  notify::NotifierOptions options;
  options.warnings = out;
  notify::Notifier notifier(settings, pacer, options);

  // A mail server that hangs holds the tool for up to the session limit; the
  // termination signals, which main() blocks, end it at once instead.
  std::atomic<bool> done{false};
  std::thread watcher([&] {
    while (!done.load()) {
      if (platform::WaitForTerminationSignal(100) != 0) {
        pacer.RequestStop();
        return;
      }
    }
  });
  std::string lastError;
  const bool sent = notifier.SendTestMail(store.MailServer, store.MailFrom, store.MailTo,
                                          store.MailCC, subject, kTestMailBody, &lastError);
  done.store(true);
  watcher.join();

  if (sent) {
    std::fprintf(out, "Test e-mail was successfully sent\n");
    std::fflush(out);
    return 0;
  }
  std::fflush(out);
  std::fprintf(err, "Test e-mail failed!\nLast error: %s\n", lastError.c_str());
  std::fflush(err);
  return 1;
}

}  // namespace vellora::apps
