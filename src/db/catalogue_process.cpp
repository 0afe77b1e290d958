// The catalogue's procedure calls and the process query.
#include "db/database_mgr.h"
#include "db/result_row.h"
#include "db/statements.h"

namespace vellora::db {

namespace {

const char kUpdateFailed[] = "ERROR (DATABASEMGR): Update failed - ";

}  // namespace

int DatabaseMgr::AddPrepollLogEntry(int separationSet, int processId, int eventCode,
                                    const std::string& text, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return 0;
  Result r = Execute(AddPrepollLogEntrySql(separationSet, processId, eventCode, text),
                     Cursor::Direct, nullptr);
  if (r.outcome == Outcome::DbError) {
    error = "DB Update failed - " + r.driverText;
    DropConnectionLocked();
    return 0;
  }
  return 1;
}

int DatabaseMgr::AddLogEntry(int processId, int eventCode, int64_t value1, int64_t value2,
                             const std::string& text, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return 0;
  Result r =
      Execute(AddLogEntrySql(processId, eventCode, value1, value2, text), Cursor::Direct, nullptr);
  if (r.outcome == Outcome::DbError) {
    error = kUpdateFailed + r.driverText;
    DropConnectionLocked();
    return 0;
  }
  return 1;
}

int DatabaseMgr::RegisterProcess(int kind, const std::string& name, const std::string& secondName,
                                 int flag, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return -1;
  const std::string sql = RegisterProcessSql(kind, name, secondName, flag);
  int processId = -1;
  Result r = Execute(sql, Cursor::Static, [&](const ResultRow& row) {
    processId = row.Int(0);
    return false;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = "Query failed - " + sql;
    return 0;
  }
  if (r.outcome == Outcome::DbError) {
    error = kUpdateFailed + r.driverText;
    DropConnectionLocked();
    return -1;
  }
  return processId;
}

int DatabaseMgr::UpdateProcess(int processId, int enabled, int state, const std::string& currentJob,
                               const std::string& message, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return 0;
  Result r = Execute(UpdateProcessSql(processId, enabled, state, currentJob, message),
                     Cursor::Direct, nullptr);
  if (r.outcome == Outcome::DbError) {
    error = kUpdateFailed + r.driverText;
    DropConnectionLocked();
    return 0;
  }
  return 1;
}

int DatabaseMgr::GetProcessEnabled(int processId, int& enabled, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  enabled = 0;
  if (!EnsureOpenLocked(error)) return -1;
  const std::string sql = GetProcessEnabledSql(processId);
  int value = 0;
  Result r = Execute(sql, Cursor::Static, [&](const ResultRow& row) {
    value = row.Int(0);
    return false;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = "Query failed - " + sql;
    return 0;
  }
  if (r.outcome == Outcome::DbError) {
    error = kUpdateFailed + r.driverText;
    DropConnectionLocked();
    return -1;
  }
  enabled = value;
  return processId;
}

}  // namespace vellora::db
