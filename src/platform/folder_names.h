// Enumerating a folder by names and kinds alone, with the stat of an entry made only
// when the caller asks for it. Counting the files waiting in a spool folder needs the
// size of a candidate file, but not of a hidden file, an ignored name or a folder that
// is not descended into: with thousands of files waiting, a stat per entry was most
// of what a count cost.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vellora::platform {

enum class EntryKind { Directory, Regular, Link, Other, Unknown };

struct NameEntry {
  std::string name;
  EntryKind kind = EntryKind::Unknown;  // the entry itself, as the listing gives it
  bool isHidden = false;                // the name begins with "."
};

struct EntryStat {
  bool ok = false;  // false: the entry vanished, or its link is broken
  bool isDirectory = false;
  uint64_t size = 0;
  int64_t mtimeSec = 0;  // last-write time, seconds since 1970 UTC
};

// Enumerates one folder in the order the file system returns its entries, skipping
// "." and "..", keeping the names that match a wildcard pattern (MatchesWildcard).
class FolderNames {
 public:
  FolderNames();
  ~FolderNames();
  FolderNames(const FolderNames&) = delete;
  FolderNames& operator=(const FolderNames&) = delete;

  // False when the folder cannot be enumerated.
  bool Open(std::string_view folder, std::string_view pattern);
  // False at the end of the listing.
  bool Next(NameEntry& entry);
  // The entry last returned by Next, links followed. An entry of unknown kind (file
  // systems that do not give it) gets its kind here too.
  EntryStat Stat(NameEntry& entry);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vellora::platform
