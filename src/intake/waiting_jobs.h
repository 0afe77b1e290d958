// The waiting-jobs rows: the input queue as the operator sees and handles it. The
// engine owns the rows; every change is reported to the Display. The scanner adds
// and removes rows, the operator's commands reorder, rush and kill them; both sides
// take QueueDisplayLock, so they never change the rows at the same time.
//
// A row is identified by its Time, Job and Setup texts together; the commands take
// those keys (the window passes its selection as keys), never row positions, which
// the scanner may shift meanwhile.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/display.h"
#include "core/settings.h"
#include "intake/input_queue.h"

namespace vellora::intake {

struct RowKey {
  std::string time;
  std::string job;
  std::string setup;
};

class WaitingJobs {
 public:
  explicit WaitingJobs(core::Display& display);

  // Adds a row for each queued job that has none yet, at the end, with the id
  // i + 100 and the job's priority. Existing rows stay as they are. A job whose
  // file a kill has deleted gets no row back, even when the scanner listed the
  // file just before the delete.
  void ShowQueue(const InputQueue& queue, int count);
  // Deletes the first row whose Job, Time and Setup equal the arguments.
  void RemoveQueueRow(const std::string& fileName, const std::string& listedTime,
                      const std::string& spoolerName);

  // The operator's commands, for the selected rows in selection order.
  void RushJob(const std::vector<RowKey>& selection);
  void MoveJobUp(const std::vector<RowKey>& selection);
  void MoveJobDown(const std::vector<RowKey>& selection);
  // Asks confirm("Kill selected job(s)") first; on yes removes each row and deletes its
  // file from its spooler's input folder. Returns whether anything was killed.
  bool KillJobs(const std::vector<RowKey>& selection, const core::SettingsStore& settings,
                const std::function<bool(const std::string& question)>& confirm);

  std::vector<core::WaitingRow> Rows() const;

  // Row accessors of the commands: an index beyond the last row gives "", 0 or -1.
  std::string JobText(int row) const;
  std::string TimeText(int row) const;
  int Id(int row) const;
  int Prio(int row) const;
  int SpoolerIndex(int row, const core::SettingsStore& settings) const;

 private:
  static std::string KeyOf(const std::string& time, const std::string& job,
                           const std::string& setup);
  int FindLocked(const RowKey& key) const;
  void InsertLocked(int at, core::WaitingRow row);
  core::WaitingRow EraseLocked(int at);

  core::Display& display_;
  mutable std::mutex queueDisplayLock_;
  std::vector<core::WaitingRow> rows_;
  // How many rows carry each key, so that a pass over 30000 entries does not search
  // 30000 rows for each.
  std::unordered_map<std::string, int> keyCount_;
  // The keys of killed rows while their delete is under way (false) or done (true).
  // The scanner's listing may have been made before the delete and shown after it;
  // a listing shown after a delete was done is made after it, so a done key is
  // forgotten once a pass has been shown. A key whose file could not be deleted is
  // forgotten at once: the file is listed again when it is free.
  std::unordered_map<std::string, bool> killed_;
};

}  // namespace vellora::intake
