// The programs run as an unprivileged user (nobody) beside files that root's
// processes hold open: their in-use test can neither take a lease on another user's
// file nor read another user's open descriptors, so it cannot see the holder. The
// programs must say so, once per run, and name the fix.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/hold_open.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WaitFor;
using test::WriteFile;

const char kWarning[] = "WARNING: the in-use test cannot see every process";
const char kFix[] = "Fix: setcap cap_lease,cap_net_raw+ep /";

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

bool CanRunAsNobody(std::string& why) {
  if (::geteuid() != 0) {
    why = "only root can start a program as nobody";
    return false;
  }
  if (::access("/usr/sbin/runuser", X_OK) != 0) {
    why = "runuser is missing";
    return false;
  }
  return true;
}

// The program as nobody, with the environment given on the command line (runuser
// keeps the caller's, but only what is named here matters).
bool StartAsNobody(test::ChildProcess& p, const std::vector<std::string>& command,
                   const std::string& output) {
  std::vector<std::string> args{"-u", "nobody", "--", "/usr/bin/env"};
  args.insert(args.end(), command.begin(), command.end());
  return p.Start("/usr/sbin/runuser", args, output);
}

// Folders and files nobody may read and write, in a folder root made.
void OpenUp(const std::string& path, mode_t mode) {
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

TEST(Unprivileged, TheBalancerSaysOnceThatItCannotSeeOtherUsersWriters) {
  std::string why;
  if (!CanRunAsNobody(why)) GTEST_SKIP() << why;
  TempDir dir;
  test::MakeDirs(dir / "in");
  test::MakeDirs(dir / "sw");
  WriteFile(dir / "Vellora.ini",
            "[Setup]\r\nLogging=1\r\nDSN=\r\nNumberOfSpoolers=1\r\nEnable1=1\r\n"
            "StableTime=0\r\nInputSpool1=" +
                (dir / "in") + "\r\nUseRIP1=1\r\nRIP1swPath=" + (dir / "sw") +
                "\r\nRIP1Spool1=" + (dir / "sw") + "\r\n");
  // Root's writer still has the page open; the file itself is writable by all.
  const std::string page = dir / "in/PAGE-1.ps";
  WriteFile(page, "%!PS half of it");
  OpenUp(page, 0666);
  test::HoldOpen writer(page, O_WRONLY);
  ASSERT_TRUE(writer.ok());
  for (const char* d : {"", "in", "sw"}) OpenUp(dir / d, 0777);

  test::ChildProcess vellora;
  ASSERT_TRUE(StartAsNobody(vellora,
                            {"VELLORA_TIME_SCALE=0.001", test::Headless(), "--dir", dir.path()},
                            dir / "console.txt"));
  // The scanner lists the folder on every pass; the file shows as waiting because
  // the test cannot see root's writer.
  ASSERT_TRUE(WaitFor([&] {
    return ReadFile(dir / "Vellora.log").find(kWarning) != std::string::npos;
  })) << ReadFile(dir / "console.txt")
      << ReadFile(dir / "Vellora.log");
  // Many more passes, each of which tests the file again.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  vellora.Signal(SIGTERM);
  vellora.Wait(10000);
  const std::string log = ReadFile(dir / "Vellora.log");
  EXPECT_EQ(Count(log, kWarning), 1) << log;
  EXPECT_EQ(Count(log, kFix), 1) << log;
  EXPECT_NE(log.find(page), std::string::npos) << "the line names the file: " << log;
}

TEST(Unprivileged, BrindlogSaysOnceThatItCannotSeeTheRipHoldingItsInUseFile) {
  std::string why;
  if (!CanRunAsNobody(why)) GTEST_SKIP() << why;
  TempDir dir;
  test::MakeDirs(dir / "rip/SW/Config");
  test::MakeDirs(dir / "xml");
  const std::string inUse = dir / "rip/SW/Config/inUse";
  WriteFile(inUse, "");
  test::HoldOpen rip(inUse, O_RDWR);  // a RIP running as root
  ASSERT_TRUE(rip.ok());
  WriteFile(dir / "Parameters.ini",
            "[Parameters]\r\nRipInstallFolder=" + (dir / "rip") + "\r\nXMLfolder=" + (dir / "xml") +
                "\r\nDebugFilePath=" + (dir / "debug.log") + "\r\nDebug=1\r\n");
  // Config stays root's: the daemon cannot delete the file, so every pass tests it.
  for (const char* d : {"", "rip", "rip/SW", "xml"}) OpenUp(dir / d, 0777);

  test::ChildProcess brindlog;
  ASSERT_TRUE(StartAsNobody(
      brindlog,
      {"VELLORA_TIME_SCALE=0.01", "BRINDLOG_CONFIG=" + (dir / "Parameters.ini"), test::Brindlog()},
      dir / "brindlog.out"));
  ASSERT_TRUE(WaitFor([&] {
    return ReadFile(dir / "debug.log").find(kWarning) != std::string::npos;
  })) << ReadFile(dir / "brindlog.out")
      << ReadFile(dir / "debug.log");
  // A few more passes.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  brindlog.Signal(SIGTERM);
  brindlog.Wait(10000);
  EXPECT_EQ(Count(ReadFile(dir / "debug.log"), kWarning), 1) << ReadFile(dir / "debug.log");
  EXPECT_EQ(Count(ReadFile(dir / "brindlog.out"), kWarning), 1) << ReadFile(dir / "brindlog.out");
  EXPECT_NE(ReadFile(dir / "debug.log").find(kFix), std::string::npos);
}

TEST(Unprivileged, SaveSettingsNeverReplacesAFileItMayNotRead) {
  std::string why;
  if (!CanRunAsNobody(why)) GTEST_SKIP() << why;
  TempDir dir;
  // Root's file, 0600 because of the passwords in it, in a folder anyone may write.
  const std::string site =
      "; the site's settings\r\n[Setup]\r\nNumberOfSpoolers=1\r\n"
      "SetupName1=News\r\nDSNpw=secret\r\n[Other]\r\nKeep=1\r\n";
  WriteFile(dir / "Vellora.ini", site);
  OpenUp(dir / "Vellora.ini", 0600);
  OpenUp(dir.path(), 0777);
  std::string out;
  int status = test::RunProgram(
      "/usr/sbin/runuser",
      {"-u", "nobody", "--", test::Headless(), "--dir", dir.path(), "--save-settings"}, &out);
  EXPECT_NE(status, 0) << out;
  EXPECT_NE(out.find("WARNING: cannot use the settings file " + (dir / "Vellora.ini")),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("ERROR: cannot save " + (dir / "Vellora.ini")), std::string::npos) << out;
  EXPECT_EQ(ReadFile(dir / "Vellora.ini"), site);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "Vellora.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(Unprivileged, SaveSettingsKeepsTheOwnerOfAFileOthersMayWrite) {
  std::string why;
  if (!CanRunAsNobody(why)) GTEST_SKIP() << why;
  TempDir dir;
  // Root's file that the program's user may write (group or others): a file put in
  // its place would belong to nobody; the file itself gets the new text instead.
  WriteFile(dir / "Vellora.ini", "; root keeps this\r\n[Setup]\r\nStableTime=4\r\n");
  OpenUp(dir / "Vellora.ini", 0666);
  OpenUp(dir.path(), 0777);
  std::string out;
  int status = test::RunProgram(
      "/usr/sbin/runuser",
      {"-u", "nobody", "--", test::Headless(), "--dir", dir.path(), "--save-settings"}, &out);
  EXPECT_EQ(status, 0) << out;
  std::string text = ReadFile(dir / "Vellora.ini");
  EXPECT_EQ(text.rfind("; root keeps this\r\n[Setup]\r\nStableTime=4\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("\r\nMaxLogFileReadSize=1000000\r\n"), std::string::npos) << text;
  struct stat st {};
  ASSERT_EQ(::stat((dir / "Vellora.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u) << "still root's";
  EXPECT_EQ(st.st_mode & 07777, 0666u);
}

}  // namespace
}  // namespace vellora
