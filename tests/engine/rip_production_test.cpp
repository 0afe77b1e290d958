// The RIP side on real parts: RIP monitors following ripsim processes, their process
// reports and job entries in PostgreSQL (through psqlODBC), the production lookup of
// finished jobs, and the operators' mail on an SMTP server of the test's own (aiosmtpd,
// port 25 of a loopback address of this process). THREADS.
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "db/db_fixture.h"
#include "engine/mail_worker.h"
#include "engine/production_rip_services.h"
#include "notify/mail_peers.h"
#include "riptrack/rip_tracking.h"
#include "support/child_process.h"
#include "support/recording_display.h"

namespace vellora::test {
namespace {

namespace fs = std::filesystem;

void Drop(const std::string& folder, const std::string& name) {
  WriteFile(folder + "/." + name, "%!PS\n" + name + "\n");
  fs::rename(folder + "/." + name, folder + "/" + name);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The program's RIP side with its real services: the main manager (which the
// scanner would have connected and registered the RIPs on), the name lists, the mail
// thread and its notifier, the monitors of up to four ripsim RIPs.
class RipProductionTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    shared_.logs.Configure(dir_.path(), true, true);
    notify::NotifierOptions options;
    warnings_ = std::tmpfile();
    options.warnings = warnings_;
    // A mail server that hangs holds its mail until the test ends (the stop request
    // ends it then), not until the session limit cuts it short.
    options.sessionLimitMs = 600000;
    notifier_ = std::make_unique<notify::Notifier>(shared_.settings, pacer_, options);
    mail_ = std::make_unique<engine::MailWorker>(*notifier_);
    rt_ = std::make_unique<core::Runtime>(display_, pacer_, dir_.path(), shared_, *mail_);
    mainDb_ = Connected(kMainDsn);
    std::string error;
    ASSERT_TRUE(mainDb_->LoadNameCaches(names_, error)) << error;
    services_ = std::make_unique<engine::ProductionRipServices>(
        shared_, *mainDb_, *mail_, engine::ProductionRipLookup(shared_, names_, nullptr));
    tracking_ = std::make_unique<riptrack::RipTracking>(*rt_, *services_);
    mailAddress_ = OwnLoopbackAddress();
    shared_.settings.Update([&](core::SettingsStore& s) {
      s.DSN = kMainDsn;
      s.DSNuser = kDbUser;
      s.DSNpw = TestDbPassword();
      s.MailServer = mailAddress_;
      s.MailTo = "ops@site";
      s.NumberOfSpoolers = 1;
      core::Spooler& sp = s.Spoolers[0];
      sp.SetupName = "News";
      sp.UseDatabase = 1;
      sp.NameConv = "%P-%D-%N.%X";
      sp.Separators = "-.";
      sp.DateFormat = "DDMMYY";
      sp.DefaultEdition = "MAIN";
      sp.DefaultSection = "A";
    });
  }

  void TearDown() override {
    // Monitors and mails end at once; then the RIPs.
    pacer_.RequestStop();
    for (auto& rip : rips_) {
      if (rip.thread.joinable()) rip.thread.join();
    }
    for (auto& rip : rips_) {
      if (rip.process.Running()) {
        rip.process.Signal(SIGTERM);
        rip.process.Wait(5000);
      }
    }
    tracking_.reset();
    services_.reset();
    mail_.reset();
    if (warnings_ != nullptr) std::fclose(warnings_);
  }

  struct Rip {
    ChildProcess process;
    std::thread thread;
    std::string sw, spool;
    int processId = 0;
  };

  // RIP slot (0 to 3) in use with a ripsim of its own, registered on the main
  // server as the scanner registers it.
  Rip& AddRip(int slot, std::vector<std::string> extra = {}) {
    Rip& rip = rips_[slot];
    rip.sw = dir_ / ("sw" + std::to_string(slot + 1));
    rip.spool = dir_ / ("spool" + std::to_string(slot + 1));
    MakeDirs(rip.spool);
    const std::string name = UniqueName("Rip" + std::to_string(slot + 1) + "-");
    shared_.settings.Update([&](core::SettingsStore& s) {
      s.Rips[slot].UseRIP = 1;
      s.Rips[slot].RIPName = name;
      s.Rips[slot].RIPswPath = rip.sw;
    });
    std::string error;
    rip.processId = mainDb_->RegisterProcess(10, name, name, 1, error);
    EXPECT_GT(rip.processId, 0) << error;
    rt_->rips[slot].ProcessId = rip.processId;
    rt_->rips[slot].Tracking = 1;
    std::vector<std::string> args = {"--sw",     rip.sw, "--spool",   rip.spool,
                                     "--rip-ms", "100",  "--poll-ms", "20"};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_TRUE(rip.process.Start(Ripsim(), args, dir_ / ("ripsim" + std::to_string(slot))));
    EXPECT_TRUE(WaitForRipsimStarted(rip.sw));
    return rip;
  }
  void StartMonitor(int slot) {
    rips_[slot].thread =
        std::thread([this, slot] { tracking_->RunRipMonitor(core::RipIndex(slot)); });
  }

