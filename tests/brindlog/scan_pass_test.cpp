// The scan pass on real folders and logs, in this process: its messages, the inUse
// test, the tail scan, the jobs it finds, the pointer, and the faults a log may show.
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "brindlog/jmf_checks.h"
#include "brindlog/scan_pass.h"
#include "platform/files.h"
#include "riplog/log_pointer.h"
#include "support/hold_open.h"
#include "support/temp_dir.h"
#include "support/temporaries.h"

namespace vellora::brindlog {
namespace {

using test::DebugMessages;
using test::ReadFile;
using test::TempDir;
using Messages = std::vector<std::string>;

using namespace std::string_literals;

const std::string kStart = "Starting Job On Mon Jan 31 10:15:02 2005";

class ScanPassTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string rip = dir / "rip";
  std::string logPath = rip + "/SW/Logfile";
  std::string inUse = rip + "/SW/Config/inUse";
  std::string xml = dir / "xml";
  std::string debugPath = dir / "debug.log";
  DebugLog log;
  std::unique_ptr<ScanPassRunner> runner;

  void SetUp() override {
    test::MakeDirs(rip + "/SW/Config");
    test::MakeDirs(xml);
    log.SetPath(debugPath);
    log.SetEnabled(true);
    Start();
  }
  // A fresh start of the service: new pass results, the same files.
  void Start(bool subfolders = false) {
    Parameters p;
    p.RipInstallFolder = rip;
    p.XMLfolder = xml;
    p.UsePageSetupNameAsSubDirectory = subfolders ? 1 : 0;
    runner = std::make_unique<ScanPassRunner>(p, log, "PRESS1");
  }
  Messages Pass() {
    std::filesystem::remove(debugPath);
    runner->RunPassAndWriteStatus();
    return DebugMessages(debugPath);
  }
  void Append(const std::string& text) { ASSERT_TRUE(platform::AppendAndClose(logPath, text)); }
  std::string Status() {
    std::string s = ReadFile(xml + "/RipStatus.xml");
    return s.find("\"Running\"") != std::string::npos       ? "Running"
           : s.find("\"Not running\"") != std::string::npos ? "Not running"
                                                            : "?";
  }
  std::string Job(const std::string& file) {
    return test::WithoutTimeStamp(ReadFile(xml + "/" + file));
  }
  std::vector<std::string> JobFiles() {
    auto files = test::FilesBelow(xml);
    std::erase(files, "RipStatus.xml");
    return files;
  }
  int64_t Pointer() { return riplog::ReadLogPointer(rip + "/LogFilePointer"); }
  int64_t LogSize() { return static_cast<int64_t>(ReadFile(logPath).size()); }
};

TEST_F(ScanPassTest, MessagesPointerAndStatusOfARunningRip) {
  test::HoldOpen running(inUse, O_RDWR);
  ASSERT_TRUE(running.ok());
  std::string text = "RIP started\r\nPUBLISHING: open\r\nSetup loaded: \"Newsprint 40\" \r\n" +
                     kStart + "\r\nJob Completed: p1.ps\r\n";
  Append(text);
  EXPECT_EQ(Pass(), (Messages{"INFO: Loaded file pointer set to 0", "INFO: File pointer set to 0",
                              "INFO: LogFile read (" + std::to_string(text.size()) + " bytes)"}));
  EXPECT_TRUE(runner->pass().Running());
  EXPECT_TRUE(runner->pass().InputOpen());
  EXPECT_EQ(Status(), "Running");
  EXPECT_EQ(Job("p1.ps.xml"), test::ExpectedJobJmf("PRESS1", "Success", "p1.ps", "Newsprint 40",
                                                   kStart.substr(16), ""));
  // The pointer stands at the line break of the closing line.
  EXPECT_EQ(ReadFile(rip + "/LogFilePointer"), std::to_string(text.size() - 2) + "\r\n");
  EXPECT_TRUE(test::Exists(inUse)) << "a held inUse file is not deleted";

  std::filesystem::remove(xml + "/p1.ps.xml");
  std::string p = std::to_string(text.size() - 2);
  EXPECT_EQ(Pass(), (Messages{"INFO: Loaded file pointer set to " + p,
                              "INFO: File pointer set to " + p, "INFO: LogFile read (2 bytes)"}));
  EXPECT_TRUE(JobFiles().empty()) << "a job is written once";

  // The daemon starts again: it goes on at the pointer.
  Append("Setup loaded: S\r\nJob Completed: p2.ps\r\n");
  Start();
  EXPECT_EQ(Pass()[0], "INFO: Loaded file pointer set to " + p);
  EXPECT_EQ(JobFiles(), (std::vector<std::string>{"p2.ps.xml"}));
}

TEST_F(ScanPassTest, StatusFollowsTheInUseFileAndTheTail) {
  Append("Serial number: 1\r\nPUBLISHING\r\n");
  {
    test::HoldOpen running(inUse, O_RDWR);
    Pass();
    EXPECT_EQ(Status(), "Running");
    Append("STOPPING\r\n");
    Pass();
    EXPECT_EQ(Status(), "Not running");
    Append("publishing, in lower case, counts too\r\n");
    Pass();
    EXPECT_EQ(Status(), "Running");
    Append("SERIAL NUMBER\r\n");
    Pass();
    EXPECT_EQ(Status(), "Not running");
    Append("PUBLISHING\r\n" + std::string(64000, 'x') + "\r\n");
    Pass();
    EXPECT_EQ(Status(), "Not running") << "none of the words in the last 64,000 bytes";
    Append("PUBLISHING\r\n");
    Pass();
    EXPECT_EQ(Status(), "Running");
  }
  // The RIP has stopped: its inUse file can be deleted, and is.
  Pass();
  EXPECT_FALSE(test::Exists(inUse));
  EXPECT_FALSE(runner->pass().Running());
  EXPECT_EQ(Status(), "Not running");
  Pass();
  EXPECT_EQ(Status(), "Not running") << "no inUse file: not running";
}

TEST_F(ScanPassTest, AnUnreachableRipKeepsThePreviousStatus) {
  Append("PUBLISHING\r\nSetup loaded: S\r\n");
  std::string pointerBefore;
  {
    test::HoldOpen running(inUse, O_RDWR);
    Pass();
    ASSERT_EQ(Status(), "Running");
    pointerBefore = ReadFile(rip + "/LogFilePointer");
    std::filesystem::rename(rip, dir / "away");
    EXPECT_EQ(Pass(), (Messages{"ERROR: Rip not accessible"}));
    EXPECT_EQ(Pass(), (Messages{"ERROR: Rip not accessible"}));
    EXPECT_EQ(Status(), "Running");
    EXPECT_TRUE(runner->pass().InputOpen());
    std::filesystem::rename(dir / "away", rip);
  }
  EXPECT_EQ(ReadFile(rip + "/LogFilePointer"), pointerBefore);
  // Reachable again, the log gone: the pass ends there, after the inUse test.
  std::filesystem::remove(logPath);
  EXPECT_EQ(Pass(), (Messages{"WARNING: No RIP LogFile available (" + rip + "\\SW\\Logfile)"}));
  EXPECT_EQ(Status(), "Not running");
  EXPECT_FALSE(test::Exists(inUse));
  test::MakeDirs(logPath);  // a folder is no log either
  EXPECT_EQ(Pass(), (Messages{"WARNING: No RIP LogFile available (" + rip + "\\SW\\Logfile)"}));
}

TEST_F(ScanPassTest, JobsTheLogShowsAsFinished) {
  Append(
      "Setup loaded: News\r\n" + kStart + "\r\n" +
      "Ripping file \\\\HQRIP1\\hot\\A4\\Page 01.ps (Copies 1, Resolution 1270 dpi)\r\n" +
      "Job Completed: job42\r\n" + "Setup loaded: News\r\nJob Completed: job42\r\n" +
      "Setup loaded: News\r\nRipping file /hot/low.ps\r\nWarning: low ink\r\nJob Completed: "
      "x\r\n" +
      "Setup loaded: News\r\nRipping file /hot/fail.ps\r\nWarning: low ink\r\nError: undefined\r\n"
      "Error: stackoverflow\r\nJob Not Completed: fail.ps\r\n" +
      "Setup loaded: News\r\nRipping file /hot/bare.ps\r\nWarning: low ink\r\nJob Not "
      "Completed: bare.ps\r\n" +
      "Setup loaded: A&B\r\nWarning: It's <big> & bold\r\nJob Completed: esc\r\n" +
      // keywords elsewhere in the line; case matters
      "[12:00] Setup loaded: Mid\r\nx Job Completed: mid\r\n" +
      "setup loaded: lower\r\nJob Completed: lower\r\n" +
      "SETUP LOADED: upper\r\nJOB COMPLETED: upper\r\n");
  Pass();
  EXPECT_EQ(JobFiles(),
            (std::vector<std::string>{"Page.xml", "bare.ps.xml", "esc.xml", "fail.ps.xml",
                                      "job42.xml", "low.ps.xml", "mid.xml"}));
  EXPECT_EQ(Job("Page.xml"),
            test::ExpectedJobJmf("PRESS1", "Success", "Page", "News", kStart.substr(16), ""));
  EXPECT_EQ(Job("job42.xml"), test::ExpectedJobJmf("PRESS1", "Success", "job42", "News", "", ""))
      << "no fields are carried over from the job before";
  EXPECT_EQ(Job("low.ps.xml"),
            test::ExpectedJobJmf("PRESS1", "Warning", "low.ps", "News", "", "low ink"));
  EXPECT_EQ(Job("fail.ps.xml"),
            test::ExpectedJobJmf("PRESS1", "Error", "fail.ps", "News", "", "stackoverflow"));
  EXPECT_EQ(Job("bare.ps.xml"), test::ExpectedJobJmf("PRESS1", "Error", "bare.ps", "News", "", ""));
  EXPECT_EQ(Job("esc.xml"), test::ExpectedJobJmf("PRESS1", "Warning", "esc", "A&amp;B", "",
                                                 "It#s &lt;big&gt; &amp; bold"));
  for (const auto& f : JobFiles()) EXPECT_TRUE(test::WellFormed(xml + "/" + f)) << f;

  // The same jobs with setup subfolders.
  std::filesystem::remove_all(xml);
  test::MakeDirs(xml);
  std::filesystem::remove(rip + "/LogFilePointer");
  Append("Setup loaded: News: A/B\r\nJob Completed: sub\r\n");
  Start(true);
  Pass();
  EXPECT_EQ(JobFiles(),
            (std::vector<std::string>{"A&amp;B/esc.xml", "Mid/mid.xml", "News AB/sub.xml",
                                      "News/Page.xml", "News/bare.ps.xml", "News/fail.ps.xml",
                                      "News/job42.xml", "News/low.ps.xml"}));
  EXPECT_NE(ReadFile(xml + "/News AB/sub.xml").find("Setup=\"News: A/B\""), std::string::npos);
}

TEST_F(ScanPassTest, UnfinishedJobsAndLinesWaitForTheNextPass) {
  Append("PUBLISHING\r\nSetup loaded: S\r\n" + kStart + "\r\n");
  Pass();
  int64_t beforeSetup = static_cast<int64_t>(std::string("PUBLISHING").size());
  EXPECT_EQ(Pointer(), beforeSetup) << "the pointer waits before the setup line";
  // The closing line is being written: no line break yet.
  Append("Job Completed: half");
  Pass();
  EXPECT_TRUE(JobFiles().empty());
  EXPECT_EQ(Pointer(), beforeSetup);
  Append(".ps\r\n");
  Pass();
  EXPECT_EQ(JobFiles(), (std::vector<std::string>{"half.ps.xml"}));
  EXPECT_NE(ReadFile(xml + "/half.ps.xml").find("JobTime=\"Mon Jan 31 10:15:02 2005\""),
            std::string::npos)
      << "the job's earlier lines were read again in the pass that closed it";
  EXPECT_EQ(Pointer(), LogSize() - 2);

  // Outside a job, an unfinished line holds the pointer too.
  Append("Setup loa");
  Pass();
  EXPECT_EQ(Pointer(), LogSize() - 9 - 2);
  Append("ded: T\r\nJob Completed: t\r\n");
  Pass();
  EXPECT_EQ(JobFiles(), (std::vector<std::string>{"half.ps.xml", "t.xml"}));
  Pass();
  EXPECT_EQ(JobFiles().size(), 2u);

  // Every pass starts outside any job: a pass that ended inside one does not make
  // the closing line of another log (here a new log) close it.
  Append("Setup loaded: open\r\n");
  Pass();
  std::filesystem::remove(logPath);
  Append("Job Completed: orphan\r\n");
  Pass();
  EXPECT_EQ(JobFiles().size(), 2u);
}

TEST_F(ScanPassTest, LogFaults) {
  using namespace std::string_literals;
  // Zero bytes, control characters and single-byte text in names and texts.
  Append(
      "\x01\x02\xFF\r\nSetup loaded: Z\xFCrich\0x\r\nRipping file /hot/a\0b\x01.ps\r\n"
      "Warning: \x93ink\x94\x07\r\nJob Completed: n\r\n"s);
  Pass();
  ASSERT_EQ(JobFiles(), (std::vector<std::string>{"a_b_.ps.xml"}));
  std::string complaint;
  EXPECT_TRUE(test::WellFormed(xml + "/a_b_.ps.xml", &complaint)) << complaint;
  EXPECT_EQ(Job("a_b_.ps.xml"),
            test::ExpectedJobJmf("PRESS1", "Warning", "a?b?.ps", "Z\xC3\xBCrich?x", "",
                                 "\xE2\x80\x9Cink\xE2\x80\x9D?"));

  // A line longer than 16,383 characters is looked at up to there.
  Append("Setup loaded: L\r\nJob Completed: " + std::string(20000, 'n') + "\r\n");
  // Its 259-character name is too long for a file name here: cut to fit.
  EXPECT_TRUE(Pass().back().starts_with("INFO: LogFile read"));
  EXPECT_EQ(JobFiles(), (std::vector<std::string>{"a_b_.ps.xml", std::string(251, 'n') + ".xml"}));
  EXPECT_EQ(Pointer(), LogSize() - 2);

  // A new, shorter log: read from its start.
  std::filesystem::remove(logPath);
  Append("Setup loaded: S\r\nJob Completed: fresh\r\n");
  Pass();
  EXPECT_TRUE(test::Exists(xml + "/fresh.xml"));

  // A damaged pointer file is no position: the tail is read again, and its jobs
  // written again.
  std::filesystem::remove(xml + "/fresh.xml");
  test::WriteFile(rip + "/LogFilePointer", "garbage\r\n");
  Pass();
  EXPECT_TRUE(test::Exists(xml + "/fresh.xml"));

  // Only the last 100,000 bytes of a log without pointer are read.
  std::filesystem::remove(rip + "/LogFilePointer");
  Append("Setup loaded: S\r\nJob Completed: early\r\n" + std::string(100000, '.') +
         "\r\nSetup loaded: S\r\nJob Completed: late\r\n");
  Pass();
  EXPECT_FALSE(test::Exists(xml + "/early.xml"));
  EXPECT_TRUE(test::Exists(xml + "/late.xml"));
}

TEST_F(ScanPassTest, ThePointerFileIsWrittenOnlyWhenThePointerMoves) {
  Append("PUBLISHING\r\nSetup loaded: S\r\nJob Completed: a\r\n");
  Pass();
  // The same position in other words: a rewrite would make it "%d\r\n" again.
  const std::string marked = "0" + ReadFile(rip + "/LogFilePointer");
  test::WriteFile(rip + "/LogFilePointer", marked);
  Pass();
  Pass();
  EXPECT_EQ(ReadFile(rip + "/LogFilePointer"), marked);
  Append("Setup loaded: S\r\n");
  Pass();
  EXPECT_EQ(ReadFile(rip + "/LogFilePointer"), marked) << "a job in progress";
  Append("Job Completed: b\r\n");
  Pass();
  EXPECT_EQ(ReadFile(rip + "/LogFilePointer"), std::to_string(LogSize() - 2) + "\r\n");
}

TEST_F(ScanPassTest, AnUnwritablePointerFileWritesEachJobOnceAndSaysSoOnce) {
  const std::string pointerFile = rip + "/LogFilePointer";
  test::MakeDirs(pointerFile);    // something that is no file under its name
  std::vector<std::string> told;  // what reaches the journal, debug log or not
  runner->SetProblemReporter([&](const std::string& line) { told.push_back(line); });
  Append(
      "PUBLISHING\r\nSetup loaded: S\r\nJob Completed: a\r\nSetup loaded: S\r\nJob "
      "Completed: b\r\n");
  Messages first = Pass();
  EXPECT_EQ(JobFiles(), (std::vector<std::string>{"a.xml", "b.xml"}));
  const std::string message =
      "ERROR: Unable to write log pointer file " + rip + "\\LogFilePointer (";
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(first.back().starts_with(message)) << first.back();
  std::filesystem::remove(xml + "/a.xml");
  std::filesystem::remove(xml + "/b.xml");
  for (int pass = 0; pass < 3; ++pass) {
    Messages m = Pass();
    EXPECT_EQ(m.back(), "INFO: LogFile read (2 bytes)") << "said once";
  }
  EXPECT_TRUE(JobFiles().empty()) << "no job is written twice";
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0], first.back());
  Append("Setup loaded: S\r\nJob Completed: c\r\n");
  Pass();
  EXPECT_EQ(JobFiles(), (std::vector<std::string>{"c.xml"}));

  // Writable again: the position goes into the file, and a restart goes on there.
  std::filesystem::remove(pointerFile);
  Pass();
  EXPECT_EQ(Pointer(), LogSize() - 2);
  Start();
  Pass();
  EXPECT_EQ(JobFiles(), (std::vector<std::string>{"c.xml"}));
}

