// The notification policy against a real SMTP server (aiosmtpd on port 25 of a
// loopback address of the test's own): the steps of an error event in their order,
// the flood windows with a clock the test sets, the network and database mails on the
// change into failure, four monitors mailing at once, the test mail, and a stop
// request during a mail to a server that never answers. THREADS.
#include "notify/notifier.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "notify/mail_peers.h"
#include "platform/system.h"

namespace vellora::notify {
namespace {

using test::ReceivedMail;
using test::SmtpServer;

// The warning lines a notifier writes, kept in a temporary file.
class WarningSink {
 public:
  WarningSink() : file_(std::tmpfile()) {}
  ~WarningSink() {
    if (file_ != nullptr) std::fclose(file_);
  }
  FILE* file() const { return file_; }
  std::string Text() const {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, n);
    std::fseek(file_, 0, SEEK_END);
    return text;
  }
  int Lines() const {
    const std::string text = Text();
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  }

 private:
  FILE* file_;
};

struct Clock {
  std::atomic<int64_t> now{12 * 3600};
  void At(int hour, int minute, int second) { now = hour * 3600 + minute * 60 + second; }
};

// A notifier with its settings, pacer, clock and warning sink.
struct Rig {
  explicit Rig(const std::string& server) {
    core::SettingsStore s;
    s.MailServer = server;
    s.MailTo = "ops@site;Night Shift <night@site>";
    s.MailCC = "cc@site";
    s.MailOnRipError = 1;
    s.MailOnRipWarning = 1;
    settings.Publish(s);
    NotifierOptions options;
    options.clock = [this] { return clock.now.load(); };
    options.warnings = warnings.file();
    notifier = std::make_unique<Notifier>(settings, pacer, options);
  }
  void Change(const std::function<void(core::SettingsStore&)>& change) { settings.Update(change); }

  core::SettingsHandle settings;
  platform::Pacer pacer;
  Clock clock;
  WarningSink warnings;
  std::unique_ptr<Notifier> notifier;
};

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string SubjectOf(const ReceivedMail& m) {
  const size_t at = m.data.find("Subject: ");
  if (at == std::string::npos) return {};
  return m.data.substr(at + 9, m.data.find("\r\n", at) - at - 9);
}

// The body as sent: the server's data ends with the body's last line end and the
// empty line that comes before the end-of-data dot.
std::string BodyOf(const ReceivedMail& m) {
  const size_t at = m.data.find("\r\n\r\n");
  if (at == std::string::npos || !m.data.ends_with("\r\n\r\n")) return "(malformed)";
  return m.data.substr(at + 4, m.data.size() - at - 6);
}

TEST(Notifier, RipErrorReachesTheServerAsConfigured) {
  const std::string address = test::OwnLoopbackAddress();
  SmtpServer server;
  ASSERT_TRUE(server.Start(address)) << server.why();
  Rig rig(address);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipError, "P1.PS Failed on RIP 2"), 1);
  // An empty configured subject leaves "-" and the kind's word.
  rig.Change([](core::SettingsStore& s) { s.MailSubject.clear(); });
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipWarning,
                                      "P2.PS Completed with warning on RIP 4"),
            1);
  ASSERT_TRUE(server.WaitForMessages(2));
  const std::vector<ReceivedMail> mails = server.Messages();
  ASSERT_EQ(mails.size(), 2u);
  const ReceivedMail& m = mails[0];
  EXPECT_EQ(m.helo, platform::HostName());
  EXPECT_EQ(m.from, core::kDefaultMailFrom);
  EXPECT_EQ(m.recipients, (std::vector<std::string>{"ops@site", "night@site", "cc@site"}));
  EXPECT_EQ(m.data.rfind("From: " + std::string(core::kDefaultMailFrom) + "\r\n", 0), 0u);
  EXPECT_TRUE(Has(m.data, "\r\nTo: <ops@site>,Night Shift <night@site>\r\nCc: <cc@site>\r\n"));
  EXPECT_EQ(SubjectOf(m), "Ostrel error notification mail-RIP error");
  EXPECT_TRUE(Has(m.data, "\r\nX-Mailer: Tamsel Mail\r\n\r\n"));
  EXPECT_EQ(BodyOf(m), "P1.PS Failed on RIP 2\r\n");
  EXPECT_EQ(SubjectOf(mails[1]), "-RIP warning");
  EXPECT_EQ(BodyOf(mails[1]), "P2.PS Completed with warning on RIP 4\r\n");
  EXPECT_EQ(rig.warnings.Lines(), 0);
}

