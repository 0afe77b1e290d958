// The shared helpers of the job-name tests.
#include "identify/identify_fixture.h"

#include <stdlib.h>
#include <time.h>

#include <cstdio>
#include <sstream>

#include "platform/clock.h"

namespace vellora::identify::testing {

std::vector<std::string> LogFolder::Lines(const std::string& file) const {
  std::vector<std::string> out;
  std::string text = test::Exists(dir / file) ? test::ReadFile(dir / file) : "";
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "[hh:mm:ss.mmm] " in front of every message.
    if (line.size() >= 15 && line[0] == '[' && line[13] == ']') line.erase(0, 15);
    out.push_back(line);
  }
  return out;
}

ScopedTimeZone::ScopedTimeZone(const char* tz) {
  if (const char* old = getenv("TZ")) {
    hadZone_ = true;
    previous_ = old;
  }
  setenv("TZ", tz, 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (hadZone_) {
    setenv("TZ", previous_.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

const char* const kTestZones[4] = {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0",
                                   "BRT3BRST,M10.3.0/0,M2.3.0/0"};

int64_t LocalNoon(int year, int month, int day) {
  return platform::MakeLocalTime(year, month, day, 12, 0, 0).value();
}

std::string LocalDay(int64_t t) {
  platform::LocalTime l = platform::ToLocal(t);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2d", l.year, l.month, l.day);
  return buf;
}

}  // namespace vellora::identify::testing
