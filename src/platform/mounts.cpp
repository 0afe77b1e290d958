// Reading /proc/self/mountinfo for the network share of a path.
#include "platform/mounts.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/system.h"

namespace vellora::platform {
namespace {

// mountinfo writes blanks, tabs, newlines and backslashes in paths as \ooo.
std::string Unescape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<std::string_view> SplitBlanks(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

// "/a/./b/../c//" -> "/a/c"; the text is never looked up on disk.
std::string NormalizeAbsolute(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == '/') ++i;
    size_t start = i;
    while (i < path.size() && path[i] != '/') ++i;
    std::string_view part = path.substr(start, i - start);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (std::string_view p : parts) {
    out += '/';
    out += p;
  }
  return out.empty() ? "/" : out;
}

bool LiesUnder(const std::string& path, const std::string& mountPoint) {
  if (mountPoint == "/") return true;
  if (path.size() < mountPoint.size() || path.compare(0, mountPoint.size(), mountPoint) != 0) {
    return false;
  }
  return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

bool IsNetworkType(std::string_view type) {
  return type == "cifs" || type == "smb3" || type == "nfs" || type == "nfs4";
}

std::string Backslashed(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  while (out.size() > 2 && out.back() == '\\') out.pop_back();
  return out;
}

// "//server/share/sub" (cifs, smb3) or "server:/export" and "[v6]:/export" (nfs).
bool RemoteNameOf(std::string_view type, std::string_view source, NetworkMount& mount) {
  if (type == "cifs" || type == "smb3") {
    if (source.size() < 3 || (source[0] != '/' && source[0] != '\\') ||
        (source[1] != '/' && source[1] != '\\')) {
      return false;
    }
    std::string_view rest = source.substr(2);
    size_t end = rest.find_first_of("/\\");
    mount.server = std::string(rest.substr(0, end));
    mount.remoteName = Backslashed(source);
    return !mount.server.empty();
  }
  std::string_view server;
  std::string_view exportPath;
  if (!source.empty() && source[0] == '[') {
    size_t close = source.find(']');
    if (close == std::string_view::npos || close + 1 >= source.size() || source[close + 1] != ':') {
      return false;
    }
    server = source.substr(1, close - 1);
    exportPath = source.substr(close + 2);
  } else {
    size_t colon = source.find(':');
    if (colon == std::string_view::npos) return false;
    server = source.substr(0, colon);
    exportPath = source.substr(colon + 1);
  }
  if (server.empty()) return false;
  mount.server = std::string(server);
  mount.remoteName = "\\\\" + mount.server + Backslashed(exportPath);
  while (mount.remoteName.size() > 2 && mount.remoteName.back() == '\\') {
    mount.remoteName.pop_back();
  }
  return true;
}

std::atomic<uint64_t> readings{0};

std::string ReadMountTable() {
  readings.fetch_add(1, std::memory_order_relaxed);
  int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string text;
  char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

// One line of the mount table, as far as the question needs it.
struct MountLine {
  std::string point;  // unescaped mount point
  std::string type;
  std::string source;  // unescaped
};

struct ParsedTable {
  std::vector<MountLine> lines;  // in the order of the table
  bool anyNetwork = false;       // without one, no path lies on a share
};

ParsedTable ParseMountTable(std::string_view mountInfo) {
  ParsedTable table;
  size_t pos = 0;
  while (pos < mountInfo.size()) {
    size_t end = mountInfo.find('\n', pos);
    if (end == std::string_view::npos) end = mountInfo.size();
    std::vector<std::string_view> f = SplitBlanks(mountInfo.substr(pos, end - pos));
    pos = end + 1;
    size_t dash = 0;
    for (size_t i = 6; i < f.size(); ++i) {
      if (f[i] == "-") {
        dash = i;
        break;
      }
    }
    if (dash == 0 || dash + 1 >= f.size()) continue;  // not a mount line
    MountLine line;
    line.point = Unescape(f[4]);
    line.type = std::string(f[dash + 1]);
    line.source = dash + 2 < f.size() ? Unescape(f[dash + 2]) : std::string();
    table.anyNetwork = table.anyNetwork || IsNetworkType(line.type);
    table.lines.push_back(std::move(line));
  }
  return table;
}

std::optional<NetworkMount> FindIn(const ParsedTable& table, std::string_view absolutePath) {
  if (!table.anyNetwork) return std::nullopt;
  const std::string path = NormalizeAbsolute(absolutePath);
  // The innermost mount wins: the longest mount point that holds the path, and of
  // equal ones the later line, which is mounted over the earlier.
  const MountLine* best = nullptr;
  for (const MountLine& line : table.lines) {
    if (!LiesUnder(path, line.point)) continue;
    if (best != nullptr && line.point.size() < best->point.size()) continue;
    best = &line;
  }
  if (best == nullptr || !IsNetworkType(best->type)) return std::nullopt;
  NetworkMount mount;
  mount.mountPoint = best->point;
  mount.fsType = best->type;
  if (!RemoteNameOf(best->type, best->source, mount)) return std::nullopt;
  return mount;
}

// The process's mount table, read once and again only after it has changed. A
// thread of its own waits in poll() on /proc/self/mountinfo, which reports every
// mount and unmount with POLLPRI and POLLERR, and counts the changes; a question
// reads the table again only when the count has moved since the last reading. So a
// reachability test, made before every folder access by every thread, costs no
// system call for the mount table while nothing is mounted or unmounted (reading
// and parsing the table each time cost four calls and most of the test's time).
// Where the watch cannot be set up, every question reads the table as before.
class MountTable {
 public:
  MountTable() {
    int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    // The watch counts changes from the moment its descriptor was opened, so a
    // change between the open and the first reading is read again, never missed.
    try {
      std::thread([this, fd] { Watch(fd); }).detach();
      watched_.store(true, std::memory_order_release);
    } catch (const std::system_error&) {
      ::close(fd);
    }
  }

  std::shared_ptr<const ParsedTable> Current() {
    if (!watched_.load(std::memory_order_acquire)) {
      return std::make_shared<const ParsedTable>(ParseMountTable(ReadMountTable()));
    }
    const uint64_t changes = changes_.load(std::memory_order_acquire);
    std::lock_guard lock(mutex_);
    if (!table_ || changes != readAt_) {
      readAt_ = changes;
      table_ = std::make_shared<const ParsedTable>(ParseMountTable(ReadMountTable()));
    }
    return table_;
  }

 private:
  void Watch(int fd) {
    for (;;) {
      struct pollfd p {};
      p.fd = fd;
      p.events = POLLPRI;
      int n = ::poll(&p, 1, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || (p.revents & POLLNVAL) != 0) break;
      if ((p.revents & (POLLPRI | POLLERR)) != 0) {
        changes_.fetch_add(1, std::memory_order_acq_rel);
      }
    }
    // The watch is gone: from now on every question reads the table itself.
    watched_.store(false, std::memory_order_release);
    ::close(fd);
  }

  std::atomic<bool> watched_{false};
  std::atomic<uint64_t> changes_{0};
  std::mutex mutex_;
  uint64_t readAt_ = 0;
  std::shared_ptr<const ParsedTable> table_;
};

MountTable& ProcessMountTable() {
  // Never destroyed: the watching thread runs until the process ends.
  static MountTable* table = new MountTable;
  return *table;
}

}  // namespace

uint64_t MountTableReadings() {
  return readings.load(std::memory_order_relaxed);
}

std::optional<NetworkMount> FindNetworkMountIn(std::string_view mountInfo,
                                               std::string_view absolutePath) {
  return FindIn(ParseMountTable(mountInfo), absolutePath);
}

std::optional<NetworkMount> FindNetworkMount(std::string_view osPath) {
  if (osPath.empty()) return std::nullopt;
  std::shared_ptr<const ParsedTable> table = ProcessMountTable().Current();
  if (!table->anyNetwork) return std::nullopt;
  if (osPath.front() == '/') return FindIn(*table, osPath);
  return FindIn(*table, CurrentDirectory() + "/" + std::string(osPath));
}

}  // namespace vellora::platform