TEST_F(ScanPassTest, AStartClearsTemporariesOfEndedProcesses) {
  Append("PUBLISHING\r\n");
  test::MakeDirs(xml + "/News");
  const pid_t gone = test::GonePid();
  const std::vector<std::string> stale{xml + "/" + test::TemporaryName("job.xml", gone),
                                       xml + "/" + test::TemporaryName("RipStatus.xml", gone),
                                       xml + "/News/" + test::TemporaryName("job.xml", gone),
                                       rip + "/" + test::TemporaryName("LogFilePointer", gone)};
  const std::vector<std::string> kept{xml + "/" + test::TemporaryName("a.xml", getpid()),
                                      xml + "/" + test::TemporaryName("b.xml", gone, "elsewhere"),
                                      rip + "/" + test::TemporaryName("LogFilePointer", getpid())};
  for (const auto& f : stale) test::WriteFile(f, "x");
  for (const auto& f : kept) test::WriteFile(f, "x");
  Start();
  Pass();
  for (const auto& f : stale) EXPECT_FALSE(test::Exists(f)) << f;
  for (const auto& f : kept) EXPECT_TRUE(test::Exists(f)) << f;
}

TEST_F(ScanPassTest, NothingIsWrittenWithoutALegalXmlFolder) {
  Append("PUBLISHING\r\nSetup loaded: S\r\nJob Completed: job\r\n");
  test::MakeDirs(dir / "relative");
  test::WriteFile(dir / "plain", "x");
  const bool rootHadFiles = test::Exists("/RipStatus.xml") || test::Exists("/job.xml");
  // A relative folder would be taken from wherever the daemon was started.
  const auto startFolder = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  for (std::string folder : {""s, "relative"s, dir / "plain", dir / "missing"}) {
    Parameters p;
    p.RipInstallFolder = rip;
    p.XMLfolder = folder;
    runner = std::make_unique<ScanPassRunner>(p, log, "PRESS1");
    std::vector<std::string> told;  // the journal hears of it once, debug log or not
    runner->SetProblemReporter([&](const std::string& line) { told.push_back(line); });
    for (int pass = 0; pass < 3; ++pass) {
      EXPECT_EQ(Pass(), (Messages{"Illegal XML log folder " + p.XMLfolder})) << p.XMLfolder;
    }
    EXPECT_EQ(told, (std::vector<std::string>{"Illegal XML log folder " + p.XMLfolder}));
  }
  std::filesystem::current_path(startFolder);
  EXPECT_TRUE(test::FilesBelow(dir / "relative").empty());
  EXPECT_TRUE(test::FilesBelow(xml).empty());
  if (!rootHadFiles) {
    EXPECT_FALSE(test::Exists("/RipStatus.xml"));
    EXPECT_FALSE(test::Exists("/job.xml"));
  }
  EXPECT_FALSE(test::Exists(rip + "/LogFilePointer")) << "the log waits for the folder";

  // The folder is made: the next pass writes the job that finished meanwhile.
  test::MakeDirs(dir / "missing");
  Parameters p;
  p.RipInstallFolder = rip;
  p.XMLfolder = dir / "missing";
  runner = std::make_unique<ScanPassRunner>(p, log, "PRESS1");
  Pass();
  EXPECT_EQ(test::FilesBelow(dir / "missing"),
            (std::vector<std::string>{"RipStatus.xml", "job.xml"}));
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// In a child with 4 GB of address space, a pass over nearly 8 GB after the pointer.
void PassWithLittleMemory(ScanPassRunner& runner, const std::string& debugPath) {
  struct rlimit limit {};
  limit.rlim_cur = limit.rlim_max = 4000000000ull;
  setrlimit(RLIMIT_AS, &limit);
  runner.RunPassAndWriteStatus();
  bool ok = DebugMessages(debugPath) == Messages{"INFO: Loaded file pointer set to 1",
                                                 "INFO: File pointer set to 1",
                                                 "ERROR: Memory allocation error"};
  _exit(ok ? 0 : 1);
}

TEST_F(ScanPassTest, NoMemoryForTheRead) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' allocators abort instead of failing";
  test::WriteFile(logPath, "x");
  std::filesystem::resize_file(logPath, 8000000000ull);  // sparse
  riplog::WriteLogPointer(rip + "/LogFilePointer", 1);
  EXPECT_EXIT(PassWithLittleMemory(*runner, debugPath), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vellora::brindlog
