// Defaults of the settings records and the snapshot-and-publish holder.
#include "core/settings.h"

#include <cstdio>

namespace vellora::core {

const char kDefaultRipHostPrefix[] = "HQRIP";
const char kDefaultMailFrom[] = "vellora@prepress.local";

namespace {
std::string Format(const char* fmt, int a, int b = 0) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}
}  // namespace

Spooler DefaultSpooler(int m) {
  Spooler s;
  s.InputSpool = Format("C:\\PSinput%d", m);
  s.SetupName = Format("Setup%d", m);
  for (int n = 1; n <= kRipCount; ++n) {
    s.RipSpool[n - 1] = Format("C:\\RIP%dSpool%d", n, m);
    s.RipSpoolMono[n - 1] = Format("C:\\RIP%dSpoolMono%d", n, m);
  }
  return s;
}

RipSlot DefaultRipSlot(int n) {
  RipSlot r;
  r.RIPswPath = "\\\\" + std::string(kDefaultRipHostPrefix) + std::to_string(n) + "\\sw";
  r.RIPName = Format("RIP%d", n);
  r.FlowDriveJobPath = r.RIPswPath;
  return r;
}

SettingsStore::SettingsStore() : MailFrom(kDefaultMailFrom) {
  for (int n = 1; n <= kRipCount; ++n) Rips[n - 1] = DefaultRipSlot(n);
  Spoolers.reserve(kMaxSpoolers);
  for (int m = 1; m <= kMaxSpoolers; ++m) Spoolers.push_back(DefaultSpooler(m));
}

SettingsHandle::SettingsHandle() : current_(std::make_shared<const SettingsStore>()) {}

std::shared_ptr<const SettingsStore> SettingsHandle::Get() const {
  std::lock_guard lock(mutex_);
  return current_;
}

void SettingsHandle::Publish(SettingsStore store) {
  auto fresh = std::make_shared<const SettingsStore>(std::move(store));
  std::lock_guard lock(mutex_);
  current_ = std::move(fresh);
}

void SettingsHandle::Update(const std::function<void(SettingsStore&)>& change) {
  std::lock_guard lock(mutex_);
  auto copy = std::make_shared<SettingsStore>(*current_);
  change(*copy);
  current_ = std::move(copy);
}

}  // namespace vellora::core
