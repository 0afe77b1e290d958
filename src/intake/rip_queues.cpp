// Counting and listing the RIPs' waiting files.
#include "intake/rip_queues.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <unordered_map>

#include "intake/listing_time.h"
#include "intake/masks.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::intake {
namespace {

std::vector<WaitingFile> WithTimeTexts(const std::vector<WaitingFileSeen>& seen) {
  std::vector<WaitingFile> files;
  files.reserve(seen.size());
  for (const WaitingFileSeen& f : seen) {
    files.push_back({f.path, ListedTimeText(platform::ToLocal(f.mtimeSec))});
  }
  return files;
}

// Whether a listing of the folder would give the path: it lies in the folder, or,
// where subfolders count, in subfolders the listing goes down into (not hidden, not
// too deep), and every name on the way matches the listing's pattern; the file's own
// name is neither hidden nor ignored. Worked out from the text alone.
bool ListingWouldHold(const std::string& folder, const std::string& pattern, bool recurse,
                      const std::string& ignoreMask, const std::string& path) {
  if (folder.empty() || path.size() <= folder.size() + 1 ||
      path.compare(0, folder.size(), folder) != 0 || path[folder.size()] != '\\') {
    return false;
  }
  std::string_view rest(path);
  rest.remove_prefix(folder.size() + 1);
  for (int depth = 0;; ++depth) {
    const size_t cut = rest.find('\\');
    const std::string_view part = rest.substr(0, cut);
    if (part.empty() || part.front() == '.' || !platform::MatchesWildcard(part, pattern))
      return false;
    if (cut == std::string_view::npos) return !MatchesMask(part, ignoreMask);
    if (!recurse || depth >= kMaxFolderDepth) return false;
    rest.remove_prefix(cut + 1);
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
  std::vector<WaitingFileSeen> seen;
  if (s.FlowDrive != 0) {
    const std::string& folder = s.Rips[static_cast<size_t>(rip)].FlowDriveJobPath;
    if (!folder.empty())
      ListWaitingFiles(folder, s.FlowDriveMask, false, s.RipQueueIgnoreMask, seen);
  } else {
    for (const auto& [folder, recurse] : DistinctSpoolFolders(s, rip)) {
      ListWaitingFiles(folder, "*.*", recurse, s.RipQueueIgnoreMask, seen);
    }
  }
  return WithTimeTexts(seen);
}

RipQueues::RipQueues(core::Runtime& rt) : rt_(rt) {}

void RipQueues::RefreshRipQueues() {
  auto s = rt_.settings.Get();
  Collected collected;
  for (core::RipIndex r : core::AllRips()) {
    if (s->Rips[r.Slot()].UseRIP == 0) continue;
    collected.emplace_back(r.Number(), CollectWaitingFiles(*s, r.value));
  }
  Reconcile(collected, true);
}

void RipQueues::RefreshRipQueue(core::RipNumber rip) {
  if (!rip.Valid()) return;
  auto s = rt_.settings.Get();
  if (s->Rips[rip.Index().Slot()].UseRIP == 0) return;
  Reconcile({{rip, CollectWaitingFiles(*s, rip.Index().value)}}, false);
}

void RipQueues::ShowCount(core::RipNumber rip, int count, const core::SettingsStore& s) {
  rt_.display.SetRipQueueBar(rip.Index(), "Queued: " + std::to_string(count), s.MaxOutstandingJobs,
                             std::min(count, s.MaxOutstandingJobs));
}

void RipQueues::RefreshRipQueue(core::RipNumber rip, const CountSight& sight,
                                const std::string& delivered) {
  if (!rip.Valid()) return;
  auto s = rt_.settings.Get();
  const int r = rip.Index().value;
  const size_t ri = rip.Index().Slot();
  if (s->Rips[ri].UseRIP == 0) return;

  // The delivered file, once for every folder of the RIP whose listing would give it
  // (a listing of nested folders gives a file once for each); one stat in all.
  std::vector<WaitingFileSeen> known = sight.files;
  int holders = 0;
  if (s->FlowDrive != 0) {
    holders = ListingWouldHold(s->Rips[ri].FlowDriveJobPath, s->FlowDriveMask, false,
                               s->RipQueueIgnoreMask, delivered)
                  ? 1
                  : 0;
  } else {
    for (const auto& [folder, recurse] : DistinctSpoolFolders(*s, r)) {
      if (ListingWouldHold(folder, "*.*", recurse, s->RipQueueIgnoreMask, delivered)) ++holders;
    }
  }
  if (holders > 0) {
    const platform::FileStat st = platform::StatPath(delivered);
    if (st.exists && !st.isDirectory && st.size > 0) {
      for (int k = 0; k < holders; ++k) known.push_back({delivered, st.mtimeSec});
    }
  }

  std::unique_lock lock(mutex_);
  std::unordered_set<std::string>& paths = rowPaths_[ri];
  int added = 0;
  for (const WaitingFileSeen& f : known) {
    if (paths.count(f.path) != 0) continue;
    rows_.push_back({rip, platform::FileNamePart(f.path),
                     ListedTimeText(platform::ToLocal(f.mtimeSec)), f.path, 1});
    paths.insert(f.path);
    ++added;
    rt_.display.QueuedRowAdded(static_cast<int>(rows_.size()) - 1, rows_.back());
  }
  if (!sight.complete) {
    // Files beyond the count's limit were not looked at: their rows stay, and the
    // number shown grows by the files found new.
    fileCount_[ri] += added;
  } else {
    fileCount_[ri] = static_cast<int>(known.size());
    std::unordered_set<std::string_view> present;
    present.reserve(known.size());
    for (const WaitingFileSeen& f : known) present.insert(f.path);
    std::unordered_set<std::string> gone;
    for (const std::string& p : paths) {
      if (present.count(p) == 0) gone.insert(p);
    }
    if (!gone.empty()) {
      // Rows whose file is gone, reported from the last so the indexes stay right.
      std::vector<core::QueuedRow> kept;
      kept.reserve(rows_.size());
      std::vector<std::pair<int, core::QueuedRow>> removed;
      for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].rip == rip && gone.count(rows_[i].path) != 0) {
          removed.emplace_back(static_cast<int>(i), std::move(rows_[i]));
        } else {
          kept.push_back(std::move(rows_[i]));
        }
      }
      rows_ = std::move(kept);
      for (const std::string& p : gone) paths.erase(p);
      for (auto it = removed.rbegin(); it != removed.rend(); ++it)
        rt_.display.QueuedRowRemoved(it->first, it->second);
    }
  }
  const int count = fileCount_[ri];
  lock.unlock();
  ShowCount(rip, count, *s);
}

