// The --parse-name tool of vellora-headless.
#include "apps/parse_name_tool.h"

#include <optional>
#include <vector>

#include "core/logs.h"
#include "core/settings_io.h"
#include "identify/job_name.h"
#include "identify/regex_renaming.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace vellora::apps {
namespace {

std::string LocalDay(int64_t t) {
  const platform::LocalTime l = platform::ToLocal(t);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2d", l.year, l.month, l.day);
  return buf;
}

}  // namespace

std::optional<int64_t> ParseToolDay(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  const int year = std::stoi(text.substr(0, 4));
  const int month = std::stoi(text.substr(5, 2));
  const int day = std::stoi(text.substr(8, 2));
  const auto noon = platform::MakeLocalTime(year, month, day, 12, 0, 0);
  if (!noon) return std::nullopt;
  // mktime would roll 2026-02-31 over into March; a date must name itself.
  const platform::LocalTime back = platform::ToLocal(*noon);
  if (back.year != year || back.month != month || back.day != day) return std::nullopt;
  return noon;
}

std::optional<identify::Clock> ToolClock(const ParseNameOptions& options, FILE* err) {
  if (options.spooler < 1 || options.spooler > core::kMaxSpoolers) {
    std::fprintf(err, "vellora-headless: --spooler takes a number from 1 to %d\n",
                 core::kMaxSpoolers);
    return std::nullopt;
  }
  if (options.now.empty()) return identify::SystemClock();
  const auto day = ParseToolDay(options.now);
  if (!day) {
    std::fprintf(err, "vellora-headless: --now takes a date YYYY-MM-DD from 1970 to 3000\n");
    return std::nullopt;
  }
  return identify::FixedClock(*day);
}

int RunParseName(const std::string& programFolder, const ParseNameOptions& options, FILE* out,
                 FILE* err) {
  const std::optional<identify::Clock> toolClock = ToolClock(options, err);
  if (!toolClock) return 2;
  const identify::Clock& clock = *toolClock;

  const std::string ini = core::IniPathFor(programFolder);
  std::vector<std::string> warnings;
  const core::SettingsStore store = core::LoadSettings(ini, &warnings);
  for (const auto& w : warnings) std::fprintf(err, "%s", w.c_str());
  const core::Spooler& sp = store.Spoolers[static_cast<size_t>(options.spooler - 1)];
  if (options.spooler > store.NumberOfSpoolers) {
    // Only the spoolers in use are read from the file.
    std::fprintf(err, "vellora-headless: spooler %d is not in use (NumberOfSpoolers=%d in %s)\n",
                 options.spooler, store.NumberOfSpoolers, platform::ToOsPath(ini).c_str());
    return 2;
  }
  if (options.name.empty() || sp.NameConv.empty()) {
    // The lookup refuses these too; say which one is missing.
    if (options.name.empty()) {
      std::fprintf(err, "vellora-headless: the job name is empty\n");
    } else {
      std::fprintf(err,
                   "vellora-headless: spooler %d has no naming convention (NameConv%d in %s)\n",
                   options.spooler, options.spooler, platform::ToOsPath(ini).c_str());
    }
    return 2;
  }

  // The log lines of the run are shown, not written into the program folder's logs.
  core::LogWriters logs;
  logs.Configure(programFolder, true, true);
  logs.RedirectTo([err](std::string_view line) {
    if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") line.remove_suffix(2);
    std::fprintf(err, "log: %.*s\n", static_cast<int>(line.size()), line.data());
  });
  const identify::IdentifyContext context{store, logs, clock};

  const int spooler = options.spooler - 1;
  const identify::RenameResult renamed =
      identify::ApplyRegexRenaming(options.name, spooler, context);
  identify::JobIdentity id;
  const bool dateOk = identify::ParseJobName(renamed.name, spooler, id, context);
  std::fflush(err);

  std::fprintf(out, "Renamed=%s\n", renamed.name.c_str());
  const std::pair<const char*, const std::string*> texts[] = {
      {"Publication", &id.Publication},
      {"Edition", &id.Edition},
      {"Section", &id.Section},
      {"Issue", &id.Issue},
      {"LocationGroup", &id.LocationGroup},
      {"Color", &id.Color},
      {"PageName", &id.PageName},
      {"PlanPageName", &id.PlanPageName},
      {"Date", &id.Date},
  };
  for (const auto& [field, value] : texts) std::fprintf(out, "%s=%s\n", field, value->c_str());
  std::fprintf(out, "WeekNumber=%d\n", id.WeekNumber);
  std::fprintf(out, "PubDate=%s\n", LocalDay(id.PubDate).c_str());
  std::fprintf(out, "PreviousYearDate=%s\n", LocalDay(id.PreviousYearDate).c_str());
  std::fprintf(out, "IllegalDate=%d\n", dateOk ? 0 : 1);
  std::fflush(out);
  return dateOk ? 0 : 1;
}

}  // namespace vellora::apps
