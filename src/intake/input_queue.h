// The input queue: the files the scanner considers for delivery in one pass, in a
// fixed table of 30000 entries (100 spoolers x 300 files), rebuilt from the folder
// listings on every pass and ordered by file time and priority.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/settings.h"

namespace vellora::intake {

constexpr int kQueueCapacity = 30000;

struct QueuedJob {
  std::string FileName;
  std::string ListedTime;
  std::string SpoolerName;
  uint64_t TimeKey = 0;
  int32_t Priority = 0;
  int32_t SeparationSetId = 0;
  int32_t LookupStatus = -1;  // -1 not looked up, 0 unknown, 1 colour, 2 monochrome
  // The publication and date of a page the early lookup found, for the archive.
  std::string ArchiveKey;
};

// The early production lookup made while queueing (when the database orders the
// queue): fills the job's SeparationSetId, Priority and ArchiveKey and returns its
// status (-1 when the job could not be looked up).
using EarlyLookup = std::function<int(QueuedJob& job, int spoolerIndex)>;

class InputQueue {
 public:
  InputQueue();

  // Queue count = 0, at the start of every pass.
  void Reset() { count_ = 0; }
  int Count() const { return count_; }
  const QueuedJob& operator[](int i) const { return jobs_[static_cast<size_t>(i)]; }
  QueuedJob& operator[](int i) { return jobs_[static_cast<size_t>(i)]; }

  // Appends one spooler's listing (entries with FileName, ListedTime and TimeKey),
  // with the spooler's priority x 50. The early lookup runs for each entry when
  // given and when the spooler looks jobs up by name. Entries beyond the table's
  // capacity are dropped.
  template <class Entries>
  void Append(const Entries& entries, int n, const core::Spooler& spooler, int spoolerIndex,
              const EarlyLookup& lookup) {
    for (int k = 0; k < n && count_ < kQueueCapacity; ++k) {
      QueuedJob& job = jobs_[static_cast<size_t>(count_)];
      job.FileName = entries[static_cast<size_t>(k)].FileName;
      job.ListedTime = entries[static_cast<size_t>(k)].ListedTime;
      job.TimeKey = entries[static_cast<size_t>(k)].TimeKey;
      FillNew(job, spooler, spoolerIndex, lookup);
      ++count_;
    }
  }

  // Orders the queue with the exchange procedure: first by time (older first), then
  // by priority (higher first). With DisableFileSort the listing order stays.
  void Sort(bool disableFileSort);

 private:
  void FillNew(QueuedJob& job, const core::Spooler& spooler, int spoolerIndex,
               const EarlyLookup& lookup);
  void Permute(const std::vector<int>& order);

  std::vector<QueuedJob> jobs_;
  int count_ = 0;
};

// A spooler's Priority x 50, and any priority worked out in 64 bits, held within the
// 32-bit range of a queued job's priority.
int32_t SpoolerPriority(int spoolerPriority);
int32_t ClampPriority(int64_t priority);

// The index of the spooler whose SetupName equals the name (case-sensitive), -1.
int FindSpooler(const core::SettingsStore& store, const std::string& setupName);

}  // namespace vellora::intake
