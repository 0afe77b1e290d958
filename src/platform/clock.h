// Time: local calendar time with milliseconds, the local-time conversion with mktime
// semantics, monotonic counters and the one raw sleep that the pacing of core/ uses.
#pragma once

#include <cstdint>
#include <optional>

namespace vellora::platform {

struct LocalTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int weekday = 4;  // 0 = Sunday
  int yearday = 0;  // 0..365
  int utcOffsetSeconds = 0;
};

// Seconds since 1970 UTC.
int64_t NowEpochSeconds();
LocalTime NowLocal();
// The local calendar time of an instant (milliseconds 0).
LocalTime ToLocal(int64_t epochSeconds);
// Local calendar values to an instant, with mktime semantics (values outside their
// ranges roll over: 31 February is 2 or 3 March). Empty when the result is not
// representable: before 1 January 1970 00:00:00 UTC or after the year 3000.
std::optional<int64_t> MakeLocalTime(int year, int month, int day, int hour, int minute,
                                     int second);

// Monotonic high-resolution counter in nanoseconds.
uint64_t MonotonicNanoseconds();
// Milliseconds since an arbitrary start, wrapping at 2^32 (the tick count that goes
// into an echo request).
uint32_t TickCountMilliseconds();

void SleepMilliseconds(int64_t ms);

}  // namespace vellora::platform
