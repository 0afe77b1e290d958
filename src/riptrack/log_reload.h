// The operator's "Re-load RIP logs" for one RIP, between the command that asks for it
// and the RIP's monitor.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "riplog/pointer_store.h"

namespace vellora::riptrack {

class LogReload {
 public:
  // Deletes the RIP's pointer file and counts the request, as one step: a monitor
  // never sees the file gone without the request that removed it (it would read the
  // log afresh twice, reporting every job a second time).
  void Request(const std::string& pointerPath);

  // The requests counted so far and the position stored in the pointer file (or
  // kept in memory), read as one step.
  unsigned CountAndLoad(riplog::PointerStore& pointer, int64_t& stored);
  unsigned Count();

 private:
  std::mutex mutex_;
  unsigned count_ = 0;
};

}  // namespace vellora::riptrack
