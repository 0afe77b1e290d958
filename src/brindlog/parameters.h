// The daemon's parameters. On Windows they are registry values under
// Software\Korvath\Brindlog\Parameters; here they are the same value names in
// section Parameters of an INI file, /etc/brindlog/Parameters.ini unless
// BRINDLOG_CONFIG names another. Section Platform of the same file says where
// Windows-style paths are found (UncRoot, DriveRoot).
#pragma once

#include <string>

#include "brindlog/debug_log.h"
#include "platform/paths.h"

namespace vellora::brindlog {

extern const char kServiceName[];     // "Brindlog"
extern const char kServiceDisplay[];  // "Korvath Harlequin RIP logger"
extern const char kParametersKey[];   // the registry key's name, for messages

struct Parameters {
  std::string RipInstallFolder = "c:\\Rip\\SW";
  std::string XMLfolder = "c:\\temp";
  std::string DebugFilePath = "c:\\Brindlog.log";
  int Debug = 0;
  int UsePageSetupNameAsSubDirectory = 0;
};

std::string ParametersFilePath();

// Reads the parameters as the service does at start: DebugFilePath, XMLfolder,
// RipInstallFolder, Debug, UsePageSetupNameAsSubDirectory, in that order, with the
// fallbacks for missing values and the messages for a missing file or RIP folder.
// The log's switch and path follow the values as they are read.
Parameters LoadParameters(const std::string& file, DebugLog& log, platform::PathRoots* roots);

// Writes all five values (creating the file and its folder when needed). Every
// other line of an existing file stays as it was.
bool SaveParameters(const std::string& file, const Parameters& p);

}  // namespace vellora::brindlog
