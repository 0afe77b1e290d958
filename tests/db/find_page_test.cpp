// The job query on the test plan: clause rules, the row walk, colour classes.
#include <gtest/gtest.h>

#include "db/db_fixture.h"
#include "platform/clock.h"

namespace vellora::test {
namespace {

using db::PageKey;
using db::PageMatch;

int64_t Date(int y, int m, int d) {
  return platform::MakeLocalTime(y, m, d, 0, 0, 0).value();
}

class FindPageTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    db_ = Connected();
    std::string error;
    ASSERT_TRUE(db_->LoadNameCaches(lists_, error)) << error;
  }

  // The job query through the cache (or, with nameDb, without it).
  int Find(const PageKey& key, PageMatch& match, int dateFormat = 2,
           db::DatabaseMgr* nameDb = nullptr) {
    db::NameLookup names(lists_.Get(), nameDb, nameDb != nullptr);
    std::string error;
    int status = db_->FindPage(key, names, dateFormat, match, error);
    EXPECT_EQ(error, "");
    return status;
  }

  static PageKey AbcPage(const std::string& page) {
    PageKey key;
    key.Publication = "ABC";
    key.Edition = "MAIN";
    key.Section = "A";
    key.PageName = page;
    key.Issue = "Morning";
    key.PubDate = Date(2005, 1, 31);
    return key;
  }

  std::unique_ptr<db::DatabaseMgr> db_;
  db::NameLists lists_;
};

TEST_F(FindPageTest, ColourAndMonochromePagesOnADate) {
  for (int dateFormat : {2, 0}) {
    PageMatch match;
    EXPECT_EQ(Find(AbcPage("1"), match, dateFormat), db::kPageColor);
    EXPECT_EQ(match.SeparationSetId, 101);
    EXPECT_EQ(match.PublicationId, 1);
    EXPECT_EQ(match.Priority, 60);
  }
  std::string log = ProgramLog();
  EXPECT_NE(log.find("DB query: SELECT DISTINCT MasterCopySeparationSet,ColorID,PublicationID,"
                     "PubDate,Priority FROM PageTable WITH (NOLOCK) WHERE CopyNumber=1 AND "
                     "Active>0 AND UniquePage = 1 AND Dirty=0  AND PublicationID=1 AND "
                     "EditionID=1 AND SectionID=1 AND PageName='1' AND "
                     "pubdate='2005-01-31T00:00:00' ORDER BY PubDate DESC, "
                     "MasterCopySeparationSet\r\n\r\n"),
            std::string::npos)
      << "the log shows the SQL Server text: " << log;
  EXPECT_NE(log.find("AND pubdate='01/31/2005' ORDER BY"), std::string::npos);

  struct Case {
    const char* page;
    int status, set, priority;
  };
  // Black named "black" or "K" alone is monochrome; cyan alone is colour.
  for (const Case& c : {Case{"2", db::kPageMono, 102, 55}, Case{"3", db::kPageColor, 103, 50},
                        Case{"4", db::kPageMono, 104, 50}}) {
    PageMatch match;
    EXPECT_EQ(Find(AbcPage(c.page), match), c.status) << c.page;
    EXPECT_EQ(match.SeparationSetId, c.set) << c.page;
    EXPECT_EQ(match.Priority, c.priority) << c.page;
  }
}

TEST_F(FindPageTest, PlannedPageNameWeekNumberEditionAndColour) {
  PageMatch match;
  // The planned page name decides alone: the page name 2 is not asked for.
  PageKey planned = AbcPage("2");
  planned.PlanPageName = "abc-0131-p1";
  EXPECT_EQ(Find(planned, match), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 101);

  // A week number instead of a date.
  PageKey week = AbcPage("1");
  week.PubDate = Date(1975, 1, 1);
  week.WeekNumber = 5;
  EXPECT_EQ(Find(week, match), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 101);
  week.WeekNumber = 6;
  EXPECT_EQ(Find(week, match), db::kPageUnknown);
  EXPECT_EQ(match.SeparationSetId, -1);

  PageKey late = AbcPage("1");
  late.Edition = "late";
  EXPECT_EQ(Find(late, match), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 111);
  EXPECT_EQ(match.Priority, 40);

  // Asking for one colour finds that separation only.
  PageKey black = AbcPage("1");
  black.Color = "k";
  EXPECT_EQ(Find(black, match), db::kPageMono);
  EXPECT_EQ(match.SeparationSetId, 101);
  black.Color = "Orange";
  EXPECT_EQ(Find(black, match), db::kPageUnknown);
  EXPECT_EQ(match.SeparationSetId, -1);
}

