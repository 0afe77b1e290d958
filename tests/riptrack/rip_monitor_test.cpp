// The RIP monitor's passes over a SW folder of real files: the jobs it reports and
// how often, the panel, the running and input tests, the waits, the process-table
// reports, the operator's re-load, and logs that misbehave.
#include "riptrack/rip_monitor.h"

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "riptrack/monitor_site.h"
#include "support/hold_open.h"
#include "support/temporaries.h"

namespace vellora::riptrack {
namespace {

using test::Exists;
using test::JobLines;
using test::MonitorSite;
using test::ReadFile;
using test::WriteFile;
using Jobs = std::vector<std::string>;

const std::string kStartLines =
    "RIP simulator ripsim started on host, process 1\r\n"
    "Serial number: SIM-4711-0001, 1 device licensed\r\n"
    "PUBLISHING: input queue open, jobs are accepted\r\n";
const std::string kWarned =
    " Completed with warning - WARNING: FONT UNIVERS-CONDENSEDBOLD NOT FOUND, COURIER SUBSTITUTED";
const std::string kFailed =
    " Failed or canceled - ERROR: UNDEFINED; OFFENDINGCOMMAND: SETPAGEDEVICEX";

TEST(RipMonitor, EachJobOnceAcrossPassesAndRestarts) {
  MonitorSite site;
  WriteFile(site.log, kStartLines + JobLines("p1.ps") + JobLines("p2.ps", 'W'));
  site.Pass();
  EXPECT_EQ(site.Jobs(), (Jobs{"P1.PS Completed", "P2.PS" + kWarned}));
  auto rows = site.tracking.jobLists().Rows(core::RipIndex(0));
  EXPECT_EQ(rows[1].result, core::JobResult::Warning);
  EXPECT_EQ(rows[1].time, "MON JAN 31 10:15:02 2005");
  EXPECT_EQ(rows[1].setup, "NEWSPRINT 40");
  EXPECT_EQ(rows[1].rip.value, 1);
  // The pointer stands at the line break of the last closing line.
  const int64_t afterTwo = static_cast<int64_t>(ReadFile(site.log).size()) - 2;
  EXPECT_EQ(site.StoredPointer(), afterTwo);
  EXPECT_EQ(site.rt.rips[0].LogPointer.load(), afterTwo);
  site.Pass();
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 2u);

  // A job in progress spans passes: shown, not reported, the pointer before it.
  WriteFile(site.sw + "/tmp/current.job", "p3.ps");
  site.Append("Setup loaded: Gloss 60\r\nStarting Job On Tue Feb 1 08:00:00 2005\r\n");
  site.Pass();
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 2u);
  EXPECT_EQ(site.StoredPointer(), afterTwo);
  EXPECT_EQ(site.Status(), "p3.ps");
  EXPECT_EQ(site.Lamp("job"), "green");
  site.Append("Error: undefined; OffendingCommand: setpagedevicex\r\nJob Not Completed: p3.ps\r\n");
  site.Pass();
  EXPECT_EQ(site.Jobs(), (Jobs{"P1.PS Completed", "P2.PS" + kWarned, "P3.PS" + kFailed}));
  EXPECT_EQ(site.tracking.jobLists().Rows(core::RipIndex(0))[2].result, core::JobResult::Failed);
  EXPECT_EQ(site.tracking.jobLists().Rows(core::RipIndex(0))[2].setup, "GLOSS 60");
  EXPECT_EQ(site.Status(), "Idle");
  EXPECT_EQ(site.Lamp("job"), "yellow");

  // A restart of the program: a new monitor on the same files reports nothing again,
  // and a job that was open when the program stopped is read again from its setup.
  site.Append("Setup loaded: Mono\r\n");
  site.Pass();
  site.Start();
  site.Pass();
  site.Append("Job Completed: p4.ps\r\n");
  site.Start();
  site.Pass();
  site.Pass();
  ASSERT_EQ(site.Jobs().size(), 4u);
  EXPECT_EQ(site.Jobs()[3], "P4.PS Completed");
  EXPECT_EQ(site.tracking.jobLists().Rows(core::RipIndex(0))[3].setup, "MONO");
}

