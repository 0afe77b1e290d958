// Listing an input folder into candidates, and counting the files waiting in a
// spool folder.
#include <string>

#include "intake/folder_listing.h"
#include "intake/listing_time.h"
#include "intake/masks.h"
#include "intake/readiness.h"
#include "net/reachability.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace vellora::intake {
namespace {

// A name that cannot be written as folder + "\" + name, or that does not fit the
// queue's name field, cannot be handed on: it would address another file, or none.
const char* WhyNotAddressable(const std::string& name) {
  if (name.find('\\') != std::string::npos) return "its name holds a backslash";
  if (name.size() > kMaxListedName) return "its name is longer than 254 characters";
  return nullptr;
}

bool AddressableName(const std::string& name) {
  return WhyNotAddressable(name) == nullptr;
}

int CountIn(const std::string& folder, const std::string& mask, bool recurse,
            const std::string& ignoreMask, int depth) {
  if (!net::IsFolderReachable(folder)) return 0;
  platform::DirectoryEnumerator listing;
  if (!listing.Open(folder, mask)) return 0;
  int count = 0;
  platform::DirEntry entry;
  while (count < kMaxListing && listing.Next(entry)) {
    if (!entry.statOk) continue;  // gone since the directory was read, or a dead link
    if (!entry.isDirectory && !entry.isHidden && !MatchesMask(entry.name, ignoreMask) &&
        entry.size > 0) {
      ++count;
      continue;
    }
    // Links to folders are not followed: a link back up the tree would count the
    // same files for ever. The depth bound stops loops made any other way.
    if (recurse && entry.isDirectory && !entry.isSymlink && depth < kMaxFolderDepth &&
        AddressableName(entry.name)) {
      count += CountIn(folder + "\\" + entry.name, mask, true, ignoreMask, depth + 1);
    }
  }
  return count;
}

}  // namespace

int ListInputFolder(const std::string& folder, std::vector<ListingEntry>& entries,
                    const std::string& ignoreMask, const core::SettingsStore& settings,
                    std::vector<UndeliverableName>* undeliverable) {
  entries.clear();
  if (!net::IsFolderReachable(folder)) return 0;
  platform::DirectoryEnumerator listing;
  if (!listing.Open(folder, "*.*")) return 0;
  platform::DirEntry entry;
  while (static_cast<int>(entries.size()) < kMaxListing && listing.Next(entry)) {
    if (!entry.statOk || entry.isDirectory || entry.isHidden) continue;
    if (MatchesMask(entry.name, ignoreMask)) continue;
    if (entry.name.compare(0, 2, "._") == 0) continue;
    if (entry.size == 0) continue;
    if (const char* why = WhyNotAddressable(entry.name)) {
      if (undeliverable != nullptr) undeliverable->push_back({entry.name, why});
      continue;
    }
    const std::string path = folder + "\\" + entry.name;
    // The in-use test (IsReadable) and the open that takes the last-write time are one
    // open here: the time is that of the very file that passed the test, and a
    // listing of 300 files saves 900 system calls. The time comes from the file
    // opened now, not from the directory read, which may be out of date.
    platform::FileStat opened;
    if (settings.IgnoreLockCheck != 0) {
      opened = platform::StatOpenedFile(path);
    } else if (!platform::OpenExclusiveAndRead(path, &opened)) {
      continue;
    }
    if (!opened.exists || !opened.isRegular) continue;
    const platform::LocalTime local = platform::ToLocal(opened.mtimeSec);
    ListingEntry listed;
    listed.FileName = entry.name;
    listed.ListedTime = ListedTimeText(local);
    listed.TimeKey = ListingTimeKey(local);
    entries.push_back(std::move(listed));
  }
  return static_cast<int>(entries.size());
}

int CountWaitingFiles(const std::string& folder, const std::string& mask, bool recurse,
                      const std::string& ignoreMask) {
  return CountIn(folder, mask, recurse, ignoreMask, 0);
}

}  // namespace vellora::intake
