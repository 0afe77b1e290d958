// The engine as both front-ends run it: the shared run-time state, the start-up and
// the subsystems' thread bodies wired together. The window and the headless program
// differ only in the Display they hand in.
#pragma once

#include <memory>
#include <string>

#include "core/display.h"
#include "core/pacing.h"
#include "core/runtime.h"
#include "core/startup.h"

namespace vellora::apps {

class Engine {
 public:
  Engine(core::Display& display, core::Pacer& pacer, std::string programFolder);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The whole start-up; returns once the worker threads run.
  void Start();
  // Ends every thread (waits end at once) and returns when they have.
  void Stop();

  core::Runtime& runtime() { return rt_; }
  core::Startup& startup() { return startup_; }

 private:
  core::Workers MakeWorkers();

  core::Runtime rt_;
  core::Startup startup_;
};

}  // namespace vellora::apps
