// The folder enumeration by names and kinds.
#include "platform/folder_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::platform {

struct FolderNames::Impl {
  DIR* dir = nullptr;
  std::string pattern;
  ~Impl() {
    if (dir != nullptr) ::closedir(dir);
  }
};

FolderNames::FolderNames() : impl_(std::make_unique<Impl>()) {}

FolderNames::~FolderNames() = default;

bool FolderNames::Open(std::string_view folder, std::string_view pattern) {
  if (impl_->dir != nullptr) {
    ::closedir(impl_->dir);
    impl_->dir = nullptr;
  }
  std::string os = ToOsPath(folder);
  if (os.empty()) return false;
  impl_->dir = ::opendir(os.c_str());
  impl_->pattern = std::string(pattern);
  return impl_->dir != nullptr;
}

bool FolderNames::Next(NameEntry& entry) {
  if (impl_->dir == nullptr) return false;
  for (;;) {
    struct dirent* de = ::readdir(impl_->dir);
    if (de == nullptr) return false;
    std::string_view name(de->d_name);
    if (name == "." || name == "..") continue;
    if (!MatchesWildcard(name, impl_->pattern)) continue;
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
  if (impl_->dir == nullptr) return out;
  const int dfd = ::dirfd(impl_->dir);
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
