// vellora-headless identifying pages in the production plan (PostgreSQL through
// psqlODBC) and delivering them to a ripsim RIP: page-format subfolders, mono folders,
// unknown pages held and deleted, the plan's priorities, the external status, the
// retry a year earlier, the registration, a database that stops in the middle of a
// run, a missing page-format folder, a broken database, and a PDF scaled to its
// planned page format.
#include <signal.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "db/test_database.h"
#include "intake/pdf_files.h"
#include "platform/clock.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;
using test::Exists;
using test::ReadFile;
using test::WaitFor;
using test::WriteFile;

// One RIP (ripsim over the spool and the mono folder) and the setup "News" that looks
// its pages up, named like ABC-310105-01.ps; a second setup "Late" (in2) that deletes
// pages unknown to the plan.
struct PlanSite {
  test::TempDir dir;
  std::string in = dir / "in", in2 = dir / "in2", sw = dir / "sw", spool = dir / "spool",
              mono = dir / "mono";
  const std::string ripName = test::UniqueName("Plate ");
  std::map<std::string, std::string> env;
  int maxOutstanding = 1;
  test::ChildProcess rip, vellora;

  PlanSite() {
    for (const std::string& d : {in, in2, sw, spool, mono}) test::MakeDirs(d);
    test::MakeDirs(spool + "/A43mmR");
    test::MakeDirs(mono + "/A43mmR");
    env = {{"VELLORA_TIME_SCALE", "0.02"}};
  }
  ~PlanSite() {
    Stop();
    rip.Signal(SIGTERM);
    rip.Wait(5000);
  }

  // Keys of both setups, "#" standing for the setup's number.
  std::string Ini(const std::string& dsn, const std::string& password,
                  const std::string& more = "") const {
    std::string setup =
        "NameConv#=%P-%D-%N.%X\r\nSeparators#=-.\r\nDateFormat#=DDMMYY\r\n"
        "DefaultEdition#=MAIN\r\nDefaultSection#=A\r\nUseDatabase#=1\r\n"
        "DatabaseTemplate#=1\r\nMonoFolder1_#=1\r\nEnable#=1\r\n";
    auto numbered = [&](int m) {
      std::string out;
      for (char c : setup) out += c == '#' ? std::to_string(m) : std::string(1, c);
      return out;
    };
    return "[Setup]\r\nLogging=1\r\nDSN=" + dsn + "\r\nDSNuser=vellora\r\nDSNpw=" + password +
           "\r\nStableTime=0\r\nMaxOutstandingJobs=" + std::to_string(maxOutstanding) +
           "\r\nNumberOfSpoolers=2\r\nUseRIP1=1\r\n"
           "RipComputer1=" +
           ripName + "\r\nRIP1swPath=" + sw + "\r\nSetupName1=News\r\nInputSpool1=" + in +
           "\r\nRIP1Spool1=" + spool + "\r\nRIP1SpoolMono1=" + mono + "\r\nHoldUnknownJobs1=1\r\n" +
           numbered(1) + "SetupName2=Late\r\nInputSpool2=" + in2 + "\r\nRIP1Spool2=" + spool +
           "\r\nRIP1SpoolMono2=" + mono + "\r\nDeleteUnknownJobs2=1\r\n" + numbered(2) + more;
  }
  void WriteIni(const std::string& more = "") {
    WriteFile(dir / "Vellora.ini", Ini(test::kMainDsn, test::TestDbPassword(), more));
  }
  bool StartRip(const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"--sw",     sw,   "--spool",   spool, "--spool", mono,
                                     "--rip-ms", "50", "--poll-ms", "20",  "--quiet"};
    args.insert(args.end(), more.begin(), more.end());
    return rip.Start(test::Ripsim(), args, dir / "ripsim.txt") &&
           test::WaitForRipsimStarted(sw);
  }
  bool StartVellora() {
    return vellora.Start(test::Headless(), {"--dir", dir.path()}, dir / "console.txt", env);
  }
  void Stop() {
    if (!vellora.Running()) return;
    vellora.Signal(SIGTERM);
    EXPECT_EQ(vellora.Wait(10000), 0);
  }
  static void Drop(const std::string& folder, const std::string& name,
                   const std::string& content = "") {
    WriteFile(folder + "/." + name, content.empty() ? "%!PS " + name + "\n" : content);
    fs::rename(folder + "/." + name, folder + "/" + name);
  }
  std::string Console() const {
    return Exists(dir / "console.txt") ? ReadFile(dir / "console.txt") : "";
  }
  std::string Log() const {
    return Exists(dir / "Vellora.log") ? ReadFile(dir / "Vellora.log") : "";
  }
  std::string RipLog() const { return Exists(sw + "/Logfile") ? ReadFile(sw + "/Logfile") : ""; }
  // The RIP took the file from this path (spool or mono folder, subfolder and name).
  bool Ripped(const std::string& path) const {
    return RipLog().find("Ripping file " + path + "\r\n") != std::string::npos;
  }
  std::string Everything() const {
    return "console:\n" + Console() + "\nprogram log:\n" + Log() + "\nRIP log:\n" + RipLog();
  }
};

