// The server switch and the poller on the production database.
#include "engine/production_database_control.h"

#include "db/remote_control.h"
#include "db/server_switch.h"

namespace vellora::engine {

ProductionDatabaseControl::ProductionDatabaseControl(db::DatabaseMgr& mainDb,
                                                     db::DatabaseMgr::Timeouts timeouts)
    : mainDb_(mainDb), timeouts_(timeouts) {}

ServerSwitchResult ProductionDatabaseControl::SwitchServer(bool backup, core::Runtime& rt) {
  db::SwitchOutcome out = db::SwitchServer(backup, mainDb_, rt);
  return {out.connected, out.serverText, out.connected ? out.message : out.error};
}

void ProductionDatabaseControl::RunRemoteControlPoller(
    core::Runtime& rt, const std::function<void(core::RipIndex)>& toggle, std::mutex& runSwitch) {
  db::RemoteControlPoller poller(rt, toggle, &runSwitch, timeouts_);
  poller.Run();
}

}  // namespace vellora::engine
