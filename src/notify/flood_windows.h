// Flood prevention of the operator mails: one window per kind, shared by every thread
// that mails. The window starts at a kind's first mail attempt; until it has lasted
// MailFloodingTime whole minutes, further events of that kind are dropped (neither
// queued nor counted); the first event after it is mailed and starts a new window.
//
// The windows are measured on a clock that only goes forward (the monotonic clock by
// default), so setting the wall clock back cannot hold the operators' mails back for
// as long as it was set back, nor setting it forward cut a window short.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "notify/notification_kind.h"

namespace vellora::notify {

class FloodWindows {
 public:
  // Whole seconds.
  using Clock = std::function<int64_t()>;
  static int64_t MonotonicSeconds();

  explicit FloodWindows(Clock clock = MonotonicSeconds);

  // One event of the kind, now. With prevention on, false while fewer than
  // floodingMinutes whole minutes have passed since the kind's last attempt: the event
  // is dropped and nothing changes. Otherwise (and always with prevention off, so
  // that the windows count as soon as prevention is turned on) the event becomes the
  // kind's last attempt and the answer is true. The test and the update are one step,
  // so two threads cannot both start a window. False for a kind outside the four.
  bool Admit(NotificationKind kind, bool preventFlooding, int floodingMinutes);

 private:
  Clock clock_;
  std::mutex mutex_;
  // Empty until the kind's first attempt: the first mail of a kind is never held back.
  std::array<std::optional<int64_t>, kNotificationKinds> last_;
};

}  // namespace vellora::notify
