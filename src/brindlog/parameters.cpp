// Reading and writing the daemon's parameters.
#include "brindlog/parameters.h"

#include "platform/files.h"
#include "platform/profile_file.h"
#include "platform/system.h"

namespace vellora::brindlog {

const char kServiceName[] = "Brindlog";
const char kServiceDisplay[] = "Korvath Harlequin RIP logger";
const char kParametersKey[] = "Software\\Korvath\\Brindlog\\Parameters";

namespace {
constexpr char kSection[] = "Parameters";
constexpr size_t kTextLimit = 255;

int Number(const std::string& text) {
  // A 32-bit value, written as decimal text; what does not start with digits is 0.
  long long v = 0;
  size_t i = 0;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && v < (1LL << 32); ++i) {
    v = v * 10 + (text[i] - '0');
  }
  return static_cast<int>(static_cast<uint32_t>(neg ? -v : v));
}
}  // namespace

std::string ParametersFilePath() {
  auto env = platform::GetEnvironment("BRINDLOG_CONFIG");
  return env && !env->empty() ? *env : "/etc/brindlog/Parameters.ini";
}

Parameters LoadParameters(const std::string& file, DebugLog& log, platform::PathRoots* roots) {
  Parameters p;
  log.SetPath(p.DebugFilePath);
  log.SetEnabled(p.Debug != 0);
  platform::ProfileFile ini;
  bool readable = ini.Load(file);
  if (roots != nullptr) {
    roots->uncRoot = ini.GetString("Platform", "UncRoot", roots->uncRoot);
    roots->driveRoot = ini.GetString("Platform", "DriveRoot", roots->driveRoot);
  }
  // A file without the section is what a missing registry key was.
  if (!readable || !ini.HasSection(kSection)) {
    log.Write("CANNOT READ Registry: %s..\r\n", kParametersKey);
    return p;
  }
  auto text = [&](const char* key) -> std::optional<std::string> {
    auto v = ini.Find(kSection, key);
    if (v) v = v->substr(0, kTextLimit);
    return v;
  };
  p.DebugFilePath = text("DebugFilePath").value_or("c:\\Brindlog\\Brindlog.log");
  log.SetPath(p.DebugFilePath);
  p.XMLfolder = text("XMLfolder").value_or("c:\\Brindlog\\logs");
  if (auto v = text("RipInstallFolder")) {
    p.RipInstallFolder = *v;
  } else {
    log.Write("Cannot find reg-entry RipInstallFolder\r\n");
  }
  if (auto v = ini.Find(kSection, "Debug")) p.Debug = Number(*v);
  log.SetEnabled(p.Debug != 0);
  if (auto v = ini.Find(kSection, "UsePageSetupNameAsSubDirectory")) {
    p.UsePageSetupNameAsSubDirectory = Number(*v);
  }
  return p;
}

bool SaveParameters(const std::string& file, const Parameters& p) {
  size_t slash = file.find_last_of('/');
  if (slash != std::string::npos && slash > 0) platform::CreateFolder(file.substr(0, slash));
  platform::ProfileFile ini;
  ini.Load(file);
  ini.SetString(kSection, "RipInstallFolder", p.RipInstallFolder);
  ini.SetString(kSection, "XMLfolder", p.XMLfolder);
  ini.SetString(kSection, "DebugFilePath", p.DebugFilePath);
  ini.SetString(kSection, "Debug", std::to_string(p.Debug));
  ini.SetString(kSection, "UsePageSetupNameAsSubDirectory",
                std::to_string(p.UsePageSetupNameAsSubDirectory));
  return ini.Save(file);
}

}  // namespace vellora::brindlog
