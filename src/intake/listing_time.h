// The two forms of a listed file's local last-write time: the text shown in the
// input queue (part of a queued job's identity) and the key the queue is ordered by.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace vellora::intake {

// "%.2d/%.2d/%.4d %.2d:%.2d:%.2d" with day, month, year, hour, minute, second.
std::string ListedTimeText(const platform::LocalTime& t);

// second + minute×2^8 + hour×2^16 + day×2^24 + month×2^32 + year×2^40: ordered as
// unsigned numbers, the keys order the times to the second.
uint64_t ListingTimeKey(const platform::LocalTime& t);

}  // namespace vellora::intake
