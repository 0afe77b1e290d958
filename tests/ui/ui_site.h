// A site for the window's tests: a program folder with Vellora.ini, input and spool
// folders in a temporary folder, ripsim RIPs, and the engine under a MainWindow shown
// offscreen, with the Display chain of the vellora program (QtDisplay to
// WindowDisplay). Waits run the Qt event loop, so the engine's calls reach the window
// while the test waits.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/production_ports.h"
#include "engine/unconnected.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "tap_display.h"
#include "ui/dialog_opener.h"
#include "ui/main_window.h"
#include "ui/qt_display.h"
#include "ui/window_display.h"

namespace vellora::test {

class UiSite {
 public:
  UiSite();
  ~UiSite();

  TempDir dir;
  std::string Path(const std::string& name) const { return dir / name; }

  // Writes Vellora.ini: section Setup with the lines given (joined with CR LF).
  void WriteIni(const std::vector<std::string>& setupLines);
  // Starts ripsim on sw with these spool folders (made if missing); paused: its input
  // is closed from the start. Returns once it has logged its start.
  bool StartRip(const std::string& sw, const std::vector<std::string>& spools, bool paused,
                const std::vector<std::string>& extra = {});
  void StopRips();

  // The window, its display chain and the engine, started. production: the engine
  // has the ports of the vellora program (the production database of DSN, the RIP side
  // on it, the operator mail and the server switch); otherwise none is connected.
  void StartEngine(ui::DialogOpener* dialogs = nullptr, bool production = false);
  // Every command given so far has run and its display calls have reached the window.
  void Settle();
  // Runs the event loop until the condition holds (true) or the time-out passes.
  static bool Until(const std::function<bool()>& condition, int timeoutMs = 30000);
  engine::View Snap();

  ui::MainWindow& Window() { return *window_; }
  engine::Engine& Engine() { return *engine_; }
  ui::QtDisplay& Display() { return *display_; }
  ui::WindowDisplay& GuiDisplay() { return *windowDisplay_; }
  // What reached the window (scanner captions, lamps, texts; not the bars' steps).
  RecordingDisplay& Reached() { return tap_->record; }
  // Stops the engine (through the window's close) and waits for the handshake.
  bool CloseWindow();

 private:
  ui::NoDialogs noDialogs_;
  platform::Pacer pacer_{0.01};
  engine::Unconnected nothing_;
  core::SharedState shared_;
  std::unique_ptr<ui::MainWindow> window_;
  ui::WindowDisplay* windowDisplay_ = nullptr;
  std::unique_ptr<TapDisplay> tap_;
  std::unique_ptr<ui::QtDisplay> display_;
  // The production ports, when asked for; they outlive the engine.
  std::unique_ptr<engine::ProductionPorts> production_;
  std::unique_ptr<engine::Engine> engine_;
  std::vector<std::unique_ptr<ChildProcess>> rips_;
};

// Written under a hidden name and renamed, so the scanner never sees half a file.
void DropFile(const std::string& folder, const std::string& name);
int CountFiles(const std::string& folder);

}  // namespace vellora::test
