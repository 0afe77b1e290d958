// Wiring of the engine's subsystems.
#include "apps/engine.h"

namespace vellora::apps {

Engine::Engine(core::Display& display, core::Pacer& pacer, std::string programFolder)
    : rt_(display, pacer, std::move(programFolder)), startup_(rt_, MakeWorkers()) {}

Engine::~Engine() { Stop(); }

core::Workers Engine::MakeWorkers() {
  core::Workers w;
  w.inputScanner = [this] {
    while (rt_.pacer.Wait(1000)) {
    }
  };
  w.ripMonitor = [this](int rip) {
    rt_.rips[rip].StopRequested = 0;
    while (rt_.rips[rip].StopRequested == 0 && rt_.pacer.Wait(500)) {
    }
  };
  return w;
}

void Engine::Start() { startup_.Initialise(); }

void Engine::Stop() { startup_.Shutdown(); }

}  // namespace vellora::apps