  // One column of the RIP's process row.
  std::string Process(const Rip& rip, const std::string& column) {
    return Value(*mainDb_, "SELECT " + column + " FROM ProcessConfigurations WHERE ProcessID=" +
                               std::to_string(rip.processId));
  }
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    std::string error;
    EXPECT_TRUE(mainDb_->RunStatement(sql, rows, error)) << error;
    return rows;
  }
  std::vector<std::vector<std::string>> LogEntries(const Rip& rip) {
    return Rows("SELECT EventCode, Value1, Value2, Message FROM ProcessLog WHERE ProcessID=" +
                std::to_string(rip.processId) + " ORDER BY EntryID");
  }
  std::vector<std::vector<std::string>> PrepollEntries(const Rip& rip) {
    return Rows(
        "SELECT MasterCopySeparationSet, Kind, EventCode, Message FROM PrepollLog WHERE "
        "ProcessID=" +
        std::to_string(rip.processId) + " ORDER BY EntryID");
  }
  // A page of the test's own in the plan, ABC of 31 January 2005 in the main edition
  // and section A, in four colours or black only; its page name is its separation set.
  std::string AddPage(bool colour) {
    const std::string set = std::to_string(UniqueNumber());
    for (int color : colour ? std::vector<int>{1, 2, 3, 4} : std::vector<int>{5}) {
      Rows("INSERT INTO PageTable VALUES (" + set + ", " + std::to_string(color) +
           ", 1, '2005-01-31', 50, 1, 1, 1, 0, NULL, 1, 1, '" + set + "', 5, 0)");
    }
    return set;
  }
  std::string ExternalStatus(const std::string& set) {
    return Value(
        *mainDb_,
        "SELECT DISTINCT Externalstatus FROM PageTable WHERE MasterCopySeparationSet=" + set);
  }
  std::vector<std::string> Jobs(int slot) {
    std::vector<std::string> out;
    for (const auto& row : tracking_->jobLists().Rows(core::RipIndex(slot))) {
      out.push_back(row.job);
    }
    return out;
  }
  std::string Warnings() {
    std::fflush(warnings_);
    std::rewind(warnings_);
    std::string text;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, warnings_)) > 0) text.append(buffer, n);
    return text;
  }

  RecordingDisplay display_;
  platform::Pacer pacer_{0.01};  // a 5-second pass takes 50 ms
  core::SharedState shared_;
  FILE* warnings_ = nullptr;
  std::unique_ptr<notify::Notifier> notifier_;
  std::unique_ptr<engine::MailWorker> mail_;
  std::unique_ptr<core::Runtime> rt_;
  std::unique_ptr<db::DatabaseMgr> mainDb_;
  db::NameLists names_;
  std::unique_ptr<engine::ProductionRipServices> services_;
  std::unique_ptr<riptrack::RipTracking> tracking_;
  std::string mailAddress_;
  std::array<Rip, 4> rips_;
};

