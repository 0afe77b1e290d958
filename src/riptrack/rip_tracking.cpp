// The monitor threads' entry and the operator's RIP commands.
#include "riptrack/rip_tracking.h"

#include "riplog/log_pointer.h"

namespace vellora::riptrack {

RipTracking::RipTracking(core::Runtime& rt, RipServices& services)
    : rt_(rt), services_(services), lists_(rt.display) {}

std::unique_ptr<RipMonitor> RipTracking::NewMonitor(core::RipIndex rip) {
  if (!rip.Valid()) return nullptr;
  return std::make_unique<RipMonitor>(rt_, rip, lists_, services_, reloads_[rip.Slot()]);
}

int RipTracking::RunRipMonitor(core::RipIndex rip) {
  std::unique_ptr<RipMonitor> monitor = NewMonitor(rip);
  return monitor ? monitor->Run() : 0;
}

void RipTracking::ToggleRip(core::RipIndex rip) {
  if (!rip.Valid()) return;
  core::RipSlotRuntime& slot = rt_.rips[rip.Slot()];
  // One atomic flip: the window and the remote-control poller may both toggle.
  int was = slot.Tracking.load();
  while (!slot.Tracking.compare_exchange_weak(was, was != 0 ? 0 : 1)) {
  }
  const bool running = was == 0;
  const bool used = rt_.settings.Get()->Rips[rip.Slot()].UseRIP != 0;
  rt_.display.SetRipLamp(rip, core::RipLamp::Status,
                         running && used ? core::Lamp::Green : core::Lamp::Grey);
  rt_.display.SetRipSwitch(rip, running, used);
  if (!used) return;
  // An unregistered RIP has no row in the process table to update.
  int processId = slot.ProcessId;
  if (processId > 0) services_.UpdateProcessOnMain(processId, running ? 1 : 0, -1, "", "");
}

void RipTracking::StartAll() {
  auto s = rt_.settings.Get();
  for (core::RipIndex i : core::AllRips()) {
    if (s->Rips[i.Slot()].UseRIP != 0 && rt_.rips[i.Slot()].Tracking == 0) ToggleRip(i);
  }
}

void RipTracking::StopAll() {
  auto s = rt_.settings.Get();
  for (core::RipIndex i : core::AllRips()) {
    if (s->Rips[i.Slot()].UseRIP != 0 && rt_.rips[i.Slot()].Tracking != 0) ToggleRip(i);
  }
}

void RipTracking::ReloadRipLogs() {
  auto s = rt_.settings.Get();
  for (int i = 0; i < core::kRipCount; ++i) {
    if (s->Rips[static_cast<size_t>(i)].UseRIP == 0) continue;
    reloads_[static_cast<size_t>(i)].Request(riplog::VelloraPointerPath(rt_.programFolder, i));
  }
}

}  // namespace vellora::riptrack
