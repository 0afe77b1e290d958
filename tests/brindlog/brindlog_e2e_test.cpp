// The real brindlog executable following a real simulated RIP (ripsim) or a log the
// test writes: the JMF files of finished jobs, RipStatus.xml, restarts, and the
// folder faults.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <regex>

#include <gtest/gtest.h>

#include "brindlog/jmf_checks.h"
#include "platform/system.h"
#include "support/child_process.h"
#include "support/hold_open.h"
#include "support/temp_dir.h"

namespace vellora::brindlog {
namespace {

using test::ReadFile;
using test::WaitFor;
using Files = std::vector<std::string>;

const std::string kWarning = "Font Univers-CondensedBold not found, Courier substituted";
const std::string kError = "undefined; OffendingCommand: setpagedevicex";

// A RIP installation, its spool folder, the XMLfolder and the daemon's parameters,
// with the two programs run on them.
class Site {
 public:
  test::TempDir dir;
  std::string rip = dir / "rip";
  std::string log = rip + "/SW/Logfile";
  std::string hot = dir / "hot";
  std::string xml = dir / "xml";
  std::string debug = dir / "debug.log";
  std::string host = platform::HostName();
  test::ChildProcess brindlog;
  test::ChildProcess ripsim;

  explicit Site(bool subfolders = false, bool makeXml = true) {
    test::MakeDirs(rip + "/SW/Config");
    test::MakeDirs(hot);
    if (makeXml) test::MakeDirs(xml);
    test::WriteFile(
        dir / "Parameters.ini",
        "[Parameters]\r\nRipInstallFolder=" + rip + "\r\nXMLfolder=" + xml +
            "\r\nDebugFilePath=" + debug +
            "\r\nDebug=1\r\nUsePageSetupNameAsSubDirectory=" + (subfolders ? "1" : "0") + "\r\n");
  }
  ~Site() {
    StopBrindlog();
    StopRipsim();
  }

