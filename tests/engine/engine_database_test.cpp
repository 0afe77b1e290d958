// The engine with every port connected, as vellora-headless has it, on real parts: a
// ripsim RIP, the test database through psqlODBC, aiosmtpd on port 25 of a loopback
// address of the test's own. Registration by the scanner, remote control through the
// workflow's Enabled flag, the server switch (to a backup that answers and to one that
// is down), the RIP definitions' registration, the test mail, a database that stops
// in the middle of a run, and the network and database mails. THREADS.
#include <signal.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "db/db_fixture.h"
#include "engine/engine.h"
#include "engine/mail_worker.h"
#include "engine/production_database.h"
#include "engine/production_database_control.h"
#include "engine/production_rip_services.h"
#include "notify/mail_peers.h"
#include "support/child_process.h"
#include "support/recording_display.h"

namespace vellora::test {
namespace {

namespace fs = std::filesystem;

class EngineDatabaseTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    for (const std::string& d : {in_, sw_, spool_}) MakeDirs(d);
    ripName_ = UniqueName("EngineRip-");
    mailAddress_ = OwnLoopbackAddress();
  }
  void TearDown() override {
    if (engine_) {
      engine_->RequestStop();
      engine_->WaitUntilStopped();
    }
    engine_.reset();
    control_.reset();
    rip_.reset();
    mail_.reset();
    notifier_.reset();
    database_.reset();
    if (ripsim_.Running()) {
      ripsim_.Signal(SIGTERM);
      ripsim_.Wait(5000);
    }
  }

  // Vellora.ini of the site: one RIP, one input folder, the test database, mail to
  // the test's server; more keys of section Setup in extra.
  void WriteSettings(const char* dsn, const std::string& extra = "") {
    WriteFile(dir_ / "Vellora.ini",
              "[Setup]\r\nLogging=1\r\nStableTime=0\r\nDSN=" + std::string(dsn) + "\r\nDSNuser=" +
                  kDbUser + "\r\nDSNpw=" + TestDbPassword() + "\r\nDSN2=" + kBackupDsn +
                  "\r\nDSNuser2=" + kDbUser + "\r\nDSNpw2=" + TestDbPassword() +
                  "\r\nUseRIP1=1\r\nRipComputer1=" + ripName_ + "\r\nRIP1swPath=" + sw_ +
                  "\r\nNumberOfSpoolers=1\r\nEnable1=1\r\nSetupName1=News\r\nInputSpool1=" + in_ +
                  "\r\nRIP1Spool1=" + spool_ + "\r\nMailServer=" + mailAddress_ +
                  "\r\nMailTo=ops@site\r\n" + extra);
  }
  bool StartRip() {
    return ripsim_.Start(Ripsim(),
                         {"--sw", sw_, "--spool", spool_, "--rip-ms", "50", "--poll-ms", "20"},
                         dir_ / "ripsim.txt") &&
           WaitForRipsimStarted(sw_);
  }
  void StartEngine() {
    database_ = std::make_unique<engine::ProductionDatabase>(shared_);
    notify::NotifierOptions options;
    options.warnings = stderr;
    notifier_ = std::make_unique<notify::Notifier>(shared_.settings, pacer_, options);
    mail_ = std::make_unique<engine::MailWorker>(*notifier_);
    rip_ = std::make_unique<engine::ProductionRipServices>(
        shared_, database_->MainDb(), *mail_,
        engine::ProductionRipLookup(shared_, database_->Names(), &database_->NameDb()));
    control_ = std::make_unique<engine::ProductionDatabaseControl>(database_->MainDb());
    engine_ = std::make_unique<engine::Engine>(
        engine::EnginePorts{*database_, pdf_, *rip_, display_, pacer_, shared_, dir_.path(),
                            mail_.get(), control_.get()});
    engine_->Start();
  }
  int ProcessId() { return engine_->Snapshot().run[0].processId; }
  std::string LastCall(const std::string& prefix) {
    std::string found;
    for (const auto& c : display_.Calls()) {
      if (c.rfind(prefix, 0) == 0) found = c;
    }
    return found;
  }
  bool Tracking() { return engine_->Snapshot().run[0].tracking; }
  // A column of the RIP's process row, on the server the data source names.
  std::string Process(const std::string& column, const char* dsn = kMainDsn) {
    auto m = Connected(dsn);
    return Value(*m, "SELECT " + column + " FROM ProcessConfigurations WHERE ProcessID=" +
                         std::to_string(ProcessId()));
  }
  void Run(const std::string& sql, const char* dsn = kMainDsn) {
    auto m = Connected(dsn);
    std::vector<std::vector<std::string>> rows;
    std::string error;
    ASSERT_TRUE(m->RunStatement(sql, rows, error)) << error;
  }

