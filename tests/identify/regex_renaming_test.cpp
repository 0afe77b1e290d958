// Renaming job names with the spooler's expression pairs.
#include "identify/regex_renaming.h"

#include <gtest/gtest.h>

#include <array>

#include "identify/identify_fixture.h"

namespace vellora::identify {
namespace {

using testing::LogFolder;

const char kExpr[] = R"(([A-Z]+)_(\d+)\.ps)";
// Nested quantifiers over the same letters: exponential backtracking on a name of
// a's that does not end in b.
const char kBacktracking[] = "(a+)+b";

TEST(Regex, WholeTextAndPartialMatching) {
  EXPECT_TRUE(RegexMatches(kExpr, "ABC_12.ps", false));
  EXPECT_TRUE(RegexMatches(kExpr, "ABC_12.ps", true));
  EXPECT_FALSE(RegexMatches(kExpr, "ABC_12.ps.bak", false)) << "the whole name must match";
  EXPECT_FALSE(RegexMatches(kExpr, "ABC_12.ps.bak", true));
  EXPECT_FALSE(RegexMatches(kExpr, "xABC_12.ps", true)) << "no search for a substring";
  EXPECT_TRUE(RegexMatches(kExpr, "ABC_", true)) << "the beginning of a possible match";
  EXPECT_FALSE(RegexMatches(kExpr, "ABC_", false));

  EXPECT_EQ(RegexFormat(kExpr, "$1-$2", "ABC_12.ps", false), "ABC-12");
  EXPECT_EQ(RegexFormat(kExpr, "$1-$2", "ABC_12.ps.bak", true), "ABC_12.ps.bak");
  EXPECT_EQ(RegexFormat(kExpr, "[$&]", "ABC_12.ps", true), "[ABC_12.ps]");
  // A partial match has no complete sub-expressions.
  EXPECT_EQ(RegexFormat(kExpr, "$1-$2", "ABC_", true), "-");
  EXPECT_EQ(RegexFormat(kExpr, "$1-$2", "ABC_", false), "ABC_");
  // Every match is replaced: after the whole text, the empty match at its end.
  EXPECT_EQ(RegexFormat(".*", "X", "abc", false), "XX");
}

TEST(Regex, BadExpressionsAndRunawayMatchesAreNoMatch) {
  std::string error = "stale";
  EXPECT_FALSE(RegexMatches("([A-Z", "ABC", false, &error));
  EXPECT_NE(error.find("the expression does not compile: "), std::string::npos) << error;
  EXPECT_EQ(RegexFormat("([A-Z", "$1", "ABC", false, &error), "ABC");
  EXPECT_NE(error.find("does not compile"), std::string::npos);

  const std::string runaway = std::string(60, 'a') + "!";
  EXPECT_FALSE(RegexMatches(kBacktracking, runaway, false, &error));
  EXPECT_NE(error.find("matching was given up: "), std::string::npos) << error;
  EXPECT_EQ(RegexFormat(kBacktracking, "x", runaway, false, &error), runaway);
  EXPECT_NE(error.find("matching was given up"), std::string::npos);

  EXPECT_TRUE(RegexMatches(kExpr, "ABC_12.ps", false, &error));
  EXPECT_EQ(error, "") << "cleared after a usable expression";
  EXPECT_FALSE(RegexMatches("(", "(", false)) << "without an error text too";
}

// Pairs left out of a list are not in use.
struct Pairs {
  std::array<const char*, 4> match;
  std::array<const char*, 4> format;
};

core::SettingsStore StoreWith(const Pairs& pairs, int useRegex = 1, int partial = 1) {
  core::SettingsStore store;
  store.PartialMatch = partial;
  core::Spooler& sp = store.Spoolers[4];
  sp.UseRegex = useRegex;
  for (size_t k = 0; k < 4; ++k) {
    sp.MatchExpression[k] = pairs.match[k] ? pairs.match[k] : "";
    sp.FormatExpression[k] = pairs.format[k] ? pairs.format[k] : "";
  }
  return store;
}

TEST(Regex, RenamingPairsAreAlternatives) {
  const std::string trying = std::string("Trying reg-exp 1:  ") + kExpr + " on job ";
  const struct {
    const char* what;
    Pairs pairs;
    int useRegex;
    int partial;
    const char* name;
    bool renamed;
    const char* result;
    std::vector<std::string> log;
  } cases[] = {
      {"pair 1 renames",
       {{kExpr}, {"$1-$2"}},
       1,
       1,
       "ABC_12.ps",
       true,
       "ABC-12",
       {trying + "ABC_12.ps..",
        "Looking up job: INFO - jobname ABC_12.ps renamed to ABC-12 with regular expression"}},
      {"renaming off", {{kExpr}, {"$1-$2"}}, 0, 1, "ABC_12.ps", false, "ABC_12.ps", {}},
      {"no pair matches: silent but for the trial line",
       {{kExpr}, {"$1-$2"}},
       1,
       1,
       "ABC_12.ps.bak",
       false,
       "ABC_12.ps.bak",
       {trying + "ABC_12.ps.bak.."}},
      {"partial matching on",
       {{kExpr}, {"$1-$2"}},
       1,
       1,
       "ABC_",
       true,
       "-",
       {trying + "ABC_..",
        "Looking up job: INFO - jobname ABC_ renamed to - with regular expression"}},
      {"partial matching off",
       {{kExpr}, {"$1-$2"}},
       1,
       0,
       "ABC_",
       false,
       "ABC_",
       {trying + "ABC_.."}},
      {"pair 2 matches: one trial line, for pair 1",
       {{"XYZ.*", kExpr}, {"never", "$2_$1"}},
       1,
       1,
       "ABC_12.ps",
       true,
       "12_ABC",
       {"Trying reg-exp 1:  XYZ.* on job ABC_12.ps..",
        "Looking up job: INFO - jobname ABC_12.ps renamed to 12_ABC with regular expression"}},
      {"pair 1 without a format is skipped",
       {{kExpr, "(.+)"}, {"", "<$1>"}},
       1,
       1,
       "ABC_12.ps",
       true,
       "<ABC_12.ps>",
       {"Looking up job: INFO - jobname ABC_12.ps renamed to <ABC_12.ps> with regular "
        "expression"}},
      {"the first match decides, no chain",
       {{kExpr, "ABC-12"}, {"$1-$2", "chained"}},
       1,
       1,
       "ABC_12.ps",
       true,
       "ABC-12",
       {trying + "ABC_12.ps..",
        "Looking up job: INFO - jobname ABC_12.ps renamed to ABC-12 with regular expression"}},
      {"pair 4 is tried",
       {{"", "", "", "(.)(.*)"}, {"", "", "", "$2$1"}},
       1,
       1,
       "abc",
       true,
       "bca",
       {"Looking up job: INFO - jobname abc renamed to bca with regular expression"}},
      {"an empty result renames to an empty name",
       {{"junk.*"}, {"$9"}},
       1,
       1,
       "junk.ps",
       true,
       "",
       {"Trying reg-exp 1:  junk.* on job junk.ps..",
        "Looking up job: INFO - jobname junk.ps renamed to  with regular expression"}},
  };
  for (const auto& c : cases) {
    LogFolder folder;
    const core::SettingsStore store = StoreWith(c.pairs, c.useRegex, c.partial);
    const IdentifyContext context{store, folder.logs};
    const RenameResult r = ApplyRegexRenaming(c.name, 4, context);
    EXPECT_EQ(r.renamed, c.renamed) << c.what;
    EXPECT_EQ(r.name, c.result) << c.what;
    EXPECT_EQ(folder.ProgramLines(), c.log) << c.what;
  }
}

TEST(Regex, UnusablePairsLogOneErrorAndTheRenamingGoesOn) {
  LogFolder folder;
  const std::string runaway = std::string(40, 'a') + "!";
  const core::SettingsStore store =
      StoreWith({{"([A-Z", kBacktracking, "(a+)!"}, {"$1", "$1", "ok-$1"}});
  const IdentifyContext context{store, folder.logs};
  const RenameResult r = ApplyRegexRenaming(runaway, 4, context);
  EXPECT_TRUE(r.renamed);
  EXPECT_EQ(r.name, "ok-" + std::string(40, 'a'));
  const std::vector<std::string> lines = folder.ProgramLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Trying reg-exp 1:  ([A-Z on job " + runaway + "..");
  EXPECT_EQ(lines[1].rfind("ERROR: Reg-exp 1 of spooler 5, expression \"([A-Z\", job " + runaway +
                               ": the expression does not compile: ",
                           0),
            0u)
      << lines[1];
  EXPECT_EQ(lines[2].rfind(std::string("ERROR: Reg-exp 2 of spooler 5, expression \"") +
                               kBacktracking + "\", job " + runaway + ": matching was given up: ",
                           0),
            0u)
      << lines[2];
  EXPECT_EQ(lines[3], "Looking up job: INFO - jobname " + runaway + " renamed to ok-" +
                          std::string(40, 'a') + " with regular expression");
}

}  // namespace
}  // namespace vellora::identify
