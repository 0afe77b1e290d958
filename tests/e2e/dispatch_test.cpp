// vellora-headless delivering to ripsim processes, and what a crash at any moment
// leaves behind.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <iostream>
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
  EXPECT_EQ(RegularFiles(dir / "rip1/SW/processed"), 5);
  EXPECT_EQ(RegularFiles(dir / "rip2/SW/processed"), 5);
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
  int duplicatesSeen = 0;  // summed over the checks after each kill
  int duplicatesAtEnd = 0;
  int leftoverTemporaries = 0;
};

// Starts vellora-headless over and over and kills it with SIGKILL at random moments
// until every page has been delivered; after each kill every page must be whole in
// the input folder or whole under its own name in a spool folder.
CrashFigures KillDuringDeliveries(const std::string& input, const std::string& site, int pages) {
  CrashFigures fig;
  for (int k = 0; k < pages; ++k)
    WriteFile(input + "/PAGE-" + std::to_string(k) + ".ps", PageContent(k));
  std::vector<std::string> spools = {site + "/spool1", site + "/spool2"};
  for (const auto& d : {site + "/sw1", site + "/sw2", spools[0], spools[1]}) test::MakeDirs(d);
  WriteFile(site + "/Vellora.ini", Ini(input, {site + "/sw1", site + "/sw2"}, spools, 1000000));

  auto check = [&](bool final) {
    int duplicates = 0;
    for (int k = 0; k < pages; ++k) {
      std::string name = "PAGE-" + std::to_string(k) + ".ps";
      int copies = 0;
      for (const auto& where : {input, spools[0], spools[1]}) {
        std::string p = where + "/" + name;
        if (!fs::exists(p)) continue;
        EXPECT_EQ(ReadFile(p), PageContent(k)) << p << " is not whole";
        ++copies;
      }
      EXPECT_GE(copies, 1) << name << " was lost";
      if (copies > 1) ++duplicates;
      if (final) {
        EXPECT_FALSE(fs::exists(input + "/" + name));
      }
    }
    return duplicates;
  };

  std::mt19937 rng(4242);
  // Bounded in rounds and in time: under a sanitizer each start is much slower.
  auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  for (int round = 0;
       round < 200 && RegularFiles(input) > 0 && std::chrono::steady_clock::now() < giveUp;
       ++round) {
    test::ChildProcess p;
    EXPECT_TRUE(
        p.Start(Headless(), {"--dir", site}, site + "/console.txt", {{"VELLORA_TIME_SCALE", "0"}}));
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + rng() % 60));
    p.Signal(SIGKILL);
    p.Wait(5000);
    ++fig.kills;
    fig.duplicatesSeen += check(false);
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
  fig.duplicatesAtEnd = check(true);
  fig.leftoverTemporaries = RegularFiles(spools[0], true) + RegularFiles(spools[1], true);
  return fig;
}

TEST(Dispatch, CrashAtAnyMomentLosesNothingWithinOneFileSystem) {
  TempDir dir;
  test::MakeDirs(dir / "in");
  CrashFigures f = KillDuringDeliveries(dir / "in", dir.path(), 200);
  std::cout << "within one file system: " << f.kills << " kills, " << f.duplicatesSeen
            << " duplicates seen after kills, " << f.duplicatesAtEnd << " at the end, "
            << f.leftoverTemporaries << " temporaries left\n";
  EXPECT_EQ(f.duplicatesAtEnd, 0) << "a rename never leaves two copies";
  EXPECT_EQ(f.leftoverTemporaries, 0);
  EXPECT_GE(f.kills, 3);
}

TEST(Dispatch, CrashAtAnyMomentLosesNothingAcrossFileSystems) {
  TempDir disk;
  TempDir shm("/dev/shm");
  CrashFigures f = KillDuringDeliveries(shm.path(), disk.path(), 200);
  std::cout << "across file systems: " << f.kills << " kills, " << f.duplicatesSeen
            << " duplicates seen after kills, " << f.duplicatesAtEnd << " at the end, "
            << f.leftoverTemporaries << " temporaries left\n";
  EXPECT_GE(f.kills, 3);
}

}  // namespace
}  // namespace vellora