  std::string in_ = dir_ / "in", sw_ = dir_ / "sw", spool_ = dir_ / "spool";
  std::string ripName_, mailAddress_;
  RecordingDisplay display_;
  platform::Pacer pacer_{0.01};
  core::SharedState shared_;
  engine::NoPdfRewriter pdf_;
  ChildProcess ripsim_;
  std::unique_ptr<engine::ProductionDatabase> database_;
  std::unique_ptr<notify::Notifier> notifier_;
  std::unique_ptr<engine::MailWorker> mail_;
  std::unique_ptr<engine::ProductionRipServices> rip_;
  std::unique_ptr<engine::ProductionDatabaseControl> control_;
  std::unique_ptr<engine::Engine> engine_;
};

TEST_F(EngineDatabaseTest, TheWorkflowSwitchesTheRipOffAndOnThroughItsEnabledFlag) {
  WriteSettings(kMainDsn, "AllowRemoteControl=1\r\n");
  ASSERT_TRUE(StartRip());
  StartEngine();
  // The scanner registers the RIP after its connection; the monitor reports.
  ASSERT_TRUE(WaitFor([&] { return ProcessId() > 0; }));
  EXPECT_EQ(Process("ProcessName"), ripName_);
  ASSERT_TRUE(WaitFor([&] { return Process("State") == "1"; }));
  EXPECT_TRUE(Tracking());

  Run("UPDATE ProcessConfigurations SET Enabled=0 WHERE ProcessID=" + std::to_string(ProcessId()));
  ASSERT_TRUE(WaitFor([&] { return !Tracking(); }));
  // The switch moves first; the display hears of it on the relay's thread.
  EXPECT_TRUE(WaitFor([&] { return display_.Has("RIP1 Switch off"); }));
  // The monitor sees it at its next pass: state 0 in the process table.
  ASSERT_TRUE(WaitFor([&] { return Process("State") == "0"; }));
  EXPECT_EQ(Process("Enabled"), "0");

  // Written until the RIP runs: the engine writes the 0 of its own toggle after the
  // switch has moved, and a late write would put back the 0 over a single 1.
  ASSERT_TRUE(WaitFor([&] {
    Run("UPDATE ProcessConfigurations SET Enabled=1 WHERE ProcessID=" +
        std::to_string(ProcessId()));
    return Tracking();
  }));
  ASSERT_TRUE(WaitFor([&] { return Process("State") == "1"; }));

  // The operator's switch writes the enabled flag the poller then reads back.
  engine_->ToggleRip(core::RipIndex(0));
  ASSERT_TRUE(WaitFor([&] { return Process("Enabled") == "0"; }));
  engine_->ToggleRip(core::RipIndex(0));
  ASSERT_TRUE(WaitFor([&] { return Process("Enabled") == "1"; }));
  EXPECT_TRUE(Tracking());
}

TEST_F(EngineDatabaseTest, ServerSwitchToABackupThatAnswersAndToOneThatIsDown) {
  WriteSettings(kMainDsn);
  ASSERT_TRUE(StartRip());
  StartEngine();
  ASSERT_TRUE(WaitFor([&] { return ProcessId() > 0; }));
  const int mainId = ProcessId();
  EXPECT_LT(mainId, 1001);

  engine_->SwitchServer(true);
  engine_->WaitUntilIdle();
  EXPECT_TRUE(display_.Has("ServerSwitched 1 Backup server | Connected to backup server"))
      << LastCall("ServerSwitched");
  EXPECT_GE(ProcessId(), 1001) << "registered again on the backup server";
  EXPECT_EQ(engine_->Settings()->UseBackup, 1);
  EXPECT_NE(ReadFile(dir_ / "Vellora.ini").find("Usebackup=1"), std::string::npos);

  engine_->SwitchServer(false);
  engine_->WaitUntilIdle();
  EXPECT_TRUE(display_.Has("ServerSwitched 1 Main server | Connected to main server"));
  EXPECT_EQ(ProcessId(), mainId);

  // A backup that is down: the error, and the choice kept.
  engine_->ApplySetup([](core::SettingsStore& s) { s.DSN2 = kDownDsn; }, engine::SetupScope{});
  engine_->SwitchServer(true);
  engine_->WaitUntilIdle();
  const std::string answer = LastCall("ServerSwitched");
  EXPECT_EQ(answer.rfind("ServerSwitched 0  | Error connecting to database", 0), 0u) << answer;
  EXPECT_NE(answer.find("PWD=***"), std::string::npos) << "never the password";
  EXPECT_EQ(engine_->Settings()->UseBackup, 1);
}

