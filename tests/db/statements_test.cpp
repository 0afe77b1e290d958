// The statement texts in their SQL Server form, as the program log shows them.
#include <gtest/gtest.h>

#include "db/statements.h"
#include "platform/clock.h"

namespace vellora::db {
namespace {

int64_t Date(int y, int m, int d) {
  return platform::MakeLocalTime(y, m, d, 0, 0, 0).value();
}

TEST(Statements, CatalogueTexts) {
  EXPECT_STREQ(kLoadColorsSql, "SELECT ColorID,ColorName,c,m,y,k,ColorOrder FROM ColorNames");
  EXPECT_STREQ(kLoadPublicationsSql,
               "SELECT DISTINCT PublicationID,Name,PageFormatID,TrimToFormat,LatestHour,"
               "DefaultProofID,DefaultHardProofID,DefaultApprove FROM PublicationNames ORDER BY "
               "Name");
  EXPECT_STREQ(kLoadEditionsSql, "SELECT * FROM EditionNames");
  EXPECT_STREQ(kLoadPageFormatsSql,
               "SELECT DISTINCT PageFormatID,PageFormatName,Width,Height,Bleed FROM "
               "PageFormatNames");
  EXPECT_EQ(IdNameTableSql("SectionNames"), "SELECT * FROM SectionNames");
  EXPECT_EQ(PublicationIdByNameSql("ABC"),
            "SELECT PublicationID FROM PublicationNames WHERE [Name]='ABC'");
  EXPECT_EQ(SectionIdByNameSql("A"), "SELECT SectionID FROM SectionNames WHERE [Name]='A'");
  EXPECT_EQ(EditionIdByNameSql("MAIN"), "SELECT EditionID FROM EditionNames WHERE [Name]='MAIN'");
  EXPECT_EQ(ResolveAliasSql("Publication", "AB"),
            "SELECT LongName FROM InputAliases WHERE Type='Publication' AND Shortname='AB'");
  EXPECT_EQ(SetExternalStatusSql(3, 101),
            "UPDATE PageTable SET Externalstatus=3 WHERE MasterCopySeparationSet=101");
  EXPECT_EQ(PageFormatOfPageSql(101),
            "SELECT DISTINCT PG.PageFormatName,PG.Width,PG.Height,PG.Bleed FROM PageTable P WITH "
            "(NOLOCK) INNER JOIN PublicationNames PUB ON P.PublicationID=PUB.PublicationID INNER "
            "JOIN PageFormatNames PG ON PG.PageFormatID=PUB.PageFormatID WHERE "
            "P.MasterCopySeparationSet=101");
  EXPECT_EQ(AddPrepollLogEntrySql(101, 7, 120, "P1.PS Completed"),
            "{ CALL spAddPrepollLogEntry (101,7,10,120,'P1.PS Completed') }");
  EXPECT_EQ(AddLogEntrySql(7, 126, 5000000000LL, -1, "Error"),
            "{CALL spAddLogEntry (7,126,5000000000,-1,'Error')}");
  EXPECT_EQ(RegisterProcessSql(10, "RIP1", "RIP1", 1),
            "{CALL spRegisterProcess (10,'RIP1','RIP1',1)}");
  EXPECT_EQ(UpdateProcessSql(7, -1, 2, "P1.PS", "Ripping"),
            "{CALL spUpdateProcess (7,-1,2,'P1.PS','Ripping')}");
  EXPECT_EQ(GetProcessEnabledSql(7), "SELECT Enabled FROM ProcessConfigurations WHERE ProcessID=7");
}

TEST(Statements, EveryLiteralIsEscaped) {
  const std::string evil = "x'; DROP TABLE PageTable; --";
  const std::string quoted = "x''; DROP TABLE PageTable; --";
  EXPECT_EQ(PublicationIdByNameSql(evil),
            "SELECT PublicationID FROM PublicationNames WHERE [Name]='" + quoted + "'");
  EXPECT_EQ(SectionIdByNameSql("O'Neil"),
            "SELECT SectionID FROM SectionNames WHERE [Name]='O''Neil'");
  EXPECT_EQ(EditionIdByNameSql("'"), "SELECT EditionID FROM EditionNames WHERE [Name]=''''");
  EXPECT_EQ(
      ResolveAliasSql("Publication", evil),
      "SELECT LongName FROM InputAliases WHERE Type='Publication' AND Shortname='" + quoted + "'");
  EXPECT_EQ(AddPrepollLogEntrySql(1, 2, 3, evil),
            "{ CALL spAddPrepollLogEntry (1,2,10,3,'" + quoted + "') }");
  EXPECT_EQ(AddLogEntrySql(1, 2, 3, 4, evil), "{CALL spAddLogEntry (1,2,3,4,'" + quoted + "')}");
  EXPECT_EQ(RegisterProcessSql(10, evil, "a'b", 1),
            "{CALL spRegisterProcess (10,'" + quoted + "','a''b',1)}");
  EXPECT_EQ(UpdateProcessSql(1, 0, 0, evil, "it's"),
            "{CALL spUpdateProcess (1,0,0,'" + quoted + "','it''s')}");
}

const char kFindPageHead[] =
    "SELECT DISTINCT MasterCopySeparationSet,ColorID,PublicationID,PubDate,Priority FROM "
    "PageTable WITH (NOLOCK) WHERE CopyNumber=1 AND Active>0 AND UniquePage = 1 AND Dirty=0 ";
const char kFindPageTail[] = " ORDER BY PubDate DESC, MasterCopySeparationSet";

NameLookup Lists() {
  NameListsData d;
  d.publications = {{1, "ABC"}, {2, "XYZ"}};
  d.editions = {{1, "MAIN", 0, 0}, {2, "LATE", 0, 0}};
  d.sections = {{1, "A"}, {3, "Sport"}};
  d.colors = {{1, "Cyan"}, {4, "K"}, {5, "black"}};
  return NameLookup(std::make_shared<const NameListsData>(d), nullptr, false);
}

TEST(Statements, JobQueryClauses) {
  NameLookup names = Lists();
  PageKey key;
  key.Publication = "abc";
  key.Edition = "LATE";
  key.Section = "Sport";
  key.PageName = "12";
  key.Issue = "Morning";  // never part of the query
  key.PubDate = Date(2005, 1, 31);
  EXPECT_EQ(FindPageSql(key, names, 2),
            std::string(kFindPageHead) +
                " AND PublicationID=1 AND EditionID=2 AND SectionID=3 AND PageName='12'"
                " AND pubdate='2005-01-31T00:00:00'" +
                kFindPageTail);
  EXPECT_EQ(FindPageSql(key, names, 0),
            std::string(kFindPageHead) +
                " AND PublicationID=1 AND EditionID=2 AND SectionID=3 AND PageName='12'"
                " AND pubdate='01/31/2005'" +
                kFindPageTail);

  // A week number replaces the date; a date of 1975 (no date in the name) adds
  // neither.
  key.WeekNumber = 23;
  EXPECT_EQ(FindPageSql(key, names, 2),
            std::string(kFindPageHead) +
                " AND PublicationID=1 AND EditionID=2 AND SectionID=3 AND PageName='12'"
                " AND Miscint2=23" +
                kFindPageTail);
  key.WeekNumber = 0;
  key.PubDate = Date(1975, 1, 1);
  key.Color = "black";
  EXPECT_EQ(FindPageSql(key, names, 2),
            std::string(kFindPageHead) +
                " AND PublicationID=1 AND EditionID=2 AND SectionID=3 AND PageName='12'"
                " AND ColorID=5" +
                kFindPageTail);

  // The planned page name alone decides, with the colour.
  key.PlanPageName = "ABC-0131-P1";
  key.PubDate = Date(2005, 1, 31);
  EXPECT_EQ(
      FindPageSql(key, names, 2),
      std::string(kFindPageHead) + " AND PlanPageName='ABC-0131-P1' AND ColorID=5" + kFindPageTail);

  // Unknown names are id 0; fields left empty add no clause.
  PageKey unknown;
  unknown.Publication = "NOPE";
  unknown.Color = "Orange";
  unknown.PageName = "1'; --";
  EXPECT_EQ(FindPageSql(unknown, names, 2),
            std::string(kFindPageHead) +
                " AND PublicationID=0 AND PageName='1''; --' AND ColorID=0" + kFindPageTail);
}

TEST(Statements, NameLookupsIgnoreCaseAndFindTheFirst) {
  NameListsData d;
  d.publications = {{1, "ABC"}, {2, "abc"}};
  d.colors = {{4, "K"}, {5, "black"}};
  NameLookup names(std::make_shared<const NameListsData>(d), nullptr, true);
  // Without a name manager the cache serves even with NoNameCache.
  EXPECT_EQ(names.PublicationIdByName("Abc"), 1);
  EXPECT_EQ(names.PublicationIdByName("AB"), 0);
  EXPECT_EQ(names.SectionIdByName("A"), 0);
  EXPECT_EQ(names.ColorIdByName("BLACK"), 5);
  EXPECT_EQ(names.ColorNameById(4), "K");
  EXPECT_EQ(names.ColorNameById(9), "");
  NameLookup empty(nullptr, nullptr, false);
  EXPECT_EQ(empty.EditionIdByName("MAIN"), 0);
}

}  // namespace
}  // namespace vellora::db
