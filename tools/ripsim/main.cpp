// ripsim: a simulated RIP for the demo, the end-to-end tests and by hand. See --help.
#include <cstdio>

#include "options.h"
#include "platform/files.h"
#include "platform/system.h"
#include "simulator.h"

int main(int argc, char** argv) {
  using namespace vellora;
  // First of all, so that a control signal sent early is queued, not fatal, and a
  // lease break (its in-use tests of spool files) never ends it.
  platform::InitialiseProcess();
  platform::BlockControlSignals();
  ripsim::Options options;
  std::string error;
  if (!ripsim::ParseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "ripsim: %s\n\n%s", error.c_str(), ripsim::kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(ripsim::kUsage, stdout);
    return 0;
  }
  auto wait = [](long timeoutMs) {
    switch (platform::WaitForControlSignal(timeoutMs)) {
      case platform::ControlSignal::Terminate:
        return ripsim::Control::Stop;
      case platform::ControlSignal::User1:
        return ripsim::Control::PauseInput;
      case platform::ControlSignal::User2:
        return ripsim::Control::ResumeInput;
      case platform::ControlSignal::HangUp:
        return ripsim::Control::NewLog;
      case platform::ControlSignal::None:
        break;
    }
    return ripsim::Control::None;
  };
  platform::SetInUseProblemReporter(
      [](const std::string& line) { std::fprintf(stderr, "ripsim: %s\n", line.c_str()); });
  ripsim::Simulator simulator(options, wait, stdout, stderr);
  return simulator.Run();
}
