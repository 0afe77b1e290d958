// The shared helpers of the POSIX file stand-ins.
#include "platform/fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace vellora::platform {

void Fd::Reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool WriteAll(int fd, std::string_view data) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

std::string OsDirOf(const std::string& osPath) {
  size_t pos = osPath.rfind('/');
  if (pos == std::string::npos) return ".";
  if (pos == 0) return "/";
  return osPath.substr(0, pos);
}

std::string OsBaseOf(const std::string& osPath) {
  size_t pos = osPath.rfind('/');
  return pos == std::string::npos ? osPath : osPath.substr(pos + 1);
}

const char kTempMarker[] = ".part-";

std::string ThisHost() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0 || buf[0] == '\0') return "host";
  std::string h = buf;
  for (char& c : h) {
    if (c == '-' || c == '/' || c == '.') c = '_';
  }
  return h;
}

std::string TempPathBeside(const std::string& osTarget) {
  static std::atomic<unsigned> counter{0};
  static const std::string host = ThisHost();
  std::string dir = OsDirOf(osTarget);
  std::string suffix = std::string(kTempMarker) + host + "-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter.fetch_add(1));
  // A target name near the file system's limit must still get a temporary name: the
  // target's part of it is shortened, the unique suffix is kept.
  constexpr size_t kNameMax = 255;
  std::string base = OsBaseOf(osTarget);
  size_t room = suffix.size() + 1 < kNameMax ? kNameMax - 1 - suffix.size() : 0;
  std::string name = "." + base.substr(0, room) + suffix;
  return dir == "/" ? "/" + name : dir + "/" + name;
}

void SyncDirectoryOf(const std::string& osPath) {
  Fd dir(::open(OsDirOf(osPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.ok()) ::fsync(dir.get());
}

FileIdentity IdentityOf(const struct stat& st) {
  FileIdentity id;
  id.device = static_cast<uint64_t>(st.st_dev);
  id.inode = static_cast<uint64_t>(st.st_ino);
  id.size = static_cast<uint64_t>(st.st_size);
  id.mtimeSec = st.st_mtim.tv_sec;
  id.mtimeNsec = st.st_mtim.tv_nsec;
  return id;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.mtimeSec == b.mtimeSec && a.mtimeNsec == b.mtimeNsec;
}

std::string WithReason(const std::string& what, int error) {
  char buf[128];
  // The GNU strerror_r: thread-safe, returns the text (not always in buf).
  return what + ": " + strerror_r(error, buf, sizeof buf);
}

}  // namespace vellora::platform
