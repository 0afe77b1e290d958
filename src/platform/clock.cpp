// POSIX clocks and the local-time conversions.
#include "platform/clock.h"
#include "platform/zone_name.h"

#include <time.h>

#include <cerrno>
#include <ctime>
#include <mutex>

namespace vellora::platform {
namespace {

// glibc's mktime looks at the zone again on every call and frees and reallocates its
// copy of the zone's name, under a lock of its own that ThreadSanitizer cannot see.
// Taking our own lock around every local-time conversion makes that ordering visible;
// the conversions are short, so nobody waits long.
std::mutex& ZoneLock() {
  static std::mutex lock;
  return lock;
}

LocalTime FromTm(const struct tm& tm, int ms) {
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.millisecond = ms;
  t.weekday = tm.tm_wday;
  t.yearday = tm.tm_yday;
  t.utcOffsetSeconds = static_cast<int>(tm.tm_gmtoff);
  return t;
}

}  // namespace

int64_t NowEpochSeconds() {
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  return ts.tv_sec;
}

LocalTime NowLocal() {
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm {};
  time_t secs = ts.tv_sec;
  {
    std::lock_guard guard(ZoneLock());
    localtime_r(&secs, &tm);
  }
  return FromTm(tm, static_cast<int>(ts.tv_nsec / 1000000));
}

LocalTime ToLocal(int64_t epochSeconds) {
  struct tm tm {};
  time_t secs = static_cast<time_t>(epochSeconds);
  {
    std::lock_guard guard(ZoneLock());
    localtime_r(&secs, &tm);
  }
  return FromTm(tm, 0);
}

std::optional<int64_t> MakeLocalTime(int year, int month, int day, int hour, int minute,
                                     int second) {
  // Keep the arithmetic inside int before the conversion gets it.
  if (year < 1900 - 100 || year > 3001 || month < -1200 || month > 1200 || day < -40000 ||
      day > 40000) {
    return std::nullopt;
  }
  struct tm tm {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  time_t t;
  {
    std::lock_guard guard(ZoneLock());
    errno = 0;
    t = mktime(&tm);
    if (t == static_cast<time_t>(-1) && errno != 0) return std::nullopt;
  }
  if (t < 0) return std::nullopt;
  if (tm.tm_year + 1900 > 3000) return std::nullopt;
  return static_cast<int64_t>(t);
}

uint64_t MonotonicNanoseconds() {
  struct timespec ts {};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

uint32_t TickCountMilliseconds() {
  return static_cast<uint32_t>(MonotonicNanoseconds() / 1000000ull);
}

void SleepMilliseconds(int64_t ms) {
  if (ms <= 0) return;
  struct timespec ts {};
  ts.tv_sec = static_cast<time_t>(ms / 1000);
  ts.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

std::string LocalZoneName(int64_t epochSeconds) {
  struct tm tm {};
  const time_t secs = static_cast<time_t>(epochSeconds);
  // Under the lock of the other conversions: the name points into the C library's
  // zone data, which mktime in another thread may be loading again.
  std::lock_guard guard(ZoneLock());
  if (localtime_r(&secs, &tm) == nullptr || tm.tm_zone == nullptr) return {};
  return tm.tm_zone;
}

}  // namespace vellora::platform