TEST_F(EngineDatabaseTest, TheRipDefinitionsRegisterTheRipsAndTheTestMailGoesOut) {
  SmtpServer smtp;
  ASSERT_TRUE(smtp.Start(mailAddress_)) << smtp.why();
  WriteSettings(kMainDsn);
  StartEngine();
  ASSERT_TRUE(WaitFor([&] { return ProcessId() > 0; }));
  const int first = ProcessId();
  // The RIP renamed in "RIP definitions" and accepted: a process of its own.
  const std::string renamed = UniqueName("Renamed-");
  engine::SetupScope scope;
  scope.registerRips = true;
  engine_->ApplySetup([&](core::SettingsStore& s) { s.Rips[0].RIPName = renamed; }, scope);
  engine_->WaitUntilIdle();
  EXPECT_GT(ProcessId(), 0);
  EXPECT_NE(ProcessId(), first);
  EXPECT_EQ(Process("ProcessName"), renamed);

  engine_->SendTestMail(mailAddress_, "me@site", "you@site", "them@site", "");
  ASSERT_TRUE(WaitFor([&] { return display_.Count("TestMailSent 1") > 0; }));
  ASSERT_TRUE(smtp.WaitForMessages(1));
  const ReceivedMail m = smtp.Messages()[0];
  EXPECT_EQ(m.Subject(), "Vellora error notification");
  EXPECT_EQ(m.Body(), "Halvard error notification mail test");
  EXPECT_EQ(m.recipients, (std::vector<std::string>{"you@site", "them@site"}));
}

TEST_F(EngineDatabaseTest, ADatabaseThatStopsMidRun) {
  SpareServerLease lease;
  WriteSettings(kSpareDsn, "AllowRemoteControl=1\r\n");
  ASSERT_TRUE(StartRip());
  StartEngine();
  ASSERT_TRUE(WaitFor([&] { return ProcessId() > 0; }));
  ASSERT_TRUE(WaitFor([&] { return Process("State", kSpareDsn) == "1"; }));

  ASSERT_TRUE(lease.Pause());
  // Intake goes on, and the RIP stays on: an outage is no "disabled".
  const uint64_t down = pacer_.RequestedMilliseconds();
  ASSERT_TRUE(WaitFor([&] { return pacer_.RequestedMilliseconds() > down + 4 * 5000; }));
  WriteFile(in_ + "/during.ps", "%!PS\n");
  ASSERT_TRUE(WaitFor([&] { return Exists(sw_ + "/processed/during.ps"); }));
  EXPECT_TRUE(Tracking());
  ASSERT_TRUE(lease.Resume());

  // The monitor reports again, and the poller follows the flag again.
  Run("UPDATE ProcessConfigurations SET State=99 WHERE ProcessID=" + std::to_string(ProcessId()),
      kSpareDsn);
  ASSERT_TRUE(WaitFor([&] { return Process("State", kSpareDsn) == "1"; }));
  Run("UPDATE ProcessConfigurations SET Enabled=0 WHERE ProcessID=" + std::to_string(ProcessId()),
      kSpareDsn);
  ASSERT_TRUE(WaitFor([&] { return !Tracking(); }));
}

