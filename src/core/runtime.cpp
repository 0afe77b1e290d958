// The shared run-time state.
#include "core/runtime.h"

#include "core/settings_io.h"

namespace vellora::core {

Runtime::Runtime(Display& displayIn, platform::Pacer& pacerIn, std::string folder)
    : owned_(std::make_unique<SharedState>()),
      display(displayIn),
      pacer(pacerIn),
      programFolder(std::move(folder)),
      iniPath(IniPathFor(programFolder)),
      settings(owned_->settings),
      logs(owned_->logs),
      alerts(noAlerts_),
      errors(settings, displayIn) {}

Runtime::Runtime(Display& displayIn, platform::Pacer& pacerIn, std::string folder,
                 SharedState& shared)
    : display(displayIn),
      pacer(pacerIn),
      programFolder(std::move(folder)),
      iniPath(IniPathFor(programFolder)),
      settings(shared.settings),
      logs(shared.logs),
      alerts(noAlerts_),
      errors(settings, displayIn) {}

Runtime::Runtime(Display& displayIn, platform::Pacer& pacerIn, std::string folder,
                 SharedState& shared, Alerts& alertsIn)
    : display(displayIn),
      pacer(pacerIn),
      programFolder(std::move(folder)),
      iniPath(IniPathFor(programFolder)),
      settings(shared.settings),
      logs(shared.logs),
      alerts(alertsIn),
      errors(settings, displayIn) {}

void Runtime::ShowSpoolerIcon(int spooler, SpoolerIcon icon) {
  std::lock_guard lock(spoolerIcons_);
  auto s = settings.Get();
  if (spooler < 0 || spooler >= s->NumberOfSpoolers) return;
  display.SetSpoolerIcon(
      spooler, s->Spoolers[static_cast<size_t>(spooler)].Enable == 0 ? SpoolerIcon::Disabled : icon);
}

}  // namespace vellora::core
