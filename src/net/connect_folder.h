// Connecting a folder before it is used: the reachability test and, when it fails,
// the connect step and the test once more. Shared by the input scanner (input and
// spool folders) and the RIP monitors (SW folders).
#pragma once

#include <string>

namespace vellora::net {

// Shares are mounted by the administrator on this system, so the connect step itself
// does nothing; user and password are kept for a build that connects.
bool ConnectFolder(const std::string& path, const std::string& user, const std::string& password);

// ConnectFolder with a folder's configured credentials: with useCurrentUser set, user
// and password are left out so that the process's own credentials apply.
bool ConnectFolderAs(const std::string& path, int useCurrentUser, const std::string& user,
                     const std::string& password);

}  // namespace vellora::net
