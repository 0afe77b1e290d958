// The headless program's Display: one readable status line per change on standard
// output. Repeated values are not printed again, and the progress animations are not
// printed step by step, so the console shows what happened rather than every frame.
#pragma once

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "core/display.h"

namespace vellora::apps {

class ConsoleDisplay : public core::Display {
 public:
  explicit ConsoleDisplay(std::FILE* out = stdout) : out_(out) {}

  void SetScannerCaption(const std::string& caption) override;
  void SetScannerLamp(core::Lamp) override {}
  void FillInputFolders(const std::vector<core::InputFolderItem>& items) override;
  void SetSpoolerIcon(int spooler, core::SpoolerIcon icon) override;
  void SetErrorText(const std::string& text, bool error) override;
  void SetRipTitle(int rip, const std::string& title) override;
  void SetRipLamp(int rip, core::RipLamp which, core::Lamp lamp) override;
  void SetRipSwitch(int rip, bool on, bool enabled) override;
  void SetRipStatusText(int rip, const std::string& text) override;
  void SetRipProgress(int rip, int lower, int upper, int position) override;
  void SetRipQueueBar(int rip, const std::string& caption, int upper, int position) override;
  void WaitingRowInserted(int index, const core::WaitingRow& row) override;
  void WaitingRowRemoved(int index, const core::WaitingRow& row) override;
  void QueuedRowAdded(int index, const core::QueuedRow& row) override;
  void QueuedRowRemoved(int index, const core::QueuedRow& row) override;
  void RipJobRowAdded(int rip, int index, const core::RipJobRow& row) override;

 private:
  // Prints the line unless the same key last printed the same value.
  void Changed(const std::string& key, const std::string& value, const std::string& line);
  void Print(const std::string& line);

  std::FILE* out_;
  std::mutex mutex_;
  std::map<std::string, std::string> last_;
};

}  // namespace vellora::apps
