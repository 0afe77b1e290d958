// vellora-headless --parse-name as the people who set up naming conventions run it.
#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

using test::Headless;

using test::TempDir;
using test::WriteFile;

// The printed fields: everything from "Renamed=" on (the log lines come before).
std::string Fields(const std::string& out) {
  const size_t at = out.find("Renamed=");
  return at == std::string::npos ? "(no fields) " + out : out.substr(at);
}

TEST(ParseNameTool, PrintsTheIdentityOfAName) {
  TempDir dir;
  WriteFile(dir / "Vellora.ini",
            "[Setup]\r\nNumberOfSpoolers=3\r\nLogging=1\r\n"
            "NameConv1=%P%-%D-%N\r\nDateFormat1=DDMMYY\r\nDefaultEdition1=MAIN\r\n"
            "UseRegex1=1\r\nMatchExpression1=([A-Z]+)_(\\d+)\\.ps\r\n"
            "FormatExpression1=$1-310105-$2\r\n"
            "NameConv2=%P-%D\r\nDateFormat2=DDMM\r\nSeparators2=-\r\n"
            "NameConv3=%P-%D\r\nDateFormat3=DDMMY\r\n");
  std::string out;
  ASSERT_EQ(test::RunProgram(Headless(), {"--dir", dir.path(), "--parse-name", "ABC_012.ps"}, &out),
            0)
      << out;
  EXPECT_EQ(Fields(out),
            "Renamed=ABC-310105-012\nPublication=ABC\nEdition=MAIN\nSection=\nIssue=\n"
            "LocationGroup=\nColor=\nPageName=12\nPlanPageName=\nDate=01/31/2005\nWeekNumber=0\n"
            "PubDate=2005-01-31\nPreviousYearDate=2004-01-31\nIllegalDate=0\n");
  // The run's log lines are shown, and the folder's logs stay untouched.
  EXPECT_NE(out.find("] Looking up job: INFO - jobname ABC_012.ps renamed to ABC-310105-012 with "
                     "regular expression\n"),
            std::string::npos)
      << out;
  EXPECT_FALSE(test::Exists(dir / "Vellora.log"));

  // A date without a year, seen on 1 January, and a week number.
  ASSERT_EQ(test::RunProgram(Headless(),
                             {"--dir", dir.path(), "--parse-name", "AB-3112", "--spooler", "2",
                              "--now", "2027-01-01"},
                             &out),
            0);
  EXPECT_NE(Fields(out).find("\nDate=12/31/2027\nWeekNumber=0\nPubDate=2027-12-31\n"
                             "PreviousYearDate=2026-12-31\nIllegalDate=0\n"),
            std::string::npos)
      << out;
  ASSERT_EQ(test::RunProgram(Headless(),
                             {"--dir", dir.path(), "--now", "2027-03-10", "--parse-name", "AB-0023",
                              "--spooler", "2"},
                             &out),
            0);
  EXPECT_NE(Fields(out).find("\nDate=06/07/2027\nWeekNumber=23\nPubDate=2027-06-07\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("INFO:  Week number conversion returned 07/06/2027"), std::string::npos);

  // An illegal date: status 1 and the log line.
  ASSERT_EQ(
      test::RunProgram(Headless(),
                       {"--dir", dir.path(), "--parse-name", "AB-31015", "--spooler", "3"}, &out),
      1);
  EXPECT_NE(Fields(out).find("\nDate=01/31/205\n"), std::string::npos) << out;
  EXPECT_NE(Fields(out).find("\nPubDate=1975-01-01\nPreviousYearDate=1975-01-01\nIllegalDate=1\n"),
            std::string::npos);
  EXPECT_NE(out.find("ERROR: Illegal date format 205-01-31 in file AB-31015"), std::string::npos);
}

TEST(ParseNameTool, RefusesWhatItCannotParse) {
  TempDir dir;
  WriteFile(dir / "Vellora.ini", "[Setup]\r\nNumberOfSpoolers=2\r\nNameConv1=%P-%N\r\n");
  std::string out;
  const std::vector<std::vector<std::string>> refused = {
      {"--parse-name", "A-1", "--spooler", "0"},
      {"--parse-name", "A-1", "--spooler", "101"},
      {"--parse-name", "A-1", "--spooler", "x"},
      {"--parse-name", "A-1", "--now", "2027-02-30"},
      {"--parse-name", "A-1", "--now", "1969-12-31"},
      {"--parse-name", "A-1", "--now", "27-1-1"},
      {"--parse-name", "A-1", "--spooler", "2"},  // no naming convention
      {"--parse-name", "A-1", "--spooler", "3"},  // not in use
      {"--parse-name", ""},
      {"--spooler", "1"},  // only with --parse-name
      {"--parse-name"},
  };
  for (auto args : refused) {
    args.insert(args.begin(), {"--dir", dir.path()});
    EXPECT_EQ(test::RunProgram(Headless(), args, &out), 2) << args[2] << " " << args.back();
    EXPECT_EQ(out.find("Renamed="), std::string::npos) << out;
  }
  EXPECT_EQ(test::RunProgram(Headless(),
                             {"--dir", dir.path(), "--parse-name", "A-1", "--spooler", "2"}, &out),
            2);
  EXPECT_NE(out.find("spooler 2 has no naming convention (NameConv2 in "), std::string::npos)
      << out;
  EXPECT_EQ(test::RunProgram(Headless(),
                             {"--dir", dir.path(), "--parse-name", "A-1", "--spooler", "3"}, &out),
            2);
  EXPECT_NE(out.find("spooler 3 is not in use (NumberOfSpoolers=2 in "), std::string::npos) << out;
}

}  // namespace
}  // namespace vellora
