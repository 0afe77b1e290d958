// Which files of an input folder are candidates, and how many files wait in a RIP's
// spool folder. Called by the scanner while the window and the monitors run.
//
// Paths are the system's text paths; a file's path is its folder, "\" and its name.
// None of these functions writes a message: failures are the return value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"

namespace vellora::intake {

// Listings and counts stop here: the input queue holds 100 spoolers × 300 files.
constexpr int kMaxListing = 300;
// A listed file name has at most this many characters; longer names are passed over.
constexpr size_t kMaxListedName = 254;
// How deep CountWaitingFiles goes into subfolders.
constexpr int kMaxFolderDepth = 16;

struct ListingEntry {
  std::string FileName;
  std::string ListedTime;  // local last-write time, "%.2d/%.2d/%.4d %.2d:%.2d:%.2d"
  uint64_t TimeKey = 0;    // the same time as an ordering key (listing_time.h)
};

// A file that would be a candidate but whose name can never be handed on: it holds a
// backslash (folder + "\" + name would address another file) or is longer than
// kMaxListedName characters.
struct UndeliverableName {
  std::string FileName;
  std::string Why;  // "its name holds a backslash", ...
};

// Fills entries (cleared first) with the candidate files of the folder in the order
// the file system returns them, at most kMaxListing, and returns their number. A
// candidate is a regular, non-empty file that is not hidden, not matched by
// ignoreMask, not named "._...", passes IsReadable and can be opened. 0 when the
// folder is unreachable or cannot be listed. Files passed over only for their names
// are added to *undeliverable when it is given, for the caller to report.
int ListInputFolder(const std::string& folder, std::vector<ListingEntry>& entries,
                    const std::string& ignoreMask, const core::SettingsStore& settings,
                    std::vector<UndeliverableName>* undeliverable = nullptr);

// A file waiting in a spool folder: its path (folder, "\" and name, in the system's
// text form) and its last-write time.
struct WaitingFileSeen {
  std::string path;
  int64_t mtimeSec = 0;
};

// What a count saw: the files it counted that the queued-jobs rows show (those in
// hidden subfolders count but are not shown), in the order it met them, and whether
// that is all of them: false when the count stopped at kMaxListing, or passed over a
// subfolder that the rows' listing enters.
struct CountSight {
  std::vector<WaitingFileSeen> files;
  bool complete = true;
  void Clear() {
    files.clear();
    complete = true;
  }
};

// The files waiting in a folder: entries matching mask that are non-empty files, not
// hidden and not matched by ignoreMask; with recurse, subfolders (not symbolic
// links, at most kMaxFolderDepth deep) add their own counts. Counting stops once
// kMaxListing is reached, so kMaxListing or more means "at least that many". Only
// the entries that may count, and links, are looked at beyond their names. With
// sight, what the count saw is added to it.
int CountWaitingFiles(const std::string& folder, const std::string& mask, bool recurse,
                      const std::string& ignoreMask, CountSight* sight = nullptr);

// Every file waiting in a folder, for the queued-jobs rows: non-empty files matching
// mask, not hidden, not matched by ignoreMask; with recurse, those of subfolders too
// (not hidden ones, not symbolic links, at most kMaxFolderDepth deep). No limit on
// the number. Appended to files in the order of the file system.
void ListWaitingFiles(const std::string& folder, const std::string& mask, bool recurse,
                      const std::string& ignoreMask, std::vector<WaitingFileSeen>& files);

}  // namespace vellora::intake
