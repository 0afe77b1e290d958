// The idle cost of the RIP monitors: four monitors, each on its own thread at the
// product's real timings, follow four idle RIPs (ripsim processes with a megabyte of
// earlier log each). After the first pass of each (which reads the log's last
// MaxLogFileReadSize bytes), the process's CPU time is taken over a stretch of wall
// time. A plain program: it prints its figures.
//
//   bench_monitor_idle [SECONDS] [--force-open-inputs]
//
// By default ForceOpenInputs is 0, as for Harlequin RIPs: every pass then also runs
// the in-use test on each RIP's Config\inUse, the dearer case.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/unconnected.h"
#include "riplog/log_pointer.h"
#include "riptrack/rip_tracking.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace vellora;

double CpuSeconds() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

// Counts the passes: every pass that reaches the SW folder sets the status text.
class PassCounter : public core::NullDisplay {
 public:
  void SetRipStatusText(core::RipIndex rip, const std::string&) override { ++passes[rip.Slot()]; }
  std::atomic<long> passes[core::kRipCount]{};
};

pid_t Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 30;
  bool forceOpen = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--force-open-inputs") == 0) {
      forceOpen = true;
    } else {
      seconds = std::atoi(argv[i]);
      if (seconds <= 0) {
        std::fprintf(stderr, "usage: bench_monitor_idle [SECONDS] [--force-open-inputs]\n");
        return 2;
      }
    }
  }

  fs::path dir = fs::temp_directory_path() / ("monitor-idle-" + std::to_string(getpid()));
  std::string history;
  while (history.size() < 1000000) {
    history += "Setup loaded: \"Newsprint 40\"\r\nStarting Job On Mon Jan 31 10:12:03 2005\r\n";
    for (int b = 0; b < 10; ++b)
      history += "Band rendered, 2048 lines, compression ratio 14.2:1\r\n";
    history += "Job Completed: ABC-310105-12.ps\r\n";
  }
  std::vector<pid_t> rips;
  for (int r = 0; r < core::kRipCount; ++r) {
    fs::path sw = dir / ("rip" + std::to_string(r + 1)) / "sw";
    fs::create_directories(sw);
    fs::create_directories(dir / ("rip" + std::to_string(r + 1)) / "spool");
    std::ofstream((sw / "Logfile").string(), std::ios::binary) << history;
    rips.push_back(Spawn({RIPSIM, "--sw", sw.string(), "--spool",
                          (dir / ("rip" + std::to_string(r + 1)) / "spool").string(), "--quiet"}));
    if (rips.back() < 0) {
      std::fprintf(stderr, "cannot start %s\n", RIPSIM);
      return 1;
    }
  }
  // ripsim holds inUse once it has set up; wait for its start-up lines.
  for (int r = 0; r < core::kRipCount; ++r) {
    fs::path log = dir / ("rip" + std::to_string(r + 1)) / "sw" / "Logfile";
    for (int k = 0; k < 500 && fs::file_size(log) == history.size(); ++k) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  PassCounter display;
  platform::Pacer pacer(1.0);  // the product's timings
  core::Runtime rt(display, pacer, dir.string());
  rt.settings.Update([&](core::SettingsStore& s) {
    s.ForceOpenInputs = forceOpen ? 1 : 0;
    for (int r = 0; r < core::kRipCount; ++r) {
      s.Rips[r].UseRIP = 1;
      s.Rips[r].RIPswPath = (dir / ("rip" + std::to_string(r + 1)) / "sw").string();
    }
  });
  engine::NoRipServices noServices;
  riptrack::RipTracking tracking(rt, noServices);
  std::vector<std::thread> monitors;
  for (int r = 0; r < core::kRipCount; ++r) {
    rt.rips[r].Tracking = 1;
    monitors.emplace_back([&, r] { tracking.RunRipMonitor(core::RipIndex(r)); });
  }
  // The first passes read the earlier log; the idle stretch starts after them.
  for (int r = 0; r < core::kRipCount; ++r) {
    while (display.passes[r] == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  long passesBefore = 0;
  for (auto& p : display.passes) passesBefore += p;
  double cpu0 = CpuSeconds();
  auto wall0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  double cpu = CpuSeconds() - cpu0;
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  long passes = -passesBefore;
  for (auto& p : display.passes) passes += p;
  int open = 0;
  for (auto& slot : rt.rips) open += slot.InputOpen;

  pacer.RequestStop();
  for (auto& t : monitors) t.join();
  for (pid_t pid : rips) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  fs::remove_all(dir);

  std::printf(
      "four idle RIP monitors, ForceOpenInputs %d, %.1f s of wall time: %.1f ms CPU, "
      "%.4f %% of one core (%.1f us CPU per second); %ld passes (%.1f us CPU each), "
      "%d inputs open\n",
      forceOpen ? 1 : 0, wall, cpu * 1e3, cpu / wall * 100, cpu / wall * 1e6, passes,
      passes > 0 ? cpu / passes * 1e6 : 0.0, open);
  return 0;
}