void RipQueues::Reconcile(const Collected& collected, bool all) {
  auto s = rt_.settings.Get();
  std::set<core::RipNumber> touchedRips;
  for (const auto& [rip, files] : collected) {
    ShowCount(rip, static_cast<int>(files.size()), *s);
    touchedRips.insert(rip);
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
    rows_[i].ref = 0;
    byPath.emplace(rows_[i].path, i);
  }
  for (const auto& [rip, files] : collected) {
    for (const WaitingFile& f : files) {
      auto it = byPath.find(f.path);
      if (it != byPath.end()) {
        rows_[it->second].ref = 1;
        continue;
      }
      rows_.push_back({rip, platform::FileNamePart(f.path), f.time, f.path, 1});
      byPath.emplace(f.path, rows_.size() - 1);
      rt_.display.QueuedRowAdded(static_cast<int>(rows_.size()) - 1, rows_.back());
    }
  }
  // Rows whose file is gone, reported from the last so the indexes stay right.
  std::vector<core::QueuedRow> kept;
  kept.reserve(rows_.size());
  std::vector<std::pair<int, core::QueuedRow>> gone;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].ref == 0) {
      gone.emplace_back(static_cast<int>(i), std::move(rows_[i]));
    } else {
      kept.push_back(std::move(rows_[i]));
    }
  }
  rows_ = std::move(kept);
  Reindex(collected);
  for (auto it = gone.rbegin(); it != gone.rend(); ++it)
    rt_.display.QueuedRowRemoved(it->first, it->second);
}

void RipQueues::Reindex(const Collected& collected) {
  for (auto& paths : rowPaths_) paths.clear();
  for (const core::QueuedRow& row : rows_) {
    if (row.rip.Valid()) rowPaths_[row.rip.Index().Slot()].insert(row.path);
  }
  for (const auto& [rip, files] : collected) {
    fileCount_[rip.Index().Slot()] = static_cast<int>(files.size());
  }
}

void RipQueues::CancelAllRipJobs() {
  std::vector<core::QueuedRow> rows = Rows();
  for (const auto& row : rows) {
    std::string folder = platform::FolderPart(row.path);
    if (folder == "C:" || folder == "C:\\" || folder == "D:" || folder == "D:\\") continue;
    // A file the RIP is reading (or its sender still writing) stays, as a delete of
    // a file held open fails on Windows; nothing is said. One held only for a moment
    // is tried again for a second.
    platform::DeleteUnlessInUse(row.path, platform::kBriefHoldGraceMs);
  }
  RefreshRipQueues();
}

std::vector<core::QueuedRow> RipQueues::Rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

}  // namespace vellora::intake
