// Wiring of the engine's subsystems.
#include "engine/engine.h"

#include "net/echo.h"
#include "platform/files.h"

namespace vellora::engine {

Engine::Engine(core::Display& display, platform::Pacer& pacer, std::string programFolder)
    : rt_(display, pacer, std::move(programFolder)),
      waiting_(display),
      ripQueues_(rt_),
      tracking_(rt_, noRipServices_) {
  startup_ = std::make_unique<core::WorkerThreads>(rt_, MakeWorkers());
}

Engine::~Engine() {
  Stop();
}

core::Workers Engine::MakeWorkers() {
  core::Workers w;
  w.inputScanner = [this] {
    // Built on the scanner's own thread, after the settings are loaded: it reads
    // whether a database is configured once, when it starts.
    scanner_ =
        std::make_unique<intake::InputScanner>(rt_, waiting_, ripQueues_, noDatabase_, noPdf_);
    scanner_->Run();
  };
  w.ripMonitor = [this](int rip) { tracking_.RunRipMonitor(rip); };
  return w;
}

bool Engine::KillJobs(const std::vector<intake::RowKey>& rows,
                      const std::function<bool(const std::string&)>& confirm) {
  return waiting_.KillJobs(rows, *rt_.settings.Get(), confirm);
}

void Engine::Start() {
  // Where the echo cannot be sent at all, the program log says how to permit it.
  net::SetEchoProblemReporter(
      [this](const std::string& line) { rt_.logs.LogMessage("%s", line.c_str()); });
  // Where the in-use test cannot see other users' processes, it says so once.
  platform::SetInUseProblemReporter(
      [this](const std::string& line) { rt_.logs.LogMessage("%s", line.c_str()); });
  startup_->Initialise();
}

void Engine::Stop() {
  if (startup_) startup_->Shutdown();
}

}  // namespace vellora::engine
