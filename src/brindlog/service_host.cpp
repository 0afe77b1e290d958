// Installing, removing and running the daemon.
#include "brindlog/service_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "brindlog/jmf_writer.h"
#include "platform/files.h"
#include "platform/pacing.h"
#include "platform/process.h"
#include "platform/system.h"

namespace vellora::brindlog {
namespace {

bool Systemctl(const ServiceManager& m, std::vector<std::string> args) {
  args.insert(args.begin(), m.systemctl);
  int code = -1;
  return platform::RunHiddenAndWait(args, &code) && code == 0;
}

std::string QuoteForUnit(const std::string& path) {
  if (path.find_first_of(" \t\"\\") == std::string::npos) return path;
  std::string out = "\"";
  for (char c : path) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

ServiceManager ServiceManager::FromEnvironment() {
  ServiceManager m;
  if (auto v = platform::GetEnvironment("BRINDLOG_UNIT_DIR"); v && !v->empty()) m.unitFolder = *v;
  if (auto v = platform::GetEnvironment("BRINDLOG_SYSTEMCTL"); v && !v->empty()) m.systemctl = *v;
  return m;
}

std::string UnitFileText(const std::string& executable, const std::string& configFile) {
  std::string text = "[Unit]\n";
  text += "Description=" + std::string(kServiceDisplay) + "\n";
  text += "After=network-online.target remote-fs.target\n\n";
  text += "[Service]\nType=simple\n";
  text += "ExecStart=" + QuoteForUnit(executable) + "\n";
  if (!configFile.empty()) {
    text += "Environment=" + QuoteForUnit("BRINDLOG_CONFIG=" + configFile) + "\n";
  }
  text += "Restart=on-failure\n\n";
  text += "[Install]\nWantedBy=multi-user.target\n";
  return text;
}

bool InstallService(const ServiceManager& m, const std::vector<std::string>& folders,
                    DebugLog& log) {
  if (!Systemctl(m, {"show-environment"})) {
    log.Write("Couldn't open service manager");
    return false;
  }
  std::string exe = platform::ExecutablePath();
  if (exe.empty()) {
    log.Write("GetModuleFileName failed");
    return false;
  }
  Parameters p;
  if (folders.size() >= 2) {
    p.RipInstallFolder = folders[0];
    p.XMLfolder = folders[1];
  }
  std::string config = ParametersFilePath();
  // An installation that was ended while writing may have left its temporaries.
  if (size_t slash = config.find_last_of('/'); slash != std::string::npos && slash > 0) {
    platform::RemoveStaleTemporaries(config.substr(0, slash));
  }
  platform::RemoveStaleTemporaries(m.unitFolder);
  if (!SaveParameters(config, p)) {
    log.Write("Couldn't write the parameters to %s", config.c_str());
    return false;
  }
  auto env = platform::GetEnvironment("BRINDLOG_CONFIG");
  if (!platform::ReplaceAtomically(m.UnitPath(), UnitFileText(exe, env ? config : "")) ||
      !Systemctl(m, {"daemon-reload"}) || !Systemctl(m, {"enable", "brindlog.service"})) {
    log.Write("Couldn't create service");
    return false;
  }
  if (!Systemctl(m, {"start", "brindlog.service"})) {
    log.Write("Couldn't start service");
    return false;
  }
  return true;
}

bool UninstallService(const ServiceManager& m, DebugLog& log) {
  if (!Systemctl(m, {"show-environment"})) {
    log.Write("Couldn't open service manager");
    return false;
  }
  if (!platform::IsRegularFile(m.UnitPath())) {
    log.Write("Couldn't open service");
    return false;
  }
  Systemctl(m, {"stop", "brindlog.service"});
  Systemctl(m, {"disable", "brindlog.service"});
  if (!platform::DeleteFile(m.UnitPath())) {
    log.Write("Service could not be deleted");
    return false;
  }
  Systemctl(m, {"daemon-reload"});
  return true;
}

int RunService(const PassFactory& makePass, double timeScale) {
  DebugLog log;
  platform::PathRoots roots = platform::CurrentPathRoots();
  Parameters p = LoadParameters(ParametersFilePath(), log, &roots);
  platform::SetPathRoots(roots);
  if (!platform::IsEnterableDirectory(p.RipInstallFolder)) {
    log.Write("Illegal Rip folder %s\r\n", p.RipInstallFolder.c_str());
  }
  if (!JmfWriter::IsUsableFolder(p.XMLfolder)) {
    log.Write("Illegal XML log folder %s\r\n", p.XMLfolder.c_str());
  }
  log.Write("Registry settings: RipInstallFolder=%s", p.RipInstallFolder.c_str());
  log.Write("Registry settings: XMLfolder=%s", p.XMLfolder.c_str());
  std::printf("%s: following %s, writing to %s\n", kServiceName,
              platform::ToOsPath(p.RipInstallFolder).c_str(),
              platform::ToOsPath(p.XMLfolder).c_str());
  std::fflush(stdout);

  // A RIP's inUse file held by another user's process is invisible to an unprivileged
  // daemon: said once, in the debug log and in the journal.
  platform::SetInUseProblemReporter([&log](const std::string& line) {
    log.Write("%s", line.c_str());
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  });
  std::unique_ptr<PassRunner> runner = makePass ? makePass(p, log) : nullptr;
  for (;;) {
    // The stop control is seen after the wait and the pass in progress: a signal
    // during the wait ends it early, and the pass still runs; one that arrives
    // during the pass ends the loop right after it, with no further pass.
    // At least a millisecond: at time scale 0 the loop still waits between passes
    // instead of spinning.
    int sig = platform::WaitForTerminationSignal(std::max(1L, static_cast<long>(5000 * timeScale)));
    if (runner) runner->RunPassAndWriteStatus();
    if (sig != 0 || platform::WaitForTerminationSignal(0) != 0) break;
  }
  platform::SetInUseProblemReporter(nullptr);
  std::printf("%s: stopped\n", kServiceName);
  return 0;
}

int RunCommandLine(int argc, char** argv, const PassFactory& makePass) {
  platform::BlockTerminationSignals();
  if (argc <= 1) return RunService(makePass, platform::Pacer::ScaleFromEnvironment());
  DebugLog installerLog;  // Debug is the built-in 0 here: nothing is written
  ServiceManager m = ServiceManager::FromEnvironment();
  if (std::strcmp(argv[1], "-i") == 0) {
    std::vector<std::string> folders;
    if (argc > 3) folders = {argv[2], argv[3]};
    bool ok = InstallService(m, folders, installerLog);
    std::printf(ok ? "\n\nService Installed Sucessfully\n" : "\n\nError Installing Service\n");
    return 0;
  }
  if (std::strcmp(argv[1], "-d") == 0) {
    bool ok = UninstallService(m, installerLog);
    std::printf(ok ? "\n\nService UnInstalled Sucessfully\n" : "\n\nError UnInstalling Service\n");
    return 0;
  }
  std::printf(
      "\n\nUnknown Switch Usage\n\nFor Install use %s.exe -i\n\nFor UnInstall use %s.exe -d\n",
      kServiceName, kServiceName);
  return 0;
}

}  // namespace vellora::brindlog
