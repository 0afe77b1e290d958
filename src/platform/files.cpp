// POSIX implementation of the file and folder stand-ins.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "platform/clock.h"
#include "platform/fd.h"
#include "platform/paths.h"
#include "platform/system.h"

namespace vellora::platform {
namespace {

// The system's words for an error number.
std::string ErrorText(int err) {
  char buf[256];
  // The GNU strerror_r: it returns the text, in buf or in a static table.
  return ::strerror_r(err, buf, sizeof buf);
}

// The one report of a run whose in-use test cannot see every process.
std::mutex g_inUseReporterMutex;
std::function<void(const std::string&)> g_inUseReporter;
bool g_inUseBlindReported = false;

void ReportInUseBlind(const std::string& osPath) {
  std::function<void(const std::string&)> reporter;
  {
    std::lock_guard lock(g_inUseReporterMutex);
    if (g_inUseBlindReported || !g_inUseReporter) return;
    g_inUseBlindReported = true;
    reporter = g_inUseReporter;
  }
  reporter(InUseBlindMessage(osPath));
}

// Scans every process's open descriptors for the file (device and inode). Used where
// the kernel cannot take a lease (network file systems, files owned by others). A
// process whose descriptors this one may not read (another user's, without the
// privilege) is passed over, and the answer "not held" is then not to be trusted:
// the scan reports that it could not look, once per run.
bool HeldOpenPerProc(dev_t dev, ino_t ino, int ownFd, const std::string& osPath) {
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) {
    // No /proc (a container without it): nothing can be seen at all.
    ReportInUseBlind(osPath);
    return false;
  }
  const pid_t self = ::getpid();
  bool found = false;
  bool blind = false;
  while (!found) {
    struct dirent* pe = ::readdir(proc);
    if (pe == nullptr) break;
    char* end = nullptr;
    long pid = std::strtol(pe->d_name, &end, 10);
    if (end == pe->d_name || *end != '\0') continue;
    std::string fdDir = std::string("/proc/") + pe->d_name + "/fd";
    DIR* fds = ::opendir(fdDir.c_str());
    if (fds == nullptr) {
      // Gone meanwhile (ENOENT) is no loss; refused is.
      if (errno == EACCES || errno == EPERM) blind = true;
      continue;
    }
    int fdDirFd = ::dirfd(fds);
    while (struct dirent* fe = ::readdir(fds)) {
      char* fend = nullptr;
      long fdNum = std::strtol(fe->d_name, &fend, 10);
      if (fend == fe->d_name || *fend != '\0') continue;
      if (pid == self && (fdNum == ownFd || fdNum == fdDirFd)) continue;
      struct stat st {};
      if (::fstatat(fdDirFd, fe->d_name, &st, 0) == 0 && st.st_dev == dev && st.st_ino == ino) {
        found = true;
        break;
      }
    }
    ::closedir(fds);
  }
  ::closedir(proc);
  if (!found && blind) ReportInUseBlind(osPath);
  return found;
}

enum class Holders { None, Others, Unknown };

// Asks whether any other open descriptor of the file exists. On success with None
// the caller holds a write lease on fd and must release it (F_UNLCK).
Holders CheckOtherHolders(int fd, const std::string& osPath, bool& leaseTaken) {
  leaseTaken = false;
  // An open by anyone else while the lease is held signals this process.
  IgnoreLeaseBreakSignals();
  if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    leaseTaken = true;
    return Holders::None;
  }
  if (errno == EAGAIN || errno == EBUSY) return Holders::Others;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Holders::Unknown;
  return HeldOpenPerProc(st.st_dev, st.st_ino, fd, osPath) ? Holders::Others : Holders::None;
}

