// Is a candidate file complete: the in-use test and the stable-time test. Stateless
// apart from the settings they are given and the scanner bar that the stable-time
// test animates; called by the scanner while the window and the monitors run.
//
// Paths are the system's text paths; a file's path is its folder, "\" and its name.
// None of these functions writes a message: failures are the return value.
#pragma once

#include <string>

#include "core/runtime.h"
#include "core/settings.h"

namespace vellora::intake {

// The exclusive-open test: false while another process holds the file open, and for
// a read-only or unreadable file. Always true when IgnoreLockCheck is set.
bool IsReadable(const std::string& fullPath, const core::SettingsStore& settings);

// The stable-time test: the file's last-write time and size, taken StableTime
// seconds apart, must be equal. The wait runs the scanner bar with the file name and
// then "Stable time check.." as its caption. False when the file cannot be opened,
// changed, or a stop was requested during the wait. True at once for StableTime 0.
bool IsStable(const std::string& fullPath, core::Runtime& rt);

}  // namespace vellora::intake
