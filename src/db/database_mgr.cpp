// The manager's connection and the one way statements reach the driver.
#include "db/database_mgr.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

#include "db/connection_string.h"
#include "db/result_row.h"
#include "db/sql_text.h"

namespace vellora::db {

struct DatabaseMgr::Handles {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  bool open = false;  // SQLDriverConnect succeeded and no SQLDisconnect since
};

namespace {

// The driver's diagnostic records of a handle as one line: the messages in order,
// line breaks and runs of blanks made single blanks.
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::string out;
  if (handle == SQL_NULL_HANDLE) return out;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR state[6] = {0};
    SQLCHAR message[1024] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN r = SQLGetDiagRec(type, handle, i, state, &native, message,
                                static_cast<SQLSMALLINT>(sizeof message), &length);
    if (!SQL_SUCCEEDED(r)) break;
    std::string text;
    for (const SQLCHAR* p = message; *p != 0; ++p) {
      char c = static_cast<char>(*p);
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';
      if (c == ' ' && (text.empty() || text.back() == ' ')) continue;
      text += c;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.empty()) continue;
    if (!out.empty()) out += ' ';
    out += text;
  }
  return out;
}

// One column of the current row as text; nullopt for NULL. False on a driver error.
bool ReadColumn(SQLHSTMT st, SQLUSMALLINT column, std::optional<std::string>& value) {
  std::string text;
  char buffer[512];
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN r = SQLGetData(st, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
    if (r == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(r)) return false;
    if (indicator == SQL_NULL_DATA) {
      value.reset();
      return true;
    }
    // A long value comes in pieces: each full piece ends in the terminating zero.
    if (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer)) {
      text.append(buffer, sizeof buffer - 1);
      continue;
    }
    text.append(buffer, static_cast<size_t>(indicator));
    break;
  }
  value = std::move(text);
  return true;
}

}  // namespace

DatabaseMgr::DatabaseMgr(core::LogWriters& logs) : DatabaseMgr(logs, Timeouts{}) {}

DatabaseMgr::DatabaseMgr(core::LogWriters& logs, Timeouts timeouts)
    : logs_(logs), timeouts_(timeouts), handles_(std::make_unique<Handles>()) {}

DatabaseMgr::~DatabaseMgr() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  DisconnectLocked();
  if (handles_->dbc != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, handles_->dbc);
  if (handles_->env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, handles_->env);
}

std::string DatabaseMgr::DataSource() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return dataSource_;
}

std::string DatabaseMgr::User() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return user_;
}

int DatabaseMgr::KeepConnection() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return keepConnection_;
}

std::string DatabaseMgr::DbmsName() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return dbmsName_;
}

bool DatabaseMgr::Connect(const std::string& dataSource, const std::string& user,
                          const std::string& password, int keepConnection, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  dataSource_ = dataSource;
  user_ = user;
  password_ = password;
  keepConnection_ = keepConnection;
  return EnsureOpenLocked(error);
}

bool DatabaseMgr::Reconnect(const std::string& dataSource, const std::string& user,
                            const std::string& password, int keepConnection, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  DisconnectLocked();
  return Connect(dataSource, user, password, keepConnection, error);
}

bool DatabaseMgr::EnsureOpen(std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return EnsureOpenLocked(error);
}

void DatabaseMgr::Disconnect() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  DisconnectLocked();
}

void DatabaseMgr::DisconnectLocked() {
  if (handles_->open) SQLDisconnect(handles_->dbc);
  handles_->open = false;
  connected_.store(0, std::memory_order_release);
}

void DatabaseMgr::DropConnectionLocked() {
  DisconnectLocked();
}

