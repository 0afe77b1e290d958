// ripsim run as a real process, read the way the balancer's RIP monitor and the
// log-watcher daemon read a RIP: its inUse file, the spool folders it empties, its
// log lines and keywords, its job files and its run-time controls.
#include <fcntl.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/child_process.h"
#include "support/hold_open.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

using test::Ripsim;
using test::WaitFor;

using test::Exists;
using test::MakeDirs;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Splits at CR and LF the way the log readers do: runs of line ends give no lines.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

std::string After(const std::string& line, const std::string& keyword) {
  size_t p = line.find(keyword);
  return p == std::string::npos ? std::string() : line.substr(p + keyword.size());
}

bool Has(const std::string& line, const std::string& keyword) {
  return line.find(keyword) != std::string::npos;
}

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

// One job as a reader sees it; outcome 'C' completed, 'W' with warning, 'F' failed.
struct SeenJob {
  std::string setup, time, file, name;
  char outcome = '?';
};

// The daemon's reading: mixed-case keywords, case-sensitive.
std::vector<SeenJob> ReadLikeDaemon(const std::vector<std::string>& lines) {
  std::vector<SeenJob> jobs;
  bool inJob = false, warned = false;
  SeenJob job;
  for (const auto& l : lines) {
    if (!inJob) {
      if (Has(l, "Setup loaded: ")) {
        job = SeenJob{};
        job.setup = After(l, "Setup loaded: ");
        warned = false;
        inJob = true;
      }
      continue;
    }
    if (Has(l, "Ripping file ")) job.file = After(l, "Ripping file ");
    if (Has(l, "Starting Job On ")) job.time = After(l, "Starting Job On ");
    if (Has(l, "Warning:")) warned = true;
    bool notCompleted = Has(l, "Job Not Completed: ");
    if (notCompleted || Has(l, "Job Completed: ")) {
      job.name = After(l, notCompleted ? "Job Not Completed: " : "Job Completed: ");
      job.outcome = notCompleted ? 'F' : warned ? 'W' : 'C';
      jobs.push_back(job);
      inJob = false;
    }
  }
  return jobs;
}

// The monitor's reading: the line upper-cased, "WARNING" anywhere marks a warning.
std::vector<SeenJob> ReadLikeMonitor(const std::vector<std::string>& lines) {
  std::vector<SeenJob> jobs;
  bool inJob = false, warned = false;
  SeenJob job;
  for (const auto& raw : lines) {
    std::string l = Upper(raw);
    if (!inJob) {
      if (Has(l, "SETUP LOADED: ")) {
        job = SeenJob{};
        job.setup = After(l, "SETUP LOADED: ");
        warned = false;
        inJob = true;
      }
      continue;
    }
    if (Has(l, "WARNING")) warned = true;
    bool notCompleted = Has(l, "JOB NOT COMPLETED: ");
    if (notCompleted || Has(l, "JOB COMPLETED: ")) {
      job.name = After(l, notCompleted ? "JOB NOT COMPLETED: " : "JOB COMPLETED: ");
      job.outcome = notCompleted ? 'F' : warned ? 'W' : 'C';
      jobs.push_back(job);
      inJob = false;
    }
    if (Has(l, "STARTING JOB ON ")) job.time = After(l, "STARTING JOB ON ");
  }
  return jobs;
}

std::string Outcomes(const std::vector<SeenJob>& jobs) {
  std::string s;
  for (const auto& j : jobs) s += j.outcome;
  return s;
}

// The input state from the log's tail: the last of the three words decides.
std::string InputState(const std::string& log) {
  std::string up = Upper(log);
  auto last = [&](const char* w) {
    size_t p = up.rfind(w);
    return p == std::string::npos ? -1L : static_cast<long>(p);
  };
  long pub = last("PUBLISHING"), stop = last("STOPPING"), serial = last("SERIAL NUMBER");
  if (pub < 0 && stop < 0 && serial < 0) return "undecided";
  return pub > stop && pub > serial ? "open" : "closed";
}

