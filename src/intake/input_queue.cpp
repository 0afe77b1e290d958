// Building and ordering the input queue.
#include "intake/input_queue.h"

#include <algorithm>
#include <limits>

#include "intake/exchange_sort.h"

namespace vellora::intake {

InputQueue::InputQueue() : jobs_(kQueueCapacity) {}

void InputQueue::FillNew(QueuedJob& job, const core::Spooler& spooler, int spoolerIndex,
                         const EarlyLookup& lookup) {
  job.SpoolerName = spooler.SetupName;
  job.Priority = SpoolerPriority(spooler.Priority);
  job.SeparationSetId = 0;
  job.LookupStatus = -1;
  job.ArchiveKey.clear();
  if (lookup && spooler.UseDatabase != 0 && !spooler.NameConv.empty()) {
    job.LookupStatus = lookup(job, spoolerIndex);
  }
}

void InputQueue::Permute(const std::vector<int>& order) {
  std::vector<QueuedJob> sorted;
  sorted.reserve(order.size());
  for (int from : order) sorted.push_back(std::move(jobs_[static_cast<size_t>(from)]));
  for (size_t k = 0; k < sorted.size(); ++k) jobs_[k] = std::move(sorted[k]);
}

void InputQueue::Sort(bool disableFileSort) {
  if (disableFileSort || count_ < 2) return;
  std::vector<uint64_t> keys(static_cast<size_t>(count_));
  for (int i = 0; i < count_; ++i)
    keys[static_cast<size_t>(i)] = jobs_[static_cast<size_t>(i)].TimeKey;
  Permute(ExchangeSortOrder(keys));
  // Higher priority first: exchange when priority[i] < priority[j], which is the same
  // as comparing the distance from the largest priority as an unsigned key.
  for (int i = 0; i < count_; ++i) {
    int64_t p = jobs_[static_cast<size_t>(i)].Priority;
    keys[static_cast<size_t>(i)] =
        static_cast<uint64_t>(static_cast<int64_t>(std::numeric_limits<int32_t>::max()) - p);
  }
  Permute(ExchangeSortOrder(keys));
}

int32_t SpoolerPriority(int spoolerPriority) {
  // Worked out in 64 bits: a large Priority%d must not wrap round to a low or
  // negative priority and send the most urgent spooler's files to the back.
  int64_t p = static_cast<int64_t>(spoolerPriority) * 50;
  return ClampPriority(p);
}

int32_t ClampPriority(int64_t priority) {
  return static_cast<int32_t>(std::clamp<int64_t>(priority, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int FindSpooler(const core::SettingsStore& store, const std::string& setupName) {
  for (int s = 0; s < store.NumberOfSpoolers; ++s) {
    if (store.Spoolers[static_cast<size_t>(s)].SetupName == setupName) return s;
  }
  return -1;
}

}  // namespace vellora::intake
