// The catalogue's statements about pages: aliases, the job query, the external
// status and the page format.
#include <cctype>

#include "db/database_mgr.h"
#include "db/result_row.h"
#include "db/sql_text.h"
#include "db/statements.h"

namespace vellora::db {

namespace {

// The three queries that keep the connection have no failure text of their own;
// a database error still says what happened, for whoever looks.
const char kQueryFailed[] = "ERROR (DATABASEMGR): Query failed - ";

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string DatabaseMgr::ResolveAlias(const std::string& type, const std::string& value,
                                      std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return {};
  if (value.empty()) return {};
  const std::string sql = ResolveAliasSql(type, value);
  std::string longName = value;
  Result r = Execute(sql, Cursor::Dynamic, [&](const ResultRow& row) {
    longName = row.Text(0);
    return false;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = "Query failed - " + sql;
    return {};
  }
  if (r.outcome == Outcome::DbError) {
    error = kQueryFailed + r.driverText;
    return {};
  }
  return longName;
}

int DatabaseMgr::FindPage(const PageKey& key, const NameLookup& names, int dateFormat,
                          PageMatch& match, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return kPageUnknown;
  match.SeparationSetId = 0;
  match.PublicationId = 0;
  if (key.PlanPageName.empty() && key.Publication.empty() && key.Issue.empty() &&
      key.Edition.empty() && key.Section.empty() && key.PageName.empty())
    return kPageUnknown;

  const std::string sql = FindPageSql(key, names, dateFormat);
  logs_.LogMessage("DB query: %s\r\n", sql.c_str());

  // The first row's separation set is the page; rows of any later set are not read.
  int chosenSet = 0;
  int publicationId = 0;
  int priority = 0;
  int rows = 0;
  bool black = false;
  Result r = Execute(sql, Cursor::Dynamic, [&](const ResultRow& row) {
    int set = row.Int(0);
    if (rows > 0 && set != chosenSet) return false;
    if (rows == 0) {
      chosenSet = set;
      priority = row.Int(4);
    }
    publicationId = row.Int(2);
    std::string color = Upper(names.ColorNameById(row.Int(1)));
    if (color == "K" || color == "BLACK") black = true;
    ++rows;
    return true;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = "Query failed - " + sql;
    return kPageUnknown;
  }
  if (r.outcome == Outcome::DbError) {
    error = kQueryFailed + r.driverText;
    return kPageUnknown;
  }
  if (rows == 0) {
    match.SeparationSetId = -1;
    return kPageUnknown;
  }
  match.SeparationSetId = chosenSet;
  match.PublicationId = publicationId;
  match.Priority = priority;
  return rows == 1 && black ? kPageMono : kPageColor;
}

int DatabaseMgr::SetExternalStatus(int separationSet, int status, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return 0;
  Result r = Execute(SetExternalStatusSql(status, separationSet), Cursor::Direct, nullptr);
  if (r.outcome == Outcome::DbError) {
    error = "DB Update failed - " + r.driverText;
    DropConnectionLocked();
    return 0;
  }
  return 1;
}

std::string DatabaseMgr::PageFormatOfPage(int separationSet, double& width, double& height,
                                          double& bleed, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  width = height = bleed = 0;
  if (!EnsureOpenLocked(error)) return {};
  if (separationSet == 0) return {};
  const std::string sql = PageFormatOfPageSql(separationSet);
  std::string name;
  double w = 0, h = 0, b = 0;
  Result r = Execute(sql, Cursor::Dynamic, [&](const ResultRow& row) {
    name = FolderSafePageFormat(row.Text(0));
    w = row.Double(1);
    h = row.Double(2);
    b = row.Double(3);
    return false;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = "Query failed - " + sql;
    return {};
  }
  if (r.outcome == Outcome::DbError) {
    error = kQueryFailed + r.driverText;
    return {};
  }
  width = w;
  height = h;
  bleed = b;
  return name;
}

}  // namespace vellora::db