// A file appears in a spool folder whole, as the balancer delivers it.
void Drop(const std::string& folder, const std::string& name,
          const std::string& content = "%!PS\n") {
  std::string tmp = folder + "/." + name + ".tmp";
  WriteFile(tmp, content);
  std::filesystem::rename(tmp, folder + "/" + name);
}

// A ripsim process on a fresh SW folder with one spool folder.
struct Rip {
  TempDir dir;
  std::string sw = dir / "sw";
  std::string spool = dir / "spool";
  std::string inUse = sw + "/Config/inUse";
  std::string logPath = sw + "/Logfile";
  test::ChildProcess process;

  Rip() { MakeDirs(spool); }
  ~Rip() {
    if (process.Running()) {
      process.Signal(SIGTERM);
      process.Wait(5000);
    }
  }
  // Starts it and waits until its start-up lines are in the log.
  ::testing::AssertionResult Start(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--sw", sw, "--spool", spool, "--poll-ms", "20"};
    args.insert(args.end(), extra.begin(), extra.end());
    const size_t before = Exists(logPath) ? Log().size() : 0;
    if (!process.Start(Ripsim(), args, dir / "console.txt")) {
      return ::testing::AssertionFailure() << "cannot start " << Ripsim();
    }
    // The three lines are appended one by one: the input state is the last of them.
    if (!WaitFor(
            [&] {
              const std::string log = Exists(logPath) ? Log() : "";
              // A new log (--new-log) starts again from its beginning.
              const std::string added = Upper(log.size() >= before ? log.substr(before) : log);
              return added.find("PUBLISHING") != std::string::npos ||
                     added.find("STOPPING") != std::string::npos;
            },
            10000)) {
      return ::testing::AssertionFailure() << "no start-up lines; console:\n" << Console();
    }
    return ::testing::AssertionSuccess();
  }
  std::string Log() const { return ReadFile(logPath); }
  std::vector<std::string> LogLines() const { return Lines(Log()); }
  std::string Console() const { return ReadFile(dir / "console.txt"); }
  bool Taken(const std::string& name) const { return !Exists(spool + "/" + name); }
};

TEST(Ripsim, CommandLine) {
  std::string out;
  ASSERT_EQ(test::RunProgram(Ripsim(), {"--help"}, &out), 0);
  EXPECT_EQ(out.rfind("usage: ripsim --sw FOLDER --spool FOLDER", 0), 0u) << out;
  for (const char* word : {"--fail-every", "--warn-every", "--paused", "--lf", "--new-log",
                           "--max-jobs", "--rip-ms", "--poll-ms", "--quiet", "SIGUSR1", "SIGHUP"}) {
    EXPECT_NE(out.find(word), std::string::npos) << word;
  }
  EXPECT_EQ(test::RunProgram(Ripsim(), {}, &out), 2);
  EXPECT_NE(out.find("no SW folder given"), std::string::npos) << out;
  EXPECT_EQ(test::RunProgram(Ripsim(), {"--sw", "/tmp/x"}, &out), 2);
  EXPECT_NE(out.find("no spool folder given"), std::string::npos) << out;
  EXPECT_EQ(test::RunProgram(Ripsim(), {"--sw", "a", "--spool", "b", "--rip-ms", "2s"}, &out), 2);
  EXPECT_NE(out.find("'2s' is not a number"), std::string::npos) << out;
  EXPECT_EQ(test::RunProgram(Ripsim(), {"--sw", "a", "--spool", "b", "--poll-ms=0"}, &out), 2);
  EXPECT_EQ(test::RunProgram(Ripsim(), {"--sw", "a", "--spool", "b", "--bogus"}, &out), 2);
  EXPECT_NE(out.find("unknown option --bogus"), std::string::npos) << out;

  // A SW folder whose parent does not exist cannot be set up.
  TempDir dir;
  EXPECT_EQ(test::RunProgram(Ripsim(), {"--sw", dir / "no/such/sw", "--spool", dir / "s"}, &out),
            1);
  EXPECT_NE(out.find("cannot create the folder"), std::string::npos) << out;
  // Spool folders that would have the RIP take its own files.
  EXPECT_EQ(test::RunProgram(Ripsim(), {"--sw", dir / "sw", "--spool", dir.path() + "/"}, &out), 1);
  EXPECT_NE(out.find("holds the SW folder"), std::string::npos) << out;
  EXPECT_EQ(
      test::RunProgram(Ripsim(), {"--sw", dir / "sw", "--spool", dir / "sw/./processed/x"}, &out),
      1);
  EXPECT_NE(out.find("lies in the SW folder's processed"), std::string::npos) << out;
  EXPECT_FALSE(Exists(dir / "sw")) << "refused before anything is made";
}

