// The RIP monitor's state machine over the lines of its RIP's log: a setup-loaded
// line opens a job, a completed or not-completed line closes it, and the lines in
// between give its start time, its last error and its last warning. The state and
// the texts are kept from one pass to the next; the error and warning texts are
// cleared at the start of every pass (not of every job), so a job that fails without
// an error line of its own carries the error of an earlier job of the same pass.
#pragma once

#include <cstdint>

#include "riplog/keyword_line.h"
#include "riplog/rip_job.h"
#include "riptrack/rip_services.h"

namespace vellora::riptrack {

class JobParser {
 public:
  enum class State { WaitingForSetup, InJob };

  // The start of a pass: ErrorText and WarningText become empty.
  void BeginPass();
  // Everything back to the start: no job open, all texts and flags empty.
  void Clear();
  // Leaves an open job without reporting it (the lines that would close it are not
  // in the log any more).
  void DropOpenJob() { state_ = State::WaitingForSetup; }

  // One upper-cased line (a riplog::KeywordLine of the operator program's dialect) and the
  // log offset of its end. pointer is advanced to that offset for every line read
  // while no job is open and for the line that closes a job; the lines of an open job
  // leave it where it is, so they are read again until the job closes. Returns true
  // when the line closed a job, which is then in *closed (its ripNumber and
  // processId are the caller's to fill in).
  bool Feed(const riplog::KeywordLine& line, int64_t endOffset, int64_t& pointer,
            FinishedJob* closed);

  State state() const { return state_; }
  const riplog::RipJob& job() const { return job_; }
  bool failed() const { return failed_; }
  bool warned() const { return warned_; }

 private:
  State state_ = State::WaitingForSetup;
  riplog::RipJob job_;
  bool failed_ = false;
  bool warned_ = false;
};

}  // namespace vellora::riptrack
