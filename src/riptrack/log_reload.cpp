// The operator's "Re-load RIP logs" for one RIP.
#include "riptrack/log_reload.h"

#include "platform/files.h"

namespace vellora::riptrack {

void LogReload::Request(const std::string& pointerPath) {
  std::lock_guard lock(mutex_);
  platform::DeleteFile(pointerPath);
  ++count_;
}

unsigned LogReload::CountAndLoad(riplog::PointerStore& pointer, int64_t& stored) {
  std::lock_guard lock(mutex_);
  stored = pointer.Load();
  return count_;
}

unsigned LogReload::Count() {
  std::lock_guard lock(mutex_);
  return count_;
}

}  // namespace vellora::riptrack