TEST_F(EngineDatabaseTest, NetworkAndDatabaseMailsOnTheChangeIntoFailureOnly) {
  SmtpServer smtp;
  ASSERT_TRUE(smtp.Start(mailAddress_)) << smtp.why();
  WriteSettings(kDownDsn, "MailOnDbError=1\r\nMailOnNetworkError=1\r\nMailPreventFlooding=0\r\n");
  fs::remove_all(in_);
  StartEngine();
  ASSERT_TRUE(smtp.WaitForMessages(2));
  // Many passes later, still the two.
  const uint64_t failing = pacer_.RequestedMilliseconds();
  ASSERT_TRUE(WaitFor([&] { return pacer_.RequestedMilliseconds() > failing + 10 * 5000; }));
  mail_->WaitUntilIdle();
  std::vector<ReceivedMail> mails = smtp.Messages();
  ASSERT_EQ(mails.size(), 2u);
  std::sort(mails.begin(), mails.end(),
            [](const ReceivedMail& a, const ReceivedMail& b) { return a.Subject() < b.Subject(); });
  EXPECT_EQ(mails[0].Subject(), "Ostrel error notification mail-database connection error");
  EXPECT_EQ(mails[0].Body().rfind("Error connecting to database", 0), 0u) << mails[0].Body();
  EXPECT_NE(mails[0].Body().find("PWD=***"), std::string::npos);
  EXPECT_EQ(mails[1].Subject(), "Ostrel error notification mail-network error");
  EXPECT_EQ(mails[1].Body(), "Unable to access Input folder " + in_);

  // The folder back, then gone again: mailed again.
  MakeDirs(in_);
  WriteFile(in_ + "/back.ps", "%!PS\n");
  // Delivered: the scanner has seen the folder working.
  ASSERT_TRUE(WaitFor([&] { return Exists(spool_ + "/back.ps"); }));
  fs::remove_all(in_);
  ASSERT_TRUE(smtp.WaitForMessages(3));
  EXPECT_EQ(smtp.Messages()[2].Body(), "Unable to access Input folder " + in_);
}

// The program itself: vellora-headless with the site's Vellora.ini, a page dropped in
// its input folder, ripsim failing it. The mail reaches the server, the entry the
// database, the RIP's process row its state.
TEST_F(EngineDatabaseTest, VelloraHeadlessReportsAFailedJobEverywhere) {
  SmtpServer smtp;
  ASSERT_TRUE(smtp.Start(mailAddress_)) << smtp.why();
  WriteSettings(kMainDsn, "MailOnRipError=1\r\nRipLogError=1\r\n");
  ripsim_.Start(
      Ripsim(),
      {"--sw", sw_, "--spool", spool_, "--rip-ms", "50", "--poll-ms", "20", "--fail-every", "1"},
      dir_ / "ripsim.txt");
  ASSERT_TRUE(WaitForRipsimStarted(sw_));
  ChildProcess program;
  ASSERT_TRUE(program.Start(Headless(), {"--dir", dir_.path()}, dir_ / "console.txt",
                            {{"VELLORA_TIME_SCALE", "0.01"}}));
  WriteFile(in_ + "/broken.ps", "%!PS\n");
  ASSERT_TRUE(smtp.WaitForMessages(1)) << ReadFile(dir_ / "console.txt");
  EXPECT_EQ(smtp.Messages()[0].Subject(), "Ostrel error notification mail-RIP error");
  EXPECT_EQ(smtp.Messages()[0].Body(), "BROKEN.PS Failed on RIP 1");
  auto m = Connected(kMainDsn);
  const std::string id =
      Value(*m, "SELECT ProcessID FROM ProcessConfigurations WHERE ProcessName='" + ripName_ + "'");
  ASSERT_FALSE(id.empty());
  ASSERT_TRUE(WaitFor([&] {
    return Value(*m, "SELECT EventCode FROM ProcessLog WHERE ProcessID=" + id) == "126";
  }));
  EXPECT_EQ(Value(*m, "SELECT Message FROM ProcessLog WHERE ProcessID=" + id)
                .rfind("BROKEN.PS;BROKEN.PS Failed or canceled - ERROR: ", 0),
            0u);
  EXPECT_TRUE(WaitFor([&] {
    return Value(*m, "SELECT State FROM ProcessConfigurations WHERE ProcessID=" + id) == "1";
  }));
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(20000), 0);
}

}  // namespace
}  // namespace vellora::test
