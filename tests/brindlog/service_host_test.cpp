// The daemon's command line against a stand-in systemctl, its parameters and its run.
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "brindlog/debug_log.h"
#include "brindlog/parameters.h"
#include "brindlog/service_host.h"
#include "platform/system.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/temporaries.h"

namespace vellora::brindlog {
namespace {

using test::Brindlog;

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A systemctl that records its calls; "start" also records whether the parameters
// were already there; verbs named in FAIL_VERBS fail.
struct FakeSystemd {
  TempDir dir;
  std::string script = dir / "systemctl";
  std::string calls = dir / "calls.txt";
  std::string units = dir / "units";
  std::string config = dir / "etc/Parameters.ini";
  FakeSystemd() {
    test::MakeDirs(units);
    WriteFile(script,
              "#!/bin/sh\n"
              "echo \"$*\" >> '" +
                  calls +
                  "'\n"
                  "if [ \"$1\" = start ]; then if [ -f '" +
                  config + "' ]; then echo params-present >> '" + calls +
                  "'; fi; fi\n"
                  "case \" $FAIL_VERBS \" in *\" $1 \"*) exit 1;; esac\n"
                  "exit 0\n");
    chmod(script.c_str(), 0755);
  }
  std::map<std::string, std::string> Env(const std::string& failVerbs = "") const {
    return {{"BRINDLOG_SYSTEMCTL", script},
            {"BRINDLOG_UNIT_DIR", units},
            {"BRINDLOG_CONFIG", config},
            {"FAIL_VERBS", failVerbs}};
  }
};

TEST(BrindlogCommandLine, InstallWritesParametersFirstThenTheUnit) {
  FakeSystemd sd;
  std::string out;
  ASSERT_EQ(test::RunProgram(Brindlog(), {"-i", "/srv/rip/SW", "/srv/xml"}, &out, sd.Env()), 0);
  EXPECT_EQ(out, "\n\nService Installed Sucessfully\n");
  EXPECT_EQ(ReadFile(sd.calls),
            "show-environment\ndaemon-reload\nenable brindlog.service\nstart "
            "brindlog.service\nparams-present\n");
  std::string unit = ReadFile(sd.units + "/brindlog.service");
  EXPECT_NE(unit.find("Description=Korvath Harlequin RIP logger\n"), std::string::npos);
  EXPECT_TRUE(std::regex_search(unit, std::regex("\nExecStart=/\\S+/brindlog\n"))) << unit;
  EXPECT_NE(unit.find("BRINDLOG_CONFIG=" + sd.config), std::string::npos);
  std::string params = ReadFile(sd.config);
  EXPECT_EQ(params,
            "[Parameters]\r\nRipInstallFolder=/srv/rip/SW\r\nXMLfolder=/srv/xml\r\n"
            "DebugFilePath=c:\\Brindlog.log\r\nDebug=0\r\nUsePageSetupNameAsSubDirectory=0\r\n");

  // An installation that was ended while writing left temporaries; the next one
  // clears them.
  const pid_t gone = test::GonePid();
  const std::string staleParams = sd.dir / ("etc/" + test::TemporaryName("Parameters.ini", gone));
  const std::string staleUnit = sd.units + "/" + test::TemporaryName("brindlog.service", gone);
  WriteFile(staleParams, "x");
  WriteFile(staleUnit, "x");

  // A single further argument is ignored: the built-in folders are written.
  ASSERT_EQ(test::RunProgram(Brindlog(), {"-i", "/only/one"}, &out, sd.Env()), 0);
  EXPECT_NE(ReadFile(sd.config).find("RipInstallFolder=c:\\Rip\\SW\r\nXMLfolder=c:\\temp\r\n"),
            std::string::npos);
  EXPECT_FALSE(test::Exists(staleParams));
  EXPECT_FALSE(test::Exists(staleUnit));
}

TEST(BrindlogCommandLine, FailuresAndUninstall) {
  FakeSystemd sd;
  std::string out;
  ASSERT_EQ(test::RunProgram(Brindlog(), {"-i"}, &out, sd.Env("show-environment")), 0);
  EXPECT_EQ(out, "\n\nError Installing Service\n") << "systemd cannot be reached";
  ASSERT_EQ(test::RunProgram(Brindlog(), {"-i"}, &out, sd.Env("start")), 0);
  EXPECT_EQ(out, "\n\nError Installing Service\n");
  EXPECT_TRUE(test::Exists(sd.units + "/brindlog.service")) << "a unit that failed to start stays";

  WriteFile(sd.calls, "");
  ASSERT_EQ(test::RunProgram(Brindlog(), {"-d"}, &out, sd.Env("stop")), 0);
  EXPECT_EQ(out, "\n\nService UnInstalled Sucessfully\n") << "a failed stop is ignored";
  EXPECT_EQ(ReadFile(sd.calls),
            "show-environment\nstop brindlog.service\ndisable brindlog.service\ndaemon-reload\n");
  EXPECT_FALSE(test::Exists(sd.units + "/brindlog.service"));
  EXPECT_TRUE(test::Exists(sd.config)) << "the parameters stay";
  ASSERT_EQ(test::RunProgram(Brindlog(), {"-d"}, &out, sd.Env()), 0);
  EXPECT_EQ(out, "\n\nError UnInstalling Service\n") << "nothing installed";

  for (const char* bad : {"-I", "/i", "--install", "-dd"}) {
    ASSERT_EQ(test::RunProgram(Brindlog(), {bad}, &out, sd.Env()), 0);
    EXPECT_EQ(out,
              "\n\nUnknown Switch Usage\n\nFor Install use Brindlog.exe -i\n\nFor UnInstall use "
              "Brindlog.exe -d\n");
  }
}

TEST(BrindlogParameters, FallbacksAndMessagesFollowTheReadOrder) {
  TempDir dir;
  DebugLog log;
  Parameters p = LoadParameters(dir / "none.ini", log, nullptr);
  EXPECT_EQ(p.RipInstallFolder, "c:\\Rip\\SW");
  EXPECT_EQ(p.XMLfolder, "c:\\temp") << "no file: every built-in value is kept";
  EXPECT_EQ(p.DebugFilePath, "c:\\Brindlog.log");

  WriteFile(dir / "p.ini", "[Parameters]\r\nDebug=1\r\n");
  p = LoadParameters(dir / "p.ini", log, nullptr);
  EXPECT_EQ(p.XMLfolder, "c:\\Brindlog\\logs");
  EXPECT_EQ(p.DebugFilePath, "c:\\Brindlog\\Brindlog.log");
  EXPECT_EQ(p.RipInstallFolder, "c:\\Rip\\SW");
  EXPECT_EQ(p.Debug, 1);
  EXPECT_TRUE(log.Enabled());

  // The missing-folder message is written only when Debug was already on: it is read last.
  std::string logPath = dir / "debug.log";
  WriteFile(
      dir / "p.ini",
      "[Parameters]\r\nDebugFilePath=" + logPath +
          "\r\nDebug=1\r\nUsePageSetupNameAsSubDirectory=7\r\n[Platform]\r\nDriveRoot=/d\r\n");
  platform::PathRoots roots;
  p = LoadParameters(dir / "p.ini", log, &roots);
  EXPECT_EQ(p.UsePageSetupNameAsSubDirectory, 7);
  EXPECT_EQ(roots.driveRoot, "/d");
  EXPECT_FALSE(test::Exists(logPath));
}

TEST(BrindlogDebugLog, LineFormatAndSizeBound) {
  TempDir dir;
  DebugLog log;
  log.SetPath(dir / "b.log");
  log.Write("off");
  EXPECT_FALSE(test::Exists(dir / "b.log"));
  log.SetEnabled(true);
  log.Write("INFO: LogFile read (%d bytes)", 12);
  EXPECT_TRUE(std::regex_match(
      ReadFile(dir / "b.log"),
      std::regex(
          R"(\[\d\d-\d\d-\d{4} \d\d:\d\d:\d\d\.\d{3}\] INFO: LogFile read \(12 bytes\)\r\n)")));
  WriteFile(dir / "b.log", std::string(DebugLog::kSizeLimit, 'x'));
  log.Write("kept");
  EXPECT_GT(ReadFile(dir / "b.log").size(), DebugLog::kSizeLimit);
  WriteFile(dir / "b.log", std::string(DebugLog::kSizeLimit + 1, 'x'));
  log.Write("fresh");
  EXPECT_LT(ReadFile(dir / "b.log").size(), 100u);
}

TEST(BrindlogRun, ChecksFoldersLogsSettingsAndStopsOnSignals) {
  for (int sig : {SIGTERM, SIGINT}) {
    TempDir dir;
    test::MakeDirs(dir / "xml");
    std::string logPath = dir / "debug.log";
    WriteFile(dir / "p.ini", "[Parameters]\r\nDebug=1\r\nDebugFilePath=" + logPath +
                                 "\r\nRipInstallFolder=" + dir.path() +
                                 "\\missing\r\nXMLfolder=" + dir.path() + "\\xml\r\n");
    test::ChildProcess p;
    ASSERT_TRUE(p.Start(Brindlog(), {}, dir / "out.txt", {{"BRINDLOG_CONFIG", dir / "p.ini"}}));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ReadFile(dir / "out.txt").find("following") == std::string::npos) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    p.Signal(sig);
    EXPECT_EQ(p.Wait(5000), 0);
    std::string log = ReadFile(logPath);
    EXPECT_NE(log.find("] Illegal Rip folder " + dir.path() + "\\missing\r\n\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Illegal XML log folder"), std::string::npos);
    EXPECT_NE(log.find("] Registry settings: XMLfolder=" + dir.path() + "\\xml\r\n"),
              std::string::npos);
  }
}

// Counts its passes; raises the stop control in the pass given.
class CountingRunner : public PassRunner {
 public:
  CountingRunner(int* passes, int stopInPass) : passes_(passes), stopInPass_(stopInPass) {}
  void RunPassAndWriteStatus() override {
    if (++*passes_ == stopInPass_) kill(getpid(), SIGTERM);
  }

