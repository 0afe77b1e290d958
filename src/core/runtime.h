// The state every part of the engine shares while the program runs: the settings,
// the logs, the error state, the display, the pacing of waits and the run-time side
// of the four RIPs. One Runtime per program run; it is handed to each subsystem
// instead of living in globals.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/alerts.h"
#include "core/display.h"
#include "core/error_state.h"
#include "core/logs.h"
#include "core/settings.h"
#include "platform/pacing.h"

namespace vellora::core {

// Run-time side of one RIP. Each field is written by one side and read by others.
struct RipSlotRuntime {
  std::atomic<int> Tracking{0};       // the RIP is followed and may receive jobs
  std::atomic<int> InputOpen{0};      // the RIP accepts jobs (written by its monitor)
  std::atomic<int> WaitingCount{0};   // files waiting for it (written by the scanner)
  std::atomic<int> ProcessId{0};      // its registration in the production database
  std::atomic<int> StopRequested{0};  // asks its monitor to end
  // Where its log is read next: a byte offset, 64-bit for logs above 2 GB.
  std::atomic<int64_t> LogPointer{0};
};

// The settings and the logs, which the engine shares with the adapters of its ports
// (the database and the PDF rewriting log into the same files and read the same
// settings). A program makes one and hands it to both.
struct SharedState {
  SettingsHandle settings;
  LogWriters logs;
};

class Runtime {
  // Declared first: the references below may point into them.
  std::unique_ptr<SharedState> owned_;
  NullAlerts noAlerts_;

 public:
  // With settings and logs of its own (tests, programs that share them with nobody).
  Runtime(Display& display, platform::Pacer& pacer, std::string programFolder);
  Runtime(Display& display, platform::Pacer& pacer, std::string programFolder, SharedState& shared);
  // The engine's: the alerts of folders and databases that fail go to the operators.
  Runtime(Display& display, platform::Pacer& pacer, std::string programFolder, SharedState& shared,
          Alerts& alerts);
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  Display& display;
  platform::Pacer& pacer;
  // The program folder: Vellora.ini, the logs and the pointer files lie in it.
  const std::string programFolder;
  const std::string iniPath;
  SettingsHandle& settings;
  LogWriters& logs;
  // Raises nothing unless the runtime was given the program's alerts.
  Alerts& alerts;
  ErrorState errors;
  std::array<RipSlotRuntime, kRipCount> rips;

  bool Stopping() const { return pacer.Stopping(); }

  // Shows a spooler's icon, or the switched-off one when the spooler is off by now.
  // The scanner and the operator's click both show icons through here, so a pass
  // that read a spooler as on just before a click switched it off cannot show it on
  // again after the click: the last icon shown is always the current setting's.
  void ShowSpoolerIcon(int spooler, SpoolerIcon icon);

  // Held while the main database connection is pointed at the server of the current
  // choice (`UseBackup`) and the RIPs are registered there: by the operator's server
  // switch, and by the scanner's connection step, which reads the choice under it.
  // Without it a scanner that had read the old choice could connect back to the
  // server the operator had just switched away from.
  std::mutex serverChoice;

 private:
  std::mutex spoolerIcons_;
};

}  // namespace vellora::core
