// Every wait of the engine goes through one Pacer, for two reasons: a stop request
// must end any wait at once (so the program ends within a second), and tests and the
// demo may run the product's timings faster (VELLORA_TIME_SCALE) while the product
// itself keeps them as specified.
//
// Two kinds of wait. Wait() is a step of something the program does (a stable-time
// check, an animation, a pause before a retry): scaled like every wait, and at time
// scale 0 it returns at once, so a test runs the steps as fast as the machine can.
// Idle() ends a round of a loop that starts over whether or not there is anything to
// do (a monitor's pass, the scanner's pass, the beeper): scaled too, but never
// shorter than kIdleFloorMs, so that at time scale 0 such a loop still blocks between
// its rounds instead of taking a whole core from everything else.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vellora::platform {

class Pacer {
 public:
  // The shortest an idle round's wait lasts, in real milliseconds.
  static constexpr double kIdleFloorMs = 1.0;

  // scale multiplies every wait: 1 is real time, 0 means no waits at all.
  explicit Pacer(double scale = 1.0);
  ~Pacer();
  Pacer(const Pacer&) = delete;
  Pacer& operator=(const Pacer&) = delete;

  // VELLORA_TIME_SCALE from the environment; 1 when unset or not a number >= 0.
  static double ScaleFromEnvironment();

  // Waits the given (unscaled) milliseconds. Returns false when a stop has been
  // requested, in which case the wait ends at once. At time scale 0 it returns at
  // once without giving up the core.
  bool Wait(int milliseconds);
  // The wait at the end of an idle loop's round: as Wait, but at least kIdleFloorMs
  // of real time at every scale (a stop still ends it at once).
  bool Idle(int milliseconds);

  void RequestStop();
  bool Stopping() const { return stop_.load(std::memory_order_acquire); }

  // The sum of all milliseconds asked for, unscaled: what the waits cost in real time.
  uint64_t RequestedMilliseconds() const { return requested_.load(); }
  double Scale() const { return scale_; }

 private:
  bool Block(double realMilliseconds);

  const double scale_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> requested_{0};
  std::mutex mutex_;
  std::condition_variable wake_;  // where no descriptor could be made
  int stopFd_ = -1;               // an eventfd, readable once a stop was requested
};

}  // namespace vellora::platform
