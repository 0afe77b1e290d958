// vellora-headless delivering to ripsim processes, and what a crash at any moment
// leaves behind.
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

using test::Headless;
using test::Ripsim;
using test::WaitFor;

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

int RegularFiles(const std::string& dir, bool hidden = false) {
  int n = 0;
  if (!fs::exists(dir)) return 0;
  for (auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    bool isHidden = e.path().filename().string()[0] == '.';
    n += isHidden == hidden;
  }
  return n;
}

std::string Ini(const std::string& input, const std::vector<std::string>& sw,
                const std::vector<std::string>& spools, int maxOutstanding) {
  std::string ini =
      "[Setup]\r\nLogging=1\r\nDSN=\r\nNumberOfSpoolers=1\r\nEnable1=1\r\nSetupName1=News\r\n"
      "StableTime=0\r\nInputSpool1=" +
      input + "\r\nMaxOutstandingJobs=" + std::to_string(maxOutstanding) + "\r\n";
  for (size_t r = 0; r < sw.size(); ++r) {
    std::string n = std::to_string(r + 1);
    ini += "UseRIP" + n + "=1\r\nRIP" + n + "swPath=" + sw[r] + "\r\nRIP" + n +
           "Spool1=" + spools[r] + "\r\n";
  }
  return ini;
}

TEST(Dispatch, TwoSimulatedRipsTakeTheJobsInTurn) {
  TempDir dir;
  for (const char* d : {"in", "rip1/SW", "rip2/SW", "rip1/spool", "rip2/spool"})
    test::MakeDirs(dir / d);
  WriteFile(dir / "Vellora.ini", Ini(dir / "in", {dir / "rip1/SW", dir / "rip2/SW"},
                                     {dir / "rip1/spool", dir / "rip2/spool"}, 1));
  test::ChildProcess rip1, rip2, vellora;
  ASSERT_TRUE(rip1.Start(Ripsim(),
                         {"--sw", dir / "rip1/SW", "--spool", dir / "rip1/spool", "--rip-ms", "150",
                          "--poll-ms", "20", "--quiet"},
                         dir / "rip1.txt"));
  ASSERT_TRUE(rip2.Start(Ripsim(),
                         {"--sw", dir / "rip2/SW", "--spool", dir / "rip2/spool", "--rip-ms", "150",
                          "--poll-ms", "20", "--quiet"},
                         dir / "rip2.txt"));
  ASSERT_TRUE(test::WaitForRipsimStarted(dir / "rip1/SW"));
  ASSERT_TRUE(test::WaitForRipsimStarted(dir / "rip2/SW"));
  for (int k = 0; k < 10; ++k) WriteFile(dir / ("in/PAGE-" + std::to_string(k) + ".ps"), "%!PS\n");
  ASSERT_TRUE(vellora.Start(Headless(), {"--dir", dir.path()}, dir / "console.txt",
                            {{"VELLORA_TIME_SCALE", "0.02"}}));
  ASSERT_TRUE(WaitFor(
      [&] {
        return RegularFiles(dir / "rip1/SW/processed") + RegularFiles(dir / "rip2/SW/processed") ==
               10;
      },
      60000))
      << ReadFile(dir / "console.txt");
  vellora.Signal(SIGTERM);
  EXPECT_EQ(vellora.Wait(5000), 0);
  // In turn as far as each RIP has room: one that is late taking its file out of the
  // spool folder leaves the next one to the other, so five and five is the rule only
  // on an unhurried machine.
  EXPECT_GE(RegularFiles(dir / "rip1/SW/processed"), 3);
  EXPECT_GE(RegularFiles(dir / "rip2/SW/processed"), 3);
  EXPECT_EQ(RegularFiles(dir / "in"), 0);
  std::string console = ReadFile(dir / "console.txt");
  EXPECT_NE(console.find("RIP 1 queue: PAGE-"), std::string::npos);
  EXPECT_NE(console.find("RIP 2 took: PAGE-"), std::string::npos);
}

