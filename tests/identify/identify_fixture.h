// What the job-name tests share: a settings store, log writers on real files in a
// fresh folder with the lines read back without their time stamps, a time zone set
// for the duration of a test, and local dates as texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/logs.h"
#include "core/settings.h"
#include "identify/identify_context.h"
#include "support/temp_dir.h"

namespace vellora::identify::testing {

class LogFolder {
 public:
  LogFolder() { logs.Configure(dir.path(), true, true); }
  // The messages of the program log (Vellora.log) and of the balancer log
  // (Quillon.log), one per line, time stamps and line ends taken off.
  std::vector<std::string> ProgramLines() const { return Lines("Vellora.log"); }
  std::vector<std::string> BalancerLines() const { return Lines("Quillon.log"); }

  test::TempDir dir;
  core::LogWriters logs;

 private:
  std::vector<std::string> Lines(const std::string& file) const;
};

// Sets TZ (a POSIX zone text) and restores the previous zone at the end of the scope.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  bool hadZone_ = false;
  std::string previous_;
};

// Zones the date tests run in: UTC, east and west of it with daylight saving, and one
// whose clocks jump at midnight (local midnight is missing on that day).
extern const char* const kTestZones[4];

// Local noon of a date in the current zone.
int64_t LocalNoon(int year, int month, int day);
// "YYYY-MM-DD" of an instant in the current zone.
std::string LocalDay(int64_t t);

}  // namespace vellora::identify::testing
