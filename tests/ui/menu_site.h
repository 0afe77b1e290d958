// A window's test site with the setup dialogs behind its menu: the engine started,
// the dialogs given the window's display for their commands' results, and a way to
// run one dialog from its menu entry.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QAction>

#include <gtest/gtest.h>

#include "core/settings_io.h"
#include "dialog_driver.h"
#include "ui/setup_dialogs.h"
#include "ui_site.h"

namespace vellora::test {

inline void Trigger(ui::MainWindow& w, const char* action) {
  QAction* a = w.findChild<QAction*>(action);
  ASSERT_NE(a, nullptr) << action;
  a->trigger();
}

// A site with the setup dialogs behind the menu.
struct MenuSite : UiSite {
  ui::SetupDialogs dialogs;
  // No lines: no Vellora.ini at all, as in a new program folder. production: the
  // engine on the ports of the vellora program (UiSite::StartEngine).
  explicit MenuSite(const std::vector<std::string>& ini, bool production = false) {
    if (!ini.empty()) WriteIni(ini);
    StartEngine(&dialogs, production);
    dialogs.SetResults(GuiDisplay());
    UiSite::Until([this] { return Engine().Snapshot().laidOut; });
    Settle();
  }
  std::string Ini() { return ReadFile(dir / "Vellora.ini"); }
  core::SettingsStore Saved() { return core::LoadSettings(dir / "Vellora.ini", nullptr); }
  // Opens the menu entry; step runs in the dialog and closes it. Returns once the
  // engine has applied what the dialog gave it.
  template <class Dialog>
  bool Run(const char* action, std::function<void(Dialog&)> step) {
    WhenOpen<Dialog> when(std::move(step));
    Trigger(Window(), action);
    Settle();
    return when.Ran();
  }
};

// Whether Vellora.ini's text holds the line (a whole line, between line ends).
inline bool Has(const std::string& ini, const std::string& line) {
  return ini.find("\r\n" + line + "\r\n") != std::string::npos;
}

}  // namespace vellora::test