TEST(PlanDispatch, PagesGoWhereThePlanSaysUnknownOnesAreHeldOrDeleted) {
  ASSERT_TRUE(test::UseTestDatabase());
  PlanSite site;
  const std::string quoted = "Q'" + std::to_string(test::UniqueNumber());
  ASSERT_EQ(test::RunSql("INSERT INTO InputAliases VALUES ('Publication', 'Q''" + quoted.substr(2) +
                         "', 'ABC')"),
            "");
  site.WriteIni();
  ASSERT_TRUE(site.StartRip());
  PlanSite::Drop(site.in, "ABC-310105-01.ps");        // colour
  PlanSite::Drop(site.in, "ABC-310105-02.ps");        // monochrome
  PlanSite::Drop(site.in, quoted + "-310105-03.ps");  // colour, its name holds a quote
  PlanSite::Drop(site.in, "ABC-310105-99.ps");        // unknown: held
  PlanSite::Drop(site.in2, "ABC-310105-98.ps");       // unknown: deleted
  ASSERT_TRUE(site.StartVellora());
  ASSERT_TRUE(WaitFor(
      [&] {
        return site.Ripped(site.spool + "/A43mmR/ABC-310105-01.ps") &&
               site.Ripped(site.mono + "/A43mmR/ABC-310105-02.ps") &&
               site.Ripped(site.spool + "/A43mmR/" + quoted + "-310105-03.ps") &&
               !Exists(site.in2 + "/ABC-310105-98.ps");
      },
      60000))
      << site.Everything();
  // The held page is looked up again on every pass and stays.
  ASSERT_TRUE(WaitFor(
      [&] {
        const std::string log = site.Log();
        size_t n = 0;
        for (size_t at = 0;
             (at = log.find("Looking up job (ABC-310105-99.ps)", at)) != std::string::npos; ++at)
          ++n;
        return n >= 3;
      },
      30000));
  EXPECT_TRUE(Exists(site.in + "/ABC-310105-99.ps"));
  EXPECT_EQ(site.RipLog().find("ABC-310105-99.ps"), std::string::npos);
  EXPECT_EQ(site.RipLog().find("ABC-310105-98.ps"), std::string::npos);
  // The RIP is registered as a process of kind 10.
  EXPECT_NE(test::RunSql("SELECT ProcessID FROM ProcessConfigurations WHERE ProcessType=10 AND "
                         "ProcessName='" +
                         site.ripName + "'"),
            "");
  site.Stop();
}

