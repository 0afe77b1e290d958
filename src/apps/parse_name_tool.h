// vellora-headless --parse-name: shows how a spooler's renaming and naming convention
// read one job name, for the people who set the conventions up.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "identify/identify_context.h"

namespace vellora::apps {

struct ParseNameOptions {
  std::string name;
  int spooler = 1;  // counted from 1, as in the keys
  std::string now;  // YYYY-MM-DD, empty: today
};

// Noon of a local date written YYYY-MM-DD (the tools' --now); empty when the text is no
// such date.
std::optional<int64_t> ParseToolDay(const std::string& text);

// The clock of the tools that read a name as the scanner would: today, or noon of
// --now. Empty, with the reason on err, when --spooler or --now is out of range.
std::optional<identify::Clock> ToolClock(const ParseNameOptions& options, FILE* err);

// Reads Vellora.ini of the program folder, renames and parses the name with the
// spooler's settings and prints "Renamed=..." and one "Field=Value" line per field
// of the identity to out; the log lines the run writes go to err. Returns 0, 1 when
// the date is illegal, 2 when the options or the settings do not allow a parse.
int RunParseName(const std::string& programFolder, const ParseNameOptions& options, FILE* out,
                 FILE* err);

}  // namespace vellora::apps
