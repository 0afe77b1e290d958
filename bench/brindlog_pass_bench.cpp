// Cost of the daemon's scan pass, with the status file written after it: the idle
// pass of a running RIP (inUse test, 64,000-byte tail scan, nothing new in a
// 1,000,000-byte log), and a pass that finds 100 finished jobs and writes their files.
// Every file is flushed to disk before it is renamed into place, so the disk's flush
// time is part of the figures.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "brindlog/scan_pass.h"
#include "platform/files.h"
#include "platform/held_file.h"
#include "riplog/log_pointer.h"

namespace {

using namespace vellora;

struct Site {
  std::string root;
  std::string rip;
  std::string log;
  brindlog::DebugLog debug;  // off: only the pass is measured
  brindlog::Parameters p;
  platform::HeldFile inUse;

  Site() {
    char templ[] = "/tmp/brindlog-bench-XXXXXX";
    root = mkdtemp(templ);
    rip = root + "/rip";
    std::filesystem::create_directories(rip + "/SW/Config");
    std::filesystem::create_directories(root + "/xml");
    log = rip + "/SW/Logfile";
    p.RipInstallFolder = rip;
    p.XMLfolder = root + "/xml";
    inUse.Open(rip + "/SW/Config/inUse");  // the RIP runs
  }
  ~Site() {
    inUse.Close();
    std::filesystem::remove_all(root);
  }
};

std::string Job(int i) {
  std::string n = "page" + std::to_string(i) + ".ps";
  return "Setup loaded: Newsprint 40\r\nStarting Job On Mon Jan 31 10:15:02 2005\r\n"
         "Ripping file \\\\HQRIP1\\hot\\" +
         n +
         " (Copies 1, Resolution 1270 dpi)\r\n"
         "Page 1 done: 4 separations at 1270 dpi\r\nJob Completed: " +
         n + "\r\n";
}

void IdlePass(benchmark::State& state) {
  Site s;
  std::string text = "PUBLISHING: input queue open\r\n";
  while (text.size() < 1000000) text += "Page 1 done: 4 separations at 1270 dpi\r\n";
  platform::CreateOrReplace(s.log, text);
  brindlog::ScanPassRunner runner(s.p, s.debug, "BENCH");
  runner.RunPassAndWriteStatus();  // the first pass reads the tail and sets the pointer
  for (auto _ : state) runner.RunPassAndWriteStatus();
}
BENCHMARK(IdlePass)->Unit(benchmark::kMicrosecond);

void PassWithJobs(benchmark::State& state) {
  Site s;
  std::string text = "PUBLISHING: input queue open\r\n";
  for (int i = 0; i < state.range(0); ++i) text += Job(i);
  platform::CreateOrReplace(s.log, text);
  brindlog::ScanPassRunner runner(s.p, s.debug, "BENCH");
  for (auto _ : state) {
    riplog::WriteLogPointer(riplog::BrindlogPointerPath(s.rip), 1);
    runner.RunPassAndWriteStatus();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(PassWithJobs)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
