// The window's test site.
#include "ui_site.h"

#include <signal.h>

#include <filesystem>

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace vellora::test {

namespace fs = std::filesystem;

UiSite::UiSite() = default;

UiSite::~UiSite() {
  // The engine first (it reports to the display, which reports to the window).
  engine_.reset();
  production_.reset();
  if (tap_ != nullptr && tap_->offGuiThread != 0) {
    ADD_FAILURE() << tap_->offGuiThread << " display calls reached the window off the GUI thread";
  }
  display_.reset();
  tap_.reset();
  window_.reset();
  StopRips();
}

void UiSite::WriteIni(const std::vector<std::string>& setupLines) {
  std::string text = "[Setup]\r\n";
  for (const std::string& line : setupLines) text += line + "\r\n";
  WriteFile(dir / "Vellora.ini", text);
}

bool UiSite::StartRip(const std::string& sw, const std::vector<std::string>& spools, bool paused,
                      const std::vector<std::string>& extra) {
  MakeDirs(sw);
  std::vector<std::string> args = {"--sw", sw, "--rip-ms", "20", "--poll-ms", "20"};
  for (const std::string& s : spools) {
    MakeDirs(s);
    args.push_back("--spool");
    args.push_back(s);
  }
  if (paused) args.push_back("--paused");
  args.insert(args.end(), extra.begin(), extra.end());
  auto rip = std::make_unique<ChildProcess>();
  const std::string log = sw + ".out";
  if (!rip->Start(Ripsim(), args, log)) return false;
  rips_.push_back(std::move(rip));
  return WaitForRipsimStarted(sw);
}

void UiSite::StopRips() {
  for (auto& rip : rips_) rip->Signal(SIGTERM);
  for (auto& rip : rips_) rip->Wait(5000);
  rips_.clear();
}

void UiSite::StartEngine(ui::DialogOpener* dialogs, bool production) {
  window_ = std::make_unique<ui::MainWindow>(dialogs != nullptr ? *dialogs : noDialogs_);
  windowDisplay_ = new ui::WindowDisplay(*window_);
  tap_ = std::make_unique<TapDisplay>(windowDisplay_);
  display_ = std::make_unique<ui::QtDisplay>(*tap_);
  if (production) {
    // As the vellora program has them.
    production_ = std::make_unique<engine::ProductionPorts>(shared_, pacer_);
    engine_ = std::make_unique<engine::Engine>(engine::EnginePorts{
        production_->database, nothing_.pdf, production_->rip, *display_, pacer_, shared_,
        dir.path(), &production_->mail, &production_->control});
  } else {
    engine_ = std::make_unique<engine::Engine>(engine::EnginePorts{
        nothing_.database, nothing_.pdf, nothing_.rip, *display_, pacer_, shared_, dir.path()});
  }
  window_->SetEngine(engine_.get());
  window_->show();
  engine_->Start();
}

void UiSite::Settle() {
  engine_->WaitUntilIdle();
  Until([this] { return display_->Delivered(); }, 20000);
}

bool UiSite::Until(const std::function<bool()>& condition, int timeoutMs) {
  return QTest::qWaitFor(condition, timeoutMs);
}

engine::View UiSite::Snap() {
  Settle();
  return engine_->Snapshot();
}

bool UiSite::CloseWindow() {
  bool stopped = false;
  QObject scope;  // ends the connection with this call
  QObject::connect(window_.get(), &ui::MainWindow::engineStopped, &scope,
                   [&stopped] { stopped = true; });
  window_->close();
  return Until([&] { return stopped; }, 20000);
}

void DropFile(const std::string& folder, const std::string& name) {
  WriteFile(folder + "/." + name, "%!PS\n" + name + "\n");
  fs::rename(folder + "/." + name, folder + "/" + name);
}

int CountFiles(const std::string& folder) {
  int n = 0;
  std::error_code ec;
  for (auto& e : fs::directory_iterator(folder, ec)) {
    if (e.is_regular_file() && e.path().filename().string()[0] != '.') ++n;
  }
  return n;
}

}  // namespace vellora::test
