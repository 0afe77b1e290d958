// Is a folder usable, which of its files are candidates, is a candidate complete,
// and how many files wait in a RIP's spool folder. Stateless apart from the settings
// they are given and the scanner bar that the stable-time test animates; called by
// the scanner, the RIP monitors and the window at the same time.
//
// Paths are the system's text paths; a file's path is its folder, "\" and its name.
// None of these functions writes a message: failures are the return value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/runtime.h"
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

// The folder's reachability test; when it fails, the connect step and the test once
// more. Shares are mounted by the administrator on this system, so the connect step
// itself does nothing; user and password are kept for a build that connects.
bool ConnectFolder(const std::string& path, const std::string& user, const std::string& password);

// ConnectFolder with a folder's configured credentials: with useCurrentUser set, user
// and password are left out so that the process's own credentials apply.
bool ConnectFolderAs(const std::string& path, int useCurrentUser, const std::string& user,
                     const std::string& password);

// Whether the file name is matched by one of the ";"-separated masks: a mask equal to
// the whole name (case-sensitive), or one whose extension equals the name's
// extension without regard to case ("*.tmp" matches JOB.TMP, "thumbs.db" every .db
// file). "", "*" and "*.*" mean no mask and match nothing.
bool MatchesMask(std::string_view fileName, std::string_view maskList);

// The exclusive-open test: false while another process holds the file open, and for
// a read-only or unreadable file. Always true when IgnoreLockCheck is set.
bool IsReadable(const std::string& fullPath, const core::SettingsStore& settings);

// The stable-time test: the file's last-write time and size, taken StableTime
// seconds apart, must be equal. The wait runs the scanner bar with the file name and
// then "Stable time check.." as its caption. False when the file cannot be opened,
// changed, or a stop was requested during the wait. True at once for StableTime 0.
bool IsStable(const std::string& fullPath, core::Runtime& rt);

// Fills entries (cleared first) with the candidate files of the folder in the order
// the file system returns them, at most kMaxListing, and returns their number. A
// candidate is a regular, non-empty file that is not hidden, not matched by
// ignoreMask, not named "._...", passes IsReadable and can be opened. 0 when the
// folder is unreachable or cannot be listed.
int ListInputFolder(const std::string& folder, std::vector<ListingEntry>& entries,
                    const std::string& ignoreMask, const core::SettingsStore& settings);

// The files waiting in a folder: entries matching mask that are non-empty files, not
// hidden and not matched by ignoreMask; with recurse, subfolders (not symbolic
// links, at most kMaxFolderDepth deep) add their own counts. Counting stops once
// kMaxListing is reached, so kMaxListing or more means "at least that many".
int CountWaitingFiles(const std::string& folder, const std::string& mask, bool recurse,
                      const std::string& ignoreMask);

}  // namespace vellora::intake
