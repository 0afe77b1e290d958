// The name of the local time zone at an instant (defined with the other local-time
// conversions in clock.cpp, under their lock), as the system reports it ("CET",
// "CEST", "UTC"): what a mail's Date: header ends with.
#pragma once

#include <cstdint>
#include <string>

namespace vellora::platform {

// Empty when the system knows no name for it.
std::string LocalZoneName(int64_t epochSeconds);

}  // namespace vellora::platform
