// The throwaway PostgreSQL the database suites run on (tests/fixtures/test-db):
// where it is, how to reach it, and how to stop and start its spare server.
//
// ctest starts it before the suites and stops it afterwards (a fixture), unless
// VELLORA_TEST_DB_DIR names one that runs already (scripts/test does that once for
// all its builds). A suite run without it fails, saying how to start it.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace vellora::test {

class TempDir;

// Data sources of the test database's odbc.ini.
constexpr char kMainDsn[] = "VelloraTest";      // the plan
constexpr char kBackupDsn[] = "VelloraBackup";  // the same plan, process ids from 1001
constexpr char kBrokenDsn[] = "VelloraBroken";  // tables and procedures missing or broken
constexpr char kSpareDsn[] = "VelloraSpare";    // a server of its own, to stop and start
constexpr char kDownDsn[] = "VelloraDown";      // a port nobody listens on
constexpr char kDbUser[] = "vellora";

// The folder of the test database.
std::string TestDbDir();
// Points the ODBC driver manager (ODBCINI, ODBCSYSINI) at the test database. When it
// does not run, records a test failure that says how to start it and returns false.
bool UseTestDatabase();
// The login password (it holds ";", braces and "=").
std::string TestDbPassword();
// A name no other test run uses (the databases live across runs and builds). Both
// may be called from any thread.
std::string UniqueName(const std::string& prefix);
// A number no other test run uses, from 100000 up.
int UniqueNumber();
// Runs a statement on a connection of its own to the main data source (the test
// database in use): the first column of the first row, "" when there is none,
// "ERROR: ..." on failure.
std::string RunSql(const std::string& statement);
// scripts/test-db VERB DIR [server]: pause or resume a server. The exit status.
int RunTestDbScript(const std::string& verb, const std::string& server);

// A test database of one test's own (scripts/test-db start in a fresh folder), for
// tests that stop its server while programs use it: the shared one serves suites
// that run at the same time. Stopped and removed at the end of its scope. Its data
// sources have the names above; programs reach it through Env().
class PrivateTestDatabase {
 public:
  PrivateTestDatabase();
  ~PrivateTestDatabase();
  PrivateTestDatabase(const PrivateTestDatabase&) = delete;
  PrivateTestDatabase& operator=(const PrivateTestDatabase&) = delete;

  // False (with a test failure) when it did not start.
  bool Started() const { return started_; }
  // ODBCINI and ODBCSYSINI for a child process.
  std::map<std::string, std::string> Env() const;
  std::string Password() const;
  // Stops and starts its main server again (same port, same data).
  bool Pause();
  bool Resume();

 private:
  std::unique_ptr<TempDir> dir_;
  bool started_ = false;
};

// The spare server to oneself while it lives: tests that stop and start it take this
// first, so that suites run side by side (ctest -j) never stop it under each other.
class SpareServerLease {
 public:
  SpareServerLease();
  // Starts the server again if the test stopped it and did not start it again.
  ~SpareServerLease();
  // Stops and starts the server (scripts/test-db pause, resume); true when done.
  bool Pause();
  bool Resume();
  SpareServerLease(const SpareServerLease&) = delete;
  SpareServerLease& operator=(const SpareServerLease&) = delete;

 private:
  int fd_ = -1;
  bool paused_ = false;
};

}  // namespace vellora::test
