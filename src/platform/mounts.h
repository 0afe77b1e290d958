// Which network share a path lies on: the Linux side of asking Windows for the
// network name of a mapped drive. A path on a cifs, smb3, nfs or nfs4 mount belongs
// to the share \\server\share of that mount, and the mount point is the share's
// folder on this machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellora::platform {

struct NetworkMount {
  std::string remoteName;  // \\server\share (with the sub-path of the export, if any)
  std::string server;      // host name or address as the mount names it
  std::string mountPoint;  // OS path
  std::string fsType;
};

// The network mount that holds the OS path, from /proc/self/mountinfo. The answer is
// worked out from the text of the path alone (relative paths against the current
// directory, "." and ".." resolved by text): nothing on the path is touched, so a
// server that is down cannot block the question. Empty for a path on a local file
// system or when the mount table cannot be read. The table is read once and again
// only after a mount or unmount, for every thread of the process; safe on any thread.
std::optional<NetworkMount> FindNetworkMount(std::string_view osPath);

// How many times this process has read its mount table so far.
uint64_t MountTableReadings();

// The same against a given mount table text, for an absolute path.
std::optional<NetworkMount> FindNetworkMountIn(std::string_view mountInfo,
                                               std::string_view absolutePath);

}  // namespace vellora::platform
