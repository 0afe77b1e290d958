// The setup dialogs that reach outside the program, from the window's menu over an
// engine with the vellora program's ports, on real parts: "Test.." against the test
// PostgreSQL (a data source that answers and one that is down), the server switch to
// the backup server and to one that is down, the RIP definitions registering the RIPs,
// and "Send test mail" through aiosmtpd on port 25 of a loopback address of the test's
// own. While a command runs its button is disabled; the answer comes as a message box.
#include <gtest/gtest.h>

#include "db/test_database.h"
#include "menu_site.h"
#include "notify/mail_peers.h"
#include "ui/config_backup.h"
#include "ui/config_database.h"
#include "ui/config_email.h"
#include "ui/config_rip.h"

namespace vellora::ui {
namespace {

using test::Boxes;
using test::Click;
using test::Enabled;
using test::Has;
using test::MenuSite;
using test::SetCheck;
using test::Type;
using test::WhenOpen;

// The lines of a site on the test database: the main and the backup server, RIP 1 in
// use under a name of the test's own.
std::vector<std::string> DatabaseSite(const std::string& ripName, const std::string& backupDsn,
                                      std::vector<std::string> more = {}) {
  std::vector<std::string> lines = {"DSN=" + std::string(test::kMainDsn),
                                    "DSNuser=" + std::string(test::kDbUser),
                                    "DSNpw=" + test::TestDbPassword(),
                                    "DSN2=" + backupDsn,
                                    "DSNuser2=" + std::string(test::kDbUser),
                                    "DSNpw2=" + test::TestDbPassword(),
                                    "UseRIP1=1",
                                    "RipComputer1=" + ripName,
                                    "RIP1swPath=/nowhere/sw"};
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

// Where a message box shows a database error: never the password.
void ExpectNoPassword(const std::string& text) {
  EXPECT_EQ(text.find(test::TestDbPassword()), std::string::npos) << text;
}

TEST(DatabaseDialogs, TestConnectsWithTheValuesAsTypedAndChangesNothing) {
  ASSERT_TRUE(test::UseTestDatabase());
  MenuSite site({"DSN=", "DSNuser=sa"}, /*production=*/true);
  const std::string before = site.Ini();
  Boxes boxes;
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [&](CConfigDatabase& d) {
    Type(d, "DSN", test::kMainDsn);
    Type(d, "DSNuser", test::kDbUser);
    Type(d, "DSNpw", QString::fromStdString(test::TestDbPassword()));
    Click(d, "Test");
    // The answer comes through the event loop, so it cannot be here yet.
    EXPECT_FALSE(Enabled(d, "Test")) << "disabled while the test runs";
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.shown()[0].text, "Connection OK");
    EXPECT_EQ(boxes.shown()[0].icon, QMessageBox::Information);
    EXPECT_TRUE(test::UiSite::Until([&] { return Enabled(d, "Test"); }));

    // A server nobody answers on: the manager's error text, with the error icon.
    Type(d, "DSN", test::kDownDsn);
    Click(d, "Test");
    ASSERT_TRUE(boxes.WaitFor(2));
    const auto& failed = boxes.shown()[1];
    EXPECT_EQ(failed.icon, QMessageBox::Critical);
    EXPECT_EQ(failed.text.rfind("Error connecting to database", 0), 0u) << failed.text;
    EXPECT_NE(failed.text.find("DSN=" + std::string(test::kDownDsn)), std::string::npos)
        << failed.text;
    ExpectNoPassword(failed.text);

    // An empty data source: said without a connection attempt.
    Type(d, "DSN", "");
    Click(d, "Test");
    ASSERT_TRUE(boxes.WaitFor(3));
    EXPECT_EQ(boxes.shown()[2].text, "Empty DSN or username not allowed");
    EXPECT_TRUE(test::UiSite::Until([&] { return Enabled(d, "Test"); }));
    Click(d, "Cancel");
  }));
  EXPECT_EQ(site.Ini(), before) << "the test stores nothing";
  EXPECT_EQ(site.Engine().Settings()->DSN, "");
}

