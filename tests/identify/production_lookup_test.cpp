// The production lookup of a job on the test plan (PostgreSQL through psqlODBC): the
// classes, aliases, the retry one year earlier, the trace, the external status, and a
// database that cannot be asked, which must never make a job unknown.
#include "identify/production_lookup.h"

#include <gtest/gtest.h>

#include <regex>

#include "db/test_database.h"
#include "identify/identify_fixture.h"

namespace vellora::identify {
namespace {

using testing::LocalNoon;
using testing::LogFolder;

class LookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::UseTestDatabase());
    settings_.NumberOfSpoolers = 1;
    core::Spooler& sp = settings_.Spoolers[0];
    sp.NameConv = "%P%-%D-%N";
    sp.DateFormat = "DDMMYY";
    sp.DefaultEdition = "MAIN";
    sp.DefaultSection = "A";
    main_ = Connected(test::kMainDsn);
    std::string error;
    ASSERT_TRUE(main_->LoadNameCaches(lists_, error)) << error;
  }

  std::unique_ptr<db::DatabaseMgr> Connected(const char* dsn) {
    auto m = std::make_unique<db::DatabaseMgr>(log_.logs);
    std::string error;
    EXPECT_TRUE(m->Connect(dsn, test::kDbUser, test::TestDbPassword(), 1, error)) << error;
    return m;
  }

  LookupResult Lookup(const std::string& name, int status = kNoStatusUpdate, int priority = 50,
                      db::DatabaseMgr* manager = nullptr, db::DatabaseMgr* nameDb = nullptr) {
    const IdentifyContext context{settings_, log_.logs, FixedClock(now_)};
    return LookupJob({manager != nullptr ? *manager : *main_, lists_, nameDb}, name, 0, status,
                     priority, context);
  }

  // The program log without the trace prefix "[hh:mm:ss] " (the job line has a blank
  // more after it).
  std::vector<std::string> Lines() const {
    static const std::regex prefix(R"(^\[\d\d:\d\d:\d\d\] )");
    std::vector<std::string> out;
    for (const std::string& line : log_.ProgramLines()) {
      if (!line.empty()) out.push_back(std::regex_replace(line, prefix, ""));
    }
    return out;
  }

  std::string Query(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    std::string error;
    if (!main_->RunStatement(sql, rows, error)) return "ERROR: " + error;
    return rows.empty() || rows[0].empty() ? "" : rows[0][0];
  }

  LogFolder log_;
  core::SettingsStore settings_;
  int64_t now_ = LocalNoon(2005, 1, 20);
  std::unique_ptr<db::DatabaseMgr> main_;
  db::NameLists lists_;
};

TEST_F(LookupTest, ColourAndMonochromePagesWithTheirTrace) {
  LookupResult r = Lookup("ABC-310105-01", kNoStatusUpdate, 50);
  EXPECT_EQ(r.status, kColorJob);
  EXPECT_EQ(r.separationSet, 101);
  EXPECT_EQ(r.publicationId, 1);
  EXPECT_EQ(r.priority, 60);
  EXPECT_EQ(r.archiveKey, "ABC-20050131");
  EXPECT_TRUE(r.databaseReached);

  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0],
            "Looking up job (ABC-310105-01): Publication=ABC, Issue=, Edition=MAIN, Section=A, "
            "Date=01/31/2005, PageName=1, PlanPageName=, Color=, WeekNumber=0");
  EXPECT_EQ(lines[1].rfind("DB query: SELECT DISTINCT", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], " Job is color page (mastercopyseparationset 101 - PublicationID 1)");

  // The extension cut off as a field of its own.
  settings_.Spoolers[0].NameConv = "%P-%D-%N.%X";
  settings_.Spoolers[0].Separators = "-.";
  r = Lookup("ABC-310105-02.ps", kNoStatusUpdate, 77);
  EXPECT_EQ(r.status, kMonoJob);
  EXPECT_EQ(r.separationSet, 102);
  EXPECT_EQ(r.priority, 55) << "the page's priority replaces the caller's";
  r = Lookup("ABC-310105-03.ps");
  EXPECT_EQ(r.status, kColorJob) << "cyan alone is a colour page";
  EXPECT_EQ(Lines().back(), " Job is color page (mastercopyseparationset 103 - PublicationID 1)");
}

