// POSIX implementation of the shared read-only file.
#include "platform/read_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/paths.h"

namespace vellora::platform {

ReadOnlyFile::~ReadOnlyFile() {
  Close();
}

bool ReadOnlyFile::Open(std::string_view path) {
  Close();
  std::string os = ToOsPath(path);
  if (os.empty()) return false;
  // Non-blocking, so that a FIFO or a file under someone's lease fails at once
  // instead of stopping the reader's thread.
  int fd = ::open(os.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool ReadOnlyFile::Size(uint64_t& size) const {
  size = 0;
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size < 0) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

int64_t ReadOnlyFile::ReadAt(uint64_t offset, char* buffer, size_t n) const {
  if (fd_ < 0) return -1;
  size_t got = 0;
  while (got < n) {
    uint64_t at = offset + got;
    if (at > static_cast<uint64_t>(INT64_MAX)) break;
    ssize_t r = ::pread(fd_, buffer + got, n - got, static_cast<off_t>(at));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<int64_t>(got);
}

void ReadOnlyFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace vellora::platform
