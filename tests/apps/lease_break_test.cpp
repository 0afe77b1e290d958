// Other programs opening the files that the in-use tests look at. The test takes a
// write lease for a moment, and every open by another process breaks it: the kernel
// then signals the lease holder. The balancer's listing of input files, the RIP
// monitor's and brindlog's test of a RIP's inUse file must all live through that.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WaitFor;
using test::WriteFile;

// How long the files are opened in a loop. Before lease breaks were taken care of, a
// program died after 0.1 to 5 seconds of this (mean about 1.5 s over 33 runs on a
// loaded two-core machine); 15 seconds misses such a fault about once in 10,000 runs.
constexpr auto kOpening = std::chrono::seconds(15);

// Opens (creating when create is set) and closes the files, round and round, from
// another process than the program under test, until the time is up or the program
// has ended. Returns how many opens succeeded.
long OpenInALoop(const std::vector<std::string>& paths, bool create, test::ChildProcess& program) {
  long opens = 0;
  auto end = std::chrono::steady_clock::now() + kOpening;
  while (std::chrono::steady_clock::now() < end && program.Running()) {
    for (const std::string& p : paths) {
      int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
      if (fd >= 0) {
        ++opens;
        ::close(fd);
      }
    }
  }
  return opens;
}

// Ends the program with SIGTERM and returns its exit status (128 + signal when a
// signal ended it instead).
int Stop(test::ChildProcess& program) {
  program.Signal(SIGTERM);
  return program.Wait(10000);
}

TEST(LeaseBreaks, ReadersOfWaitingInputFilesDoNotDisturbTheBalancer) {
  TempDir dir;
  // A RIP that is configured and reachable but not running: the scanner lists the
  // input folder on every pass, and every file stays waiting.
  test::MakeDirs(dir / "in");
  test::MakeDirs(dir / "sw");
  test::MakeDirs(dir / "spool");
  std::vector<std::string> inputs;
  for (int k = 0; k < 40; ++k) {
    inputs.push_back(dir / ("in/PAGE-" + std::to_string(k) + ".ps"));
    WriteFile(inputs.back(), "%!PS\n");
  }
  WriteFile(dir / "Vellora.ini",
            "[Setup]\r\nDSN=\r\nNumberOfSpoolers=1\r\nEnable1=1\r\nStableTime=0\r\nInputSpool1=" +
                (dir / "in") + "\r\nUseRIP1=1\r\nRIP1swPath=" + (dir / "sw") +
                "\r\nRIP1Spool1=" + (dir / "spool") + "\r\n");
  test::ChildProcess vellora;
  ASSERT_TRUE(vellora.Start(test::Headless(), {"--dir", dir.path()}, dir / "console.txt",
                            {{"VELLORA_TIME_SCALE", "0.001"}}));
  ASSERT_TRUE(WaitFor([&] {
    return ReadFile(dir / "console.txt").find("waiting: PAGE-") != std::string::npos;
  })) << ReadFile(dir / "console.txt");

  long opens = OpenInALoop(inputs, false, vellora);
  EXPECT_TRUE(vellora.Running()) << "ended after " << opens << " opens:\n"
                                 << ReadFile(dir / "console.txt");
  EXPECT_EQ(Stop(vellora), 0);
  EXPECT_GT(opens, 0);
}

TEST(LeaseBreaks, ReadersOfAStoppedRipsInUseFileDoNotDisturbTheMonitor) {
  TempDir dir;
  test::MakeDirs(dir / "sw/Config");
  const std::string inUse = dir / "sw/Config/inUse";
  WriteFile(inUse, "");
  WriteFile(dir / "Vellora.ini", "[Setup]\r\nDSN=\r\nUseRIP1=1\r\nRIP1swPath=" + (dir / "sw") +
                                     "\r\nForceOpenInputs=0\r\n");
  test::ChildProcess vellora;
  ASSERT_TRUE(vellora.Start(test::Headless(), {"--dir", dir.path()}, dir / "console.txt",
                            {{"VELLORA_TIME_SCALE", "0.001"}}));
  // The monitor's test deletes the file of a RIP that does not hold it; the loop
  // puts it back, as a RIP starting up would, so every pass finds one to test.
  ASSERT_TRUE(WaitFor([&] { return !test::Exists(inUse); })) << ReadFile(dir / "console.txt");

  long opens = OpenInALoop({inUse}, true, vellora);
  EXPECT_TRUE(vellora.Running()) << "ended after " << opens << " opens:\n"
                                 << ReadFile(dir / "console.txt");
  EXPECT_EQ(Stop(vellora), 0);
  EXPECT_GT(opens, 0);
}

TEST(LeaseBreaks, ReadersOfAStoppedRipsInUseFileDoNotDisturbBrindlog) {
  TempDir dir;
  test::MakeDirs(dir / "rip/SW/Config");
  test::MakeDirs(dir / "xml");
  const std::string inUse = dir / "rip/SW/Config/inUse";
  WriteFile(inUse, "");
  WriteFile(dir / "Parameters.ini", "[Parameters]\r\nRipInstallFolder=" + (dir / "rip") +
                                        "\r\nXMLfolder=" + (dir / "xml") + "\r\n");
  test::ChildProcess brindlog;
  ASSERT_TRUE(brindlog.Start(
      test::Brindlog(), {}, dir / "brindlog.out",
      {{"BRINDLOG_CONFIG", dir / "Parameters.ini"}, {"VELLORA_TIME_SCALE", "0.001"}}));
  ASSERT_TRUE(WaitFor([&] { return !test::Exists(inUse); })) << ReadFile(dir / "brindlog.out");

  long opens = OpenInALoop({inUse}, true, brindlog);
  EXPECT_TRUE(brindlog.Running()) << "ended after " << opens << " opens:\n"
                                  << ReadFile(dir / "brindlog.out");
  EXPECT_EQ(Stop(brindlog), 0);
  EXPECT_GT(opens, 0);
}

}  // namespace
}  // namespace vellora
