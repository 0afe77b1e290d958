// The question a long platform operation (a copy, a wait for another program) asks
// now and then: has a stop been requested? The engine answers from its pacer, so a
// stop of the program cuts such an operation short instead of waiting for it.
#pragma once

#include <functional>

namespace vellora::platform {

using StopCheck = std::function<bool()>;

}  // namespace vellora::platform