 private:
  int* passes_;
  int stopInPass_;
};

TEST(BrindlogRun, TheLoopEndsAfterTheWaitAndThePassInProgress) {
  TempDir dir;
  WriteFile(dir / "p.ini", "[Parameters]\r\nRipInstallFolder=" + dir.path() +
                               "\r\nXMLfolder=" + dir.path() + "\r\n");
  setenv("BRINDLOG_CONFIG", (dir / "p.ini").c_str(), 1);
  platform::BlockTerminationSignals();
  for (int stopInPass : {1, 3}) {
    int passes = 0;
    PassFactory factory = [&](const Parameters& p, DebugLog&) -> std::unique_ptr<PassRunner> {
      EXPECT_EQ(p.RipInstallFolder, dir.path());
      return std::make_unique<CountingRunner>(&passes, stopInPass);
    };
    EXPECT_EQ(RunService(factory, 0.001), 0);
    EXPECT_EQ(passes, stopInPass) << "a stop during a pass ends the loop after that pass";
  }
  // A stop that is already there when the loop waits: the wait ends, one pass runs.
  int passes = 0;
  kill(getpid(), SIGTERM);
  EXPECT_EQ(RunService(
                [&](const Parameters&, DebugLog&) -> std::unique_ptr<PassRunner> {
                  return std::make_unique<CountingRunner>(&passes, 0);
                },
                2.0),
            0);
  EXPECT_EQ(passes, 1);
  unsetenv("BRINDLOG_CONFIG");
}

}  // namespace
}  // namespace vellora::brindlog
