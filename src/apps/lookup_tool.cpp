// The --lookup tool of vellora-headless.
#include "apps/lookup_tool.h"

#include <vector>

#include "core/runtime.h"
#include "core/settings_io.h"
#include "db/server_switch.h"
#include "engine/production_database.h"
#include "identify/production_lookup.h"
#include "platform/paths.h"

namespace vellora::apps {

int RunLookup(const std::string& programFolder, const ParseNameOptions& options, FILE* out,
              FILE* err) {
  const std::optional<identify::Clock> toolClock = ToolClock(options, err);
  if (!toolClock) return 2;
  const identify::Clock& clock = *toolClock;

  const std::string ini = core::IniPathFor(programFolder);
  std::vector<std::string> warnings;
  core::SettingsStore store = core::LoadSettings(ini, &warnings);
  for (const auto& w : warnings) std::fprintf(err, "%s", w.c_str());
  const std::string shownIni = platform::ToOsPath(ini);
  if (options.spooler > store.NumberOfSpoolers) {
    std::fprintf(err, "vellora-headless: spooler %d is not in use (NumberOfSpoolers=%d in %s)\n",
                 options.spooler, store.NumberOfSpoolers, shownIni.c_str());
    return 2;
  }
  const core::Spooler& sp = store.Spoolers[static_cast<size_t>(options.spooler - 1)];
  if (options.name.empty()) {
    std::fprintf(err, "vellora-headless: the job name is empty\n");
    return 2;
  }
  if (sp.NameConv.empty()) {
    std::fprintf(err, "vellora-headless: spooler %d has no naming convention (NameConv%d in %s)\n",
                 options.spooler, options.spooler, shownIni.c_str());
    return 2;
  }
  if (store.DSN.empty() || store.DSNuser.empty()) {
    std::fprintf(err, "vellora-headless: no production database is set up (DSN, DSNuser in %s)\n",
                 shownIni.c_str());
    return 2;
  }
  if (sp.UseDatabase == 0) {
    std::fprintf(err,
                 "vellora-headless: note: spooler %d does not look its jobs up (UseDatabase%d=0); "
                 "looked up all the same\n",
                 options.spooler, options.spooler);
  }

  core::SharedState shared;
  // The log lines of the run are shown, not written into the program folder's logs.
  shared.logs.Configure(programFolder, true, true);
  shared.logs.RedirectTo([err](std::string_view line) {
    if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") line.remove_suffix(2);
    std::fprintf(err, "log: %.*s\n", static_cast<int>(line.size()), line.data());
  });
  shared.settings.Publish(store);
  engine::ProductionDatabase database(shared, clock);

  // What the scanner's connection step does: the main manager, the lists, the name
  // manager; the registration of RIPs is left out, since it writes.
  const db::ServerTarget server = db::CurrentServer(store);
  std::string error;
  if (!database.Connect(server.dataSource, server.user, server.password, error)) {
    std::fflush(err);
    std::fprintf(err, "vellora-headless: %s\n", error.c_str());
    return 2;
  }
  if (!database.LoadNames(error)) {
    std::fflush(err);
    std::fprintf(err, "vellora-headless: the name lists cannot be loaded: %s\n", error.c_str());
    return 2;
  }
  database.ConnectSecond(server.dataSource, server.user, server.password);

  const identify::LookupResult r =
      database.LookupJob(options.name, options.spooler - 1, identify::kNoStatusUpdate, 50);
  if (!r.databaseReached) {
    std::fflush(err);
    std::fprintf(err, "vellora-headless: the database did not answer; the job is not judged\n");
    return 2;
  }
  const bool found = r.separationSet > 0;
  double width = 0, height = 0, bleed = 0;
  std::string pageFormat;
  if (found) {
    pageFormat = database.PageFormat(r.separationSet, width, height, bleed, error);
    if (!error.empty()) std::fprintf(err, "vellora-headless: page format: %s\n", error.c_str());
  }
  std::fflush(err);

  std::fprintf(out, "Status=%d\n", r.status);
  std::fprintf(out, "Class=%s\n", identify::LookupClassWord(r.status));
  std::fprintf(out, "SeparationSet=%d\n", r.separationSet);
  std::fprintf(out, "PublicationID=%d\n", r.publicationId);
  std::fprintf(out, "ArchiveKey=%s\n", r.archiveKey.c_str());
  std::fprintf(out, "Priority=%d\n", r.priority);
  if (found) {
    std::fprintf(out, "PageFormat=%s\n", pageFormat.c_str());
    std::fprintf(out, "PageWidth=%g\n", width);
    std::fprintf(out, "PageHeight=%g\n", height);
    std::fprintf(out, "PageBleed=%g\n", bleed);
  }
  std::fflush(out);
  return found ? 0 : 1;
}

}  // namespace vellora::apps
