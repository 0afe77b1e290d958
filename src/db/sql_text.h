// Text helpers of the production-database statements: literals that no name can
// break out of, the two SQL Server constructs other servers do not know, the date
// form of the job query and the folder-safe page-format name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellora::db {

// The text as the inside of a single-quoted literal: every ' doubled, so a name
// taken from a file, a log line or a setting can never end the literal and change
// the statement. NUL characters, which no such name holds and which would cut the
// statement short, are dropped.
std::string EscapeLiteral(std::string_view text);

// The statement as the server runs it. Microsoft SQL Server runs the text as built;
// for any other server the table hint WITH (NOLOCK) is dropped and a bracketed
// name [Name] becomes the plain identifier Name, so a schema created with unquoted
// names serves. Single-quoted literals are left as they are.
std::string ToServerDialect(std::string_view statement, bool sqlServer);

// True for the product name that SQLGetInfo(SQL_DBMS_NAME) reports for SQL Server.
bool IsSqlServerName(std::string_view dbmsName);

// The date of a job for the job query: with dateFormat 2 "2005-01-31T00:00:00", with
// any other value "01/31/2005". The date is an instant (local midnight), seconds since
// 1970 UTC, read in local time.
std::string FormatDbDate(int64_t date, int dateFormat);

// A page-format name as a folder name: every "+", ":", "/", "\", "<", ">", ";", "|",
// "?" and "*" removed ("A4+3mm/R" becomes "A43mmR").
std::string FolderSafePageFormat(std::string_view name);

// atoi and atof of a column's text: leading digits, anything else 0.
int TextToInt(std::string_view text);
double TextToDouble(std::string_view text);

}  // namespace vellora::db
