// The server switch and the remote-control poller on the production database: the
// switch on the main manager (shared with the scanner and the window thread), the
// poller on a manager of its own for the life of its thread.
#pragma once

#include "db/database_mgr.h"
#include "engine/database_control.h"

namespace vellora::engine {

class ProductionDatabaseControl final : public DatabaseControl {
 public:
  // timeouts: those of the poller's own manager.
  explicit ProductionDatabaseControl(db::DatabaseMgr& mainDb,
                                     db::DatabaseMgr::Timeouts timeouts = {});

  ServerSwitchResult SwitchServer(bool backup, core::Runtime& rt) override;
  void RunRemoteControlPoller(core::Runtime& rt, const std::function<void(core::RipIndex)>& toggle,
                              std::mutex& runSwitch) override;

 private:
  db::DatabaseMgr& mainDb_;
  const db::DatabaseMgr::Timeouts timeouts_;
};

}  // namespace vellora::engine