TEST(Notifier, StepsInTheirOrder) {
  // No server at all: every answer here comes before the connection is tried.
  Rig rig(test::OwnLoopbackAddress(1));
  // A disabled kind returns 1 and touches nothing, not even its window.
  rig.Change([](core::SettingsStore& s) { s.MailOnRipError = 0; });
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipError, "J Failed on RIP 1"), 1);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::NetworkError, "x"), 1);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::DatabaseError, "x"), 1);
  // Incomplete settings or body: 0, nothing tried, no window started.
  const std::function<void(core::SettingsStore&)> holes[] = {
      [](core::SettingsStore& s) { s.MailServer.clear(); },
      [](core::SettingsStore& s) { s.MailFrom.clear(); },
      [](core::SettingsStore& s) { s.MailTo.clear(); },
  };
  for (const auto& hole : holes) {
    Rig r(test::OwnLoopbackAddress(1));
    r.Change(hole);
    EXPECT_EQ(r.notifier->NotifyError(NotificationKind::RipWarning, "J"), 0);
    r.Change([](core::SettingsStore& s) {
      s.MailServer = test::OwnLoopbackAddress(1);
      s.MailFrom = "f@site";
      s.MailTo = "ops@site";
    });
    // The window was not started: the next event is tried (and fails to connect).
    EXPECT_EQ(r.notifier->NotifyError(NotificationKind::RipWarning, "J"), 0);
    EXPECT_EQ(r.warnings.Lines(), 1);
  }
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipWarning, ""), 0);
  EXPECT_EQ(rig.warnings.Lines(), 0);
  EXPECT_EQ(rig.notifier->NotifyError(static_cast<NotificationKind>(9), "x"), 1);
}

TEST(Notifier, FloodWindowsHoldBackAndReopen) {
  const std::string address = test::OwnLoopbackAddress();
  SmtpServer server;
  ASSERT_TRUE(server.Start(address)) << server.why();
  Rig rig(address);
  rig.clock.At(12, 0, 0);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipError, "A Failed on RIP 1"), 1);
  rig.clock.At(12, 5, 0);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipWarning, "B warned"), 1);
  rig.clock.At(12, 9, 59);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipError, "C Failed on RIP 1"), 1);
  rig.clock.At(12, 10, 0);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipError, "D Failed on RIP 1"), 1);
  // A window of 0 minutes holds nothing back.
  rig.Change([](core::SettingsStore& s) { s.MailFloodingTime = 0; });
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipError, "E Failed on RIP 1"), 1);
  ASSERT_TRUE(server.WaitForMessages(4));
  // Nothing more arrives: C was dropped.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<ReceivedMail> mails = server.Messages();
  ASSERT_EQ(mails.size(), 4u);
  EXPECT_EQ(BodyOf(mails[0]), "A Failed on RIP 1\r\n");
  EXPECT_EQ(BodyOf(mails[1]), "B warned\r\n");
  EXPECT_EQ(BodyOf(mails[2]), "D Failed on RIP 1\r\n");
  EXPECT_EQ(BodyOf(mails[3]), "E Failed on RIP 1\r\n");
}

TEST(Notifier, FailedSendStillStartsTheWindow) {
  // Nothing listens on this address: the attempt at 12:00 fails, and still holds
  // back the next event of its kind until 12:10.
  Rig rig(test::OwnLoopbackAddress(1));
  rig.clock.At(12, 0, 0);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipError, "A Failed on RIP 1"), 0);
  EXPECT_EQ(rig.warnings.Text(), "WARNING: Unable to send warning mail\n");
  rig.clock.At(12, 9, 59);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipError, "B Failed on RIP 1"), 1);
  EXPECT_EQ(rig.warnings.Lines(), 1);
  rig.clock.At(12, 10, 0);
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipError, "C Failed on RIP 1"), 0);
  EXPECT_EQ(rig.warnings.Lines(), 2);
  // A name that does not resolve fails the same way.
  rig.Change([](core::SettingsStore& s) { s.MailServer = "no-such-host.invalid"; });
  EXPECT_EQ(rig.notifier->NotifyError(NotificationKind::RipWarning, "W"), 0);
  EXPECT_EQ(rig.warnings.Lines(), 3);
}

