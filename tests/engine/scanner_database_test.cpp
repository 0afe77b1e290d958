// The scanner's database steps on the test plan (PostgreSQL through psqlODBC), in
// this process with the production database port: the connection step with the name
// lists, the RIP registration and the name manager; identification, the page-format
// subfolder, the mono folder, unknown jobs held and deleted; the early lookup and its
// priorities; the external status; a connection the server drops in the middle of a
// run; the database dialog's test and the after-OK connection.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/test_database.h"
#include "engine/engine.h"
#include "engine/production_database.h"
#include "engine/unconnected.h"
#include "intake/input_scanner.h"
#include "platform/clock.h"
#include "support/child_process.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace vellora::engine {
namespace {

using test::Exists;
using test::ReadFile;
using test::WriteFile;

int FilesIn(const std::string& dir) {
  int n = 0;
  if (!std::filesystem::exists(dir)) return 0;
  for (auto& e : std::filesystem::recursive_directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

int Occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

// One RIP with a spool folder (and a mono folder) for one spooler "News" that looks
// its pages up in the test plan; names like ABC-310105-01.ps.
struct Site {
  test::TempDir dir;
  test::RecordingDisplay display;
  platform::Pacer pacer{0};
  core::SharedState shared;
  core::Runtime rt{display, pacer, dir.path(), shared};
  intake::WaitingJobs waiting{display};
  intake::RipQueues ripQueues{rt};
  std::unique_ptr<ProductionDatabase> db;
  NoPdfRewriter pdf;
  std::unique_ptr<intake::InputScanner> scanner;
  const std::string ripName = test::UniqueName("Plate ");

  explicit Site(const char* dsn = test::kMainDsn) {
    EXPECT_TRUE(test::UseTestDatabase());
    for (const char* d : {"in", "rip1/sw", "rip1/spool/A43mmR", "rip1/mono/A43mmR", "archive"})
      test::MakeDirs(dir / d);
    rt.logs.Configure(dir.path(), true, true);
    rt.settings.Update([&](core::SettingsStore& s) {
      s.DSN = dsn;
      s.DSNuser = test::kDbUser;
      s.DSNpw = test::TestDbPassword();
      s.StableTime = 0;
      s.MaxOutstandingJobs = 100;
      s.NumberOfSpoolers = 1;
      s.Rips[0].UseRIP = 1;
      s.Rips[0].RIPName = ripName;
      s.Rips[0].RIPswPath = dir / "rip1/sw";
      core::Spooler& sp = s.Spoolers[0];
      sp.InputSpool = dir / "in";
      sp.Enable = 1;
      sp.SetupName = "News";
      sp.UseDatabase = 1;
      sp.NameConv = "%P-%D-%N.%X";
      sp.Separators = "-.";
      sp.DateFormat = "DDMMYY";
      sp.DefaultEdition = "MAIN";
      sp.DefaultSection = "A";
      sp.DatabaseTemplate = 1;
      sp.RipSpool[0] = dir / "rip1/spool";
      sp.MonoFolder[0] = 1;
      sp.RipSpoolMono[0] = dir / "rip1/mono";
      sp.PdfArchive = dir / "archive";
    });
    rt.rips[0].Tracking = 1;
  }
  void Start(identify::Clock clock = identify::SystemClock()) {
    db = std::make_unique<ProductionDatabase>(shared, std::move(clock));
    scanner = std::make_unique<intake::InputScanner>(rt, waiting, ripQueues, *db, pdf);
  }
  void Spooler(const std::function<void(core::Spooler&)>& change) {
    rt.settings.Update([&](core::SettingsStore& s) { change(s.Spoolers[0]); });
  }
  void Drop(const std::string& name) { WriteFile(dir / ("in/" + name), "%!PS " + name + "\n"); }
  std::string Log() const {
    return Exists(dir / "Vellora.log") ? ReadFile(dir / "Vellora.log") : "";
  }
  std::vector<std::string> Waiting() const {
    std::vector<std::string> out;
    for (const core::WaitingRow& r : waiting.Rows())
      out.push_back(r.job + ":" + std::to_string(r.prio));
    return out;
  }
};

TEST(ScannerDatabase, PagesGoWhereThePlanSaysAndUnknownOnesAreHeldThenDeleted) {
  Site site;
  // A short name that holds a quote, of this test's own.
  const std::string quoted = "Q'" + std::to_string(test::UniqueNumber());
  ASSERT_EQ(test::RunSql("INSERT INTO InputAliases VALUES ('Publication', 'Q''" + quoted.substr(2) +
                         "', 'ABC')"),
            "");
  site.Spooler([](core::Spooler& sp) { sp.HoldUnknownJobs = 1; });
  site.Start();
  site.Drop("ABC-310105-01.ps");  // four separations: colour
  site.Drop("ABC-310105-02.ps");  // black only: monochrome
  site.Drop("ABC-310105-99.ps");  // not in the plan
  site.Drop(quoted + "-310105-03.ps");
  ASSERT_TRUE(site.scanner->RunPass());

  EXPECT_TRUE(site.db->Connected());
  EXPECT_TRUE(site.db->NamesLoaded());
  EXPECT_TRUE(Exists(site.dir / "rip1/spool/A43mmR/ABC-310105-01.ps")) << site.Log();
  EXPECT_TRUE(Exists(site.dir / "rip1/mono/A43mmR/ABC-310105-02.ps")) << site.Log();
  EXPECT_TRUE(Exists(site.dir / ("rip1/spool/A43mmR/" + quoted + "-310105-03.ps"))) << site.Log();
  EXPECT_TRUE(Exists(site.dir / "in/ABC-310105-99.ps")) << "held";
  EXPECT_EQ(site.Waiting(), std::vector<std::string>{"ABC-310105-99.ps:50"});
  EXPECT_NE(site.Log().find(" Job is color page (mastercopyseparationset 101 - PublicationID 1)"),
            std::string::npos);

  // The RIP is registered and its process id kept.
  const int processId = site.rt.rips[0].ProcessId;
  EXPECT_GT(processId, 0);
  EXPECT_EQ(test::RunSql("SELECT ProcessID FROM ProcessConfigurations WHERE ProcessType=10 AND "
                         "ProcessName='" +
                         site.ripName + "'"),
            std::to_string(processId));

  // Held again on the next pass, then deleted once the setup says so.
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / "in/ABC-310105-99.ps"));
  site.Spooler([](core::Spooler& sp) {
    sp.HoldUnknownJobs = 0;
    sp.DeleteUnknownJobs = 1;
  });
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_FALSE(Exists(site.dir / "in/ABC-310105-99.ps")) << "deleted";
  EXPECT_TRUE(site.waiting.Rows().empty());
  EXPECT_EQ(FilesIn(site.dir / "rip1"), 3) << "nothing else was delivered";

  // A monochrome page goes to the spool folder when the mono folder is not in use.
  site.Spooler([](core::Spooler& sp) { sp.MonoFolder[0] = 0; });
  site.Drop("ABC-310105-04.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / "rip1/spool/A43mmR/ABC-310105-04.ps")) << site.Log();
}

TEST(ScannerDatabase, TheEarlyLookupOrdersByThePlansPrioritiesAndItsResultIsKept) {
  Site site;
  site.rt.settings.Update([](core::SettingsStore& s) {
    s.OrderByDatabasePriority = 1;
    s.MaxOutstandingJobs = 1;
  });
  site.Spooler([](core::Spooler& sp) {
    sp.ArchivePdf = 1;
    sp.ArchivePdfPerPublication = 1;
  });
  site.Start();
  // The RIP is full: the queue is built and shown, nothing is delivered.
  WriteFile(site.dir / "rip1/spool/waiting.ps", "x");
  for (const char* name :
       {"ABC-310105-04.ps", "ABC-310105-99.ps", "ABC-310105-02.ps", "ABC-310105-01.ps"}) {
    site.Drop(name);
  }
  ASSERT_TRUE(site.scanner->RunPass());
  // Priorities of the plan: page 1 60, page 2 55, page 4 50; the unknown page keeps
  // the spooler's 1 x 50.
  const std::vector<std::string> rows = site.Waiting();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "ABC-310105-01.ps:60");
  EXPECT_EQ(rows[1], "ABC-310105-02.ps:55");
  EXPECT_EQ(Occurrences(site.Log(), "Looking up job (ABC-310105-02.ps)"), 1);

  // Once the RIP has room the monochrome page goes to the mono folder on the class
  // the early lookup found, without a second lookup, and its archive copy to the
  // publication's folder.
  std::filesystem::remove(site.dir / "rip1/spool/waiting.ps");
  site.rt.settings.Update([](core::SettingsStore& s) { s.MaxOutstandingJobs = 100; });
  site.Spooler([](core::Spooler& sp) { sp.HoldUnknownJobs = 1; });
  const size_t before = site.Log().size();
  ASSERT_TRUE(site.scanner->RunPass());
  const std::string pass = site.Log().substr(before);
  EXPECT_TRUE(Exists(site.dir / "rip1/mono/A43mmR/ABC-310105-02.ps")) << pass;
  EXPECT_TRUE(Exists(site.dir / "rip1/spool/A43mmR/ABC-310105-01.ps")) << pass;
  EXPECT_EQ(Occurrences(pass, "Looking up job (ABC-310105-02.ps)"), 1) << "early lookup only";
  EXPECT_EQ(Occurrences(pass, "Looking up job (ABC-310105-99.ps)"), 2)
      << "an unknown page is asked again before its delivery";
  EXPECT_TRUE(Exists(site.dir / "archive/ABC-20050131/ABC-310105-02.ps"));
  EXPECT_TRUE(Exists(site.dir / "archive/ABC-20050131/ABC-310105-01.ps"));
  EXPECT_TRUE(Exists(site.dir / "in/ABC-310105-99.ps"));
}

TEST(ScannerDatabase, TheExternalStatusFollowsUpdateStatus) {
  // A publication and a page of this test's own, there before the lists are loaded.
  const int id = test::UniqueNumber();
  const std::string pub = "U" + std::to_string(id);
  const std::string set = std::to_string(id);
  ASSERT_EQ(test::RunSql("INSERT INTO PublicationNames VALUES (" + set + ", '" + pub +
                         "', 1, 0, 0, 0, 0, 0)"),
            "");
  for (int color = 1; color <= 4; ++color) {
    ASSERT_EQ(test::RunSql("INSERT INTO PageTable VALUES (" + set + ", " + std::to_string(color) +
                           ", " + set + ", '2005-01-31', 50, 1, 1, 1, 0, NULL, 1, 1, '1', 5, 77)"),
              "");
  }
  const std::string status =
      "SELECT DISTINCT Externalstatus FROM PageTable WHERE MasterCopySeparationSet=" + set;
  Site site;
  site.rt.settings.Update([](core::SettingsStore& s) {
    s.RipUpdateStatus = 1;
    s.RipStatusValue = 3;
    s.UpdateStatus = 1;
  });
  site.Start();
  site.Drop(pub + "-310105-1.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / ("rip1/spool/A43mmR/" + pub + "-310105-1.ps"))) << site.Log();
  EXPECT_EQ(test::RunSql(status), "3") << "UpdateStatus 1 writes RipStatusValue";

  site.rt.settings.Update([](core::SettingsStore& s) { s.UpdateStatus = 0; });
  site.Drop(pub + "-310105-1.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_EQ(test::RunSql(status), "0") << "UpdateStatus 0 writes 0";
}

TEST(ScannerDatabase, ADateWithoutAYearIsFoundAYearEarlierAndArchivedUnderTheFirstDate) {
  Site site;
  site.Spooler([](core::Spooler& sp) {
    sp.DateFormat = "DDMM";
    sp.ArchivePdf = 1;
    sp.ArchivePdfPerPublication = 1;
  });
  site.Start(identify::FixedClock(platform::MakeLocalTime(2006, 1, 20, 12, 0, 0).value()));
  site.Drop("ABC-3101-01.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / "rip1/spool/A43mmR/ABC-3101-01.ps")) << site.Log();
  EXPECT_TRUE(Exists(site.dir / "archive/ABC-20060131/ABC-3101-01.ps"));
  EXPECT_NE(site.Log().find("No hit on pubdate 31.01.2006 - trying 31.01.2005"), std::string::npos);
}

TEST(ScannerDatabase, APageFormatFolderThatIsMissingLeavesThePage) {
  Site site;
  std::filesystem::remove_all(site.dir / "rip1/spool/A43mmR");
  site.Start();
  site.Drop("ABC-310105-01.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / "in/ABC-310105-01.ps")) << "the file stays";
  EXPECT_EQ(FilesIn(site.dir / "rip1"), 0);
  EXPECT_TRUE(site.display.Has("ErrorText 1 Error moving file!!"));
  EXPECT_NE(site.Log().find("DEBUG: Final dest path=" + site.dir.path() +
                            "/rip1/spool\\A43mmR\\ABC-310105-01.ps"),
            std::string::npos)
      << site.Log();
  // The default page format names a folder that is there.
  site.Spooler([](core::Spooler& sp) { sp.DefaultPageFormat = "Tabloid"; });
  test::MakeDirs(site.dir / "rip1/spool/Tabloid");
  site.Drop("ABC-310105-99.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / "rip1/spool/Tabloid/ABC-310105-99.ps")) << site.Log();
}

TEST(ScannerDatabase, AConnectionLostMidRunDeletesNothingAndIsMadeAgain) {
  Site site;
  site.Spooler([](core::Spooler& sp) { sp.DeleteUnknownJobs = 1; });
  site.Start();
  site.Drop("ABC-310105-01.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  ASSERT_TRUE(Exists(site.dir / "rip1/spool/A43mmR/ABC-310105-01.ps")) << site.Log();

  // The server drops the scanner's connection.
  std::vector<std::vector<std::string>> rows;
  std::string error;
  ASSERT_TRUE(site.db->MainDb().RunStatement("SELECT pg_backend_pid()", rows, error)) << error;
  ASSERT_EQ(test::RunSql("SELECT pg_terminate_backend(" + rows[0][0] + ")"), "1");
  site.Drop("ABC-310105-98.ps");  // unknown to the plan: would be deleted if judged
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(Exists(site.dir / "rip1/spool/ABC-310105-98.ps"))
      << "delivered as without a database: " << site.Log();
  EXPECT_EQ(Occurrences(site.Log(),
                        "WARNING: The production database does not answer; jobs are "
                        "delivered without identification until it answers "
                        "again"),
            1);
  EXPECT_NE(site.Log().find("Looking up job (ABC-310105-98.ps): ERROR - database not reachable, "
                            "job not identified ("),
            std::string::npos);

  // The next pass connects again, with the lists and the registration; the plan
  // judges again.
  site.Drop("ABC-310105-97.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_NE(site.Log().find("INFO: The production database answers again; jobs are identified "
                            "again"),
            std::string::npos);
  EXPECT_FALSE(Exists(site.dir / "in/ABC-310105-97.ps")) << "deleted as unknown";
  EXPECT_EQ(FilesIn(site.dir / "rip1"), 2);
}

TEST(ScannerDatabase, ABrokenDatabaseNeitherRegistersNorJudges) {
  Site site(test::kBrokenDsn);
  site.Spooler([](core::Spooler& sp) { sp.DeleteUnknownJobs = 1; });
  site.Start();
  site.Drop("ABC-310105-01.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_FALSE(site.db->NamesLoaded());
  // Its registration procedure returns a result without a row.
  EXPECT_LE(site.rt.rips[0].ProcessId, 0);
  EXPECT_TRUE(Exists(site.dir / "rip1/spool/ABC-310105-01.ps")) << site.Log();
  EXPECT_NE(site.Log().find("Looking up job (ABC-310105-01.ps): ERROR - the name lists are not "
                            "loaded, job not identified"),
            std::string::npos)
      << site.Log();
}

TEST(ScannerDatabase, ADatabaseSetUpWhileRunningIsConnectedAtTheNextPass) {
  Site site;
  site.rt.settings.Update([](core::SettingsStore& s) { s.DSN.clear(); });
  site.Start();
  site.Drop("ABC-310105-01.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_FALSE(site.db->Connected());
  EXPECT_TRUE(Exists(site.dir / "rip1/spool/ABC-310105-01.ps")) << "no database, no subfolder";
  site.rt.settings.Update([](core::SettingsStore& s) { s.DSN = test::kMainDsn; });
  site.Drop("ABC-310105-02.ps");
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_TRUE(site.db->Connected());
  EXPECT_GT(site.rt.rips[0].ProcessId, 0);
  EXPECT_TRUE(Exists(site.dir / "rip1/mono/A43mmR/ABC-310105-02.ps")) << site.Log();
  // Back to no database: the connection is closed.
  site.rt.settings.Update([](core::SettingsStore& s) { s.DSN.clear(); });
  ASSERT_TRUE(site.scanner->RunPass());
  EXPECT_FALSE(site.db->Connected());
}

TEST(ScannerDatabase, TheDatabaseDialogsTestAndOk) {
  ASSERT_TRUE(test::UseTestDatabase());
  test::TempDir dir;
  WriteFile(dir / "Vellora.ini", "[Setup]\r\nDSN=\r\nNumberOfSpoolers=0\r\n");
  test::RecordingDisplay display;
  // At full time, so that the scanner's own connection (a second after it sees the
  // new setup) comes well after the command's.
  platform::Pacer pacer{1};
  core::SharedState shared;
  ProductionDatabase db(shared);
  NoPdfRewriter pdf;
  NoRipServices rip;
  Engine engine({db, pdf, rip, display, pacer, shared, dir.path()});
  engine.Start();
  engine.TestDatabase(test::kMainDsn, test::kDbUser, test::TestDbPassword());
  engine.TestDatabase(test::kDownDsn, test::kDbUser, "secret");
  engine.TestDatabase("", test::kDbUser, "");
  engine.WaitUntilIdle();
  EXPECT_TRUE(display.Has("DatabaseTested 1 Connection OK"));
  EXPECT_EQ(display.Count("DatabaseTested 0 Error connecting to database - "), 1);
  EXPECT_TRUE(display.Has("DatabaseTested 0 Empty DSN or username not allowed"));
  for (const std::string& call : display.Calls()) {
    EXPECT_EQ(call.find("secret"), std::string::npos) << call;
  }
  EXPECT_FALSE(db.Connected()) << "a test leaves the program's connections alone";

  // OK in the database dialog: both managers connect to the main server.
  engine.ApplySetup(
      [](core::SettingsStore& s) {
        s.DSN = test::kMainDsn;
        s.DSNuser = test::kDbUser;
        s.DSNpw = test::TestDbPassword();
      },
      SetupScope{.databaseConnection = true});
  engine.WaitUntilIdle();
  // The scanner, seeing the new values, may be connecting anew (a second's pause
  // between closing and opening): wait for the connections to stand.
  EXPECT_TRUE(test::WaitFor([&] { return db.MainDb().Connected() && db.NameDb().Connected(); }));
  EXPECT_EQ(db.MainDb().DataSource(), test::kMainDsn);
  EXPECT_EQ(db.NameDb().KeepConnection(), 1);
  EXPECT_TRUE(display.Has("SettingsSaved 1"));
  engine.RequestStop();
  engine.WaitUntilStopped();
}

}  // namespace
}  // namespace vellora::engine
