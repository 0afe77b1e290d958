// vellora-headless --send-test-mail as administrators run it: the three checks in
// their order, the test mail on a real SMTP server, the failure with the client's
// error.
#include <gtest/gtest.h>

#include "notify/mail_peers.h"

namespace vellora::test {
namespace {

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error
};

ToolRun RunTool(const TempDir& dir, const std::string& ini) {
  WriteFile(dir / "Vellora.ini", ini);
  ToolRun run;
  run.status = RunProgram(Headless(), {"--dir", dir.path(), "--send-test-mail"}, &run.output);
  return run;
}

TEST(SendTestMailTool, ChecksInOrderWithTheirTexts) {
  TempDir dir;
  // All empty: the first check only.
  ToolRun r = RunTool(dir, "[Setup]\r\nMailServer=\r\nMailFrom=\r\nMailTo=\r\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.output, "No mailserver specified\n");
  r = RunTool(dir, "[Setup]\r\nMailServer=mail.site\r\nMailFrom=\r\nMailTo=\r\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.output, "No sender specified\n");
  // MailFrom has a default, so only an empty value in the file fails the check.
  r = RunTool(dir, "[Setup]\r\nMailServer=mail.site\r\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.output, "No recipient specified\n");
}

TEST(SendTestMailTool, SendsTheTestMail) {
  const std::string address = OwnLoopbackAddress();
  SmtpServer server;
  ASSERT_TRUE(server.Start(address)) << server.why();
  TempDir dir;
  // Empty subject: the tool's own.
  ToolRun r = RunTool(dir, "[Setup]\r\nMailServer=" + address +
                               "\r\nMailTo=ops@site; Boss <boss@site>\r\nMailCC=cc@site\r\n"
                               "MailSubject=\r\nMailOnRipError=0\r\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "Test e-mail was successfully sent\n");
  // A configured subject as it stands, without a kind's word.
  r = RunTool(
      dir, "[Setup]\r\nMailServer=" + address + "\r\nMailFrom=admin@site\r\nMailTo=ops@site\r\n");
  EXPECT_EQ(r.status, 0) << r.output;
  ASSERT_TRUE(server.WaitForMessages(2));
  const std::vector<ReceivedMail> mails = server.Messages();
  EXPECT_EQ(mails[0].from, "vellora@prepress.local");
  EXPECT_EQ(mails[0].recipients, (std::vector<std::string>{"ops@site", "boss@site", "cc@site"}));
  EXPECT_NE(mails[0].data.find("\r\nTo: <ops@site>, Boss <boss@site>\r\nCc: <cc@site>\r\n"),
            std::string::npos)
      << mails[0].data;
  EXPECT_NE(mails[0].data.find("\r\nSubject: Vellora error notification\r\n"), std::string::npos);
  EXPECT_NE(mails[0].data.find("\r\n\r\nHalvard error notification mail test\r\n"),
            std::string::npos);
  EXPECT_EQ(mails[1].from, "admin@site");
  EXPECT_NE(mails[1].data.find("\r\nSubject: Ostrel error notification mail\r\n"),
            std::string::npos);
}

TEST(SendTestMailTool, ReportsTheFailure) {
  TempDir dir;
  // Nothing listens on this address.
  ToolRun r =
      RunTool(dir, "[Setup]\r\nMailServer=" + OwnLoopbackAddress(1) + "\r\nMailTo=ops@site\r\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("WARNING: Unable to send warning mail\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Test e-mail failed!\nLast error: Unable to connect to server\n"),
            std::string::npos)
      << r.output;
  // A server that refuses the data.
  ScriptedPeer peer(
      [](PeerStage stage, const std::string&) {
        return stage == PeerStage::Data ? PeerReply::Text("554 no thanks\r\n")
                                        : ScriptedPeer::Standard(stage);
      },
      OwnLoopbackAddress(2), 25);
  ASSERT_TRUE(peer.ok()) << peer.why();
  r = RunTool(dir, "[Setup]\r\nMailServer=" + peer.address() + "\r\nMailTo=ops@site\r\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "Test e-mail failed!\nLast error: 554:SMTP server not ready for data\n");
}

}  // namespace
}  // namespace vellora::test
