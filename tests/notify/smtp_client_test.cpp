// The SMTP client against a scripted peer on a raw socket: the session byte for byte,
// the reply checks and their texts, servers that refuse, close, answer in pieces or
// not at all, and a stop request in the middle of a hung session. THREADS: the peer
// runs on a thread of its own.
#include "notify/smtp_client.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>

#include "notify/mail_peers.h"
#include "platform/clock.h"
#include "platform/system.h"
#include "platform/zone_name.h"

namespace vellora::notify {
namespace {

using test::PeerReply;
using test::PeerStage;
using test::ScriptedPeer;

// What HELO carries on this machine.
std::string HeloLine() {
  return "HELO " + platform::HostName() + "\r\n";
}

std::string DateOf(const MailMessage& m) {
  return FormatMailDate(platform::ToLocal(m.Date()), platform::LocalZoneName(m.Date()));
}

SmtpClient ClientFor(const ScriptedPeer& peer, SmtpOptions options = SmtpOptions()) {
  return SmtpClient("127.0.0.1", peer.port(), std::move(options));
}

MailMessage SimpleMessage() {
  MailMessage m;
  m.SetFrom("vellora@prepress.local");
  m.AddRecipients("ops@site", RecipientKind::To);
  m.SetSubject("S");
  m.SetBody("B");
  return m;
}

TEST(SmtpClient, SessionOnTheWireByteForByte) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.ok()) << peer.why();
  MailMessage m;
  m.SetFrom("vellora@prepress.local");
  m.AddRecipients("ops@site;Night Shift <night@site>", RecipientKind::To);
  m.AddRecipients("cc@site", RecipientKind::Cc);
  m.AddRecipient("bcc@site", "", RecipientKind::Bcc);
  m.SetSubject("Ostrel error notification mail-RIP error");
  // A body that begins with a lone dot, has another lone dot line, a line that
  // begins with a dot, and no final line end.
  m.SetBody(".\r\nP1.PS Failed on RIP 1\r\n.\r\n.hidden\r\nlast");
  {
    SmtpClient client = ClientFor(peer);
    ASSERT_TRUE(client.Connect()) << client.LastError();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_TRUE(client.Connect());  // already connected: nothing more on the wire
    EXPECT_TRUE(client.SendMessage(m)) << client.LastError();
    EXPECT_TRUE(client.Disconnect()) << client.LastError();
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.LastError(), "OK");
    EXPECT_TRUE(client.Disconnect());  // not connected: true, nothing sent
  }
  ASSERT_TRUE(peer.WaitForClientClose());
  EXPECT_EQ(peer.Received(), HeloLine() +
                                 "MAIL From: <vellora@prepress.local>\r\n"
                                 "RCPT TO: <ops@site>\r\n"
                                 "RCPT TO: <night@site>\r\n"
                                 "RCPT TO: <cc@site>\r\n"
                                 "RCPT TO: <bcc@site>\r\n"
                                 "DATA\r\n"
                                 "From: vellora@prepress.local\r\n"
                                 "To: <ops@site>,Night Shift <night@site>\r\n"
                                 "Cc: <cc@site>\r\n"
                                 "Date: " +
                                 DateOf(m) +
                                 "\r\n"
                                 "Subject: Ostrel error notification mail-RIP error\r\n"
                                 "X-Mailer: Tamsel Mail\r\n"
                                 "\r\n"
                                 "..\r\nP1.PS Failed on RIP 1\r\n..\r\n..hidden\r\nlast\r\n"
                                 "\r\n.\r\n"
                                 "QUIT\r\n");
  EXPECT_EQ(peer.Connections(), 1);
}

