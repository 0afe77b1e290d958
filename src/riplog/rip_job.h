// One job as read from a RIP log: filled in line by line while the job is open and
// handed on when its closing line is read. Field sizes are the dialect's
// (log_dialect.h); the KeywordLine captures are already cut to them.
#pragma once

#include <string>

namespace vellora::riplog {

enum class JobStatus { Success, Warning, Error };

struct RipJob {
  std::string Setup;     // text of the setup-loaded line
  std::string JobTime;   // text of the job-started line
  std::string FileName;  // the daemon only: the file named by the file-being-ripped line
  std::string JobName;   // text of the closing line
  JobStatus Status = JobStatus::Success;
  std::string ErrorText;    // the last error line's text
  std::string WarningText;  // the last warning line's text

  void Clear() { *this = RipJob(); }
};

}  // namespace vellora::riplog
