// The statement texts.
#include "db/statements.h"

#include <cstdio>

#include "db/sql_text.h"
#include "platform/clock.h"

namespace vellora::db {

const char kLoadColorsSql[] = "SELECT ColorID,ColorName,c,m,y,k,ColorOrder FROM ColorNames";
const char kLoadPublicationsSql[] =
    "SELECT DISTINCT PublicationID,Name,PageFormatID,TrimToFormat,LatestHour,DefaultProofID,"
    "DefaultHardProofID,DefaultApprove FROM PublicationNames ORDER BY Name";
const char kLoadEditionsSql[] = "SELECT * FROM EditionNames";
const char kLoadPageFormatsSql[] =
    "SELECT DISTINCT PageFormatID,PageFormatName,Width,Height,Bleed FROM PageFormatNames";

namespace {

std::string Number(long long n) {
  return std::to_string(n);
}

}  // namespace

std::string IdNameTableSql(std::string_view table) {
  return "SELECT * FROM " + std::string(table);
}

std::string PublicationIdByNameSql(std::string_view name) {
  return "SELECT PublicationID FROM PublicationNames WHERE [Name]='" + EscapeLiteral(name) + "'";
}

std::string SectionIdByNameSql(std::string_view name) {
  return "SELECT SectionID FROM SectionNames WHERE [Name]='" + EscapeLiteral(name) + "'";
}

std::string EditionIdByNameSql(std::string_view name) {
  return "SELECT EditionID FROM EditionNames WHERE [Name]='" + EscapeLiteral(name) + "'";
}

std::string ResolveAliasSql(std::string_view type, std::string_view value) {
  return "SELECT LongName FROM InputAliases WHERE Type='" + EscapeLiteral(type) +
         "' AND Shortname='" + EscapeLiteral(value) + "'";
}

std::string SetExternalStatusSql(int status, int separationSet) {
  return "UPDATE PageTable SET Externalstatus=" + Number(status) +
         " WHERE MasterCopySeparationSet=" + Number(separationSet);
}

std::string PageFormatOfPageSql(int separationSet) {
  return "SELECT DISTINCT PG.PageFormatName,PG.Width,PG.Height,PG.Bleed FROM PageTable P WITH "
         "(NOLOCK) INNER JOIN PublicationNames PUB ON P.PublicationID=PUB.PublicationID INNER "
         "JOIN PageFormatNames PG ON PG.PageFormatID=PUB.PageFormatID WHERE "
         "P.MasterCopySeparationSet=" +
         Number(separationSet);
}

std::string AddPrepollLogEntrySql(int separationSet, int processId, int eventCode,
                                  std::string_view text) {
  return "{ CALL spAddPrepollLogEntry (" + Number(separationSet) + "," + Number(processId) +
         ",10," + Number(eventCode) + ",'" + EscapeLiteral(text) + "') }";
}

std::string AddLogEntrySql(int processId, int eventCode, int64_t value1, int64_t value2,
                           std::string_view text) {
  return "{CALL spAddLogEntry (" + Number(processId) + "," + Number(eventCode) + "," +
         Number(value1) + "," + Number(value2) + ",'" + EscapeLiteral(text) + "')}";
}

std::string RegisterProcessSql(int kind, std::string_view name, std::string_view secondName,
                               int flag) {
  return "{CALL spRegisterProcess (" + Number(kind) + ",'" + EscapeLiteral(name) + "','" +
         EscapeLiteral(secondName) + "'," + Number(flag) + ")}";
}

std::string UpdateProcessSql(int processId, int enabled, int state, std::string_view currentJob,
                             std::string_view message) {
  return "{CALL spUpdateProcess (" + Number(processId) + "," + Number(enabled) + "," +
         Number(state) + ",'" + EscapeLiteral(currentJob) + "','" + EscapeLiteral(message) + "')}";
}

std::string GetProcessEnabledSql(int processId) {
  return "SELECT Enabled FROM ProcessConfigurations WHERE ProcessID=" + Number(processId);
}

std::string FindPageSql(const PageKey& key, const NameLookup& names, int dateFormat) {
  std::string sql =
      "SELECT DISTINCT MasterCopySeparationSet,ColorID,PublicationID,PubDate,Priority FROM "
      "PageTable WITH (NOLOCK) WHERE CopyNumber=1 AND Active>0 AND UniquePage = 1 AND Dirty=0 ";
  if (!key.PlanPageName.empty()) {
    sql += " AND PlanPageName='" + EscapeLiteral(key.PlanPageName) + "'";
  } else {
    if (!key.Publication.empty())
      sql += " AND PublicationID=" + Number(names.PublicationIdByName(key.Publication));
    if (!key.Edition.empty()) sql += " AND EditionID=" + Number(names.EditionIdByName(key.Edition));
    if (!key.Section.empty()) sql += " AND SectionID=" + Number(names.SectionIdByName(key.Section));
    if (!key.PageName.empty()) sql += " AND PageName='" + EscapeLiteral(key.PageName) + "'";
    if (key.WeekNumber > 0) {
      sql += " AND Miscint2=" + Number(key.WeekNumber);
    } else if (platform::ToLocal(key.PubDate).year > 2000) {
      sql += " AND pubdate='" + FormatDbDate(key.PubDate, dateFormat) + "'";
    }
  }
  if (!key.Color.empty()) sql += " AND ColorID=" + Number(names.ColorIdByName(key.Color));
  sql += " ORDER BY PubDate DESC, MasterCopySeparationSet";
  return sql;
}

}  // namespace vellora::db
