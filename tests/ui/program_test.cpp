// The vellora program as a process, offscreen: its options, and SIGTERM or SIGINT
// ending it the way File -> Exit does (the window's rectangle written to section
// Window, the engine stopped, exit status 0).
#include <signal.h>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora::test {
namespace {

const std::map<std::string, std::string> kOffscreen = {{"QT_QPA_PLATFORM", "offscreen"},
                                                       {"VELLORA_TIME_SCALE", "0.05"}};

TEST(VelloraProgram, HelpAndUnknownOptions) {
  std::string out;
  EXPECT_EQ(RunProgram(VELLORA_PROGRAM, {"--help"}, &out, kOffscreen), 0);
  EXPECT_NE(out.find("usage: vellora [--dir FOLDER]"), std::string::npos) << out;
  EXPECT_EQ(RunProgram(VELLORA_PROGRAM, {"--no-such-option"}, &out, kOffscreen), 2);
  EXPECT_NE(out.find("usage:"), std::string::npos) << out;
  EXPECT_EQ(RunProgram(VELLORA_PROGRAM, {"--dir"}, &out, kOffscreen), 2) << "--dir needs a folder";
}

void RunUntilSignal(int sig) {
  TempDir dir;
  const std::string in = dir / "in";
  MakeDirs(in);
  WriteFile(dir / "Vellora.ini",
            "[Setup]\r\nLogging=1\r\nDSN=\r\nNumberOfSpoolers=1\r\nEnable1=1\r\n"
            "SetupName1=News\r\nInputSpool1=" +
                in + "\r\n");
  ChildProcess vellora;
  ASSERT_TRUE(vellora.Start(VELLORA_PROGRAM, {"--dir", dir.path()}, dir / "out.txt", kOffscreen));
  // Running: the engine has started and written its start-up line.
  ASSERT_TRUE(WaitFor(
      [&] { return ReadFile(dir / "Vellora.log").find("Quillon started") != std::string::npos; }));
  vellora.Signal(sig);
  EXPECT_EQ(vellora.Wait(30000), 0) << ReadFile(dir / "out.txt");
  const std::string ini = ReadFile(dir / "Vellora.ini");
  EXPECT_NE(ini.find("[Window]"), std::string::npos) << ini;
  for (const char* key : {"Left=", "Right=", "Top=", "Bottom="}) {
    EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
  }
  EXPECT_NE(ini.find("SetupName1=News"), std::string::npos) << "the rest of the file stays";
}

TEST(VelloraProgram, SigtermClosesTheWindowAsExitDoes) {
  RunUntilSignal(SIGTERM);
}

TEST(VelloraProgram, SigintToo) {
  RunUntilSignal(SIGINT);
}

}  // namespace
}  // namespace vellora::test
