// Finding the test database.
#include "db/test_database.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <random>

#include "core/logs.h"
#include "db/database_mgr.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

// The test data sources' ConnSettings make psqlODBC keep 8 bytes per connection
// (tests/fixtures/db/lsan.supp says more). For this process; child processes get
// the file through LSAN_OPTIONS.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:psqlodbca.so\n";
}

namespace vellora::test {

std::string TestDbDir() {
  const char* env = std::getenv("VELLORA_TEST_DB_DIR");
  return env != nullptr && *env != '\0' ? env : VELLORA_TEST_DB_DEFAULT_DIR;
}

bool UseTestDatabase() {
  const std::string dir = TestDbDir();
  if (!Exists(dir + "/ready") || !Exists(dir + "/odbc.ini")) {
    ADD_FAILURE() << "The test database does not run in " << dir
                  << ". ctest starts it for these suites; to run them by hand, start it with\n"
                     "  "
                  << VELLORA_SOURCE_DIR << "/scripts/test-db start " << dir
                  << "\n(and stop it with 'stop'), or set VELLORA_TEST_DB_DIR to the folder of "
                     "one that runs.";
    return false;
  }
  setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
  setenv("ODBCSYSINI", dir.c_str(), 1);
  const std::string suppressions = std::string("print_suppressions=0:suppressions=") +
                                   VELLORA_SOURCE_DIR + "/tests/fixtures/db/lsan.supp";
  const char* lsan = std::getenv("LSAN_OPTIONS");
  std::string options = lsan != nullptr ? lsan : "";
  if (options.find(suppressions) == std::string::npos) {
    options = options.empty() ? suppressions : options + ":" + suppressions;
    setenv("LSAN_OPTIONS", options.c_str(), 1);
  }
  return true;
}

std::string TestDbPassword() {
  return ReadFile(TestDbDir() + "/password");
}

int UniqueNumber() {
  static std::mutex mutex;
  static std::mt19937 random{std::random_device{}()};
  std::lock_guard<std::mutex> lock(mutex);
  return 100000 + static_cast<int>(random() % 1000000000);
}

std::string UniqueName(const std::string& prefix) {
  return prefix + std::to_string(UniqueNumber());
}

std::string RunSql(const std::string& statement) {
  // The driver manager finds the data sources only once ODBCINI names them.
  if (!UseTestDatabase()) return "ERROR: the test database does not run";
  core::LogWriters logs;
  db::DatabaseMgr m(logs);
  std::string error;
  if (!m.Connect(kMainDsn, kDbUser, TestDbPassword(), 1, error)) return "ERROR: " + error;
  std::vector<std::vector<std::string>> rows;
  if (!m.RunStatement(statement, rows, error)) return "ERROR: " + error;
  return rows.empty() || rows[0].empty() ? "" : rows[0][0];
}

int RunTestDbScript(const std::string& verb, const std::string& server) {
  std::string output;
  std::vector<std::string> args = {verb, TestDbDir()};
  if (!server.empty()) args.push_back(server);
  int status =
      RunProgram(std::string(VELLORA_SOURCE_DIR) + "/scripts/test-db", args, &output, {}, 120000);
  if (status != 0) ADD_FAILURE() << "scripts/test-db " << verb << ": " << output;
  return status;
}

PrivateTestDatabase::PrivateTestDatabase() : dir_(std::make_unique<TempDir>()) {
  std::string output;
  const int status = RunProgram(std::string(VELLORA_SOURCE_DIR) + "/scripts/test-db",
                                {"start", dir_->path()}, &output, {}, 180000);
  started_ = status == 0 && Exists(*dir_ / "ready");
  if (!started_) ADD_FAILURE() << "scripts/test-db start " << dir_->path() << ": " << output;
}

PrivateTestDatabase::~PrivateTestDatabase() {
  std::string output;
  RunProgram(std::string(VELLORA_SOURCE_DIR) + "/scripts/test-db", {"stop", dir_->path()}, &output,
             {}, 180000);
}

std::map<std::string, std::string> PrivateTestDatabase::Env() const {
  return {{"ODBCINI", *dir_ / "odbc.ini"}, {"ODBCSYSINI", dir_->path()}};
}

std::string PrivateTestDatabase::Password() const {
  return ReadFile(*dir_ / "password");
}

bool PrivateTestDatabase::Pause() {
  std::string output;
  const int status = RunProgram(std::string(VELLORA_SOURCE_DIR) + "/scripts/test-db",
                                {"pause", dir_->path(), "main"}, &output, {}, 120000);
  if (status != 0) ADD_FAILURE() << "scripts/test-db pause: " << output;
  return status == 0;
}

bool PrivateTestDatabase::Resume() {
  std::string output;
  const int status = RunProgram(std::string(VELLORA_SOURCE_DIR) + "/scripts/test-db",
                                {"resume", dir_->path(), "main"}, &output, {}, 120000);
  if (status != 0) ADD_FAILURE() << "scripts/test-db resume: " << output;
  return status == 0;
}

SpareServerLease::SpareServerLease() {
  fd_ = ::open((TestDbDir() + "/spare.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) ADD_FAILURE() << "cannot lock the spare server";
}

SpareServerLease::~SpareServerLease() {
  // A test that failed while the server was stopped must not leave it so for the
  // tests after it.
  if (paused_) Resume();
  if (fd_ >= 0) ::close(fd_);  // the lock goes with the descriptor
}

bool SpareServerLease::Pause() {
  paused_ = true;
  return RunTestDbScript("pause", "spare") == 0;
}

bool SpareServerLease::Resume() {
  paused_ = false;
  return RunTestDbScript("resume", "spare") == 0;
}

}  // namespace vellora::test