TEST(RipMonitor, ProgressCurrentJobAndRunningState) {
  MonitorSite site;
  WriteFile(site.log, kStartLines);
  std::string prg = site.sw + "/tmp/job.prg";
  WriteFile(prg, "%%[ progress (42) of page 1 ]%%");
  site.Pass();
  EXPECT_TRUE(site.display.Has("RIP1 Progress 0 100 42"));
  EXPECT_FALSE(Exists(prg)) << "no job open: the progress file is deleted";
  site.display.Clear();
  site.Pass();
  EXPECT_TRUE(site.display.Has("RIP1 Progress 0 100 0")) << "no file: the bar goes to 0";

  // While a job is open the file stays; one without "(" leaves the bar alone.
  site.Append("Setup loaded: A\r\n");
  WriteFile(prg, "(75)");
  site.Pass();
  site.display.Clear();
  WriteFile(prg, "no number here");
  site.Pass();
  EXPECT_EQ(site.display.Count("RIP1 Progress"), 0);
  EXPECT_TRUE(Exists(prg));
  // current.job missing: an empty status text; one with a line end shows one line.
  EXPECT_EQ(site.Status(), "");
  WriteFile(site.sw + "/tmp/current.job", "page 07.ps\r\nrest");
  site.Pass();
  EXPECT_EQ(site.Status(), "page 07.ps");
  EXPECT_EQ(site.display.Count("RIP1 Status Idle"), 0)
      << "the job's name replaces the pass's Idle without showing it";

  // A RIP that does not run shows "Off" even with a job open.
  site.Settings([](core::SettingsStore& s) { s.ForceOpenInputs = 0; });
  site.Pass();
  EXPECT_EQ(site.Status(), "Off");
  EXPECT_EQ(site.Lamp("running"), "red");
  EXPECT_EQ(site.Lamp("job"), "yellow");
  EXPECT_FALSE(Exists(prg));
}

TEST(RipMonitor, ANewShorterLogIsReadFromItsStart) {
  MonitorSite site;
  std::string old = kStartLines;
  for (int k = 0; k < 20; ++k) old += JobLines("old" + std::to_string(k) + ".ps");
  WriteFile(site.log, old);
  site.Pass();
  ASSERT_EQ(site.Jobs().size(), 20u);
  // The RIP restarts with a new log while a job is open in the old one.
  site.Append("Setup loaded: Old setup\r\n");
  site.Pass();
  WriteFile(site.log, kStartLines + JobLines("new1.ps", 'C', "New setup"));
  site.Pass();
  ASSERT_EQ(site.Jobs().size(), 21u);
  EXPECT_EQ(site.Jobs()[20], "NEW1.PS Completed");
  EXPECT_EQ(site.tracking.jobLists().Rows(core::RipIndex(0))[20].setup, "NEW SETUP")
      << "the job that was open in the old log does not lend the new job its setup";
  site.Pass();
  site.Append(JobLines("new2.ps"));
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 22u);
}

TEST(RipMonitor, TrackingOffAndOnResumesAtThePointer) {
  MonitorSite site;
  WriteFile(site.log, kStartLines + JobLines("a.ps"));
  site.Pass();
  int64_t stored = site.StoredPointer();
  site.rt.rips[0].Tracking = 0;
  site.Append(JobLines("b.ps") + JobLines("c.ps", 'F'));
  EXPECT_EQ(site.PassWaits(), 4000u);
  EXPECT_EQ(site.PassWaits(), 4000u);
  EXPECT_EQ(site.Jobs().size(), 1u) << "the log is not read while off";
  EXPECT_EQ(site.StoredPointer(), stored);
  site.rt.rips[0].Tracking = 1;
  EXPECT_EQ(site.PassWaits(), 5000u);
  EXPECT_EQ(site.Jobs(), (Jobs{"A.PS Completed", "B.PS Completed", "C.PS" + kFailed}));
}

