// The program's mail thread against a real SMTP server (aiosmtpd on port 25 of a
// loopback address of the test's own) and a peer that never answers: network and
// database mails on the change into failure only, bounded by the flood windows; the
// test mail's answer; callers never held up by a mail server that hangs. THREADS.
#include "engine/mail_worker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>

#include "notify/mail_peers.h"
#include "support/child_process.h"

namespace vellora::engine {
namespace {

using test::ReceivedMail;
using test::SmtpServer;

struct Rig {
  explicit Rig(const std::string& server, int sessionLimitMs = 600000) {
    core::SettingsStore s;
    s.MailServer = server;
    s.MailTo = "ops@site";
    s.MailOnNetworkError = 1;
    s.MailOnDbError = 1;
    s.MailPreventFlooding = 0;
    settings.Publish(s);
    warnings = std::tmpfile();
    notify::NotifierOptions options;
    options.warnings = warnings;
    options.sessionLimitMs = sessionLimitMs;
    notifier = std::make_unique<notify::Notifier>(settings, pacer, options);
    mail = std::make_unique<MailWorker>(*notifier);
  }
  ~Rig() {
    pacer.RequestStop();
    mail.reset();
    std::fclose(warnings);
  }
  void Change(const std::function<void(core::SettingsStore&)>& change) { settings.Update(change); }
  std::string Warnings() {
    std::fflush(warnings);
    std::rewind(warnings);
    std::string text;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, warnings)) > 0) text.append(buffer, n);
    std::fseek(warnings, 0, SEEK_END);
    return text;
  }

  core::SettingsHandle settings;
  platform::Pacer pacer;
  FILE* warnings;
  std::unique_ptr<notify::Notifier> notifier;
  std::unique_ptr<MailWorker> mail;
};

TEST(MailWorker, NetworkAndDatabaseMailsOnTheChangeIntoFailureOnly) {
  const std::string address = test::OwnLoopbackAddress();
  SmtpServer server;
  ASSERT_TRUE(server.Start(address)) << server.why();
  Rig rig(address);
  const std::string input = "Unable to access Input folder \\\\files\\in";
  // Every pass that finds the folder gone says so; one mail.
  for (int pass = 0; pass < 5; ++pass) rig.mail->NetworkFailed("\\\\files\\in", input);
  rig.mail->NetworkFailed("/sw1", "Unable to access RIP1 SW folder /sw1");
  rig.mail->DatabaseFailed("HV", "Error connecting to database with connection string 'x'");
  rig.mail->DatabaseFailed("HV", "Error connecting to database with connection string 'x'");
  rig.mail->WaitUntilIdle();
  ASSERT_TRUE(server.WaitForMessages(3));
  std::vector<ReceivedMail> mails = server.Messages();
  ASSERT_EQ(mails.size(), 3u);
  EXPECT_EQ(mails[0].Subject(), "Ostrel error notification mail-network error");
  EXPECT_EQ(mails[0].Body(), input);
  EXPECT_EQ(mails[1].Body(), "Unable to access RIP1 SW folder /sw1");
  EXPECT_EQ(mails[2].Subject(), "Ostrel error notification mail-database connection error");
  EXPECT_EQ(mails[2].Body(), "Error connecting to database with connection string 'x'");

  // Working again, then failing again: mailed again. A source that was never failing
  // comes back without anything happening.
  rig.mail->NetworkRestored("\\\\files\\in");
  rig.mail->NetworkRestored("/never");
  rig.mail->NetworkFailed("\\\\files\\in", input);
  rig.mail->DatabaseRestored("HV");
  rig.mail->WaitUntilIdle();
  ASSERT_TRUE(server.WaitForMessages(4));
  EXPECT_EQ(server.Messages().size(), 4u);

  // With flood prevention on, the windows the mails above opened hold back every
  // further change into failure, whatever its source.
  rig.Change([](core::SettingsStore& s) { s.MailPreventFlooding = 1; });
  rig.mail->DatabaseFailed("HV", "down once more");
  rig.mail->NetworkFailed("/sw2", "Unable to access RIP2 SW folder /sw2");
  rig.mail->WaitUntilIdle();
  EXPECT_EQ(server.Messages().size(), 4u);

  // A kind that is switched off sends nothing.
  rig.Change([](core::SettingsStore& s) {
    s.MailPreventFlooding = 0;
    s.MailOnNetworkError = 0;
  });
  rig.mail->NetworkFailed("/sw3", "Unable to access RIP3 SW folder /sw3");
  rig.mail->WaitUntilIdle();
  EXPECT_EQ(server.Messages().size(), 4u);
  EXPECT_EQ(rig.Warnings(), "");
}

TEST(MailWorker, TheTestMailAnswersWithTheOutcome) {
  const std::string address = test::OwnLoopbackAddress(1);
  SmtpServer server;
  ASSERT_TRUE(server.Start(address)) << server.why();
  Rig rig(address);
  std::mutex mutex;
  std::vector<std::string> answers;
  auto done = [&](bool ok, const std::string& error) {
    std::lock_guard lock(mutex);
    answers.push_back((ok ? "sent " : "failed ") + error);
  };
  rig.mail->SendTestMail({address, "me@site", "you@site", "", "Subject here", "the body"}, done);
  // Nobody listens on port 25 of this address: refused at once.
  rig.mail->SendTestMail({test::OwnLoopbackAddress(2), "me@site", "you@site", "", "s", "the body"},
                         done);
  rig.mail->WaitUntilIdle();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0].rfind("sent ", 0), 0u) << answers[0];
  EXPECT_EQ(answers[1].rfind("failed ", 0), 0u);
  EXPECT_GT(answers[1].size(), std::string("failed ").size()) << "the client's last error";
  EXPECT_EQ(rig.Warnings(), std::string(notify::Notifier::kWarningLine) + "\n");
  ASSERT_TRUE(server.WaitForMessages(1));
  EXPECT_EQ(server.Messages()[0].Subject(), "Subject here");
  EXPECT_EQ(server.Messages()[0].Body(), "the body");
}

TEST(MailWorker, AMailServerThatHangsHoldsUpNoCaller) {
  const std::string address = test::OwnLoopbackAddress(3);
  test::ScriptedPeer peer(
      [](test::PeerStage, const std::string&) { return test::PeerReply::Hang(); }, address, 25);
  ASSERT_TRUE(peer.ok()) << peer.why();
  Rig rig(address);
  rig.mail->NetworkFailed("/a", "Unable to access Input folder /a");
  ASSERT_TRUE(peer.WaitForConnection(1));
  // The mail waits for a greeting that never comes; every further event is queued
  // (up to the limit, then dropped) and the callers go on.
  for (int k = 0; k < 3 * static_cast<int>(MailWorker::kQueueLimit); ++k) {
    rig.mail->NetworkFailed("/f" + std::to_string(k), "Unable to access Input folder /f");
    rig.mail->NotifyError(notify::NotificationKind::RipError, "J Failed on RIP 1");
  }
  EXPECT_EQ(peer.Connections(), 1);
  EXPECT_FALSE(peer.WaitForClientClose(0));
  // The stop request ends the hung mail at once, and the worker with it.
  rig.pacer.RequestStop();
  ASSERT_TRUE(peer.WaitForClientClose());
  rig.mail.reset();
}

}  // namespace
}  // namespace vellora::engine