TEST_F(RipProductionTest, ProcessReportsOfEveryStepWithTheirStatesAndMessages) {
  shared_.settings.Update([](core::SettingsStore& s) {
    s.MailOnNetworkError = 1;
    s.MailPreventFlooding = 0;
  });
  SmtpServer smtp;
  ASSERT_TRUE(smtp.Start(mailAddress_)) << smtp.why();
  Rip& rip = AddRip(0, {"--rip-ms", "1500"});
  StartMonitor(0);
  // Idle and running: state 1, no job, no message.
  ASSERT_TRUE(WaitFor([&] { return Process(rip, "State") == "1"; }));
  EXPECT_EQ(Process(rip, "CurrentJob"), "");
  EXPECT_EQ(Process(rip, "Message"), "");
  EXPECT_EQ(Process(rip, "Enabled"), "1") << "the monitor leaves the enabled flag alone";

  // A job being ripped: state 1 with its name.
  Drop(rip.spool, "long.ps");
  ASSERT_TRUE(WaitFor([&] { return Process(rip, "CurrentJob") == "long.ps"; }));
  EXPECT_EQ(Process(rip, "State"), "1");
  ASSERT_TRUE(WaitFor([&] { return Jobs(0).size() == 1; }));
  ASSERT_TRUE(WaitFor([&] { return Process(rip, "CurrentJob") == ""; }));

  // Not followed: state 0.
  rt_->rips[0].Tracking = 0;
  ASSERT_TRUE(WaitFor([&] { return Process(rip, "State") == "0"; }));
  rt_->rips[0].Tracking = 1;
  ASSERT_TRUE(WaitFor([&] { return Process(rip, "State") == "1"; }));

  // The SW folder gone: state 2, "No contact to RIP", and one network mail for the
  // change into failure however many passes fail.
  fs::rename(rip.sw, rip.sw + ".away");
  ASSERT_TRUE(WaitFor([&] { return Process(rip, "State") == "2"; }));
  EXPECT_EQ(Process(rip, "Message"), "No contact to RIP");
  EXPECT_EQ(Process(rip, "CurrentJob"), "");
  const std::string error = "Unable to access RIP1 SW folder " + rip.sw;
  ASSERT_TRUE(smtp.WaitForMessages(1));
  const uint64_t failing = pacer_.RequestedMilliseconds();
  ASSERT_TRUE(WaitFor([&] { return pacer_.RequestedMilliseconds() > failing + 40 * 100; }));
  mail_->WaitUntilIdle();
  ASSERT_EQ(smtp.Messages().size(), 1u);
  EXPECT_EQ(smtp.Messages()[0].Subject(), "Ostrel error notification mail-network error");
  EXPECT_EQ(smtp.Messages()[0].Body(), error);

  // Back: state 1 again; gone again: a second mail.
  fs::rename(rip.sw + ".away", rip.sw);
  ASSERT_TRUE(
      WaitFor([&] { return Process(rip, "State") == "1" && Process(rip, "Message") == ""; }));
  fs::rename(rip.sw, rip.sw + ".away");
  ASSERT_TRUE(smtp.WaitForMessages(2));
  EXPECT_EQ(smtp.Messages()[1].Body(), error);
  fs::rename(rip.sw + ".away", rip.sw);

  // A RIP whose program has ended: state 0 once the monitor looks at its inUse file.
  shared_.settings.Update([](core::SettingsStore& s) { s.ForceOpenInputs = 0; });
  rip.process.Signal(SIGTERM);
  ASSERT_EQ(rip.process.Wait(5000), 0);
  ASSERT_TRUE(WaitFor([&] { return Process(rip, "State") == "0"; }));
  EXPECT_EQ(Process(rip, "Message"), "");
}

