// The one interface through which the engine shows what it does. The engine owns
// every piece of state the window shows (rows, lamps, captions, bars, texts) and
// reports each change here, with typed values, from whichever thread made it.
//
// The rule for every implementation: a Display only records or posts. It never calls
// back into the engine synchronously (a window posts the call to its own thread and
// reads the engine from there; the headless program prints; tests record), and the
// engine never calls it while holding one of its locks. Every method is pure, so an
// implementation that forgets one does not compile; NullDisplay shows nothing, for
// programs and tests that watch only a few of the calls.
//
// RIPs are passed as their index (RipIndex, 0 to 3) where a panel is meant and as
// their number (RipNumber, 1 to 4) where a row shows it; spoolers as their index
// from 0.
#pragma once

#include <string>
#include <vector>

#include "core/rip_id.h"

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

// A row of the waiting-jobs list: "Time", "Job", "Setup", "ID" (shown "%.3d"),
// "Prio" (shown "%d").
struct WaitingRow {
  std::string time;
  std::string job;
  std::string setup;
  int id = 0;
  int prio = 0;
  bool operator==(const WaitingRow&) const = default;
};

// A row of the queued-jobs list: "RIP", "Job", "Time", "Path", "ref" (1 while the
// file was found by the last reconciliation).
struct QueuedRow {
  RipNumber rip;
  std::string job;
  std::string time;
  std::string path;
  int ref = 1;
  bool operator==(const QueuedRow&) const = default;
};

// A row of a RIP's finished-jobs list: result icon, "Job", "Time", "Setup", "Id" (the
// RIP's number).
struct RipJobRow {
  JobResult result = JobResult::Completed;
  std::string job;
  std::string time;
  std::string setup;
  RipNumber rip;
  bool operator==(const RipJobRow&) const = default;
};

struct InputFolderItem {
  std::string setupName;
  bool enabled = false;
  bool operator==(const InputFolderItem&) const = default;
};

class Display {
 public:
  virtual ~Display() = default;

  // The window as a whole: base set-up (icons, menus, pictures, columns), a redraw,
  // the one layout pass after start-up.
  virtual void InitWindow() = 0;
  virtual void Redraw() = 0;
  virtual void LayoutWindow() = 0;

  // The activity (scanner) bar, its caption and the scanner lamp.
  virtual void SetScannerCaption(const std::string& caption) = 0;
  virtual void SetScannerBar(int position) = 0;
  virtual void SetScannerLamp(Lamp lamp) = 0;

  // The input folders list.
  virtual void FillInputFolders(const std::vector<InputFolderItem>& items) = 0;
  virtual void SetSpoolerIcon(int spooler, SpoolerIcon icon) = 0;

  // The error state: lamp, text (shown red while error is true), the beeper's tone.
  virtual void SetErrorLamp(Lamp lamp) = 0;
  virtual void SetErrorText(const std::string& text, bool error) = 0;
  virtual void Beep(int frequencyHz, int milliseconds) = 0;

  // A RIP panel.
  virtual void SetRipTitle(RipIndex rip, const std::string& title) = 0;
  virtual void SetRipControlsEnabled(RipIndex rip, bool enabled) = 0;
  virtual void SetRipLamp(RipIndex rip, RipLamp which, Lamp lamp) = 0;
  virtual void SetRipSwitch(RipIndex rip, bool on, bool enabled) = 0;
  virtual void SetRipStatusText(RipIndex rip, const std::string& text) = 0;
  virtual void SetRipProgress(RipIndex rip, int lower, int upper, int position) = 0;
  virtual void SetRipQueueBar(RipIndex rip, const std::string& caption, int upper,
                              int position) = 0;

  // The waiting-jobs list (the input queue's rows).
  virtual void WaitingRowInserted(int index, const WaitingRow& row) = 0;
  virtual void WaitingRowRemoved(int index, const WaitingRow& row) = 0;
  virtual void WaitingRowSelected(int index) = 0;

  // The queued-jobs list (files waiting in the RIP spool folders).
  virtual void QueuedRowAdded(int index, const QueuedRow& row) = 0;
  virtual void QueuedRowRemoved(int index, const QueuedRow& row) = 0;

  // A RIP's finished-jobs list.
  virtual void RipJobRowAdded(RipIndex rip, int index, const RipJobRow& row) = 0;
  virtual void RipJobRowRemoved(RipIndex rip, int index) = 0;

  // A settings save asked for by an operator command (a setup applied, a spooler
  // switched, the window position): whether Vellora.ini was written, and why not.
  virtual void SettingsSaved(bool ok, const std::string& error) = 0;

  // Results of the commands the setup dialogs give: the database dialog's "Test..",
  // the server switch of "Backup/Main server selection" (serverText "Main server" or
  // "Backup server" once connected; message the text to show: the confirmation or the
  // database's error), the e-mail dialog's "Send test mail".
  virtual void DatabaseTested(bool ok, const std::string& text) = 0;
  virtual void ServerSwitched(bool connected, const std::string& serverText,
                              const std::string& message) = 0;
  virtual void TestMailSent(bool ok, const std::string& lastError) = 0;

  // The stop handshake: every thread of the engine has ended. The last call an engine
  // makes.
  virtual void EngineStopped() = 0;
};

// Shows nothing.
class NullDisplay : public Display {
 public:
  void InitWindow() override {}
  void Redraw() override {}
  void LayoutWindow() override {}
  void SetScannerCaption(const std::string&) override {}
  void SetScannerBar(int) override {}
  void SetScannerLamp(Lamp) override {}
  void FillInputFolders(const std::vector<InputFolderItem>&) override {}
  void SetSpoolerIcon(int, SpoolerIcon) override {}
  void SetErrorLamp(Lamp) override {}
  void SetErrorText(const std::string&, bool) override {}
  void Beep(int, int) override {}
  void SetRipTitle(RipIndex, const std::string&) override {}
  void SetRipControlsEnabled(RipIndex, bool) override {}
  void SetRipLamp(RipIndex, RipLamp, Lamp) override {}
  void SetRipSwitch(RipIndex, bool, bool) override {}
  void SetRipStatusText(RipIndex, const std::string&) override {}
  void SetRipProgress(RipIndex, int, int, int) override {}
  void SetRipQueueBar(RipIndex, const std::string&, int, int) override {}
  void WaitingRowInserted(int, const WaitingRow&) override {}
  void WaitingRowRemoved(int, const WaitingRow&) override {}
  void WaitingRowSelected(int) override {}
  void QueuedRowAdded(int, const QueuedRow&) override {}
  void QueuedRowRemoved(int, const QueuedRow&) override {}
  void RipJobRowAdded(RipIndex, int, const RipJobRow&) override {}
  void RipJobRowRemoved(RipIndex, int) override {}
  void SettingsSaved(bool, const std::string&) override {}
  void DatabaseTested(bool, const std::string&) override {}
  void ServerSwitched(bool, const std::string&, const std::string&) override {}
  void TestMailSent(bool, const std::string&) override {}
  void EngineStopped() override {}
};

}  // namespace vellora::core