TEST(PlanDispatch, TheEarlyLookupDeliversByThePlansPriorities) {
  ASSERT_TRUE(test::UseTestDatabase());
  PlanSite site;
  // Room for all four, and a RIP that takes nothing: one walk of the queue delivers
  // every page, so the order of the deliveries is the order of the queue. (A RIP that
  // frees room while the walk skips a job lets a later job past it, as it should when
  // spoolers feed different RIPs; the order would then depend on the RIP's timing.)
  site.maxOutstanding = 4;
  site.WriteIni("OrderByDatabasePriority=1\r\nForceOpenInputs=1\r\n");
  ASSERT_TRUE(site.StartRip({"--paused"}));
  // All there before the first pass; the plan's priorities are 50 (page 4, and the
  // spooler's 1 x 50), 55 (page 2) and 60 (page 1).
  for (const char* name :
       {"ABC-310105-04.ps", "ABC-310105-03.ps", "ABC-310105-02.ps", "ABC-310105-01.ps"}) {
    PlanSite::Drop(site.in, name);
  }
  ASSERT_TRUE(site.StartVellora());
  auto dest = [&](const std::string& folder, const std::string& name) {
    return "DEBUG: Final dest path=" + folder + "\\A43mmR\\" + name + "\r\n";
  };
  ASSERT_TRUE(WaitFor(
      [&] {
        return Exists(site.spool + "/A43mmR/ABC-310105-03.ps") &&
               Exists(site.mono + "/A43mmR/ABC-310105-04.ps");
      },
      60000))
      << site.Everything();
  const std::string log = site.Log();
  const size_t first = log.find(dest(site.spool, "ABC-310105-01.ps"));
  const size_t second = log.find(dest(site.mono, "ABC-310105-02.ps"));
  const size_t third = log.find(dest(site.spool, "ABC-310105-03.ps"));
  const size_t fourth = log.find(dest(site.mono, "ABC-310105-04.ps"));
  ASSERT_NE(first, std::string::npos) << log;
  ASSERT_NE(second, std::string::npos) << log;
  ASSERT_NE(third, std::string::npos) << log;
  ASSERT_NE(fourth, std::string::npos) << log;
  EXPECT_LT(first, second) << log;
  // Pages 3 and 4 share priority 50; between them the arrival time decides.
  EXPECT_LT(second, third) << log;
  EXPECT_LT(second, fourth) << log;
  const std::string console = site.Console();
  EXPECT_NE(console.find("waiting: ABC-310105-01.ps (News, "), std::string::npos) << console;
  EXPECT_NE(console.find(", prio 60)"), std::string::npos) << console;
  EXPECT_NE(console.find(", prio 55)"), std::string::npos) << console;
  site.Stop();
}

// A publication and a page of the test's own, so that no other test changes them.
struct OwnPage {
  int id = test::UniqueNumber();
  std::string pub = "U" + std::to_string(id);
  // Adds the page (four separations) on a local date "YYYY-MM-DD".
  bool Add(const std::string& date) const {
    const std::string set = std::to_string(id);
    if (test::RunSql("INSERT INTO PublicationNames VALUES (" + set + ", '" + pub +
                     "', 1, 0, 0, 0, 0, 0)") != "")
      return false;
    for (int color = 1; color <= 4; ++color) {
      if (test::RunSql("INSERT INTO PageTable VALUES (" + set + ", " + std::to_string(color) +
                       ", " + set + ", '" + date + "', 50, 1, 1, 1, 0, NULL, 1, 1, '1', 5, 77)") !=
          "")
        return false;
    }
    return true;
  }
  std::string Status() const {
    return test::RunSql(
        "SELECT DISTINCT Externalstatus FROM PageTable WHERE "
        "MasterCopySeparationSet=" +
        std::to_string(id));
  }
};

std::string Ymd(int64_t t, const char* format = "%.4d-%.2d-%.2d") {
  const platform::LocalTime l = platform::ToLocal(t);
  char buf[32];
  std::snprintf(buf, sizeof buf, format, l.year, l.month, l.day);
  return buf;
}

TEST(PlanDispatch, TheExternalStatusFollowsUpdateStatus) {
  ASSERT_TRUE(test::UseTestDatabase());
  OwnPage page;
  ASSERT_TRUE(page.Add("2005-01-31"));
  for (const auto& [updateStatus, expected] :
       std::vector<std::pair<int, std::string>>{{1, "3"}, {0, "0"}}) {
    PlanSite site;
    site.WriteIni("RipUpdateStatus=1\r\nRipStatusValue=3\r\nUpdateStatus=" +
                  std::to_string(updateStatus) + "\r\n");
    ASSERT_TRUE(site.StartRip());
    const std::string name = page.pub + "-310105-1.ps";
    PlanSite::Drop(site.in, name);
    ASSERT_TRUE(site.StartVellora());
    ASSERT_TRUE(WaitFor([&] { return site.Ripped(site.spool + "/A43mmR/" + name); }, 60000))
        << site.Everything();
    EXPECT_EQ(page.Status(), expected) << "UpdateStatus " << updateStatus;
    site.Stop();
  }
}

