// vellora-headless --lookup: the production lookup of one job name against the
// site's database, as the scanner makes it, for administrators who set up naming
// conventions, aliases and the plan.
#pragma once

#include <cstdio>
#include <string>

#include "apps/parse_name_tool.h"

namespace vellora::apps {

// Reads Vellora.ini of the program folder, connects the main database manager to the
// server UseBackup selects (keep-connection 1), loads the name lists, connects the
// name manager, and looks the name up with spooler options.spooler's settings and the
// status argument -1, so that nothing is written to the database. The log lines of
// the run go to err; out gets "Status=", "Class=" (unknown, color, mono),
// "SeparationSet=", "PublicationID=", "ArchiveKey=", "Priority=" and, for a page
// found, "PageFormat=", "PageWidth=", "PageHeight=", "PageBleed=", one per line.
// Returns 0 for a page found, 1 for an unknown one, 2 for bad options or settings
// and when the database cannot be asked.
int RunLookup(const std::string& programFolder, const ParseNameOptions& options, FILE* out,
              FILE* err);

}  // namespace vellora::apps
