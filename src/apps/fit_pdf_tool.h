// vellora-headless --fit-pdf: rewrites one PDF in place as the scanner does before a
// delivery, scaled or trimmed to a page size, for administrators who check a setup's
// files or mend one by hand.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vellora::apps {

// args: "scale" or "trim", the file, the width and the height in mm. The temporary
// file lies in programFolder; section Platform of its Vellora.ini says where Windows
// paths are found. The log lines the run writes go to err, prefixed "log: ".
// Returns 0 after the rewrite (a line on out says what was done), 1 when the rewrite
// failed (its error text on err, the file as it was), 2 for arguments that are no
// such request (the reason and the usage on err).
int RunFitPdf(const std::string& programFolder, const std::vector<std::string>& args, FILE* out,
              FILE* err);

}  // namespace vellora::apps