TEST(Ripsim, HoldsInUseWhileRunningAndLeavesItUnheld) {
  Rip rip;
  ASSERT_TRUE(rip.Start({}));
  std::vector<std::string> lines = rip.LogLines();
  ASSERT_EQ(lines.size(), 3u) << rip.Log();
  EXPECT_EQ(lines[1].rfind("Serial number", 0), 0u);
  EXPECT_TRUE(Has(lines[2], "PUBLISHING"));
  EXPECT_EQ(InputState(rip.Log()), "open");

  EXPECT_TRUE(platform::IsFileInUse(rip.inUse));
  EXPECT_FALSE(platform::DeleteUnlessInUse(rip.inUse)) << "the monitor's test: a running RIP";
  EXPECT_TRUE(Exists(rip.inUse));

  // A second RIP on the same SW folder refuses to start.
  std::string out;
  EXPECT_EQ(test::RunProgram(Ripsim(), {"--sw", rip.sw, "--spool", rip.spool}, &out), 1);
  EXPECT_NE(out.find("already runs on this SW folder"), std::string::npos) << out;
  EXPECT_TRUE(platform::IsFileInUse(rip.inUse));

  // Someone deletes the file by force: it is held again at the next poll.
  std::filesystem::remove(rip.inUse);
  EXPECT_TRUE(WaitFor([&] { return platform::IsFileInUse(rip.inUse); }, 10000));

  rip.process.Signal(SIGINT);
  EXPECT_EQ(rip.process.Wait(5000), 0);
  EXPECT_TRUE(Exists(rip.inUse)) << "left behind, closed, like a stopped RIP";
  EXPECT_FALSE(platform::IsFileInUse(rip.inUse));
  EXPECT_EQ(rip.LogLines().back(), "RIP shutting down");
  EXPECT_TRUE(platform::DeleteUnlessInUse(rip.inUse)) << "the monitor's test: not running";
}

