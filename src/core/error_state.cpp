// The error state and its state file.
#include "core/error_state.h"

#include <cstdio>

#include "platform/files.h"

namespace vellora::core {

ErrorState::ErrorState(const SettingsHandle& settings, Display& display)
    : settings_(settings), display_(display) {}

std::string ErrorState::StateFilePath(const SettingsStore& store) {
  return store.Rips[0].RIPswPath + "\\tmp\\quillonstate.txt";
}

void ErrorState::SetErrorState(int flag, const std::string& text) {
  std::lock_guard lock(mutex_);
  display_.SetErrorLamp(flag != 0 ? Lamp::Red : Lamp::Green);
  text_ = flag != 0 ? text : "No errors..";
  display_.SetErrorText(text_, flag != 0);
  flag_ = flag;
  display_.Redraw();

  auto store = settings_.Get();
  char content[256];
  std::snprintf(content, sizeof content, "%d%s", flag, text.c_str());
  platform::CreateOrReplace(StateFilePath(*store), content);
}

std::string ErrorState::Text() const {
  std::lock_guard lock(mutex_);
  return text_;
}

int ErrorState::CheckFoldersAndClearError() {
  auto store = settings_.Get();
  bool failed = false;
  for (int s = 0; s < store->NumberOfSpoolers; ++s) {
    const Spooler& sp = store->Spoolers[s];
    if (sp.Enable != 0 && !platform::IsEnterableDirectory(sp.InputSpool)) failed = true;
  }
  for (const RipSlot& rip : store->Rips) {
    if (rip.UseRIP != 0 && !platform::IsEnterableDirectory(rip.RIPswPath)) failed = true;
  }
  if (failed) return 0;
  SetErrorState(0, "No error..");
  return 1;
}

}  // namespace vellora::core
