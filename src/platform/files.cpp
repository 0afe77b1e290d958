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
#include <string>
#include <vector>

#include "platform/fd.h"
#include "platform/paths.h"

namespace vellora::platform {
namespace {

// Scans every process's open descriptors for the file (device and inode). Used where
// the kernel cannot take a lease (network file systems, files owned by others).
bool HeldOpenPerProc(dev_t dev, ino_t ino, int ownFd) {
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return false;
  const pid_t self = ::getpid();
  bool found = false;
  while (!found) {
    struct dirent* pe = ::readdir(proc);
    if (pe == nullptr) break;
    char* end = nullptr;
    long pid = std::strtol(pe->d_name, &end, 10);
    if (end == pe->d_name || *end != '\0') continue;
    std::string fdDir = std::string("/proc/") + pe->d_name + "/fd";
    DIR* fds = ::opendir(fdDir.c_str());
    if (fds == nullptr) continue;
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
  return found;
}

enum class Holders { None, Others, Unknown };

// Asks whether any other open descriptor of the file exists. On success with None
// the caller holds a write lease on fd and must release it (F_UNLCK).
Holders CheckOtherHolders(int fd, bool& leaseTaken) {
  leaseTaken = false;
  if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    leaseTaken = true;
    return Holders::None;
  }
  if (errno == EAGAIN || errno == EBUSY) return Holders::Others;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Holders::Unknown;
  return HeldOpenPerProc(st.st_dev, st.st_ino, fd) ? Holders::Others : Holders::None;
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
  struct stat st {};
  if (::stat(os.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
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

bool ReplaceAtomically(std::string_view path, std::string_view data) {
  return ReplaceFileAtomically(path, data) == ReplaceOutcome::Replaced;
}

ReplaceOutcome ReplaceFileAtomically(std::string_view path, std::string_view data) {
  std::string os = ToOsPath(path);
  std::string tmp = TempPathBeside(os);
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!fd.ok()) return ReplaceOutcome::CreateFailed;
  bool ok = WriteAll(fd.get(), data) && ::fsync(fd.get()) == 0;
  if (::close(fd.Release()) != 0) ok = false;
  if (!ok) {
    ::unlink(tmp.c_str());
    return ReplaceOutcome::WriteFailed;
  }
  if (::rename(tmp.c_str(), os.c_str()) != 0) {
    // A folder (or the like) under the final name: the file cannot be created there.
    ::unlink(tmp.c_str());
    return ReplaceOutcome::CreateFailed;
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

bool DeleteFile(std::string_view path) {
  return ::unlink(ToOsPath(path).c_str()) == 0;
}

bool CreateFolder(std::string_view path) {
  std::string os = ToOsPath(path);
  if (::mkdir(os.c_str(), 0777) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::stat(os.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool OpenExclusiveAndRead(std::string_view path, FileStat* opened) {
  Fd fd(::open(ToOsPath(path).c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) return false;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // A file without any write permission is what Windows calls read-only; the
  // superuser could open it for writing all the same, so test the bits themselves.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  bool lease = false;
  Holders holders = CheckOtherHolders(fd.get(), lease);
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
  Holders holders = CheckOtherHolders(fd.get(), lease);
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

bool IsHeldOpenByProcessScan(std::string_view path) {
  struct stat st {};
  if (::stat(ToOsPath(path).c_str(), &st) != 0) return false;
  return HeldOpenPerProc(st.st_dev, st.st_ino, -1);
}

bool DeleteUnlessInUse(std::string_view path) {
  std::string os = ToOsPath(path);
  Fd fd(::open(os.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) {
    if (errno == ENOENT || errno == EWOULDBLOCK) return false;
    // Unreadable for us, but a file nobody holds can still be deleted.
    struct stat st {};
    if (::stat(os.c_str(), &st) != 0 || HeldOpenPerProc(st.st_dev, st.st_ino, -1)) return false;
    return ::unlink(os.c_str()) == 0;
  }
  bool lease = false;
  Holders holders = CheckOtherHolders(fd.get(), lease);
  bool deleted = holders == Holders::None && ::unlink(os.c_str()) == 0;
  ReleaseLease(fd.get(), lease);
  return deleted;
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