TEST(SmtpClient, CallsOutOfOrderAndMessagesWithoutTo) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.ok()) << peer.why();
  SmtpClient client = ClientFor(peer);
  MailMessage m = SimpleMessage();
  // Not connected: nothing goes out.
  EXPECT_FALSE(client.SendMessage(m));
  EXPECT_EQ(client.LastError(), "Must be connected");
  EXPECT_TRUE(client.Disconnect());
  EXPECT_EQ(peer.Connections(), 0);

  // Cc only: refused after the connection is open; the caller's Disconnect says QUIT.
  MailMessage ccOnly;
  ccOnly.SetFrom("f@site");
  ccOnly.AddRecipients("cc@site", RecipientKind::Cc);
  ccOnly.SetBody("x");
  ASSERT_TRUE(client.Connect()) << client.LastError();
  EXPECT_FALSE(client.SendMessage(ccOnly));
  EXPECT_EQ(client.LastError(), "No Recipients");
  EXPECT_TRUE(client.Disconnect());
  ASSERT_TRUE(peer.WaitForClientClose());
  EXPECT_EQ(peer.Received(), HeloLine() + "QUIT\r\n");
}

TEST(SmtpClient, EmptyRecipientAndLineBreaks) {
  ScriptedPeer peer([](PeerStage stage, const std::string& line) {
    if (stage == PeerStage::Rcpt && line == "RCPT TO: <>") {
      return PeerReply::Text("501 bad address\r\n");
    }
    return ScriptedPeer::Standard(stage);
  });
  ASSERT_TRUE(peer.ok()) << peer.why();
  {
    // A list ending in ";": an empty pair of brackets in the header and on the wire,
    // its refusal left in the last error, the mail sent all the same.
    MailMessage m = SimpleMessage();
    m.AddRecipients("second@site;", RecipientKind::To);
    SmtpClient client = ClientFor(peer);
    ASSERT_TRUE(client.Connect());
    EXPECT_TRUE(client.SendMessage(m));
    EXPECT_EQ(client.LastError(), "501:SMTP server error");
    EXPECT_NE(m.Header().find("To: <ops@site>,<second@site>,<>\r\n"), std::string::npos);
  }
  ASSERT_TRUE(peer.WaitForClientClose());
  EXPECT_NE(peer.Received().find("RCPT TO: <second@site>\r\nRCPT TO: <>\r\nDATA\r\n"),
            std::string::npos);

  // A line break in the sender, a recipient or the subject would smuggle commands or
  // headers in: nothing of the message goes out.
  for (int which = 0; which < 3; ++which) {
    ScriptedPeer clean;
    ASSERT_TRUE(clean.ok()) << clean.why();
    MailMessage m = SimpleMessage();
    if (which == 0) m.SetFrom("a@site>\r\nRCPT TO: <evil@site");
    if (which == 1) m.AddRecipient("x@site>\r\nDATA", "", RecipientKind::Cc);
    if (which == 2) m.SetSubject("S\r\nBcc: evil@site");
    {
      SmtpClient client = ClientFor(clean);
      ASSERT_TRUE(client.Connect());
      EXPECT_FALSE(client.SendMessage(m));
      EXPECT_EQ(client.LastError(), "Line break in an address or the subject");
    }
    ASSERT_TRUE(clean.WaitForClientClose());
    EXPECT_EQ(clean.Received(), HeloLine() + "QUIT\r\n") << which;
  }
}