TEST(RipMonitor, InUseFileTellsWhetherTheRipRuns) {
  MonitorSite site;
  site.Settings([](core::SettingsStore& s) { s.ForceOpenInputs = 0; });
  WriteFile(site.log, kStartLines);
  // No inUse file: not running, input closed although the log says PUBLISHING.
  site.Pass();
  EXPECT_EQ(site.Lamp("running"), "red");
  EXPECT_EQ(site.Lamp("input"), "red");
  EXPECT_EQ(site.rt.rips[0].InputOpen.load(), 0);
  EXPECT_EQ(site.Status(), "Off");

  // A file nobody holds is a stopped RIP's: deleted, not running.
  WriteFile(site.inUse, "");
  site.Pass();
  EXPECT_FALSE(Exists(site.inUse));
  EXPECT_EQ(site.Lamp("running"), "red");
  EXPECT_EQ(site.rt.rips[0].InputOpen.load(), 0);

  // Held by a running program: kept, running, and the log's tail decides the input.
  test::HoldOpen rip(site.inUse, O_RDWR);
  ASSERT_TRUE(rip.ok());
  site.Pass();
  EXPECT_TRUE(Exists(site.inUse));
  EXPECT_EQ(site.Lamp("running"), "green");
  EXPECT_EQ(site.Lamp("input"), "green");
  EXPECT_EQ(site.rt.rips[0].InputOpen.load(), 1);
  site.Append("STOPPING: input queue paused, jobs are held\r\n");
  site.Pass();
  EXPECT_EQ(site.rt.rips[0].InputOpen.load(), 0);
  EXPECT_EQ(site.Lamp("input"), "red");
  rip.Release();
  site.Pass();
  EXPECT_FALSE(Exists(site.inUse)) << "released: the next pass deletes it";
}

TEST(RipMonitor, ForceOpenInputsAndAssumeRunning) {
  struct Case {
    int force, assume;
    bool inUseHeld;
    std::string tail;  // appended to a log without any of the three words
    int inputOpen;
    const char* running;
  };
  const std::vector<Case> cases = {
      {1, 0, false, "STOPPING\r\n", 1, "green"},  // forced: running and open whatever
      {1, 1, false, "", 1, "green"},
      {0, 1, true, "", 1, "green"},  // undecided tail: AssumeRunning opens it
      {0, 0, true, "", 0, "green"},  // ... and without it, closed
      {0, 0, true, "Publishing\r\n", 1, "green"},
      {0, 1, true, "Publishing\r\nStopping\r\n", 0, "green"},
      {0, 1, true, "Stopping\r\nSerial number 1\r\nPublishing\r\n", 1, "green"},
      {0, 1, true, "Publishing\r\nSerial number 1\r\n", 0, "green"},
      {0, 1, false, "Publishing\r\n", 0, "red"},  // not running: closed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("ForceOpenInputs " + std::to_string(c.force) + " AssumeRunning " +
                 std::to_string(c.assume) + " tail " + c.tail);
    MonitorSite site;
    site.Settings([&](core::SettingsStore& s) {
      s.ForceOpenInputs = c.force;
      s.AssumeRunning = c.assume;
    });
    WriteFile(site.log, "a line\r\n" + c.tail);
    // With ForceOpenInputs the inUse file is never looked at: an unheld one stays.
    WriteFile(site.inUse, "");
    std::unique_ptr<test::HoldOpen> holder;
    if (c.inUseHeld) holder = std::make_unique<test::HoldOpen>(site.inUse, O_RDWR);
    site.Pass();
    EXPECT_EQ(site.rt.rips[0].InputOpen.load(), c.inputOpen);
    EXPECT_EQ(site.Lamp("input"), c.inputOpen ? "green" : "red");
    EXPECT_EQ(site.Lamp("running"), c.running);
    EXPECT_EQ(Exists(site.inUse), c.force == 1 || c.inUseHeld);
  }
  // A running RIP whose log cannot be opened: undecided, so AssumeRunning opens it.
  MonitorSite site;
  site.Settings([](core::SettingsStore& s) { s.ForceOpenInputs = 0; });
  test::HoldOpen holder(site.inUse, O_RDWR);
  site.Pass();
  EXPECT_EQ(site.rt.rips[0].InputOpen.load(), 1);
}

