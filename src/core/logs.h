// The three log writers: the program log (Vellora.log, rolled over to Vellora.log2),
// the balancer log (Quillon.log, deleted when too large) and the database error log
// (VelloraDBerror.log). Each call opens the file, appends one whole line and closes
// it again, so other programs may read, move or delete a log between two lines.
// Calls from many threads at once never mix or lose lines.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/log_line.h"

namespace vellora::core {

class LogWriters {
 public:
  static constexpr uint64_t kSizeLimit = 10000000;  // bytes, not MiB
  static constexpr size_t kBufferSize = platform::kLogLineLimit;

  LogWriters() = default;
  // The folder (the program folder at start) and the two switches (Logging and
  // DBerrorLogging). Called once before any worker thread starts.
  void Configure(const std::string& folder, bool logging, bool dbErrorLogging);

  void LogMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void LogBalancerMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void LogDbError(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void VLogMessage(const char* format, va_list args);

  // Hands every line (with its time stamp and line end) to sink instead of appending
  // it to a file; the switches still apply. For the command-line tools that show the
  // lines a run writes. Set before any other thread logs.
  using LineSink = std::function<void(std::string_view line)>;
  void RedirectTo(LineSink sink) { sink_ = std::move(sink); }

  std::string ProgramLogPath() const;
  std::string BalancerLogPath() const;
  std::string DbErrorLogPath() const;

 private:
  enum class Rollover { Copy, Delete, None };
  void Write(std::mutex& lock, const std::string& path, Rollover rollover, bool withDate,
             const char* format, va_list args);

  std::string folder_ = ".";
  std::atomic<bool> logging_{false};
  std::atomic<bool> dbErrorLogging_{true};
  std::mutex programLock_;
  std::mutex balancerLock_;
  std::mutex dbErrorLock_;
  LineSink sink_;
};

}  // namespace vellora::core