TEST(DatabaseDialogs, TheSwitchToTheBackupServerAndBackAndToABackupThatIsDown) {
  ASSERT_TRUE(test::UseTestDatabase());
  const std::string rip = test::UniqueName("DialogRip-");
  MenuSite site(DatabaseSite(rip, test::kBackupDsn), /*production=*/true);
  auto processId = [&] { return site.Engine().Snapshot().run[0].processId; };
  ASSERT_TRUE(test::UiSite::Until([&] { return processId() > 0; }, 60000));
  const int mainId = processId();
  EXPECT_LT(mainId, 1001);

  Boxes boxes;
  ASSERT_TRUE(site.Run<CConfigBackup>("ChangeBackup", [&](CConfigBackup& d) {
    auto* current = d.findChild<QLineEdit*>("CurrentServer");
    EXPECT_EQ(current->text(), "Main server");
    Click(d, "GoToBackupServer");
    EXPECT_FALSE(Enabled(d, "GoToBackupServer")) << "disabled while the switch runs";
    EXPECT_FALSE(Enabled(d, "GoToMainServer"));
    EXPECT_FALSE(Enabled(d, "Close"));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.shown()[0].text, "Connected to backup server");
    EXPECT_EQ(boxes.shown()[0].icon, QMessageBox::Information);
    EXPECT_EQ(current->text(), "Backup server");
    EXPECT_TRUE(Enabled(d, "Close"));
    Click(d, "Close");
  }));
  EXPECT_EQ(site.Engine().Settings()->UseBackup, 1);
  EXPECT_GE(processId(), 1001) << "registered again on the backup server";
  EXPECT_TRUE(Has(site.Ini(), "Usebackup=1")) << site.Ini();

  // Opened again, it shows the backup server; back to the main one.
  ASSERT_TRUE(site.Run<CConfigBackup>("ChangeBackup", [&](CConfigBackup& d) {
    auto* current = d.findChild<QLineEdit*>("CurrentServer");
    EXPECT_EQ(current->text(), "Backup server");
    Click(d, "GoToMainServer");
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ(boxes.shown()[1].text, "Connected to main server");
    EXPECT_EQ(current->text(), "Main server");
    Click(d, "Close");
  }));
  EXPECT_EQ(processId(), mainId);
  EXPECT_TRUE(Has(site.Ini(), "Usebackup=0")) << site.Ini();

  // The backup server down: the error, the server shown stays, the choice is kept
  // (every thread now tries the backup server) and Vellora.ini keeps the last switch
  // that worked.
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [&](CConfigDatabase& d) {
    Type(d, "DSN2", test::kDownDsn);
    Click(d, "OK");
  }));
  ASSERT_TRUE(site.Run<CConfigBackup>("ChangeBackup", [&](CConfigBackup& d) {
    Click(d, "GoToBackupServer");
    ASSERT_TRUE(boxes.WaitFor(3));
    const auto& failed = boxes.shown()[2];
    EXPECT_EQ(failed.icon, QMessageBox::Critical);
    EXPECT_EQ(failed.text.rfind("Error connecting to database", 0), 0u) << failed.text;
    ExpectNoPassword(failed.text);
    EXPECT_EQ(d.findChild<QLineEdit*>("CurrentServer")->text(), "Main server");
    Click(d, "Close");
  }));
  EXPECT_EQ(site.Engine().Settings()->UseBackup, 1);
  EXPECT_TRUE(Has(site.Ini(), "Usebackup=0")) << site.Ini();
}

