// Start-up and the worker threads. Initialise() is the main window's initialisation,
// step by step, shared by the window and the headless program; the thread entries
// of the other subsystems are handed in as Workers so that the core depends on none
// of them. Shutdown() is the handshake that ends every thread: it requests a stop,
// which ends every paced wait at once, and joins.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "core/rip_id.h"
#include "core/runtime.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace vellora::core {

struct Workers {
  // Each entry runs until runtime.Stopping() (the monitor also until its RIP's
  // StopRequested); an empty entry is simply not started.
  std::function<void()> inputScanner;
  std::function<void(RipIndex rip)> ripMonitor;
  std::function<void()> poller;
};

class WorkerThreads {
 public:
  WorkerThreads(Runtime& runtime, Workers workers);
  ~WorkerThreads();
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;

  // The initialisation steps in their order: window set-up, settings, RIP run-time
  // reset, beeper and scanner threads, the start-up line, the RIP configuration, the
  // error flag, the input folders list and layout, the poller.
  void Initialise();

  // Titles, controls and lamps of each RIP; starts a monitor for each RIP in use that
  // has none yet; asks the monitors of RIPs no longer in use to stop (1500 ms each);
  // Tracking = UseRIP; the run switches.
  void ApplyRipConfiguration();

  // The input folders list: one item per configured spooler with its enable flag.
  void FillInputFolders();

  void Shutdown();

  bool MonitorStarted(RipIndex rip) const;

 private:
  void StartThread(std::thread& slot, std::function<void()> body);

  Runtime& rt_;
  Workers workers_;
  mutable std::mutex threadsMutex_;
  std::thread beeper_;
  std::thread scanner_;
  std::thread poller_;
  std::array<std::thread, kRipCount> monitors_;
  bool shutDown_ = false;
};

// The beeper thread's body: while the error flag is set, blink the error lamp and,
// with BeepOnError, sound the rising sweep of 67 tones.
void RunBeeper(Runtime& rt);

// "Quillon started on %s\r\n" with the time written as "%A, %B %d %Y at %H:%M:%S "
// in English, whatever the locale.
std::string FormatStartupMessage(const platform::LocalTime& t);

// Section Platform of the INI file: where UNC and drive-letter paths are found here.
platform::PathRoots ReadPlatformRoots(const std::string& iniPath);

}  // namespace vellora::core
