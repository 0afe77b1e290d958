// The scanner's passes over real folders: rotation, room, errors, commands, paths.
#include "intake/input_scanner.h"
#include "engine/unconnected.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/hold_open.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace vellora::intake {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

int FilesIn(const std::string& dir) {
  int n = 0;
  if (!std::filesystem::exists(dir)) return 0;
  for (auto& e : std::filesystem::recursive_directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

// A display that can act at the moment a caption is shown, to make a fault happen
// at an exact point of the pass.
struct HookDisplay : test::RecordingDisplay {
  std::function<void(const std::string&)> onCaption;
  void SetScannerCaption(const std::string& c) override {
    RecordingDisplay::SetScannerCaption(c);
    if (onCaption) onCaption(c);
  }
};

// Two RIPs, each with a spool folder for the one spooler, and an input folder.
struct Site {
  TempDir dir;
  HookDisplay display;
  platform::Pacer pacer{0};
  core::Runtime rt{display, pacer, dir.path()};
  WaitingJobs waiting{display};
  RipQueues ripQueues{rt};
  engine::NoDatabase db;
  engine::NoPdfRewriter pdf;
  std::unique_ptr<InputScanner> scanner;

  Site() {
    for (const char* d : {"in", "rip1/sw", "rip2/sw", "rip1/spool", "rip2/spool"})
      test::MakeDirs(dir / d);
    rt.logs.Configure(dir.path(), true, true);
    rt.settings.Update([this](core::SettingsStore& s) {
      s.DSN.clear();  // no database
      s.StableTime = 0;
      s.NumberOfSpoolers = 1;
      core::Spooler& sp = s.Spoolers[0];
      sp.InputSpool = dir.path() + "\\in";
      sp.Enable = 1;
      sp.SetupName = "News";
      for (int r = 0; r < 2; ++r) {
        s.Rips[r].UseRIP = 1;
        s.Rips[r].RIPswPath = dir.path() + "\\rip" + std::to_string(r + 1) + "\\sw";
        sp.RipSpool[r] = dir.path() + "\\rip" + std::to_string(r + 1) + "\\spool";
      }
      s.MaxOutstandingJobs = 5;
    });
    for (int r = 0; r < 2; ++r) rt.rips[r].Tracking = 1;
  }
  void Start() { scanner = std::make_unique<InputScanner>(rt, waiting, ripQueues, db, pdf); }
  void Drop(const std::string& name, const std::string& content = "%!PS\n") {
    WriteFile(dir / ("in/" + name), content);
  }
  std::string Spool(int rip) { return dir / ("rip" + std::to_string(rip) + "/spool"); }
};

TEST(InputScanner, DeliveriesAlternateBetweenRipsWithRoom) {
  Site site;
  site.Start();
  for (int k = 0; k < 6; ++k) site.Drop("page" + std::to_string(k) + ".ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(FilesIn(site.dir / "in"), 0);
  EXPECT_EQ(FilesIn(site.Spool(1)), 3);
  EXPECT_EQ(FilesIn(site.Spool(2)), 3);
  EXPECT_TRUE(site.waiting.Rows().empty()) << "delivered rows are removed";
  EXPECT_EQ(site.ripQueues.Rows().size(), 6u);
  EXPECT_TRUE(site.display.Has("ScannerCaption Scanning inputs"));
  std::string log = ReadFile(site.dir / "Vellora.log");
  EXPECT_NE(log.find("DEBUG: name found page0.ps\r\n"), std::string::npos);
  // One after the other, never twice the same RIP in a row.
  std::string order;
  for (size_t at = 0; (at = log.find("Final dest path=", at)) != std::string::npos; ++at) {
    order += log[log.find("\\rip", at) + 4];
  }
  EXPECT_EQ(order, "121212");
}

TEST(InputScanner, MaxOutstandingJobsHoldsBackAFullRip) {
  Site site;
  site.rt.settings.Update([](core::SettingsStore& s) { s.MaxOutstandingJobs = 1; });
  site.Start();
  WriteFile(site.Spool(1) + "/waiting.ps", "x");
  WriteFile(site.Spool(1) + "/notes.txt", "ignored by RipQueueIgnoreMask");
  site.Drop("a.ps");
  site.Drop("b.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(FilesIn(site.Spool(1)), 2) << "RIP 1 has a file waiting and gets nothing";
  EXPECT_EQ(FilesIn(site.Spool(2)), 1) << "RIP 2 takes one, then it is full too";
  EXPECT_EQ(FilesIn(site.dir / "in"), 1);
  EXPECT_EQ(site.waiting.Rows().size(), 1u) << "the job stays queued, without a message";

  WriteFile(site.Spool(2) + "/more.ps", "x");
  site.display.Clear();
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(site.display.Has("ScannerCaption All RIPs occupied"));
  EXPECT_EQ(FilesIn(site.dir / "in"), 1);
}

TEST(InputScanner, ASpoolFolderFedByTwoSpoolersCountsItsFilesOnce) {
  Site site;
  test::MakeDirs(site.dir / "in2");
  site.rt.settings.Update([&](core::SettingsStore& s) {
    s.MaxOutstandingJobs = 2;
    s.NumberOfSpoolers = 2;
    s.Spoolers[1] = s.Spoolers[0];
    s.Spoolers[1].InputSpool = site.dir.path() + "\\in2";
    s.Rips[1].UseRIP = 0;
  });
  site.rt.rips[1].Tracking = 0;
  site.Start();
  WriteFile(site.Spool(1) + "/waiting.ps", "x");
  site.Drop("a.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(FilesIn(site.Spool(1)), 2) << "one file waits, below the limit of 2";
  EXPECT_EQ(FilesIn(site.dir / "in"), 0);
}

TEST(InputScanner, ClosedInputsGetNothingUnlessForcedOpen) {
  Site site;
  site.rt.settings.Update([](core::SettingsStore& s) { s.ForceOpenInputs = 0; });
  site.rt.rips[1].InputOpen = 1;  // only RIP 2 accepts jobs
  site.Start();
  for (int k = 0; k < 3; ++k) site.Drop("p" + std::to_string(k) + ".ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(FilesIn(site.Spool(1)), 0);
  EXPECT_EQ(FilesIn(site.Spool(2)), 3);

  site.rt.rips[1].Tracking = 0;  // switched off: no RIP has room now
  site.Drop("q.ps");
  site.display.Clear();
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(site.display.Has("ScannerCaption All RIPs occupied"));

  site.rt.rips[0].Tracking = 0;
  site.display.Clear();
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(site.display.Has("ScannerCaption No RIPs enabled"));
  EXPECT_EQ(site.display.Count("SpoolerIcon"), 0) << "nothing is listed then";
}

TEST(InputScanner, UnreachableFoldersSetTheErrorAndStopOnErrorSwitchesOff) {
  Site site;
  site.rt.settings.Update([&](core::SettingsStore& s) {
    s.Spoolers[0].InputSpool = site.dir.path() + "\\gone";
    s.Rips[1].RIPswPath = site.dir.path() + "\\rip9";
  });
  site.Start();
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(site.rt.errors.Flag(), 1);
  EXPECT_TRUE(site.display.Has("ErrorText 1 Unable to access RIP root folder " + site.dir.path() +
                               "\\rip9"));
  EXPECT_TRUE(
      site.display.Has("ErrorText 1 Unable to access Input folder " + site.dir.path() + "\\gone"));
  EXPECT_EQ(ReadFile(site.dir / "rip1/sw/tmp/quillonstate.txt"), "")
      << "no tmp folder under RIP 1: the state file is skipped";
  EXPECT_EQ(site.rt.settings.Get()->Spoolers[0].Enable, 1);
  EXPECT_EQ(site.rt.rips[1].Tracking, 1);

  site.rt.settings.Update([](core::SettingsStore& s) { s.StopOnError = 1; });
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(site.rt.settings.Get()->Spoolers[0].Enable, 0);
  EXPECT_EQ(site.rt.rips[1].Tracking, 0);
  site.display.Clear();
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(site.display.Has("SpoolerIcon 0 disabled"));
}

TEST(InputScanner, AFailedMoveSetsTheErrorAndTheFileComesBack) {
  Site site;
  site.rt.settings.Update([](core::SettingsStore& s) { s.Rips[1].UseRIP = 0; });
  site.Start();
  site.Drop("blocked.ps");
  test::MakeDirs(site.Spool(1) + "/blocked.ps/inside");  // a folder where the file should go
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(site.display.Has("ErrorText 1 Error moving file!!"));
  // The error state keeps its text; the log names the source, the destination and why.
  std::string log = ReadFile(site.dir / "Vellora.log");
  EXPECT_NE(log.find("] ERROR: Cannot move " + site.dir.path() + "\\in\\blocked.ps to " +
                     site.dir.path() +
                     "\\rip1\\spool\\blocked.ps: cannot rename the file: Is a "
                     "directory\r\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(Exists(site.dir / "in/blocked.ps"));
  EXPECT_TRUE(site.waiting.Rows().empty()) << "the row goes whether or not the move worked";
  std::filesystem::remove_all(site.Spool(1) + "/blocked.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.Spool(1) + "/blocked.ps"));
  EXPECT_FALSE(Exists(site.dir / "in/blocked.ps"));
}

TEST(InputScanner, ExternalCommandWithInputAndOutputPlaceholders) {
  Site site;
  std::string script = site.dir / "conv.sh";
  WriteFile(script,
            "#!/bin/sh\n# conv.sh IN OUT: writes OUT from IN, removes IN\n"
            "{ cat \"$1\"; echo converted; } > \"$2\" && rm \"$1\"\n");
  chmod(script.c_str(), 0755);
  site.rt.settings.Update([&](core::SettingsStore& s) {
    s.Rips[1].UseRIP = 0;
    s.Spoolers[0].RunCommand = 1;
    s.Spoolers[0].CommandFile = script + " %i %o";
  });
  site.Start();
  site.Drop("job.ps", "%!PS\n");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(ReadFile(site.Spool(1) + "/job.ps"), "%!PS\nconverted\n");
  EXPECT_EQ(FilesIn(site.dir / "in"), 0) << "no .tmp left behind";
}

TEST(InputScanner, AStopEndsAHungExternalCommandAndTheJobStaysWhole) {
  Site site;
  // A converter that hangs and even ignores the polite request to end.
  std::string script = site.dir / "hang.sh";
  WriteFile(script,
            "#!/bin/sh\ntrap '' TERM\necho $$ > \"$(dirname \"$0\")/pid\"\n"
            "echo partial > \"$2\"\nsleep 30\n");
  chmod(script.c_str(), 0755);
  site.rt.settings.Update([&](core::SettingsStore& s) {
    s.Rips[1].UseRIP = 0;
    s.Spoolers[0].RunCommand = 1;
    s.Spoolers[0].CommandFile = script + " %i %o";
  });
  site.Start();
  site.Drop("job.ps", "%!PS whole\n");
  bool passResult = true;
  std::thread pass([&] { passResult = site.scanner->RunPass(); });
  ASSERT_TRUE(test::WaitFor([&] {
    return Exists(site.dir / "pid") && Exists(site.dir / "in/job.ps");
  })) << "the converter runs";
  site.pacer.RequestStop();
  pass.join();
  EXPECT_FALSE(passResult);
  pid_t pid = std::stoi(ReadFile(site.dir / "pid"));
  // Killed, they are reaped by whoever adopts them; that may take a moment.
  EXPECT_TRUE(test::WaitFor([&] { return kill(-pid, 0) == -1 && errno == ESRCH; }))
      << "the converter and its children are gone";
  EXPECT_EQ(ReadFile(site.dir / "in/job.ps"), "%!PS whole\n")
      << "the job is back under its own name, not the half-made output";
  EXPECT_FALSE(Exists(site.dir / "in/job.ps.tmp"));
  EXPECT_EQ(FilesIn(site.Spool(1)), 0) << "nothing is delivered once a stop is asked for";
}

int Occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

TEST(InputScanner, NamesThatCanNeverBeDeliveredAreReportedOncePerRun) {
  Site site;
  site.Start();
  std::string backslash = "ABC\\310105.ps";
  std::string tooLong = std::string(252, 'L') + ".ps";  // 255 characters
  site.Drop(backslash);
  site.Drop(tooLong);
  site.Drop("fine.ps");
  site.Drop(".hidden\\name.ps");  // never a candidate anyway: nothing to say
  ASSERT_TRUE(site.scanner->RunPass());
  ASSERT_TRUE(site.scanner->RunPass());
  std::string log = ReadFile(site.dir / "Vellora.log");
  EXPECT_EQ(Occurrences(log, "WARNING: "), 2) << log;
  EXPECT_EQ(Occurrences(log, "WARNING: File " + backslash + " in input folder " + site.dir.path() +
                                 "\\in cannot be delivered: its name holds a backslash\r\n"),
            1)
      << log;
  EXPECT_EQ(Occurrences(log, "WARNING: File " + tooLong + " in input folder " + site.dir.path() +
                                 "\\in cannot be delivered: its name is longer than 254 "
                                 "characters\r\n"),
            1)
      << log;
  EXPECT_TRUE(Exists(site.dir / ("in/" + backslash))) << "the files stay where they are";
  EXPECT_TRUE(Exists(site.dir / ("in/" + tooLong)));
  EXPECT_TRUE(Exists(site.Spool(1) + "/fine.ps"));

  // The next run says it again, once.
  site.Start();
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(Occurrences(ReadFile(site.dir / "Vellora.log"), "WARNING: "), 4);
}

// A production database in which every page is a monochrome page of a known set.
struct MonoPagesDb : ScannerDatabase {
  void Disconnect() override {}
  bool Connect(const std::string&, const std::string&, const std::string&, std::string&) override {
    return true;
  }
  void ReloadNameCaches() override {}
  void ConnectSecond(const std::string&, const std::string&, const std::string&) override {}
  int RegisterRip(const std::string&) override { return 0; }
  std::string PageFormat(int, double& width, double& height, double& bleed,
                         std::string& error) override {
    width = height = bleed = 0;
    error.clear();
    return {};
  }
  bool Connected() const override { return true; }
  identify::LookupResult LookupJob(const std::string&, int, int, int priority) override {
    identify::LookupResult r;
    r.status = identify::kMonoJob;
    r.separationSet = 7;
    r.priority = priority;
    return r;
  }
};

// A production database that notes where each connection goes and what the RIPs are
// registered with; the operator switches to the backup server at the moment the
// scanner has dropped its connection and waits to connect again.
struct SwitchedWhileConnecting : MonoPagesDb {
  core::Runtime& rt;
  std::atomic<int> connections{0};
  std::string last;
  bool switched = false;
  explicit SwitchedWhileConnecting(core::Runtime& runtime) : rt(runtime) {}
  void Disconnect() override {
    if (switched) return;
    switched = true;
    rt.settings.Update([](core::SettingsStore& s) { s.UseBackup = 1; });
  }
  bool Connect(const std::string& dsn, const std::string&, const std::string&,
               std::string&) override {
    last = dsn;
    connections.fetch_add(1);
    return true;
  }
  int RegisterRip(const std::string&) override { return last == "spare" ? 1001 : 1; }
};

TEST(InputScanner, AServerSwitchWhileTheScannerConnectsIsFollowedNotUndone) {
  Site site;
  site.rt.settings.Update([](core::SettingsStore& s) {
    s.DSN = "main";
    s.DSNuser = s.DSNuser2 = "vellora";
    s.DSN2 = "spare";
    s.UseBackup = 0;
  });
  SwitchedWhileConnecting db(site.rt);
  site.scanner =
      std::make_unique<InputScanner>(site.rt, site.waiting, site.ripQueues, db, site.pdf);
  ASSERT_TRUE(site.scanner->RunPass());
  // The pass began with the main server as the choice; it connects to the one chosen
  // by the time it connects, registers there, and has nothing to redo next pass.
  EXPECT_EQ(db.last, "spare");
  EXPECT_EQ(site.rt.rips[0].ProcessId.load(), 1001);
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(db.connections.load(), 1);

  // A switch under way holds the scanner's connection back until it is done.
  site.rt.settings.Update([](core::SettingsStore& s) { s.UseBackup = 0; });
  std::thread pass;
  {
    std::lock_guard switching(site.rt.serverChoice);
    pass = std::thread([&] { site.scanner->RunPass(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(db.connections.load(), 1);
  }
  pass.join();
  EXPECT_EQ(db.connections.load(), 2);
  EXPECT_EQ(db.last, "main");
  EXPECT_EQ(site.rt.rips[0].ProcessId.load(), 1);
}

TEST(InputScanner, SpoolAndMonoFoldersThatAreNoFoldersAreReportedOncePerRun) {
  Site site;
  // RIP 2's spool folder is a file; RIP 1's mono folder does not exist.
  std::filesystem::remove_all(site.Spool(2));
  WriteFile(site.Spool(2), "not a folder");
  MonoPagesDb db;
  site.rt.settings.Update([&](core::SettingsStore& s) {
    s.Spoolers[0].UseDatabase = 1;
    s.Spoolers[0].NameConv = "%P-%N";
    s.Spoolers[0].MonoFolder[0] = 1;
    s.Spoolers[0].RipSpoolMono[0] = site.dir.path() + "\\rip1\\mono";
  });
  site.scanner =
      std::make_unique<InputScanner>(site.rt, site.waiting, site.ripQueues, db, site.pdf);
  site.Drop("A-1.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / "in/A-1.ps")) << "the page waits";
  std::string log = ReadFile(site.dir / "Vellora.log");
  EXPECT_EQ(Occurrences(log, "WARNING: "), 2) << log;
  EXPECT_EQ(Occurrences(log, "WARNING: Spool folder " + site.dir.path() +
                                 "\\rip2\\spool of RIP2 for setup News cannot be used: it is "
                                 "not a folder\r\n"),
            1)
      << log;
  EXPECT_EQ(Occurrences(log, "WARNING: Mono folder " + site.dir.path() +
                                 "\\rip1\\mono of RIP1 for setup News cannot be used: it does "
                                 "not exist\r\n"),
            1)
      << log;
  // Once the folder is there the page goes; nothing more is said.
  test::MakeDirs(site.dir / "rip1/mono");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / "rip1/mono/A-1.ps")) << ReadFile(site.dir / "Vellora.log");
  EXPECT_EQ(Occurrences(ReadFile(site.dir / "Vellora.log"), "WARNING: "), 2);
}

TEST(InputScanner, AReadOnlyInputFolderOnAnotherFileSystemDeliversNothing) {
  // The copy could be made, the source could not be removed: delivered, the page
  // would be printed again on every pass, by every RIP in turn.
  Site site;
  TempDir shm("/dev/shm");
  test::MakeDirs(shm / "in");
  WriteFile(shm / "in/page.ps", "%!PS page\n");
  site.rt.settings.Update([&](core::SettingsStore& s) { s.Spoolers[0].InputSpool = shm / "in"; });
  site.Start();
  {
    // The superuser may remove entries from any folder that is not immutable.
    int fd = open((shm / "in").c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool immutable = false;
    if (geteuid() == 0) {
      ASSERT_GE(fd, 0);
      ASSERT_EQ(ioctl(fd, FS_IOC_GETFLAGS, &flags), 0);
      int on = flags | FS_IMMUTABLE_FL;
      immutable = ioctl(fd, FS_IOC_SETFLAGS, &on) == 0;
      if (!immutable) GTEST_SKIP() << "cannot make a folder immutable here";
    } else {
      ASSERT_EQ(chmod((shm / "in").c_str(), 0555), 0);
    }
    for (int pass = 0; pass < 3; ++pass) ASSERT_TRUE(site.scanner->RunPass());
    if (immutable) ioctl(fd, FS_IOC_SETFLAGS, &flags);
    if (fd >= 0) close(fd);
    chmod((shm / "in").c_str(), 0755);
  }
  EXPECT_EQ(FilesIn(site.Spool(1)) + FilesIn(site.Spool(2)), 0) << "not one copy is delivered";
  EXPECT_EQ(ReadFile(shm / "in/page.ps"), "%!PS page\n");
  EXPECT_EQ(site.display.Count("ErrorText 1 Error moving file!!"), 3);
  std::string log = ReadFile(site.dir / "Vellora.log");
  EXPECT_NE(log.find("ERROR: Cannot move " + shm / "in\\page.ps to " + site.dir.path() +
                     "\\rip1\\spool\\page.ps: cannot remove the source from " + shm / "in"),
            std::string::npos)
      << log;
  // Writable again, it goes, once.
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(FilesIn(site.Spool(1)) + FilesIn(site.Spool(2)), 1);
  EXPECT_FALSE(Exists(shm / "in/page.ps"));
}

TEST(InputScanner, ALinkInTheInputFolderDeliversThePageAndALineBreakInANameStaysInItsLine) {
  Site site;
  site.rt.settings.Update([](core::SettingsStore& s) { s.Rips[1].UseRIP = 0; });
  site.Start();
  test::MakeDirs(site.dir / "store");
  WriteFile(site.dir / "store/page.ps", "%!PS linked page\n");
  std::filesystem::create_symlink("../store/page.ps", site.dir / "in/linked.ps");
  site.Drop("two\nlines.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_FALSE(std::filesystem::is_symlink(site.Spool(1) + "/linked.ps"));
  EXPECT_EQ(ReadFile(site.Spool(1) + "/linked.ps"), "%!PS linked page\n");
  EXPECT_FALSE(std::filesystem::is_symlink(site.dir / "in/linked.ps"));
  EXPECT_EQ(ReadFile(site.dir / "store/page.ps"), "%!PS linked page\n") << "the target stays";
  EXPECT_TRUE(Exists(site.Spool(1) + "/two\nlines.ps"));
  std::string log = ReadFile(site.dir / "Vellora.log");
  EXPECT_NE(log.find("] DEBUG: name found two\\nlines.ps\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("two\nlines"), std::string::npos);
}

TEST(InputScanner, UnixPathSeparatorJoinsTheSourceWithASlash) {
  Site site;
  site.rt.settings.Update([&](core::SettingsStore& s) {
    s.UnixPathSeparator = 1;
    s.Rips[1].UseRIP = 0;
  });
  site.Start();
  site.Drop("unix.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  std::string log = ReadFile(site.dir / "Vellora.log");
  EXPECT_NE(log.find("Final source path=" + site.dir.path() + "\\in/unix.ps\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Final dest path=" + site.dir.path() + "\\rip1\\spool\\unix.ps\r\n"),
            std::string::npos);
  EXPECT_TRUE(Exists(site.Spool(1) + "/unix.ps"));
}

TEST(InputScanner, AFileStillBeingWrittenIsDeliveredOnlyWhenComplete) {
  Site site;
  site.Start();
  site.Drop("growing.ps", "%!PS partial");
  {
    test::HoldOpen writer(site.dir / "in/growing.ps", O_WRONLY | O_APPEND);
    ASSERT_TRUE(writer.ok());
    ASSERT_TRUE(site.scanner->RunPass());
    EXPECT_TRUE(Exists(site.dir / "in/growing.ps"));
    EXPECT_TRUE(site.waiting.Rows().empty()) << "not even listed while held open";
  }
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_FALSE(Exists(site.dir / "in/growing.ps"));
}

TEST(InputScanner, ArchiveCopyAndAnInputNamedLikeAShellCommand) {
  Site site;
  site.rt.settings.Update([&](core::SettingsStore& s) {
    s.Rips[1].UseRIP = 0;
    s.Spoolers[0].ArchivePdf = 1;
    s.Spoolers[0].PdfArchive = site.dir.path() + "\\archive";
  });
  test::MakeDirs(site.dir / "archive");
  site.Start();
  std::string evil = "$(touch pwned); rm -rf x `id`.ps";
  site.Drop(evil, "payload");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(ReadFile(site.Spool(1) + "/" + evil), "payload");
  EXPECT_EQ(ReadFile(site.dir / ("archive/" + evil)), "payload");
  EXPECT_FALSE(Exists(site.dir / "pwned"));
}

TEST(InputScanner, FaultsOnTheWayLoseNothing) {
  Site site;
  site.Start();
  // A spool folder that disappears: that RIP is no longer chosen.
  std::filesystem::remove_all(site.Spool(1));
  site.Drop("a.ps");
  site.Drop("b.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(FilesIn(site.Spool(2)), 2);
  // Both gone: the jobs stay where they are, queued.
  std::filesystem::remove_all(site.Spool(2));
  site.Drop("c.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / "in/c.ps"));
  EXPECT_EQ(site.waiting.Rows().size(), 1u);

  // A file someone else removes after the listing fails the stable-time check.
  test::MakeDirs(site.Spool(1));
  site.rt.settings.Update([](core::SettingsStore& s) { s.StableTime = 1; });
  site.display.onCaption = [&](const std::string& c) {
    if (c == "Stable time check..") std::filesystem::remove(site.dir / "in/c.ps");
  };
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_FALSE(Exists(site.Spool(1) + "/c.ps"));
  EXPECT_NE(
      ReadFile(site.dir / "Vellora.log").find("DEBUG: Stable time check failed - retrying..\r\n"),
      std::string::npos);
}

TEST(InputScanner, AFullSpoolFileSystemLeavesTheJobWhole) {
  Site site;
  std::string small = site.dir / "small";
  test::MakeDirs(small);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
  }
  site.rt.settings.Update([&](core::SettingsStore& s) {
    s.Rips[1].UseRIP = 0;
    s.Spoolers[0].RipSpool[0] = small;
  });
  site.Start();
  std::string big(1024 * 1024, 'P');
  site.Drop("big.ps", big);
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(site.display.Has("ErrorText 1 Error moving file!!"));
  EXPECT_EQ(ReadFile(site.dir / "in/big.ps"), big) << "the source is untouched";
  int inSmall = 0;
  for (auto& e : std::filesystem::directory_iterator(small)) {
    (void)e;
    ++inSmall;
  }
  EXPECT_EQ(inSmall, 0) << "no partial file, not even a temporary";
  umount(small.c_str());
}

}  // namespace
}  // namespace vellora::intake
