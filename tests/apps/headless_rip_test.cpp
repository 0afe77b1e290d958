// vellora-headless following a real ripsim: each finished job is printed once, as
// one console line with the RIP, the result, the report text, the time and the
// setup, and a restart of the program goes on where the last run stopped.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

using test::Headless;
using test::Ripsim;
using test::WaitFor;

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

std::vector<std::string> FinishedLines(const std::string& console) {
  std::vector<std::string> out;
  size_t at = 0;
  while ((at = console.find("] finished: ", at)) != std::string::npos) {
    size_t end = console.find('\n', at);
    out.push_back(console.substr(at + 2, end - at - 2));
    at = end;
  }
  return out;
}

void Drop(const std::string& folder, const std::string& name) {
  WriteFile(folder + "/." + name, "%!PS\n");
  std::filesystem::rename(folder + "/." + name, folder + "/" + name);
}

TEST(HeadlessWithRipsim, EachFinishedJobPrintedOnceAcrossARestart) {
  TempDir dir;
  std::string sw = dir / "sw", spool = dir / "spool";
  test::MakeDirs(spool);
  WriteFile(dir / "Vellora.ini", "[Setup]\r\nUseRIP1=1\r\nRIP1Name=Plate 1\r\nRIP1swPath=" + sw +
                                     "\r\nNumberOfSpoolers=0\r\nForceOpenInputs=0\r\n");
  test::ChildProcess rip;
  ASSERT_TRUE(rip.Start(Ripsim(),
                        {"--sw", sw, "--spool", spool, "--rip-ms", "50", "--poll-ms", "20",
                         "--fail-every", "3", "--warn-every", "2"},
                        dir / "ripsim.txt"));
  const std::map<std::string, std::string> fast = {{"VELLORA_TIME_SCALE", "0.01"}};
  auto runHeadless = [&](test::ChildProcess& p, const std::string& console) {
    return p.Start(Headless(), {"--dir", dir.path()}, console, fast);
  };

  std::string console1 = dir / "console1.txt";
  {
    test::ChildProcess headless;
    ASSERT_TRUE(runHeadless(headless, console1));
    for (int k = 1; k <= 3; ++k) Drop(spool, "page" + std::to_string(k) + ".ps");
    ASSERT_TRUE(WaitFor([&] { return FinishedLines(ReadFile(console1)).size() >= 3; }))
        << ReadFile(console1);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // ten more passes
    headless.Signal(SIGTERM);
    ASSERT_EQ(headless.Wait(5000), 0);
  }
  std::vector<std::string> first = FinishedLines(ReadFile(console1));
  ASSERT_EQ(first.size(), 3u) << ReadFile(console1);
  // The time is the job's start as the RIP wrote it, e.g. "WED DEC 09 09:32:38 2026".
  const std::string head = "finished: RIP 1 | completed | PAGE1.PS Completed | ";
  EXPECT_EQ(first[0].rfind(head, 0), 0u) << first[0];
  EXPECT_EQ(first[0].size(), head.size() + 24 + std::string(" | NEWSPRINT 40").size()) << first[0];
  EXPECT_EQ(first[0].substr(first[0].size() - 15), " | NEWSPRINT 40");
  EXPECT_NE(first[1].find("| warning | PAGE2.PS Completed with warning - WARNING: FONT "),
            std::string::npos);
  EXPECT_NE(first[2].find("| failed | PAGE3.PS Failed or canceled - ERROR: UNDEFINED; "
                          "OFFENDINGCOMMAND: SETPAGEDEVICEX | "),
            std::string::npos);
  EXPECT_EQ(ReadFile(dir / "LogFilePointer1"),
            std::to_string(ReadFile(sw + "/Logfile").size() - 2) + "\r\n");

  // Two more jobs while the program is down; the next run reports those two only.
  Drop(spool, "page4.ps");
  Drop(spool, "page5.ps");
  ASSERT_TRUE(WaitFor([&] { return Count(ReadFile(sw + "/Logfile"), "Completed: ") == 5; }));
  std::string console2 = dir / "console2.txt";
  test::ChildProcess headless;
  ASSERT_TRUE(runHeadless(headless, console2));
  ASSERT_TRUE(WaitFor([&] { return FinishedLines(ReadFile(console2)).size() >= 2; }))
      << ReadFile(console2);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  headless.Signal(SIGTERM);
  ASSERT_EQ(headless.Wait(5000), 0);
  std::vector<std::string> second = FinishedLines(ReadFile(console2));
  ASSERT_EQ(second.size(), 2u) << ReadFile(console2);
  EXPECT_NE(second[0].find("| warning | PAGE4.PS Completed with warning"), std::string::npos);
  EXPECT_NE(second[1].find("| completed | PAGE5.PS Completed |"), std::string::npos);
  EXPECT_NE(ReadFile(console2).find("RIP 1: running lamp green"), std::string::npos);
  rip.Signal(SIGTERM);
  EXPECT_EQ(rip.Wait(5000), 0);
}

}  // namespace
}  // namespace vellora
