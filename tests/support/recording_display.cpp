// The recording Display.
#include "support/recording_display.h"

#include <algorithm>

namespace vellora::test {

void RecordingDisplay::Add(std::string call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

std::vector<std::string> RecordingDisplay::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

int RecordingDisplay::Count(const std::string& prefix) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const std::string& c) {
    return c.compare(0, prefix.size(), prefix) == 0;
  }));
}

bool RecordingDisplay::Has(const std::string& call) const {
  std::lock_guard lock(mutex_);
  return std::find(calls_.begin(), calls_.end(), call) != calls_.end();
}

void RecordingDisplay::Clear() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

void RecordingDisplay::FillInputFolders(const std::vector<core::InputFolderItem>& items) {
  std::string s = "InputFolders";
  for (const auto& i : items) s += " " + i.setupName + (i.enabled ? "+" : "-");
  Add(s);
}

void RecordingDisplay::SetSpoolerIcon(int s, core::SpoolerIcon i) {
  Add("SpoolerIcon " + std::to_string(s) + " " + core::SpoolerIconName(i));
}

void RecordingDisplay::SetRipLamp(core::RipIndex r, core::RipLamp w, core::Lamp l) {
  Add(Rip(r) + "Lamp " + core::RipLampName(w) + " " + core::LampName(l));
}

void RecordingDisplay::RipJobRowAdded(core::RipIndex r, int i, const core::RipJobRow& row) {
  Add(Rip(r) + "JobAdded " + std::to_string(i) + " " +
      std::to_string(static_cast<int>(row.result)) + " " + row.job + " | " + row.time + " | " +
      row.setup + " | " + std::to_string(row.rip.value));
}

}  // namespace vellora::test
