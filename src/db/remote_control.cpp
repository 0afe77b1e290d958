// The remote-control poller's passes.
#include "db/remote_control.h"

#include "db/server_switch.h"

namespace vellora::db {

namespace {
constexpr int kPauseSteps = 3;
constexpr int kPauseStepMs = 1000;
}  // namespace

RemoteControlPoller::RemoteControlPoller(core::Runtime& rt, Toggle toggle, std::mutex* runSwitch,
                                         DatabaseMgr::Timeouts timeouts)
    : rt_(rt), toggle_(std::move(toggle)), runSwitch_(runSwitch), db_(rt.logs, timeouts) {}

void RemoteControlPoller::Run() {
  Begin();
  while (Pass()) {
  }
}

void RemoteControlPoller::Begin() {
  const ServerTarget target = CurrentServer(*rt_.settings.Get());
  std::string error;
  reconnectNeeded_ = !db_.Connect(target.dataSource, target.user, target.password, 1, error);
  pollerBackupChoice_ = 0;
  firstPass_ = true;
}

bool RemoteControlPoller::Pause() {
  for (int step = 0; step < kPauseSteps; ++step) {
    // The last step ends the round: it blocks at every time scale.
    const bool waited =
        step + 1 < kPauseSteps ? rt_.pacer.Wait(kPauseStepMs) : rt_.pacer.Idle(kPauseStepMs);
    if (!waited) return false;
  }
  return true;
}

bool RemoteControlPoller::Pass() {
  if (!firstPass_ && !Pause()) return false;
  if (rt_.Stopping()) return false;
  const std::shared_ptr<const core::SettingsStore> settings = rt_.settings.Get();
  const core::SettingsStore& s = *settings;
  if (reconnectNeeded_ || s.UseBackup != pollerBackupChoice_) {
    reconnectNeeded_ = false;
    pollerBackupChoice_ = s.UseBackup;
    const ServerTarget target = CurrentServer(s);
    std::string error;
    if (!db_.Connect(target.dataSource, target.user, target.password, 1, error)) {
      reconnectNeeded_ = true;
      firstPass_ = false;
      return true;
    }
  }
  Poll(s);
  firstPass_ = false;
  return true;
}

void RemoteControlPoller::Poll(const core::SettingsStore& s) {
  for (core::RipIndex rip : core::AllRips()) {
    if (rt_.Stopping()) return;
    if (s.Rips[rip.Slot()].UseRIP == 0) continue;
    const int processId = rt_.rips[rip.Slot()].ProcessId;
    if (processId <= 0) continue;
    // The flag is read, compared and followed in one step with respect to every other
    // switch of the run state: an operator's switch flips the state first and writes
    // the flag after, and a flag read in between would switch it straight back.
    std::unique_lock<std::mutex> lock;
    if (runSwitch_ != nullptr) lock = std::unique_lock<std::mutex>(*runSwitch_);
    int enabled = 0;
    std::string error;
    const int r = db_.GetProcessEnabled(processId, enabled, error);
    if (r == 0) {
      reconnectNeeded_ = true;
      firstPass_ = false;
      continue;
    }
    // A query that failed (-1: no connection, or a database error, which dropped the
    // connection for the next statement to open again) says nothing about the flag:
    // taken as "disabled" it would switch every running RIP off for the length of
    // an outage, and the toggle would write that into the process table, where it
    // would stay after the database came back.
    if (r < 0) continue;
    // Enabled is a flag: any value but 0 means on.
    const bool wanted = enabled != 0;
    const bool tracking = rt_.rips[rip.Slot()].Tracking != 0;
    if (s.AllowRemoteControl != 0 && tracking != wanted && !rt_.Stopping()) toggle_(rip);
  }
}

}  // namespace vellora::db
