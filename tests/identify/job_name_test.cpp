// Cutting job names into identities: both cut modes, defaults, page names and the
// date rules, with the clock fixed on chosen days and in several time zones.
#include "identify/job_name.h"

#include <gtest/gtest.h>

#include <thread>

#include "identify/identify_fixture.h"
#include "platform/clock.h"

namespace vellora::identify {
namespace {

using testing::LocalDay;
using testing::LocalNoon;
using testing::LogFolder;
using testing::ScopedTimeZone;

struct Day {
  int year, month, day;
};

// Every non-empty field, so that a field filled by mistake shows too.
std::string Render(const JobIdentity& id, bool ok) {
  std::string out;
  auto add = [&](const char* key, const std::string& value) {
    if (!value.empty()) out += std::string(key) + "=" + value + " ";
  };
  add("P", id.Publication);
  add("E", id.Edition);
  add("S", id.Section);
  add("I", id.Issue);
  add("G", id.LocationGroup);
  add("C", id.Color);
  add("N", id.PageName);
  add("M", id.PlanPageName);
  add("D", id.Date);
  if (id.WeekNumber != 0) out += "W=" + std::to_string(id.WeekNumber) + " ";
  out += "pub=" + LocalDay(id.PubDate) + " prev=" + LocalDay(id.PreviousYearDate);
  if (!ok) out += " illegal";
  return out;
}

struct NameCase {
  const char* what;
  const char* convention;
  const char* separators;
  const char* dateFormat;
  int dayOfWeek;
  bool defaults;
  Day now;
  const char* name;
  const char* expected;
};

constexpr const char* kSeps = "_-,";
constexpr const char* kNoDate = "pub=1975-01-01 prev=1975-01-01";
constexpr Day kJune{2026, 6, 15};

const NameCase kCases[] = {
    {"fixed width, extension ignored", "%P%P%D%D%D%D%N%N", kSeps, "DDMM", 0, false, kJune,
     "AB310107.ps", "P=AB N=7 D=01/31/2027 pub=2027-01-31 prev=2026-01-31"},
    {"separated", "%P%-%D-%N", kSeps, "DDMMYY", 0, false, kJune, "XYZ-310105-12",
     "P=XYZ N=12 D=01/31/2005 pub=2005-01-31 prev=2004-01-31"},
    {"doubled separator loses the date", "%P%-%D-%N", kSeps, "DDMMYY", 0, false, kJune,
     "XYZ--310105-12", "P=XYZ N=12 pub=1975-01-01 prev=1975-01-01"},
    {"extension stays in the last token", "%P%-%D-%N", kSeps, "DDMMYY", 0, false, kJune,
     "XYZ-310105-12.ps", "P=XYZ N=12.ps D=01/31/2005 pub=2005-01-31 prev=2004-01-31"},
    {"date runs collapse, format case-blind", "%P-%6D-%N", kSeps, "ddmmyy", 0, false, kJune,
     "XYZ-310105-12", "P=XYZ N=12 D=01/31/2005 pub=2005-01-31 prev=2004-01-31"},
    {"fewer tokens than attributes", "%P-%E-%N", kSeps, "", 0, false, kJune, "ABC-A01.ps",
     "P=ABC E=A01.ps N=A01.ps pub=1975-01-01 prev=1975-01-01"},
    {"every letter", "%P_%E_%S_%I_%G_%C_%M_%N_%X", kSeps, "", 0, false, kJune,
     "P1_E1_S1_I1_G1_C1_M1_N1_X1",
     "P=P1 E=E1 S=S1 I=I1 G=G1 C=C1 N=N1 M=M1 pub=1975-01-01 prev=1975-01-01"},
    {"week under MMDD, day 1",
     "%P-%D-%N",
     kSeps,
     "MMDD",
     0,
     false,
     {2027, 3, 10},
     "XYZ-0023-1",
     "P=XYZ N=1 D=06/07/2027 W=23 pub=2027-06-07 prev=2026-06-07"},
    {"week with DayOfWeek 5",
     "%P-%D-%N",
     kSeps,
     "MMDD",
     5,
     false,
     {2027, 3, 10},
     "XYZ-0023-1",
     "P=XYZ N=1 D=06/11/2027 W=23 pub=2027-06-11 prev=2026-06-11"},
    {"week with DayOfWeek 7 under DDMM",
     "%P-%D-%N",
     kSeps,
     "DDMM",
     7,
     false,
     {2027, 3, 10},
     "XYZ-0023-1",
     "P=XYZ N=1 D=06/13/2027 W=23 pub=2027-06-13 prev=2026-06-13"},
    {"week 1 begins in the year before", "%P-%D", kSeps, "MMDD", 0, false, kJune, "AB-0001",
     "P=AB D=12/29/2025 W=1 pub=2025-12-29 prev=2024-12-29"},
    {"week text, week 53", "%P-%D", kSeps, "YYWW", 0, false, kJune, "AB-2653",
     "P=AB D=12/28/2026 W=53 pub=2026-12-28 prev=2025-12-28"},
    {"3112 on 1 January is this year's",
     "%P-%D",
     kSeps,
     "DDMM",
     0,
     false,
     {2027, 1, 1},
     "AB-3112",
     "P=AB D=12/31/2027 pub=2027-12-31 prev=2026-12-31"},
    {"today included on 31 December",
     "%P-%D",
     kSeps,
     "DDMM",
     0,
     false,
     {2026, 12, 31},
     "AB-3112",
     "P=AB D=12/31/2026 pub=2026-12-31 prev=2025-12-31"},
    {"1 January seen on 31 December",
     "%P-%D",
     kSeps,
     "DDMM",
     0,
     false,
     {2026, 12, 31},
     "AB-0101",
     "P=AB D=01/01/2027 pub=2027-01-01 prev=2026-01-01"},
    {"1 January on 1 January",
     "%P-%D",
     kSeps,
     "DDMM",
     0,
     false,
     {2027, 1, 1},
     "AB-0101",
     "P=AB D=01/01/2027 pub=2027-01-01 prev=2026-01-01"},
    {"day passed: next month", "%P-%D", kSeps, "DD", 0, false, kJune, "AB-05",
     "P=AB D=07/05/2026 pub=2026-07-05 prev=2025-07-05"},
    {"day not passed: this month", "%P-%D", kSeps, "DD", 0, false, kJune, "AB-15",
     "P=AB D=06/15/2026 pub=2026-06-15 prev=2025-06-15"},
    {"day passed in December: January",
     "%P-%D",
     kSeps,
     "DD",
     0,
     false,
     {2025, 12, 20},
     "AB-05",
     "P=AB D=01/05/2026 pub=2026-01-05 prev=2025-01-05"},
    {"day passed on 31 December",
     "%P-%D",
     kSeps,
     "DD",
     0,
     false,
     {2026, 12, 31},
     "AB-30",
     "P=AB D=01/30/2027 pub=2027-01-30 prev=2026-01-30"},
    {"given year rolls on with January",
     "%P-%D",
     kSeps,
     "DDYY",
     0,
     false,
     {2025, 12, 20},
     "AB-0525",
     "P=AB D=01/05/2026 pub=2026-01-05 prev=2025-01-05"},
    {"99 rolls into 2100",
     "%P-%D",
     kSeps,
     "DDYY",
     0,
     false,
     {2099, 12, 20},
     "AB-0599",
     "P=AB D=01/05/2100 pub=2100-01-05 prev=2099-01-05"},
    {"one-digit year is illegal", "%P-%D", kSeps, "DDMMY", 0, false, kJune, "AB-31015",
     "P=AB D=01/31/205 pub=1975-01-01 prev=1975-01-01 illegal"},
    {"31 February rolls over", "%P-%D", kSeps, "DDMM", 0, false, kJune, "AB-3102",
     "P=AB D=02/31/2027 pub=2027-03-03 prev=2026-03-03"},
    {"year 3000 converts", "%P-%D", kSeps, "DDMMYYYY", 0, false, kJune, "AB-31123000",
     "P=AB D=12/31/3000 pub=3000-12-31 prev=2999-12-31"},
    {"year 3001 is illegal", "%P-%D", kSeps, "DDMMYYYY", 0, false, kJune, "AB-01013001",
     "P=AB D=01/01/3001 pub=1975-01-01 prev=1975-01-01 illegal"},
    {"1970 is illegal: its year before is", "%P-%D", kSeps, "DDMMYYYY", 0, false, kJune,
     "AB-01061970", "P=AB D=06/01/1970 pub=1975-01-01 prev=1975-01-01 illegal"},
    {"zero day is the 1st", "%P-%D", kSeps, "DDMMYYYY", 0, false, kJune, "AB-00012027",
     "P=AB D=01/01/2027 pub=2027-01-01 prev=2026-01-01"},
    {"date shorter than its format", "%P-%D", kSeps, "DDMMYYYY", 0, false, kJune, "AB-3101",
     "P=AB D=01/31/2027 pub=2027-01-31 prev=2026-01-31"},
    {"bracketed date width", "%P%P%D[ddmmyy]%N", kSeps, "DDMMYY", 0, false, kJune, "AB3101051",
     "P=AB N=1 D=01/31/2005 pub=2005-01-31 prev=2004-01-31"},
    {"fixed pattern longer than the name", "%5P%3N", kSeps, "", 0, false, kJune, "AB",
     "P=AB pub=1975-01-01 prev=1975-01-01"},
    {"page name loses its zeros", "%P-%N", kSeps, "", 0, false, kJune, "AB-007",
     "P=AB N=7 pub=1975-01-01 prev=1975-01-01"},
    {"page name of zeros only", "%P-%N", kSeps, "", 0, false, kJune, "AB-00",
     "P=AB pub=1975-01-01 prev=1975-01-01"},
    {"only leading zeros go", "%P-%N", kSeps, "", 0, false, kJune, "AB-A007",
     "P=AB N=A007 pub=1975-01-01 prev=1975-01-01"},
    {"upper-case separator in the convention is lowered", "%PX%DX%N", "X", "", 0, false, kJune,
     "ABX310105X12", "P=A N=1 D=X pub=1975-01-01 prev=1975-01-01"},
    {"lower-case separator", "%PX%DX%N", "x", "", 0, false, kJune, "ABx310105x12",
     "P=AB N=12 D=310105 pub=1975-01-01 prev=1975-01-01"},
    {"no separators: fixed width", "%P-%N", "", "", 0, false, kJune, "AB-1",
     "P=A N=- pub=1975-01-01 prev=1975-01-01"},
    {"defaults fill the empty fields, Color has none", "%P-%N", kSeps, "", 0, true, kJune, "ABC-07",
     "P=ABC E=E1 S=S1 I=I1 G=G1 N=7 pub=1975-01-01 prev=1975-01-01"},
    {"leading separator moves the pattern on", "%P-%N", kSeps, "", 0, true, kJune, "-07",
     "P=DEF E=E1 S=S1 I=I1 G=G1 N=7 pub=1975-01-01 prev=1975-01-01"},
};

core::SettingsStore StoreFor(const NameCase& c) {
  core::SettingsStore store;
  store.DayOfWeek = c.dayOfWeek;
  core::Spooler& sp = store.Spoolers[2];
  sp.NameConv = c.convention;
  sp.Separators = c.separators;
  sp.DateFormat = c.dateFormat;
  if (c.defaults) {
    sp.DefaultPublication = "DEF";
    sp.DefaultEdition = "E1";
    sp.DefaultSection = "S1";
    sp.DefaultGroup = "G1";
    sp.DefaultIssue = "I1";
  }
  return store;
}

TEST(JobName, TableInEveryZone) {
  for (const char* zone : testing::kTestZones) {
    ScopedTimeZone tz(zone);
    LogFolder folder;
    for (const NameCase& c : kCases) {
      const core::SettingsStore store = StoreFor(c);
      IdentifyContext context{store, folder.logs,
                              FixedClock(LocalNoon(c.now.year, c.now.month, c.now.day))};
      JobIdentity id;
      id.SeparationSetId = 7;  // the lookup's fields are not the parse's
      id.Priority = 80;
      const bool ok = ParseJobName(c.name, 2, id, context);
      EXPECT_EQ(Render(id, ok), c.expected) << c.what << " (" << c.name << ") in " << zone;
      EXPECT_EQ(id.SeparationSetId, 7);
      EXPECT_EQ(id.Priority, 80);
      // Parsing again into the same record gives the same: nothing is carried over.
      const bool again = ParseJobName(c.name, 2, id, context);
      EXPECT_EQ(Render(id, again), c.expected) << c.what << " parsed twice";
    }
  }
}

TEST(JobName, LogLinesOfDatesAndWeeks) {
  LogFolder folder;
  core::SettingsStore store;
  core::Spooler& sp = store.Spoolers[0];
  sp.NameConv = "%P-%D";
  sp.DateFormat = "DDMMY";
  IdentifyContext context{store, folder.logs, FixedClock(LocalNoon(2027, 3, 10))};
  JobIdentity id;
  EXPECT_FALSE(ParseJobName("AB-31015", 0, id, context));
  sp.DateFormat = "MMDD";
  EXPECT_TRUE(ParseJobName("AB-0023", 0, id, context));
  EXPECT_EQ(folder.ProgramLines(),
            std::vector<std::string>{"ERROR: Illegal date format 205-01-31 in file AB-31015"});
  EXPECT_EQ(folder.BalancerLines(),
            std::vector<std::string>{"INFO:  Week number conversion returned 07/06/2027"});
}

TEST(JobName, BadWeeksGiveTheZeroTimeAndAnIllegalDate) {
  for (const char* zone : testing::kTestZones) {
    ScopedTimeZone tz(zone);
    // The zero time's local calendar date (31 December 1969 west of Greenwich).
    const platform::LocalTime zero = platform::ToLocal(0);
    char y[8], m[8], d[8];
    std::snprintf(y, sizeof y, "%.4d", zero.year);
    std::snprintf(m, sizeof m, "%.2d", zero.month);
    std::snprintf(d, sizeof d, "%.2d", zero.day);

    struct {
      const char* name;
      int dayOfWeek;
      int week;
      const char* weekLine;
    } cases[] = {
        {"AB-0053", 0, 53,
         "ERROR: Bad week-number to date convertion (week:53, dayofweek=1, year=2027 returned "
         "day=0, month=0)"},
        {"AB-0023", 9, 23,
         "ERROR: Bad week-number to date convertion (week:23, dayofweek=9, year=2027 returned "
         "day=0, month=0)"},
    };
    for (const auto& c : cases) {
      LogFolder folder;
      core::SettingsStore store;
      store.DayOfWeek = c.dayOfWeek;
      store.Spoolers[0].NameConv = "%P-%D";
      store.Spoolers[0].DateFormat = "MMDD";
      IdentifyContext context{store, folder.logs, FixedClock(LocalNoon(2027, 3, 10))};
      JobIdentity id;
      EXPECT_FALSE(ParseJobName(c.name, 0, id, context)) << c.name << " in " << zone;
      EXPECT_EQ(id.WeekNumber, c.week);
      EXPECT_EQ(id.Date, std::string(m) + "/" + d + "/" + y);
      EXPECT_EQ(id.PubDate, DefaultJobDate());
      EXPECT_EQ(folder.BalancerLines(), std::vector<std::string>{c.weekLine});
      EXPECT_EQ(folder.ProgramLines(),
                std::vector<std::string>{std::string("ERROR: Illegal date format ") + y + "-" + m +
                                         "-" + d + " in file " + c.name});
    }
  }
}

TEST(JobName, SpoolerOutsideTheStoreReadsAsUnconfigured) {
  LogFolder folder;
  core::SettingsStore store;
  IdentifyContext context{store, folder.logs, FixedClock(LocalNoon(2027, 3, 10))};
  for (int spooler : {-1, core::kMaxSpoolers, 1 << 30}) {
    JobIdentity id;
    EXPECT_TRUE(ParseJobName("ABC-310105-12", spooler, id, context));
    EXPECT_EQ(Render(id, true), kNoDate);
  }
}

TEST(JobName, ParsesFromManyThreadsAtOnce) {
  LogFolder folder;
  core::SettingsStore store;
  store.Spoolers[0].NameConv = "%P-%D-%N";
  store.Spoolers[0].DateFormat = "MMDD";
  store.Spoolers[1].NameConv = "%P%P%D%D%D%D%N%N";
  store.Spoolers[1].DateFormat = "DDMM";
  IdentifyContext context{store, folder.logs, FixedClock(LocalNoon(2027, 3, 10))};
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < 200; ++k) {
        JobIdentity id;
        if (t % 2 == 0) {
          if (!ParseJobName("XYZ-0023-1", 0, id, context) || id.Date != "06/07/2027") ++wrong;
        } else {
          if (!ParseJobName("AB310107.ps", 1, id, context) || id.Date != "01/31/2028") ++wrong;
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(folder.BalancerLines().size(), 400u) << "one week line per week parse, none lost";
}

}  // namespace
}  // namespace vellora::identify
