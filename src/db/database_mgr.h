// One connection to the production database through ODBC (unixODBC, any driver) and
// every statement the program issues on it.
//
// A manager holds the parameters of its connection, opens it on demand and opens it
// again after a failure: every operation begins with EnsureOpen, and a database error
// during a statement closes the connection (except for the alias, job and page-format
// queries), so the next operation reconnects with the stored values. There is no
// retry inside one operation.
//
// Statements are built in SQL Server text, which is what the program log shows.
// After connecting, the manager reads the server's product name; for a server other
// than Microsoft SQL Server it drops the hint WITH (NOLOCK) and unbrackets [Name]
// when it runs a statement, and changes nothing else.
//
// One operation at a time: each public operation holds the manager's lock from its
// EnsureOpen to its last row, because the scanner, the window thread and the poller
// share the main manager. Connection and statement waits are bounded (Timeouts).
//
// Failures are return values plus an error text in the caller's string, cleared
// first; no exception leaves a manager. Error texts never show the password.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/logs.h"
#include "db/name_lists.h"
#include "db/page_key.h"

namespace vellora::db {

class ResultRow;

class DatabaseMgr {
 public:
  // Upper bounds of the waits, in seconds; 0 leaves the driver's own (unbounded)
  // wait. The login time-out bounds opening a connection (psqlODBC hands it to libpq
  // as connect_timeout); the query time-out bounds one statement (psqlODBC sets the
  // server's statement_timeout from it).
  struct Timeouts {
    int loginSeconds = 10;
    int querySeconds = 60;
  };

  // logs: the program log gets the text of every job query, the database error log
  // the failure of the page-format list.
  explicit DatabaseMgr(core::LogWriters& logs);
  DatabaseMgr(core::LogWriters& logs, Timeouts timeouts);
  virtual ~DatabaseMgr();
  DatabaseMgr(const DatabaseMgr&) = delete;
  DatabaseMgr& operator=(const DatabaseMgr&) = delete;

  // --- The connection ---

  // Stores the four values, then EnsureOpen. A manager that is connected keeps its
  // connection; the new values apply from the next reconnection (Disconnect first
  // for a fresh connection). keepConnection 0 makes every use reconnect.
  bool Connect(const std::string& dataSource, const std::string& user, const std::string& password,
               int keepConnection, std::string& error);
  // Disconnect and Connect as one operation: no other thread's statement can open
  // the old connection again in between (which Connect would then keep).
  bool Reconnect(const std::string& dataSource, const std::string& user,
                 const std::string& password, int keepConnection, std::string& error);
  // Makes sure the connection is usable: a connection found dead or closed is
  // dropped, keep-connection 0 drops it anyway, then a dropped one is opened again.
  // Texts: "Empty DSN or username not allowed", "Error connecting to database with
  // connection string '%s'", "Error connecting to database - %s (%s)".
  bool EnsureOpen(std::string& error);
  // Closes the connection if it is open.
  void Disconnect();
  // The program's database-connected indicator (read without the lock).
  bool Connected() const { return connected_.load(std::memory_order_acquire) != 0; }

  std::string DataSource() const;
  std::string User() const;
  int KeepConnection() const;
  // SQL_DBMS_NAME of the last connection ("" before the first).
  std::string DbmsName() const;

  // --- The name lists ---

  // In this order, stopping at the first failure: colours, publications, sections,
  // issues, editions, page formats; then publishes the lists. A list whose load
  // fails keeps its previous contents, and so do the lists after it.
  bool LoadNameCaches(NameLists& lists, std::string& error);
  // Each load fills list from empty; false with the text of the operation.
  bool LoadColors(std::vector<ColorRecord>& list, std::string& error);
  bool LoadPublications(std::vector<PublicationRecord>& list, std::string& error);
  // table: "SectionNames" or "IssueNames".
  bool LoadIdNameTable(const std::string& table, std::vector<IdNameRecord>& list,
                       std::string& error);
  bool LoadEditions(std::vector<EditionRecord>& list, std::string& error);
  // A database error is also written to the database error log.
  bool LoadPageFormats(std::vector<PageFormatRecord>& list, std::string& error);