TEST(PlanDispatch, ADateWithoutAYearIsFoundAYearEarlier) {
  ASSERT_TRUE(test::UseTestDatabase());
  // A day ten days away, which the name gives without its year (a day midnight cannot
  // move during the test): that day first, then the same day a year earlier, where the
  // page is planned.
  const platform::LocalTime today = platform::ToLocal(platform::NowEpochSeconds());
  int64_t ahead = platform::MakeLocalTime(today.year, today.month, today.day + 10, 0, 0, 0).value();
  if (platform::ToLocal(ahead).year != today.year) {
    // A name without a year is read in this year: near its end, take a day before.
    ahead = platform::MakeLocalTime(today.year, today.month, today.day - 10, 0, 0, 0).value();
  }
  const platform::LocalTime day = platform::ToLocal(ahead);
  const int64_t earlier =
      platform::MakeLocalTime(day.year - 1, day.month, day.day, 0, 0, 0).value();
  OwnPage page;
  ASSERT_TRUE(page.Add(Ymd(earlier)));
  PlanSite site;
  site.WriteIni(
      "DateFormat1=DDMM\r\nArchivePdf1=1\r\nArchivePdfPerPublication1=1\r\n"
      "PdfArchive1=" +
      site.dir / "archive" + "\r\n");
  test::MakeDirs(site.dir / "archive");
  ASSERT_TRUE(site.StartRip());
  char ddmm[8];
  std::snprintf(ddmm, sizeof ddmm, "%.2d%.2d", day.day, day.month);
  const std::string name = page.pub + "-" + ddmm + "-1.ps";
  PlanSite::Drop(site.in, name);
  ASSERT_TRUE(site.StartVellora());
  ASSERT_TRUE(WaitFor([&] { return site.Ripped(site.spool + "/A43mmR/" + name); }, 60000))
      << site.Everything();
  EXPECT_NE(site.Log().find("No hit on pubdate " + Ymd(ahead, "%3$.2d.%2$.2d.%1$.2d") +
                            " - trying " + Ymd(earlier, "%3$.2d.%2$.2d.%1$.2d")),
            std::string::npos)
      << site.Log();
  // The archive key keeps the date of the name.
  EXPECT_TRUE(
      Exists(site.dir / ("archive/" + page.pub + "-" + Ymd(ahead, "%.4d%.2d%.2d") + "/" + name)))
      << site.Everything();
  site.Stop();
}

TEST(PlanDispatch, ADatabaseThatStopsMidRunDeletesNothing) {
  ASSERT_TRUE(test::UseTestDatabase());
  test::PrivateTestDatabase db;
  ASSERT_TRUE(db.Started());
  PlanSite site;
  for (const auto& [k, v] : db.Env()) site.env[k] = v;
  WriteFile(site.dir / "Vellora.ini", site.Ini(test::kMainDsn, db.Password()));
  ASSERT_TRUE(site.StartRip());
  ASSERT_TRUE(site.StartVellora());
  PlanSite::Drop(site.in2, "ABC-310105-01.ps");
  ASSERT_TRUE(WaitFor([&] { return site.Ripped(site.spool + "/A43mmR/ABC-310105-01.ps"); }, 60000))
      << site.Everything();

  ASSERT_TRUE(db.Pause());
  // Unknown to the plan, in the setup that deletes unknown pages: with no database
  // to say so, it is delivered as without one.
  PlanSite::Drop(site.in2, "ABC-310105-97.ps");
  ASSERT_TRUE(WaitFor([&] { return site.Ripped(site.spool + "/ABC-310105-97.ps"); }, 60000))
      << site.Everything();
  EXPECT_NE(site.Log().find("WARNING: The production database does not answer; jobs are "
                            "delivered without identification until it answers again"),
            std::string::npos);
  // Intake goes on and the connection is tried on every pass.
  ASSERT_TRUE(WaitFor(
      [&] {
        return site.Log().find("ERROR: Cannot connect to the production database: ") !=
               std::string::npos;
      },
      30000))
      << site.Everything();
  PlanSite::Drop(site.in2, "ABC-310105-02.ps");
  ASSERT_TRUE(WaitFor([&] { return site.Ripped(site.spool + "/ABC-310105-02.ps"); }, 60000))
      << site.Everything();

  ASSERT_TRUE(db.Resume());
  ASSERT_TRUE(WaitFor(
      [&] {
        return site.Log().find("INFO: Connected to the production database (VelloraTest)") !=
               std::string::npos;
      },
      60000))
      << site.Everything();
  PlanSite::Drop(site.in2, "ABC-310105-96.ps");
  PlanSite::Drop(site.in2, "ABC-310105-03.ps");
  ASSERT_TRUE(WaitFor(
      [&] {
        return !Exists(site.in2 + "/ABC-310105-96.ps") &&
               site.Ripped(site.spool + "/A43mmR/ABC-310105-03.ps");
      },
      60000))
      << site.Everything();
  EXPECT_EQ(site.RipLog().find("ABC-310105-96.ps"), std::string::npos) << "deleted as unknown";
  EXPECT_NE(site.Log().find("INFO: The production database answers again; jobs are identified "
                            "again"),
            std::string::npos);
  site.Stop();
}

