// The clocks and the spooler access of the job-name operations.
#include "identify/identify_context.h"

#include "platform/clock.h"

namespace vellora::identify {

Clock SystemClock() {
  return [] { return platform::NowEpochSeconds(); };
}

Clock FixedClock(int64_t epochSeconds) {
  return [epochSeconds] { return epochSeconds; };
}

const core::Spooler& SpoolerAt(const core::SettingsStore& settings, int spooler) {
  static const core::Spooler kUnconfigured;
  if (spooler < 0 || static_cast<size_t>(spooler) >= settings.Spoolers.size()) {
    return kUnconfigured;
  }
  return settings.Spoolers[static_cast<size_t>(spooler)];
}

}  // namespace vellora::identify
