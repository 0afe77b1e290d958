// Files and folders. Every function takes a path in the system's text form (see
// paths.h) and reports failure by its return value; none of them throws or logs.
// The semantics are those the rest of the system expects from the Windows file
// functions: files shared with other programs are opened only for the moment of use,
// a replaced file never stands half-written under its final name, and "in use" means
// that another open handle exists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/stop_check.h"

namespace vellora::platform {

struct FileStat {
  bool exists = false;
  bool isDirectory = false;
  bool isRegular = false;
  uint64_t size = 0;
  int64_t mtimeSec = 0;  // last-write time, seconds since 1970 UTC
  long mtimeNsec = 0;
};

// Follows symbolic links; exists is false when the path (or its target) is missing.
FileStat StatPath(std::string_view path);
// Opens the file for reading (others may go on reading and writing it), takes its
// size and last-write time from the open file and closes it again: the check that
// the file can be opened now, not only that its name exists. exists is false when
// the open fails.
FileStat StatOpenedFile(std::string_view path);
bool PathExists(std::string_view path);
bool IsRegularFile(std::string_view path);
// True when the path names an existing directory this process may enter. The
// process's current directory, which every thread shares, is never changed.
bool IsEnterableDirectory(std::string_view path);

// Appends the bytes at the end of the file (created when missing) and closes it.
// Other programs may read, move or delete the file between two calls.
bool AppendAndClose(std::string_view path, std::string_view data);
// Creates the file or truncates an existing one, writes the bytes and closes it.
bool CreateOrReplace(std::string_view path, std::string_view data);
// Writes the bytes to a temporary file beside the target, flushes it to disk and
// renames it over the target: readers see the old content or the new, never a mix.
bool ReplaceAtomically(std::string_view path, std::string_view data);
// The same, telling which step failed: the file could not be created (its folder is
// missing or not writable, or something that is no file stands under its name), or
// its bytes could not be written out (the disk is full). Nothing is left behind.
enum class ReplaceOutcome { Replaced, CreateFailed, WriteFailed };
ReplaceOutcome ReplaceFileAtomically(std::string_view path, std::string_view data);
// Reads up to maxBytes from offset. False when the file cannot be opened or read.
bool ReadFileRange(std::string_view path, uint64_t offset, size_t maxBytes, std::string& out);
bool DeleteFile(std::string_view path);
// Creates one folder (not its parents). True when it exists afterwards.
bool CreateFolder(std::string_view path);
// Copies src over dst (an existing dst is replaced). The copy is written under a
// temporary name in dst's folder and renamed into place; the last-write time is kept.
// A stop (when given) abandons the copy: the temporary is removed, dst stays as it was.
bool CopyFileOverwrite(std::string_view src, std::string_view dst, const StopCheck& stop = {});

struct MoveOptions {
  // Asked between the pieces of a copy; yes abandons it (the temporary is removed,
  // src stays) and the move fails with the reason "stopped".
  StopCheck stop;
  // Where a copy across file systems keeps its intent record (move_intent.h) while
  // the copy is put in place and src removed, so that a crash in between can be
  // finished by the next start rather than delivering src a second time. Empty: no
  // record.
  std::string intentPath;
};

// Moves src to dst, replacing dst. Within one file system a rename; across file
// systems a copy to a temporary name in dst's folder, flushed to disk, renamed into
// place, and only then is src deleted. dst never holds a partial file and src is
// never gone before dst is complete.
//
// The move is all or nothing as seen from dst's folder: a src that cannot be removed
// (its folder is read-only, for one) fails the move before any copy is put in place,
// and if the removal still fails the copy is taken back. A src that is a symbolic
// link delivers its target's content, also within one file system (a renamed link
// would dangle); the link is removed, the target stays where it is. On failure
// *reason (when given) says which step failed and the system's reason.
bool MoveFileReplace(std::string_view src, std::string_view dst);
bool MoveFileReplace(std::string_view src, std::string_view dst, const MoveOptions& options,
                     std::string* reason);

// Deletes the temporaries that copies by this host's processes that no longer run
// left in the folder (a crash during a copy across file systems). Returns how many.
int RemoveStaleTemporaries(std::string_view folder);

// The exclusive-open test: opens the file for reading and writing and checks that no
// other open handle exists (a write lease, or a scan of /proc where leases are not
// available), then reads up to 4096 bytes. False when another process holds the file
// open, when the file is read-only or unreadable. When it passes and opened is given,
// *opened receives the size and last-write time of the file as it was opened.
bool OpenExclusiveAndRead(std::string_view path, FileStat* opened = nullptr);
// True when some other open handle to the file exists (the Windows "sharing
// violation"). A file that cannot be opened at all counts as not in use.
bool IsFileInUse(std::string_view path);
// The fallback of the two tests above where the kernel grants no lease (network
// file systems, files owned by another user): a scan of every process's open
// descriptors in /proc for the same device and inode.
bool IsHeldOpenByProcessScan(std::string_view path);
// Deletes the file only when nobody holds it open, the way a delete of a file held
// by another program fails on Windows. True when the file was deleted.
bool DeleteUnlessInUse(std::string_view path);

// Windows-style wildcard match, letters compared without regard to case: "*" and "?"
// as usual, and "*.*" matches every name, with or without a dot.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

struct DirEntry {
  std::string name;
  bool isDirectory = false;
  bool isSymlink = false;  // the entry itself is a link (the other fields follow it)
  bool isHidden = false;   // the name begins with "."
  bool statOk = false;     // false: the entry vanished or its link is broken
  uint64_t size = 0;
  int64_t mtimeSec = 0;
};

// Enumerates one folder in the order the file system returns its entries, skipping
// "." and "..", keeping the names that match a wildcard pattern.
class DirectoryEnumerator {
 public:
  DirectoryEnumerator();
  ~DirectoryEnumerator();
  DirectoryEnumerator(const DirectoryEnumerator&) = delete;
  DirectoryEnumerator& operator=(const DirectoryEnumerator&) = delete;

  // False when the folder cannot be enumerated.
  bool Open(std::string_view folder, std::string_view pattern);
  // False at the end of the listing.
  bool Next(DirEntry& entry);
  void Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vellora::platform
