// The monitor of one RIP: the body of its thread. Every pass it reaches the RIP's SW
// folder, shows the progress of the job being ripped, finds out whether the RIP
// program runs and whether its input is open, reads what is new in the RIP's log,
// runs the lines through the job state machine, reports each finished job, shows the
// job state and stores the log position. What it finds is the run-time side of the
// RIP's slot (InputOpen above all, which the input scanner reads) and the RIP's panel
// in the window; the production database's process table hears of it too.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/runtime.h"
#include "riplog/keyword_line.h"
#include "riplog/log_text.h"
#include "riplog/pointer_store.h"
#include "riptrack/job_parser.h"
#include "riptrack/log_reload.h"
#include "riptrack/rip_job_lists.h"
#include "riptrack/rip_services.h"

namespace vellora::riptrack {

// The pass's waits, in milliseconds, as the pacer takes them.
inline constexpr int kPassWaitMs = 5000;         // after a normal pass
inline constexpr int kNotTrackingWaitMs = 4000;  // while the RIP is not followed
inline constexpr int kLogOpenFailureWaitMs = 10000;
inline constexpr int kReconnectWaitMs = 2000;  // before the database is connected again
// Between two of the nine attempts to reach the SW folder. A folder on a host that
// does not answer already costs a second per attempt; a local folder that is gone
// fails at once, and without this pause the monitor would spin through its passes,
// setting the error state thousands of times a second.
inline constexpr int kFolderAttemptPauseMs = 100;
inline constexpr int kFolderAttempts = 9;

class RipMonitor {
 public:
  enum class PassEnd {
    Next,              // the pass is done (or was cut short); the next one follows
    Stopped,           // a stop was requested: the thread ends and returns 1
    AllocationFailed,  // no buffer for the log: the thread ends and returns 0
  };

  // reload counts the operator's "Re-load RIP logs" for this RIP: when it has
  // changed since the last read, the next read starts afresh whatever the pointer
  // file says (a pass that was running when the file was deleted may have written it
  // again).
  RipMonitor(core::Runtime& rt, core::RipIndex rip, RipJobLists& lists, RipServices& services,
             LogReload& reload);

  // The thread body: Begin, then passes until a stop request (1) or a failed buffer
  // allocation (0).
  int Run();

  // The start of the thread: the stop request and InputOpen cleared, the running and
  // input lamps red and the job lamp yellow, the parser's texts cleared, the
  // temporaries of ended processes cleared from the program folder, the monitor's own
  // database connection opened and marked for connecting.
  void Begin();
  // One pass, its waits included.
  PassEnd RunPass();

  const JobParser& parser() const { return parser_; }
  core::RipIndex ripIndex() const { return rip_; }

 private:
  PassEnd RunPassSteps();
  // Every wait shows the status text first: what the pass has shown so far must be
  // on the panel while the monitor waits.
  bool Wait(int ms);
  // The same for a wait after which the pass (or the next attempt) starts over
  // whatever it finds: an idle wait, which never returns at once.
  bool Idle(int ms);
  // The status text is shown when the pass ends or waits, not at every step: the
  // "Idle" of the pass's start is replaced by the job's name a moment later while a
  // job is open, and a panel (or a console) would flicker between the two on every
  // pass. What the panel shows between passes stays as each step sets it.
  void SetStatus(const std::string& text);
  void ShowStatus();
  // One process-table report (only for a registered RIP); a failed call has the
  // connection made again at the next pass.
  void Report(int state, const std::string& currentJob, const std::string& message);
  bool ReachSwFolder(const core::RipSlot& rip);
  void ShowProgress(const std::string& swFolder);
  bool IsRipRunning(const core::SettingsStore& s, const std::string& swFolder);
  void DecideInputOpen(const core::SettingsStore& s, bool running, const std::string& logPath);
  // The lines of the read through the state machine; returns the advanced pointer.
  int64_t ReadLines(const riplog::LogText& text, int64_t storedPointer,
                    const core::SettingsStore& s);
  void ShowJobState(bool running, const std::string& swFolder);
  // Stores the log position; the first time the pointer file cannot be written,
  // says so in the program log and the error state.
  void SavePointer(int64_t pointer);

  core::Runtime& rt_;
  const core::RipIndex rip_;
  RipJobLists& lists_;
  RipServices& services_;
  LogReload& reload_;
  unsigned reloadSeen_ = 0;
  std::unique_ptr<RipConnection> connection_;
  bool reconnect_ = true;
  bool firstRead_ = true;  // no read of the log has been made since the thread began
  std::string pendingStatus_;
  bool statusPending_ = false;
  riplog::PointerStore pointer_;
  JobParser parser_;
  riplog::KeywordLine line_{riplog::Deliverable::Vellora};
};

}  // namespace vellora::riptrack
