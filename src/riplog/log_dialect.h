// The two ways of reading a RIP log. The operator program and the log-watcher
// daemon follow the same logs with the same line splitting and keyword table, but
// each has its own spelling of the keywords, its own read limits and its own buffer
// sizes; everything that differs between them is gathered here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellora::riplog {

enum class Deliverable { Vellora, Brindlog };

// The events of the keyword table, in table order.
enum class Keyword : uint8_t {
  SetupLoaded,      // opens a job
  StartingJob,      // the job's start time follows
  RippingFile,      // the file being ripped (the daemon only)
  Warning,          // the job is warned
  Error,            // an error text
  JobCompleted,     // closes a job
  JobNotCompleted,  // closes a job as failed
};
inline constexpr size_t kKeywordCount = 7;

// How lines are compared with the keywords.
enum class MatchRule {
  UpperCase,      // the line is upper-cased (a to z only) and the keywords are upper case
  CaseSensitive,  // the line is searched as it is for the mixed-case keywords
};

struct LogDialect {
  Deliverable deliverable;
  MatchRule rule;
  // The keyword texts; an empty text is a keyword this deliverable does not use.
  std::array<std::string_view, kKeywordCount> keywords;
  // Whether a warning or error text starts at its keyword (keyword included) or
  // after it.
  bool textsIncludeKeyword;
  // Characters of a line that are looked at; the rest of a longer line is ignored.
  size_t lineLimit;
  // Field sizes, in characters; longer captures are cut.
  size_t setupLimit;
  size_t jobTimeLimit;
  size_t jobNameLimit;
  size_t fileNameLimit;
  size_t textLimit;
};

inline constexpr LogDialect kVelloraDialect{
    Deliverable::Vellora,
    MatchRule::UpperCase,
    {"SETUP LOADED: ", "STARTING JOB ON ", "", "WARNING",
     "ERROR:", "JOB COMPLETED: ", "JOB NOT COMPLETED: "},
    true,
    3999,
    255,
    255,
    259,
    0,
    4095,
};

inline constexpr LogDialect kBrindlogDialect{
    Deliverable::Brindlog,
    MatchRule::CaseSensitive,
    {"Setup loaded: ", "Starting Job On ", "Ripping file ",
     "Warning:", "Error:", "Job Completed: ", "Job Not Completed: "},
    false,
    16383,
    259,
    259,
    259,
    259,
    4095,
};

inline constexpr const LogDialect& DialectOf(Deliverable d) {
  return d == Deliverable::Vellora ? kVelloraDialect : kBrindlogDialect;
}

// The daemon's fixed read limit of a fresh start.
inline constexpr int64_t kBrindlogReadLimit = 100000;
// How much of the end of the log the input-state test looks at.
inline constexpr int64_t kTailScanSize = 64000;

}  // namespace vellora::riplog
