// The setup dialogs as the main window reaches them: one hook per menu entry that
// opens a dialog. The window calls the hook with itself as the parent and the engine
// the dialog works on (Settings() to copy, ApplySetup() when it closes with OK). The
// dialogs themselves live elsewhere; NoDialogs opens nothing, for a window built
// without them.
#pragma once

class QWidget;

namespace vellora::engine {
class Engine;
}

namespace vellora::ui {

class DialogOpener {
 public:
  virtual ~DialogOpener() = default;
  // File: "Change to/from backup" (the backup/main server selection).
  virtual void OpenBackupServer(QWidget* parent, engine::Engine& engine) = 0;
  // Configuration: "General setup...." (the RIP definitions).
  virtual void OpenGeneralSetup(QWidget* parent, engine::Engine& engine) = 0;
  // Configuration: "Setup input...." (the spoolers).
  virtual void OpenInputSetup(QWidget* parent, engine::Engine& engine) = 0;
  // Configuration: "Setup database...." (the workflow database connection).
  virtual void OpenDatabaseSetup(QWidget* parent, engine::Engine& engine) = 0;
};

class NoDialogs final : public DialogOpener {
 public:
  void OpenBackupServer(QWidget*, engine::Engine&) override {}
  void OpenGeneralSetup(QWidget*, engine::Engine&) override {}
  void OpenInputSetup(QWidget*, engine::Engine&) override {}
  void OpenDatabaseSetup(QWidget*, engine::Engine&) override {}
};

}  // namespace vellora::ui