TEST(RipMonitor, WaitsOfEachKindOfPass) {
  MonitorSite site;
  // No log: the 10-second pause, and no pointer file is written.
  EXPECT_EQ(site.PassWaits(), 10000u);
  EXPECT_FALSE(Exists(site.pointerFile));
  EXPECT_EQ(site.display.Count("ErrorText 1"), 0) << "a missing log is no error";
  WriteFile(site.log, kStartLines);
  EXPECT_EQ(site.PassWaits(), 5000u);
  EXPECT_TRUE(Exists(site.pointerFile));
  site.rt.rips[0].Tracking = 0;
  EXPECT_EQ(site.PassWaits(), 4000u);
  site.rt.rips[0].Tracking = 1;
  // A registered RIP connects its own database first: 2 seconds before that.
  site.rt.rips[0].ProcessId = 7;
  site.Start();
  EXPECT_EQ(site.PassWaits(), 2000u + 5000u);
  EXPECT_EQ(site.PassWaits(), 5000u) << "connected: no more reconnects";
  // An unreachable SW folder: nine attempts, with short pauses, and no pass wait.
  site.Settings([&](core::SettingsStore& s) { s.Rips[0].RIPswPath = site.dir / "gone"; });
  EXPECT_EQ(site.PassWaits(), 8u * kFolderAttemptPauseMs);
}

TEST(RipMonitor, UnreachableSwFolder) {
  MonitorSite site;
  site.rt.rips[0].ProcessId = 7;
  const std::string gone = site.dir.path() + "\\no such sw";
  site.Settings([&](core::SettingsStore& s) { s.Rips[0].RIPswPath = gone; });
  site.Pass();
  EXPECT_TRUE(site.display.Has("ErrorText 1 Unable to access RIP1 SW folder " + gone));
  EXPECT_EQ(site.rt.errors.Text(), "Unable to access RIP1 SW folder " + gone);
  EXPECT_EQ(site.Status(), "Connection error..");
  EXPECT_EQ(site.rt.rips[0].Tracking.load(), 1);
  EXPECT_EQ(site.services.Calls("update").back(), "update 7 -1 2 '' 'No contact to RIP'");

  site.Settings([](core::SettingsStore& s) { s.StopOnError = 1; });
  site.Pass();
  EXPECT_EQ(site.rt.rips[0].Tracking.load(), 0);
  EXPECT_EQ(site.Status(), "Stopped (folder error)");
  EXPECT_EQ(site.Lamp("status"), "red");
  EXPECT_TRUE(site.display.Has("RIP1 Switch off"));
  EXPECT_EQ(site.PassWaits(), 4000u) << "stopped: the next passes only wait";
  EXPECT_EQ(site.services.Calls("update").back(), "update 7 -1 0 '' ''");
}

