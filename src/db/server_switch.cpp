// The server switch.
#include "db/server_switch.h"

#include "platform/profile_file.h"

namespace vellora::db {

ServerTarget ServerFor(const core::SettingsStore& settings, bool backup) {
  if (backup) return {settings.DSN2, settings.DSNuser2, settings.DSNpw2};
  return {settings.DSN, settings.DSNuser, settings.DSNpw};
}

SwitchOutcome SwitchServer(bool backup, DatabaseMgr& mainDb, core::Runtime& rt) {
  SwitchOutcome out;
  std::lock_guard choice(rt.serverChoice);
  rt.settings.Update([&](core::SettingsStore& s) { s.UseBackup = backup ? 1 : 0; });
  auto settings = rt.settings.Get();
  ServerTarget target = ServerFor(*settings, backup);

  // One operation: the scanner must not reopen the old server between the two.
  if (!mainDb.Reconnect(target.dataSource, target.user, target.password, settings->KeepConnection,
                        out.error)) {
    return out;
  }
  out.connected = true;
  for (int n = 0; n < core::kRipCount; ++n) {
    const core::RipSlot& rip = settings->Rips[n];
    if (rip.UseRIP == 0) continue;
    std::string error;
    rt.rips[n].ProcessId.store(
        mainDb.RegisterProcess(kRipProcessKind, rip.RIPName, rip.RIPName, 1, error));
  }
  out.serverText = backup ? "Backup server" : "Main server";
  out.message = backup ? "Connected to backup server" : "Connected to main server";

  // Only this key changes; every other line of the file stays as it was.
  platform::ProfileFile ini;
  ini.Load(rt.iniPath);
  ini.SetString("System", "Usebackup", backup ? "1" : "0");
  ini.Save(rt.iniPath);
  return out;
}

}  // namespace vellora::db
