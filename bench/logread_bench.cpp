// Speed of the RIP log reading: one monitor pass over 1,000,000 bytes of new log
// lines (read, split, upper-cased and matched against the keyword table, the job
// state machine fed), compared in the same run with grep -c -F for the same keywords
// over the same file; the same bytes through a whole pass of the RIP monitor itself
// (folder test, progress file, tail scan, log read, job state machine, every
// finished job reported into the RIP's job list, pointer file written); and the
// 64,000-byte tail scan. A plain program: it prints its figures.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/unconnected.h"
#include "riplog/input_state.h"
#include "riplog/keyword_line.h"
#include "riplog/line_cursor.h"
#include "riplog/log_pointer.h"
#include "riplog/log_text.h"
#include "riplog/rip_job.h"
#include "riptrack/rip_tracking.h"

extern char** environ;

namespace {

using namespace vellora::riptrack;
namespace riplog = vellora::riplog;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Log lines as a RIP writes them: a time stamp, the job events of the keyword table
// and, between them, the many lines about pages, bands and devices that carry none.
std::string RealisticLog(size_t bytes) {
  std::mt19937 rng(2005);
  std::string log;
  int job = 0;
  char stamp[32];
  auto line = [&](const std::string& text) {
    int ms = static_cast<int>(log.size() / 37 % 86400000);
    std::snprintf(stamp, sizeof stamp, "[%.2d:%.2d:%.2d.%.3d] ", ms / 3600000 % 24, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    log += stamp + text + "\r\n";
  };
  const char* setups[] = {"\"Newsprint 40\"", "\"Newsprint 40 Mono\"", "\"Gloss 60 CMYK\""};
  while (log.size() < bytes) {
    std::string name = "ABC-3101" + std::to_string(5 + job % 20) + "-" +
                       std::to_string(10 + job % 90) + (job % 3 ? ".ps" : ".pdf");
    line(std::string("Setup loaded: ") + setups[job % 3]);
    line("Starting Job On Mon Jan 31 10:12:03 2005");
    line("Ripping file \\\\FS1\\Hot\\Input" + std::to_string(job % 4) + "\\" + name +
         " (PostScript Level 3, 1 page)");
    line("%%[ ProductName: Raster Image Processor 7.1r2 ]%%");
    line("Interpreting page 1 of " + name);
    int bands = 6 + static_cast<int>(rng() % 10);
    for (int b = 1; b <= bands; ++b)
      line("Band " + std::to_string(b) + " of " + std::to_string(bands) +
           " rendered, 2048 lines, compression ratio 14.2:1");
    if (rng() % 6 == 0) line("%%[ Warning: Font Helvetica-Narrow not found, using Courier ]%%");
    bool fail = rng() % 25 == 0;
    if (fail) line("%%[ Error: undefined; OffendingCommand: findfont ]%%");
    line("Page 1 output to device PlateSetter-2 (1270 dpi, 4 separations)");
    line(std::string(fail ? "Job Not Completed: " : "Job Completed: ") + name);
    line("Publishing");
    ++job;
  }
  log.resize(bytes);
  log.back() = '\n';
  return log;
}

struct PassResult {
  int lines = 0;
  int keywordLines = 0;
  int jobs = 0;
};

// What the RIP monitor does with one read, down to the captures; the texts go into
// a job record as the state machine would keep them.
PassResult MonitorPass(const riplog::LogText& text, riplog::KeywordLine& kl) {
  PassResult r;
  riplog::RipJob job;
  bool inJob = false;
  int64_t pointer = text.pointer;
  riplog::LineCursor cursor(text);
  riplog::LogLine line;
  while (cursor.NextLine(line)) {
    if (!line.terminated) break;
    ++r.lines;
    kl.Set(line.text);
    if (kl.Hits().Any()) ++r.keywordLines;
    if (!inJob) {
      job.JobTime.clear();
      job.JobName.clear();
      if (kl.Has(riplog::Keyword::SetupLoaded)) {
        job.Setup = kl.Setup();
        inJob = true;
      } else {
        pointer = line.endOffset;
      }
      continue;
    }
    if (kl.Has(riplog::Keyword::Error)) job.ErrorText = kl.ErrorText();
    if (kl.Has(riplog::Keyword::Warning)) job.WarningText = kl.WarningText();
    if (kl.ClosesJob()) {
      job.JobName = kl.JobName();
      inJob = false;
      ++r.jobs;
      pointer = line.endOffset;
    }
    if (kl.Has(riplog::Keyword::StartingJob)) job.JobTime = kl.JobTime();
  }
  if (pointer < 0) r.jobs = -1;  // keeps the pointer rule from being optimised away
  return r;
}

double Cpu(const struct rusage& u) {
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

struct Stats {
  double min = 0, median = 0;
};

template <typename F>
Stats Measure(int rounds, F&& f) {
  std::vector<double> t;
  for (int i = 0; i < rounds; ++i) {
    auto a = Clock::now();
    f();
    t.push_back(Seconds(Clock::now() - a));
  }
  std::sort(t.begin(), t.end());
  return {t.front(), t[t.size() / 2]};
}

// Runs grep as a child process on the file; returns its count, -1 on failure.
long RunGrep(const std::vector<std::string>& args, double* cpuSeconds) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int pipeFd[2];
  if (pipe(pipeFd) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFd[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFd[0]);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFd[1]);
  if (rc != 0) {
    close(pipeFd[0]);
    return -1;
  }
  char out[64] = {};
  ssize_t n = read(pipeFd[0], out, sizeof out - 1);
  close(pipeFd[0]);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  if (cpuSeconds != nullptr)
    *cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                  usage.ru_stime.tv_usec / 1e6;
  return n > 0 ? std::atol(out) : -1;
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("logread-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string log = (dir / "Logfile").string();
  const size_t kBytes = 1000000;
  {
    std::ofstream out(log, std::ios::binary);
    out << RealisticLog(kBytes);
  }
  const double mb = kBytes / 1e6;

  // The operator program's pass: no stored pointer, so the last MaxLogFileReadSize
  // (1,000,000) bytes, which is the whole file.
  riplog::KeywordLine vellora(riplog::Deliverable::Vellora);
  PassResult seen;
  Stats pass = Measure(300, [&] {
    riplog::LogText t = riplog::ReadNewLogText(log, 0, riplog::ReadRule::Vellora(1000000));
    seen = MonitorPass(t, vellora);
  });
  riplog::LogText once = riplog::ReadNewLogText(log, 0, riplog::ReadRule::Vellora(1000000));
  Stats inMemory = Measure(300, [&] { seen = MonitorPass(once, vellora); });
  riplog::KeywordLine brindlog(riplog::Deliverable::Brindlog);
  PassResult seenB;
  Stats passB = Measure(300, [&] {
    riplog::LogText t = riplog::ReadNewLogText(log, 1, riplog::ReadRule::Brindlog());
    seenB = MonitorPass(t, brindlog);
  });

  std::printf("log: %zu bytes, %d lines, %d with keywords, %d jobs\n", kBytes, seen.lines,
              seen.keywordLines, seen.jobs);
  std::printf(
      "operator program pass (read+split+upper-case+match+captures): "
      "%.0f MB/s (best %.3f ms, median %.3f ms)\n",
      mb / pass.median, pass.min * 1e3, pass.median * 1e3);
  std::printf("  of which in memory (split+upper-case+match+captures): %.0f MB/s median\n",
              mb / inMemory.median);
  std::printf("daemon pass (case-sensitive, from a pointer): %.0f MB/s median, %d jobs\n",
              mb / passB.median, seenB.jobs);

  // The RIP monitor's own pass over the same 1,000,000 bytes, as new lines after a
  // stored pointer: a SW folder with the log, a fresh monitor for every round (so
  // that each round starts waiting for a setup, as after a restart), no waits.
  const fs::path sw = dir / "sw";
  fs::create_directories(sw / "tmp");
  const std::string header = "RIP started\r\n";
  {
    std::ofstream out((sw / "Logfile").string(), std::ios::binary);
    out << header << RealisticLog(kBytes);
  }
  vellora::core::NullDisplay display;
  vellora::platform::Pacer noWaits(0);
  vellora::core::Runtime rt(display, noWaits, dir.string());
  rt.settings.Update([&](vellora::core::SettingsStore& st) {
    st.Rips[0].UseRIP = 1;
    st.Rips[0].RIPswPath = sw.string();
  });
  rt.rips[0].Tracking = 1;
  vellora::engine::NoRipServices noServices;
  RipTracking tracking(rt, noServices);
  const std::string pointerFile = riplog::VelloraPointerPath(dir.string(), 0);
  const int64_t newLinesStart = static_cast<int64_t>(header.size()) - 2;
  size_t rows = 0;
  // Only the pass is timed: the pointer file is set back and the monitor made
  // before the clock starts.
  std::vector<double> passTimes;
  double passCpuSum = 0;
  struct rusage before {};
  struct rusage after {};
  for (int round = 0; round < 100; ++round) {
    riplog::WriteLogPointer(pointerFile, newLinesStart);
    auto monitor = tracking.NewMonitor(vellora::core::RipIndex(0));
    monitor->Begin();
    getrusage(RUSAGE_THREAD, &before);
    auto a = Clock::now();
    monitor->RunPass();
    passTimes.push_back(Seconds(Clock::now() - a));
    getrusage(RUSAGE_THREAD, &after);
    passCpuSum += Cpu(after) - Cpu(before);
    rows = tracking.jobLists().Rows(vellora::core::RipIndex(0)).size();
  }
  std::sort(passTimes.begin(), passTimes.end());
  const Stats monitorPass{passTimes.front(), passTimes[passTimes.size() / 2]};
  const double passCpu = passCpuSum / 100;
  std::printf(
      "RIP monitor pass (RipMonitor::RunPass, everything of a pass but its wait): "
      "%.0f MB/s median (best %.3f ms, median %.3f ms wall, %.3f ms CPU on average; wall time "
      "beyond the CPU time is the pointer file's flush to disk), pointer %lld of %lld, %zu rows "
      "kept\n",
      mb / monitorPass.median, monitorPass.min * 1e3, monitorPass.median * 1e3, passCpu * 1e3,
      static_cast<long long>(riplog::ReadLogPointer(pointerFile)),
      static_cast<long long>(fs::file_size(sw / "Logfile")), rows);

  std::vector<std::string> grep = {"grep", "-c", "-F"};
  for (std::string_view k : riplog::kVelloraDialect.keywords) {
    if (k.empty()) continue;
    grep.push_back("-e");
    grep.emplace_back(k);
  }
  grep.push_back(log);
  std::vector<std::string> grepI = grep;
  grepI.insert(grepI.begin() + 1, "-i");
  setenv("LC_ALL", "C", 1);
  // grep's own scanning rate, without its process start: the same runs over twenty
  // copies of the bytes, less the runs over one.
  const std::string big = (dir / "Logfile20").string();
  {
    std::string once = RealisticLog(kBytes);
    std::ofstream out(big, std::ios::binary);
    for (int i = 0; i < 20; ++i) out << once;
  }
  for (const auto* g : {&grep, &grepI}) {
    long count = 0;
    double cpu = 0, cpuSum = 0;
    int rounds = 50;
    Stats t = Measure(rounds, [&] {
      count = RunGrep(*g, &cpu);
      cpuSum += cpu;
    });
    if (count < 0) {
      std::printf("%s: could not run grep\n", g == &grep ? "grep -c -F" : "grep -c -F -i");
      continue;
    }
    std::vector<std::string> g20 = *g;
    g20.back() = big;
    Stats t20 = Measure(20, [&] { RunGrep(g20, nullptr); });
    double grepRate = 19 * mb / (t20.median - t.median);
    std::printf(
        "%s (child process, %ld matching lines): %.3f ms median wall, %.3f ms CPU; "
        "ratio grep/ours %.2f (wall, median; whole monitor pass %.2f); grep scans at "
        "%.0f MB/s without its start-up, ours/grep %.2f (whole monitor pass %.2f)\n",
        g == &grep ? "grep -c -F   " : "grep -c -F -i", count, t.median * 1e3,
        cpuSum / rounds * 1e3, t.median / pass.median, t.median / monitorPass.median, grepRate,
        (mb / pass.median) / grepRate, (mb / monitorPass.median) / grepRate);
  }

  // The tail scan on a longer log: always its last 64,000 bytes.
  {
    std::ofstream out(log, std::ios::binary | std::ios::app);
    out << RealisticLog(2000000);
  }
  riplog::TailScan scan;
  Stats tail =
      Measure(2000, [&] { scan = riplog::ScanInputState(log, riplog::Deliverable::Vellora); });
  std::printf("tail scan of 64,000 bytes: %.1f us median (best %.1f us), state %s\n",
              tail.median * 1e6, tail.min * 1e6,
              scan.state == riplog::InputState::Open     ? "Open"
              : scan.state == riplog::InputState::Closed ? "Closed"
                                                         : "Undecided");
  fs::remove_all(dir);
  return 0;
}
