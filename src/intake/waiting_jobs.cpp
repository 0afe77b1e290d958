// The waiting-jobs rows and the queue commands.
#include "intake/waiting_jobs.h"

#include "platform/files.h"

namespace vellora::intake {

WaitingJobs::WaitingJobs(core::Display& display) : display_(display) {}

std::string WaitingJobs::KeyOf(const std::string& time, const std::string& job,
                               const std::string& setup) {
  std::string k;
  k.reserve(time.size() + job.size() + setup.size() + 2);
  k += time;
  k += '\0';
  k += job;
  k += '\0';
  k += setup;
  return k;
}

int WaitingJobs::FindLocked(const RowKey& key) const {
  if (keyCount_.find(KeyOf(key.time, key.job, key.setup)) == keyCount_.end()) return -1;
  for (size_t r = 0; r < rows_.size(); ++r) {
    const core::WaitingRow& row = rows_[r];
    if (row.job == key.job && row.time == key.time && row.setup == key.setup) {
      return static_cast<int>(r);
    }
  }
  return -1;
}

void WaitingJobs::InsertLocked(int at, core::WaitingRow row) {
  ++keyCount_[KeyOf(row.time, row.job, row.setup)];
  rows_.insert(rows_.begin() + at, row);
  display_.WaitingRowInserted(at, row);
}

core::WaitingRow WaitingJobs::EraseLocked(int at) {
  core::WaitingRow row = rows_[static_cast<size_t>(at)];
  rows_.erase(rows_.begin() + at);
  auto it = keyCount_.find(KeyOf(row.time, row.job, row.setup));
  if (it != keyCount_.end() && --it->second <= 0) keyCount_.erase(it);
  display_.WaitingRowRemoved(at, row);
  return row;
}

void WaitingJobs::ShowQueue(const InputQueue& queue, int count) {
  std::lock_guard lock(queueDisplayLock_);
  for (int i = 0; i < count; ++i) {
    const QueuedJob& job = queue[i];
    std::string key = KeyOf(job.ListedTime, job.FileName, job.SpoolerName);
    if (keyCount_.count(key) != 0 || killed_.count(key) != 0) continue;
    InsertLocked(static_cast<int>(rows_.size()),
                 {job.ListedTime, job.FileName, job.SpoolerName, i + 100, job.Priority});
  }
  std::erase_if(killed_, [](const auto& entry) { return entry.second; });
}

void WaitingJobs::RemoveQueueRow(const std::string& fileName, const std::string& listedTime,
                                 const std::string& spoolerName) {
  std::lock_guard lock(queueDisplayLock_);
  int r = FindLocked({listedTime, fileName, spoolerName});
  if (r >= 0) EraseLocked(r);
}

void WaitingJobs::RushJob(const std::vector<RowKey>& selection) {
  std::lock_guard lock(queueDisplayLock_);
  for (const RowKey& key : selection) {
    int r = FindLocked(key);
    if (r <= 0) continue;  // the first row is already on top
    core::WaitingRow row = EraseLocked(r);
    row.prio = 200;
    InsertLocked(0, row);
    display_.WaitingRowSelected(0);
  }
}

void WaitingJobs::MoveJobUp(const std::vector<RowKey>& selection) {
  std::lock_guard lock(queueDisplayLock_);
  for (const RowKey& key : selection) {
    int r = FindLocked(key);
    if (r < 0) continue;
    if (r == 0) return;
    core::WaitingRow row = EraseLocked(r);
    row.prio = ClampPriority(int64_t{row.prio} + 1);
    InsertLocked(r - 1, row);
    display_.WaitingRowSelected(r - 1);
  }
}

void WaitingJobs::MoveJobDown(const std::vector<RowKey>& selection) {
  std::lock_guard lock(queueDisplayLock_);
  for (const RowKey& key : selection) {
    int r = FindLocked(key);
    if (r < 0) continue;
    if (r + 1 >= static_cast<int>(rows_.size())) return;
    core::WaitingRow row = EraseLocked(r);
    row.prio = ClampPriority(int64_t{row.prio} - 1);
    InsertLocked(r + 1, row);
    display_.WaitingRowSelected(r + 1);
  }
}

bool WaitingJobs::KillJobs(const std::vector<RowKey>& selection,
                           const core::SettingsStore& settings,
                           const std::function<bool(const std::string&)>& confirm) {
  if (selection.empty()) return false;
  if (!confirm || !confirm("Kill selected job(s)")) return false;
  std::vector<std::pair<std::string, std::string>> files;  // key, path
  {
    std::lock_guard lock(queueDisplayLock_);
    for (const RowKey& key : selection) {
      int r = FindLocked(key);
      if (r < 0) continue;
      EraseLocked(r);
      // A row whose setup no longer names a spooler has no input folder: only its row
      // goes, no file is deleted anywhere.
      int s = FindSpooler(settings, key.setup);
      if (s < 0) continue;
      std::string k = KeyOf(key.time, key.job, key.setup);
      killed_[k] = false;
      files.emplace_back(std::move(k),
                         settings.Spoolers[static_cast<size_t>(s)].InputSpool + "\\" + key.job);
    }
  }
  // A file its producer is still writing, or that another program reads, stays: the
  // delete fails silently as it does on Windows, and the file is listed again once
  // it is free. A file held only for a moment (the scanner reading it to see whether
  // it is complete) is tried again for a second, so the operator's kill does not
  // depend on when the scanner looks. The in-use test runs outside the lock; it may
  // scan /proc.
  for (const auto& [key, path] : files) {
    bool gone = platform::DeleteUnlessInUse(path, platform::kBriefHoldGraceMs) ||
                !platform::PathExists(path);
    std::lock_guard lock(queueDisplayLock_);
    if (gone) {
      killed_[key] = true;
    } else {
      killed_.erase(key);
    }
  }
  return true;
}

std::vector<core::WaitingRow> WaitingJobs::Rows() const {
  std::lock_guard lock(queueDisplayLock_);
  return rows_;
}

std::string WaitingJobs::JobText(int row) const {
  std::lock_guard lock(queueDisplayLock_);
  return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)].job
                                                          : "";
}

std::string WaitingJobs::TimeText(int row) const {
  std::lock_guard lock(queueDisplayLock_);
  return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)].time
                                                          : "";
}

int WaitingJobs::Id(int row) const {
  std::lock_guard lock(queueDisplayLock_);
  return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)].id : 0;
}

int WaitingJobs::Prio(int row) const {
  std::lock_guard lock(queueDisplayLock_);
  return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)].prio
                                                          : 0;
}

int WaitingJobs::SpoolerIndex(int row, const core::SettingsStore& settings) const {
  std::lock_guard lock(queueDisplayLock_);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return -1;
  return FindSpooler(settings, rows_[static_cast<size_t>(row)].setup);
}

}  // namespace vellora::intake
