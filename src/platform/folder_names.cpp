// The folder enumeration by names and kinds.
#include "platform/folder_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::platform {

// The entries are read with getdents64 straight into a buffer of our own: opendir
// would add a stat of the folder to every listing, and the scanner lists dozens of
// (mostly empty) folders on every pass.
struct FolderNames::Impl {
  int fd = -1;
  std::string pattern;
  alignas(struct dirent64) char buf[32768];
  size_t pos = 0;
  size_t len = 0;
  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    pos = len = 0;
  }
  ~Impl() { Close(); }
};

FolderNames::FolderNames() : impl_(std::make_unique<Impl>()) {}

FolderNames::~FolderNames() = default;

bool FolderNames::Open(std::string_view folder, std::string_view pattern) {
  impl_->Close();
  std::string os = ToOsPath(folder);
  if (os.empty()) return false;
  impl_->fd = ::open(os.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  impl_->pattern = std::string(pattern);
  return impl_->fd >= 0;
}

bool FolderNames::Next(NameEntry& entry) {
  Impl& d = *impl_;
  if (d.fd < 0) return false;
  for (;;) {
    if (d.pos >= d.len) {
      ssize_t n;
      do {
        n = ::getdents64(d.fd, d.buf, sizeof d.buf);
      } while (n < 0 && errno == EINTR);
      if (n <= 0) {
        d.Close();  // the end, or a folder that cannot be read further
        return false;
      }
      d.len = static_cast<size_t>(n);
      d.pos = 0;
    }
    const auto* de = reinterpret_cast<const struct dirent64*>(d.buf + d.pos);
    d.pos += de->d_reclen;
    std::string_view name(de->d_name);
    if (name == "." || name == "..") continue;
    if (!MatchesWildcard(name, d.pattern)) continue;
    entry.name.assign(name);
    entry.isHidden = name.front() == '.';
    switch (de->d_type) {
      case DT_DIR:
        entry.kind = EntryKind::Directory;
        break;
      case DT_REG:
        entry.kind = EntryKind::Regular;
        break;
      case DT_LNK:
        entry.kind = EntryKind::Link;
        break;
      case DT_UNKNOWN:
        entry.kind = EntryKind::Unknown;
        break;
      default:
        entry.kind = EntryKind::Other;
        break;
    }
    return true;
  }
}

EntryStat FolderNames::Stat(NameEntry& entry) {
  EntryStat out;
  // The descriptor may have been closed by a Next that reached the end since.
  if (impl_->fd < 0) return out;
  const int dfd = impl_->fd;
  if (entry.kind == EntryKind::Unknown) {
    struct stat lst {};
    if (::fstatat(dfd, entry.name.c_str(), &lst, AT_SYMLINK_NOFOLLOW) != 0) return out;
    entry.kind = S_ISLNK(lst.st_mode)   ? EntryKind::Link
                 : S_ISDIR(lst.st_mode) ? EntryKind::Directory
                 : S_ISREG(lst.st_mode) ? EntryKind::Regular
                                        : EntryKind::Other;
    if (entry.kind != EntryKind::Link) {
      out.ok = true;
      out.isDirectory = S_ISDIR(lst.st_mode);
      out.size = static_cast<uint64_t>(lst.st_size);
      out.mtimeSec = lst.st_mtim.tv_sec;
      return out;
    }
  }
  struct stat st {};
  if (::fstatat(dfd, entry.name.c_str(), &st, 0) != 0) return out;
  out.ok = true;
  out.isDirectory = S_ISDIR(st.st_mode);
  out.size = static_cast<uint64_t>(st.st_size);
  out.mtimeSec = st.st_mtim.tv_sec;
  return out;
}

}  // namespace vellora::platform
