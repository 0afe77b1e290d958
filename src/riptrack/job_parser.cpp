// The job state machine of the RIP monitor.
#include "riptrack/job_parser.h"

namespace vellora::riptrack {
namespace {

// The fields are texts as the rest of the system shows and stores them: a zero byte
// in a log line ends the text there.
std::string Text(std::string s) {
  size_t zero = s.find('\0');
  if (zero != std::string::npos) s.resize(zero);
  return s;
}

}  // namespace

void JobParser::BeginPass() {
  job_.ErrorText.clear();
  job_.WarningText.clear();
}

void JobParser::Clear() {
  state_ = State::WaitingForSetup;
  job_.Clear();
  failed_ = false;
  warned_ = false;
}

bool JobParser::Feed(const riplog::KeywordLine& line, int64_t endOffset, int64_t& pointer,
                     FinishedJob* closed) {
  if (state_ == State::WaitingForSetup) {
    job_.Setup.clear();
    job_.JobTime.clear();
    job_.JobName.clear();
    failed_ = false;
    if (line.Has(riplog::Keyword::SetupLoaded)) {
      job_.Setup = Text(line.Setup());
      warned_ = false;
      state_ = State::InJob;
    } else {
      pointer = endOffset;
    }
    return false;
  }

  const bool completed = line.Has(riplog::Keyword::JobCompleted);
  const bool notCompleted = line.Has(riplog::Keyword::JobNotCompleted);
  if (line.Has(riplog::Keyword::Error)) job_.ErrorText = Text(line.ErrorText());
  if (line.Has(riplog::Keyword::Warning)) {
    warned_ = true;
    job_.WarningText = Text(line.WarningText());
  }
  bool closedJob = false;
  if (completed || notCompleted) {
    state_ = State::WaitingForSetup;
    failed_ = notCompleted;
    job_.JobName = Text(line.JobName());
    job_.Status = failed_   ? riplog::JobStatus::Error
                  : warned_ ? riplog::JobStatus::Warning
                            : riplog::JobStatus::Success;
    if (closed != nullptr) {
      closed->job = job_;
      closed->Failed = failed_;
      closed->Warned = warned_;
    }
    pointer = endOffset;
    closedJob = true;
  }
  // Also on the line that has just closed a job: what they set is cleared again by
  // the next line's handling while waiting for a setup, and by the next setup line.
  if (line.Has(riplog::Keyword::StartingJob)) job_.JobTime = Text(line.JobTime());
  if (line.Has(riplog::Keyword::Warning)) warned_ = true;
  return closedJob;
}

}  // namespace vellora::riptrack
