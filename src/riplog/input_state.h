// Whether a running RIP accepts jobs, told by the last of the words "PUBLISHING",
// "STOPPING" and "SERIAL NUMBER" in the last 64,000 bytes of its log, compared
// without regard to case.
#pragma once

#include <string_view>

#include "riplog/log_dialect.h"

namespace vellora::riplog {

enum class InputState { Open, Closed, Undecided };

enum class TailScanFailure {
  None,
  OpenFailed,  // the log could not be opened (the daemon reports this itself)
  ReadFailed,
};

struct TailScan {
  InputState state = InputState::Undecided;
  TailScanFailure failure = TailScanFailure::None;
};

// The decision on a tail that is already upper-cased: Open when "PUBLISHING" occurs
// after the last of the other two words, Closed when one of those lies after it or
// only they occur, Undecided when none of the three does.
InputState DecideInputState(std::string_view upperTail);

// Reads the tail of the log and decides. When the log cannot be opened or read the
// state is the deliverable's failure result: Undecided for the operator program,
// Closed for the daemon; failure says which step failed.
TailScan ScanInputState(std::string_view logPath, Deliverable deliverable);

}  // namespace vellora::riplog
