// The pacer: waits that return at once at time scale 0, idle waits that never do,
// and a stop that ends every wait.
#include "platform/pacing.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace vellora::platform {
namespace {

using Clock = std::chrono::steady_clock;

TEST(Pacer, AtScaleZeroAWaitReturnsAtOnceAndAnIdleWaitStillBlocks) {
  Pacer pacer(0);
  for (int k = 0; k < 1000; ++k) ASSERT_TRUE(pacer.Wait(5000));
  EXPECT_EQ(pacer.RequestedMilliseconds(), 5000000u) << "counted unscaled";
  auto t0 = Clock::now();
  for (int k = 0; k < 5; ++k) ASSERT_TRUE(pacer.Idle(5000));
  // A lower bound only: each idle wait blocks at least its floor.
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(5));
  EXPECT_EQ(pacer.RequestedMilliseconds(), 5025000u);
}

TEST(Pacer, AStopEndsWaitsInProgressAndEveryLaterOne) {
  Pacer pacer(1);
  std::thread waiter([&] { EXPECT_FALSE(pacer.Wait(3600 * 1000)); });
  std::thread idler([&] { EXPECT_FALSE(pacer.Idle(3600 * 1000)); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  pacer.RequestStop();
  waiter.join();
  idler.join();
  EXPECT_TRUE(pacer.Stopping());
  EXPECT_FALSE(pacer.Wait(1000));
  EXPECT_FALSE(pacer.Idle(1000));
  EXPECT_FALSE(Pacer(0).Stopping());
}

TEST(Pacer, AScaledWaitLastsItsScaledTime) {
  Pacer pacer(0.01);
  auto t0 = Clock::now();
  ASSERT_TRUE(pacer.Wait(1000));
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(10));
}

}  // namespace
}  // namespace vellora::platform
