// Time-stamped log lines.
#include "platform/log_line.h"

#include <cstdio>

#include "platform/files.h"

namespace vellora::platform {

std::string FormatLogLine(LogStamp stamp, const LocalTime& t, const char* format, va_list args) {
  // Both buffers are bounded: a longer message or line is cut, never overrun.
  char message[kLogLineLimit];
  std::vsnprintf(message, sizeof message, format, args);
  char line[kLogLineLimit];
  int n = 0;
  switch (stamp) {
    case LogStamp::Time:
      n = std::snprintf(line, sizeof line, "[%.2d:%.2d:%.2d.%.3d] %s\r\n", t.hour, t.minute,
                        t.second, t.millisecond, message);
      break;
    case LogStamp::DayMonthTime:
      n = std::snprintf(line, sizeof line, "[%.2d-%.2d %.2d:%.2d:%.2d.%.3d] %s\r\n", t.day,
                        t.month, t.hour, t.minute, t.second, t.millisecond, message);
      break;
    case LogStamp::DayMonthYearTime:
      n = std::snprintf(line, sizeof line, "[%.2d-%.2d-%.4d %.2d:%.2d:%.2d.%.3d] %s\r\n", t.day,
                        t.month, t.year, t.hour, t.minute, t.second, t.millisecond, message);
      break;
  }
  if (n < 0) return {};
  size_t length = static_cast<size_t>(n);
  if (length >= sizeof line) {
    // Cut, but keep the line ended so the log stays one event per line.
    length = sizeof line - 1;
    line[length - 2] = '\r';
    line[length - 1] = '\n';
  }
  return std::string(line, length);
}

void AppendLogLine(const std::string& path, std::string_view line, LogRollover rollover,
                   uint64_t sizeLimit) {
  if (rollover != LogRollover::None) {
    FileStat st = StatPath(path);
    if (st.isRegular && st.size > sizeLimit) {
      if (rollover == LogRollover::CopyThenDelete) CopyFileOverwrite(path, path + "2");
      DeleteFile(path);
    }
  }
  AppendAndClose(path, line);
}

}  // namespace vellora::platform
