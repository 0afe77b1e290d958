// The daemon's debug log.
#include "brindlog/debug_log.h"

#include "platform/clock.h"
#include "platform/log_line.h"

namespace vellora::brindlog {

void DebugLog::SetPath(const std::string& path) {
  std::lock_guard lock(mutex_);
  path_ = path;
}

void DebugLog::Write(const char* format, ...) {
  if (!enabled_) return;
  va_list args;
  va_start(args, format);
  std::string line =
      platform::FormatLogLine(platform::LogStamp::DayMonthYearTime, platform::NowLocal(), format, args);
  va_end(args);
  if (line.empty()) return;
  std::lock_guard lock(mutex_);
  platform::AppendLogLine(path_, line, platform::LogRollover::Delete, kSizeLimit);
}

}  // namespace vellora::brindlog
