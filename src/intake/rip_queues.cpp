// Counting and listing the RIPs' waiting files.
#include "intake/rip_queues.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "intake/listing_time.h"
#include "intake/masks.h"
#include "net/reachability.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::intake {
namespace {

constexpr int kMaxDepth = 16;

void ListFolder(const std::string& folder, const std::string& mask, bool recurse,
                const std::string& ignoreMask, int depth, std::vector<WaitingFile>& out) {
  if (!net::IsFolderReachable(folder)) return;
  platform::DirectoryEnumerator e;
  if (!e.Open(folder, mask)) return;
  platform::DirEntry entry;
  while (e.Next(entry)) {
    if (!entry.statOk || entry.isHidden) continue;
    if (entry.isDirectory) {
      if (recurse && !entry.isSymlink && depth < kMaxDepth) {
        ListFolder(folder + "\\" + entry.name, mask, true, ignoreMask, depth + 1, out);
      }
      continue;
    }
    if (entry.size == 0 || MatchesMask(entry.name, ignoreMask)) continue;
    out.push_back({folder + "\\" + entry.name, ListedTimeText(platform::ToLocal(entry.mtimeSec))});
  }
}

}  // namespace

std::vector<SpoolFolder> DistinctSpoolFolders(const core::SettingsStore& s, int rip) {
  std::vector<SpoolFolder> folders;
  for (int m = 0; m < s.NumberOfSpoolers; ++m) {
    const core::Spooler& sp = s.Spoolers[static_cast<size_t>(m)];
    const std::string& folder = sp.RipSpool[static_cast<size_t>(rip)];
    if (folder.empty()) continue;
    bool recurse = (s.Version2 != 0 && sp.DatabaseTemplate != 0) ||
                   sp.MonoFolder[static_cast<size_t>(rip)] != 0;
    auto it = std::find_if(folders.begin(), folders.end(),
                           [&](const SpoolFolder& f) { return f.path == folder; });
    if (it == folders.end()) {
      folders.push_back({folder, recurse});
    } else {
      it->recurse = it->recurse || recurse;
    }
  }
  return folders;
}

std::vector<WaitingFile> CollectWaitingFiles(const core::SettingsStore& s, int rip) {
  std::vector<WaitingFile> files;
  if (s.FlowDrive != 0) {
    const std::string& folder = s.Rips[static_cast<size_t>(rip)].FlowDriveJobPath;
    if (!folder.empty()) ListFolder(folder, s.FlowDriveMask, false, s.RipQueueIgnoreMask, 0, files);
    return files;
  }
  for (const auto& [folder, recurse] : DistinctSpoolFolders(s, rip)) {
    ListFolder(folder, "*.*", recurse, s.RipQueueIgnoreMask, 0, files);
  }
  return files;
}

RipQueues::RipQueues(core::Runtime& rt) : rt_(rt) {}

void RipQueues::RefreshRipQueues() {
  auto s = rt_.settings.Get();
  std::vector<std::pair<int, std::vector<WaitingFile>>> collected;
  for (int r = 0; r < core::kRipCount; ++r) {
    if (s->Rips[static_cast<size_t>(r)].UseRIP == 0) continue;
    collected.emplace_back(r + 1, CollectWaitingFiles(*s, r));
  }
  Reconcile(collected, true);
}

void RipQueues::RefreshRipQueue(int ripNumber) {
  if (ripNumber < 1 || ripNumber > core::kRipCount) return;
  auto s = rt_.settings.Get();
  if (s->Rips[static_cast<size_t>(ripNumber - 1)].UseRIP == 0) return;
  Reconcile({{ripNumber, CollectWaitingFiles(*s, ripNumber - 1)}}, false);
}

void RipQueues::Reconcile(const std::vector<std::pair<int, std::vector<WaitingFile>>>& collected,
                          bool all) {
  auto s = rt_.settings.Get();
  std::set<std::string> touchedRips;
  for (const auto& [rip, files] : collected) {
    int count = static_cast<int>(files.size());
    rt_.display.SetRipQueueBar(rip - 1, "Queued: " + std::to_string(count), s->MaxOutstandingJobs,
                               std::min(count, s->MaxOutstandingJobs));
    touchedRips.insert(std::to_string(rip));
  }
  auto takesPart = [&](const core::QueuedRow& row) {
    return all || touchedRips.count(row.rip) != 0;
  };
  std::lock_guard lock(mutex_);
  // Rows by path, so that a spool folder holding thousands of files is reconciled
  // in one go rather than one search per file.
  std::unordered_map<std::string, size_t> byPath;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (!takesPart(rows_[i])) continue;
    rows_[i].ref = "0";
    byPath.emplace(rows_[i].path, i);
  }
  for (const auto& [rip, files] : collected) {
    std::string ripText = std::to_string(rip);
    for (const WaitingFile& f : files) {
      auto it = byPath.find(f.path);
      if (it != byPath.end()) {
        rows_[it->second].ref = "1";
        continue;
      }
      rows_.push_back({ripText, platform::FileNamePart(f.path), f.time, f.path, "1"});
      byPath.emplace(f.path, rows_.size() - 1);
      rt_.display.QueuedRowAdded(static_cast<int>(rows_.size()) - 1, rows_.back());
    }
  }
  // Rows whose file is gone, reported from the last so the indexes stay right.
  std::vector<core::QueuedRow> kept;
  kept.reserve(rows_.size());
  std::vector<std::pair<int, core::QueuedRow>> gone;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].ref == "0") {
      gone.emplace_back(static_cast<int>(i), std::move(rows_[i]));
    } else {
      kept.push_back(std::move(rows_[i]));
    }
  }
  rows_ = std::move(kept);
  for (auto it = gone.rbegin(); it != gone.rend(); ++it)
    rt_.display.QueuedRowRemoved(it->first, it->second);
}

void RipQueues::CancelAllRipJobs() {
  std::vector<core::QueuedRow> rows = Rows();
  for (const auto& row : rows) {
    std::string folder = platform::FolderPart(row.path);
    if (folder == "C:" || folder == "C:\\" || folder == "D:" || folder == "D:\\") continue;
    // A file the RIP is reading (or its sender still writing) stays, as a delete of
    // a file held open fails on Windows; nothing is said.
    platform::DeleteUnlessInUse(row.path);
  }
  RefreshRipQueues();
}

std::vector<core::QueuedRow> RipQueues::Rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

}  // namespace vellora::intake
