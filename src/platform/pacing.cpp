// The pacing of every engine wait.
#include "platform/pacing.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/system.h"

namespace vellora::platform {

Pacer::Pacer(double scale) : scale_(scale < 0 ? 1.0 : scale) {}

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
  double scaled = milliseconds * scale_;
  if (scaled <= 0) {
    std::this_thread::yield();
    return !Stopping();
  }
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, std::chrono::duration<double, std::milli>(scaled),
                 [this] { return Stopping(); });
  return !Stopping();
}

void Pacer::RequestStop() {
  {
    std::lock_guard lock(mutex_);
    stop_.store(true, std::memory_order_release);
  }
  wake_.notify_all();
}

}  // namespace vellora::platform