TEST(SmtpClient, RefusalsAndTheirTexts) {
  // A refused recipient: the session goes on and the mail counts as sent, the
  // refusal stays in the last error.
  {
    ScriptedPeer peer([](PeerStage stage, const std::string& line) {
      if (stage == PeerStage::Rcpt && line.find("bad@") != std::string::npos) {
        return PeerReply::Text("550 no such user\r\n");
      }
      return ScriptedPeer::Standard(stage);
    });
    ASSERT_TRUE(peer.ok()) << peer.why();
    MailMessage m = SimpleMessage();
    m.AddRecipients("bad@site", RecipientKind::Cc);
    SmtpClient client = ClientFor(peer);
    ASSERT_TRUE(client.Connect());
    EXPECT_TRUE(client.SendMessage(m));
    EXPECT_EQ(client.LastError(), "550:SMTP server error");
  }
  // DATA refused: false, nothing of the message is sent, QUIT still is.
  {
    ScriptedPeer peer([](PeerStage stage, const std::string&) {
      if (stage == PeerStage::Data) return PeerReply::Text("554 no valid recipients\r\n");
      return ScriptedPeer::Standard(stage);
    });
    ASSERT_TRUE(peer.ok()) << peer.why();
    MailMessage m = SimpleMessage();
    {
      SmtpClient client = ClientFor(peer);
      ASSERT_TRUE(client.Connect());
      EXPECT_FALSE(client.SendMessage(m));
      EXPECT_EQ(client.LastError(), "554:SMTP server not ready for data");
    }
    ASSERT_TRUE(peer.WaitForClientClose());
    EXPECT_NE(peer.Received().find("DATA\r\nQUIT\r\n"), std::string::npos);
    EXPECT_EQ(peer.Received().find("Subject:"), std::string::npos);
  }
  // MAIL refused; the data refused after it was sent; QUIT answered wrongly; a reply
  // that is no number.
  struct Case {
    PeerStage stage;
    std::string reply;
    bool sent;
    bool quit;
    std::string error;
  };
  const Case cases[] = {
      {PeerStage::Mail, "553 sender refused\r\n", false, true, "553:SMTP server error"},
      {PeerStage::EndOfData, "552 too big\r\n", false, true, "552:SMTP server error"},
      {PeerStage::Quit, "250 what quit\r\n", true, false,
       "250:SMTP server didn't terminate session"},
      {PeerStage::Mail, "OK fine\r\n", false, true, "0:SMTP server error"},
      {PeerStage::Mail, "2\r\n", false, true, "0:SMTP server error"},
  };
  for (const Case& c : cases) {
    ScriptedPeer peer([&c](PeerStage stage, const std::string&) {
      if (stage == c.stage) return PeerReply::Text(c.reply);
      return ScriptedPeer::Standard(stage);
    });
    ASSERT_TRUE(peer.ok()) << peer.why();
    MailMessage m = SimpleMessage();
    SmtpClient client = ClientFor(peer);
    ASSERT_TRUE(client.Connect());
    EXPECT_EQ(client.SendMessage(m), c.sent) << c.reply;
    EXPECT_EQ(client.Disconnect(), c.quit) << c.reply;
    EXPECT_EQ(client.LastError(), c.error) << c.reply;
  }
}

TEST(SmtpClient, ServersThatDoNotGreet) {
  struct Case {
    PeerReply greeting;
    PeerReply helo;
    std::string error;
  };
  const Case cases[] = {
      // 421 at once, with and without closing.
      {PeerReply::TextThenClose("421 too busy\r\n"), PeerReply::Text("250 x\r\n"),
       "Server didn't respond."},
      {PeerReply::Text("421 too busy\r\n"), PeerReply::Text("250 x\r\n"), "Server didn't respond."},
      // Closed without a word.
      {PeerReply::Close(), PeerReply::Text("250 x\r\n"), "Server didn't respond."},
      // Greets, then refuses HELO, or closes on it.
      {PeerReply::Text("220 hi\r\n"), PeerReply::Text("502 no HELO\r\n"), "502:SMTP server error"},
      {PeerReply::Text("220 hi\r\n"), PeerReply::Close(), "Socket Error"},
  };
  for (const Case& c : cases) {
    ScriptedPeer peer([&c](PeerStage stage, const std::string&) {
      if (stage == PeerStage::Greeting) return c.greeting;
      if (stage == PeerStage::Helo) return c.helo;
      return ScriptedPeer::Standard(stage);
    });
    ASSERT_TRUE(peer.ok()) << peer.why();
    SmtpClient client = ClientFor(peer);
    EXPECT_FALSE(client.Connect()) << c.error;
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.LastError(), c.error);
    // Not connected: Disconnect sends nothing more and succeeds.
    EXPECT_TRUE(client.Disconnect());
  }
}

