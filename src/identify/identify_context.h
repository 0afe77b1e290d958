// What the job-name operations read and write besides their arguments: the settings
// snapshot of the caller's pass, the log writers and the source of "now". Tests hand
// in a fixed clock so that dates without a year or month resolve the same every day.
#pragma once

#include <cstdint>
#include <functional>

#include "core/logs.h"
#include "core/settings.h"

namespace vellora::identify {

// The current time in seconds since 1970 UTC.
using Clock = std::function<int64_t()>;

// The system's real-time clock.
Clock SystemClock();
// A clock that always says the given instant.
Clock FixedClock(int64_t epochSeconds);

struct IdentifyContext {
  const core::SettingsStore& settings;
  core::LogWriters& logs;
  Clock now = SystemClock();
};

// The spooler record of a spooler index counted from 0. An index outside the store
// reads as a spooler with nothing configured, so a caller's mistake cannot reach
// outside the store.
const core::Spooler& SpoolerAt(const core::SettingsStore& settings, int spooler);

}  // namespace vellora::identify
