// The production database's main and backup servers: which data source a
// connection takes, and the operator's switch between them.
#pragma once

#include <string>

#include "core/runtime.h"
#include "core/settings.h"
#include "db/database_mgr.h"

namespace vellora::db {

struct ServerTarget {
  std::string dataSource;
  std::string user;
  std::string password;
};

// DSN2, DSNuser2, DSNpw2 when backup is set, else DSN, DSNuser, DSNpw.
ServerTarget ServerFor(const core::SettingsStore& settings, bool backup);
// The server UseBackup selects: what every connect of the scanner, the RIP monitors
// and the poller takes.
inline ServerTarget CurrentServer(const core::SettingsStore& settings) {
  return ServerFor(settings, settings.UseBackup != 0);
}

// The kind of process a RIP is registered as.
constexpr int kRipProcessKind = 10;

// What the switch did, for the dialog to show.
struct SwitchOutcome {
  bool connected = false;
  std::string error;       // the connect error, shown with the error icon
  std::string serverText;  // "Backup server" or "Main server", when connected
  std::string message;     // "Connected to backup server" or "Connected to main server"
};

// The operator's switch: UseBackup becomes the choice at once (published in the
// settings, also when the connection then fails, so every thread follows it at its
// next connection); the main manager is disconnected and connected to the chosen
// server with the setting KeepConnection, as one operation on the manager. When that works, every
// RIP in use is registered again (its ProcessId stored) and "Usebackup" in section System of
// Vellora.ini records the choice. Blocks for the connection: run it off the window
// thread.
SwitchOutcome SwitchServer(bool backup, DatabaseMgr& mainDb, core::Runtime& rt);

}  // namespace vellora::db
