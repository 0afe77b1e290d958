// The command line of ripsim, the simulated RIP: what a person types and what the
// demo and the end-to-end tests pass.
#pragma once

#include <string>
#include <vector>

namespace vellora::ripsim {

struct Options {
  std::string swFolder;
  std::vector<std::string> spoolFolders;
  std::string setup = "Newsprint 40";
  long ripMs = 2000;
  long pollMs = 500;
  long warnEvery = 0;  // 0: no job is warned
  long failEvery = 0;  // 0: no job fails
  bool paused = false;
  bool crlf = true;
  bool newLog = false;
  bool deleteTaken = false;
  long maxJobs = 0;  // 0: no limit
  std::string networkPath;
  bool quiet = false;
  std::string name = "ripsim";  // prefix of the console lines
  bool help = false;
};

extern const char kUsage[];

// Fills options from argv; false with a one-line reason in error when the command
// line is not usable (unknown option, missing or bad value, no SW or spool folder).
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

}  // namespace vellora::ripsim
