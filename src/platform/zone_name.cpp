// The local time zone's name from the C library's local-time conversion.
#include "platform/zone_name.h"

#include <time.h>

#include <mutex>

namespace vellora::platform {

std::string LocalZoneName(int64_t epochSeconds) {
  // The conversion may load the zone data on first use; one caller at a time.
  static std::mutex lock;
  struct tm tm {};
  const time_t secs = static_cast<time_t>(epochSeconds);
  std::lock_guard guard(lock);
  if (localtime_r(&secs, &tm) == nullptr || tm.tm_zone == nullptr) return {};
  return tm.tm_zone;
}

}  // namespace vellora::platform
