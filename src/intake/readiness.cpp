// The connect step, the mask rule, the in-use test and the stable-time test.
#include "intake/readiness.h"

#include <algorithm>
#include <climits>

#include "net/reachability.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::intake {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool SameFile(const platform::FileStat& a, const platform::FileStat& b) {
  return a.size == b.size && a.mtimeSec == b.mtimeSec && a.mtimeNsec == b.mtimeNsec;
}

}  // namespace

bool ConnectFolder(const std::string& path, [[maybe_unused]] const std::string& user,
                   [[maybe_unused]] const std::string& password) {
  if (net::IsFolderReachable(path)) return true;
  // Windows would add a network connection to the share here. Linux mounts belong to
  // the administrator (fstab, autofs), so all there is to do is to try again: an
  // automounter may have brought the share up in the meantime.
  return net::IsFolderReachable(path);
}

bool ConnectFolderAs(const std::string& path, int useCurrentUser, const std::string& user,
                     const std::string& password) {
  if (useCurrentUser != 0) return ConnectFolder(path, std::string(), std::string());
  return ConnectFolder(path, user, password);
}

bool MatchesMask(std::string_view fileName, std::string_view maskList) {
  if (maskList.empty() || maskList == "*" || maskList == "*.*") return false;
  const std::string nameExtension = platform::ExtensionPart(fileName);
  size_t pos = 0;
  while (pos <= maskList.size()) {
    size_t end = maskList.find(';', pos);
    if (end == std::string_view::npos) end = maskList.size();
    std::string_view mask = maskList.substr(pos, end - pos);
    pos = end + 1;
    // Empty pieces ("a;;b", a trailing ";") are no masks; an empty mask would match
    // every name without an extension.
    if (mask.empty()) continue;
    if (fileName == mask) return true;
    if (EqualIgnoringCase(nameExtension, platform::ExtensionPart(mask))) return true;
  }
  return false;
}

bool IsReadable(const std::string& fullPath, const core::SettingsStore& settings) {
  if (settings.IgnoreLockCheck != 0) return true;
  return platform::OpenExclusiveAndRead(fullPath);
}

bool IsStable(const std::string& fullPath, core::Runtime& rt) {
  const int stableTime = rt.settings.Get()->StableTime;
  if (stableTime <= 0) return true;

  const platform::FileStat before = platform::StatOpenedFile(fullPath);
  if (!before.exists || before.isDirectory) return false;

  // 200 steps of StableTime×5 ms: StableTime seconds in all.
  const int stepMs = static_cast<int>(std::min<long long>(5LL * stableTime, INT_MAX));
  bool waited = true;
  rt.display.SetScannerCaption(platform::FileNamePart(fullPath));
  for (int position = 0; position <= 99 && waited; ++position) {
    rt.display.SetScannerBar(position);
    waited = rt.pacer.Wait(stepMs);
  }
  if (waited) {
    rt.display.SetScannerCaption("Stable time check..");
    for (int position = 100; position >= 1 && waited; --position) {
      rt.display.SetScannerBar(position);
      waited = rt.pacer.Wait(stepMs);
    }
  }
  rt.display.SetScannerCaption(" ");
  if (!waited) return false;

  const platform::FileStat after = platform::StatOpenedFile(fullPath);
  return after.exists && !after.isDirectory && SameFile(before, after);
}

}  // namespace vellora::intake
