// Fuzzes ParseJobName with arbitrary names, naming conventions, separators, date
// formats, defaults, DayOfWeek values and clocks: no crash, no read outside the
// name, no hang, and a converted date is always a representable one.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"

#include "identify/job_name.h"

using namespace vellora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static core::SettingsStore* store = new core::SettingsStore;
  FuzzedDataProvider in(data, size);
  // Up to the year 3000 and a little beyond.
  const int64_t now = in.ConsumeIntegralInRange<int64_t>(0, 33000000000LL);
  store->DayOfWeek = in.ConsumeIntegralInRange<int>(-1, 9);
  if (in.ConsumeBool()) store->DayOfWeek = in.ConsumeIntegral<int>();
  core::Spooler& sp = store->Spoolers[0];
  sp.NameConv = in.ConsumeRandomLengthString(300);
  sp.Separators = in.ConsumeRandomLengthString(16);
  sp.DateFormat = in.ConsumeRandomLengthString(40);
  sp.DefaultPublication = in.ConsumeRandomLengthString(8);
  const std::string name = in.ConsumeRemainingBytesAsString();

  identify::IdentifyContext context{*store, fuzz::DiscardingLogs(), identify::FixedClock(now)};
  identify::JobIdentity id;
  const bool ok = identify::ParseJobName(name, 0, id, context);
  if (ok && (id.PubDate < 0 || id.PreviousYearDate < 0)) std::abort();
  if (!id.PageName.empty() && id.PageName[0] == '0') std::abort();
  return 0;
}
