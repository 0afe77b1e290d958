// SetupDialogs: the setup dialogs behind the main window's menu entries. Each opens
// its dialog modally on a copy of the engine's settings and, when it is closed with
// OK, gives the engine the values the operator changed (ChangedSettings against the
// copy it started from, so that what the engine changed meanwhile stays), with what
// else that setup brings about: the RIP configuration and input folders again after
// "Setup input....", the RIPs registered again after "General setup....", the
// database connections after "Setup database....". The engine saves Vellora.ini and
// reports the save to the window, which shows a save that failed.
#pragma once

#include <memory>

#include "ui/dialog_opener.h"
#include "ui/pictures.h"

namespace vellora::ui {

class DialogCommands;
class WindowDisplay;

class SetupDialogs final : public DialogOpener {
 public:
  SetupDialogs();
  ~SetupDialogs() override;

  // The window's display, whose signals bring the results of the dialogs' engine
  // commands; set once the window and its display exist, before a dialog opens.
  void SetResults(WindowDisplay& results) { results_ = &results; }

  void OpenBackupServer(QWidget* parent, engine::Engine& engine) override;
  void OpenGeneralSetup(QWidget* parent, engine::Engine& engine) override;
  void OpenInputSetup(QWidget* parent, engine::Engine& engine) override;
  void OpenDatabaseSetup(QWidget* parent, engine::Engine& engine) override;

 private:
  DialogCommands& Commands(engine::Engine& engine);

  Pictures pictures_;
  WindowDisplay* results_ = nullptr;
  std::unique_ptr<DialogCommands> commands_;
};

}  // namespace vellora::ui
