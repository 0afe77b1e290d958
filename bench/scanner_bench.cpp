// bench_scanner [ROUNDS]: the scanner's cost without its waits.
//
// 1. One pass over 100 spoolers of 300 files each while no RIP has room (listing
//    with the in-use test, queue, order, display rows, RIP queues).
// 2. Deliveries at time scale 0 into spool folders that a RIP empties at once (two
//    RIPs, a thread takes every file out of their spool folders).
// 3. Deliveries at time scale 0 into a spool folder that fills up: the RIP takes
//    nothing, so 2,000 files end up waiting in it; the same for 500, 1,000 and
//    4,000 files, with the CPU time per delivered file.
//
// Beside 2 and 3, in the same run, a bare loop makes the system calls a delivery
// cannot do without: the listing of the input folder (300 at a time) with the in-use
// probe of each file (open, stat, lease, read, release, close), a count of each spool
// folder capped at 300 files (readdir and a stat per entry), and the rename into the
// spool folder. Rounds alternate between the scanner and the bare loop; medians are
// reported with the ratio of the rates (scanner / bare loop: 1 is as fast, 0.5 half),
// and the same ratio of the CPU time per file of the delivering thread, which a
// machine busy with other work disturbs far less than the wall-clock rates.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/display.h"
#include "core/runtime.h"
#include "engine/unconnected.h"
#include "intake/input_scanner.h"
#include "platform/pacing.h"
#include "bench_support.h"