TEST(Ripsim, RipsEveryFileWithDeterministicOutcomes) {
  Rip rip;
  for (const char* n : {"c.ps", "a.ps", "f.pdf", "e.ps"}) Drop(rip.spool, n);
  MakeDirs(rip.spool + "/A4");
  Drop(rip.spool + "/A4", "b.ps");
  MakeDirs(rip.spool + "/A4/mono");
  Drop(rip.spool + "/A4/mono", "d.ps");
  WriteFile(rip.spool + "/.hidden.ps", "x");
  MakeDirs(rip.spool + "/.work");
  WriteFile(rip.spool + "/.work/g.ps", "x");

  ASSERT_TRUE(rip.Start({"--rip-ms", "0", "--warn-every", "2", "--fail-every", "3", "--max-jobs",
                         "6", "--setup", "Broadsheet 60"}));
  ASSERT_EQ(rip.process.Wait(10000), 0) << rip.Console();

  std::vector<std::string> lines = rip.LogLines();
  std::vector<SeenJob> daemon = ReadLikeDaemon(lines);
  std::vector<SeenJob> monitor = ReadLikeMonitor(lines);
  // Job 2 and 4 are warned, 3 fails, 6 is warned and fails.
  EXPECT_EQ(Outcomes(daemon), "CWFWCF") << rip.Log();
  EXPECT_EQ(Outcomes(monitor), "CWFWCF") << "no stray WARNING in any line\n" << rip.Log();
  const char* names[] = {"a.ps", "b.ps", "c.ps", "d.ps", "e.ps", "f.pdf"};
  const char* paths[] = {"/a.ps", "/A4/b.ps", "/c.ps", "/A4/mono/d.ps", "/e.ps", "/f.pdf"};
  ASSERT_EQ(daemon.size(), 6u);
  ASSERT_EQ(monitor.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(daemon[i].name, names[i]);
    EXPECT_EQ(monitor[i].name, Upper(names[i]));
    EXPECT_EQ(daemon[i].setup, "Broadsheet 60");
    EXPECT_EQ(monitor[i].setup, "BROADSHEET 60");
    EXPECT_EQ(daemon[i].file, rip.spool + paths[i]);
    EXPECT_EQ(daemon[i].time.size(), 24u) << daemon[i].time;  // "Mon Jan 31 10:15:02 2005"
    EXPECT_EQ(Upper(daemon[i].time), monitor[i].time);
    EXPECT_TRUE(Exists(rip.sw + "/processed/" + names[i])) << names[i];
  }

  // The lines of the last job (warned and failed), in their order.
  auto setupAt = std::find(lines.rbegin(), lines.rend(), "Setup loaded: Broadsheet 60");
  ASSERT_NE(setupAt, lines.rend());
  std::vector<std::string> last(setupAt.base() - 1, lines.end());
  ASSERT_EQ(last.size(), 8u) << rip.Log();
  EXPECT_EQ(last[1].rfind("Starting Job On ", 0), 0u);
  EXPECT_EQ(last[2], "Ripping file " + rip.spool + "/f.pdf");
  EXPECT_EQ(last[3].rfind("Warning: ", 0), 0u);
  EXPECT_FALSE(Has(Upper(last[4]), "WARNING") || Has(Upper(last[4]), "ERROR"));
  EXPECT_EQ(last[5].rfind("Error: ", 0), 0u);
  EXPECT_FALSE(Has(Upper(last[5]), "WARNING"));
  EXPECT_EQ(last[6], "Job Not Completed: f.pdf");
  EXPECT_EQ(last[7], "RIP shutting down");
  // The failed job 3 had an error line and no warning.
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return Has(l, "Error:"); }),
            2);

  // CR LF by default, on every line.
  std::string log = rip.Log();
  size_t crlf = 0;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i] == '\n') {
      ASSERT_TRUE(i > 0 && log[i - 1] == '\r') << "bare LF at " << i;
      ++crlf;
    }
  }
  EXPECT_EQ(crlf, lines.size());
  EXPECT_EQ(log.substr(log.size() - 2), "\r\n");

  // Hidden files and folders stay; the spool folders are otherwise empty.
  EXPECT_TRUE(Exists(rip.spool + "/.hidden.ps"));
  EXPECT_TRUE(Exists(rip.spool + "/.work/g.ps"));
  EXPECT_TRUE(std::filesystem::is_empty(rip.spool + "/A4/mono"));
  EXPECT_FALSE(Exists(rip.sw + "/tmp/current.job"));
}