TEST(Dispatch, ARipWhoseInputIsClosedGetsNothing) {
  TempDir dir;
  for (const char* d : {"in", "rip1/SW", "rip2/SW", "rip1/spool", "rip2/spool"})
    test::MakeDirs(dir / d);
  WriteFile(dir / "Vellora.ini", Ini(dir / "in", {dir / "rip1/SW", dir / "rip2/SW"},
                                     {dir / "rip1/spool", dir / "rip2/spool"}, 1) +
                                     "ForceOpenInputs=0\r\n");
  test::ChildProcess rip1, rip2, vellora;
  ASSERT_TRUE(rip1.Start(Ripsim(),
                         {"--sw", dir / "rip1/SW", "--spool", dir / "rip1/spool", "--rip-ms", "100",
                          "--poll-ms", "20", "--quiet"},
                         dir / "rip1.txt"));
  ASSERT_TRUE(rip2.Start(Ripsim(),
                         {"--sw", dir / "rip2/SW", "--spool", dir / "rip2/spool", "--paused",
                          "--poll-ms", "20", "--quiet"},
                         dir / "rip2.txt"));
  // Both RIPs have logged their input state before the monitors first look, so RIP 2
  // is never taken for open. Its input lamp is red from the start and stays so; the
  // green lamp of RIP 1 tells that the monitors have read the logs.
  ASSERT_TRUE(test::WaitForRipsimStarted(dir / "rip1/SW"));
  ASSERT_TRUE(test::WaitForRipsimStarted(dir / "rip2/SW"));
  ASSERT_TRUE(vellora.Start(Headless(), {"--dir", dir.path()}, dir / "console.txt",
                            {{"VELLORA_TIME_SCALE", "0.02"}}));
  ASSERT_TRUE(WaitFor(
      [&] {
        return ReadFile(dir / "console.txt").find("RIP 1: input lamp green") != std::string::npos;
      },
      30000))
      << ReadFile(dir / "console.txt");
  for (int k = 0; k < 6; ++k) WriteFile(dir / ("in/P" + std::to_string(k) + ".ps"), "%!PS\n");
  ASSERT_TRUE(WaitFor([&] { return RegularFiles(dir / "rip1/SW/processed") == 6; }, 60000))
      << ReadFile(dir / "console.txt");
  EXPECT_EQ(RegularFiles(dir / "rip2/spool"), 0);
  EXPECT_NE(ReadFile(dir / "console.txt").find("finished: RIP 1 | completed | P"),
            std::string::npos);
  vellora.Signal(SIGTERM);
  EXPECT_EQ(vellora.Wait(5000), 0);
}

// The content of page k: its name over and over, so that any cut or mix shows.
std::string PageContent(int k) {
  std::string name = "PAGE-" + std::to_string(k) + ";";
  std::string out;
  size_t size = 64 * 1024 + static_cast<size_t>(k) * 4099;
  while (out.size() < size) out += name;
  out.resize(size);
  return out;
}

struct CrashFigures {
  int kills = 0;
  int pages = 0;
  // Pages a kill left both delivered and still in the input folder: the moment
  // between putting the copy in place and removing the source. The next start must
  // finish these moves, not deliver the pages again.
  int cutBetweenCopyAndRemoval = 0;
  int duplicates = 0;  // pages delivered a second time
  int lost = 0;        // pages found nowhere at some check
  int leftoverTemporaries = 0;
  bool moveRecordLeft = false;
};

// Where each delivered page stands: a page is delivered once when, from the first
// check that sees it in a spool folder on, it stays that very file (no RIP takes the
// files here); a second delivery puts a new file in place, under the same name in
// the same folder or in the other RIP's.
struct DeliveredCopy {
  std::string folder;
  ino_t inode = 0;
};

