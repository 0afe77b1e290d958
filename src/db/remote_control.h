// The remote-control poller: the workflow system's monitoring program can switch a
// RIP off and on through the Enabled flag of the RIP's process in the production
// database. About every three seconds the poller reads that flag for every RIP in use
// that is registered and, while AllowRemoteControl is set, switches the RIP's run
// state to match it, through the same toggle as the operator's run switch (which
// writes the new state back as the process's enabled flag).
//
// The poller has a connection of its own. It follows the server choice (UseBackup)
// by connecting again when the choice changes, without a disconnect first: a
// connection that still works stays with the server it was opened to until it fails.
#pragma once

#include <functional>
#include <mutex>

#include "core/rip_id.h"
#include "core/runtime.h"
#include "db/database_mgr.h"

namespace vellora::db {

class RemoteControlPoller {
 public:
  // Flips the run state of a RIP exactly as the operator's run switch does.
  using Toggle = std::function<void(core::RipIndex rip)>;

  // runSwitch, when given, is held by every other switch of a RIP's run state (the
  // operator's) from its flip to the write of its enabled flag; the poller holds it
  // from reading a RIP's flag to its toggle.
  RemoteControlPoller(core::Runtime& rt, Toggle toggle, std::mutex* runSwitch = nullptr,
                      DatabaseMgr::Timeouts timeouts = DatabaseMgr::Timeouts());

  // The thread body: the first connection, then passes until the program stops.
  void Run();
  // The first connection, on the server UseBackup names, with keep-connection 1.
  void Begin();
  // One pass: the pause (not before the first pass), the reconnection when it is
  // needed or the server choice changed, then the poll of every registered RIP in
  // use. False when the program is stopping.
  bool Pass();

  bool ReconnectNeeded() const { return reconnectNeeded_; }
  int PollerBackupChoice() const { return pollerBackupChoice_; }
  bool FirstPass() const { return firstPass_; }

 private:
  bool Pause();
  void Poll(const core::SettingsStore& s);

  core::Runtime& rt_;
  Toggle toggle_;
  std::mutex* runSwitch_;
  DatabaseMgr db_;
  bool reconnectNeeded_ = true;
  int pollerBackupChoice_ = 0;
  bool firstPass_ = true;
};

}  // namespace vellora::db
