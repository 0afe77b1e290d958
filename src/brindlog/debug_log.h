// The daemon's debug log: one line per message, "[%.2d-%.2d-%.4d %.2d:%.2d:%.2d.%.3d] %s\r\n",
// written only while Debug is on, deleted when it grows past 10,000,000 bytes.
#pragma once

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <string>

#include "platform/log_line.h"

namespace vellora::brindlog {

class DebugLog {
 public:
  static constexpr unsigned long long kSizeLimit = 10000000;
  static constexpr size_t kBufferSize = platform::kLogLineLimit;

  void SetPath(const std::string& path);
  void SetEnabled(bool on) { enabled_ = on; }
  bool Enabled() const { return enabled_; }

  void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  std::mutex mutex_;
  std::string path_;
  std::atomic<bool> enabled_{false};
};

}  // namespace vellora::brindlog
