// The name lists' loads and the name-to-id queries of the catalogue.
#include "db/database_mgr.h"
#include "db/result_row.h"
#include "db/statements.h"

namespace vellora::db {

namespace {

const char kQueryFailed[] = "ERROR (DATABASEMGR): Query failed - ";

}  // namespace

bool DatabaseMgr::LoadColors(std::vector<ColorRecord>& list, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return false;
  list.clear();
  Result r = Execute(kLoadColorsSql, Cursor::Dynamic, [&](const ResultRow& row) {
    list.push_back(
        {row.Int(0), row.Text(1), row.Int(2), row.Int(3), row.Int(4), row.Int(5), row.Int(6)});
    return true;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = kQueryFailed + std::string(kLoadColorsSql);
    return false;
  }
  if (r.outcome == Outcome::DbError) {
    error = kQueryFailed + r.driverText;
    DropConnectionLocked();
    return false;
  }
  return true;
}

bool DatabaseMgr::LoadPublications(std::vector<PublicationRecord>& list, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return false;
  Result r = Execute(kLoadPublicationsSql, Cursor::Dynamic, [&](const ResultRow& row) {
    list.push_back({row.Int(0), row.Text(1), row.Int(2), row.Int(3), row.Double(4), row.Int(5),
                    row.Int(6), row.Int(7)});
    return true;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = kQueryFailed + std::string(kLoadPublicationsSql);
    return false;
  }
  if (r.outcome == Outcome::DbError) {
    error = kQueryFailed + r.driverText;
    DropConnectionLocked();
    return false;
  }
  return true;
}

bool DatabaseMgr::LoadIdNameTable(const std::string& table, std::vector<IdNameRecord>& list,
                                  std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return false;
  const std::string sql = IdNameTableSql(table);
  Result r = Execute(sql, Cursor::Dynamic, [&](const ResultRow& row) {
    list.push_back({row.Int(0), row.Text(1)});
    return true;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = "Query failed - " + sql;
    return false;
  }
  if (r.outcome == Outcome::DbError) {
    error = kQueryFailed + r.driverText;
    DropConnectionLocked();
    return false;
  }
  return true;
}

bool DatabaseMgr::LoadEditions(std::vector<EditionRecord>& list, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return false;
  list.clear();
  Result r = Execute(kLoadEditionsSql, Cursor::Dynamic, [&](const ResultRow& row) {
    list.push_back({row.Int(0), row.Text(1), row.Int(2), row.Int(3)});
    return true;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = kQueryFailed + std::string(kLoadEditionsSql);
    return false;
  }
  if (r.outcome == Outcome::DbError) {
    error = kQueryFailed + r.driverText;
    DropConnectionLocked();
    return false;
  }
  return true;
}

bool DatabaseMgr::LoadPageFormats(std::vector<PageFormatRecord>& list, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return false;
  Result r = Execute(kLoadPageFormatsSql, Cursor::Dynamic, [&](const ResultRow& row) {
    list.push_back({row.Int(0), row.Text(1), row.Double(2), row.Double(3), row.Double(4)});
    return true;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = kQueryFailed + std::string(kLoadPageFormatsSql);
    return false;
  }
  if (r.outcome == Outcome::DbError) {
    error = kQueryFailed + r.driverText;
    logs_.LogDbError("Error: %s   (%s)", r.driverText.c_str(), kLoadPageFormatsSql);
    DropConnectionLocked();
    return false;
  }
  return true;
}

bool DatabaseMgr::LoadNameCaches(NameLists& lists, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // Each list is loaded afresh and replaces the old one only when its load
  // completed: a connection lost half way keeps the names known before, rather than
  // leaving a list empty until the next reconnection reloads it.
  NameListsData data = *lists.Get();
  auto load = [&](auto& target, auto&& run) {
    std::remove_reference_t<decltype(target)> fresh;
    if (!run(fresh)) return false;
    target = std::move(fresh);
    return true;
  };
  bool ok =
      load(data.colors, [&](auto& l) { return LoadColors(l, error); }) &&
      load(data.publications, [&](auto& l) { return LoadPublications(l, error); }) &&
      load(data.sections, [&](auto& l) { return LoadIdNameTable("SectionNames", l, error); }) &&
      load(data.issues, [&](auto& l) { return LoadIdNameTable("IssueNames", l, error); }) &&
      load(data.editions, [&](auto& l) { return LoadEditions(l, error); }) &&
      load(data.pageFormats, [&](auto& l) { return LoadPageFormats(l, error); });
  lists.Publish(std::move(data));
  return ok;
}

int DatabaseMgr::IdByNameDb(const std::string& statement, std::string& error) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!EnsureOpenLocked(error)) return 0;
  int id = 0;
  Result r = Execute(statement, Cursor::Dynamic, [&](const ResultRow& row) {
    id = row.Int(0);
    return false;
  });
  if (r.outcome == Outcome::NotOpened) {
    error = "Query failed - " + statement;
    return 0;
  }
  if (r.outcome == Outcome::DbError) {
    error = kQueryFailed + r.driverText;
    DropConnectionLocked();
    return 0;
  }
  return id;
}

int DatabaseMgr::PublicationIdByNameDb(const std::string& name, std::string& error) {
  return IdByNameDb(PublicationIdByNameSql(name), error);
}

int DatabaseMgr::SectionIdByNameDb(const std::string& name, std::string& error) {
  return IdByNameDb(SectionIdByNameSql(name), error);
}

int DatabaseMgr::EditionIdByNameDb(const std::string& name, std::string& error) {
  return IdByNameDb(EditionIdByNameSql(name), error);
}

}  // namespace vellora::db
