// The finished-jobs list of each RIP, owned by the engine: the rows its job list in
// the window shows, newest last, at most MaxRipDoneList of them. The RIP monitors
// append from their own threads; the window and the tests read.
#pragma once

#include <array>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "core/display.h"
#include "core/settings.h"

namespace vellora::riptrack {

class RipJobLists {
 public:
  explicit RipJobLists(core::Display& display) : display_(display) {}

  // Appends a row to the list of RIP number rip (1 to 4): the result icon, the
  // job text, the time text, the setup and the RIP number as "%d". When the list
  // would hold more than maxRows rows, the oldest go first (Display::RipJobRowRemoved
  // at index 0), then the new row is added at the end (Display::RipJobRowAdded).
  // A limit below 1 keeps the new row alone.
  void AddRipJobRow(const std::string& jobText, core::JobResult result, const std::string& timeText,
                    const std::string& setup, core::RipNumber rip, int maxRows);

  std::vector<core::RipJobRow> Rows(core::RipIndex rip) const;

 private:
  core::Display& display_;
  mutable std::mutex mutex_;  // also keeps the display calls in the order of the rows
  std::array<std::deque<core::RipJobRow>, core::kRipCount> rows_;
};

}  // namespace vellora::riptrack
