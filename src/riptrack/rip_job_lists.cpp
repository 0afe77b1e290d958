// The finished-jobs lists.
#include "riptrack/rip_job_lists.h"

namespace vellora::riptrack {

void RipJobLists::AddRipJobRow(const std::string& jobText, core::JobResult result,
                               const std::string& timeText, const std::string& setup, int ripNumber,
                               int maxRows) {
  if (ripNumber < 1 || ripNumber > core::kRipCount) return;
  const int rip = ripNumber - 1;
  if (maxRows < 1) maxRows = 1;
  std::lock_guard lock(mutex_);
  auto& rows = rows_[static_cast<size_t>(rip)];
  // A loop, not a single removal: when the limit was lowered in the setup, the list
  // comes down to it with the next row instead of staying above it for good.
  while (static_cast<int>(rows.size()) + 1 > maxRows) {
    rows.pop_front();
    display_.RipJobRowRemoved(rip, 0);
  }
  rows.push_back({result, jobText, timeText, setup, std::to_string(ripNumber)});
  display_.RipJobRowAdded(rip, static_cast<int>(rows.size()) - 1, rows.back());
}

std::vector<core::RipJobRow> RipJobLists::Rows(int ripIndex) const {
  if (ripIndex < 0 || ripIndex >= core::kRipCount) return {};
  std::lock_guard lock(mutex_);
  const auto& rows = rows_[static_cast<size_t>(ripIndex)];
  return {rows.begin(), rows.end()};
}

}  // namespace vellora::riptrack
