// The spooler's external command with its placeholders, run for real.
#include "intake/external_command.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vellora::intake {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(ExternalCommand, PlaceholdersReachTheProgramAsSingleArguments) {
  TempDir dir;
  std::string script = dir / "conv.sh";
  WriteFile(script,
            "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$(dirname "
            "\"$0\")/args.txt\"\n");
  chmod(script.c_str(), 0755);
  core::LogWriters logs;
  logs.Configure(dir.path(), true, true);

  std::string source = dir.path() + "\\in\\page 1; rm -rf x.ps";
  ASSERT_TRUE(RunExternalCommand(script + " -i %i -o %o -f %f", source, source + ".tmp", logs));
  std::string os = dir.path() + "/in/page 1; rm -rf x.ps";
  EXPECT_EQ(ReadFile(dir / "args.txt"),
            "[-i]\n[" + os + ".tmp]\n[-o]\n[" + os + "]\n[-f]\n[" + os + "]\n");
  EXPECT_FALSE(test::Exists(dir / "Vellora.log"));

  EXPECT_EQ(ExpandCommandLine("conv %i %o %f%%f", "S", "I"), "conv I S S%S");
  EXPECT_EQ(ExpandCommandLine("x %f", "a%ib", "I"), "x a%ib") << "a path is not expanded again";
}

TEST(ExternalCommand, RefusesLongLinesAndMissingPrograms) {
  TempDir dir;
  core::LogWriters logs;
  logs.Configure(dir.path(), true, true);
  std::string longName(250, 'n');
  EXPECT_FALSE(RunExternalCommand("/bin/true %f", dir.path() + "\\" + longName, "", logs));
  std::string log = ReadFile(dir / "Vellora.log");
  EXPECT_NE(log.find("] Create Process for external script file failed. (/bin/true " + dir.path() +
                     "/" + longName + ")\r\n"),
            std::string::npos)
      << log;
  EXPECT_FALSE(RunExternalCommand(dir.path() + "/missing-converter %f", "x", "", logs));
  EXPECT_NE(ReadFile(dir / "Vellora.log").find("failed. (" + dir.path() + "/missing-converter x)"),
            std::string::npos);
  EXPECT_TRUE(RunExternalCommand("/bin/true", "x", "", logs));
}

}  // namespace
}  // namespace vellora::intake
