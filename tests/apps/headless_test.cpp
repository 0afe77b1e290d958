// vellora-headless as a user runs it: settings tools, start-up and a clean end.
#include <signal.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

using test::Headless;

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(Headless, PrintAndSaveSettings) {
  TempDir dir;
  WriteFile(dir / "Vellora.ini",
            "; keep me\r\n[Setup]\r\nNumberOfSpoolers=1\r\nSetupName1=News\r\nLogging=1\r\n");
  std::string out;
  ASSERT_EQ(test::RunProgram(Headless(), {"--dir", dir.path(), "--print-settings"}, &out), 0);
  EXPECT_EQ(out.rfind("[Setup]\nNumberOfSpoolers=1\nPollTime=5\n", 0), 0u) << out;
  EXPECT_NE(out.find("\nSetupName1=News\n"), std::string::npos);
  EXPECT_NE(out.find("\nLogging=1\n"), std::string::npos);
  EXPECT_NE(out.find("\n[Window]\nLeft=-1\n"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "Vellora.ini").find("PollTime"), std::string::npos)
      << "printing changes nothing";

  ASSERT_EQ(test::RunProgram(Headless(), {"--dir", dir.path(), "--save-settings"}, &out), 0);
  std::string saved = ReadFile(dir / "Vellora.ini");
  EXPECT_EQ(saved.rfind("; keep me\r\n[Setup]\r\nNumberOfSpoolers=1\r\n", 0), 0u);
  EXPECT_NE(saved.find("\r\nMaxLogFileReadSize=1000000\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\n[Window]\r\nLeft=-1\r\n"), std::string::npos);

  EXPECT_EQ(test::RunProgram(Headless(), {"--bogus"}, &out), 2);
  EXPECT_NE(out.find("usage:"), std::string::npos);
}

TEST(Headless, StartsAndEndsCleanlyOnSignals) {
  for (int sig : {SIGINT, SIGTERM}) {
    TempDir dir;
    WriteFile(dir / "Vellora.ini", "[Setup]\r\nLogging=1\r\nUseRIP1=1\r\nRIP1swPath=" + dir.path() +
                                       "\r\nNumberOfSpoolers=1\r\n");
    test::ChildProcess p;
    ASSERT_TRUE(p.Start(Headless(), {"--dir", dir.path()}, dir / "console.txt",
                        {{"VELLORA_TIME_SCALE", "0.01"}}));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ReadFile(dir / "console.txt").find("running in") == std::string::npos) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << ReadFile(dir / "console.txt");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    p.Signal(sig);
    EXPECT_EQ(p.Wait(5000), 0);
    std::string console = ReadFile(dir / "console.txt");
    EXPECT_NE(console.find("RIP 1: RIP1"), std::string::npos) << console;
    EXPECT_NE(console.find("input folder 1: Setup1 (disabled)"), std::string::npos) << console;
    EXPECT_NE(console.find("vellora-headless: stopped"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "Vellora.log").find("Quillon started on "), std::string::npos);
  }
}

TEST(Headless, ASettingsFileThatCannotBeUsedIsNamedAtStart) {
  // Binary, and a folder: the program starts on defaults and says so on standard
  // error (the log is off by default) before it runs.
  for (bool folder : {false, true}) {
    TempDir dir;
    if (folder) {
      test::MakeDirs(dir / "Vellora.ini");
    } else {
      WriteFile(dir / "Vellora.ini",
                std::string("MZ\x90\0\x03\0\0\0", 8) + std::string(5000, '\x7f'));
    }
    test::ChildProcess p;
    ASSERT_TRUE(p.Start(Headless(), {"--dir", dir.path(), "--exit-after", "0"}, dir / "out.txt",
                        {{"VELLORA_TIME_SCALE", "0.01"}}));
    EXPECT_EQ(p.Wait(20000), 0);
    std::string out = ReadFile(dir / "out.txt");
    EXPECT_NE(out.find("WARNING: cannot use the settings file " + (dir / "Vellora.ini") + ": " +
                       (folder ? "it is a folder" : "it holds NUL bytes")),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("vellora-headless: stopped"), std::string::npos) << out;
  }
}

}  // namespace
}  // namespace vellora
