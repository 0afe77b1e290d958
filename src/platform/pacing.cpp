// The pacing of every engine wait.
#include "platform/pacing.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "platform/system.h"

namespace vellora::platform {

Pacer::Pacer(double scale) : scale_(scale < 0 ? 1.0 : scale) {
  // A wait is one ppoll() on this descriptor, which a stop makes readable for good:
  // one system call per wait, where a condition variable's timed wait costs two.
  stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

Pacer::~Pacer() {
  if (stopFd_ >= 0) ::close(stopFd_);
}

double Pacer::ScaleFromEnvironment() {
  auto text = GetEnvironment("VELLORA_TIME_SCALE");
  if (!text || text->empty()) return 1.0;
  char* end = nullptr;
  double v = std::strtod(text->c_str(), &end);
  if (end == text->c_str() || *end != '\0' || !(v >= 0)) return 1.0;
  return v;
}

bool Pacer::Wait(int milliseconds) {
  if (milliseconds > 0) requested_.fetch_add(static_cast<uint64_t>(milliseconds));
  if (Stopping()) return false;
  const double scaled = milliseconds * scale_;
  // Nothing to wait for: no system call at all (a yield here made every step of a
  // loop at time scale 0 cost one, and a loop without an idle wait spin on it).
  if (scaled <= 0) return true;
  return Block(scaled);
}

bool Pacer::Idle(int milliseconds) {
  if (milliseconds > 0) requested_.fetch_add(static_cast<uint64_t>(milliseconds));
  if (Stopping()) return false;
  return Block(std::max(milliseconds * scale_, kIdleFloorMs));
}

bool Pacer::Block(double realMilliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double, std::milli>(realMilliseconds));
  if (stopFd_ < 0) {
    std::unique_lock lock(mutex_);
    wake_.wait_until(lock, deadline, [this] { return Stopping(); });
    return !Stopping();
  }
  for (;;) {
    if (Stopping()) return false;
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return true;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    struct timespec ts {};
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    struct pollfd p {};
    p.fd = stopFd_;
    p.events = POLLIN;
    int n = ::ppoll(&p, 1, &ts, nullptr);
    if (n == 0) return !Stopping();  // the time is up
    if (n < 0 && errno != EINTR) {
      // Should the descriptor fail, the wait still lasts its time.
      std::unique_lock lock(mutex_);
      wake_.wait_until(lock, deadline, [this] { return Stopping(); });
      return !Stopping();
    }
    // Readable (a stop) or interrupted by a signal: look again.
  }
}

void Pacer::RequestStop() {
  {
    std::lock_guard lock(mutex_);
    stop_.store(true, std::memory_order_release);
  }
  wake_.notify_all();
  if (stopFd_ >= 0) {
    uint64_t one = 1;
    // Stays readable: every wait in progress and every later one ends at once.
    ssize_t n = ::write(stopFd_, &one, sizeof one);
    (void)n;
  }
}

}  // namespace vellora::platform