TEST(Ripsim, WritesJobFilesWhileRipping) {
  Rip rip;
  ASSERT_TRUE(rip.Start({"--rip-ms", "1500"}));
  Drop(rip.spool, "page 07.ps");
  std::string current = rip.sw + "/tmp/current.job";
  std::string progress = rip.sw + "/tmp/job.prg";
  ASSERT_TRUE(WaitFor([&] { return ReadFile(current) == "page 07.ps"; }, 10000)) << rip.Console();
  EXPECT_TRUE(rip.Taken("page 07.ps")) << "taken out of the spool folder when the job starts";
  EXPECT_TRUE(Exists(rip.sw + "/processed/page 07.ps"));

  std::set<int> seen;
  while (!Has(rip.Log(), "Job Completed: page 07.ps")) {
    std::string p = ReadFile(progress);
    if (p.size() >= 3 && p.front() == '(') seen.insert(std::atoi(p.c_str() + 1));
    ASSERT_LT(seen.size() + 0, 10u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(rip.process.Running());
  }
  EXPECT_GE(seen.size(), 3u) << "progress updated a few times";
  for (int v : seen) EXPECT_TRUE(v >= 0 && v <= 100) << v;
  EXPECT_TRUE(WaitFor([&] { return !Exists(current); }, 10000));
  EXPECT_EQ(ReadFile(progress), "(100)") << "left for the monitor to delete";

  // The monitor deletes job.prg when idle; the next job writes it again.
  std::filesystem::remove(progress);
  Drop(rip.spool, "page 08.ps");
  EXPECT_TRUE(
      WaitFor([&] { return Exists(progress) && ReadFile(current) == "page 08.ps"; }, 10000));
}

TEST(Ripsim, PausedInputHoldsFilesUntilResumed) {
  Rip rip;
  ASSERT_TRUE(rip.Start({"--paused", "--rip-ms", "0"}));
  EXPECT_EQ(InputState(rip.Log()), "closed");
  EXPECT_TRUE(Has(rip.LogLines().back(), "STOPPING"));
  Drop(rip.spool, "p1.ps");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(rip.Taken("p1.ps"));

  rip.process.Signal(SIGUSR2);
  ASSERT_TRUE(WaitFor([&] { return rip.Taken("p1.ps"); }, 10000));
  EXPECT_EQ(InputState(rip.Log()), "open");
  ASSERT_TRUE(WaitFor([&] { return Has(rip.Log(), "Job Completed: p1.ps"); }, 10000));

  rip.process.Signal(SIGUSR1);
  ASSERT_TRUE(WaitFor([&] { return InputState(rip.Log()) == "closed"; }, 10000));
  EXPECT_TRUE(Has(rip.LogLines().back(), "STOPPING"));
  rip.process.Signal(SIGUSR1);  // already stopped: no second line
  Drop(rip.spool, "p2.ps");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(rip.Taken("p2.ps"));
  std::string log = rip.Log();
  EXPECT_EQ(log.find("STOPPING", log.find("Job Completed: p1.ps")), log.rfind("STOPPING"));

  rip.process.Signal(SIGTERM);
  EXPECT_EQ(rip.process.Wait(5000), 0);
  EXPECT_FALSE(rip.Taken("p2.ps"));
}

TEST(Ripsim, StartsNewShorterLogs) {
  Rip rip;
  MakeDirs(rip.sw);
  std::string old;
  for (int i = 0; i < 2000; ++i) old += "line of an earlier run\r\n";
  WriteFile(rip.logPath, old);

  ASSERT_TRUE(rip.Start({"--new-log", "--rip-ms", "0"}));
  EXPECT_EQ(ReadFile(rip.logPath + ".old"), old);
  EXPECT_EQ(rip.LogLines().size(), 3u) << rip.Log();
  for (const char* n : {"a.ps", "b.ps", "c.ps"}) Drop(rip.spool, n);
  ASSERT_TRUE(WaitFor([&] { return ReadLikeDaemon(rip.LogLines()).size() == 3; }, 10000));
  std::string before = rip.Log();

  rip.process.Signal(SIGHUP);
  ASSERT_TRUE(WaitFor([&] { return rip.Log().size() < before.size(); }, 10000));
  EXPECT_EQ(ReadFile(rip.logPath + ".old"), before);
  EXPECT_EQ(InputState(rip.Log()), "open") << "the new log tells the input state again";
  EXPECT_TRUE(ReadLikeDaemon(rip.LogLines()).empty());
  Drop(rip.spool, "d.ps");
  ASSERT_TRUE(WaitFor([&] { return ReadLikeDaemon(rip.LogLines()).size() == 1; }, 10000));
  EXPECT_EQ(ReadLikeDaemon(rip.LogLines())[0].name, "d.ps");

  // Without --new-log a restart appends to the log it finds.
  rip.process.Signal(SIGTERM);
  ASSERT_EQ(rip.process.Wait(5000), 0);
  std::string stopped = rip.Log();
  ASSERT_TRUE(rip.Start({}));
  EXPECT_EQ(rip.Log().rfind(stopped, 0), 0u);
}

TEST(Ripsim, TakesAFileOnlyOnceItsWriterClosesIt) {
  Rip rip;
  WriteFile(rip.spool + "/late.ps", "%!PS half written");
  auto writer = std::make_unique<test::HoldOpen>(rip.spool + "/late.ps", O_WRONLY);
  ASSERT_TRUE(writer->ok());
  ASSERT_TRUE(rip.Start({"--rip-ms", "0"}));
  Drop(rip.spool, "later.ps");
  ASSERT_TRUE(WaitFor([&] { return Has(rip.Log(), "Job Completed: later.ps"); }, 10000));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(rip.Taken("late.ps")) << "still open for writing";
  writer.reset();
  ASSERT_TRUE(WaitFor([&] { return Has(rip.Log(), "Job Completed: late.ps"); }, 10000));
  EXPECT_EQ(ReadFile(rip.sw + "/processed/late.ps"), "%!PS half written");
}

TEST(Ripsim, LineEndsDeleteModeAndNetworkNames) {
  Rip rip;
  MakeDirs(rip.spool + "/A3");
  Drop(rip.spool + "/A3", "Page 01.ps");
  ASSERT_TRUE(rip.Start({"--lf", "--delete", "--rip-ms", "0", "--max-jobs", "1", "--quiet",
                         "--network-path", "\\\\HQRIP1\\hot"}));
  ASSERT_EQ(rip.process.Wait(10000), 0);
  std::string log = rip.Log();
  EXPECT_EQ(log.find('\r'), std::string::npos);
  EXPECT_EQ(log.back(), '\n');
  std::vector<std::string> lines = rip.LogLines();
  auto ripping = std::find_if(lines.begin(), lines.end(),
                              [](const std::string& l) { return Has(l, "Ripping file "); });
  ASSERT_NE(ripping, lines.end());
  EXPECT_EQ(ripping->rfind("Ripping file \\\\HQRIP1\\hot\\A3\\Page 01.ps (", 0), 0u) << *ripping;
  EXPECT_EQ(ripping->find('/'), std::string::npos) << "options without slashes";
  EXPECT_TRUE(rip.Taken("A3/Page 01.ps"));
  EXPECT_FALSE(Exists(rip.sw + "/processed")) << "deleted, not kept";
  EXPECT_EQ(rip.Console(), "") << "quiet";
}

TEST(Ripsim, KeepsEveryCopyAndClosesAJobCutShort) {
  Rip rip;
  MakeDirs(rip.spool + "/A3");
  MakeDirs(rip.spool + "/A4");
  Drop(rip.spool + "/A3", "same.ps", "first");
  Drop(rip.spool + "/A4", "same.ps", "second");
  ASSERT_TRUE(rip.Start({"--rip-ms", "0"}));
  ASSERT_TRUE(WaitFor([&] { return ReadLikeDaemon(rip.LogLines()).size() == 2; }, 10000));
  // Same name: listed by path, so A3 comes first.
  EXPECT_EQ(ReadFile(rip.sw + "/processed/same.ps"), "first");
  EXPECT_EQ(ReadFile(rip.sw + "/processed/same~2.ps"), "second");
  rip.process.Signal(SIGTERM);
  ASSERT_EQ(rip.process.Wait(5000), 0);

  ASSERT_TRUE(rip.Start({"--rip-ms", "60000"}));
  Drop(rip.spool, "long.ps");
  ASSERT_TRUE(WaitFor([&] { return Exists(rip.sw + "/tmp/current.job"); }, 10000));
  rip.process.Signal(SIGTERM);
  ASSERT_EQ(rip.process.Wait(5000), 0);
  std::vector<SeenJob> jobs = ReadLikeDaemon(rip.LogLines());
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[2].name, "long.ps");
  EXPECT_EQ(jobs[2].outcome, 'F');
  EXPECT_FALSE(Exists(rip.sw + "/tmp/current.job"));
  EXPECT_FALSE(platform::IsFileInUse(rip.inUse));
}

}  // namespace
}  // namespace vellora
