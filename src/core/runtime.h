// The state every part of the engine shares while the program runs: the settings,
// the logs, the error state, the display, the pacing of waits and the run-time side
// of the four RIPs. One Runtime per program run; it is handed to each subsystem
// instead of living in globals.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

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

class Runtime {
 public:
  Runtime(Display& display, platform::Pacer& pacer, std::string programFolder);
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  Display& display;
  platform::Pacer& pacer;
  // The program folder: Vellora.ini, the logs and the pointer files lie in it.
  const std::string programFolder;
  const std::string iniPath;
  SettingsHandle settings;
  LogWriters logs;
  ErrorState errors;
  std::array<RipSlotRuntime, kRipCount> rips;

  bool Stopping() const { return pacer.Stopping(); }
};

}  // namespace vellora::core
