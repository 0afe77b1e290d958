// Every wait of the engine goes through one Pacer, for two reasons: a stop request
// must end any wait at once (so the program ends within a second), and tests and the
// demo may run the product's timings faster (VELLORA_TIME_SCALE) while the product
// itself keeps them as specified.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vellora::platform {

class Pacer {
 public:
  // scale multiplies every wait: 1 is real time, 0 means no waits at all.
  explicit Pacer(double scale = 1.0);

  // VELLORA_TIME_SCALE from the environment; 1 when unset or not a number >= 0.
  static double ScaleFromEnvironment();

  // Waits the given (unscaled) milliseconds. Returns false when a stop has been
  // requested, in which case the wait ends at once.
  bool Wait(int milliseconds);

  void RequestStop();
  bool Stopping() const { return stop_.load(std::memory_order_acquire); }

  // The sum of all milliseconds asked for, unscaled: what the waits cost in real time.
  uint64_t RequestedMilliseconds() const { return requested_.load(); }
  double Scale() const { return scale_; }

 private:
  const double scale_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> requested_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
};

}  // namespace vellora::platform