void ReleaseLease(int fd, bool leaseTaken) {
  if (leaseTaken) ::fcntl(fd, F_SETLEASE, F_UNLCK);
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

namespace {
FileStat FromStat(const struct stat& st) {
  FileStat fs;
  fs.exists = true;
  fs.isDirectory = S_ISDIR(st.st_mode);
  fs.isRegular = S_ISREG(st.st_mode);
  fs.size = static_cast<uint64_t>(st.st_size);
  fs.mtimeSec = st.st_mtim.tv_sec;
  fs.mtimeNsec = st.st_mtim.tv_nsec;
  return fs;
}
}  // namespace

FileStat StatPath(std::string_view path) {
  struct stat st {};
  if (::stat(ToOsPath(path).c_str(), &st) != 0) return {};
  return FromStat(st);
}

FileStat StatOpenedFile(std::string_view path) {
  FileStat fs;
  // O_NONBLOCK: a FIFO under a file's name must not stall the caller.
  Fd fd(::open(ToOsPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) return fs;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return fs;
  return FromStat(st);
}

bool PathExists(std::string_view path) {
  return StatPath(path).exists;
}

bool IsRegularFile(std::string_view path) {
  return StatPath(path).isRegular;
}

bool IsEnterableDirectory(std::string_view path) {
  std::string os = ToOsPath(path);
  if (os.empty()) return false;
  // "." inside the path names the path itself only when it is a directory (ENOTDIR
  // otherwise), and looking it up needs the right to enter it: one call answers what
  // a stat and an access test did, before every folder access of every thread.
  os += "/.";
  return ::faccessat(AT_FDCWD, os.c_str(), X_OK, AT_EACCESS) == 0;
}

bool AppendAndClose(std::string_view path, std::string_view data) {
  Fd fd(::open(ToOsPath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
  if (!fd.ok()) return false;
  bool ok = WriteAll(fd.get(), data);
  return ::close(fd.Release()) == 0 && ok;
}

bool CreateOrReplace(std::string_view path, std::string_view data) {
  Fd fd(::open(ToOsPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!fd.ok()) return false;
  bool ok = WriteAll(fd.get(), data);
  return ::close(fd.Release()) == 0 && ok;
}

bool ReplaceAtomically(std::string_view path, std::string_view data, std::string* reason) {
  return ReplaceFileAtomically(path, data, reason) == ReplaceOutcome::Replaced;
}

ReplaceOutcome ReplaceFileAtomically(std::string_view path, std::string_view data,
                                     std::string* reason) {
  // The reason is taken before the clean-up, whose own calls would overwrite errno.
  auto fail = [reason](ReplaceOutcome outcome) {
    if (reason != nullptr) *reason = ErrorText(errno);
    return outcome;
  };
  std::string os = ToOsPath(path);
  std::string tmp = TempPathBeside(os);
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!fd.ok()) return fail(ReplaceOutcome::CreateFailed);
  bool ok = WriteAll(fd.get(), data) && ::fsync(fd.get()) == 0;
  if (::close(fd.Release()) != 0) ok = false;
  if (!ok) {
    ReplaceOutcome outcome = fail(ReplaceOutcome::WriteFailed);
    ::unlink(tmp.c_str());
    return outcome;
  }
  if (::rename(tmp.c_str(), os.c_str()) != 0) {
    // A folder (or the like) under the final name: the file cannot be created there.
    ReplaceOutcome outcome = fail(ReplaceOutcome::CreateFailed);
    ::unlink(tmp.c_str());
    return outcome;
  }
  SyncDirectoryOf(os);
  return ReplaceOutcome::Replaced;
}

bool ReadFileRange(std::string_view path, uint64_t offset, size_t maxBytes, std::string& out) {
  out.clear();
  Fd fd(::open(ToOsPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) return false;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  out.resize(maxBytes);
  size_t got = 0;
  while (got < maxBytes) {
    ssize_t n =
        ::pread(fd.get(), out.data() + got, maxBytes - got, static_cast<off_t>(offset + got));
    if (n < 0) {
      if (errno == EINTR) continue;
      out.clear();
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  return true;
}

namespace {

std::string ErrnoText(int e) {
  return std::error_code(e, std::generic_category()).message();
}

void SetWhy(std::string* why, const std::string& text) {
  if (why != nullptr) *why = text;
}

// The file a chain of symbolic links finally names (which need not exist); a path
// that is no link is its own target.
bool ResolveLinks(const std::string& osPath, std::string& target, std::string* why) {
  std::string current = osPath;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        SetWhy(why, ErrnoText(errno));
        return false;
      }
      target = current;
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      target = current;
      return true;
    }
    std::string link(4096, '\0');
    ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
    if (n < 0 || static_cast<size_t>(n) >= link.size()) {
      SetWhy(why, n < 0 ? ErrnoText(errno) : "the symbolic link is too long");
      return false;
    }
    link.resize(static_cast<size_t>(n));
    current = link.front() == '/' ? link : OsDirOf(current) + "/" + link;
  }
  SetWhy(why, ErrnoText(ELOOP));
  return false;
}

bool WriteAllAt(int fd, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// The old file itself gets the new content: its inode, and with it mode, owner, group
// and every other attribute, stays. Not proof against a crash in the middle, which is
// why it is only the way out where a replacement would lose the owner.
bool RewriteInPlace(const std::string& target, std::string_view data, std::string* why) {
  Fd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) {
    SetWhy(why, "cannot open it for writing: " + ErrnoText(errno));
    return false;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    SetWhy(why, "it is not a regular file");
    return false;
  }
  if (data.size() > static_cast<size_t>(st.st_size)) {
    // Room first: a full disk must fail before the first byte is overwritten.
    if (::fallocate(fd.get(), 0, 0, static_cast<off_t>(data.size())) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
      SetWhy(why, "no room for the new text: " + ErrnoText(errno));
      return false;
    }
  }
  if (!WriteAllAt(fd.get(), data) || ::ftruncate(fd.get(), static_cast<off_t>(data.size())) != 0 ||
      ::fsync(fd.get()) != 0) {
    SetWhy(why, "writing it failed: " + ErrnoText(errno));
    return false;
  }
  if (::close(fd.Release()) != 0) {
    SetWhy(why, "writing it failed: " + ErrnoText(errno));
    return false;
  }
  return true;
}

}  // namespace

ReadOutcome ReadWholeFile(std::string_view path, std::string& out, std::string* why) {
  out.clear();
  std::string os = ToOsPath(path);
  struct stat st {};
  if (::stat(os.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      SetWhy(why, ErrnoText(errno));
      return ReadOutcome::Failed;
    }
    // Missing all the same, but someone meant a file to be there.
    struct stat link {};
    if (::lstat(os.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      SetWhy(why, "it is a symbolic link to a file that does not exist");
    }
    return ReadOutcome::Missing;
  }
  if (!S_ISREG(st.st_mode)) {
    SetWhy(why, S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file");
    return ReadOutcome::NotAFile;
  }
  Fd fd(::open(os.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) {
    if (errno == ENOENT) return ReadOutcome::Missing;
    SetWhy(why, ErrnoText(errno));
    return ReadOutcome::Failed;
  }
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    SetWhy(why, "it is not a regular file");
    return ReadOutcome::NotAFile;
  }
  // Read to the end, whatever the size said: the file may grow meanwhile.
  std::vector<char> buf(64 * 1024);
  for (;;) {
    ssize_t n = ::read(fd.get(), buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      SetWhy(why, ErrnoText(errno));
      out.clear();
      return ReadOutcome::Failed;
    }
    if (n == 0) return ReadOutcome::Read;
    out.append(buf.data(), static_cast<size_t>(n));
  }
}

bool SaveKeepingAttributes(std::string_view path, std::string_view data, std::string* why) {
  std::string target;
  if (!ResolveLinks(ToOsPath(path), target, why)) return false;
  struct stat old {};
  bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) {
    SetWhy(why, ErrnoText(errno));
    return false;
  }
  if (exists && !S_ISREG(old.st_mode)) {
    SetWhy(why, S_ISDIR(old.st_mode) ? "it is a folder" : "it is not a regular file");
    return false;
  }
  // A file its keeper made read-only is not replaced behind their back, as on Windows.
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    SetWhy(why, "it may not be written: " + ErrnoText(errno));
    return false;
  }
  std::string tmp = TempPathBeside(target);
  // Only the owner may read the new file until it has the old one's mode.
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666));
  if (!fd.ok()) {
    int e = errno;
    if (exists && (e == EACCES || e == EPERM)) return RewriteInPlace(target, data, why);
    SetWhy(why, "cannot create a file in its folder: " + ErrnoText(e));
    return false;
  }
  auto discard = [&](const std::string& reason) {
    fd.Reset();
    ::unlink(tmp.c_str());
    SetWhy(why, reason);
    return false;
  };
  if (exists) {
    struct stat fresh {};
    if (::fstat(fd.get(), &fresh) != 0) return discard(ErrnoText(errno));
    if (fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) {
      if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
        // A new file would belong to this process's user: keep the old one instead.
        fd.Reset();
        ::unlink(tmp.c_str());
        return RewriteInPlace(target, data, why);
      }
    }
    // After the owner: a change of owner clears set-user and set-group bits.
    if (::fchmod(fd.get(), old.st_mode & 07777) != 0) return discard(ErrnoText(errno));
  }
  if (!WriteAll(fd.get(), data) || ::fsync(fd.get()) != 0) {
    return discard("writing it failed: " + ErrnoText(errno));
  }
  if (::close(fd.Release()) != 0) return discard("writing it failed: " + ErrnoText(errno));
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    SetWhy(why, "cannot put it in place: " + ErrnoText(e));
    return false;
  }
  SyncDirectoryOf(target);
  return true;
}

