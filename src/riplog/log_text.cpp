// The choice of the stretch to read and the read itself.
#include "riplog/log_text.h"

#include <new>

#include "platform/read_only_file.h"

namespace vellora::riplog {

std::string VelloraLogPath(std::string_view swFolder) {
  return std::string(swFolder) + "\\Logfile";
}

std::string BrindlogLogPath(std::string_view ripInstallFolder) {
  return std::string(ripInstallFolder) + "\\SW\\Logfile";
}

namespace {

// Where to start for a log of size s and a stored pointer p.
int64_t ChooseStart(int64_t s, int64_t p, const ReadRule& rule) {
  auto tail = [&] { return s > rule.limit ? s - rule.limit : 0; };
  if (p > 0 && s >= p) {
    if (rule.deliverable == Deliverable::Brindlog) return p;
    return s - p < rule.limit ? p : tail();
  }
  // No pointer, or a log shorter than the pointer: the RIP began a new log.
  return tail();
}

}  // namespace

LogText ReadNewLogText(std::string_view logPath, int64_t storedPointer, const ReadRule& rule) {
  LogText text;
  text.pointer = storedPointer;
  platform::ReadOnlyFile log;
  uint64_t size = 0;
  if (!log.Open(logPath) || !log.Size(size) || size > static_cast<uint64_t>(INT64_MAX)) {
    text.failure = ReadFailure::OpenFailed;
    return text;
  }
  text.logSize = static_cast<int64_t>(size);
  // Reads are positioned explicitly, so positioning itself cannot fail; a negative
  // pointer (which ParseLogPointer never yields) counts as none.
  text.start = ChooseStart(text.logSize, storedPointer, rule);
  text.requested = text.logSize - text.start;

  if (static_cast<uint64_t>(text.requested) >= SIZE_MAX) {
    text.failure = ReadFailure::AllocationFailed;
    return text;
  }
  // Not value-initialised: every byte that is used is read first.
  text.buffer_.reset(new (std::nothrow) char[static_cast<size_t>(text.requested) + 1]);
  if (!text.buffer_) {
    text.failure = ReadFailure::AllocationFailed;
    return text;
  }
  int64_t got = log.ReadAt(static_cast<uint64_t>(text.start), text.buffer_.get(),
                           static_cast<size_t>(text.requested));
  log.Close();
  if (got < 0) {
    text.buffer_.reset();
    text.failure = ReadFailure::ReadFailed;
    return text;
  }
  text.size_ = static_cast<size_t>(got);
  text.buffer_[text.size_] = '\0';
  return text;
}

}  // namespace vellora::riplog
