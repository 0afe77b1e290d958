// POSIX implementation of the held marker file.
#include "platform/held_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/paths.h"

namespace vellora::platform {

HeldFile::~HeldFile() {
  Close();
}

bool HeldFile::Open(std::string_view path) {
  Close();
  osPath_ = ToOsPath(path);
  // Each round is short; a lease another process holds for its in-use test is given
  // back within microseconds, so a few hundred rounds are plenty.
  for (int attempt = 0; attempt < 500; ++attempt) {
    // O_NONBLOCK: while another process holds a lease, the open fails at once with
    // EWOULDBLOCK instead of waiting out the kernel's lease-break time.
    int fd = ::open(osPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) return false;
      struct timespec pause {
        0, 2000000
      };
      ::nanosleep(&pause, nullptr);
      continue;
    }
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) == 0 && ::stat(osPath_.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      fd_ = fd;
      device_ = static_cast<uint64_t>(held.st_dev);
      inode_ = static_cast<uint64_t>(held.st_ino);
      return true;
    }
    // The file was deleted between our open and now: open the name again.
    ::close(fd);
  }
  return false;
}

void HeldFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool HeldFile::IsInPlace() const {
  if (fd_ < 0) return false;
  struct stat named {};
  if (::stat(osPath_.c_str(), &named) != 0) return false;
  return static_cast<uint64_t>(named.st_dev) == device_ &&
         static_cast<uint64_t>(named.st_ino) == inode_;
}

}  // namespace vellora::platform
