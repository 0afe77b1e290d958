// The engine as both front-ends run it: the shared run-time state, the start-up and
// the subsystems' thread bodies wired together. The window and the headless program
// differ only in the Display they hand in. Operator commands are functions here,
// taking row keys; a window only passes its selection.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/display.h"
#include "platform/pacing.h"
#include "core/runtime.h"
#include "core/worker_threads.h"
#include "intake/input_scanner.h"
#include "intake/rip_queues.h"
#include "intake/scanner_services.h"
#include "intake/waiting_jobs.h"
#include "riptrack/rip_services.h"
#include "riptrack/rip_tracking.h"

namespace vellora::engine {

class Engine {
 public:
  Engine(core::Display& display, platform::Pacer& pacer, std::string programFolder);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The whole start-up; returns once the worker threads run.
  void Start();
  // Ends every thread (waits end at once) and returns when they have.
  void Stop();

  core::Runtime& runtime() { return rt_; }
  core::WorkerThreads& startup() { return *startup_; }
  intake::WaitingJobs& waitingJobs() { return waiting_; }
  intake::RipQueues& ripQueues() { return ripQueues_; }
  riptrack::RipTracking& ripTracking() { return tracking_; }
  riptrack::RipJobLists& ripJobLists() { return tracking_.jobLists(); }

  // Queue commands.
  void RushJob(const std::vector<intake::RowKey>& rows) { waiting_.RushJob(rows); }
  void MoveJobUp(const std::vector<intake::RowKey>& rows) { waiting_.MoveJobUp(rows); }
  void MoveJobDown(const std::vector<intake::RowKey>& rows) { waiting_.MoveJobDown(rows); }
  bool KillJobs(const std::vector<intake::RowKey>& rows,
                const std::function<bool(const std::string&)>& confirm);
  void CancelAllRipJobs() { ripQueues_.CancelAllRipJobs(); }
  // "Clear": the error state back to no error.
  void ClearError() { rt_.errors.SetErrorState(0, "No error.."); }

  // RIP commands (RIP index 0 to 3): the run switch, "Start all", "Stop all",
  // "Re-load RIP logs".
  void ToggleRip(int ripIndex) { tracking_.ToggleRip(ripIndex); }
  void StartAllRips() { tracking_.StartAll(); }
  void StopAllRips() { tracking_.StopAll(); }
  void ReloadRipLogs() { tracking_.ReloadRipLogs(); }

 private:
  core::Workers MakeWorkers();

  core::Runtime rt_;
  intake::WaitingJobs waiting_;
  intake::RipQueues ripQueues_;
  intake::ScannerDatabase noDatabase_;
  intake::PdfRewriter noPdf_;
  riptrack::RipServices noRipServices_;
  riptrack::RipTracking tracking_;
  std::unique_ptr<intake::InputScanner> scanner_;
  std::unique_ptr<core::WorkerThreads> startup_;
};

}  // namespace vellora::engine
