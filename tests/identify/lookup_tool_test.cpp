// vellora-headless --lookup on the test plan, as an administrator runs it.
#include <gtest/gtest.h>

#include "db/test_database.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

using test::Headless;
using test::WriteFile;

// The printed fields: everything from "Status=" on (the log lines come before).
std::string Fields(const std::string& out) {
  const size_t at = out.find("Status=");
  return at == std::string::npos ? "(no fields) " + out : out.substr(at);
}

std::string Ini(const std::string& dsn, const std::string& more = "", int spoolers = 2) {
  return "[Setup]\r\nNumberOfSpoolers=" + std::to_string(spoolers) + "\r\nLogging=1\r\nDSN=" + dsn +
         "\r\nDSNuser=vellora\r\nDSNpw=" + test::TestDbPassword() +
         "\r\nRipUpdateStatus=1\r\nUpdateStatus=1\r\n"
         "NameConv1=%P-%D-%N.%X\r\nSeparators1=-.\r\nDateFormat1=DDMMYY\r\n"
         "DefaultEdition1=MAIN\r\nDefaultSection1=A\r\nUseDatabase1=1\r\n"
         "NameConv2=%P-%D-%N.%X\r\nSeparators2=-.\r\nDateFormat2=DDMM\r\n"
         "DefaultEdition2=MAIN\r\nDefaultSection2=A\r\nUseDatabase2=1\r\n" +
         more;
}

TEST(LookupTool, PrintsWhatThePlanSaysAndWritesNothing) {
  ASSERT_TRUE(test::UseTestDatabase());
  test::TempDir dir;
  WriteFile(dir / "Vellora.ini", Ini(test::kMainDsn));
  std::string out;
  ASSERT_EQ(
      test::RunProgram(Headless(), {"--dir", dir.path(), "--lookup", "ABC-310105-01.ps"}, &out), 0)
      << out;
  EXPECT_EQ(Fields(out),
            "Status=1\nClass=color\nSeparationSet=101\nPublicationID=1\nArchiveKey=ABC-20050131\n"
            "Priority=60\nPageFormat=A43mmR\nPageWidth=210\nPageHeight=297\nPageBleed=3\n");
  EXPECT_NE(out.find("log: ["), std::string::npos);
  EXPECT_NE(out.find("Looking up job (ABC-310105-01.ps): Publication=ABC"), std::string::npos);
  EXPECT_FALSE(test::Exists(dir / "Vellora.log")) << "the log lines are shown, not written";

  // A date without a year on a day fixed by --now: found a year earlier, the key of
  // the first date; a black page.
  ASSERT_EQ(test::RunProgram(Headless(),
                             {"--dir", dir.path(), "--lookup", "ABC-3101-02.ps", "--spooler", "2",
                              "--now", "2006-01-20"},
                             &out),
            0)
      << out;
  EXPECT_EQ(Fields(out),
            "Status=2\nClass=mono\nSeparationSet=102\nPublicationID=1\nArchiveKey=ABC-20060131\n"
            "Priority=55\nPageFormat=A43mmR\nPageWidth=210\nPageHeight=297\nPageBleed=3\n");
  EXPECT_NE(out.find("No hit on pubdate 31.01.2006 - trying 31.01.2005"), std::string::npos);

  ASSERT_EQ(
      test::RunProgram(Headless(), {"--dir", dir.path(), "--lookup", "ABC-310105-99.ps"}, &out), 1)
      << out;
  EXPECT_EQ(Fields(out),
            "Status=0\nClass=unknown\nSeparationSet=-1\nPublicationID=0\nArchiveKey=\n"
            "Priority=50\n");

  // With RipUpdateStatus and UpdateStatus set the scanner would mark the page; the
  // tool does not.
  const int set = test::UniqueNumber();
  const std::string plan = "T" + std::to_string(set);
  ASSERT_EQ(test::RunSql("INSERT INTO PageTable VALUES (" + std::to_string(set) +
                         ", 1, 1, '2005-01-31', 50, 1, 1, 1, 0, '" + plan + "', 1, 1, '1', 5, 77)"),
            "");
  WriteFile(dir / "Vellora.ini",
            Ini(test::kMainDsn, "NameConv3=%M.%X\r\nSeparators3=.\r\nUseDatabase3=1\r\n", 3));
  ASSERT_EQ(
      test::RunProgram(Headless(),
                       {"--dir", dir.path(), "--lookup", plan + ".ps", "--spooler", "3"}, &out),
      0)
      << out;
  EXPECT_NE(Fields(out).find("SeparationSet=" + std::to_string(set) + "\n"), std::string::npos)
      << out;
  EXPECT_EQ(test::RunSql("SELECT Externalstatus FROM PageTable WHERE MasterCopySeparationSet=" +
                         std::to_string(set)),
            "77");
}

TEST(LookupTool, RefusesWithoutADatabaseOrWithBadOptions) {
  ASSERT_TRUE(test::UseTestDatabase());
  test::TempDir dir;
  std::string out;
  WriteFile(dir / "Vellora.ini", Ini(test::kDownDsn));
  EXPECT_EQ(
      test::RunProgram(Headless(), {"--dir", dir.path(), "--lookup", "ABC-310105-01.ps"}, &out), 2);
  EXPECT_NE(out.find("vellora-headless: Error connecting to database - "), std::string::npos)
      << out;
  EXPECT_NE(out.find("PWD=***"), std::string::npos) << out;
  EXPECT_EQ(out.find(test::TestDbPassword()), std::string::npos) << out;

  WriteFile(dir / "Vellora.ini", Ini(""));
  EXPECT_EQ(
      test::RunProgram(Headless(), {"--dir", dir.path(), "--lookup", "ABC-310105-01.ps"}, &out), 2);
  EXPECT_NE(out.find("no production database is set up"), std::string::npos) << out;

  // A database whose name lists cannot be loaded judges nothing.
  WriteFile(dir / "Vellora.ini", Ini(test::kBrokenDsn));
  EXPECT_EQ(
      test::RunProgram(Headless(), {"--dir", dir.path(), "--lookup", "ABC-310105-01.ps"}, &out), 2);
  EXPECT_NE(out.find("the name lists cannot be loaded"), std::string::npos) << out;

  WriteFile(dir / "Vellora.ini", Ini(test::kMainDsn));
  EXPECT_EQ(
      test::RunProgram(Headless(),
                       {"--dir", dir.path(), "--lookup", "A-310105-1", "--spooler", "7"}, &out),
      2);
  EXPECT_NE(out.find("spooler 7 is not in use"), std::string::npos) << out;
  EXPECT_EQ(test::RunProgram(Headless(), {"--dir", dir.path(), "--lookup", ""}, &out), 2);
  EXPECT_EQ(test::RunProgram(Headless(), {"--dir", dir.path(), "--lookup"}, &out), 2);
  EXPECT_EQ(test::RunProgram(Headless(),
                             {"--dir", dir.path(), "--lookup", "A", "--parse-name", "B"}, &out),
            2);
  EXPECT_EQ(
      test::RunProgram(
          Headless(), {"--dir", dir.path(), "--lookup", "A-310105-1", "--now", "2005-02-30"}, &out),
      2);
}

}  // namespace
}  // namespace vellora