TEST(DatabaseDialogs, TheRipDefinitionsRegisterTheRipsInUseOnOk) {
  ASSERT_TRUE(test::UseTestDatabase());
  const std::string first = test::UniqueName("DialogRip-");
  MenuSite site(DatabaseSite(first, test::kBackupDsn), /*production=*/true);
  auto processId = [&](int rip) { return site.Engine().Snapshot().run[rip].processId; };
  ASSERT_TRUE(test::UiSite::Until([&] { return processId(0) > 0; }, 60000));

  const std::string second = test::UniqueName("DialogRip-");
  ASSERT_TRUE(site.Run<CConfigRip>("GeneralSetup", [&](CConfigRip& d) {
    SetCheck(d, "UseRIP2", true);
    Type(d, "RIP2Name", QString::fromStdString(second));
    Click(d, "OK");
  }));
  ASSERT_TRUE(test::UiSite::Until([&] { return processId(1) > 0; }, 60000));
  EXPECT_EQ(test::RunSql("SELECT ProcessName FROM ProcessConfigurations WHERE ProcessID=" +
                         std::to_string(processId(1))),
            second);
  EXPECT_GT(processId(0), 0) << "RIP 1 registered again";
  EXPECT_EQ(test::RunSql("SELECT ProcessName FROM ProcessConfigurations WHERE ProcessID=" +
                         std::to_string(processId(0))),
            first);
}

TEST(DatabaseDialogs, SendTestMailGoesOutThroughTheFieldsAsTheyAre) {
  const std::string address = test::OwnLoopbackAddress();
  test::SmtpServer smtp;
  ASSERT_TRUE(smtp.Start(address)) << smtp.why();
  MenuSite site({"DSN=", "MailOnRipError=1", "MailSubject=Stored subject"}, /*production=*/true);
  const std::string before = site.Ini();
  Boxes boxes;
  ASSERT_TRUE(site.Run<CConfigDatabase>("SetupDatabase", [&](CConfigDatabase& d) {
    WhenOpen<CConfigEmail> email([&](CConfigEmail& e) {
      Type(e, "MailServer", QString::fromStdString(address));
      Type(e, "MailFrom", "vellora@site");
      Type(e, "MailTo", "ops@site;night@site");
      Type(e, "MailCC", "boss@site");
      // Empty: the test mail has a subject all the same; the field stays empty.
      Type(e, "MailSubject", "");
      Click(e, "SendTestMail");
      EXPECT_FALSE(Enabled(e, "SendTestMail")) << "disabled while the mail goes out";
      ASSERT_TRUE(boxes.WaitFor(1));
      EXPECT_EQ(boxes.shown()[0].text, "Test e-mail was successfully sent");
      EXPECT_EQ(boxes.shown()[0].icon, QMessageBox::Information);
      EXPECT_EQ(e.findChild<QLineEdit*>("MailSubject")->text(), "");
      EXPECT_TRUE(Enabled(e, "SendTestMail"));

      // A server that is not there.
      Type(e, "MailServer", QString::fromStdString(test::OwnLoopbackAddress(1)));
      Click(e, "SendTestMail");
      ASSERT_TRUE(boxes.WaitFor(2));
      EXPECT_EQ(boxes.shown()[1].text, "Test e-mail failed!");
      EXPECT_EQ(boxes.shown()[1].icon, QMessageBox::Warning);
      Click(e, "Cancel");
    });
    Click(d, "EmailNotifications");
    EXPECT_TRUE(email.Ran());
    Click(d, "Cancel");
  }));
  ASSERT_TRUE(smtp.WaitForMessages(1));
  const auto mails = smtp.Messages();
  ASSERT_EQ(mails.size(), 1u);
  const test::ReceivedMail& m = mails[0];
  EXPECT_EQ(m.from, "vellora@site");
  EXPECT_EQ(m.recipients, (std::vector<std::string>{"ops@site", "night@site", "boss@site"}));
  EXPECT_NE(m.data.find("Subject: Vellora error notification\r\n"), std::string::npos) << m.data;
  EXPECT_NE(m.data.find("\r\n\r\nHalvard error notification mail test"), std::string::npos)
      << m.data;
  EXPECT_EQ(site.Ini(), before) << "a test mail stores nothing";
}

}  // namespace
}  // namespace vellora::ui
