// The name lists, the name-to-id lookups with and without the cache, and aliases.
#include <gtest/gtest.h>

#include "db/db_fixture.h"

namespace vellora::test {
namespace {

using db::DatabaseMgr;

TEST_F(DbTest, LoadsTheSixListsInFull) {
  auto m = Connected();
  db::NameLists lists;
  std::string error;
  ASSERT_TRUE(m->LoadNameCaches(lists, error)) << error;
  auto d = lists.Get();

  ASSERT_EQ(d->colors.size(), 7u);
  EXPECT_EQ(d->colors[0].ColorName, "Cyan");
  EXPECT_EQ(d->colors[0].c, 100);
  EXPECT_EQ(d->colors[4].ColorID, 5);
  EXPECT_EQ(d->colors[4].ColorName, "black");
  EXPECT_EQ(d->colors[4].k, 100);
  EXPECT_EQ(d->colors[4].ColorOrder, 5);
  EXPECT_EQ(d->colors[6].ColorID, 7) << "a colour of NULLs reads as empty and zeros";
  EXPECT_EQ(d->colors[6].ColorName, "");
  EXPECT_EQ(d->colors[6].ColorOrder, 0);

  // Ordered by name, as the server compares names. Tests running beside this one add
  // publications of their own, with ids from 100000: only the fixture's are looked at.
  const auto Fixtures = [](const std::vector<db::PublicationRecord>& all) {
    std::vector<db::PublicationRecord> own;
    for (const auto& p : all) {
      if (p.PublicationID < 100000) own.push_back(p);
    }
    return own;
  };
  const std::vector<db::PublicationRecord> publications = Fixtures(d->publications);
  ASSERT_EQ(publications.size(), 4u);
  EXPECT_EQ(publications[0].Name, "ABC");
  EXPECT_EQ(publications[0].PublicationID, 1);
  EXPECT_EQ(publications[0].PageFormatID, 1);
  EXPECT_EQ(publications[0].TrimToFormat, 1);
  EXPECT_DOUBLE_EQ(publications[0].LatestHour, 23.5);
  EXPECT_EQ(publications[0].DefaultProofID, 4);
  EXPECT_EQ(publications[0].DefaultHardProofID, 5);
  EXPECT_EQ(publications[0].DefaultApprove, 1);
  EXPECT_EQ(publications[1].Name, "D'Or; --/*");
  EXPECT_EQ(publications[2].Name, "Nulls");
  EXPECT_EQ(publications[2].PageFormatID, 0);
  EXPECT_DOUBLE_EQ(publications[2].LatestHour, 0);
  EXPECT_EQ(publications[3].Name, "XYZ");

  ASSERT_EQ(d->sections.size(), 3u);
  EXPECT_EQ(d->sections[2].id, 3);
  EXPECT_EQ(d->sections[2].name, "Sport & Leisure");
  ASSERT_EQ(d->issues.size(), 2u);
  EXPECT_EQ(d->issues[1].name, "Evening");
  ASSERT_EQ(d->editions.size(), 3u);
  EXPECT_EQ(d->editions[1].name, "LATE");
  EXPECT_EQ(d->editions[1].value3, 2);
  EXPECT_EQ(d->editions[1].value4, 1);
  EXPECT_EQ(d->editions[2].value3, 0);
  // DISTINCT without an order: the server's order.
  ASSERT_EQ(d->pageFormats.size(), 2u);
  const auto& a4 = d->pageFormats[d->pageFormats[0].PageFormatID == 1 ? 0 : 1];
  const auto& tabloid = d->pageFormats[d->pageFormats[0].PageFormatID == 1 ? 1 : 0];
  EXPECT_EQ(a4.PageFormatName, "A4+3mm/R");
  EXPECT_DOUBLE_EQ(a4.Width, 210);
  EXPECT_DOUBLE_EQ(a4.Height, 297);
  EXPECT_DOUBLE_EQ(a4.Bleed, 3);
  EXPECT_EQ(tabloid.PageFormatName, "Tab:loid<2>");
  EXPECT_DOUBLE_EQ(tabloid.Bleed, 0) << "NULL bleed";

  // A second load replaces the lists rather than adding to them.
  ASSERT_TRUE(m->LoadNameCaches(lists, error)) << error;
  EXPECT_EQ(lists.Get()->colors.size(), 7u);
  EXPECT_EQ(Fixtures(lists.Get()->publications).size(), 4u);
  EXPECT_EQ(d->colors.size(), 7u) << "a snapshot taken before stays as it was";
}

// The cache and the name manager give the same ids for the same names.
TEST_F(DbTest, NameLookupsWithAndWithoutTheCache) {
  auto m = Connected();
  db::NameLists lists;
  std::string error;
  ASSERT_TRUE(m->LoadNameCaches(lists, error)) << error;
  DatabaseMgr nameDb(logs_);
  ASSERT_TRUE(nameDb.Connect(kMainDsn, kDbUser, TestDbPassword(), 1, error)) << error;
  nameDb.Disconnect();

  db::NameLookup cached(lists.Get(), &nameDb, false);
  db::NameLookup asked(lists.Get(), &nameDb, true);
  struct Case {
    const char* name;
    int publication, section, edition;
  };
  for (const Case& c : {Case{"ABC", 1, 0, 0}, Case{"abc", 1, 0, 0}, Case{"D'Or; --/*", 3, 0, 0},
                        Case{"A", 0, 1, 0}, Case{"sport & leisure", 0, 3, 0}, Case{"MAIN", 0, 0, 1},
                        Case{"late", 0, 0, 2}, Case{"NOPE", 0, 0, 0}, Case{"' OR ''='", 0, 0, 0},
                        Case{"x'; DELETE FROM PageTable; --", 0, 0, 0}, Case{"", 0, 0, 0}}) {
    for (const db::NameLookup* names : {&cached, &asked}) {
      EXPECT_EQ(names->PublicationIdByName(c.name), c.publication) << c.name;
      EXPECT_EQ(names->SectionIdByName(c.name), c.section) << c.name;
      EXPECT_EQ(names->EditionIdByName(c.name), c.edition) << c.name;
    }
  }
  EXPECT_TRUE(nameDb.Connected()) << "the lookups without cache asked the name manager";
  // The fixture's own pages (sets below 100000; tests running beside this one add
  // pages of their own above it) are all still there.
  EXPECT_EQ(Value(*m, "SELECT count(*) FROM PageTable WHERE MasterCopySeparationSet < 100000"),
            "25");
  // Colours always come from the list.
  EXPECT_EQ(asked.ColorIdByName("BLACK"), 5);
  EXPECT_EQ(asked.ColorNameById(4), "K");

  std::string dbError = "stale";
  EXPECT_EQ(nameDb.PublicationIdByNameDb("XYZ", dbError), 2);
  EXPECT_EQ(dbError, "");
  EXPECT_EQ(nameDb.SectionIdByNameDb("B", dbError), 2);
  EXPECT_EQ(nameDb.EditionIdByNameDb("Sunday", dbError), 3);
}

TEST_F(DbTest, Aliases) {
  auto m = Connected();
  std::string error;
  EXPECT_EQ(m->ResolveAlias("Publication", "AB", error), "ABC");
  EXPECT_EQ(m->ResolveAlias("Publication", "ab", error), "ABC");
  EXPECT_EQ(m->ResolveAlias("Publication", "ABC", error), "ABC") << "no alias: the value itself";
  EXPECT_EQ(m->ResolveAlias("Section", "AB", error), "AB") << "aliases are per type";
  EXPECT_EQ(m->ResolveAlias("Publication", "X'Y", error), "XYZ");
  EXPECT_EQ(m->ResolveAlias("Section", "SP", error), "Sport & Leisure");
  EXPECT_EQ(m->ResolveAlias("Color", "BK", error), "black");
  EXPECT_EQ(m->ResolveAlias("Publication", "NL", error), "") << "a NULL long name";
  EXPECT_EQ(m->ResolveAlias("Publication", "", error), "");
  EXPECT_EQ(m->ResolveAlias("Publication", "x' OR '1'='1", error), "x' OR '1'='1");
  EXPECT_EQ(error, "");

  DatabaseMgr down(logs_);
  EXPECT_FALSE(down.Connect(kDownDsn, kDbUser, TestDbPassword(), 1, error));
  EXPECT_EQ(down.ResolveAlias("Publication", "AB", error), "");
  EXPECT_NE(error.find("Error connecting to database"), std::string::npos);
}

}  // namespace
}  // namespace vellora::test