TEST_F(RipProductionTest, FinishedJobsReachTheMailServerAndTheDatabase) {
  shared_.settings.Update([](core::SettingsStore& s) {
    s.MailOnRipError = 1;
    s.MailOnRipWarning = 1;
    s.RipLogError = 1;
    s.RipLogWarning = 1;
    s.RipLogSuccess = 1;
    s.UpdateStatus = 1;
    s.RipUpdateStatus = 1;
  });
  const std::string colour = AddPage(true), mono = AddPage(false);
  const std::string c = "ABC-310105-" + colour + ".PS", m = "ABC-310105-" + mono + ".PS";
  SmtpServer smtp;
  ASSERT_TRUE(smtp.Start(mailAddress_)) << smtp.why();
  // Job 1 completes, job 2 fails, job 3 completes with a warning.
  Rip& rip = AddRip(0, {"--fail-every", "2", "--warn-every", "3"});
  StartMonitor(0);
  // The monitor has read the log once: what it reads from now on is live.
  ASSERT_TRUE(WaitFor([&] { return Exists(dir_ / "LogFilePointer1"); }));
  // One at a time: the RIP takes what waits in the order of the names, and the page
  // numbers are random.
  Drop(rip.spool, "ABC-310105-" + colour + ".ps");
  ASSERT_TRUE(WaitFor([&] { return Jobs(0).size() == 1; }));
  Drop(rip.spool, "ABC-310105-" + mono + ".ps");
  ASSERT_TRUE(WaitFor([&] { return Jobs(0).size() == 2; }));
  Drop(rip.spool, "ABC-310105-99.ps");
  ASSERT_TRUE(WaitFor([&] { return Jobs(0).size() == 3; }));
  const std::vector<std::string> jobs = Jobs(0);
  const std::string error = "ERROR: UNDEFINED; OFFENDINGCOMMAND: SETPAGEDEVICEX";
  const std::string warning = "WARNING: FONT UNIVERS-CONDENSEDBOLD NOT FOUND, COURIER SUBSTITUTED";
  EXPECT_EQ(jobs[0], c + " Completed");
  EXPECT_EQ(jobs[1], m + " Failed or canceled - " + error);
  EXPECT_EQ(jobs[2], "ABC-310105-99.PS Completed with warning - " + warning);

  // The mails: the failure and the warning, not the completed job.
  ASSERT_TRUE(smtp.WaitForMessages(2));
  mail_->WaitUntilIdle();
  std::vector<ReceivedMail> mails = smtp.Messages();
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_EQ(mails[0].Subject(), "Ostrel error notification mail-RIP error");
  EXPECT_EQ(mails[0].Body(), m + " Failed on RIP 1");
  EXPECT_EQ(mails[1].Subject(), "Ostrel error notification mail-RIP warning");
  EXPECT_EQ(mails[1].Body(), "ABC-310105-99.PS Completed with warning on RIP 1");
  EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"ops@site"});

  // spAddLogEntry for each, under its event code.
  ASSERT_TRUE(WaitFor([&] { return LogEntries(rip).size() == 3; }));
  auto log = LogEntries(rip);
  EXPECT_EQ(log[0], (std::vector<std::string>{"120", "-1", "-1", c + ";" + c}));
  EXPECT_EQ(log[1], (std::vector<std::string>{"126", "-1", "-1", m + ";" + jobs[1]}));
  EXPECT_EQ(log[2], (std::vector<std::string>{"127", "-1", "-1", "ABC-310105-99.PS;" + jobs[2]}));
  // spAddPrepollLogEntry for the pages the plan has: page 99 is not in it.
  ASSERT_TRUE(WaitFor([&] { return PrepollEntries(rip).size() == 2; })) << ProgramLog();
  auto prepoll = PrepollEntries(rip);
  EXPECT_EQ(prepoll[0], (std::vector<std::string>{colour, "10", "120", ""}));
  EXPECT_EQ(prepoll[1], (std::vector<std::string>{mono, "10", "126", error}));
  // The pages' status after the RIP: RipStatusValue for the completed page,
  // RipStatusValueError for the failed one.
  EXPECT_EQ(ExternalStatus(colour), "3");
  EXPECT_EQ(ExternalStatus(mono), "4");
  // The lookups' trace is in the program log, run with the first spooler's settings.
  EXPECT_TRUE(Has(ProgramLog(), "Looking up job (" + m + "): Publication=ABC"));
}

TEST_F(RipProductionTest, JobsReadAgainGetTheirEntriesButLeaveThePagesAlone) {
  shared_.settings.Update([](core::SettingsStore& s) {
    s.RipLogSuccess = 1;
    s.UpdateStatus = 1;
    s.RipUpdateStatus = 1;
  });
  const std::string page = AddPage(true);
  // The job ends before any monitor watches: its first read reports it.
  Rip& rip = AddRip(0);
  Drop(rip.spool, "ABC-310105-" + page + ".ps");
  ASSERT_TRUE(
      WaitFor([&] { return Has(ReadFile(rip.sw + "/Logfile"), "Completed: ABC-310105-" + page); }));
  StartMonitor(0);
  ASSERT_TRUE(WaitFor([&] { return PrepollEntries(rip).size() == 1; }));
  EXPECT_EQ(LogEntries(rip).size(), 1u);
  const uint64_t read = pacer_.RequestedMilliseconds();
  ASSERT_TRUE(WaitFor([&] { return pacer_.RequestedMilliseconds() > read + 3 * 5000; }));
  EXPECT_EQ(ExternalStatus(page), "0");
}