TEST(Notifier, FourMonitorsMailingAtOnce) {
  const std::string address = test::OwnLoopbackAddress();
  SmtpServer server;
  ASSERT_TRUE(server.Start(address)) << server.why();
  Rig rig(address);
  rig.Change([](core::SettingsStore& s) { s.MailPreventFlooding = 0; });
  // Round 1: each monitor's job fails at the same moment; every mail goes.
  // Round 2: prevention on, all four warn at once: one mail, the others are held.
  std::atomic<int> results[2] = {0, 0};
  std::barrier start(4);
  std::vector<std::thread> monitors;
  for (int rip = 1; rip <= 4; ++rip) {
    monitors.emplace_back([&, rip] {
      start.arrive_and_wait();
      results[0] += rig.notifier->NotifyError(
          NotificationKind::RipError,
          "JOB" + std::to_string(rip) + " Failed on RIP " + std::to_string(rip));
      start.arrive_and_wait();
      if (rip == 1) rig.Change([](core::SettingsStore& s) { s.MailPreventFlooding = 1; });
      start.arrive_and_wait();
      results[1] +=
          rig.notifier->NotifyError(NotificationKind::RipWarning, "W" + std::to_string(rip));
    });
  }
  for (auto& t : monitors) t.join();
  EXPECT_EQ(results[0].load(), 4);
  EXPECT_EQ(results[1].load(), 4);  // held back counts as 1 too
  ASSERT_TRUE(server.WaitForMessages(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<ReceivedMail> mails = server.Messages();
  ASSERT_EQ(mails.size(), 5u);
  std::set<std::string> bodies;
  int warnings = 0;
  for (const ReceivedMail& m : mails) {
    bodies.insert(BodyOf(m));
    if (SubjectOf(m).ends_with("-RIP warning")) ++warnings;
  }
  for (int rip = 1; rip <= 4; ++rip) {
    EXPECT_TRUE(bodies.count("JOB" + std::to_string(rip) + " Failed on RIP " + std::to_string(rip) +
                             "\r\n"))
        << rip;
  }
  EXPECT_EQ(warnings, 1);
}

TEST(Notifier, NetworkAndDatabaseMailOnTheChangeIntoFailure) {
  const std::string address = test::OwnLoopbackAddress();
  SmtpServer server;
  ASSERT_TRUE(server.Start(address)) << server.why();
  Rig rig(address);
  const std::string sw = "Unable to access RIP1 SW folder \\\\HQRIP1\\sw";
  const std::string input = "Unable to access input folder \\\\files\\in";
  // Disabled: nothing, but the failure is noted all the same.
  EXPECT_EQ(rig.notifier->NetworkFailed("rip1", sw), 1);
  rig.Change([](core::SettingsStore& s) {
    s.MailOnNetworkError = 1;
    s.MailOnDbError = 1;
    s.MailPreventFlooding = 0;
  });
  EXPECT_EQ(rig.notifier->NetworkFailed("rip1", sw), 1);  // still failing: no mail
  EXPECT_EQ(rig.notifier->NetworkFailed("input1", input), 1);
  EXPECT_EQ(rig.notifier->NetworkFailed("input1", input), 1);
  rig.notifier->NetworkRestored("rip1");
  EXPECT_EQ(rig.notifier->NetworkFailed("rip1", sw), 1);
  EXPECT_EQ(rig.notifier->DatabaseFailed("MainDb", "ERROR (DATABASEMGR): no connection"), 1);
  EXPECT_EQ(rig.notifier->DatabaseFailed("MainDb", "ERROR (DATABASEMGR): no connection"), 1);
  rig.notifier->DatabaseRestored("MainDb");
  // The flood window bounds them like any other kind.
  rig.Change([](core::SettingsStore& s) { s.MailPreventFlooding = 1; });
  EXPECT_EQ(rig.notifier->DatabaseFailed("MainDb", "again"), 1);
  ASSERT_TRUE(server.WaitForMessages(3));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<ReceivedMail> mails = server.Messages();
  ASSERT_EQ(mails.size(), 3u);
  EXPECT_EQ(SubjectOf(mails[0]), "Ostrel error notification mail-network error");
  EXPECT_EQ(BodyOf(mails[0]), input + "\r\n");
  EXPECT_EQ(SubjectOf(mails[1]), "Ostrel error notification mail-network error");
  EXPECT_EQ(BodyOf(mails[1]), sw + "\r\n");
  EXPECT_EQ(SubjectOf(mails[2]), "Ostrel error notification mail-database connection error");
  EXPECT_EQ(BodyOf(mails[2]), "ERROR (DATABASEMGR): no connection\r\n");
}

TEST(Notifier, TestMailWithExactlyTheGivenValues) {
  const std::string address = test::OwnLoopbackAddress();
  SmtpServer server;
  ASSERT_TRUE(server.Start(address)) << server.why();
  Rig rig(address);
  // No enable flag, no window, no subject word.
  rig.Change([](core::SettingsStore& s) {
    s.MailOnRipError = 0;
    s.MailOnRipWarning = 0;
  });
  std::string error;
  EXPECT_TRUE(rig.notifier->SendTestMail(address, "admin@site", "a@site;b@site", "", "Hello",
                                         "Halvard error notification mail test", &error));
  EXPECT_EQ(error, "OK");
  EXPECT_TRUE(rig.notifier->SendTestMail(address, "admin@site", "a@site", "", "Hello", "again"));
  ASSERT_TRUE(server.WaitForMessages(2));
  const std::vector<ReceivedMail> mails = server.Messages();
  EXPECT_EQ(mails[0].from, "admin@site");
  EXPECT_EQ(mails[0].recipients, (std::vector<std::string>{"a@site", "b@site"}));
  EXPECT_EQ(SubjectOf(mails[0]), "Hello");
  EXPECT_EQ(BodyOf(mails[0]), "Halvard error notification mail test\r\n");

  // Empty values: nothing tried.
  EXPECT_FALSE(rig.notifier->SendTestMail("", "f@site", "a@site", "", "S", "B", &error));
  EXPECT_FALSE(rig.notifier->SendTestMail(address, "", "a@site", "", "S", "B"));
  EXPECT_FALSE(rig.notifier->SendTestMail(address, "f@site", "", "", "S", "B"));
  EXPECT_FALSE(rig.notifier->SendTestMail(address, "f@site", "a@site", "", "S", ""));
  EXPECT_EQ(rig.warnings.Lines(), 0);
  // A server that is not there: the warning line and the client's error.
  EXPECT_FALSE(rig.notifier->SendTestMail(test::OwnLoopbackAddress(1), "f@site", "a@site", "", "S",
                                          "B", &error));
  EXPECT_EQ(error, "Unable to connect to server");
  EXPECT_EQ(rig.warnings.Text(), "WARNING: Unable to send warning mail\n");
}

TEST(Notifier, StopRequestEndsAMailToAServerThatNeverAnswers) {
  for (const test::PeerStage hangAt : {test::PeerStage::Greeting, test::PeerStage::Data}) {
    test::ScriptedPeer peer(
        [hangAt](test::PeerStage stage, const std::string&) {
          return stage == hangAt ? test::PeerReply::Hang() : test::ScriptedPeer::Standard(stage);
        },
        test::OwnLoopbackAddress(2), 25);
    ASSERT_TRUE(peer.ok()) << peer.why();
    Rig rig(peer.address());
    auto mail = std::async(std::launch::async, [&] {
      return rig.notifier->NotifyError(NotificationKind::RipError, "J Failed on RIP 3");
    });
    ASSERT_TRUE(peer.WaitForConnection(1));
    if (hangAt == test::PeerStage::Data) {
      ASSERT_TRUE(test::WaitFor([&] { return Has(peer.Received(), "DATA\r\n"); }));
    }
    rig.pacer.RequestStop();
    ASSERT_EQ(mail.wait_for(std::chrono::seconds(60)), std::future_status::ready)
        << "the stop request did not end the mail";
    EXPECT_EQ(mail.get(), 0);
    // Stopped while connecting: the warning line; later in the session: none.
    EXPECT_EQ(rig.warnings.Lines(), hangAt == test::PeerStage::Greeting ? 1 : 0);
  }
}

}  // namespace
}  // namespace vellora::notify
