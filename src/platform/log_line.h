// One time-stamped line appended to a log file, as every log of both programs writes
// it: the file is opened, the whole line written and the file closed again, so other
// programs may read, move or delete the log between two lines. A log that has grown
// past its limit is deleted first (or copied aside and then deleted).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace vellora::platform {

// Both the message and the line are cut at this many bytes; a cut line keeps its end.
constexpr size_t kLogLineLimit = 16000;

enum class LogStamp {
  Time,              // "[hh:mm:ss.mmm] "
  DayMonthTime,      // "[dd-mm hh:mm:ss.mmm] "
  DayMonthYearTime,  // "[dd-mm-yyyy hh:mm:ss.mmm] "
};

// The whole line: "[stamp] message\r\n", the message formatted from format and args.
// Control characters in the message are written visibly escaped ("\n", "\r", "\t",
// "\x01"), except the line breaks that end it.
std::string FormatLogLine(LogStamp stamp, const LocalTime& t, const char* format, va_list args);

enum class LogRollover { None, Delete, CopyThenDelete };

// Appends the line to path. With a rollover other than None, a log larger than
// sizeLimit bytes is deleted first; CopyThenDelete copies it to path + "2" before
// (the copy may fail; the log is deleted all the same so it cannot grow on).
void AppendLogLine(const std::string& path, std::string_view line, LogRollover rollover,
                   uint64_t sizeLimit);

}  // namespace vellora::platform