bool DeleteFile(std::string_view path) {
  return ::unlink(ToOsPath(path).c_str()) == 0;
}

bool CreateFolder(std::string_view path) {
  std::string os = ToOsPath(path);
  if (::mkdir(os.c_str(), 0777) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::stat(os.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

size_t MaxNameLength(std::string_view folder) {
  long n = ::pathconf(ToOsPath(folder).c_str(), _PC_NAME_MAX);
  return n > 0 ? static_cast<size_t>(n) : 255;
}

bool OpenExclusiveAndRead(std::string_view path, FileStat* opened) {
  std::string os = ToOsPath(path);
  Fd fd(::open(os.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) return false;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // A file without any write permission is what Windows calls read-only; the
  // superuser could open it for writing all the same, so test the bits themselves.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  bool lease = false;
  Holders holders = CheckOtherHolders(fd.get(), os, lease);
  if (holders != Holders::None) return false;
  char buf[4096];
  ssize_t n;
  do {
    n = ::pread(fd.get(), buf, sizeof buf, 0);
  } while (n < 0 && errno == EINTR);
  ReleaseLease(fd.get(), lease);
  if (n < 0) return false;
  if (opened != nullptr) {
    *opened = FromStat(st);
  }
  return true;
}

bool IsFileInUse(std::string_view path) {
  std::string os = ToOsPath(path);
  Fd fd(::open(os.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) {
    // Someone holding a lease on it would make the open fail with EWOULDBLOCK.
    return errno == EWOULDBLOCK;
  }
  bool lease = false;
  Holders holders = CheckOtherHolders(fd.get(), os, lease);
  ReleaseLease(fd.get(), lease);
  return holders != Holders::None;
}

int RemoveStaleTemporaries(std::string_view folder) {
  static const std::string mine = std::string(kTempMarker) + ThisHost() + "-";
  DIR* dir = ::opendir(ToOsPath(folder).c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (struct dirent* de = ::readdir(dir)) {
    std::string_view name(de->d_name);
    if (name.empty() || name[0] != '.') continue;
    size_t at = name.rfind(mine);
    if (at == std::string_view::npos) continue;
    // ".<name>.part-<host>-<pid>-<n>": only this host's, only of processes gone.
    std::string rest(name.substr(at + mine.size()));
    char* end = nullptr;
    long pid = std::strtol(rest.c_str(), &end, 10);
    if (end == rest.c_str() || *end != '-' || pid <= 0) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    if (::unlinkat(::dirfd(dir), de->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

std::string InUseBlindMessage(std::string_view osPath) {
  std::string exe = ExecutablePath();
  if (exe.empty()) exe = "<program>";
  return "WARNING: the in-use test cannot see every process: this program may neither take a "
         "lease on a file owned by another user nor read another user's open files (first "
         "seen with " +
         std::string(osPath) +
         "), so a file that another user is still writing counts as not in use and only "
         "StableTime keeps it back. Fix: setcap cap_lease,cap_net_raw+ep " +
         exe + " (then restart)";
}

void SetInUseProblemReporter(std::function<void(const std::string&)> reporter) {
  std::lock_guard lock(g_inUseReporterMutex);
  // A new run (an engine started again in the same process) reports afresh.
  if (reporter) g_inUseBlindReported = false;
  g_inUseReporter = std::move(reporter);
}

int RemoveStaleTemporariesWithSubfolders(std::string_view folder) {
  int removed = RemoveStaleTemporaries(folder);
  DirectoryEnumerator e;
  DirEntry entry;
  if (!e.Open(folder, "*.*")) return removed;
  while (e.Next(entry)) {
    if (entry.isDirectory && !entry.isSymlink && !entry.isHidden) {
      removed += RemoveStaleTemporaries(std::string(folder) + "\\" + entry.name);
    }
  }
  return removed;
}

bool IsHeldOpenByProcessScan(std::string_view path) {
  std::string os = ToOsPath(path);
  struct stat st {};
  if (::stat(os.c_str(), &st) != 0) return false;
  return HeldOpenPerProc(st.st_dev, st.st_ino, -1, os);
}

bool DeleteUnlessInUse(std::string_view path) {
  std::string os = ToOsPath(path);
  Fd fd(::open(os.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) {
    if (errno == ENOENT || errno == EWOULDBLOCK) return false;
    // Unreadable for us, but a file nobody holds can still be deleted.
    struct stat st {};
    if (::stat(os.c_str(), &st) != 0 || HeldOpenPerProc(st.st_dev, st.st_ino, -1, os)) {
      return false;
    }
    return ::unlink(os.c_str()) == 0;
  }
  bool lease = false;
  Holders holders = CheckOtherHolders(fd.get(), os, lease);
  bool deleted = holders == Holders::None && ::unlink(os.c_str()) == 0;
  ReleaseLease(fd.get(), lease);
  return deleted;
}

bool DeleteUnlessInUse(std::string_view path, int graceMs) {
  for (int waited = 0;; waited += 50) {
    if (DeleteUnlessInUse(path)) return true;
    if (waited >= graceMs || !PathExists(path)) return false;
    SleepMilliseconds(50);
  }
}

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  if (pattern == "*.*" || pattern == "*") return true;
  size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

struct DirectoryEnumerator::Impl {
  DIR* dir = nullptr;
  std::string pattern;
};

DirectoryEnumerator::DirectoryEnumerator() : impl_(std::make_unique<Impl>()) {}

DirectoryEnumerator::~DirectoryEnumerator() {
  Close();
}

bool DirectoryEnumerator::Open(std::string_view folder, std::string_view pattern) {
  Close();
  std::string os = ToOsPath(folder);
  if (os.empty()) return false;
  impl_->dir = ::opendir(os.c_str());
  impl_->pattern = std::string(pattern);
  return impl_->dir != nullptr;
}

bool DirectoryEnumerator::Next(DirEntry& entry) {
  if (impl_->dir == nullptr) return false;
  for (;;) {
    errno = 0;
    struct dirent* de = ::readdir(impl_->dir);
    if (de == nullptr) return false;
    std::string_view name(de->d_name);
    if (name == "." || name == "..") continue;
    if (!MatchesWildcard(name, impl_->pattern)) continue;
    entry = DirEntry{};
    entry.name = std::string(name);
    entry.isHidden = name.front() == '.';
    int dfd = ::dirfd(impl_->dir);
    // The entry's own type comes with the listing on most file systems; only where
    // it does not is a second look needed to tell a link.
    if (de->d_type == DT_UNKNOWN) {
      struct stat lst {};
      if (::fstatat(dfd, de->d_name, &lst, AT_SYMLINK_NOFOLLOW) == 0) {
        entry.isSymlink = S_ISLNK(lst.st_mode);
      }
    } else {
      entry.isSymlink = de->d_type == DT_LNK;
    }
    struct stat st {};
    if (::fstatat(dfd, de->d_name, &st, 0) == 0) {
      entry.statOk = true;
      entry.isDirectory = S_ISDIR(st.st_mode);
      entry.size = static_cast<uint64_t>(st.st_size);
      entry.mtimeSec = st.st_mtim.tv_sec;
    }
    return true;
  }
}

void DirectoryEnumerator::Close() {
  if (impl_ && impl_->dir != nullptr) {
    ::closedir(impl_->dir);
    impl_->dir = nullptr;
  }
}

}  // namespace vellora::platform
