// Recursive listing of the spool folders with the platform's directory enumerator.
#include "spool_watch.h"

#include <algorithm>
#include <tuple>

#include "platform/files.h"

namespace vellora::ripsim {
namespace {

// Deep enough for page-format and mono subfolders and more; a bound all the same.
constexpr int kMaxDepth = 16;

void ListFolder(const std::string& folder, const std::string& relative, size_t spool, int depth,
                std::vector<SpoolFile>& out) {
  platform::DirectoryEnumerator dir;
  if (!dir.Open(folder, "*")) return;
  std::vector<std::pair<std::string, std::string>> subfolders;
  platform::DirEntry e;
  while (dir.Next(e)) {
    if (e.isHidden || !e.statOk) continue;
    std::string path = folder + "/" + e.name;
    std::string rel = relative.empty() ? e.name : relative + "/" + e.name;
    if (e.isDirectory) {
      if (!e.isSymlink && depth < kMaxDepth) subfolders.emplace_back(path, rel);
      continue;
    }
    out.push_back(SpoolFile{path, e.name, rel, spool});
  }
  dir.Close();
  for (const auto& [path, rel] : subfolders) ListFolder(path, rel, spool, depth + 1, out);
}

}  // namespace

SpoolListing ListSpoolFolders(const std::vector<std::string>& spoolFolders) {
  SpoolListing listing;
  listing.listable.resize(spoolFolders.size(), false);
  for (size_t i = 0; i < spoolFolders.size(); ++i) {
    listing.listable[i] = platform::IsEnterableDirectory(spoolFolders[i]);
    if (listing.listable[i]) ListFolder(spoolFolders[i], "", i, 0, listing.files);
  }
  std::sort(listing.files.begin(), listing.files.end(), [](const SpoolFile& a, const SpoolFile& b) {
    return std::tie(a.name, a.path) < std::tie(b.name, b.path);
  });
  return listing;
}

}  // namespace vellora::ripsim
