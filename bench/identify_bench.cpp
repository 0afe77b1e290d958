// Cost of identifying one job name: the parse in both cut modes and with a week
// number, and the renaming with one pair that matches (compiled twice, as every
// lookup does). Logging is off so that only the work on the name is measured.
#include <benchmark/benchmark.h>

#include "identify/job_name.h"
#include "identify/regex_renaming.h"
#include "platform/clock.h"

namespace {

using namespace vellora;

struct Setup {
  core::SettingsStore store;
  core::LogWriters logs;
  Setup() {
    logs.Configure(".", false, false);
    store.Spoolers[0].NameConv = "%P%-%D-%N";
    store.Spoolers[0].DateFormat = "DDMMYY";
    store.Spoolers[1].NameConv = "%P%P%D%D%D%D%N%N";
    store.Spoolers[1].DateFormat = "DDMM";
    store.Spoolers[2].NameConv = "%P-%D-%N";
    store.Spoolers[2].DateFormat = "MMDD";
    store.Spoolers[3].UseRegex = 1;
    store.Spoolers[3].MatchExpression[0] = R"(([A-Z]+)_(\d+)\.ps)";
    store.Spoolers[3].FormatExpression[0] = "$1-$2";
  }
};

void Parse(benchmark::State& state, int spooler, const char* name) {
  Setup s;
  identify::IdentifyContext context{
      s.store, s.logs, identify::FixedClock(*platform::MakeLocalTime(2026, 6, 15, 12, 0, 0))};
  for (auto _ : state) {
    identify::JobIdentity id;
    benchmark::DoNotOptimize(identify::ParseJobName(name, spooler, id, context));
  }
}
BENCHMARK_CAPTURE(Parse, separated, 0, "XYZ-310105-12.ps");
BENCHMARK_CAPTURE(Parse, fixed_width, 1, "AB310107.ps");
BENCHMARK_CAPTURE(Parse, week_number, 2, "XYZ-0023-1.ps");

void Rename(benchmark::State& state, const char* name) {
  Setup s;
  identify::IdentifyContext context{s.store, s.logs};
  for (auto _ : state) benchmark::DoNotOptimize(identify::ApplyRegexRenaming(name, 3, context));
}
BENCHMARK_CAPTURE(Rename, matching_pair, "ABC_12.ps");
BENCHMARK_CAPTURE(Rename, no_match, "ABC_12.ps.bak");

}  // namespace