TEST(RipMonitor, ProcessTableReportsOnItsOwnConnection) {
  MonitorSite site;
  WriteFile(site.log, kStartLines);
  site.rt.rips[0].ProcessId = 7;
  site.Pass();
  EXPECT_EQ(site.services.Calls(), (Jobs{"open 0", "connect 0 HV sa", "update 7 -1 1 '' ''"}));
  site.services.Clear();
  WriteFile(site.sw + "/tmp/current.job", "page 07.ps");
  site.Append("Setup loaded: A\r\n");
  site.Pass();
  EXPECT_EQ(site.services.Calls(), (Jobs{"update 7 -1 1 'page 07.ps' ''"}));
  site.services.Clear();
  site.Append("Job Completed: page 07.ps\r\n");
  site.Pass();
  EXPECT_EQ(site.services.Calls(),
            (Jobs{"mail PAGE 07.PS", "entries 7 PAGE 07.PS", "update 7 -1 1 '' ''"}));

  // A failed report has the connection made again at the next pass, on the backup
  // server when that is chosen.
  site.services.Clear();
  site.services.updateWorks = false;
  site.Pass();
  site.services.updateWorks = true;
  site.Settings([](core::SettingsStore& s) { s.UseBackup = 1; });
  site.Pass();
  EXPECT_EQ(site.services.Calls(),
            (Jobs{"update 7 -1 1 '' ''", "connect 0 HVBU sa", "update 7 -1 1 '' ''"}));
  // A RIP that does not run reports 0; the log missing reports "no contact".
  site.services.Clear();
  site.Settings([](core::SettingsStore& s) { s.ForceOpenInputs = 0; });
  site.Pass();
  std::filesystem::remove(site.log);
  site.Pass();
  EXPECT_EQ(site.services.Calls(),
            (Jobs{"update 7 -1 0 '' ''", "update 7 -1 2 '' 'No contact to RIP'"}));

  // A stop request ends the thread and drops the connection.
  site.services.Clear();
  site.rt.rips[0].StopRequested = 1;
  site.rt.rips[0].InputOpen = 1;
  EXPECT_EQ(site.monitor->RunPass(), RipMonitor::PassEnd::Stopped);
  EXPECT_EQ(site.rt.rips[0].InputOpen.load(), 0);
  EXPECT_EQ(site.services.Calls(), (Jobs{"disconnect 0"}));

  // Unregistered: the finished job still gets its entries, but there are no
  // process-table calls and no connection is made.
  MonitorSite plain;
  WriteFile(plain.log, kStartLines + JobLines("x.ps"));
  plain.Pass();
  plain.rt.rips[0].StopRequested = 1;
  plain.Pass();
  EXPECT_EQ(plain.services.Calls(), (Jobs{"open 0", "mail X.PS", "entries 0 X.PS"}));
}

TEST(RipMonitor, RunEndsOnAStopAndClearsTheRequestWhenItStarts) {
  MonitorSite site;
  WriteFile(site.log, kStartLines);
  site.rt.rips[0].StopRequested = 1;  // left from an earlier monitor of this RIP
  site.monitor = site.tracking.NewMonitor(core::RipIndex(0));
  site.monitor->Begin();
  EXPECT_EQ(site.rt.rips[0].StopRequested.load(), 0);
  EXPECT_EQ(site.Lamp("running"), "red");
  EXPECT_EQ(site.Lamp("input"), "red");
  EXPECT_EQ(site.Lamp("job"), "yellow");
  site.pacer.RequestStop();
  EXPECT_EQ(site.tracking.RunRipMonitor(core::RipIndex(0)), 1);
  EXPECT_EQ(site.tracking.RunRipMonitor(core::RipIndex(4)), 0) << "no such RIP";
}

TEST(RipMonitor, ReloadRipLogsReReportsTheLastReadLimit) {
  MonitorSite site;
  site.Settings([&](core::SettingsStore& s) {
    s.Rips[1].UseRIP = 1;
    s.Rips[1].RIPswPath = site.dir / "sw2";
  });
  std::string log = kStartLines;
  for (int k = 1; k <= 5; ++k) log += JobLines("p" + std::to_string(k) + ".ps");
  WriteFile(site.log, log);
  site.Pass();
  ASSERT_EQ(site.Jobs().size(), 5u);
  site.Pass();
  ASSERT_EQ(site.Jobs().size(), 5u);

  // Only what lies within the read limit before the end is read again.
  const int limit = static_cast<int>(JobLines("p4.ps").size() + JobLines("p5.ps").size() + 10);
  site.Settings([&](core::SettingsStore& s) { s.MaxLogFileReadSize = limit; });
  WriteFile(site.dir / "LogFilePointer2", "77\r\n");
  WriteFile(site.dir / "LogFilePointer3", "77\r\n");  // RIP 3 is not in use
  site.tracking.ReloadRipLogs();
  EXPECT_FALSE(Exists(site.pointerFile));
  EXPECT_FALSE(Exists(site.dir / "LogFilePointer2"));
  EXPECT_TRUE(Exists(site.dir / "LogFilePointer3"));
  site.Pass();
  EXPECT_EQ(site.Jobs(),
            (Jobs{"P1.PS Completed", "P2.PS Completed", "P3.PS Completed", "P4.PS Completed",
                  "P5.PS Completed", "P4.PS Completed", "P5.PS Completed"}));
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 7u);

  // A pass that was under way when the files were deleted writes its pointer back;
  // the re-load still happens at the next read.
  site.tracking.ReloadRipLogs();
  riplog::WriteLogPointer(site.pointerFile, static_cast<int64_t>(log.size()) - 2);
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 9u);
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 9u);
}

