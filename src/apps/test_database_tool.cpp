// vellora-headless --test-database.
#include "apps/test_database_tool.h"

#include <vector>

#include "core/logs.h"
#include "core/settings_io.h"
#include "db/database_mgr.h"
#include "db/server_switch.h"

namespace vellora::apps {

int RunTestDatabase(const std::string& programFolder, bool backup, FILE* out, FILE* err) {
  std::vector<std::string> warnings;
  core::SettingsStore settings = core::LoadSettings(core::IniPathFor(programFolder), &warnings);
  core::LogWriters logs;
  logs.Configure(programFolder, settings.Logging != 0, settings.DBerrorLogging != 0);

  db::ServerTarget target = db::ServerFor(settings, backup);
  db::DatabaseMgr manager(logs);
  std::string error;
  if (!manager.Connect(target.dataSource, target.user, target.password, 1, error)) {
    std::fprintf(err, "%s\n", error.c_str());
    return 1;
  }
  std::fprintf(out, "Connection OK\n");
  return 0;
}

}  // namespace vellora::apps