TEST_F(RipProductionTest, AnUnregisteredRipsJobsStillReachTheDatabase) {
  shared_.settings.Update([](core::SettingsStore& s) { s.RipLogSuccess = 1; });
  Rip& rip = AddRip(0);
  // The registration came back without a row: the monitor makes no process calls,
  // and so never connects its manager; the job's entries go to the configured server
  // all the same, under process id -1.
  rt_->rips[0].ProcessId = -1;
  StartMonitor(0);
  ASSERT_TRUE(WaitFor([&] { return Exists(dir_ / "LogFilePointer1"); }));
  const std::string name = UniqueName("U") + ".PS";
  Drop(rip.spool, name);
  ASSERT_TRUE(WaitFor([&] { return Jobs(0).size() == 1; }));
  Rip unregistered;
  unregistered.processId = -1;
  ASSERT_TRUE(WaitFor([&] {
    for (const auto& row : LogEntries(unregistered)) {
      if (row[3] == name + ";" + name) return true;
    }
    return false;
  }));
  EXPECT_EQ(Process(rip, "State"), "0") << "no process report for an unregistered RIP";
}

TEST_F(RipProductionTest, FourMonitorsMailingAtOnce) {
  shared_.settings.Update([](core::SettingsStore& s) {
    s.MailOnRipError = 1;
    s.MailPreventFlooding = 0;
    s.RipLogError = 1;
  });
  SmtpServer smtp;
  ASSERT_TRUE(smtp.Start(mailAddress_)) << smtp.why();
  for (int slot = 0; slot < 4; ++slot) AddRip(slot, {"--fail-every", "1"});
  for (int slot = 0; slot < 4; ++slot) StartMonitor(slot);
  for (int slot = 0; slot < 4; ++slot) {
    ASSERT_TRUE(
        WaitFor([&] { return Exists(dir_ / ("LogFilePointer" + std::to_string(slot + 1))); }));
  }
  for (int slot = 0; slot < 4; ++slot) {
    for (int k = 1; k <= 2; ++k) {
      Drop(rips_[slot].spool, "r" + std::to_string(slot + 1) + "-" + std::to_string(k) + ".ps");
    }
  }
  ASSERT_TRUE(smtp.WaitForMessages(8));
  mail_->WaitUntilIdle();
  std::vector<std::string> bodies;
  for (const auto& m : smtp.Messages()) bodies.push_back(m.Body());
  std::sort(bodies.begin(), bodies.end());
  std::vector<std::string> expected;
  for (int slot = 0; slot < 4; ++slot) {
    for (int k = 1; k <= 2; ++k) {
      expected.push_back("R" + std::to_string(slot + 1) + "-" + std::to_string(k) +
                         ".PS Failed on RIP " + std::to_string(slot + 1));
    }
  }
  EXPECT_EQ(bodies, expected);
  for (int slot = 0; slot < 4; ++slot) {
    ASSERT_TRUE(WaitFor([&] { return LogEntries(rips_[slot]).size() == 2; }));
  }
  EXPECT_EQ(Warnings(), "");
}

TEST_F(RipProductionTest, AMailServerThatHangsHoldsUpNoMonitor) {
  shared_.settings.Update([](core::SettingsStore& s) {
    s.MailOnRipError = 1;
    s.MailPreventFlooding = 0;
    s.RipLogError = 1;
  });
  // Accepts and never says a word.
  ScriptedPeer peer([](PeerStage, const std::string&) { return PeerReply::Hang(); }, mailAddress_,
                    25);
  ASSERT_TRUE(peer.ok()) << peer.why();
  Rip& rip = AddRip(0, {"--fail-every", "1"});
  StartMonitor(0);
  for (const char* name : {"a.ps", "b.ps", "c.ps"}) Drop(rip.spool, name);
  // Every job is shown and entered while the first mail still waits for a greeting.
  ASSERT_TRUE(WaitFor([&] { return Jobs(0).size() == 3 && LogEntries(rip).size() == 3; }));
  // The mail worker connects on its own thread, in its own time.
  ASSERT_TRUE(peer.WaitForConnection(1));
  EXPECT_EQ(peer.Connections(), 1);
  EXPECT_FALSE(peer.WaitForClientClose(0));
  ASSERT_TRUE(WaitFor([&] { return Process(rip, "State") == "1"; }));
}

}  // namespace
}  // namespace vellora::test
