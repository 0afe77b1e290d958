// Copying files into place and moving them, within and across file systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/fd.h"
#include "platform/files.h"
#include "platform/move_intent.h"
#include "platform/paths.h"

namespace vellora::platform {
namespace {

constexpr size_t kChunk = 256 * 1024;
// Writeback of the copy is started every 8 MiB and waited for one window later, so
// that no more than about 16 MiB of it wait unwritten in memory: the flush that ends
// a copy of a page of a gigabyte then takes a moment, not seconds, and a stop never
// waits for it.
constexpr off_t kWindow = 8 * 1024 * 1024;

bool CopyContent(int srcFd, int outFd, const StopCheck& stop, std::string& why) {
  std::vector<char> buf(kChunk);
  off_t offset = 0, started = 0, flushed = 0;
  for (;;) {
    if (stop && stop()) {
      why = "stopped";
      return false;
    }
    ssize_t n = ::pread(srcFd, buf.data(), buf.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      why = WithReason("cannot read the source", errno);
      return false;
    }
    if (n == 0) return true;
    if (!WriteAll(outFd, std::string_view(buf.data(), static_cast<size_t>(n)))) {
      why = WithReason("cannot write the copy", errno);
      return false;
    }
    offset += n;
    if (offset - started >= kWindow) {
      // Errors here are not the copy's: the closing fsync reports what matters.
      ::sync_file_range(outFd, started, offset - started, SYNC_FILE_RANGE_WRITE);
      if (started > flushed) {
        ::sync_file_range(
            outFd, flushed, started - flushed,
            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        flushed = started;
      }
      started = offset;
    }
  }
}

// Copies the open source into a new temporary file beside osDst, flushed to disk,
// with the source's last-write time. Returns the temporary path, empty on failure
// (with why). Where the file system allows it the copy is written into an unnamed
// file first and given its temporary name only once complete, so that a crash or a
// stop during the copy leaves nothing behind; elsewhere (network shares) a crash
// can leave a named temporary, which RemoveStaleTemporaries clears later.
std::string CopyToTempBeside(int srcFd, const struct stat& srcStat, const std::string& osDst,
                             const StopCheck& stop, std::string& why) {
  std::string tmp = TempPathBeside(osDst);
  struct timespec times[2] = {srcStat.st_atim, srcStat.st_mtim};
  Fd anonymous(::open(OsDirOf(osDst).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (anonymous.ok()) {
    if (!CopyContent(srcFd, anonymous.get(), stop, why)) return {};
    if (::futimens(anonymous.get(), times) != 0 || ::fsync(anonymous.get()) != 0) {
      why = WithReason("cannot write the copy", errno);
      return {};
    }
    std::string self = "/proc/self/fd/" + std::to_string(anonymous.get());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tmp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return tmp;
    }
    // The link can be refused (no /proc); fall back to a named copy.
  }
  Fd out(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!out.ok()) {
    why = WithReason("cannot create the copy in " + OsDirOf(osDst), errno);
    return {};
  }
  bool ok = CopyContent(srcFd, out.get(), stop, why);
  if (ok) {
    ::futimens(out.get(), times);
    ok = ::fsync(out.get()) == 0;
    if (!ok) why = WithReason("cannot write the copy", errno);
  }
  if (::close(out.Release()) != 0 && ok) {
    ok = false;
    why = WithReason("cannot write the copy", errno);
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    return {};
  }
  return tmp;
}

// Copies a regular file to a temporary beside the destination and renames it into
// place, so the destination is always either the old file or the whole new one, and
// durable when this returns true.
bool CopyIntoPlace(const std::string& osSrc, const std::string& osDst, const StopCheck& stop) {
  Fd in(::open(osSrc.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!in.ok()) return false;
  struct stat st {};
  if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::string why;
  std::string tmp = CopyToTempBeside(in.get(), st, osDst, stop, why);
  if (tmp.empty()) return false;
  if (::rename(tmp.c_str(), osDst.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  SyncDirectoryOf(osDst);
  return true;
}

// Whether the source can be removed once its copy stands, known before the copy is
// put in place: the folder must let this process remove entries (a read-only folder
// or file system does not), and a folder with the sticky bit only lets the owners
// remove them. What this cannot see (an append-only folder, a file server's own
// rules) the removal itself reports, and the copy is taken back then.
bool SourceRemovable(const std::string& osSrc, const struct stat& lst, std::string& why) {
  std::string dir = OsDirOf(osSrc);
  if (::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    why = WithReason("cannot remove the source from " + dir, errno);
    return false;
  }
  struct stat ds {};
  if (::stat(dir.c_str(), &ds) == 0 && (ds.st_mode & S_ISVTX) != 0) {
    uid_t me = ::geteuid();
    if (me != 0 && me != lst.st_uid && me != ds.st_uid) {
      why = WithReason("cannot remove the source from " + dir, EPERM);
      return false;
    }
  }
  return true;
}

// durable: before the temporary is removed (see RemoveMoveIntent).
void DropIntent(const MoveOptions& options, bool durable) {
  if (!options.intentPath.empty()) RemoveMoveIntent(options.intentPath, durable);
}

// The move as a copy: across file systems, and for a symbolic link, whose target's
// content is what the destination must receive.
bool CopyThenRemove(const std::string& osSrc, const std::string& osDst, const struct stat& lst,
                    const MoveOptions& options, std::string& why) {
  if (!SourceRemovable(osSrc, lst, why)) return false;
  Fd in(::open(osSrc.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!in.ok()) {
    why = WithReason("cannot open the source", errno);
    return false;
  }
  struct stat st {};
  if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    why = "the source is not a regular file";
    return false;
  }
  std::string tmp = CopyToTempBeside(in.get(), st, osDst, options.stop, why);
  if (tmp.empty()) return false;

  // Only the very file that was copied, unchanged, may be removed: a writer that
  // went on, or a new file under the name, would otherwise be lost.
  struct stat now {
  }, lnow{}, copy{};
  bool same = ::fstat(in.get(), &now) == 0 && now.st_size == st.st_size &&
              now.st_mtim.tv_sec == st.st_mtim.tv_sec &&
              now.st_mtim.tv_nsec == st.st_mtim.tv_nsec && ::lstat(osSrc.c_str(), &lnow) == 0 &&
              lnow.st_dev == lst.st_dev && lnow.st_ino == lst.st_ino;
  if (!same || ::stat(tmp.c_str(), &copy) != 0) {
    ::unlink(tmp.c_str());
    why = "the source changed during the copy";
    return false;
  }
  if (!options.intentPath.empty()) {
    MoveIntent intent{osSrc, tmp, osDst, IdentityOf(lnow), IdentityOf(copy)};
    if (!WriteMoveIntent(options.intentPath, intent, &why)) {
      ::unlink(tmp.c_str());
      return false;
    }
  }
  // From here on the record stands until the outcome is settled; on every way out
  // it goes before the temporary does, so that a record never points at nothing
  // while the copy was never in place.
  if (::rename(tmp.c_str(), osDst.c_str()) != 0) {
    int error = errno;
    DropIntent(options, true);
    ::unlink(tmp.c_str());
    why = WithReason("cannot put the copy in place", error);
    return false;
  }
  SyncDirectoryOf(osDst);
  if (::unlink(osSrc.c_str()) == 0) {
    SyncDirectoryOf(osSrc);
    DropIntent(options, false);
    return true;
  }
  int error = errno;
  // All or nothing: the copy goes back to its temporary name (which the record
  // names, so a crash now still ends with the source kept) and is removed.
  struct stat placed {};
  if (::lstat(osDst.c_str(), &placed) == 0 && placed.st_dev == copy.st_dev &&
      placed.st_ino == copy.st_ino && ::rename(osDst.c_str(), tmp.c_str()) == 0) {
    SyncDirectoryOf(osDst);
    DropIntent(options, true);
    ::unlink(tmp.c_str());
    why = WithReason("cannot remove the source (its copy is taken back)", error);
  } else {
    DropIntent(options, false);
    why = WithReason("cannot remove the source (its copy was already taken)", error);
  }
  return false;
}

bool Move(const std::string& osSrc, const std::string& osDst, const MoveOptions& options,
          std::string& why) {
  struct stat lst {};
  if (::lstat(osSrc.c_str(), &lst) != 0) {
    why = WithReason("cannot find the source", errno);
    return false;
  }
  if (!S_ISLNK(lst.st_mode)) {
    if (::rename(osSrc.c_str(), osDst.c_str()) == 0) return true;
    if (errno != EXDEV) {
      why = WithReason("cannot rename the file", errno);
      return false;
    }
  }
  return CopyThenRemove(osSrc, osDst, lst, options, why);
}

}  // namespace

bool CopyFileOverwrite(std::string_view src, std::string_view dst, const StopCheck& stop) {
  return CopyIntoPlace(ToOsPath(src), ToOsPath(dst), stop);
}

bool MoveFileReplace(std::string_view src, std::string_view dst) {
  return MoveFileReplace(src, dst, MoveOptions{}, nullptr);
}

bool MoveFileReplace(std::string_view src, std::string_view dst, const MoveOptions& options,
                     std::string* reason) {
  std::string why;
  bool moved = Move(ToOsPath(src), ToOsPath(dst), options, why);
  if (!moved && reason != nullptr) *reason = why;
  return moved;
}

}  // namespace vellora::platform