TEST_F(FindPageTest, SeveralSeparationSets) {
  PageMatch match;
  // Without a date the latest date wins.
  PageKey key;
  key.Publication = "XYZ";
  key.PageName = "4";
  key.PubDate = Date(1975, 1, 1);
  EXPECT_EQ(Find(key, match), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 202);
  EXPECT_EQ(match.PublicationId, 2);
  EXPECT_EQ(match.Priority, 35);
  key.PubDate = Date(2005, 1, 30);
  EXPECT_EQ(Find(key, match), db::kPageMono);
  EXPECT_EQ(match.SeparationSetId, 201);

  // On one date the lower set wins, and the rows of the other set are not counted:
  // set 301 is one black separation, set 302 four.
  key.PageName = "5";
  key.PubDate = Date(2005, 2, 1);
  EXPECT_EQ(Find(key, match), db::kPageMono);
  EXPECT_EQ(match.SeparationSetId, 301);
  EXPECT_EQ(match.Priority, 70);

  // Without edition and section, both editions' page 1 match: the lower set.
  PageKey both;
  both.Publication = "ABC";
  both.PageName = "1";
  both.PubDate = Date(2005, 1, 31);
  EXPECT_EQ(Find(both, match), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 101);
}

TEST_F(FindPageTest, NothingToFind) {
  PageMatch match;
  match.Priority = 50;
  PageKey unknown = AbcPage("1");
  unknown.Publication = "NOPE";
  EXPECT_EQ(Find(unknown, match), db::kPageUnknown);
  EXPECT_EQ(match.SeparationSetId, -1);
  EXPECT_EQ(match.PublicationId, 0);
  EXPECT_EQ(match.Priority, 50) << "written only when a page is found";
  EXPECT_NE(ProgramLog().find("AND PublicationID=0 AND EditionID=1"), std::string::npos);

  // Nothing to ask with: no query at all.
  PageKey empty;
  empty.Color = "K";
  empty.PubDate = Date(2005, 1, 31);
  match.SeparationSetId = 99;
  std::string before = ProgramLog();
  EXPECT_EQ(Find(empty, match), db::kPageUnknown);
  EXPECT_EQ(match.SeparationSetId, 0);
  EXPECT_EQ(ProgramLog(), before);

  // A page of NULLs: no colour name (so not black), priority 0.
  EXPECT_EQ(Find(AbcPage("9"), match), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 501);
  EXPECT_EQ(match.Priority, 0);
}

TEST_F(FindPageTest, NamesThatLookLikeStatements) {
  PageMatch match;
  PageKey odd;
  odd.Publication = "D'Or; --/*";
  odd.Section = "Sport & Leisure";
  odd.PageName = "7'x; --";
  odd.PubDate = Date(2005, 1, 31);
  EXPECT_EQ(Find(odd, match), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 401);
  PageKey planned;
  planned.PlanPageName = "D'Or-7'x";
  EXPECT_EQ(Find(planned, match), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 401);

  for (const char* page : {"1' OR '1'='1", "1'; DELETE FROM PageTable; --", "1' --", "1/*",
                           "1\\'; SELECT 1; --", "?", "{fn USER()}"}) {
    PageKey key = AbcPage(page);
    EXPECT_EQ(Find(key, match), db::kPageUnknown) << page;
    EXPECT_EQ(match.SeparationSetId, -1) << page;
  }
  EXPECT_EQ(Value(*db_, "SELECT count(*) FROM PageTable WHERE MasterCopySeparationSet < 100000"),
            "25");
}

TEST_F(FindPageTest, WithoutTheNameCache) {
  db::DatabaseMgr nameDb(logs_);
  std::string error;
  ASSERT_TRUE(nameDb.Connect(kMainDsn, kDbUser, TestDbPassword(), 1, error)) << error;
  PageMatch match;
  EXPECT_EQ(Find(AbcPage("1"), match, 2, &nameDb), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 101);
  PageKey late = AbcPage("1");
  late.Publication = "abc";
  late.Edition = "LATE";
  EXPECT_EQ(Find(late, match, 2, &nameDb), db::kPageColor);
  EXPECT_EQ(match.SeparationSetId, 111);

  // A name manager that cannot connect gives id 0, which finds nothing.
  db::DatabaseMgr downDb(logs_);
  EXPECT_FALSE(downDb.Connect(kDownDsn, kDbUser, TestDbPassword(), 1, error));
  EXPECT_EQ(Find(AbcPage("1"), match, 2, &downDb), db::kPageUnknown);
  EXPECT_EQ(match.SeparationSetId, -1);
  EXPECT_NE(ProgramLog().find("AND PublicationID=0 AND EditionID=0 AND SectionID=0"),
            std::string::npos);
}

}  // namespace
}  // namespace vellora::test
