// The log writers with their size bounds.
#include "core/logs.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/log_line.h"

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
  std::string line = platform::FormatLogLine(
      withDate ? platform::LogStamp::DayMonthTime : platform::LogStamp::Time, platform::NowLocal(),
      format, args);
  if (line.empty()) return;
  std::lock_guard guard(lock);
  if (sink_) {
    sink_(line);
    return;
  }
  platform::AppendLogLine(path, line,
                          rollover == Rollover::Copy     ? platform::LogRollover::CopyThenDelete
                          : rollover == Rollover::Delete ? platform::LogRollover::Delete
                                                         : platform::LogRollover::None,
                          kSizeLimit);
}

}  // namespace vellora::core
