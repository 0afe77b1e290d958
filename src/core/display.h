// The one interface through which the engine shows what it does. The engine owns
// every piece of state the window shows (rows, lamps, captions, bars, texts) and
// reports each change here, with the values, from whichever thread made it. A window
// posts the calls to its own thread; the headless program prints them; tests record
// them. Every method has a no-op default so that an implementation only overrides
// what it shows.
//
// RIPs are passed as their index 0 to 3 (the number users see is index + 1), spoolers
// as their index from 0.
#pragma once

#include <string>
#include <vector>

namespace vellora::core {

enum class Lamp { Green, Red, Yellow, Grey, Dark };

// The three activity lamps of a RIP panel and its status lamp.
enum class RipLamp { Status, Running, Input, Job };

enum class SpoolerIcon { Disabled, Scanning, Idle };

// Result of a finished job as the RIP job list shows it.
enum class JobResult { Completed = 1, Failed = 2, Warning = 3 };

// Lower-case names of the values above, for texts that show them (the console, test
// records).
constexpr const char* LampName(Lamp lamp) {
  switch (lamp) {
    case Lamp::Green:
      return "green";
    case Lamp::Red:
      return "red";
    case Lamp::Yellow:
      return "yellow";
    case Lamp::Grey:
      return "grey";
    case Lamp::Dark:
      return "dark";
  }
  return "?";
}

constexpr const char* RipLampName(RipLamp which) {
  switch (which) {
    case RipLamp::Status:
      return "status";
    case RipLamp::Running:
      return "running";
    case RipLamp::Input:
      return "input";
    case RipLamp::Job:
      return "job";
  }
  return "?";
}

constexpr const char* SpoolerIconName(SpoolerIcon icon) {
  switch (icon) {
    case SpoolerIcon::Disabled:
      return "disabled";
    case SpoolerIcon::Scanning:
      return "scanning";
    case SpoolerIcon::Idle:
      return "idle";
  }
  return "?";
}

// A row of the waiting-jobs list: "Time", "Job", "Setup", "ID", "Prio".
struct WaitingRow {
  std::string time;
  std::string job;
  std::string setup;
  std::string id;
  std::string prio;
};

// A row of the queued-jobs list: "RIP", "Job", "Time", "Path", "ref".
struct QueuedRow {
  std::string rip;
  std::string job;
  std::string time;
  std::string path;
  std::string ref;
};

// A row of a RIP's finished-jobs list: result icon, "Job", "Time", "Setup", "Id".
struct RipJobRow {
  JobResult result = JobResult::Completed;
  std::string job;
  std::string time;
  std::string setup;
  std::string id;
};

struct InputFolderItem {
  std::string setupName;
  bool enabled = false;
};

class Display {
 public:
  virtual ~Display() = default;

  // The window as a whole: base set-up (icons, menus, pictures, columns), a redraw,
  // the one layout pass after start-up.
  virtual void InitWindow() {}
  virtual void Redraw() {}
  virtual void LayoutWindow() {}

  // The activity (scanner) bar, its caption and the scanner lamp.
  virtual void SetScannerCaption(const std::string& /*caption*/) {}
  virtual void SetScannerBar(int /*position*/) {}
  virtual void SetScannerLamp(Lamp /*lamp*/) {}

  // The input folders list.
  virtual void FillInputFolders(const std::vector<InputFolderItem>& /*items*/) {}
  virtual void SetSpoolerIcon(int /*spooler*/, SpoolerIcon /*icon*/) {}

  // The error state: lamp, text (shown red while error is true), the beeper's tone.
  virtual void SetErrorLamp(Lamp /*lamp*/) {}
  virtual void SetErrorText(const std::string& /*text*/, bool /*error*/) {}
  virtual void Beep(int /*frequencyHz*/, int /*milliseconds*/) {}

  // A RIP panel.
  virtual void SetRipTitle(int /*rip*/, const std::string& /*title*/) {}
  virtual void SetRipControlsEnabled(int /*rip*/, bool /*enabled*/) {}
  virtual void SetRipLamp(int /*rip*/, RipLamp /*which*/, Lamp /*lamp*/) {}
  virtual void SetRipSwitch(int /*rip*/, bool /*on*/, bool /*enabled*/) {}
  virtual void SetRipStatusText(int /*rip*/, const std::string& /*text*/) {}
  virtual void SetRipProgress(int /*rip*/, int /*lower*/, int /*upper*/, int /*position*/) {}
  virtual void SetRipQueueBar(int /*rip*/, const std::string& /*caption*/, int /*upper*/,
                              int /*position*/) {}

  // The waiting-jobs list (the input queue's rows).
  virtual void WaitingRowInserted(int /*index*/, const WaitingRow& /*row*/) {}
  virtual void WaitingRowRemoved(int /*index*/, const WaitingRow& /*row*/) {}
  virtual void WaitingRowSelected(int /*index*/) {}

  // The queued-jobs list (files waiting in the RIP spool folders).
  virtual void QueuedRowAdded(int /*index*/, const QueuedRow& /*row*/) {}
  virtual void QueuedRowRemoved(int /*index*/, const QueuedRow& /*row*/) {}

  // A RIP's finished-jobs list.
  virtual void RipJobRowAdded(int /*rip*/, int /*index*/, const RipJobRow& /*row*/) {}
  virtual void RipJobRowRemoved(int /*rip*/, int /*index*/) {}
};

}  // namespace vellora::core
