// The RIP tracking as the engine holds it: the finished-jobs lists of the four RIPs,
// the monitor threads' body, and the operator's commands on the RIPs (the run
// switch, "Start all", "Stop all", "Re-load RIP logs"). Commands run on the thread
// of whoever gives them (the window, the remote-control poller); the monitors see
// their effect at their next pass.
#pragma once

#include <array>
#include <memory>

#include "core/runtime.h"
#include "riptrack/rip_job_lists.h"
#include "riptrack/rip_monitor.h"
#include "riptrack/rip_services.h"

namespace vellora::riptrack {

class RipTracking {
 public:
  RipTracking(core::Runtime& rt, RipServices& services);

  RipJobLists& jobLists() { return lists_; }
  const RipJobLists& jobLists() const { return lists_; }

  // The body of RIP rip's monitor thread: 1 when it ended on a stop
  // request, 0 after a failed buffer allocation (or for an index that names no RIP).
  int RunRipMonitor(core::RipIndex rip);
  // A monitor as RunRipMonitor runs it, for running passes one by one.
  std::unique_ptr<RipMonitor> NewMonitor(core::RipIndex rip);

  // The run switch: a running RIP is stopped (grey status lamp, off picture), a
  // stopped one started (green lamp, on picture). A RIP not in use keeps a grey lamp
  // and is not reported; one in use reports its new run state as its enabled flag on
  // the main connection (when it is registered).
  void ToggleRip(core::RipIndex rip);
  // ToggleRip for every RIP in use that is stopped / running.
  void StartAll();
  void StopAll();
  // Deletes the log pointer file of every RIP in use, so that its monitor reads the
  // last MaxLogFileReadSize bytes of the log again and reports their jobs once more.
  void ReloadRipLogs();

 private:
  core::Runtime& rt_;
  RipServices& services_;
  RipJobLists lists_;
  std::array<LogReload, core::kRipCount> reloads_;
};

}  // namespace vellora::riptrack