bool DatabaseMgr::HandleIsOpenLocked() {
  if (!handles_->open) return false;
  // The driver notices a connection the server dropped when it last used it; asking
  // costs no round trip. A driver that cannot tell is taken at its word.
  SQLUINTEGER dead = SQL_CD_FALSE;
  SQLRETURN r = SQLGetConnectAttr(handles_->dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
  return !(SQL_SUCCEEDED(r) && dead == SQL_CD_TRUE);
}

bool DatabaseMgr::EnsureOpenLocked(std::string& error) {
  error.clear();
  if (handles_->dbc != SQL_NULL_HDBC && !HandleIsOpenLocked()) {
    // Close errors do not matter: the connection is gone either way.
    DisconnectLocked();
  }
  if (keepConnection_ == 0) DisconnectLocked();
  if (Connected()) return true;
  if (dataSource_.empty() || user_.empty()) {
    error = "Empty DSN or username not allowed";
    return false;
  }
  const std::string shown = ShownConnectionString(dataSource_, user_);
  const std::string refused = "Error connecting to database with connection string '" + shown + "'";
  if (handles_->env == SQL_NULL_HENV) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles_->env))) {
      handles_->env = SQL_NULL_HENV;
      error = refused;
      return false;
    }
    SQLSetEnvAttr(handles_->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
  }
  if (handles_->dbc == SQL_NULL_HDBC &&
      !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, handles_->env, &handles_->dbc))) {
    handles_->dbc = SQL_NULL_HDBC;
    error = MaskPasswords(Diagnostics(SQL_HANDLE_ENV, handles_->env), password_);
    error =
        error.empty() ? refused : "Error connecting to database - " + error + " (" + shown + ")";
    return false;
  }
  if (timeouts_.loginSeconds > 0) {
    SQLSetConnectAttr(handles_->dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(timeouts_.loginSeconds)),
                      0);
  }
  std::string text = BuildConnectionString(dataSource_, user_, password_);
  SQLCHAR completed[1024];
  SQLSMALLINT completedLength = 0;
  SQLRETURN r = SQLDriverConnect(handles_->dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                 static_cast<SQLSMALLINT>(text.size()), completed,
                                 static_cast<SQLSMALLINT>(sizeof completed), &completedLength,
                                 SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(r)) {
    std::string driverText = MaskPasswords(Diagnostics(SQL_HANDLE_DBC, handles_->dbc), password_);
    error = driverText.empty()
                ? refused
                : "Error connecting to database - " + driverText + " (" + shown + ")";
    return false;
  }
  handles_->open = true;
  SQLCHAR name[256] = {0};
  SQLSMALLINT nameLength = 0;
  if (SQL_SUCCEEDED(SQLGetInfo(handles_->dbc, SQL_DBMS_NAME, name,
                               static_cast<SQLSMALLINT>(sizeof name), &nameLength))) {
    dbmsName_ = reinterpret_cast<const char*>(name);
  } else {
    dbmsName_.clear();
  }
  sqlServer_ = IsSqlServerName(dbmsName_);
  connected_.store(1, std::memory_order_release);
  return true;
}

DatabaseMgr::Result DatabaseMgr::Execute(const std::string& statement, Cursor cursor,
                                         const RowReader& reader) {
  Result result;
  SQLHSTMT st = SQL_NULL_HSTMT;
  if (!handles_->open) {
    result.outcome = Outcome::DbError;
    result.driverText = "The connection is closed";
    return result;
  }
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, handles_->dbc, &st))) {
    result.outcome = Outcome::DbError;
    result.driverText = Diagnostics(SQL_HANDLE_DBC, handles_->dbc);
    if (result.driverText.empty()) result.driverText = "No statement can be made on the connection";
    return result;
  }
  struct StatementGuard {
    SQLHSTMT st;
    ~StatementGuard() { SQLFreeHandle(SQL_HANDLE_STMT, st); }
  } guard{st};
  auto fail = [&](Outcome outcome) {
    result.outcome = outcome;
    if (outcome == Outcome::DbError) {
      result.driverText = Diagnostics(SQL_HANDLE_STMT, st);
      if (result.driverText.empty()) result.driverText = Diagnostics(SQL_HANDLE_DBC, handles_->dbc);
      if (result.driverText.empty()) result.driverText = "Unknown database error";
    }
    return result;
  };

  if (timeouts_.querySeconds > 0) {
    SQLSetStmtAttr(st, SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(timeouts_.querySeconds)), 0);
  }
  if (cursor != Cursor::Direct) {
    // Read-only, of the kind asked for; a driver that lacks the kind takes its
    // nearest and says so, which is fine for reading row by row.
    SQLSetStmtAttr(st, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0);
    SQLULEN kind = cursor == Cursor::Dynamic ? SQL_CURSOR_DYNAMIC : SQL_CURSOR_STATIC;
    SQLSetStmtAttr(st, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(kind), 0);
  }

  std::string text = ToServerDialect(statement, sqlServer_);
  SQLRETURN r = SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(text.data()),
                              static_cast<SQLINTEGER>(text.size()));
  if (r == SQL_NO_DATA) {
    // A statement that touched no rows.
    return reader ? fail(Outcome::NotOpened) : result;
  }
  if (!SQL_SUCCEEDED(r)) return fail(Outcome::DbError);
  if (!reader) return result;

  SQLSMALLINT columns = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(st, &columns))) return fail(Outcome::DbError);
  if (columns <= 0) return fail(Outcome::NotOpened);
  for (;;) {
    r = SQLFetch(st);
    if (r == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(r)) return fail(Outcome::DbError);
    std::vector<std::optional<std::string>> values(static_cast<size_t>(columns));
    for (SQLSMALLINT c = 1; c <= columns; ++c) {
      if (!ReadColumn(st, static_cast<SQLUSMALLINT>(c), values[static_cast<size_t>(c - 1)]))
        return fail(Outcome::DbError);
    }
    if (!reader(ResultRow(std::move(values)))) break;
  }
  return result;
}

bool DatabaseMgr::RunStatement(const std::string& statement,
                               std::vector<std::vector<std::string>>& rows, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  rows.clear();
  if (!EnsureOpenLocked(error)) return false;
  Result r = Execute(statement, Cursor::Direct, [&](const ResultRow& row) {
    std::vector<std::string> values;
    for (size_t i = 0; i < row.Columns(); ++i) values.push_back(row.Text(i));
    rows.push_back(std::move(values));
    return true;
  });
  if (r.outcome == Outcome::DbError) {
    error = r.driverText;
    return false;
  }
  return true;
}

}  // namespace vellora::db
