// readiness_bench [FOLDER]: what listing an input folder costs, and what a
// reachability test of a local folder costs on the network.
//
// 1. Listing 300 candidate files (in-use test included) with ListInputFolder, and
//    beside it, in the same run over the same folder, a bare loop of the system
//    calls the listing cannot do without: opendir/readdir, stat, open, lease, read
//    4096 bytes, close. Rounds alternate between the two; medians are reported with
//    their ratio.
// 2. Reachability tests of a local folder: the ICMP datagrams this process sent, the
//    host's ICMP echo counters (/proc/net/snmp) and the loopback packet counter
//    before and after. A few tests of \\127.0.0.1\... show that the counters do see
//    echoes when there are some.
//
// FOLDER (default: a new folder under the current directory) should be on local disk.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings.h"
#include "intake/folder_listing.h"
#include "intake/masks.h"
#include "intake/readiness.h"
#include "net/connect_folder.h"
#include "net/reachability.h"
#include "platform/icmp_socket.h"
#include "platform/paths.h"
#include "bench_support.h"

namespace {

using vellora::bench::Median;

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

// The same system calls per file as the listing's in-use test, with nothing around
// them. Returns the number of files that passed.
int BareLoop(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  int passed = 0;
  char buf[4096];
  while (struct dirent* de = ::readdir(dir)) {
    if (de->d_name[0] == '.') continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), de->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    int fd = ::openat(::dirfd(dir), de->d_name, O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
      if (::pread(fd, buf, sizeof buf, 0) >= 0) ++passed;
      ::fcntl(fd, F_SETLEASE, F_UNLCK);
    }
    ::close(fd);
  }
  ::closedir(dir);
  return passed;
}

struct IcmpCounters {
  long long outEchos = -1;
  long long inEchos = -1;
  long long loTxPackets = -1;
};

IcmpCounters ReadCounters() {
  IcmpCounters c;
  std::ifstream snmp("/proc/net/snmp");
  std::string names, values;
  while (std::getline(snmp, names) && std::getline(snmp, values)) {
    if (names.rfind("Icmp:", 0) != 0) continue;
    std::istringstream n(names), v(values);
    std::string name, value;
    while (n >> name && v >> value) {
      if (name == "OutEchos") c.outEchos = std::stoll(value);
      if (name == "InEchos") c.inEchos = std::stoll(value);
    }
    break;
  }
  std::ifstream lo("/sys/class/net/lo/statistics/tx_packets");
  lo >> c.loTxPackets;
  return c;
}

void PrintCounters(const char* what, int tests, const IcmpCounters& a, const IcmpCounters& b,
                   uint64_t sentBefore, uint64_t sentAfter, double usPerTest) {
  std::printf(
      "%-34s %5d tests  %8.1f us/test  datagrams sent %llu  OutEchos +%lld  "
      "InEchos +%lld  lo tx_packets +%lld\n",
      what, tests, usPerTest, static_cast<unsigned long long>(sentAfter - sentBefore),
      b.outEchos - a.outEchos, b.inEchos - a.inEchos, b.loTxPackets - a.loTxPackets);
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace vellora;
  const bool own = argc < 2;
  const std::string folder =
      own ? (fs::current_path() / ("readiness-bench-" + std::to_string(::getpid()))).string()
          : argv[1];
  fs::create_directories(folder);
  const std::string page(10000, 'P');
  for (int i = 0; i < intake::kMaxListing; ++i) {
    std::ofstream(folder + "/page" + std::to_string(i) + ".ps", std::ios::binary) << page;
  }

  core::SettingsStore settings;
  std::vector<intake::ListingEntry> entries;
  // Warm the caches the way a scanner pass after the first finds them.
  for (int i = 0; i < 20; ++i) {
    intake::ListInputFolder(folder, entries, "*.tmp", settings);
    BareLoop(folder);
  }

  const int rounds = 200;
  std::vector<double> listing, bare, ratios;
  int listed = 0, passed = 0;
  for (int r = 0; r < rounds; ++r) {
    auto t0 = Clock::now();
    listed = intake::ListInputFolder(folder, entries, "*.tmp", settings);
    auto t1 = Clock::now();
    passed = BareLoop(folder);
    auto t2 = Clock::now();
    listing.push_back(Microseconds(t1 - t0));
    bare.push_back(Microseconds(t2 - t1));
    ratios.push_back(listing.back() / bare.back());
  }
  std::printf("folder %s\n", folder.c_str());
  std::printf("ListInputFolder, %d of %d files listed:  median %8.1f us  (%.2f us per file)\n",
              listed, intake::kMaxListing, Median(listing), Median(listing) / listed);
  std::printf("bare syscall loop, %d files passed:      median %8.1f us  (%.2f us per file)\n",
              passed, Median(bare), Median(bare) / passed);
  std::printf("ratio listing / bare loop: median of per-round ratios %.2f, of medians %.2f\n",
              Median(ratios), Median(listing) / Median(bare));
  std::printf("target: listing at most 10000 us -> %s\n\n",
              Median(listing) <= 10000 ? "met" : "NOT met");

  // Local folder: no host, no echo.
  const int localTests = 1000;
  IcmpCounters c0 = ReadCounters();
  uint64_t s0 = platform::IcmpDatagramsSent();
  auto t0 = Clock::now();
  int ok = 0;
  for (int i = 0; i < localTests; ++i) ok += net::IsFolderReachable(folder) ? 1 : 0;
  auto t1 = Clock::now();
  IcmpCounters c1 = ReadCounters();
  uint64_t s1 = platform::IcmpDatagramsSent();
  PrintCounters("IsFolderReachable(local folder)", localTests, c0, c1, s0, s1,
                Microseconds(t1 - t0) / localTests);
  if (ok != localTests) std::printf("  (%d of them failed)\n", localTests - ok);

  // The control: a share on this machine by address costs one echo per test.
  const std::string uncRoot = folder + "-unc";
  fs::create_directories(uncRoot + "/127.0.0.1/share");
  platform::PathRoots roots = platform::CurrentPathRoots();
  platform::SetPathRoots({uncRoot, roots.driveRoot});
  const int uncTests = 20;
  c0 = ReadCounters();
  s0 = platform::IcmpDatagramsSent();
  t0 = Clock::now();
  ok = 0;
  for (int i = 0; i < uncTests; ++i) ok += net::IsFolderReachable("\\\\127.0.0.1\\share") ? 1 : 0;
  t1 = Clock::now();
  c1 = ReadCounters();
  s1 = platform::IcmpDatagramsSent();
  platform::SetPathRoots(roots);
  PrintCounters("IsFolderReachable(\\\\127.0.0.1\\share)", uncTests, c0, c1, s0, s1,
                Microseconds(t1 - t0) / uncTests);
  if (ok != uncTests) {
    std::printf("  (%d of them failed: may this process send echoes?)\n", uncTests - ok);
  }
  std::printf("(the host-wide counters include any other program's ICMP meanwhile)\n");

  std::error_code ec;
  fs::remove_all(uncRoot, ec);
  if (own) fs::remove_all(folder, ec);
  return 0;
}
