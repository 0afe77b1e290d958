// The log writers with their size bounds.
#include "core/logs.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/files.h"

namespace vellora::core {

void LogWriters::Configure(const std::string& folder, bool logging, bool dbErrorLogging) {
  folder_ = folder;
  logging_ = logging;
  dbErrorLogging_ = dbErrorLogging;
}

std::string LogWriters::ProgramLogPath() const {
  return folder_ + "\\Vellora.log";
}
std::string LogWriters::BalancerLogPath() const {
  return folder_ + "\\Quillon.log";
}
std::string LogWriters::DbErrorLogPath() const {
  return folder_ + "\\VelloraDBerror.log";
}

void LogWriters::LogMessage(const char* format, ...) {
  if (!logging_) return;
  va_list args;
  va_start(args, format);
  Write(programLock_, ProgramLogPath(), Rollover::Copy, false, format, args);
  va_end(args);
}

void LogWriters::VLogMessage(const char* format, va_list args) {
  if (!logging_) return;
  Write(programLock_, ProgramLogPath(), Rollover::Copy, false, format, args);
}

void LogWriters::LogBalancerMessage(const char* format, ...) {
  if (!logging_) return;
  va_list args;
  va_start(args, format);
  Write(balancerLock_, BalancerLogPath(), Rollover::Delete, false, format, args);
  va_end(args);
}

void LogWriters::LogDbError(const char* format, ...) {
  if (!dbErrorLogging_) return;
  va_list args;
  va_start(args, format);
  Write(dbErrorLock_, DbErrorLogPath(), Rollover::None, true, format, args);
  va_end(args);
}

void LogWriters::Write(std::mutex& lock, const std::string& path, Rollover rollover, bool withDate,
                       const char* format, va_list args) {
  // Both buffers are bounded: a longer message or line is cut, never overrun.
  char message[kBufferSize];
  std::vsnprintf(message, sizeof message, format, args);
  platform::LocalTime t = platform::NowLocal();
  char line[kBufferSize];
  int n;
  if (withDate) {
    n = std::snprintf(line, sizeof line, "[%.2d-%.2d %.2d:%.2d:%.2d.%.3d] %s\r\n", t.day, t.month,
                      t.hour, t.minute, t.second, t.millisecond, message);
  } else {
    n = std::snprintf(line, sizeof line, "[%.2d:%.2d:%.2d.%.3d] %s\r\n", t.hour, t.minute, t.second,
                      t.millisecond, message);
  }
  if (n < 0) return;
  size_t length = static_cast<size_t>(n);
  if (length >= sizeof line) {
    // Cut, but keep the line ended so the log stays one event per line.
    length = sizeof line - 1;
    line[length - 2] = '\r';
    line[length - 1] = '\n';
  }

  std::lock_guard guard(lock);
  if (sink_) {
    sink_(std::string_view(line, length));
    return;
  }
  if (rollover != Rollover::None) {
    platform::FileStat st = platform::StatPath(path);
    if (st.isRegular && st.size > kSizeLimit) {
      // The copy may fail; the log is deleted all the same so it cannot grow on.
      if (rollover == Rollover::Copy) platform::CopyFileOverwrite(path, path + "2");
      platform::DeleteFile(path);
    }
  }
  platform::AppendAndClose(path, std::string_view(line, length));
}

}  // namespace vellora::core
