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
#include "platform/folder_names.h"

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

// True when the entry is a folder that a walk may go down into: a folder itself, not
// a link to one. Links to folders are not followed: a link back up the tree would
// count the same files for ever; the depth bound stops loops made any other way.
bool IsRealFolder(platform::FolderNames& names, platform::NameEntry& entry) {
  if (entry.kind == platform::EntryKind::Unknown) names.Stat(entry);
  return entry.kind == platform::EntryKind::Directory;
}

// A file entry that counts: not hidden, not ignored, non-empty once links are
// followed. Only such candidates cost a stat.
bool CountsAsWaiting(platform::FolderNames& names, platform::NameEntry& entry,
                     const std::string& ignoreMask, int64_t& mtimeSec) {
  if (entry.isHidden || entry.kind == platform::EntryKind::Directory) return false;
  if (MatchesMask(entry.name, ignoreMask)) return false;
  const platform::EntryStat st = names.Stat(entry);
  if (!st.ok || st.isDirectory || st.size == 0) return false;
  mtimeSec = st.mtimeSec;
  return true;
}

// shown: the files met here are shown in the queued-jobs rows (not below a hidden
// folder, which the rows' listing does not enter).
int CountIn(const std::string& folder, const std::string& mask, bool recurse,
            const std::string& ignoreMask, int depth, bool shown, CountSight* sight) {
  if (!net::IsFolderReachable(folder)) return 0;
  platform::FolderNames names;
  if (!names.Open(folder, mask)) return 0;
  int count = 0;
  platform::NameEntry entry;
  for (;;) {
    if (count >= kMaxListing) {
      if (sight != nullptr) sight->complete = false;
      break;
    }
    if (!names.Next(entry)) break;
    int64_t mtime = 0;
    if (CountsAsWaiting(names, entry, ignoreMask, mtime)) {
      ++count;
      if (sight != nullptr && shown) sight->files.push_back({folder + "\\" + entry.name, mtime});
      continue;
    }
    if (!recurse || depth >= kMaxFolderDepth || !IsRealFolder(names, entry)) continue;
    if (!AddressableName(entry.name)) {
      // The rows' listing goes down into it, the count does not.
      if (sight != nullptr && shown && !entry.isHidden) sight->complete = false;
      continue;
    }
    count += CountIn(folder + "\\" + entry.name, mask, true, ignoreMask, depth + 1,
                     shown && !entry.isHidden, sight);
  }
  return count;
}

void ListIn(const std::string& folder, const std::string& mask, bool recurse,
            const std::string& ignoreMask, int depth, std::vector<WaitingFileSeen>& files) {
  if (!net::IsFolderReachable(folder)) return;
  platform::FolderNames names;
  if (!names.Open(folder, mask)) return;
  platform::NameEntry entry;
  while (names.Next(entry)) {
    int64_t mtime = 0;
    if (CountsAsWaiting(names, entry, ignoreMask, mtime)) {
      files.push_back({folder + "\\" + entry.name, mtime});
      continue;
    }
    if (entry.isHidden || !recurse || depth >= kMaxFolderDepth || !IsRealFolder(names, entry))
      continue;
    ListIn(folder + "\\" + entry.name, mask, true, ignoreMask, depth + 1, files);
  }
}

}  // namespace

int ListInputFolder(const std::string& folder, std::vector<ListingEntry>& entries,
                    const std::string& ignoreMask, const core::SettingsStore& settings,
                    std::vector<UndeliverableName>* undeliverable) {
  entries.clear();
  if (!net::IsFolderReachable(folder)) return 0;
  platform::FolderNames listing;
  if (!listing.Open(folder, "*.*")) return 0;
  platform::NameEntry entry;
  while (static_cast<int>(entries.size()) < kMaxListing && listing.Next(entry)) {
    // What the name tells is decided before anything is looked at.
    if (entry.isHidden || entry.kind == platform::EntryKind::Directory) continue;
    if (MatchesMask(entry.name, ignoreMask)) continue;
    if (entry.name.compare(0, 2, "._") == 0) continue;
    const platform::EntryStat seen = listing.Stat(entry);
    if (!seen.ok || seen.isDirectory || seen.size == 0) continue;
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
                      const std::string& ignoreMask, CountSight* sight) {
  return CountIn(folder, mask, recurse, ignoreMask, 0, true, sight);
}

void ListWaitingFiles(const std::string& folder, const std::string& mask, bool recurse,
                      const std::string& ignoreMask, std::vector<WaitingFileSeen>& files) {
  ListIn(folder, mask, recurse, ignoreMask, 0, files);
}

}  // namespace vellora::intake