namespace {

using vellora::bench::Median;
using vellora::bench::Taker;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace vellora;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
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

// The in-use probe of the listing: the file may be opened for writing and nobody
// else holds it open (a write lease is granted), and its first 4096 bytes read.
bool Probe(int dirFd, const char* name) {
  int fd = openat(dirFd, name, O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  bool lease = ok && fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
  char buf[4096];
  ok = ok && lease && pread(fd, buf, sizeof buf, 0) >= 0;
  if (lease) fcntl(fd, F_SETLEASE, F_UNLCK);
  close(fd);
  return ok;
}

int CappedCount(const std::string& folder) {
  DIR* d = opendir(folder.c_str());
  if (d == nullptr) return 0;
  int count = 0;
  while (count < 300) {
    dirent* de = readdir(d);
    if (de == nullptr) break;
    if (de->d_name[0] == '.') continue;
    struct stat st {};
    if (fstatat(dirfd(d), de->d_name, &st, 0) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
      ++count;
  }
  closedir(d);
  return count;
}

// Delivers every file of `in` into the spools in turn with the bare system calls.
int BareLoop(const std::string& in, const std::vector<std::string>& spools) {
  int delivered = 0;
  for (;;) {
    std::vector<std::string> listed;
    DIR* d = opendir(in.c_str());
    if (d == nullptr) break;
    while (listed.size() < 300) {
      dirent* de = readdir(d);
      if (de == nullptr) break;
      if (de->d_name[0] == '.') continue;
      struct stat st {};
      if (fstatat(dirfd(d), de->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        continue;
      if (Probe(dirfd(d), de->d_name)) listed.emplace_back(de->d_name);
    }
    closedir(d);
    if (listed.empty()) break;
    for (const std::string& name : listed) {
      int waiting = 0;
      for (const std::string& sp : spools) waiting += CappedCount(sp);
      if (waiting < 0) std::abort();  // keeps the count
      const std::string& sp = spools[static_cast<size_t>(delivered) % spools.size()];
      if (rename((in + "/" + name).c_str(), (sp + "/" + name).c_str()) == 0) ++delivered;
    }
  }
  return delivered;
}

struct Run {
  double seconds = 0;
  double cpu = 0;
  int files = 0;
};

// The scanner delivers every file of <root>/in; passes until the folder is empty.
Run ScannerRun(const std::string& root, int jobs, int rips, bool emptied) {
  Bench b(root);
  Fill(b.root + "/in", jobs, "P");
  std::vector<std::string> spools;
  for (int r = 0; r < rips; ++r) {
    fs::create_directories(b.root + "/sw" + std::to_string(r + 1));
    spools.push_back(b.root + "/spool" + std::to_string(r + 1));
    fs::create_directories(spools.back());
  }
  fs::create_directories(b.root + "/taken");
  b.rt.settings.Update([&](core::SettingsStore& s) {
    s.DSN.clear();
    s.StableTime = 0;
    s.NumberOfSpoolers = 1;
    s.Spoolers[0].Enable = 1;
    s.Spoolers[0].InputSpool = b.root + "/in";
    for (int r = 0; r < rips; ++r) {
      s.Spoolers[0].RipSpool[r] = spools[static_cast<size_t>(r)];
      s.Rips[r].UseRIP = 1;
      s.Rips[r].RIPswPath = b.root + "/sw" + std::to_string(r + 1);
    }
    s.MaxOutstandingJobs = 100000;  // room for every file: the count never holds one back
  });
  for (int r = 0; r < rips; ++r) b.rt.rips[r].Tracking = 1;
  std::unique_ptr<Taker> taker;
  if (emptied) taker = std::make_unique<Taker>(spools, b.root + "/taken");
  intake::InputScanner scanner(b.rt, b.waiting, b.queues, b.db, b.pdf);
  Run run;
  double c0 = CpuSeconds();
  auto t0 = Clock::now();
  for (;;) {
    bool left = false;
    for (auto& e : fs::directory_iterator(b.root + "/in")) left = left || e.is_regular_file();
    if (!left) break;
    scanner.RunPass();
  }
  run.seconds = Seconds(t0, Clock::now());
  run.cpu = CpuSeconds() - c0;
  run.files = jobs;
  taker.reset();
  fs::remove_all(root);
  return run;
}

Run BareRun(const std::string& root, int jobs, int rips, bool emptied) {
  Fill(root + "/in", jobs, "Q");
  std::vector<std::string> spools;
  for (int r = 0; r < rips; ++r) {
    spools.push_back(root + "/spool" + std::to_string(r + 1));
    fs::create_directories(spools.back());
  }
  fs::create_directories(root + "/taken");
  std::unique_ptr<Taker> taker;
  if (emptied) taker = std::make_unique<Taker>(spools, root + "/taken");
  Run run;
  double c0 = CpuSeconds();
  auto t0 = Clock::now();
  run.files = BareLoop(root + "/in", spools);
  run.seconds = Seconds(t0, Clock::now());
  run.cpu = CpuSeconds() - c0;
  taker.reset();
  fs::remove_all(root);
  return run;
}

struct Paired {
  double scannerRate, bareRate, scannerCpuMs, bareCpuMs;
};

Paired Compare(const std::string& root, int jobs, int rips, bool emptied, int rounds) {
  std::vector<double> sr, br, sc, bc;
  for (int k = 0; k < rounds; ++k) {
    Run s = ScannerRun(root + "/s" + std::to_string(k), jobs, rips, emptied);
    Run b = BareRun(root + "/b" + std::to_string(k), jobs, rips, emptied);
    if (b.files != jobs) std::fprintf(stderr, "bare loop delivered %d of %d\n", b.files, jobs);
    sr.push_back(s.files / s.seconds);
    br.push_back(b.files / b.seconds);
    sc.push_back(s.cpu * 1000 / s.files);
    bc.push_back(b.cpu * 1000 / b.files);
  }
  return {Median(sr), Median(br), Median(sc), Median(bc)};
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  char templ[] = "/tmp/vellora-bench-XXXXXX";
  std::string root = mkdtemp(templ);

  // bench_scanner 1 filling|emptied N scanner|bare: one run alone, for a profiler or
  // strace; prints the run's rate and CPU per file.
  if (argc > 4) {
    const bool emptied = std::string(argv[2]) == "emptied";
    const int jobs = std::max(1, std::atoi(argv[3]));
    const bool bare = std::string(argv[4]) == "bare";
    Run run = bare ? BareRun(root + "/b", jobs, emptied ? 2 : 1, emptied)
                   : ScannerRun(root + "/s", jobs, emptied ? 2 : 1, emptied);
    std::printf("%s, %s, %d files: %.0f/s, CPU per file %.3f ms\n", bare ? "bare loop" : "scanner",
                emptied ? "emptied" : "filling", jobs, run.files / run.seconds,
                run.cpu * 1000 / run.files);
    fs::remove_all(root);
    return 0;
  }

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
    fs::remove_all(b.root);
  }

  std::printf("deliveries at time scale 0, medians of %d paired rounds:\n", rounds);
  // 2. Two RIPs that take every file at once.
  {
    Paired p = Compare(root, 2000, 2, true, rounds);
    std::printf(
        "  emptied spools, 2000 files: scanner %.0f/s, bare loop %.0f/s, ratio %.2f; "
        "CPU per file %.3f ms (bare %.3f ms), ratio %.2f\n",
        p.scannerRate, p.bareRate, p.scannerRate / p.bareRate, p.scannerCpuMs, p.bareCpuMs,
        p.bareCpuMs / p.scannerCpuMs);
  }
  // 3. One RIP that takes nothing: its spool folder fills up.
  for (int jobs : {500, 1000, 2000, 4000}) {
    Paired p = Compare(root, jobs, 1, false, rounds);
    std::printf(
        "  filling spool, %4d files: scanner %.0f/s, bare loop %.0f/s, ratio %.2f; "
        "CPU per file %.3f ms (bare %.3f ms), ratio %.2f\n",
        jobs, p.scannerRate, p.bareRate, p.scannerRate / p.bareRate, p.scannerCpuMs, p.bareCpuMs,
        p.bareCpuMs / p.scannerCpuMs);
  }
  fs::remove_all(root);
  return 0;
}
