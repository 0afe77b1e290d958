// Files and folders. Every function takes a path in the system's text form (see
// paths.h) and reports failure by its return value; none of them throws or logs.
// The semantics are those the rest of the system expects from the Windows file
// functions: files shared with other programs are opened only for the moment of use,
// a replaced file never stands half-written under its final name, and "in use" means
// that another open handle exists.
#pragma once

#include <cstdint>
#include <functional>
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
// On failure *reason (when given) receives the system's words for it.
bool ReplaceAtomically(std::string_view path, std::string_view data, std::string* reason = nullptr);
// The same, telling which step failed: the file could not be created (its folder is
// missing or not writable, or something that is no file stands under its name), or
// its bytes could not be written out (the disk is full). Nothing is left behind.
enum class ReplaceOutcome { Replaced, CreateFailed, WriteFailed };
ReplaceOutcome ReplaceFileAtomically(std::string_view path, std::string_view data,
                                     std::string* reason = nullptr);
// Reads the whole of a file that is meant to be read whole (settings): Missing when
// nothing stands under the name (why says so when a symbolic link leads nowhere),
// NotAFile for a folder, a pipe or a device (never opened, so a pipe cannot stall the
// caller), Failed when it exists but cannot be read (permissions, an I/O error), with
// the reason in why.
enum class ReadOutcome { Read, Missing, NotAFile, Failed };
ReadOutcome ReadWholeFile(std::string_view path, std::string& out, std::string* why);
// Replaces a file that other people keep and guard (settings, with passwords in
// them): a symbolic link under the name stays and the file it leads to gets the new
// content; the new file gets the mode, owner and group of the one it replaces (a
// 0600 file stays 0600), and never stands readable by others while it is written.
// The content goes through a temporary file renamed into place, so a crash leaves
// the old file or the new one. Where this process may not give a new file the old
// one's owner, or may not create one in its folder, the old file is rewritten in
// place instead (after room for the whole text is reserved, so a full disk fails
// before anything is changed). False with the reason in why.
bool SaveKeepingAttributes(std::string_view path, std::string_view data, std::string* why);
// Reads up to maxBytes from offset. False when the file cannot be opened or read.
bool ReadFileRange(std::string_view path, uint64_t offset, size_t maxBytes, std::string& out);
bool DeleteFile(std::string_view path);
// Creates one folder (not its parents). True when it exists afterwards.
bool CreateFolder(std::string_view path);
// The longest file name, in bytes, that the folder's file system takes; 255 when
// the folder cannot be asked (it does not exist yet, for instance).
size_t MaxNameLength(std::string_view folder);
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

// Deletes the temporaries that writes by this host's processes that no longer run
// left in the folder (a crash during a copy across file systems or during the write
// of a file that is replaced whole). Returns how many.
int RemoveStaleTemporaries(std::string_view folder);
// The same for the folder and each of its subfolders one level down (not hidden ones,
// not links to folders elsewhere): where files are written into subfolders named
// after a page format, a publication or a setup.
int RemoveStaleTemporariesWithSubfolders(std::string_view folder);

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
// Where the kernel refuses the lease (a file of another user, without CAP_LEASE) and
// the scan of /proc may not read some processes' descriptors (another user's, without
// the privilege), the tests above cannot see every holder and answer "not held" for
// the ones they miss. The first time that happens after a reporter is set, it gets
// one line, InUseBlindMessage, naming the fix; later times say nothing. Set the
// reporter before the threads that test files start (nullptr: nobody to tell).
void SetInUseProblemReporter(std::function<void(const std::string&)> reporter);
std::string InUseBlindMessage(std::string_view osPath);
// Deletes the file only when nobody holds it open, the way a delete of a file held
// by another program fails on Windows. True when the file was deleted.
bool DeleteUnlessInUse(std::string_view path);
// The same for an operator's delete: a file held only for a moment (our own scanner
// reading it to see whether it is complete) is tried again every 50 ms for up to
// graceMs (a second for the operator's commands) before the delete gives up.
inline constexpr int kBriefHoldGraceMs = 1000;
bool DeleteUnlessInUse(std::string_view path, int graceMs);

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
