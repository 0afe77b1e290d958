// The engine's port for what it asks of the production database besides the
// scanner's work: the operator's switch between the main and the backup server (the
// "Backup/Main server selection" dialog) and the remote-control poller's thread. The
// production database adapter fills it in; the engine's unconnected port stands in
// where there is no database.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "core/rip_id.h"
#include "core/runtime.h"

namespace vellora::engine {

// What the server switch did, for the dialog to show.
struct ServerSwitchResult {
  bool connected = false;
  std::string serverText;  // "Backup server" or "Main server", when connected
  std::string message;     // the confirmation, or the connection's error text
};

class DatabaseControl {
 public:
  virtual ~DatabaseControl() = default;
  // UseBackup becomes the choice (also when the connection then fails), the main
  // connection is made anew to the chosen server, and on success every RIP in use is
  // registered again and the choice recorded in Vellora.ini. Blocks for the
  // connection: the engine runs it on its command worker.
  virtual ServerSwitchResult SwitchServer(bool backup, core::Runtime& rt) = 0;
  // The body of the remote-control poller's thread: returns when the program stops.
  // toggle flips a RIP's run state as the operator's run switch does; runSwitch is
  // held by the operator's switches from the flip to the write of the enabled flag,
  // and must be held by the poller from reading a RIP's flag to toggling it.
  virtual void RunRemoteControlPoller(core::Runtime& rt,
                                      const std::function<void(core::RipIndex)>& toggle,
                                      std::mutex& runSwitch) = 0;
};

}  // namespace vellora::engine
