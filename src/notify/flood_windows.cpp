// The per-kind flood windows.
#include "notify/flood_windows.h"

#include "platform/clock.h"

namespace vellora::notify {

int64_t FloodWindows::MonotonicSeconds() {
  return static_cast<int64_t>(platform::MonotonicNanoseconds() / 1000000000u);
}

FloodWindows::FloodWindows(Clock clock) : clock_(std::move(clock)) {
  if (!clock_) clock_ = MonotonicSeconds;
}

bool FloodWindows::Admit(NotificationKind kind, bool preventFlooding, int floodingMinutes) {
  const int k = static_cast<int>(kind);
  if (k < 0 || k >= kNotificationKinds) return false;
  std::lock_guard guard(mutex_);
  const int64_t now = clock_();
  std::optional<int64_t>& last = last_[static_cast<size_t>(k)];
  if (preventFlooding && last) {
    // Whole minutes, truncated toward zero.
    const int64_t minutes = (now - *last) / 60;
    if (minutes < floodingMinutes) return false;
  }
  last = now;
  return true;
}

}  // namespace vellora::notify
