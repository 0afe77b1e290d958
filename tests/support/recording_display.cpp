// The recording Display.
#include "support/recording_display.h"

#include <algorithm>

namespace vellora::test {

std::string RecordingDisplay::Name(core::Lamp l) {
  switch (l) {
    case core::Lamp::Green:
      return "green";
    case core::Lamp::Red:
      return "red";
    case core::Lamp::Yellow:
      return "yellow";
    case core::Lamp::Grey:
      return "grey";
    case core::Lamp::Dark:
      return "dark";
  }
  return "?";
}

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
  const char* n = i == core::SpoolerIcon::Disabled   ? "disabled"
                  : i == core::SpoolerIcon::Scanning ? "scanning"
                                                     : "idle";
  Add("SpoolerIcon " + std::to_string(s) + " " + n);
}

void RecordingDisplay::SetRipLamp(int r, core::RipLamp w, core::Lamp l) {
  const char* n = w == core::RipLamp::Status    ? "status"
                  : w == core::RipLamp::Running ? "running"
                  : w == core::RipLamp::Input   ? "input"
                                                : "job";
  Add(Rip(r) + "Lamp " + n + " " + Name(l));
}

void RecordingDisplay::RipJobRowAdded(int r, int i, const core::RipJobRow& row) {
  Add(Rip(r) + "JobAdded " + std::to_string(i) + " " +
      std::to_string(static_cast<int>(row.result)) + " " + row.job + " | " + row.time + " | " +
      row.setup + " | " + row.id);
}

}  // namespace vellora::test