TEST(PlanDispatch, AMissingPageFormatFolderLeavesThePageUntilItIsThere) {
  ASSERT_TRUE(test::UseTestDatabase());
  PlanSite site;
  fs::remove_all(site.spool + "/A43mmR");
  site.WriteIni();
  ASSERT_TRUE(site.StartRip());
  PlanSite::Drop(site.in, "ABC-310105-01.ps");
  ASSERT_TRUE(site.StartVellora());
  ASSERT_TRUE(WaitFor(
      [&] { return site.Console().find("ERROR STATE: Error moving file!!") != std::string::npos; },
      60000))
      << site.Everything();
  EXPECT_TRUE(Exists(site.in + "/ABC-310105-01.ps")) << "the file stays";
  EXPECT_NE(site.Log().find("ERROR: Cannot move " + site.in + "\\ABC-310105-01.ps to " +
                            site.spool + "\\A43mmR\\ABC-310105-01.ps"),
            std::string::npos)
      << site.Log();
  test::MakeDirs(site.spool + "/A43mmR");
  ASSERT_TRUE(WaitFor([&] { return site.Ripped(site.spool + "/A43mmR/ABC-310105-01.ps"); }, 60000))
      << site.Everything();
  site.Stop();
}

TEST(PlanDispatch, ABrokenDatabaseRegistersNothingAndJudgesNothing) {
  ASSERT_TRUE(test::UseTestDatabase());
  PlanSite site;
  WriteFile(site.dir / "Vellora.ini", site.Ini(test::kBrokenDsn, test::TestDbPassword()));
  ASSERT_TRUE(site.StartRip());
  PlanSite::Drop(site.in2, "ABC-310105-01.ps");
  ASSERT_TRUE(site.StartVellora());
  ASSERT_TRUE(WaitFor([&] { return site.Ripped(site.spool + "/ABC-310105-01.ps"); }, 60000))
      << site.Everything();
  EXPECT_NE(site.Log().find("Looking up job (ABC-310105-01.ps): ERROR - the name lists are not "
                            "loaded, job not identified"),
            std::string::npos)
      << site.Log();
  site.Stop();
}

TEST(PlanDispatch, APdfIsScaledToThePlannedPageFormat) {
  ASSERT_TRUE(test::UseTestDatabase());
  PlanSite site;
  site.WriteIni("AllowScaling=1\r\nScalePdf1=1\r\n");
  ASSERT_TRUE(site.StartRip());
  // An A4 page; the plan's page format A4+3mm/R is 210 x 297 mm with a bleed of 3 mm.
  const std::string a4 = test::MakePdf({test::TestPage("0 0 595.276 841.89")}, "1.4");
  PlanSite::Drop(site.in, "ABC-310105-01.pdf", a4);
  ASSERT_TRUE(site.StartVellora());
  ASSERT_TRUE(WaitFor([&] { return site.Ripped(site.spool + "/A43mmR/ABC-310105-01.pdf"); }, 60000))
      << site.Everything();
  const std::string ripped = site.sw + "/processed/ABC-310105-01.pdf";
  ASSERT_TRUE(WaitFor([&] { return Exists(ripped); }, 20000));
  // 216 x 303 mm.
  EXPECT_EQ(test::PdfInfo(ripped, "Page size"), "612.283 x 858.898 pts") << site.Everything();
  EXPECT_EQ(test::PdfInfo(ripped, "Author"), "Vellora");
  EXPECT_EQ(test::QpdfCheckProblems(ripped), "");
  EXPECT_EQ(site.Console().find("ERROR STATE"), std::string::npos) << site.Console();
  site.Stop();
}

}  // namespace
}  // namespace vellora
