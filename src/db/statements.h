// The text of every statement the program sends to the production database, in SQL
// Server syntax, exactly as the program log shows it. Every text placed inside a
// quoted literal is escaped first (EscapeLiteral).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/name_lists.h"
#include "db/page_key.h"

namespace vellora::db {

extern const char kLoadColorsSql[];
extern const char kLoadPublicationsSql[];
extern const char kLoadEditionsSql[];
extern const char kLoadPageFormatsSql[];

// "SELECT * FROM %s"
std::string IdNameTableSql(std::string_view table);
std::string PublicationIdByNameSql(std::string_view name);
std::string SectionIdByNameSql(std::string_view name);
std::string EditionIdByNameSql(std::string_view name);
std::string ResolveAliasSql(std::string_view type, std::string_view value);
std::string SetExternalStatusSql(int status, int separationSet);
std::string PageFormatOfPageSql(int separationSet);
std::string AddPrepollLogEntrySql(int separationSet, int processId, int eventCode,
                                  std::string_view text);
std::string AddLogEntrySql(int processId, int eventCode, int64_t value1, int64_t value2,
                           std::string_view text);
std::string RegisterProcessSql(int kind, std::string_view name, std::string_view secondName,
                               int flag);
std::string UpdateProcessSql(int processId, int enabled, int state, std::string_view currentJob,
                             std::string_view message);
std::string GetProcessEnabledSql(int processId);

// The job query: by the planned page name when there is one, else by publication,
// edition, section and page name and by week number or date; by colour when there is
// one; the latest date first. Names become ids through names (an unknown name is id
// 0, which matches no page).
std::string FindPageSql(const PageKey& key, const NameLookup& names, int dateFormat);

}  // namespace vellora::db