TEST(RipMonitor, BadLogsNeitherCrashNorRepeatNorLoseClosedJobs) {
  MonitorSite site;
  std::mt19937 rng(7);
  std::string garbage;
  for (int i = 0; i < 200000; ++i) garbage += static_cast<char>(rng() % 256);
  // Garbage may by chance hold a keyword; make sure it holds none the monitor knows
  // by taking out the letters of "SETUP", "JOB" and "ERROR".
  for (char& c : garbage) {
    if (std::string("SETUPJOBRsetupjobr").find(c) != std::string::npos) c = '#';
  }
  WriteFile(site.log, kStartLines + garbage + "\r\n" + JobLines("a.ps") + garbage + "\n" +
                          std::string("Setup loaded: Zero\0bytes\r\n", 26) +
                          std::string("x\0y\r\n", 5) + "Job Completed: b.ps\r\n");
  site.Pass();
  EXPECT_EQ(site.Jobs(), (Jobs{"A.PS Completed", "B.PS Completed"}));
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 2u);

  // A line still being written is left for the next pass, whole.
  site.Append(JobLines("c.ps").substr(0, JobLines("c.ps").size() - 5));
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 2u);
  site.Append(".ps\r\n" + std::string("Job Compl"));
  site.Pass();
  ASSERT_EQ(site.Jobs().size(), 3u);
  EXPECT_EQ(site.Jobs()[2], "C.PS Completed") << "not C.P";
  site.Append("eted: d.ps\r\n");
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 3u) << "a completed line without a setup closes nothing";

  // A 100 MB line, then a job: the read limit skips the line's start, the job is
  // reported once. While the line has no end yet, nothing is lost or mangled.
  std::string huge(100 * 1000 * 1000, 'Q');
  site.Append(huge);
  site.Pass();
  site.Pass();
  site.Append("\r\n" + JobLines("e.ps"));
  site.Pass();
  site.Pass();
  EXPECT_EQ(site.Jobs().back(), "E.PS Completed");
  EXPECT_EQ(site.Jobs().size(), 4u);

  // A log without any line break: nothing to report, the pointer does not move.
  WriteFile(site.log, std::string(3000000, 'Z'));
  site.Pass();
  int64_t stored = site.StoredPointer();
  site.Pass();
  EXPECT_EQ(site.StoredPointer(), stored);
  EXPECT_EQ(site.Jobs().size(), 4u);

  // Deleted: the long pause; then a new log's jobs are read from its start.
  std::filesystem::remove(site.log);
  EXPECT_EQ(site.PassWaits(), 10000u);
  WriteFile(site.log, kStartLines + JobLines("f.ps", 'F'));
  site.Pass();
  EXPECT_EQ(site.Jobs().back(), "F.PS" + kFailed);
  EXPECT_EQ(site.Jobs().size(), 5u);

  // A pointer file holding text counts as no position: the tail is read again, which
  // re-reports its jobs, as a lost pointer file does.
  WriteFile(site.pointerFile, "garbage\r\n");
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 6u);
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 6u);
  EXPECT_EQ(ReadFile(site.pointerFile), std::to_string(ReadFile(site.log).size() - 2) + "\r\n");
}

TEST(RipMonitor, ThePointerFileIsWrittenOnlyWhenThePointerMoves) {
  MonitorSite site;
  WriteFile(site.log, kStartLines + JobLines("p1.ps"));
  site.Pass();
  // The same position in other words: a rewrite would make it "%d\r\n" again.
  const std::string marked = "0" + ReadFile(site.pointerFile);
  WriteFile(site.pointerFile, marked);
  site.Pass();
  site.Pass();
  EXPECT_EQ(ReadFile(site.pointerFile), marked) << "nothing new in the log";
  // A job in progress holds the pointer before its setup line.
  site.Append("Setup loaded: Gloss\r\nStarting Job On Tue Feb 1 08:00:00 2005\r\n");
  site.Pass();
  site.Pass();
  EXPECT_EQ(ReadFile(site.pointerFile), marked);
  site.Append("Job Completed: p2.ps\r\n");
  site.Pass();
  EXPECT_EQ(ReadFile(site.pointerFile), std::to_string(ReadFile(site.log).size() - 2) + "\r\n");
  EXPECT_EQ(site.Jobs().size(), 2u);
}