ino_t InodeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Starts vellora-headless over and over and kills it with SIGKILL at random moments,
// kills times, adding a batch of new pages whenever all have been delivered (with
// refill; else until they have); after
// each kill every page must be whole in the input folder or whole under its own name
// in a spool folder, and never delivered twice.
CrashFigures KillDuringDeliveries(const std::string& input, const std::string& site, int kills,
                                  bool refill) {
  constexpr int kBatch = 200;
  CrashFigures fig;
  int& pages = fig.pages;
  auto addBatch = [&] {
    for (int k = pages; k < pages + kBatch; ++k)
      WriteFile(input + "/PAGE-" + std::to_string(k) + ".ps", PageContent(k % kBatch));
    pages += kBatch;
  };
  addBatch();
  std::vector<std::string> spools = {site + "/spool1", site + "/spool2"};
  for (const auto& d : {site + "/sw1", site + "/sw2", spools[0], spools[1]}) test::MakeDirs(d);
  WriteFile(site + "/Vellora.ini", Ini(input, {site + "/sw1", site + "/sw2"}, spools, 1000000));

  std::map<int, DeliveredCopy> delivered;
  std::set<int> cut, duplicated, lost;
  auto check = [&](bool final) {
    for (int k = 0; k < pages; ++k) {
      std::string name = "PAGE-" + std::to_string(k) + ".ps";
      std::vector<std::string> inSpools;
      bool inInput = fs::exists(input + "/" + name);
      for (const auto& where : {spools[0], spools[1]}) {
        if (fs::exists(where + "/" + name)) inSpools.push_back(where);
      }
      if (!inInput && inSpools.empty() && lost.insert(k).second) {
        ADD_FAILURE() << name << " was lost";
      }
      if (inSpools.size() > 1) {
        if (duplicated.insert(k).second) ADD_FAILURE() << name << " was delivered to both RIPs";
      } else if (inSpools.size() == 1) {
        std::string path = inSpools[0] + "/" + name;
        DeliveredCopy now{inSpools[0], InodeOf(path)};
        auto it = delivered.find(k);
        // Each copy is read once, when it first appears: nothing else writes to it.
        if (it == delivered.end() || it->second.inode != now.inode) {
          EXPECT_EQ(ReadFile(path), PageContent(k % kBatch)) << path << " is not whole";
        }
        if (it == delivered.end()) {
          delivered[k] = now;
        } else if (it->second.folder != now.folder || it->second.inode != now.inode) {
          if (duplicated.insert(k).second) ADD_FAILURE() << name << " was delivered a second time";
          it->second = now;
        }
        if (inInput && !final) cut.insert(k);
      }
      if (final) {
        EXPECT_FALSE(inInput) << name;
      }
    }
  };

  std::mt19937 rng(4242);
  // Bounded in time too: under a sanitizer each start is much slower.
  auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(240);
  for (int round = 0; round < kills && std::chrono::steady_clock::now() < giveUp; ++round) {
    if (RegularFiles(input) == 0) {
      if (!refill) break;
      addBatch();
    }
    test::ChildProcess p;
    EXPECT_TRUE(
        p.Start(Headless(), {"--dir", site}, site + "/console.txt", {{"VELLORA_TIME_SCALE", "0"}}));
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + rng() % 60));
    p.Signal(SIGKILL);
    p.Wait(5000);
    ++fig.kills;
    check(false);
  }
  // A last, clean run delivers whatever is left.
  test::ChildProcess last;
  EXPECT_TRUE(last.Start(Headless(), {"--dir", site}, site + "/console.txt",
                         {{"VELLORA_TIME_SCALE", "0"}}));
  EXPECT_TRUE(WaitFor([&] { return RegularFiles(input) == 0; }, 60000));
  EXPECT_TRUE(WaitFor(
      [&] { return ReadFile(site + "/console.txt").find("running in") != std::string::npos; },
      30000));
  last.Signal(SIGTERM);
  EXPECT_EQ(last.Wait(5000), 0);
  check(true);
  fig.cutBetweenCopyAndRemoval = static_cast<int>(cut.size());
  fig.duplicates = static_cast<int>(duplicated.size());
  fig.lost = static_cast<int>(lost.size());
  fig.leftoverTemporaries = RegularFiles(spools[0], true) + RegularFiles(spools[1], true);
  fig.moveRecordLeft = fs::exists(site + "/Vellora.move");
  return fig;
}