TEST_F(LookupTest, AliasesReplaceShortNamesInTheirOrder) {
  settings_.Spoolers[0].NameConv = "%P%-%D-%N-%C";
  settings_.Spoolers[0].DefaultEdition = "M";  // the alias of MAIN
  settings_.Spoolers[0].DefaultSection = "B";
  // A quote in the short name reaches the alias table safely.
  LookupResult r = Lookup("X'Y-010205-4-");
  EXPECT_EQ(r.status, kColorJob);
  EXPECT_EQ(r.separationSet, 202);
  EXPECT_EQ(r.archiveKey, "XYZ-20050201") << "the key carries the production name";
  EXPECT_NE(Lines().front().find("Publication=XYZ, Issue=, Edition=MAIN, Section=B"),
            std::string::npos)
      << Lines().front();

  // A colour short name: BK is black, and one black row is a monochrome page.
  settings_.Spoolers[0].DefaultSection = "A";
  r = Lookup("AB-310105-2-BK");
  EXPECT_EQ(r.status, kMonoJob);
  EXPECT_EQ(r.separationSet, 102);
  // An alias whose production name is NULL leaves the publication empty.
  r = Lookup("NL-310105-2-");
  EXPECT_EQ(r.status, kUnknownJob);
  EXPECT_TRUE(r.databaseReached);
  EXPECT_EQ(Lines().back(), "Looking up job (NL-310105-2-): ERROR - Pagename or Publication empty");
}

TEST_F(LookupTest, APageNotInThePlanIsUnknownAfterTheRetryAYearEarlier) {
  LookupResult r = Lookup("ABC-310105-99", 0, 50);
  EXPECT_EQ(r.status, kUnknownJob);
  EXPECT_EQ(r.separationSet, -1);
  EXPECT_EQ(r.publicationId, 0);
  EXPECT_EQ(r.priority, 50);
  EXPECT_EQ(r.archiveKey, "");
  EXPECT_TRUE(r.databaseReached) << "the plan was asked and has no such page";
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
  EXPECT_NE(lines[1].find("pubdate='2005-01-31T00:00:00'"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2], "No hit on pubdate 31.01.2005 - trying 31.01.2004");
  EXPECT_NE(lines[3].find("pubdate='2004-01-31T00:00:00'"), std::string::npos) << lines[3];
  EXPECT_EQ(lines[4], " Job is unknown page (mastercopyseparationset -1 - PublicationID 0)");
}

TEST_F(LookupTest, ADateWithoutAYearIsFoundAYearEarlierWithTheKeyOfTheFirstDate) {
  settings_.Spoolers[0].DateFormat = "DDMM";
  // On 20 January 2006 the 31st of January is still to come: 31 January 2006 first,
  // then 31 January 2005, where the page is.
  now_ = LocalNoon(2006, 1, 20);
  LookupResult r = Lookup("ABC-3101-1", 1);
  EXPECT_EQ(r.status, kColorJob);
  EXPECT_EQ(r.separationSet, 101);
  EXPECT_EQ(r.archiveKey, "ABC-20060131") << "the key keeps the date of the first run";
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[2], "No hit on pubdate 31.01.2006 - trying 31.01.2005");

  // 3112 read on 1 January: 31 December of this year, then of the year just ended.
  now_ = LocalNoon(2006, 1, 1);
  r = Lookup("ABC-3112-1");
  EXPECT_EQ(r.separationSet, -1);
  EXPECT_EQ(Lines()[Lines().size() - 3], "No hit on pubdate 31.12.2006 - trying 31.12.2005");
}

