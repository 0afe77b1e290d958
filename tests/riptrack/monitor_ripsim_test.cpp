// RIP monitors on their own threads following real ripsim processes, at a fast time
// scale: every outcome reported once while the RIP works, its input closed and
// opened again, its stop seen through the inUse file, a new log, several RIPs at once.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "riptrack/monitor_site.h"
#include "support/child_process.h"

namespace vellora::riptrack {
namespace {

using test::Ripsim;
using test::WaitFor;

using test::Exists;
using test::MakeDirs;
using test::MonitorSite;
using test::ReadFile;
using test::WriteFile;

// A file appears in the spool folder whole, as the balancer delivers it.
void Drop(const std::string& folder, const std::string& name) {
  WriteFile(folder + "/." + name, "%!PS\n");
  std::filesystem::rename(folder + "/." + name, folder + "/" + name);
}

// A ripsim on the site's SW folder, and the site's RIP monitor on its own thread.
struct LiveRip {
  explicit LiveRip(MonitorSite& site, int rip = 0)
      : site(site), rip(rip), spool(site.dir / ("spool" + std::to_string(rip + 1))) {
    MakeDirs(spool);
  }
  ~LiveRip() {
    StopMonitor();
    if (process.Running()) {
      process.Signal(SIGTERM);
      process.Wait(5000);
    }
  }
  ::testing::AssertionResult StartRip(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--sw",      sw(), "--spool",  spool,
                                     "--poll-ms", "20", "--rip-ms", "60"};
    args.insert(args.end(), extra.begin(), extra.end());
    if (!process.Start(Ripsim(), args, site.dir / ("ripsim" + std::to_string(rip) + ".txt"))) {
      return ::testing::AssertionFailure() << "cannot start " << Ripsim();
    }
    if (!test::WaitForRipsimStarted(sw())) {
      return ::testing::AssertionFailure() << "ripsim wrote no start-up lines";
    }
    return ::testing::AssertionSuccess();
  }
  void StartMonitor() {
    thread = std::thread([this] { result = site.tracking.RunRipMonitor(core::RipIndex(rip)); });
  }
  void StopMonitor() {
    if (!thread.joinable()) return;
    site.rt.rips[static_cast<size_t>(rip)].StopRequested = 1;
    thread.join();
  }
  std::string sw() const {
    return site.rt.settings.Get()->Rips[static_cast<size_t>(rip)].RIPswPath;
  }
  std::vector<core::RipJobRow> Rows() const {
    return site.tracking.jobLists().Rows(core::RipIndex(rip));
  }
  int Closed() const {
    std::string log = ReadFile(sw() + "/Logfile");
    int n = 0;
    for (size_t at = 0; (at = log.find("Completed: ", at)) != std::string::npos; ++at) ++n;
    return n;
  }