  // Passes every 100 ms; time stamps five hours west of Greenwich.
  void StartBrindlog() {
    ASSERT_TRUE(brindlog.Start(test::Brindlog(), {}, dir / "brindlog.out",
                               {{"BRINDLOG_CONFIG", dir / "Parameters.ini"},
                                {"VELLORA_TIME_SCALE", "0.02"},
                                {"TZ", "XYZ+5"}}));
  }
  void StopBrindlog() {
    if (!brindlog.Running()) return;
    brindlog.Signal(SIGTERM);
    EXPECT_EQ(brindlog.Wait(10000), 0);
  }
  void StartRipsim(std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"--sw", rip + "/SW", "--spool", hot,      "--rip-ms",
                                  "50",   "--poll-ms", "20",      "--quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    size_t lines = ReadFile(log).size();
    ASSERT_TRUE(ripsim.Start(test::Ripsim(), args, dir / "ripsim.out"));
    ASSERT_TRUE(WaitFor(
        [&] { return ReadFile(log).find("PUBLISHING", lines) != std::string::npos; }, 15000));
  }
  void StopRipsim() {
    if (!ripsim.Running()) return;
    ripsim.Signal(SIGTERM);
    EXPECT_EQ(ripsim.Wait(10000), 0);
  }
  // Written beside the spool folder and renamed into it: the RIP sees it whole.
  void Drop(const std::string& name) {
    test::WriteFile(dir / "drop.tmp", "%!PS\n");
    std::filesystem::rename(dir / "drop.tmp", hot + "/" + name);
  }
  size_t Passes() {
    size_t n = 0;
    for (const auto& m : test::DebugMessages(debug))
      n += m.starts_with("INFO: Loaded file pointer");
    return n;
  }
  void WaitPasses(size_t n) {
    size_t target = Passes() + n;
    ASSERT_TRUE(WaitFor([&] { return Passes() >= target; }, 15000));
  }
  bool WaitFile(const std::string& name) {
    return WaitFor([&] { return test::Exists(xml + "/" + name); }, 15000);
  }
  std::string Status() {
    std::string s = ReadFile(xml + "/RipStatus.xml");
    return s.find("\"Running\"") != std::string::npos       ? "Running"
           : s.find("\"Not running\"") != std::string::npos ? "Not running"
                                                            : "";
  }
  bool WaitStatus(const std::string& want) {
    return WaitFor([&] { return Status() == want; }, 15000);
  }
  // The texts of the "Starting Job On " lines, in log order.
  std::vector<std::string> JobTimes() {
    std::vector<std::string> out;
    std::string text = ReadFile(log);
    std::regex start("Starting Job On ([^\r\n]*)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), start);
         it != std::sregex_iterator(); ++it) {
      out.push_back((*it)[1].str());
    }
    return out;
  }
};

TEST(BrindlogWithRipsim, OneFilePerFinishedJobWithTheSpecifiedBytes) {
  Site site;
  site.StartRipsim({"--network-path", "\\\\HQRIP1\\hot", "--warn-every", "2", "--fail-every", "3"});
  site.StartBrindlog();
  // Taken in the byte order of their names: job 2 is warned, job 3 fails.
  site.Drop("Page 01.ps");
  site.Drop("b.ps");
  site.Drop("c.ps");
  ASSERT_TRUE(site.WaitFile("Page.xml"));
  ASSERT_TRUE(site.WaitFile("b.ps.xml"));
  ASSERT_TRUE(site.WaitFile("c.ps.xml"));
  ASSERT_TRUE(site.WaitStatus("Running"));

  std::vector<std::string> times = site.JobTimes();
  ASSERT_EQ(times.size(), 3u);
  std::string page = ReadFile(site.xml + "/Page.xml");
  EXPECT_EQ(test::WithoutTimeStamp(page),
            test::ExpectedJobJmf(site.host, "Success", "Page", "Newsprint 40", times[0], ""));
  EXPECT_TRUE(std::regex_match(test::TimeStampOf(page),
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.0-5:00)")))
      << test::TimeStampOf(page);
  EXPECT_EQ(test::WithoutTimeStamp(ReadFile(site.xml + "/b.ps.xml")),
            test::ExpectedJobJmf(site.host, "Warning", "b.ps", "Newsprint 40", times[1], kWarning));
  EXPECT_EQ(test::WithoutTimeStamp(ReadFile(site.xml + "/c.ps.xml")),
            test::ExpectedJobJmf(site.host, "Error", "c.ps", "Newsprint 40", times[2], kError));
  EXPECT_EQ(test::WithoutTimeStamp(ReadFile(site.xml + "/RipStatus.xml")),
            test::ExpectedStatusJmf(site.host, "Running"));

  // The status follows the tail of the log and the inUse file.
  site.ripsim.Signal(SIGUSR1);
  EXPECT_TRUE(site.WaitStatus("Not running")) << "STOPPING after PUBLISHING";
  site.ripsim.Signal(SIGUSR2);
  EXPECT_TRUE(site.WaitStatus("Running"));
  site.StopRipsim();
  EXPECT_TRUE(site.WaitStatus("Not running")) << "an inUse file nobody holds";
  EXPECT_FALSE(test::Exists(site.rip + "/SW/Config/inUse")) << "deleted by the test";
  site.StopBrindlog();

  EXPECT_EQ(test::FilesBelow(site.xml),
            (Files{"Page.xml", "RipStatus.xml", "b.ps.xml", "c.ps.xml"}));
  for (const auto& f : test::FilesBelow(site.xml)) {
    std::string complaint;
    EXPECT_TRUE(test::WellFormed(site.xml + "/" + f, &complaint)) << f << complaint;
  }
  std::vector<std::string> messages = test::DebugMessages(site.debug);
  ASSERT_GE(messages.size(), 5u);
  EXPECT_EQ(messages[0], "Registry settings: RipInstallFolder=" + site.rip);
  EXPECT_EQ(messages[1], "Registry settings: XMLfolder=" + site.xml);
  EXPECT_EQ(messages[2], "INFO: Loaded file pointer set to 0");
  EXPECT_EQ(messages[3], "INFO: File pointer set to 0");
  EXPECT_TRUE(messages[4].starts_with("INFO: LogFile read (")) << messages[4];
}

TEST(BrindlogWithRipsim, SetupSubfoldersAndEscapedSetups) {
  Site site(true);
  site.StartRipsim({"--setup", "News: A/B"});
  site.StartBrindlog();
  site.Drop("a.ps");
  ASSERT_TRUE(site.WaitFile("News AB/a.ps.xml"));
  site.StopRipsim();
  site.StartRipsim({"--setup", "\"A&B 'x'\""});
  site.Drop("b.ps");
  ASSERT_TRUE(site.WaitFile("A&amp;B &apos;x&apos;/b.ps.xml"));
  site.StopBrindlog();

  std::vector<std::string> times = site.JobTimes();
  ASSERT_EQ(times.size(), 2u);
  EXPECT_EQ(test::WithoutTimeStamp(ReadFile(site.xml + "/News AB/a.ps.xml")),
            test::ExpectedJobJmf(site.host, "Success", "a.ps", "News: A/B", times[0], ""));
  EXPECT_EQ(
      test::WithoutTimeStamp(ReadFile(site.xml + "/A&amp;B &apos;x&apos;/b.ps.xml")),
      test::ExpectedJobJmf(site.host, "Success", "b.ps", "A&amp;B &apos;x&apos;", times[1], ""));
  EXPECT_EQ(test::FilesBelow(site.xml),
            (Files{"A&amp;B &apos;x&apos;/b.ps.xml", "News AB/a.ps.xml", "RipStatus.xml"}));
  for (const auto& f : test::FilesBelow(site.xml))
    EXPECT_TRUE(test::WellFormed(site.xml + "/" + f));
}

TEST(BrindlogWithRipsim, ARestartGoesOnAtThePointerAndANewLogIsReadFromItsStart) {
  Site site;
  site.StartRipsim();
  site.StartBrindlog();
  site.Drop("j1.ps");
  site.Drop("j2.ps");
  ASSERT_TRUE(site.WaitFile("j1.ps.xml"));
  ASSERT_TRUE(site.WaitFile("j2.ps.xml"));
  site.StopBrindlog();
  std::string pointer = ReadFile(site.rip + "/LogFilePointer");
  EXPECT_TRUE(std::regex_match(pointer, std::regex("[1-9][0-9]*\r\n"))) << pointer;
  std::filesystem::remove(site.xml + "/j1.ps.xml");
  std::filesystem::remove(site.xml + "/j2.ps.xml");

  // A job finishes while the daemon is down; it is found after the restart, and
  // the two before it are not written again.
  site.Drop("j3.ps");
  ASSERT_TRUE(WaitFor(
      [&] { return ReadFile(site.log).find("Job Completed: j3.ps") != std::string::npos; }, 15000));
  std::filesystem::remove(site.debug);
  site.StartBrindlog();
  ASSERT_TRUE(site.WaitFile("j3.ps.xml"));
  site.WaitPasses(3);
  EXPECT_EQ(test::FilesBelow(site.xml, true), (Files{"RipStatus.xml", "j3.ps.xml"}));
  EXPECT_EQ(test::DebugMessages(site.debug).at(2),
            "INFO: Loaded file pointer set to " + pointer.substr(0, pointer.size() - 2));

  // The RIP starts a new, shorter log: read from its start, nothing old again.
  std::filesystem::remove(site.xml + "/j3.ps.xml");
  site.ripsim.Signal(SIGHUP);
  ASSERT_TRUE(WaitFor([&] { return test::Exists(site.rip + "/SW/Logfile.old"); }, 15000));
  site.Drop("j4.ps");
  ASSERT_TRUE(site.WaitFile("j4.ps.xml"));
  site.WaitPasses(3);
  site.StopBrindlog();
  EXPECT_EQ(test::FilesBelow(site.xml), (Files{"RipStatus.xml", "j4.ps.xml"}));
}

TEST(BrindlogFaults, AnUnreachableRipFolderLeavesThePreviousStatus) {
  Site site;
  test::WriteFile(site.log, "Serial number: 1\r\nPUBLISHING\r\n");
  {
    test::HoldOpen running(site.rip + "/SW/Config/inUse", O_RDWR);
    site.StartBrindlog();
    ASSERT_TRUE(site.WaitStatus("Running"));
    std::filesystem::rename(site.rip, site.dir / "away");
    ASSERT_TRUE(WaitFor(
        [&] { return test::CountMessages(site.debug, "ERROR: Rip not accessible") >= 3; }, 15000));
    EXPECT_EQ(site.Status(), "Running");
  }
  std::filesystem::rename(site.dir / "away", site.rip);
  EXPECT_TRUE(site.WaitStatus("Not running"));
}

TEST(BrindlogFaults, AMissingXmlFolderIsReportedAndTriedAgain) {
  Site site(false, false);
  test::WriteFile(site.log, "PUBLISHING\r\nSetup loaded: S\r\nJob Completed: meanwhile\r\n");
  site.StartBrindlog();
  // Said at the start and at every pass; nothing is attempted, the log waits.
  std::string message = "Illegal XML log folder " + site.xml;
  ASSERT_TRUE(WaitFor([&] { return test::CountMessages(site.debug, message) >= 3; }, 15000));
  EXPECT_EQ(site.Passes(), 0u);
  test::MakeDirs(site.xml);
  EXPECT_TRUE(site.WaitStatus("Not running"));
  EXPECT_TRUE(site.WaitFile("meanwhile.xml"));
}

TEST(BrindlogFaults, AnEmptyXmlFolderWritesNothing) {
  Site site;
  test::WriteFile(site.dir / "Parameters.ini", "[Parameters]\r\nRipInstallFolder=" + site.rip +
                                                   "\r\nXMLfolder=\r\nDebugFilePath=" + site.debug +
                                                   "\r\nDebug=1\r\n");
  test::WriteFile(site.log, "PUBLISHING\r\nSetup loaded: S\r\nJob Completed: job\r\n");
  const bool rootHadFiles = test::Exists("/RipStatus.xml") || test::Exists("/job.xml");
  site.StartBrindlog();
  ASSERT_TRUE(WaitFor(
      [&] { return test::CountMessages(site.debug, "Illegal XML log folder ") >= 3; }, 15000));
  site.StopBrindlog();
  EXPECT_EQ(site.Passes(), 0u);
  if (!rootHadFiles) {
    EXPECT_FALSE(test::Exists("/RipStatus.xml"));
    EXPECT_FALSE(test::Exists("/job.xml"));
  }
}

TEST(BrindlogFaults, AnUnwritablePointerFileIsToldOnceAndNoJobComesTwice) {
  Site site;
  test::MakeDirs(site.rip + "/LogFilePointer");  // something that is no file under its name
  test::WriteFile(site.log, "PUBLISHING\r\nSetup loaded: S\r\nJob Completed: once\r\n");
  site.StartBrindlog();
  ASSERT_TRUE(site.WaitFile("once.xml"));
  site.WaitPasses(1);
  std::filesystem::remove(site.xml + "/once.xml");
  site.WaitPasses(3);
  site.StopBrindlog();
  EXPECT_FALSE(test::Exists(site.xml + "/once.xml"));
  const std::string told =
      "ERROR: Unable to write log pointer file " + site.rip + "\\LogFilePointer (Is a directory)";
  EXPECT_EQ(test::CountMessages(site.debug, told), 1u);
  std::string out = ReadFile(site.dir / "brindlog.out");
  size_t at = out.find("Brindlog: " + told + "\n");
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_EQ(out.find(told, at + told.size()), std::string::npos) << out;
}

// A read-only mount over the XMLfolder (root is not stopped by permission bits).
class ReadOnly {
 public:
  explicit ReadOnly(const std::string& folder) : folder_(folder) {
    std::string out;
    if (geteuid() != 0) {
      ok_ = chmod(folder.c_str(), 0555) == 0;
      return;
    }
    mounted_ = test::RunProgram("/usr/bin/mount", {"--bind", folder, folder}, &out) == 0;
    ok_ = mounted_ &&
          test::RunProgram("/usr/bin/mount", {"-o", "remount,ro,bind", folder}, &out) == 0;
  }
  ~ReadOnly() { Undo(); }
  bool ok() const { return ok_; }
  void Undo() {
    std::string out;
    if (mounted_) test::RunProgram("/usr/bin/umount", {folder_}, &out);
    if (geteuid() != 0) chmod(folder_.c_str(), 0755);
    mounted_ = ok_ = false;
  }

 private:
  std::string folder_;
  bool mounted_ = false;
  bool ok_ = false;
};

TEST(BrindlogFaults, AnUnwritableXmlFolderIsReportedAndTriedAgain) {
  Site site;
  test::WriteFile(site.log, "PUBLISHING\r\n");
  ReadOnly readOnly(site.xml);
  if (!readOnly.ok()) GTEST_SKIP() << "no read-only folder can be made here";
  site.StartBrindlog();
  std::string message = "ERROR: Cannot create " + site.xml + "\\RipStatus.xml file";
  ASSERT_TRUE(WaitFor([&] { return test::CountMessages(site.debug, message) >= 2; }, 15000));
  EXPECT_FALSE(test::Exists(site.xml + "/RipStatus.xml"));
  readOnly.Undo();
  EXPECT_TRUE(site.WaitStatus("Not running"));
}

}  // namespace
}  // namespace vellora::brindlog
