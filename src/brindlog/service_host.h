// The daemon's host: the command line that installs and removes it as a systemd
// service, and the service's own run: read the parameters, check the folders, then
// one scan pass every five seconds until SIGTERM or SIGINT.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "brindlog/debug_log.h"
#include "brindlog/parameters.h"

namespace vellora::brindlog {

// Where the service manager is. BRINDLOG_UNIT_DIR and BRINDLOG_SYSTEMCTL redirect
// them (tests run without systemd).
struct ServiceManager {
  std::string unitFolder = "/etc/systemd/system";
  std::string systemctl = "systemctl";
  static ServiceManager FromEnvironment();
  std::string UnitPath() const { return unitFolder + "/brindlog.service"; }
};

// The text of the unit file for the executable.
std::string UnitFileText(const std::string& executable, const std::string& configFile);

// "-i": writes the parameters (before the service starts, so that its first run
// reads them), writes and enables the unit and starts it. False on any failure, with
// the reason in the debug log.
bool InstallService(const ServiceManager& manager, const std::vector<std::string>& folders,
                    DebugLog& log);
// "-d": stops, disables and removes the unit; the parameters stay.
bool UninstallService(const ServiceManager& manager, DebugLog& log);

// One pass over the RIP and the status file after it.
class PassRunner {
 public:
  virtual ~PassRunner() = default;
  virtual void RunPassAndWriteStatus() = 0;
};
using PassFactory = std::function<std::unique_ptr<PassRunner>(const Parameters&, DebugLog&)>;

// The service itself. timeScale multiplies the five-second wait (tests only).
int RunService(const PassFactory& makePass, double timeScale);

// The whole command line; returns the process's exit code.
int RunCommandLine(int argc, char** argv, const PassFactory& makePass);

}  // namespace vellora::brindlog
