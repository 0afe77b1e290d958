// The external command of a spooler.
#include "intake/external_command.h"

#include "platform/paths.h"
#include "platform/process.h"

namespace vellora::intake {
namespace {

std::string Substitute(const std::string& text, const std::string& source,
                       const std::string& input) {
  // One scan, so that a path that itself holds "%i" is not expanded again.
  std::string out;
  for (size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '%' && k + 1 < text.size()) {
      char c = text[k + 1];
      if (c == 'f' || c == 'o') {
        out += source;
        ++k;
        continue;
      }
      if (c == 'i') {
        out += input;
        ++k;
        continue;
      }
    }
    out += text[k];
  }
  return out;
}

}  // namespace

std::string ExpandCommandLine(const std::string& commandFile, const std::string& sourcePath,
                              const std::string& inputPath) {
  return Substitute(commandFile, sourcePath, inputPath);
}

bool RunExternalCommand(const std::string& commandFile, const std::string& sourcePath,
                        const std::string& inputPath, core::LogWriters& logs,
                        const platform::StopCheck& stop, bool* cutShort) {
  if (cutShort != nullptr) *cutShort = false;
  std::string source = platform::ToOsPath(sourcePath);
  std::string input = inputPath.empty() ? std::string() : platform::ToOsPath(inputPath);
  std::string expanded = Substitute(commandFile, source, input);
  if (expanded.size() > kMaxCommandLine) {
    logs.LogMessage("Create Process for external script file failed. (%s)", expanded.c_str());
    return false;
  }
  std::vector<std::string> argv = platform::SplitWindowsCommandLine(commandFile);
  for (std::string& arg : argv) arg = Substitute(arg, source, input);
  if (!argv.empty()) argv[0] = platform::ToOsPath(argv[0]);
  // Its exit status is not looked at: the job goes on as the command left it.
  platform::RunResult run = platform::RunHiddenUntilStopped(argv, stop);
  if (!run.started) {
    logs.LogMessage("Create Process for external script file failed. (%s)", expanded.c_str());
    return false;
  }
  if (cutShort != nullptr) *cutShort = run.stopped;
  return true;
}

}  // namespace vellora::intake
