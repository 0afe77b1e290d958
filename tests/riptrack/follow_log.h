// A minimal reader that follows a RIP log across passes the way both deliverables
// do: the stored pointer, the read rule, the lines, the keywords and the pointer
// rule (each line's offset while no job is open; a job's closing line's offset once
// it closes). Fault tests use it to check that no job is reported twice or lost.
#pragma once

#include <string>
#include <vector>

#include "riptrack/keyword_line.h"
#include "riptrack/line_cursor.h"
#include "riptrack/log_pointer.h"
#include "riptrack/log_text.h"

namespace vellora::test {

class LogFollower {
 public:
  LogFollower(std::string logPath, std::string pointerPath, riptrack::ReadRule rule,
              bool holdBackUnfinishedLine = true)
      : logPath_(std::move(logPath)),
        pointerPath_(std::move(pointerPath)),
        rule_(rule),
        holdBack_(holdBackUnfinishedLine),
        line_(rule.deliverable) {}

  // One pass. Each closed job is appended to jobs as "<JobName>|<Setup>|<status>",
  // status C (completed) or F (failed). The pointer file is written only after a
  // successful read.
  riptrack::ReadFailure Pass() {
    using riptrack::Keyword;
    const bool vellora = rule_.deliverable == riptrack::Deliverable::Vellora;
    if (!vellora) inJob_ = false;  // the daemon starts every pass waiting for a setup
    riptrack::LogText text =
        riptrack::ReadNewLogText(logPath_, riptrack::ReadLogPointer(pointerPath_), rule_);
    lastStart = text.start;
    lastSize = static_cast<int64_t>(text.size());
    if (!text.ok()) return text.failure;
    int64_t pointer = text.pointer;
    riptrack::LineCursor cursor(text);
    riptrack::LogLine line;
    while (cursor.NextLine(line)) {
      if (holdBack_ && !line.terminated) break;
      line_.Set(line.text);
      if (!inJob_) {
        if (line_.Has(Keyword::SetupLoaded)) {
          inJob_ = true;
          setup_ = line_.Setup();
        } else {
          pointer = line.endOffset;
        }
      } else if (line_.ClosesJob()) {
        inJob_ = false;
        jobs.push_back(line_.JobName() + "|" + setup_ + "|" + (line_.ClosesAsFailed() ? "F" : "C"));
        pointer = line.endOffset;
      }
    }
    riptrack::WriteLogPointer(pointerPath_, pointer);
    return riptrack::ReadFailure::None;
  }

  std::vector<std::string> jobs;
  int64_t lastStart = 0;  // where the last read began, and how much it got
  int64_t lastSize = 0;

 private:
  std::string logPath_;
  std::string pointerPath_;
  riptrack::ReadRule rule_;
  bool holdBack_;
  riptrack::KeywordLine line_;
  bool inJob_ = false;
  std::string setup_;
};

}  // namespace vellora::test
