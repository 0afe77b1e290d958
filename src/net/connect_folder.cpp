// The connect step of a folder.
#include "net/connect_folder.h"

#include "net/reachability.h"

namespace vellora::net {

bool ConnectFolder(const std::string& path, [[maybe_unused]] const std::string& user,
                   [[maybe_unused]] const std::string& password) {
  if (IsFolderReachable(path)) return true;
  // Windows would add a network connection to the share here. Linux mounts belong to
  // the administrator (fstab, autofs), so all there is to do is to try again: an
  // automounter may have brought the share up in the meantime.
  return IsFolderReachable(path);
}

bool ConnectFolderAs(const std::string& path, int useCurrentUser, const std::string& user,
                     const std::string& password) {
  if (useCurrentUser != 0) return ConnectFolder(path, std::string(), std::string());
  return ConnectFolder(path, user, password);
}

}  // namespace vellora::net
