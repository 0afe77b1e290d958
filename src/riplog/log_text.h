// Reading what is new in a RIP log. A pass opens the log only for the moment of the
// read (the RIP keeps appending to it), chooses where to start from the stored
// pointer and the deliverable's read limit, and takes the bytes from there to the
// end of the log as it was when opened. Offsets are 64-bit throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "riplog/log_dialect.h"

namespace vellora::riplog {

// "%s\Logfile" of a RIP's SW folder (the operator program's RIP%dswPath).
std::string VelloraLogPath(std::string_view swFolder);
// "%s\SW\Logfile" of the daemon's RipInstallFolder.
std::string BrindlogLogPath(std::string_view ripInstallFolder);

// Which deliverable's rule chooses the stretch to read, with its read limit.
struct ReadRule {
  Deliverable deliverable = Deliverable::Vellora;
  int64_t limit = 1000000;

  // The operator program: MaxLogFileReadSize bounds every read, so a long pause
  // skips what lies more than the limit before the end. A limit below 0 counts as 0.
  static ReadRule Vellora(int64_t maxLogFileReadSize) {
    return {Deliverable::Vellora, maxLogFileReadSize < 0 ? 0 : maxLogFileReadSize};
  }
  // The daemon: everything after the stored pointer, or the last 100,000 bytes when
  // it has no usable pointer.
  static ReadRule Brindlog() { return {Deliverable::Brindlog, kBrindlogReadLimit}; }
};

enum class ReadFailure {
  None,
  OpenFailed,        // the log is missing or cannot be opened (or its size taken)
  AllocationFailed,  // no buffer for the amount to read
  ReadFailed,        // the read itself failed; the log has been closed again
};

// The result of one read: the bytes, zero-terminated, with where they came from.
class LogText {
 public:
  LogText() = default;
  LogText(LogText&&) = default;
  LogText& operator=(LogText&&) = default;

  ReadFailure failure = ReadFailure::None;
  int64_t logSize = 0;    // the log's size when it was opened (0 when it could not be)
  int64_t start = 0;      // the log offset of the first byte of the data
  int64_t pointer = 0;    // the stored pointer after the choice of the start
  int64_t requested = 0;  // how many bytes the read asked for

  bool ok() const { return failure == ReadFailure::None; }
  // The bytes actually read. The log may have shrunk meanwhile, so there may be
  // fewer than requested, never more. data()[size()] is a zero byte; zero bytes
  // inside the data are ordinary bytes of the log.
  const char* data() const { return buffer_ ? buffer_.get() : ""; }
  size_t size() const { return size_; }
  std::string_view view() const { return {data(), size_}; }

 private:
  friend LogText ReadNewLogText(std::string_view, int64_t, const ReadRule&);
  std::unique_ptr<char[]> buffer_;
  size_t size_ = 0;
};

// Reads the new part of the log for the stored pointer (0: none). With a pointer
// that is not beyond the log's size, reading starts at the pointer (the operator
// program starts `limit` bytes before the end instead when more than that follows);
// otherwise, with no pointer or a log now shorter than the pointer (a new log),
// `limit` bytes before the end or at 0. The log is read up to the size it had when
// opened: what is appended meanwhile is left for the next pass.
LogText ReadNewLogText(std::string_view logPath, int64_t storedPointer, const ReadRule& rule);

}  // namespace vellora::riplog