TEST(SmtpClient, ServerThatGoesAwayMidSession) {
  // 421 and the connection closed in reply to MAIL, and a close without a word on
  // RCPT: the session fails without hanging, and the QUIT that follows fails too.
  for (const PeerReply& onMail :
       {PeerReply::TextThenClose("421 shutting down\r\n"), PeerReply::Close()}) {
    ScriptedPeer peer([&onMail](PeerStage stage, const std::string&) {
      if (stage == PeerStage::Mail) return onMail;
      return ScriptedPeer::Standard(stage);
    });
    ASSERT_TRUE(peer.ok()) << peer.why();
    MailMessage m = SimpleMessage();
    SmtpClient client = ClientFor(peer);
    ASSERT_TRUE(client.Connect());
    EXPECT_FALSE(client.SendMessage(m));
    const std::string error = client.LastError();
    EXPECT_TRUE(error == "421:SMTP server error" || error == "Socket Error") << error;
    if (!onMail.pieces.empty()) {
      EXPECT_EQ(error, "421:SMTP server error");
    }
    EXPECT_FALSE(client.Disconnect());
    EXPECT_FALSE(client.IsConnected());
  }
  // The final reply without a line end before the server closes still counts.
  ScriptedPeer peer([](PeerStage stage, const std::string&) {
    if (stage == PeerStage::Quit) return PeerReply::TextThenClose("221 bye");
    return ScriptedPeer::Standard(stage);
  });
  ASSERT_TRUE(peer.ok()) << peer.why();
  MailMessage m = SimpleMessage();
  SmtpClient client = ClientFor(peer);
  ASSERT_TRUE(client.Connect());
  EXPECT_TRUE(client.SendMessage(m));
  EXPECT_TRUE(client.Disconnect()) << client.LastError();
}

TEST(SmtpClient, RepliesInPiecesAndOfManyLines) {
  // Every reply split over TCP segments, some of them of several lines, one line
  // longer than the reply buffer: each is read whole, so the replies stay in step
  // with the commands and the refusal of the second recipient is the one reported.
  const std::string longLine = "220-" + std::string(3000, 'x') + "\r\n";
  ScriptedPeer peer([&longLine](PeerStage stage, const std::string& line) {
    switch (stage) {
      case PeerStage::Greeting:
        return PeerReply::Pieces({"2", "20-welcome\r\n" + longLine, "220 ready\r\n"});
      case PeerStage::Helo:
        return PeerReply::Pieces({"250-peer greets you\r\n250-", "more\r\n", "250 done\r\n"});
      case PeerStage::Mail:
        return PeerReply::Pieces({"25", "0 sender OK\r", "\n"});
      case PeerStage::Rcpt:
        if (line.find("second@") != std::string::npos) {
          return PeerReply::Pieces({"550-not here\r\n", "550 really not\r\n"});
        }
        return PeerReply::Pieces({"250-OK\r\n", "250 OK\r\n"});
      case PeerStage::Data:
        return PeerReply::Pieces({"35", "4 go\r\n"});
      case PeerStage::EndOfData:
        return PeerReply::Pieces({"250-queued\n", "250 as 42\n"});
      case PeerStage::Quit:
        return PeerReply::Pieces({"22", "1 bye\r\n"});
      default:
        return ScriptedPeer::Standard(stage);
    }
  });
  ASSERT_TRUE(peer.ok()) << peer.why();
  MailMessage m = SimpleMessage();
  m.AddRecipients("second@site;third@site", RecipientKind::To);
  SmtpClient client = ClientFor(peer);
  ASSERT_TRUE(client.Connect()) << client.LastError();
  EXPECT_TRUE(client.SendMessage(m)) << client.LastError();
  EXPECT_EQ(client.LastError(), "550:SMTP server error");
  EXPECT_TRUE(client.Disconnect()) << client.LastError();
}