  // The id of a name, asked of the database (the lookups with NoNameCache); 0 when
  // there is no such name or on failure.
  int PublicationIdByNameDb(const std::string& name, std::string& error);
  int SectionIdByNameDb(const std::string& name, std::string& error);
  int EditionIdByNameDb(const std::string& name, std::string& error);

  // --- The plan ---

  // The production name of a short name of a type ("Publication", "Section",
  // "Edition", "Issue", "Color"); the value itself when there is no alias; "" when
  // the value is empty or the database cannot be asked. Keeps the connection.
  std::string ResolveAlias(const std::string& type, const std::string& value, std::string& error);
  // The job query: 0 unknown (match.SeparationSetId -1 when no row, 0 when no query
  // ran), 1 colour page, 2 monochrome page. Writes the query's text to the program
  // log. Keeps the connection.
  int FindPage(const PageKey& key, const NameLookup& names, int dateFormat, PageMatch& match,
               std::string& error);
  // Writes the external status of every row of a separation set: 1, or 0.
  int SetExternalStatus(int separationSet, int status, std::string& error);
  // The folder-safe page-format name of a separation set with its width, height and
  // bleed; "" and 0, 0, 0 when unknown (no query for set 0). Keeps the connection.
  std::string PageFormatOfPage(int separationSet, double& width, double& height, double& bleed,
                               std::string& error);

  // --- Processes and their logs ---

  // The pre-poll log entry of a page (processId: the RIP's ProcessId): 1, or 0.
  int AddPrepollLogEntry(int separationSet, int processId, int eventCode, const std::string& text,
                         std::string& error);
  // A process log entry: 1, or 0.
  int AddLogEntry(int processId, int eventCode, int64_t value1, int64_t value2,
                  const std::string& text, std::string& error);
  // The process id of a registration; -1 when the connection cannot be opened, when
  // no row comes back or on a database error; 0 when no result set comes back.
  int RegisterProcess(int kind, const std::string& name, const std::string& secondName, int flag,
                      std::string& error);
  // -1 as enabled or state leaves it as it is: 1, or 0.
  int UpdateProcess(int processId, int enabled, int state, const std::string& currentJob,
                    const std::string& message, std::string& error);
  // The process id, with enabled (0 when there is no row); -1 when the connection
  // cannot be opened or on a database error; 0 when no result set comes back.
  // enabled is 0 in every failure.
  int GetProcessEnabled(int processId, int& enabled, std::string& error);

  // --- Any statement, for the administrators' tools and the tests ---

  // Runs any statement (rewritten for the server like the catalogue's) and returns
  // the rows of its result, if it has one, every column as text (NULL as ""). False
  // with the driver's text; keeps the connection.
  bool RunStatement(const std::string& statement, std::vector<std::vector<std::string>>& rows,
                    std::string& error);

 private:
  enum class Cursor { Dynamic, Static, Direct };
  enum class Outcome { Ok, NotOpened, DbError };
  struct Result {
    Outcome outcome = Outcome::Ok;
    std::string driverText;  // for DbError
  };
  // Returns false to stop reading.
  using RowReader = std::function<bool(const ResultRow&)>;
  struct Handles;

  bool EnsureOpenLocked(std::string& error);
  void DisconnectLocked();
  bool HandleIsOpenLocked();
  // Runs the statement (rewritten for the server) and hands each row to reader.
  Result Execute(const std::string& statement, Cursor cursor, const RowReader& reader);
  // After a database error of a statement that drops the connection.
  void DropConnectionLocked();
  // The id queries behind the *IdByNameDb operations.
  int IdByNameDb(const std::string& statement, std::string& error);

  core::LogWriters& logs_;
  const Timeouts timeouts_;
  mutable std::recursive_mutex mutex_;
  std::unique_ptr<Handles> handles_;
  std::atomic<int> connected_{0};
  std::string dataSource_ = "hv";
  std::string user_ = "sa";
  std::string password_ = "plome";
  int keepConnection_ = 0;
  std::string dbmsName_;
  bool sqlServer_ = false;
};

}  // namespace vellora::db
