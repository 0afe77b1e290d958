// A minimal reader that follows a RIP log across passes the way both deliverables
// do: the stored pointer, the read rule, the lines, the keywords and the pointer
// rule (each line's offset while no job is open; a job's closing line's offset once
// it closes). Fault tests use it to check that no job is reported twice or lost.
#pragma once

#include <string>
#include <vector>

#include "riplog/keyword_line.h"
#include "riplog/line_cursor.h"
#include "riplog/log_pointer.h"
#include "riplog/log_text.h"

namespace vellora::test {

class LogFollower {
 public:
  LogFollower(std::string logPath, std::string pointerPath, riplog::ReadRule rule,
              bool holdBackUnfinishedLine = true)
      : logPath_(std::move(logPath)),
        pointerPath_(std::move(pointerPath)),
        rule_(rule),
        holdBack_(holdBackUnfinishedLine),
        line_(rule.deliverable) {}

  // One pass. Each closed job is appended to jobs as "<JobName>|<Setup>|<status>",
  // status C (completed) or F (failed). The pointer file is written only after a
  // successful read.
  riplog::ReadFailure Pass() {
    using riplog::Keyword;
    const bool vellora = rule_.deliverable == riplog::Deliverable::Vellora;
    if (!vellora) inJob_ = false;  // the daemon starts every pass waiting for a setup
    riplog::LogText text =
        riplog::ReadNewLogText(logPath_, riplog::ReadLogPointer(pointerPath_), rule_);
    lastStart = text.start;
    lastSize = static_cast<int64_t>(text.size());
    if (!text.ok()) return text.failure;
    int64_t pointer = text.pointer;
    riplog::LineCursor cursor(text);
    riplog::LogLine line;
    while (cursor.NextLine(line)) {
      if (holdBack_ && !line.terminated) break;
      line_.Set(line.text);
      if (!inJob_) {
        if (line_.Has(riplog::Keyword::SetupLoaded)) {
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
    riplog::WriteLogPointer(pointerPath_, pointer);
    return riplog::ReadFailure::None;
  }

  std::vector<std::string> jobs;
  int64_t lastStart = 0;  // where the last read began, and how much it got
  int64_t lastSize = 0;

 private:
  std::string logPath_;
  std::string pointerPath_;
  riplog::ReadRule rule_;
  bool holdBack_;
  riplog::KeywordLine line_;
  bool inJob_ = false;
  std::string setup_;
};

}  // namespace vellora::test