TEST(SmtpClient, HostsThatCannotBeReached) {
  // A name that does not resolve.
  {
    SmtpClient client("no-such-host.invalid", 25);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastError(), "Unable to connect to server");
    EXPECT_FALSE(client.IsConnected());
  }
  // A port nobody listens on.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof at;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length), 0);
  ::close(fd);
  SmtpClient refused("127.0.0.1", ntohs(at.sin_port));
  EXPECT_FALSE(refused.Connect());
  EXPECT_EQ(refused.LastError(), "Unable to connect to server");
  // An empty host and a port outside the range.
  SmtpClient empty("", 25);
  EXPECT_FALSE(empty.Connect());
  EXPECT_EQ(empty.LastError(), "Unable to connect to server");
  SmtpClient badPort("127.0.0.1", 70000);
  EXPECT_FALSE(badPort.Connect());
  EXPECT_EQ(badPort.LastError(), "Unable to connect to server");
}

TEST(SmtpClient, ServerThatNeverAnswersIsLeftWithinTheSessionLimit) {
  SmtpOptions shortLimit;
  shortLimit.sessionLimitMs = 300;
  // Accepts and never greets.
  {
    ScriptedPeer peer([](PeerStage stage, const std::string&) {
      return stage == PeerStage::Greeting ? PeerReply::Hang() : ScriptedPeer::Standard(stage);
    });
    ASSERT_TRUE(peer.ok()) << peer.why();
    SmtpClient client = ClientFor(peer, shortLimit);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastError(), "Server didn't respond.");
  }
  // Falls silent after the data: the limit holds for the whole session, QUIT included.
  {
    ScriptedPeer peer([](PeerStage stage, const std::string&) {
      return stage == PeerStage::EndOfData ? PeerReply::Hang() : ScriptedPeer::Standard(stage);
    });
    ASSERT_TRUE(peer.ok()) << peer.why();
    MailMessage m = SimpleMessage();
    // Long enough for the steps before the silence on a slow, loaded machine; it
    // runs out all the same.
    SmtpOptions limit;
    limit.sessionLimitMs = 3000;
    SmtpClient client = ClientFor(peer, limit);
    ASSERT_TRUE(client.Connect()) << client.LastError();
    EXPECT_FALSE(client.SendMessage(m));
    EXPECT_EQ(client.LastError(), "Server did not answer in time");
    EXPECT_FALSE(client.Disconnect());
    EXPECT_FALSE(client.IsConnected());
  }
}

TEST(SmtpClient, StopRequestEndsAHungSession) {
  // No limit that could end these sessions within the test's patience: only the stop
  // request can.
  for (const PeerStage hangAt : {PeerStage::Greeting, PeerStage::EndOfData}) {
    ScriptedPeer peer([hangAt](PeerStage stage, const std::string&) {
      return stage == hangAt ? PeerReply::Hang() : ScriptedPeer::Standard(stage);
    });
    ASSERT_TRUE(peer.ok()) << peer.why();
    std::atomic<bool> stop{false};
    SmtpOptions options;
    options.stop = [&stop] { return stop.load(); };
    options.sessionLimitMs = 3600 * 1000;
    auto session = std::async(std::launch::async, [&] {
      SmtpClient client = ClientFor(peer, options);
      MailMessage m = SimpleMessage();
      const bool ok = client.Connect() && client.SendMessage(m);
      client.Disconnect();
      return std::make_pair(ok, client.LastError());
    });
    // Wait until the client sits in the hung wait, then ask it to stop.
    const std::string waitFor = hangAt == PeerStage::Greeting ? "" : "\r\n.\r\n";
    ASSERT_TRUE(peer.WaitForConnection(1));
    ASSERT_TRUE(test::WaitFor(
        [&] { return waitFor.empty() || peer.Received().find(waitFor) != std::string::npos; }));
    stop.store(true);
    ASSERT_EQ(session.wait_for(std::chrono::seconds(60)), std::future_status::ready)
        << "the stop request did not end the session";
    const auto [ok, error] = session.get();
    EXPECT_FALSE(ok);
    if (hangAt == PeerStage::Greeting) {
      // The peer has accepted; whether the client had seen its connect complete when
      // the stop came decides which step failed.
      EXPECT_TRUE(error == "Server didn't respond." || error == "Unable to connect to server")
          << error;
    } else {
      EXPECT_EQ(error, "Stopped");
    }
  }
}

}  // namespace
}  // namespace vellora::notify
