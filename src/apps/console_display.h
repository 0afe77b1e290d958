// The headless program's Display: one readable status line per change on standard
// output. Repeated values are not printed again, and the progress animations are not
// printed step by step, so the console shows what happened rather than every frame.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "core/display.h"

namespace vellora::apps {

class ConsoleDisplay final : public core::Display {
 public:
  explicit ConsoleDisplay(std::FILE* out = stdout) : out_(out) {}

  // Returns once the engine has said that every thread has ended.
  void WaitUntilEngineStopped();

  // Not shown on a console: window set-up and layout, redraws, the scanner's bar and
  // lamp, tones, selections and panel enabling.
  void InitWindow() override {}
  void Redraw() override {}
  void LayoutWindow() override {}
  void SetScannerBar(int) override {}
  void SetErrorLamp(core::Lamp) override {}
  void Beep(int, int) override {}
  void SetRipControlsEnabled(core::RipIndex, bool) override {}
  void WaitingRowSelected(int) override {}
  void RipJobRowRemoved(core::RipIndex, int) override {}

  void SetScannerCaption(const std::string& caption) override;
  void SetScannerLamp(core::Lamp) override {}
  void FillInputFolders(const std::vector<core::InputFolderItem>& items) override;
  void SetSpoolerIcon(int spooler, core::SpoolerIcon icon) override;
  void SetErrorText(const std::string& text, bool error) override;
  void SetRipTitle(core::RipIndex rip, const std::string& title) override;
  void SetRipLamp(core::RipIndex rip, core::RipLamp which, core::Lamp lamp) override;
  void SetRipSwitch(core::RipIndex rip, bool on, bool enabled) override;
  void SetRipStatusText(core::RipIndex rip, const std::string& text) override;
  void SetRipProgress(core::RipIndex rip, int lower, int upper, int position) override;
  void SetRipQueueBar(core::RipIndex rip, const std::string& caption, int upper,
                      int position) override;
  void WaitingRowInserted(int index, const core::WaitingRow& row) override;
  void WaitingRowRemoved(int index, const core::WaitingRow& row) override;
  void QueuedRowAdded(int index, const core::QueuedRow& row) override;
  void QueuedRowRemoved(int index, const core::QueuedRow& row) override;
  void RipJobRowAdded(core::RipIndex rip, int index, const core::RipJobRow& row) override;
  void SettingsSaved(bool ok, const std::string& error) override;
  void DatabaseTested(bool ok, const std::string& text) override;
  void ServerSwitched(bool connected, const std::string& serverText,
                      const std::string& message) override;
  void TestMailSent(bool ok, const std::string& lastError) override;
  void EngineStopped() override;

 private:
  // Prints the line unless the same key last printed the same value.
  void Changed(const std::string& key, const std::string& value, const std::string& line);
  void Print(const std::string& line);

  std::FILE* out_;
  std::mutex mutex_;
  std::map<std::string, std::string> last_;
  std::condition_variable stoppedChanged_;
  bool stopped_ = false;
};

}  // namespace vellora::apps
