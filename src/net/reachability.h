// The question asked before every folder access: can this folder be used now? A
// folder on another host is usable only when that host answers an echo within a
// second, so that a file server that is down costs a second instead of a thread
// hanging in the file system.
#pragma once

#include <string_view>

namespace vellora::net {

// The echo that the test sends: time to live, wait, data size, type of service.
constexpr int kReachabilityTimeToLive = 30;
constexpr int kReachabilityWaitMs = 1000;
constexpr int kReachabilityDataSize = 32;

// path in the system's text form. \\host\share\... pings host; a drive-letter or
// POSIX path that lies on a network mount (cifs, smb3, nfs, nfs4) pings the mount's
// server and from then on stands for the share itself, the mount point; any other
// path costs no network traffic. Then the folder must be an existing directory the
// process may enter. Safe on any thread; the current directory is never changed.
bool IsFolderReachable(std::string_view path);

}  // namespace vellora::net
