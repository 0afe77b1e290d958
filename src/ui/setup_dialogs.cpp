// Opening the setup dialogs and applying what they accepted.
#include "ui/setup_dialogs.h"

#include "core/settings_edit.h"
#include "engine/engine.h"
#include "ui/config_backup.h"
#include "ui/config_database.h"
#include "ui/config_rip.h"
#include "ui/config_spoolers.h"
#include "ui/dialog_commands.h"
#include "ui/window_display.h"

namespace vellora::ui {
namespace {

// Whether a RIP was taken into or out of use or renamed: what the RIP panels show.
bool RipPanelsChanged(const core::SettingsStore& a, const core::SettingsStore& b) {
  for (size_t r = 0; r < a.Rips.size(); ++r) {
    if ((a.Rips[r].UseRIP != 0) != (b.Rips[r].UseRIP != 0)) return true;
    if (a.Rips[r].RIPName != b.Rips[r].RIPName) return true;
  }
  return false;
}

}  // namespace

SetupDialogs::SetupDialogs() = default;
SetupDialogs::~SetupDialogs() = default;

DialogCommands& SetupDialogs::Commands(engine::Engine& engine) {
  if (commands_ == nullptr || &commands_->Engine() != &engine) {
    commands_ = std::make_unique<DialogCommands>(engine, *results_);
  }
  return *commands_;
}

void SetupDialogs::OpenBackupServer(QWidget* parent, engine::Engine& engine) {
  if (results_ == nullptr) return;
  CConfigBackup dialog(pictures_, engine.Settings()->UseBackup != 0, Commands(engine), parent);
  dialog.exec();
}

void SetupDialogs::OpenGeneralSetup(QWidget* parent, engine::Engine& engine) {
  const auto original = engine.Settings();
  CConfigRip dialog(pictures_, *original, parent);
  if (dialog.exec() != QDialog::Accepted) return;
  engine::SetupScope scope;
  // The panels show which RIPs are in use and their names: a change there is shown
  // at once, not only after the next "Setup input....".
  scope.ripConfiguration = RipPanelsChanged(*original, dialog.Edited());
  // Each RIP in use is registered in the production database again, its process id
  // kept, after the save.
  scope.registerRips = true;
  engine.ApplySetup(core::ChangedSettings(*original, dialog.Edited()), scope);
}

void SetupDialogs::OpenInputSetup(QWidget* parent, engine::Engine& engine) {
  const auto original = engine.Settings();
  CConfigSpoolers dialog(pictures_, *original, parent);
  if (dialog.exec() != QDialog::Accepted) return;
  engine::SetupScope scope;
  scope.ripConfiguration = true;
  scope.inputFolders = true;
  engine.ApplySetup(core::ChangedSettings(*original, dialog.Edited()), scope);
}

void SetupDialogs::OpenDatabaseSetup(QWidget* parent, engine::Engine& engine) {
  if (results_ == nullptr) return;
  const auto original = engine.Settings();
  CConfigDatabase dialog(pictures_, *original, Commands(engine), parent);
  if (dialog.exec() != QDialog::Accepted) return;
  engine::SetupScope scope;
  // Both managers connected to the main server with the values stored (PollTime was
  // raised to 1 by the dialog).
  scope.databaseConnection = true;
  engine.ApplySetup(core::ChangedSettings(*original, dialog.Edited()), scope);
}

}  // namespace vellora::ui