TEST_F(LookupTest, WeeksAreRetriedWithTheSameStatementAndNoDateIsNeverRetried) {
  settings_.Spoolers[0].DateFormat = "WW";
  LookupResult r = Lookup("ABC-05-2");
  EXPECT_EQ(r.status, kMonoJob);
  EXPECT_EQ(r.separationSet, 102);
  std::vector<std::string> lines = Lines();
  EXPECT_NE(lines[1].find("AND Miscint2=5 ORDER BY"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[1].find("pubdate="), std::string::npos) << lines[1];

  const size_t before = Lines().size();
  r = Lookup("ABC-06-2");
  EXPECT_EQ(r.separationSet, -1);
  lines = Lines();
  ASSERT_EQ(lines.size(), before + 5);
  EXPECT_EQ(lines[before + 1], lines[before + 3]) << "the week query runs twice, unchanged";

  // A name without a date: one query, no retry.
  settings_.Spoolers[0].NameConv = "%P%-%N";
  settings_.Spoolers[0].DateFormat = "";
  const size_t start = Lines().size();
  r = Lookup("ABC-77");
  EXPECT_EQ(r.separationSet, -1);
  EXPECT_EQ(Lines().size(), start + 3) << ::testing::PrintToString(Lines());
}

TEST_F(LookupTest, RenamedNamesAreTracedUnderTheirNewName) {
  settings_.Spoolers[0].UseRegex = 1;
  settings_.Spoolers[0].MatchExpression[0] = "Page_(\\w+)_(\\d+)_(\\d+)\\.pdf";
  settings_.Spoolers[0].FormatExpression[0] = "$1-$2-$3";
  LookupResult r = Lookup("Page_ABC_310105_4.pdf");
  EXPECT_EQ(r.status, kMonoJob);
  EXPECT_EQ(r.separationSet, 104);
  int traced = 0;
  for (const std::string& line : Lines()) {
    if (line.rfind("Looking up job (", 0) == 0) {
      EXPECT_EQ(line.rfind("Looking up job (ABC-310105-4)", 0), 0u) << line;
      ++traced;
    }
  }
  EXPECT_EQ(traced, 1);
}

TEST_F(LookupTest, NamesThatCannotBeCutOrDatedAreUnknownWithoutAQuestion) {
  LookupResult r = Lookup("");
  EXPECT_EQ(r.status, kUnknownJob);
  EXPECT_EQ(r.separationSet, 0);
  EXPECT_TRUE(r.databaseReached);
  EXPECT_EQ(Lines().back(),
            "Looking up job: ERROR - jobname empty or naming convension not defined");

  // A date the calendar cannot hold (before 1970).
  settings_.Spoolers[0].DateFormat = "DDMMYYYY";
  r = Lookup("ABC-31011960-1");
  EXPECT_EQ(r.status, kUnknownJob);
  EXPECT_EQ(r.separationSet, 0);
  EXPECT_TRUE(r.databaseReached);
  EXPECT_EQ(Lines().back(), "ERROR: Illegal date format 1960-01-31 in file ABC-31011960-1");

  settings_.Spoolers[0].NameConv = "";
  r = Lookup("ABC-310105-1");
  EXPECT_EQ(r.status, kUnknownJob);
  EXPECT_EQ(Lines().back(),
            "Looking up job: ERROR - jobname empty or naming convension not defined");
}

TEST_F(LookupTest, ExternalStatusFollowsTheStatusArgument) {
  // Rows of this test's own, so that no other test changes them meanwhile.
  const int set = test::UniqueNumber();
  const std::string plan = "LKP-" + std::to_string(set);
  ASSERT_EQ(Query("INSERT INTO PageTable VALUES (" + std::to_string(set) +
                  ", 4, 1, '2005-01-31', 50, 1, 1, 1, 0, '" + plan + "', 1, 1, '1', 5, 77)"),
            "");
  settings_.Spoolers[0].NameConv = "%M";
  settings_.Spoolers[0].Separators = "";
  settings_.Spoolers[0].DateFormat = "";
  const std::string status =
      "SELECT Externalstatus FROM PageTable WHERE MasterCopySeparationSet=" + std::to_string(set);
  auto statusAfter = [&](int argument) {
    Query("UPDATE PageTable SET Externalstatus=77 WHERE MasterCopySeparationSet=" +
          std::to_string(set));
    // The plan page name is cut position by position, as long as it is.
    settings_.Spoolers[0].NameConv = "%" + std::to_string(plan.size()) + "M";
    LookupResult r = Lookup(plan, argument);
    EXPECT_EQ(r.separationSet, set);
    return Query(status);
  };
  settings_.RipUpdateStatus = 0;
  EXPECT_EQ(statusAfter(1), "77") << "RipUpdateStatus 0 writes nothing";
  settings_.RipUpdateStatus = 1;
  settings_.RipStatusValue = 3;
  settings_.RipStatusValueError = 4;
  EXPECT_EQ(statusAfter(0), "0") << "the scanner's default UpdateStatus 0";
  EXPECT_EQ(statusAfter(1), "3");
  EXPECT_EQ(statusAfter(2), "3");
  EXPECT_EQ(statusAfter(4), "3");
  EXPECT_EQ(statusAfter(3), "4");
  EXPECT_EQ(statusAfter(5), "0");
  EXPECT_EQ(statusAfter(kNoStatusUpdate), "77") << "the completion reporting writes nothing";

  EXPECT_EQ(ExternalStatusFor(-5, settings_), -1);
  EXPECT_EQ(ExternalStatusFor(99, settings_), 0);
}

TEST_F(LookupTest, ADatabaseThatCannotBeAskedLeavesTheJobUnjudged) {
  // No server at all: the aliases fail, and nothing else is asked.
  auto down = std::make_unique<db::DatabaseMgr>(log_.logs);
  std::string error;
  EXPECT_FALSE(down->Connect(test::kDownDsn, test::kDbUser, test::TestDbPassword(), 1, error));
  LookupResult r = Lookup("ABC-310105-1", 0, 50, down.get());
  EXPECT_EQ(r.status, kUnknownJob);
  EXPECT_FALSE(r.databaseReached);
  EXPECT_EQ(r.separationSet, 0);
  EXPECT_EQ(r.archiveKey, "");
  const std::string line = Lines().back();
  EXPECT_EQ(line.rfind("Looking up job (ABC-310105-1): ERROR - database not reachable, job not "
                       "identified (Error connecting to database - ",
                       0),
            0u)
      << line;
  EXPECT_NE(line.find("PWD=***"), std::string::npos) << line;

  // The aliases answer but the plan query fails: a table of this session hides the plan.
  auto shadowed = Connected(test::kMainDsn);
  std::vector<std::vector<std::string>> rows;
  ASSERT_TRUE(shadowed->RunStatement("CREATE TEMP TABLE PageTable (x integer)", rows, error))
      << error;
  r = Lookup("AB-310105-1", 0, 50, shadowed.get());
  EXPECT_FALSE(r.databaseReached);
  EXPECT_EQ(r.status, kUnknownJob);
  EXPECT_EQ(r.separationSet, 0);
  EXPECT_EQ(r.priority, 50);
  const std::vector<std::string> lines = Lines();
  EXPECT_NE(lines[lines.size() - 3].find("Publication=ABC"), std::string::npos)
      << "the aliases were resolved: " << lines[lines.size() - 3];
  EXPECT_EQ(lines.back().rfind("Looking up job (AB-310105-1): ERROR - database not reachable", 0),
            0u)
      << lines.back();
  for (const std::string& l : lines) EXPECT_EQ(l.find("No hit"), std::string::npos) << l;

  // NoNameCache with a name database that does not answer: the ids it cannot give
  // would match no page, which says nothing about the page.
  settings_.NoNameCache = 1;
  r = Lookup("ABC-310105-1", 0, 50, main_.get(), down.get());
  EXPECT_FALSE(r.databaseReached);
  EXPECT_EQ(r.status, kUnknownJob);
  auto names = Connected(test::kMainDsn);
  r = Lookup("ABC-310105-1", 0, 50, main_.get(), names.get());
  EXPECT_TRUE(r.databaseReached);
  EXPECT_EQ(r.separationSet, 101) << "asked of the name database";
}

}  // namespace
}  // namespace vellora::identify