TEST(RipMonitor, AStartClearsPointerTemporariesOfEndedProcesses) {
  MonitorSite site;
  WriteFile(site.log, kStartLines);
  const pid_t gone = test::GonePid();
  const std::string stale = test::TemporaryName("LogFilePointer1", gone);
  const std::string staleIni = test::TemporaryName("Vellora.ini", gone);
  const std::string live = test::TemporaryName("LogFilePointer2", getpid());
  const std::string otherHost = test::TemporaryName("LogFilePointer3", gone, "elsewhere");
  for (const auto& name : {stale, staleIni, live, otherHost}) WriteFile(site.dir / name, "12\r\n");
  site.Start();
  EXPECT_FALSE(Exists(site.dir / stale));
  EXPECT_FALSE(Exists(site.dir / staleIni));
  EXPECT_TRUE(Exists(site.dir / live)) << "a running program's write in progress";
  EXPECT_TRUE(Exists(site.dir / otherHost)) << "another host's process is not ours to judge";
}

TEST(RipMonitor, AnUnwritablePointerFileReportsEachJobOnceAndSaysSoOnce) {
  MonitorSite site;
  site.rt.logs.Configure(site.dir.path(), true, true);
  // Something that is no file under the pointer file's name.
  test::MakeDirs(site.pointerFile);
  WriteFile(site.log, kStartLines + JobLines("p1.ps") + JobLines("p2.ps"));
  site.Pass();
  site.Pass();
  site.Pass();
  EXPECT_EQ(site.Jobs(), (Jobs{"P1.PS Completed", "P2.PS Completed"}));
  site.Append(JobLines("p3.ps"));
  site.Pass();
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 3u);
  EXPECT_EQ(site.rt.rips[0].LogPointer.load(), static_cast<int64_t>(ReadFile(site.log).size()) - 2);

  const std::string path = site.dir.path() + "\\LogFilePointer1";
  EXPECT_EQ(site.rt.errors.Flag(), 1);
  EXPECT_EQ(site.rt.errors.Text(), "Unable to write RIP1 log pointer file " + path);
  std::string log = ReadFile(site.dir / "Vellora.log");
  size_t at = log.find("] ERROR: Unable to write log pointer file " + path + " (");
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find("ERROR:", at + 10), std::string::npos) << "said once: " << log;

  // Writable again: the position in memory goes into the file.
  std::filesystem::remove(site.pointerFile);
  site.Pass();
  EXPECT_EQ(site.StoredPointer(), static_cast<int64_t>(ReadFile(site.log).size()) - 2);
  site.Start();  // a restart goes on from there
  site.Pass();
  EXPECT_EQ(site.Jobs().size(), 3u);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// In a child with 1 GB of address space, a read limit of 2 GB and a 3 GB log leave no
// buffer for the read; exits with 0 when the monitor ends as it should.
void MonitorWithLittleMemory(MonitorSite& site) {
  struct rlimit limit {};
  limit.rlim_cur = limit.rlim_max = 1000000000ull;
  setrlimit(RLIMIT_AS, &limit);
  bool ended = site.tracking.RunRipMonitor(core::RipIndex(0)) == 0;
  bool error = site.rt.errors.Flag() == 1 && site.rt.errors.Text() == "Memory allocation error";
  _exit(ended && error ? 0 : 1);
}

TEST(RipMonitor, NoMemoryForTheReadEndsTheMonitor) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' allocators abort instead of failing";
  MonitorSite site;
  WriteFile(site.log, "x");
  std::filesystem::resize_file(site.log, 3000000000ull);  // sparse
  site.Settings([](core::SettingsStore& s) { s.MaxLogFileReadSize = 2147483647; });
  EXPECT_EXIT(MonitorWithLittleMemory(site), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vellora::riptrack