TEST(Dispatch, CrashAtAnyMomentLosesNothingWithinOneFileSystem) {
  TempDir dir;
  test::MakeDirs(dir / "in");
  // Refilled, so that a quick machine that delivers a batch between two kills still
  // gets killed mid-delivery many times.
  CrashFigures f = KillDuringDeliveries(dir / "in", dir.path(), 60, true);
  std::cout << "within one file system: " << f.kills << " kills, " << f.pages << " pages, "
            << f.duplicates << " duplicates, " << f.lost << " lost, " << f.leftoverTemporaries
            << " temporaries left\n";
  EXPECT_EQ(f.duplicates, 0) << "a rename never leaves two copies";
  EXPECT_EQ(f.lost, 0);
  EXPECT_EQ(f.leftoverTemporaries, 0);
  EXPECT_GE(f.kills, 3);
}

TEST(Dispatch, CrashAtAnyMomentLosesNothingAndPrintsNothingTwiceAcrossFileSystems) {
  TempDir disk;
  TempDir shm("/dev/shm");
  CrashFigures f = KillDuringDeliveries(shm.path(), disk.path(), 200, true);
  std::cout << "across file systems: " << f.kills << " kills, " << f.pages << " pages, "
            << f.cutBetweenCopyAndRemoval << " cut between copy and removal, " << f.duplicates
            << " duplicates, " << f.lost << " lost, " << f.leftoverTemporaries
            << " temporaries left\n";
  EXPECT_EQ(f.duplicates, 0);
  EXPECT_EQ(f.lost, 0);
  EXPECT_EQ(f.leftoverTemporaries, 0);
  EXPECT_FALSE(f.moveRecordLeft);
  EXPECT_GE(f.kills, 3);
}

// The crash between putting the copy in place and removing the source, made to
// happen at the first delivery: the next start removes the source instead of
// delivering the page again.
TEST(Dispatch, ACrashBetweenCopyAndRemovalIsFinishedByTheNextStart) {
  TempDir disk;
  TempDir shm("/dev/shm");
  std::string input = shm.path(), site = disk.path();
  std::vector<std::string> spools = {site + "/spool1", site + "/spool2"};
  for (const auto& d : {site + "/sw1", site + "/sw2", spools[0], spools[1]}) test::MakeDirs(d);
  WriteFile(site + "/Vellora.ini", Ini(input, {site + "/sw1", site + "/sw2"}, spools, 1000000));
  for (int k = 0; k < 3; ++k)
    WriteFile(input + "/PAGE-" + std::to_string(k) + ".ps", PageContent(k));

  test::ChildProcess crashing;
  ASSERT_TRUE(crashing.Start(Headless(), {"--dir", site}, site + "/console.txt",
                             {{"VELLORA_TIME_SCALE", "0"},
                              {"LD_PRELOAD", KILL_AT_UNLINK},
                              {"VELLORA_TEST_KILL_AT_UNLINK", input + "/"},
                              {"ASAN_OPTIONS", "verify_asan_link_order=0"}}));
  EXPECT_EQ(crashing.Wait(60000), 128 + SIGKILL) << ReadFile(site + "/console.txt");
  // One page stands whole in a spool folder and still in the input folder.
  std::string placed;
  for (const auto& spool : spools) {
    for (auto& e : fs::directory_iterator(spool)) {
      if (e.path().filename().string()[0] != '.') placed = e.path();
    }
  }
  ASSERT_FALSE(placed.empty()) << "the crash came after the copy was in place";
  std::string name = fs::path(placed).filename();
  ASSERT_TRUE(fs::exists(input + "/" + name));
  ino_t inode = InodeOf(placed);

  test::ChildProcess next;
  ASSERT_TRUE(next.Start(Headless(), {"--dir", site}, site + "/console2.txt",
                         {{"VELLORA_TIME_SCALE", "0"}}));
  EXPECT_TRUE(WaitFor([&] { return RegularFiles(input) == 0; }, 60000));
  next.Signal(SIGTERM);
  EXPECT_EQ(next.Wait(5000), 0);
  EXPECT_EQ(InodeOf(placed), inode) << name << " was delivered a second time";
  EXPECT_EQ(RegularFiles(spools[0]) + RegularFiles(spools[1]), 3) << "each page once";
  EXPECT_FALSE(fs::exists(site + "/Vellora.move"));
  EXPECT_NE(
      ReadFile(site + "/Vellora.log").find("INFO: Finished the delivery of " + input + "/" + name),
      std::string::npos)
      << ReadFile(site + "/Vellora.log");
}

}  // namespace
}  // namespace vellora
