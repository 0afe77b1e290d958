// The daemon's debug log.
#include "Services/debug_log.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/files.h"

namespace vellora::services {

void DebugLog::SetPath(const std::string& path) {
  std::lock_guard lock(mutex_);
  path_ = path;
}

void DebugLog::Write(const char* format, ...) {
  if (!enabled_) return;
  char message[kBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  platform::LocalTime t = platform::NowLocal();
  char line[kBufferSize];
  int n = std::snprintf(line, sizeof line, "[%.2d-%.2d-%.4d %.2d:%.2d:%.2d.%.3d] %s\r\n", t.day,
                        t.month, t.year, t.hour, t.minute, t.second, t.millisecond, message);
  if (n < 0) return;
  size_t length = static_cast<size_t>(n);
  if (length >= sizeof line) {
    length = sizeof line - 1;
    line[length - 2] = '\r';
    line[length - 1] = '\n';
  }
  std::lock_guard lock(mutex_);
  platform::FileStat st = platform::StatPath(path_);
  if (st.isRegular && st.size > kSizeLimit) platform::DeleteFile(path_);
  platform::AppendAndClose(path_, std::string_view(line, length));
}

}  // namespace vellora::services
