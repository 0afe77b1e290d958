// Command lines split with the Windows rules; programs started without a shell.
#include "platform/process.h"

#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora::platform {
namespace {

using Args = std::vector<std::string>;

TEST(Process, SplitsWithTheWindowsQuotingRules) {
  EXPECT_EQ(SplitWindowsCommandLine("conv.exe a b"), (Args{"conv.exe", "a", "b"}));
  EXPECT_EQ(SplitWindowsCommandLine("  conv  \t a  "), (Args{"conv", "a"}));
  EXPECT_EQ(SplitWindowsCommandLine("\"C:\\Program Files\\x.exe\" \"in file.ps\" out"),
            (Args{"C:\\Program Files\\x.exe", "in file.ps", "out"}));
  EXPECT_EQ(SplitWindowsCommandLine("p a\\\\\\\"b"), (Args{"p", "a\\\"b"}));     // 3 \ + "
  EXPECT_EQ(SplitWindowsCommandLine("p \"a\\\\\" b"), (Args{"p", "a\\", "b"}));  // 2 \ + "
  EXPECT_EQ(SplitWindowsCommandLine("p C:\\in\\x.ps"), (Args{"p", "C:\\in\\x.ps"}));
  EXPECT_EQ(SplitWindowsCommandLine("p \"say \"\"hi\"\"\""), (Args{"p", "say \"hi\""}));
  EXPECT_EQ(SplitWindowsCommandLine("p a\"b c\"d"), (Args{"p", "ab cd"}));
  EXPECT_EQ(SplitWindowsCommandLine("p \"\""), (Args{"p", ""}));
  EXPECT_EQ(SplitWindowsCommandLine("\"C:\\odd\\\" x"), (Args{"C:\\odd\\", "x"}))
      << "no backslash rules in the program name";
  EXPECT_TRUE(SplitWindowsCommandLine("   ").empty());
  EXPECT_EQ(SplitWindowsCommandLine("p \"unterminated arg"), (Args{"p", "unterminated arg"}));
}

TEST(Process, RunsProgramsDirectlyAndReportsTheirEnd) {
  test::TempDir dir;
  int code = -1;
  ASSERT_TRUE(RunHiddenAndWait({"/bin/sh", "-c", "exit 3"}, &code));
  EXPECT_EQ(code, 3);
  ASSERT_TRUE(RunHiddenAndWait({"touch", dir / "made by touch"}, &code)) << "PATH lookup";
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(test::Exists(dir / "made by touch"));
  // Shell text in an argument stays text.
  ASSERT_TRUE(RunHiddenAndWait({"touch", dir / "x; touch " + dir / "pwned"}, &code));
  EXPECT_FALSE(test::Exists(dir / "pwned"));
  EXPECT_FALSE(RunHiddenAndWait({dir / "no-such-program"}, &code));
  EXPECT_FALSE(RunHiddenAndWait({}, &code));
}

TEST(Process, AStopEndsTheProgramAndWhatItStarted) {
  test::TempDir dir;
  std::atomic<bool> stop{false};
  auto stopCheck = [&] { return stop.load(); };
  // Without a stop the program runs to its end and its status comes back.
  RunResult done = RunHiddenUntilStopped({"/bin/sh", "-c", "exit 4"}, stopCheck);
  EXPECT_TRUE(done.started);
  EXPECT_FALSE(done.stopped);
  EXPECT_EQ(done.exitCode, 4);
  EXPECT_FALSE(RunHiddenUntilStopped({dir / "no-such-program"}, stopCheck).started);

  // A shell that starts a long sleep: the stop ends both, the polite way.
  std::string marker = dir / "started";
  std::thread asker([&] {
    while (!test::Exists(marker)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop = true;
  });
  RunResult cut = RunHiddenUntilStopped(
      {"/bin/sh", "-c", "echo $$ > \"$0\"; sleep 30; echo late >> \"$0\"", marker}, stopCheck);
  asker.join();
  EXPECT_TRUE(cut.started);
  EXPECT_TRUE(cut.stopped);
  pid_t group = std::stoi(test::ReadFile(marker));
  EXPECT_TRUE(test::WaitFor([&] { return kill(-group, 0) == -1 && errno == ESRCH; }))
      << "the sleep it started is gone too";
  EXPECT_EQ(test::ReadFile(marker).find("late"), std::string::npos);
}

}  // namespace
}  // namespace vellora::platform
