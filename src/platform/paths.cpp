// Conversion of the system's path texts to OS paths, and the backslash path helpers.
#include "platform/paths.h"

#include <cctype>
#include <mutex>
#include <shared_mutex>

namespace vellora::platform {
namespace {

std::shared_mutex g_rootsMutex;
PathRoots g_roots;

std::string Slashed(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

std::string JoinUnder(const std::string& root, std::string_view rest) {
  std::string out = root;
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  std::string tail = Slashed(rest);
  size_t skip = 0;
  while (skip < tail.size() && tail[skip] == '/') ++skip;
  if (skip < tail.size()) {
    out += '/';
    out.append(tail, skip, std::string::npos);
  }
  return out;
}

}  // namespace

void SetPathRoots(const PathRoots& roots) {
  std::unique_lock lock(g_rootsMutex);
  g_roots = roots;
}

PathRoots CurrentPathRoots() {
  std::shared_lock lock(g_rootsMutex);
  return g_roots;
}

std::string ToOsPath(std::string_view text, const PathRoots& roots) {
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    return JoinUnder(roots.uncRoot, text.substr(2));
  }
  if (text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]))) {
    std::string drive(1, static_cast<char>(std::tolower(static_cast<unsigned char>(text[0]))));
    std::string root = JoinUnder(roots.driveRoot, drive);
    return JoinUnder(root, text.substr(2));
  }
  return Slashed(text);
}

std::string ToOsPath(std::string_view text) {
  return ToOsPath(text, CurrentPathRoots());
}

std::string FileNamePart(std::string_view path) {
  size_t pos = path.rfind('\\');
  if (pos == std::string_view::npos) return std::string(path);
  return std::string(path.substr(pos + 1));
}

std::string FolderPart(std::string_view path) {
  size_t pos = path.rfind('\\');
  if (pos == std::string_view::npos) return std::string(path);
  return std::string(path.substr(0, pos));
}

std::string ExtensionPart(std::string_view name) {
  size_t pos = name.rfind('.');
  if (pos == std::string_view::npos) return {};
  return std::string(name.substr(pos + 1));
}

std::string UncHost(std::string_view path) {
  if (path.size() < 2 || path[0] != '\\' || path[1] != '\\') return {};
  std::string_view rest = path.substr(2);
  size_t end = rest.find('\\');
  return std::string(rest.substr(0, end));
}

}  // namespace vellora::platform
