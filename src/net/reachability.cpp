// IsFolderReachable: the host of a folder, its echo, then the directory test.
#include "net/reachability.h"

#include <string>

#include "net/echo.h"
#include "platform/files.h"
#include "platform/mounts.h"
#include "platform/paths.h"

namespace vellora::net {
namespace {

struct Target {
  std::string host;    // empty: a local folder, no echo
  std::string folder;  // what must be enterable
};

Target TargetOf(std::string_view path) {
  Target t;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    t.host = platform::UncHost(path);
    t.folder = std::string(path);
    return t;
  }
  // A drive letter or a plain path: if it lies on a network mount, the mount's share
  // replaces the path, as the network name of a mapped drive does on Windows.
  std::string os = platform::ToOsPath(path);
  if (auto mount = platform::FindNetworkMount(os)) {
    t.host = mount->server;
    t.folder = mount->mountPoint;
    return t;
  }
  t.folder = std::string(path);
  return t;
}

}  // namespace

bool IsFolderReachable(std::string_view path) {
  Target target = TargetOf(path);
  if (!target.host.empty()) {
    EchoReply reply;
    if (!PingHost(target.host, reply, kReachabilityTimeToLive, kReachabilityWaitMs,
                  kReachabilityDataSize, 0, 0, "", 0)) {
      return false;
    }
  }
  return platform::IsEnterableDirectory(target.folder);
}

}  // namespace vellora::net
