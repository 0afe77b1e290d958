// The queued-jobs rows: the files waiting in the RIPs' spool folders, as the operator
// sees them, with each RIP's queue bar. The scanner refreshes them after every pass
// and after every delivery; "Cancel all jobs" deletes the files they list.
#pragma once

#include <array>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/display.h"
#include "core/rip_id.h"
#include "core/runtime.h"
#include "intake/folder_listing.h"

namespace vellora::intake {

struct WaitingFile {
  std::string path;  // folder + "\" + name, in the system's text form
  std::string time;  // the listed-time text of the file
};

// One RIP's spool folders (index 0..3), each distinct folder once even when several
// spoolers feed it, with whether its subfolders count: they do where any of those
// spoolers routes into them (database templates, mono folders).
struct SpoolFolder {
  std::string path;
  bool recurse = false;
};
std::vector<SpoolFolder> DistinctSpoolFolders(const core::SettingsStore& settings, int rip);

// The files waiting for one RIP (index 0..3): its flow-drive job files, or the files
// of its spool folders (with subfolders where a spooler routes into them), each
// distinct folder once, ignoring RipQueueIgnoreMask, hidden and empty files.
std::vector<WaitingFile> CollectWaitingFiles(const core::SettingsStore& settings, int rip);

class RipQueues {
 public:
  explicit RipQueues(core::Runtime& rt);

  // Recounts every RIP in use and reconciles all rows.
  void RefreshRipQueues();
  // The same for one RIP; rows of the other RIPs stay.
  void RefreshRipQueue(core::RipNumber rip);
  // The same after a delivery of the file `delivered` to the RIP, without listing its
  // folders again: the rows are reconciled with what the load count made just before
  // the delivery saw of them (sight) and with the delivered file, so that a refresh
  // costs what changed rather than what waits. When the count saw every file, the
  // rows are those a listing gives; when it stopped at its limit, rows of files it
  // did not reach stay as they are until the next refresh of all RIPs.
  void RefreshRipQueue(core::RipNumber rip, const CountSight& sight, const std::string& delivered);
  // Deletes every listed file except those directly in the root of drive C or D,
  // then refreshes.
  void CancelAllRipJobs();

  std::vector<core::QueuedRow> Rows() const;

 private:
  // all: every row takes part (a full refresh); else only the collected RIPs' rows.
  using Collected = std::vector<std::pair<core::RipNumber, std::vector<WaitingFile>>>;
  void Reconcile(const Collected& collected, bool all);
  // Rebuilds the per-RIP row paths and file counts from the rows and a listing.
  void Reindex(const Collected& collected);
  void ShowCount(core::RipNumber rip, int count, const core::SettingsStore& s);

  core::Runtime& rt_;
  mutable std::mutex mutex_;
  std::vector<core::QueuedRow> rows_;
  // Under mutex_: the paths of each RIP's rows (index 0..3), and the number of files
  // each RIP's queue bar shows.
  std::array<std::unordered_set<std::string>, core::kRipCount> rowPaths_;
  std::array<int, core::kRipCount> fileCount_{};
};

}  // namespace vellora::intake
