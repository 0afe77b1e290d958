// The tail scan of the log.
#include "riplog/input_state.h"

#include <cstring>
#include <string>

#include "platform/read_only_file.h"
#include "riplog/keyword_matcher.h"

namespace vellora::riplog {

namespace {

// The start of the last occurrence of word in text, npos when there is none.
size_t FindLast(std::string_view text, std::string_view word) {
  if (word.empty() || text.size() < word.size()) return std::string_view::npos;
  const char first = word[0];
  size_t end = text.size() - word.size() + 1;  // candidates lie before end
  while (end > 0) {
    const void* hit = memrchr(text.data(), first, end);
    if (hit == nullptr) break;
    size_t at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    if (std::memcmp(text.data() + at + 1, word.data() + 1, word.size() - 1) == 0) return at;
    end = at;
  }
  return std::string_view::npos;
}

}  // namespace

InputState DecideInputState(std::string_view upperTail) {
  constexpr size_t npos = std::string_view::npos;
  size_t publishing = FindLast(upperTail, "PUBLISHING");
  size_t stopping = FindLast(upperTail, "STOPPING");
  size_t serial = FindLast(upperTail, "SERIAL NUMBER");
  if (publishing == npos && stopping == npos && serial == npos) return InputState::Undecided;
  if (publishing == npos) return InputState::Closed;
  bool after =
      (stopping == npos || publishing > stopping) && (serial == npos || publishing > serial);
  return after ? InputState::Open : InputState::Closed;
}

TailScan ScanInputState(std::string_view logPath, Deliverable deliverable) {
  TailScan scan;
  const InputState failed =
      deliverable == Deliverable::Vellora ? InputState::Undecided : InputState::Closed;
  platform::ReadOnlyFile log;
  uint64_t size = 0;
  if (!log.Open(logPath) || !log.Size(size)) {
    scan.state = failed;
    scan.failure = TailScanFailure::OpenFailed;
    return scan;
  }
  const uint64_t tail = static_cast<uint64_t>(kTailScanSize);
  uint64_t start = size > tail ? size - tail : 0;
  std::string bytes(static_cast<size_t>(tail), '\0');
  int64_t got = log.ReadAt(start, bytes.data(), bytes.size());
  log.Close();
  if (got < 0) {
    scan.state = failed;
    scan.failure = TailScanFailure::ReadFailed;
    return scan;
  }
  bytes.resize(static_cast<size_t>(got));
  UpperCaseAscii(bytes.data(), bytes.size(), bytes.data());
  scan.state = DecideInputState(bytes);
  return scan;
}

}  // namespace vellora::riplog
