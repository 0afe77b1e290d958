// The program's error state: one flag and one text, shown by the error lamp and text,
// blinked and sounded by the beeper, and mirrored into the state file
// tmp\quillonstate.txt under the first RIP's SW folder for other programs to read.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "core/display.h"
#include "core/settings.h"

namespace vellora::core {

class ErrorState {
 public:
  ErrorState(const SettingsHandle& settings, Display& display);

  // Sets the flag (0 = no error) and the text, shows them and writes the state file
  // ("%d%s", at most 255 characters, no line break). A state file that cannot be
  // written is skipped silently.
  void SetErrorState(int flag, const std::string& text);

  // Tests that every enabled spooler's input folder and every used RIP's SW folder
  // can be entered (no echo is sent) and clears the error state when all can.
  // Returns 1 when all could, else 0.
  int CheckFoldersAndClearError();

  int Flag() const { return flag_.load(); }
  // Only the flag, without showing anything (the end of start-up resets it so).
  void ResetFlag() { flag_ = 0; }
  std::string Text() const;

  static std::string StateFilePath(const SettingsStore& store);

 private:
  const SettingsHandle& settings_;
  Display& display_;
  std::atomic<int> flag_{0};
  mutable std::mutex mutex_;  // orders the text and the state-file writes
  std::string text_ = "No errors..";
};

}  // namespace vellora::core