  MonitorSite& site;
  int rip;
  std::string spool;
  test::ChildProcess process;
  std::thread thread;
  std::atomic<int> result{-1};
};

TEST(MonitorWithRipsim, ReportsEveryOutcomeOnceAndFollowsTheInput) {
  MonitorSite site(0.01);  // a 5-second pass takes 50 ms
  site.Settings([](core::SettingsStore& s) { s.ForceOpenInputs = 0; });
  LiveRip rip(site);
  ASSERT_TRUE(rip.StartRip({"--warn-every", "2", "--fail-every", "3"}));
  rip.StartMonitor();
  ASSERT_TRUE(WaitFor([&] { return site.rt.rips[0].InputOpen == 1; }));
  for (int k = 1; k <= 6; ++k) Drop(rip.spool, "page" + std::to_string(k) + ".ps");
  ASSERT_TRUE(WaitFor([&] { return rip.Rows().size() >= 6; })) << ReadFile(rip.sw() + "/Logfile");
  // A few more passes over the same log add nothing.
  uint64_t waited = site.pacer.RequestedMilliseconds();
  ASSERT_TRUE(WaitFor([&] { return site.pacer.RequestedMilliseconds() > waited + 4 * 5000; }));
  std::vector<core::RipJobRow> rows = rip.Rows();
  ASSERT_EQ(rows.size(), 6u);
  const char results[] = {1, 3, 2, 3, 1, 2};  // job 2 and 4 warned, 3 fails, 6 both
  for (size_t i = 0; i < 6; ++i) {
    std::string name = "PAGE" + std::to_string(i + 1) + ".PS";
    EXPECT_EQ(static_cast<int>(rows[i].result), results[i]) << name;
    EXPECT_EQ(rows[i].job.rfind(name + " ", 0), 0u) << rows[i].job;
    EXPECT_EQ(rows[i].setup, "NEWSPRINT 40");
    EXPECT_EQ(rows[i].time.size(), 24u) << rows[i].time;
    EXPECT_EQ(rows[i].rip.value, 1);
  }
  EXPECT_EQ(rows[0].job, "PAGE1.PS Completed");
  EXPECT_EQ(rows[1].job,
            "PAGE2.PS Completed with warning - WARNING: FONT UNIVERS-CONDENSEDBOLD NOT FOUND, "
            "COURIER SUBSTITUTED");
  EXPECT_EQ(rows[2].job,
            "PAGE3.PS Failed or canceled - ERROR: UNDEFINED; OFFENDINGCOMMAND: SETPAGEDEVICEX");
  EXPECT_EQ(site.Lamp("running"), "green");
  EXPECT_TRUE(Exists(site.inUse)) << "the running RIP's file is never deleted";

  // The RIP stops taking jobs, and takes them again.
  rip.process.Signal(SIGUSR1);
  ASSERT_TRUE(WaitFor([&] { return site.rt.rips[0].InputOpen == 0; }));
  rip.process.Signal(SIGUSR2);
  ASSERT_TRUE(WaitFor([&] { return site.rt.rips[0].InputOpen == 1; }));

  // The RIP ends: its inUse file is left unheld, deleted by the monitor, and the RIP
  // counts as not running.
  rip.process.Signal(SIGTERM);
  ASSERT_EQ(rip.process.Wait(5000), 0);
  ASSERT_TRUE(WaitFor([&] { return !Exists(site.inUse); }));
  ASSERT_TRUE(WaitFor([&] { return site.Lamp("running") == "red"; }));
  rip.StopMonitor();
  EXPECT_EQ(rip.result.load(), 1);
  EXPECT_EQ(site.rt.rips[0].InputOpen.load(), 0);
  EXPECT_EQ(rip.Rows().size(), 6u);
}

TEST(MonitorWithRipsim, JobsInProgressAndANewLog) {
  MonitorSite site(0.01);
  LiveRip rip(site);
  // Long jobs: each spans many passes.
  ASSERT_TRUE(rip.StartRip({"--rip-ms", "600"}));
  rip.StartMonitor();
  Drop(rip.spool, "long.ps");
  // No row while the job runs: the rows are read first, so a status still showing
  // the job after them says it ran when they were read.
  ASSERT_TRUE(WaitFor([&] {
    const bool none = rip.Rows().empty();
    return none && site.Status() == "long.ps";
  }));
  ASSERT_TRUE(WaitFor([&] { return rip.Rows().size() == 1; }));
  ASSERT_TRUE(WaitFor([&] { return site.Status() == "Idle"; }));

  // The RIP starts a new, shorter log; the jobs after it are each reported once.
  rip.process.Signal(SIGHUP);
  ASSERT_TRUE(WaitFor([&] { return Exists(rip.sw() + "/Logfile.old"); }));
  Drop(rip.spool, "after1.ps");
  Drop(rip.spool, "after2.ps");
  ASSERT_TRUE(WaitFor([&] { return rip.Rows().size() >= 3; }));
  uint64_t waited = site.pacer.RequestedMilliseconds();
  ASSERT_TRUE(WaitFor([&] { return site.pacer.RequestedMilliseconds() > waited + 4 * 5000; }));
  std::vector<core::RipJobRow> rows = rip.Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].job, "LONG.PS Completed");
  EXPECT_EQ(rows[1].job, "AFTER1.PS Completed");
  EXPECT_EQ(rows[2].job, "AFTER2.PS Completed");
}

TEST(MonitorWithRipsim, FourRipsAtOnceEachWithItsOwnJobs) {
  MonitorSite site(0.01);
  site.Settings([&](core::SettingsStore& s) {
    for (int r = 0; r < 4; ++r) {
      s.Rips[r].UseRIP = 1;
      s.Rips[r].RIPswPath = site.dir / ("sw" + std::to_string(r + 1));
    }
  });
  std::vector<std::unique_ptr<LiveRip>> rips;
  for (int r = 0; r < 4; ++r) {
    site.rt.rips[r].Tracking = 1;
    rips.push_back(std::make_unique<LiveRip>(site, r));
    ASSERT_TRUE(rips[r]->StartRip({"--fail-every", std::to_string(r + 2)}));
    rips[r]->StartMonitor();
  }
  for (int k = 0; k < 5; ++k) {
    for (int r = 0; r < 4; ++r)
      Drop(rips[r]->spool, "r" + std::to_string(r + 1) + "k" + std::to_string(k) + ".ps");
  }
  // Meanwhile the operator switches RIP 3 off and on and re-loads the logs.
  site.tracking.ToggleRip(core::RipIndex(2));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  site.tracking.ToggleRip(core::RipIndex(2));
  for (int r = 0; r < 4; ++r) {
    ASSERT_TRUE(WaitFor([&] { return rips[r]->Rows().size() >= 5; })) << "RIP " << r + 1;
  }
  for (int r = 0; r < 4; ++r) {
    std::vector<core::RipJobRow> rows = rips[r]->Rows();
    ASSERT_EQ(rows.size(), 5u);
    for (int k = 0; k < 5; ++k) {
      std::string name = "R" + std::to_string(r + 1) + "K" + std::to_string(k) + ".PS";
      EXPECT_EQ(rows[k].job.rfind(name + " ", 0), 0u) << rows[k].job;
      EXPECT_EQ(rows[k].rip.value, r + 1);
      bool fails = (k + 1) % (r + 2) == 0;
      EXPECT_EQ(rows[k].result, fails ? core::JobResult::Failed : core::JobResult::Completed);
    }
  }
  site.tracking.ReloadRipLogs();
  for (int r = 0; r < 4; ++r) {
    ASSERT_TRUE(WaitFor([&] { return rips[r]->Rows().size() == 10; })) << "RIP " << r + 1;
  }
  for (auto& r : rips) r->StopMonitor();
  for (auto& r : rips) EXPECT_EQ(r->result.load(), 1);
}

}  // namespace
}  // namespace vellora::riptrack
