// The procedures, the process query, the external status and the page format on
// the test plan; and every failure value and text on a database gone wrong.
#include <gtest/gtest.h>

#include "db/db_fixture.h"

namespace vellora::test {
namespace {

using db::DatabaseMgr;

TEST_F(DbTest, ProcessRegistrationAndUpdates) {
  auto m = Connected();
  std::string error = "stale";
  const std::string name = UniqueName("RIP'; --");
  int id = m->RegisterProcess(10, name, name, 1, error);
  ASSERT_GT(id, 0) << error;
  EXPECT_LT(id, 1001) << "the main database's ids";
  EXPECT_EQ(error, "");
  EXPECT_EQ(m->RegisterProcess(10, name, name, 1, error), id) << "registering again: same id";
  const std::string row = "FROM ProcessConfigurations WHERE ProcessID=" + std::to_string(id);
  EXPECT_EQ(Value(*m, "SELECT ProcessName " + row), name);

  EXPECT_EQ(m->UpdateProcess(id, 0, 3, "P1'x.PS", "it's; /* ok */", error), 1) << error;
  int enabled = 7;
  EXPECT_EQ(m->GetProcessEnabled(id, enabled, error), id) << error;
  EXPECT_EQ(enabled, 0);
  EXPECT_EQ(Value(*m, "SELECT State " + row), "3");
  EXPECT_EQ(Value(*m, "SELECT CurrentJob " + row), "P1'x.PS");
  EXPECT_EQ(Value(*m, "SELECT Message " + row), "it's; /* ok */");
  // -1 leaves a value as it is.
  EXPECT_EQ(m->UpdateProcess(id, 1, -1, "", "", error), 1) << error;
  EXPECT_EQ(m->GetProcessEnabled(id, enabled, error), id);
  EXPECT_EQ(enabled, 1);
  EXPECT_EQ(Value(*m, "SELECT State " + row), "3");
  EXPECT_EQ(m->UpdateProcess(id, -1, 4, "", "", error), 1) << error;
  EXPECT_EQ(m->GetProcessEnabled(id, enabled, error), id);
  EXPECT_EQ(enabled, 1);
  EXPECT_EQ(Value(*m, "SELECT State " + row), "4");

  // A NULL flag reads 0; a process listed twice gives its first row; no row gives 0.
  EXPECT_EQ(m->GetProcessEnabled(900, enabled, error), 900);
  EXPECT_EQ(enabled, 0);
  EXPECT_EQ(m->GetProcessEnabled(901, enabled, error), 901);
  EXPECT_EQ(enabled, 0);
  enabled = 7;
  EXPECT_EQ(m->GetProcessEnabled(987654, enabled, error), 987654);
  EXPECT_EQ(enabled, 0);
  EXPECT_EQ(error, "");
  EXPECT_TRUE(m->Connected());
}

TEST_F(DbTest, LogEntries) {
  auto m = Connected();
  std::string error;
  const int process = UniqueNumber();
  const std::string text = "P1.PS; Completed -- it's /* done */";
  EXPECT_EQ(m->AddLogEntry(process, 120, 5000000000LL, -7, text, error), 1) << error;
  EXPECT_EQ(Value(*m,
                  "SELECT EventCode||'|'||Value1||'|'||Value2||'|'||Message FROM ProcessLog "
                  "WHERE ProcessID=" +
                      std::to_string(process)),
            "120|5000000000|-7|" + text);
  EXPECT_EQ(m->AddPrepollLogEntry(101, process, 126, text, error), 1) << error;
  EXPECT_EQ(Value(*m,
                  "SELECT MasterCopySeparationSet||'|'||Kind||'|'||EventCode||'|'||Message FROM "
                  "PrepollLog WHERE ProcessID=" +
                      std::to_string(process)),
            "101|10|126|" + text);
}

TEST_F(DbTest, ExternalStatusAndPageFormat) {
  auto m = Connected();
  std::string error;
  EXPECT_EQ(m->SetExternalStatus(103, 3, error), 1) << error;
  EXPECT_EQ(Value(*m, "SELECT Externalstatus FROM PageTable WHERE MasterCopySeparationSet=103"),
            "3");
  EXPECT_EQ(m->SetExternalStatus(99999, 4, error), 1) << "no such set: nothing to update";

  double w = -1, h = -1, b = -1;
  EXPECT_EQ(m->PageFormatOfPage(101, w, h, b, error), "A43mmR");
  EXPECT_DOUBLE_EQ(w, 210);
  EXPECT_DOUBLE_EQ(h, 297);
  EXPECT_DOUBLE_EQ(b, 3);
  EXPECT_EQ(m->PageFormatOfPage(202, w, h, b, error), "Tabloid2");
  EXPECT_DOUBLE_EQ(w, 280);
  EXPECT_DOUBLE_EQ(b, 0) << "NULL bleed";
  for (int set : {0, 99999, -1}) {
    w = h = b = -1;
    EXPECT_EQ(m->PageFormatOfPage(set, w, h, b, error), "") << set;
    EXPECT_EQ(w + h + b, 0) << set;
    EXPECT_EQ(error, "");
  }
  EXPECT_EQ(DbErrorLog(), "") << "nothing failed";
}

// Every operation on a database whose tables and procedures are missing: its
// failure value and text, and whether it drops the connection.
TEST_F(DbTest, FailureValuesAndTexts) {
  auto m = Connected(kBrokenDsn);
  std::string error;
  auto expectDropped = [&](bool dropped, const char* what) {
    EXPECT_EQ(m->Connected(), !dropped) << what;
    if (!m->Connected()) {
      EXPECT_TRUE(m->EnsureOpen(error)) << error;
    }
  };

  std::vector<db::ColorRecord> colors;
  EXPECT_TRUE(m->LoadColors(colors, error)) << error;
  ASSERT_EQ(colors.size(), 1u);
  EXPECT_EQ(colors[0].ColorID, 42);

  std::vector<db::IdNameRecord> ids;
  EXPECT_FALSE(m->LoadIdNameTable("SectionNames", ids, error));
  EXPECT_EQ(error, "Query failed - SELECT * FROM SectionNames") << "a result without columns";
  expectDropped(false, "no result set");
  EXPECT_FALSE(m->LoadIdNameTable("IssueNames", ids, error));
  EXPECT_EQ(error.rfind("ERROR (DATABASEMGR): Query failed - ERROR: relation \"issuenames\" does "
                        "not exist",
                        0),
            0u)
      << error;
  expectDropped(true, "LoadIdNameTable");

  std::vector<db::EditionRecord> editions{{1, "old"}};
  EXPECT_FALSE(m->LoadEditions(editions, error));
  EXPECT_TRUE(editions.empty()) << "the list is emptied first";
  EXPECT_EQ(error.rfind("ERROR (DATABASEMGR): Query failed - ERROR:", 0), 0u) << error;
  expectDropped(true, "LoadEditions");

  EXPECT_EQ(DbErrorLog(), "");
  std::vector<db::PageFormatRecord> formats;
  EXPECT_FALSE(m->LoadPageFormats(formats, error));
  expectDropped(true, "LoadPageFormats");
  std::string dbLog = DbErrorLog();
  EXPECT_NE(dbLog.find("] Error: ERROR: relation \"pageformatnames\" does not exist"),
            std::string::npos)
      << dbLog;
  EXPECT_NE(dbLog.find("   (SELECT DISTINCT PageFormatID,PageFormatName,Width,Height,Bleed FROM "
                       "PageFormatNames)\r\n"),
            std::string::npos)
      << dbLog;

  EXPECT_EQ(m->PublicationIdByNameDb("BrokenPub", error), 7) << error;
  EXPECT_EQ(m->SectionIdByNameDb("A", error), 0);
  EXPECT_EQ(error.rfind("ERROR (DATABASEMGR): Query failed - ", 0), 0u) << error;
  expectDropped(true, "SectionIdByNameDb");
  EXPECT_EQ(m->EditionIdByNameDb("A", error), 0);
  expectDropped(true, "EditionIdByNameDb");

  EXPECT_EQ(m->ResolveAlias("Publication", "AB", error), "");
  EXPECT_NE(error, "");
  expectDropped(false, "ResolveAlias");

  db::NameLookup names(nullptr, nullptr, false);
  db::PageKey key;
  key.Publication = "BrokenPub";
  db::PageMatch match;
  match.SeparationSetId = 5;
  EXPECT_EQ(m->FindPage(key, names, 2, match, error), 0);
  EXPECT_EQ(match.SeparationSetId, 0);
  expectDropped(false, "FindPage");

  double w = 1, h = 1, b = 1;
  EXPECT_EQ(m->PageFormatOfPage(101, w, h, b, error), "");
  EXPECT_EQ(w + h + b, 0);
  expectDropped(false, "PageFormatOfPage");

  EXPECT_EQ(m->SetExternalStatus(101, 3, error), 0);
  EXPECT_EQ(error.rfind("DB Update failed - ERROR:", 0), 0u) << error;
  expectDropped(true, "SetExternalStatus");

  EXPECT_EQ(m->AddPrepollLogEntry(101, 1, 120, "x", error), 0);
  EXPECT_EQ(error.rfind("DB Update failed - ERROR:", 0), 0u) << error;
  expectDropped(true, "AddPrepollLogEntry");

  EXPECT_EQ(m->AddLogEntry(1, 120, 1, 2, "x", error), 0);
  EXPECT_EQ(error.rfind("ERROR (DATABASEMGR): Update failed - ERROR:", 0), 0u) << error;
  expectDropped(true, "AddLogEntry");

  EXPECT_EQ(m->UpdateProcess(1, 1, 1, "", "", error), 0);
  EXPECT_EQ(error.rfind("ERROR (DATABASEMGR): Update failed - ERROR:", 0), 0u) << error;
  expectDropped(true, "UpdateProcess");

  // The registration procedure answers without a result to read.
  EXPECT_EQ(m->RegisterProcess(10, "RIP1", "RIP1", 1, error), 0);
  EXPECT_EQ(error, "Query failed - {CALL spRegisterProcess (10,'RIP1','RIP1',1)}");
  expectDropped(false, "RegisterProcess without a result");

  int enabled = 9;
  EXPECT_EQ(m->GetProcessEnabled(1, enabled, error), -1);
  EXPECT_EQ(enabled, 0);
  EXPECT_EQ(error.rfind("ERROR (DATABASEMGR): Update failed - ERROR:", 0), 0u) << error;
  expectDropped(true, "GetProcessEnabled");

  EXPECT_EQ(DbErrorLog(), dbLog) << "only the page-format list writes the database error log";
}

// A list load that fails keeps the names known before, for that list and the
// lists after it; the lists before it are replaced.
TEST_F(DbTest, AFailedListLoadKeepsTheNamesKnownBefore) {
  db::NameLists lists;
  std::string error;
  ASSERT_TRUE(Connected()->LoadNameCaches(lists, error)) << error;
  auto broken = Connected(kBrokenDsn);
  EXPECT_FALSE(broken->LoadNameCaches(lists, error));
  EXPECT_EQ(error, "Query failed - SELECT * FROM SectionNames");
  auto d = lists.Get();
  ASSERT_EQ(d->colors.size(), 1u);
  EXPECT_EQ(d->colors[0].ColorName, "Broken");
  ASSERT_EQ(d->publications.size(), 1u);
  EXPECT_EQ(d->publications[0].Name, "BrokenPub");
  EXPECT_EQ(d->sections.size(), 3u);
  EXPECT_EQ(d->issues.size(), 2u);
  EXPECT_EQ(d->editions.size(), 3u);
  EXPECT_EQ(d->pageFormats.size(), 2u);
}

}  // namespace
}  // namespace vellora::test
