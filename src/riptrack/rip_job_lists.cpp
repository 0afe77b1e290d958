// The finished-jobs lists.
#include "riptrack/rip_job_lists.h"

namespace vellora::riptrack {

void RipJobLists::AddRipJobRow(const std::string& jobText, core::JobResult result,
                               const std::string& timeText, const std::string& setup,
                               core::RipNumber rip, int maxRows) {
  if (!rip.Valid()) return;
  const core::RipIndex index = rip.Index();
  if (maxRows < 1) maxRows = 1;
  // The display calls are made under the lists' lock, so that they arrive in the
  // order of the rows; the engine's Display only queues them.
  std::lock_guard lock(mutex_);
  auto& rows = rows_[index.Slot()];
  // A loop, not a single removal: when the limit was lowered in the setup, the list
  // comes down to it with the next row instead of staying above it for good.
  while (static_cast<int>(rows.size()) + 1 > maxRows) {
    rows.pop_front();
    display_.RipJobRowRemoved(index, 0);
  }
  rows.push_back({result, jobText, timeText, setup, rip});
  display_.RipJobRowAdded(index, static_cast<int>(rows.size()) - 1, rows.back());
}

std::vector<core::RipJobRow> RipJobLists::Rows(core::RipIndex rip) const {
  if (!rip.Valid()) return {};
  std::lock_guard lock(mutex_);
  const auto& rows = rows_[rip.Slot()];
  return {rows.begin(), rows.end()};
}

}  // namespace vellora::riptrack
