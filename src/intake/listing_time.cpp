// Listed-time text and sort key.
#include "intake/listing_time.h"

#include <cstdio>

namespace vellora::intake {

std::string ListedTimeText(const platform::LocalTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2d/%.2d/%.4d %.2d:%.2d:%.2d", t.day, t.month, t.year, t.hour,
                t.minute, t.second);
  return buf;
}

uint64_t ListingTimeKey(const platform::LocalTime& t) {
  auto u = [](int v) { return static_cast<uint64_t>(static_cast<uint32_t>(v)); };
  return u(t.second) + (u(t.minute) << 8) + (u(t.hour) << 16) + (u(t.day) << 24) +
         (u(t.month) << 32) + (u(t.year) << 40);
}

}  // namespace vellora::intake
