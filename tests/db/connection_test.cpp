// Opening, keeping and losing connections on a real server, and what each failure
// says.
#include <gtest/gtest.h>

#include "db/db_fixture.h"
#include "support/child_process.h"

namespace vellora::test {
namespace {

using db::DatabaseMgr;

TEST_F(DbTest, ConnectsAndReadsTheServerKind) {
  DatabaseMgr m(logs_);
  EXPECT_FALSE(m.Connected());
  EXPECT_EQ(m.DataSource(), "hv");
  EXPECT_EQ(m.User(), "sa");
  EXPECT_EQ(m.KeepConnection(), 0);
  std::string error = "stale";
  ASSERT_TRUE(m.Connect(kMainDsn, kDbUser, TestDbPassword(), 1, error)) << error;
  EXPECT_EQ(error, "");
  EXPECT_TRUE(m.Connected());
  EXPECT_EQ(m.DbmsName(), "PostgreSQL");
  EXPECT_EQ(m.DataSource(), kMainDsn);
  EXPECT_EQ(m.KeepConnection(), 1);
  EXPECT_EQ(Value(m, "SELECT current_database()"), "vellora");
  m.Disconnect();
  EXPECT_FALSE(m.Connected());
  // The next use opens it again with the stored values.
  EXPECT_EQ(Value(m, "SELECT current_user"), "vellora");
  EXPECT_TRUE(m.Connected());
}

TEST_F(DbTest, EmptyDataSourceOrUserTouchesNothing) {
  for (auto [dsn, user] : {std::pair{"", kDbUser}, std::pair{kMainDsn, ""}}) {
    DatabaseMgr m(logs_);
    std::string error;
    EXPECT_FALSE(m.Connect(dsn, user, "pw", 1, error));
    EXPECT_EQ(error, "Empty DSN or username not allowed");
    EXPECT_FALSE(m.Connected());
    // Every operation fails the same way, with its own failure value.
    int enabled = 5;
    EXPECT_EQ(m.RegisterProcess(10, "RIP1", "RIP1", 1, error), -1);
    EXPECT_EQ(error, "Empty DSN or username not allowed");
    EXPECT_EQ(m.GetProcessEnabled(7, enabled, error), -1);
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(m.UpdateProcess(7, 1, 1, "", "", error), 0);
    EXPECT_EQ(m.AddLogEntry(7, 1, 1, 1, "", error), 0);
    EXPECT_EQ(m.ResolveAlias("Publication", "AB", error), "");
    std::vector<db::ColorRecord> colors;
    EXPECT_FALSE(m.LoadColors(colors, error));
    db::PageKey key;
    key.Publication = "ABC";
    db::PageMatch match;
    match.SeparationSetId = 77;
    db::NameLookup names(nullptr, nullptr, false);
    EXPECT_EQ(m.FindPage(key, names, 2, match, error), 0);
    EXPECT_EQ(match.SeparationSetId, 77) << "untouched when the connection cannot be opened";
    EXPECT_EQ(error, "Empty DSN or username not allowed");
  }
}

TEST_F(DbTest, ConnectionFailuresNeverShowThePassword) {
  const std::string password = TestDbPassword();
  struct Case {
    const char* dsn;
    std::string password;
    const char* says;
  };
  for (const Case& c : {Case{"NoSuchSource", password, "Data source name not found"},
                        Case{kDownDsn, password, "Connection refused"},
                        Case{kMainDsn, "wrong)pass'word", "password authentication failed"}}) {
    DatabaseMgr m(logs_);
    std::string error;
    EXPECT_FALSE(m.Connect(c.dsn, kDbUser, c.password, 1, error));
    EXPECT_FALSE(m.Connected());
    EXPECT_EQ(error.rfind("Error connecting to database - ", 0), 0u) << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_NE(error.find(std::string(" (DSN=") + c.dsn + ";UID=vellora;PWD=***)"),
              std::string::npos)
        << error;
    EXPECT_EQ(error.find(c.password), std::string::npos) << error;
    EXPECT_EQ(error.find("pass'word"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
  }
}

TEST_F(DbTest, KeepConnectionZeroReconnectsForEveryUse) {
  DatabaseMgr m(logs_);
  std::string error;
  ASSERT_TRUE(m.Connect(kMainDsn, kDbUser, TestDbPassword(), 0, error)) << error;
  std::string first = Value(m, "SELECT pg_backend_pid()");
  std::string second = Value(m, "SELECT pg_backend_pid()");
  EXPECT_NE(first, "");
  EXPECT_NE(first, second) << "each use opens a new connection";
  // The connection of the last use stays open until the next use.
  EXPECT_TRUE(m.Connected());

  DatabaseMgr kept(logs_);
  ASSERT_TRUE(kept.Connect(kMainDsn, kDbUser, TestDbPassword(), 1, error)) << error;
  std::string pid = Value(kept, "SELECT pg_backend_pid()");
  EXPECT_EQ(Value(kept, "SELECT pg_backend_pid()"), pid);
  EXPECT_TRUE(kept.EnsureOpen(error));
  EXPECT_EQ(Value(kept, "SELECT pg_backend_pid()"), pid);
}

TEST_F(DbTest, ConnectOnAConnectedManagerKeepsItsConnection) {
  auto m = Connected(kMainDsn);
  std::string pid = Value(*m, "SELECT pg_backend_pid()");
  std::string error;
  // New values, even broken ones, do not touch a connection that is open.
  EXPECT_TRUE(m->Connect(kBackupDsn, kDbUser, TestDbPassword(), 1, error)) << error;
  EXPECT_EQ(Value(*m, "SELECT current_database()"), "vellora");
  EXPECT_EQ(Value(*m, "SELECT pg_backend_pid()"), pid);
  EXPECT_EQ(m->DataSource(), kBackupDsn);
  m->Disconnect();
  EXPECT_EQ(Value(*m, "SELECT current_database()"), "vellora_backup");
  // Reconnect is both at once.
  EXPECT_TRUE(m->Reconnect(kMainDsn, kDbUser, TestDbPassword(), 1, error)) << error;
  EXPECT_EQ(Value(*m, "SELECT current_database()"), "vellora");
  EXPECT_FALSE(m->Reconnect(kDownDsn, kDbUser, TestDbPassword(), 1, error));
  EXPECT_FALSE(m->Connected());
}

TEST_F(DbTest, TextsStaySingleBytes) {
  auto m = Connected();
  std::string error;
  const std::string name = "Z\xfcrich \xe9t\xe9 \x80";  // Windows-1252
  int id = m->RegisterProcess(20, name, name, 1, error);
  ASSERT_GT(id, 0) << error;
  EXPECT_EQ(Value(*m, "SELECT ProcessName FROM ProcessConfigurations WHERE ProcessID=" +
                          std::to_string(id)),
            name);
}

// A server that stops while the program runs: the statement that meets the dead
// connection fails, and once the server is back the next one reconnects by itself.
TEST_F(DbTest, ServerStoppedAndStartedAgain) {
  SpareServerLease lease;
  auto m = Connected(kSpareDsn);
  auto kept = Connected(kSpareDsn);
  std::string error;
  int id = m->RegisterProcess(10, "SpareRip", "SpareRip", 1, error);
  ASSERT_GT(id, 0) << error;
  db::NameLists lists;
  ASSERT_TRUE(kept->LoadNameCaches(lists, error)) << error;
  db::NameLookup names(lists.Get(), nullptr, false);
  db::PageKey key;
  key.PlanPageName = "ABC-0131-P1";
  db::PageMatch match;
  ASSERT_EQ(kept->FindPage(key, names, 2, match, error), 1) << error;

  ASSERT_TRUE(lease.Pause());
  // A statement that drops the connection on a database error.
  EXPECT_EQ(m->UpdateProcess(id, -1, 1, "", "", error), 0);
  EXPECT_EQ(error.rfind("ERROR (DATABASEMGR): Update failed - ", 0), 0u) << error;
  EXPECT_FALSE(m->Connected());
  // The job query keeps its connection object; the dead handle is noticed later.
  EXPECT_EQ(kept->FindPage(key, names, 2, match, error), 0);
  EXPECT_EQ(match.SeparationSetId, 0);
  EXPECT_TRUE(kept->Connected());
  // While the server is down every use tries again and says why it cannot.
  EXPECT_EQ(m->UpdateProcess(id, -1, 1, "", "", error), 0);
  EXPECT_EQ(error.rfind("Error connecting to database - ", 0), 0u) << error;
  EXPECT_NE(error.find("PWD=***"), std::string::npos);

  ASSERT_TRUE(lease.Resume());
  EXPECT_EQ(m->UpdateProcess(id, -1, 2, "job", "back", error), 1) << error;
  EXPECT_TRUE(m->Connected());
  // EnsureOpen finds the old handle closed and opens a new one.
  EXPECT_EQ(kept->FindPage(key, names, 2, match, error), 1) << error;
  EXPECT_EQ(match.SeparationSetId, 101);
  EXPECT_EQ(Value(*kept, "SELECT Message FROM ProcessConfigurations WHERE ProcessID=" +
                             std::to_string(id)),
            "back");
}

TEST_F(DbTest, TestDatabaseTool) {
  const std::string password = TestDbPassword();
  WriteFile(dir_ / "Vellora.ini",
            "[Setup]\r\nDSN=" + std::string(kMainDsn) + "\r\nDSNuser=vellora\r\nDSNpw=" + password +
                "\r\nDSN2=NoSuchSource\r\nDSNuser2=vellora\r\nDSNpw2=" + password + "\r\n");
  std::string out;
  EXPECT_EQ(RunProgram(Headless(), {"--dir", dir_.path(), "--test-database"}, &out), 0) << out;
  EXPECT_EQ(out, "Connection OK\n");

  EXPECT_EQ(RunProgram(Headless(), {"--dir", dir_.path(), "--test-database", "--backup"}, &out), 1);
  EXPECT_EQ(out.rfind("Error connecting to database - ", 0), 0u) << out;
  EXPECT_NE(out.find("(DSN=NoSuchSource;UID=vellora;PWD=***)\n"), std::string::npos) << out;
  EXPECT_EQ(out.find(password), std::string::npos) << out;

  WriteFile(dir_ / "Vellora.ini", "[Setup]\r\nDSN=\r\n");
  EXPECT_EQ(RunProgram(Headless(), {"--dir", dir_.path(), "--test-database"}, &out), 1);
  EXPECT_EQ(out, "Empty DSN or username not allowed\n");
  EXPECT_EQ(RunProgram(Headless(), {"--dir", dir_.path(), "--backup"}, &out), 2);
}

}  // namespace
}  // namespace vellora::test
