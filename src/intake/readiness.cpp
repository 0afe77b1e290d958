// The in-use test and the stable-time test.
#include "intake/readiness.h"

#include <algorithm>
#include <climits>

#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::intake {
namespace {

bool SameFile(const platform::FileStat& a, const platform::FileStat& b) {
  return a.size == b.size && a.mtimeSec == b.mtimeSec && a.mtimeNsec == b.mtimeNsec;
}

}  // namespace

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
