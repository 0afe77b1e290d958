// Time-stamped log lines.
#include "platform/log_line.h"

#include <algorithm>
#include <cstdio>

#include "platform/files.h"

namespace vellora::platform {

namespace {

// Writes control characters visibly: a file name with a line break in it must not
// split a log line (nor forge one). Backslashes stay as they are: every Windows path
// is full of them.
void AppendEscaped(std::string& out, std::string_view text, size_t limit) {
  static const char kHex[] = "0123456789abcdef";
  for (char c : text) {
    if (out.size() + 4 > limit) return;
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7f) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xf];
    }
  }
}

// The line breaks at the very end of a message are its line end, written as they
// are ("...%s\r\n" leaves an empty line after the line, as it always has, whether
// the format or a message built beforehand brings them); every other control
// character is escaped.
std::string EscapeLogMessage(std::string_view message) {
  size_t keep = 0;
  while (keep < message.size() && (message[message.size() - 1 - keep] == '\r' ||
                                   message[message.size() - 1 - keep] == '\n')) {
    ++keep;
  }
  std::string out;
  out.reserve(message.size());
  AppendEscaped(out, message.substr(0, message.size() - keep), kLogLineLimit - 1 - keep);
  out += message.substr(message.size() - keep);
  return out;
}

}  // namespace

std::string FormatLogLine(LogStamp stamp, const LocalTime& t, const char* format, va_list args) {
  // Both buffers are bounded: a longer message or line is cut, never overrun.
  char raw[kLogLineLimit];
  int formatted = std::vsnprintf(raw, sizeof raw, format, args);
  if (formatted < 0) return {};
  std::string escaped = EscapeLogMessage(
      std::string_view(raw, std::min(static_cast<size_t>(formatted), sizeof raw - 1)));
  const char* message = escaped.c_str();
  char line[kLogLineLimit];
  int n = 0;
  switch (stamp) {
    case LogStamp::Time:
      n = std::snprintf(line, sizeof line, "[%.2d:%.2d:%.2d.%.3d] %s\r\n", t.hour, t.minute,
                        t.second, t.millisecond, message);
      break;
    case LogStamp::DayMonthTime:
      n = std::snprintf(line, sizeof line, "[%.2d-%.2d %.2d:%.2d:%.2d.%.3d] %s\r\n", t.day, t.month,
                        t.hour, t.minute, t.second, t.millisecond, message);
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
