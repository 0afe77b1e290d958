// Status lines for the headless program.
#include "apps/console_display.h"

#include "platform/clock.h"

namespace vellora::apps {
namespace {

const char* ResultName(core::JobResult r) {
  switch (r) {
    case core::JobResult::Completed:
      return "completed";
    case core::JobResult::Failed:
      return "failed";
    case core::JobResult::Warning:
      return "warning";
  }
  return "?";
}

std::string Rip(core::RipIndex rip) {
  return "RIP " + std::to_string(rip.Number().value);
}

std::string Key(const char* what, core::RipIndex rip) {
  return what + std::to_string(rip.value);
}

}  // namespace

void ConsoleDisplay::Print(const std::string& line) {
  platform::LocalTime t = platform::NowLocal();
  std::fprintf(out_, "[%.2d:%.2d:%.2d.%.3d] %s\n", t.hour, t.minute, t.second, t.millisecond,
               line.c_str());
  std::fflush(out_);
}

void ConsoleDisplay::Changed(const std::string& key, const std::string& value,
                             const std::string& line) {
  std::lock_guard lock(mutex_);
  auto it = last_.find(key);
  if (it != last_.end() && it->second == value) return;
  last_[key] = value;
  Print(line);
}

void ConsoleDisplay::SetScannerCaption(const std::string& caption) {
  // The blank caption between two animations is not news.
  if (caption.find_first_not_of(' ') == std::string::npos) return;
  Changed("scanner", caption, "scanner: " + caption);
}

void ConsoleDisplay::FillInputFolders(const std::vector<core::InputFolderItem>& items) {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < items.size(); ++i) {
    Print("input folder " + std::to_string(i + 1) + ": " + items[i].setupName +
          (items[i].enabled ? " (enabled)" : " (disabled)"));
  }
}

void ConsoleDisplay::SetSpoolerIcon(int spooler, core::SpoolerIcon icon) {
  // Scanning and idle alternate on every pass; only switching off is worth a line.
  std::string key = "spooler" + std::to_string(spooler);
  if (icon == core::SpoolerIcon::Disabled) {
    Changed(key, "disabled", "input folder " + std::to_string(spooler + 1) + ": disabled");
  } else {
    std::lock_guard lock(mutex_);
    last_[key] = "enabled";
  }
}

void ConsoleDisplay::SetErrorText(const std::string& text, bool error) {
  Changed("error", text, error ? "ERROR STATE: " + text : "error state: " + text);
}

void ConsoleDisplay::SetRipTitle(core::RipIndex rip, const std::string& title) {
  Changed(Key("title", rip), title, Rip(rip) + ": " + title);
}

void ConsoleDisplay::SetRipLamp(core::RipIndex rip, core::RipLamp which, core::Lamp lamp) {
  Changed(Key("lamp", rip) + core::RipLampName(which), core::LampName(lamp),
          Rip(rip) + ": " + core::RipLampName(which) + " lamp " + core::LampName(lamp));
}

void ConsoleDisplay::SetRipSwitch(core::RipIndex rip, bool on, bool enabled) {
  std::string v = std::string(on ? "on" : "off") + (enabled ? "" : " (disabled)");
  Changed(Key("switch", rip), v, Rip(rip) + ": switch " + v);
}

void ConsoleDisplay::SetRipStatusText(core::RipIndex rip, const std::string& text) {
  Changed(Key("status", rip), text, Rip(rip) + ": " + text);
}

void ConsoleDisplay::SetRipProgress(core::RipIndex rip, int, int, int position) {
  // Only the round steps of a job's progress.
  int step = position / 25 * 25;
  Changed(Key("progress", rip), std::to_string(step),
          Rip(rip) + ": progress " + std::to_string(position) + "%");
}

void ConsoleDisplay::SetRipQueueBar(core::RipIndex rip, const std::string& caption, int, int) {
  Changed(Key("queue", rip), caption, Rip(rip) + ": " + caption);
}

void ConsoleDisplay::WaitingRowInserted(int, const core::WaitingRow& row) {
  std::lock_guard lock(mutex_);
  Print("waiting: " + row.job + " (" + row.setup + ", " + row.time + ", prio " +
        std::to_string(row.prio) + ")");
}

void ConsoleDisplay::WaitingRowRemoved(int, const core::WaitingRow& row) {
  std::lock_guard lock(mutex_);
  Print("no longer waiting: " + row.job + " (" + row.setup + ")");
}

void ConsoleDisplay::QueuedRowAdded(int, const core::QueuedRow& row) {
  std::lock_guard lock(mutex_);
  Print("RIP " + std::to_string(row.rip.value) + " queue: " + row.job);
}

void ConsoleDisplay::QueuedRowRemoved(int, const core::QueuedRow& row) {
  std::lock_guard lock(mutex_);
  Print("RIP " + std::to_string(row.rip.value) + " took: " + row.job);
}

void ConsoleDisplay::RipJobRowAdded(core::RipIndex rip, int, const core::RipJobRow& row) {
  std::lock_guard lock(mutex_);
  Print("finished: " + Rip(rip) + " | " + ResultName(row.result) + " | " + row.job + " | " +
        row.time + " | " + row.setup);
}

}  // namespace vellora::apps

namespace vellora::apps {

void ConsoleDisplay::SettingsSaved(bool ok, const std::string& error) {
  if (ok) return;
  std::lock_guard lock(mutex_);
  Print("settings not saved: " + error);
}

void ConsoleDisplay::DatabaseTested(bool ok, const std::string& text) {
  std::lock_guard lock(mutex_);
  Print(std::string("database test: ") + (ok ? "Connection OK" : text));
}

void ConsoleDisplay::ServerSwitched(bool connected, const std::string& serverText,
                                    const std::string& message) {
  std::lock_guard lock(mutex_);
  Print(connected ? "database server: " + serverText + " (" + message + ")"
                  : "database server switch failed: " + message);
}

void ConsoleDisplay::TestMailSent(bool ok, const std::string& lastError) {
  std::lock_guard lock(mutex_);
  Print(ok ? std::string("Test e-mail was successfully sent")
           : "Test e-mail failed! Last error: " + lastError);
}

void ConsoleDisplay::EngineStopped() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  stoppedChanged_.notify_all();
}

void ConsoleDisplay::WaitUntilEngineStopped() {
  std::unique_lock lock(mutex_);
  stoppedChanged_.wait(lock, [this] { return stopped_; });
}

}  // namespace vellora::apps
