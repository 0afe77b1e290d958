// The flood windows at their edges, with a clock the test sets.
#include "notify/flood_windows.h"

#include <gtest/gtest.h>

#include <atomic>

namespace vellora::notify {
namespace {

constexpr int64_t kNoon = 12 * 3600;

struct FakeClock {
  std::atomic<int64_t> now{kNoon};
  FloodWindows::Clock clock() {
    return [this] { return now.load(); };
  }
  void At(int hour, int minute, int second) { now = hour * 3600 + minute * 60 + second; }
};

TEST(FloodWindows, WindowStartsAtTheFirstMailAndEndsAfterWholeMinutes) {
  FakeClock t;
  FloodWindows w(t.clock());
  t.At(12, 0, 0);
  EXPECT_TRUE(w.Admit(NotificationKind::RipError, true, 10));  // the first is never held
  t.At(12, 5, 0);
  EXPECT_TRUE(w.Admit(NotificationKind::RipWarning, true, 10));  // a window of its own
  t.At(12, 9, 59);
  EXPECT_FALSE(w.Admit(NotificationKind::RipError, true, 10));  // 9 whole minutes
  t.At(12, 10, 0);
  EXPECT_TRUE(w.Admit(NotificationKind::RipError, true, 10));  // starts a new window
  t.At(12, 19, 59);
  EXPECT_FALSE(w.Admit(NotificationKind::RipError, true, 10));
  // The held-back events did not move the window.
  t.At(12, 20, 0);
  EXPECT_TRUE(w.Admit(NotificationKind::RipError, true, 10));
  t.At(12, 14, 59);
  EXPECT_FALSE(w.Admit(NotificationKind::RipWarning, true, 10));
  t.At(12, 15, 0);
  EXPECT_TRUE(w.Admit(NotificationKind::RipWarning, true, 10));
  // The other kinds have never mailed.
  EXPECT_TRUE(w.Admit(NotificationKind::NetworkError, true, 10));
  EXPECT_TRUE(w.Admit(NotificationKind::DatabaseError, true, 10));
  EXPECT_FALSE(w.Admit(NotificationKind::DatabaseError, true, 10));
  // A kind outside the four.
  EXPECT_FALSE(w.Admit(static_cast<NotificationKind>(4), false, 0));
}

TEST(FloodWindows, ZeroMinutesOffAndAClockGoingBack) {
  FakeClock t;
  FloodWindows w(t.clock());
  // 0 minutes never holds anything back.
  EXPECT_TRUE(w.Admit(NotificationKind::RipError, true, 0));
  EXPECT_TRUE(w.Admit(NotificationKind::RipError, true, 0));
  // With prevention off every event goes, and each still counts as the last one, so
  // the windows apply as soon as prevention is turned on.
  t.At(12, 0, 0);
  EXPECT_TRUE(w.Admit(NotificationKind::RipWarning, false, 10));
  t.At(12, 3, 0);
  EXPECT_TRUE(w.Admit(NotificationKind::RipWarning, false, 10));
  t.At(12, 12, 59);
  EXPECT_FALSE(w.Admit(NotificationKind::RipWarning, true, 10));
  t.At(12, 13, 0);
  EXPECT_TRUE(w.Admit(NotificationKind::RipWarning, true, 10));
  // A clock that goes back gives a negative number of minutes, which holds the
  // events back (the product's monotonic clock never goes back).
  t.At(11, 0, 0);
  EXPECT_FALSE(w.Admit(NotificationKind::RipWarning, true, 10));
  // A negative window never holds anything back.
  EXPECT_TRUE(w.Admit(NotificationKind::NetworkError, true, -5));
  EXPECT_TRUE(w.Admit(NotificationKind::NetworkError, true, -5));
}

TEST(FloodWindows, MonotonicByDefault) {
  FloodWindows w;
  EXPECT_TRUE(w.Admit(NotificationKind::RipError, true, 10));
  EXPECT_FALSE(w.Admit(NotificationKind::RipError, true, 10));
  const int64_t a = FloodWindows::MonotonicSeconds();
  EXPECT_LE(a, FloodWindows::MonotonicSeconds());
}

}  // namespace
}  // namespace vellora::notify
