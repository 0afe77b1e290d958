// Literals, the dialect rewrite, dates, page-format names and connection strings.
#include <gtest/gtest.h>

#include "db/connection_string.h"
#include "db/sql_text.h"
#include "platform/clock.h"

namespace vellora::db {
namespace {

TEST(SqlText, EscapeLiteral) {
  EXPECT_EQ(EscapeLiteral("plain"), "plain");
  EXPECT_EQ(EscapeLiteral("O'Neil's"), "O''Neil''s");
  EXPECT_EQ(EscapeLiteral("''"), "''''");
  EXPECT_EQ(EscapeLiteral(std::string("a\0b", 3)), "ab");
  // Other characters are left to the literal: they cannot end it.
  EXPECT_EQ(EscapeLiteral("a;b -- c /* d */ \\ ? {e}"), "a;b -- c /* d */ \\ ? {e}");
}

TEST(SqlText, DialectRewriteTouchesOnlyHintsAndBrackets) {
  const std::string sql =
      "SELECT X FROM PageTable P WITH (NOLOCK) INNER JOIN T with( nolock ) ON [Name]='a' WHERE "
      "[Name]='[Name] WITH (NOLOCK) it''s [x]' AND Y=1";
  EXPECT_EQ(ToServerDialect(sql, true), sql);
  EXPECT_EQ(ToServerDialect(sql, false),
            "SELECT X FROM PageTable P INNER JOIN T ON Name='a' WHERE "
            "Name='[Name] WITH (NOLOCK) it''s [x]' AND Y=1");
  // Words that merely contain the hint's letters stay.
  EXPECT_EQ(ToServerDialect("SELECT WITHOUT (NOLOCK) FROM T", false),
            "SELECT WITHOUT (NOLOCK) FROM T");
  EXPECT_EQ(ToServerDialect("{CALL sp (1,'a[b]')}", false), "{CALL sp (1,'a[b]')}");
  EXPECT_TRUE(IsSqlServerName("Microsoft SQL Server"));
  EXPECT_FALSE(IsSqlServerName("PostgreSQL"));
}

TEST(SqlText, DatesAndNames) {
  int64_t d = platform::MakeLocalTime(2005, 1, 31, 0, 0, 0).value();
  EXPECT_EQ(FormatDbDate(d, 2), "2005-01-31T00:00:00");
  EXPECT_EQ(FormatDbDate(d, 0), "01/31/2005");
  EXPECT_EQ(FormatDbDate(d, 1), "01/31/2005");
  EXPECT_EQ(FolderSafePageFormat("A4+3mm/R"), "A43mmR");
  EXPECT_EQ(FolderSafePageFormat("a+:/\\<>;|?*b"), "ab");
  EXPECT_EQ(TextToInt("12.7"), 12);
  EXPECT_EQ(TextToInt(""), 0);
  EXPECT_EQ(TextToInt("x"), 0);
  EXPECT_DOUBLE_EQ(TextToDouble("23.5"), 23.5);
  EXPECT_DOUBLE_EQ(TextToDouble(""), 0);
}

TEST(SqlText, ConnectionStringsNeverShowThePassword) {
  EXPECT_EQ(BuildConnectionString("HV", "sa", "secret"), "DSN=HV;UID=sa;PWD=secret");
  EXPECT_EQ(BuildConnectionString("HV", "sa", ""), "DSN=HV;UID=sa;PWD=");
  // Values that would end the attribute or add one are braced.
  EXPECT_EQ(BuildConnectionString("H;V", "s a", "a;b}c"), "DSN={H;V};UID=s a;PWD={a;b}}c}");
  EXPECT_EQ(ShownConnectionString("HV", "sa"), "DSN=HV;UID=sa;PWD=***");

  EXPECT_EQ(MaskPasswords("x (DSN=HV;UID=sa;PWD=secret)", "secret"), "x (DSN=HV;UID=sa;PWD=***)");
  EXPECT_EQ(MaskPasswords("'DSN=HV;UID=sa;PWD=se)c'r;et'", "se)c'r;et"), "'DSN=HV;UID=sa;PWD=***'");
  EXPECT_EQ(MaskPasswords("DSN=HV;PWD={a;b}}c};X=1", "a;b}c"), "DSN=HV;PWD=***;X=1");
  // Whatever the password is, other PWD= values in a driver's text are hidden too.
  EXPECT_EQ(MaskPasswords("pwd=other;UID=sa", "secret"), "pwd=***;UID=sa");
  EXPECT_EQ(MaskPasswords("PWD={x}}y} and PWD=z", ""), "PWD=*** and PWD=***");
  EXPECT_EQ(MaskPasswords("NOPWD=2", "1"), "NOPWD=2");
}

}  // namespace
}  // namespace vellora::db
