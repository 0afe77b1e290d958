// The scanner's cost without its waits: one pass over 100 spoolers of 300 files each
// (listing with the in-use test, queue, order, display rows, RIP queues), and
// deliveries per second beside a bare loop of the same file operations.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/display.h"
#include "core/runtime.h"
#include "engine/unconnected.h"
#include "intake/input_scanner.h"
#include "platform/pacing.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace vellora;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void Fill(const std::string& folder, int files, const std::string& prefix) {
  fs::create_directories(folder);
  for (int k = 0; k < files; ++k) {
    std::ofstream(folder + "/" + prefix + std::to_string(k) + ".ps") << "%!PS-Adobe-3.0\n"
                                                                     << std::string(2000, 'x');
  }
}

struct Bench {
  std::string root;
  core::NullDisplay display;
  platform::Pacer pacer{0};
  core::Runtime rt;
  intake::WaitingJobs waiting{display};
  intake::RipQueues queues{rt};
  engine::NoDatabase db;
  engine::NoPdfRewriter pdf;
  explicit Bench(const std::string& r) : root(r), rt(display, pacer, r) {}
};

}  // namespace

int main() {
  char templ[] = "/tmp/vellora-bench-XXXXXX";
  std::string root = mkdtemp(templ);

  // 1. One full pass over 100 x 300 files while no RIP has room (no deliveries).
  {
    Bench b(root + "/pass");
    const int spoolers = 100, files = 300;
    for (int m = 0; m < spoolers; ++m)
      Fill(b.root + "/in" + std::to_string(m), files, "S" + std::to_string(m) + "-");
    Fill(b.root + "/spool", 1, "busy");
    fs::create_directories(b.root + "/sw");
    b.rt.settings.Update([&](core::SettingsStore& s) {
      s.DSN.clear();
      s.NumberOfSpoolers = spoolers;
      s.Rips[0].UseRIP = 1;
      s.Rips[0].RIPswPath = b.root + "/sw";
      for (int m = 0; m < spoolers; ++m) {
        s.Spoolers[m].Enable = 1;
        s.Spoolers[m].Priority = 1 + m % 3;
        s.Spoolers[m].InputSpool = b.root + "/in" + std::to_string(m);
        s.Spoolers[m].RipSpool[0] = b.root + "/spool";
      }
      s.MaxOutstandingJobs = 1;  // the file waiting in the spool folder fills the RIP
    });
    b.rt.rips[0].Tracking = 1;
    intake::InputScanner scanner(b.rt, b.waiting, b.queues, b.db, b.pdf);
    scanner.RunPass();  // warm the caches and create the display rows once
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
      auto t0 = Clock::now();
      scanner.RunPass();
      best = std::min(best, Seconds(t0, Clock::now()));
    }
    std::printf(
        "scanner pass, 100 spoolers x 300 files, no room: best of 5 %.1f ms (%zu waiting rows)\n",
        best * 1000, b.waiting.Rows().size());
  }

  // 2. Deliveries per second at time scale 0, with two RIPs that take every file at
  //    once (a thread empties their spool folders), MaxOutstandingJobs 2; beside a
  //    bare loop of the same file operations (stat of the source, a count of each
  //    spool folder, a rename) against the same taker.
  {
    const int jobs = 2000;
    Bench b(root + "/deliver");
    Fill(b.root + "/in", jobs, "P");
    for (const char* d : {"/sw1", "/sw2", "/spool1", "/spool2", "/taken"})
      fs::create_directories(b.root + d);
    b.rt.settings.Update([&](core::SettingsStore& s) {
      s.DSN.clear();
      s.StableTime = 0;
      s.NumberOfSpoolers = 1;
      s.Spoolers[0].Enable = 1;
      s.Spoolers[0].InputSpool = b.root + "/in";
      for (int r = 0; r < 2; ++r) {
        s.Spoolers[0].RipSpool[r] = b.root + "/spool" + std::to_string(r + 1);
        s.Rips[r].UseRIP = 1;
        s.Rips[r].RIPswPath = b.root + "/sw" + std::to_string(r + 1);
      }
      s.MaxOutstandingJobs = 2;
    });
    b.rt.rips[0].Tracking = 1;
    b.rt.rips[1].Tracking = 1;
    std::atomic<bool> stop{false};
    auto taker = [&](std::vector<std::string> spools) {
      while (!stop) {
        for (const auto& sp : spools) {
          for (auto& e : fs::directory_iterator(sp)) {
            fs::rename(e.path(), b.root + "/taken/" + e.path().filename().string());
          }
        }
      }
    };
    std::thread rips(taker, std::vector<std::string>{b.root + "/spool1", b.root + "/spool2"});
    intake::InputScanner scanner(b.rt, b.waiting, b.queues, b.db, b.pdf);
    auto t0 = Clock::now();
    while (true) {
      int left = 0;
      for (auto& e : fs::directory_iterator(b.root + "/in")) left += e.is_regular_file();
      if (left == 0) break;
      scanner.RunPass();
    }
    double scannerTime = Seconds(t0, Clock::now());

    Fill(b.root + "/in2", jobs, "Q");
    auto t1 = Clock::now();
    for (int k = 0; k < jobs; ++k) {
      std::string name = "Q" + std::to_string(k) + ".ps";
      struct stat st {};
      stat((b.root + "/in2/" + name).c_str(), &st);
      for (const char* sp : {"/spool1", "/spool2"}) {
        int waiting = 0;
        for (auto& e : fs::directory_iterator(b.root + sp)) {
          struct stat est {};
          stat(e.path().c_str(), &est);
          ++waiting;
        }
        (void)waiting;
      }
      std::string dest = b.root + (k % 2 ? "/spool2/" : "/spool1/") + name;
      rename((b.root + "/in2/" + name).c_str(), dest.c_str());
    }
    double bareTime = Seconds(t1, Clock::now());
    stop = true;
    rips.join();
    std::printf(
        "deliveries at time scale 0: %.0f per second; bare loop: %.0f per second; ratio %.1f\n",
        jobs / scannerTime, jobs / bareTime, scannerTime / bareTime);
  }
  fs::remove_all(root);
  return 0;
}
