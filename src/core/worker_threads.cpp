// The start-up sequence, the RIP configuration and the beeper.
#include "core/worker_threads.h"

#include <cstdio>

#include "core/settings_io.h"
#include "platform/files.h"
#include "platform/profile_file.h"

namespace vellora::core {

namespace {
const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
}  // namespace

std::string FormatStartupMessage(const platform::LocalTime& t) {
  char when[128];
  std::snprintf(when, sizeof when, "%s, %s %.2d %.4d at %.2d:%.2d:%.2d ",
                kWeekdays[(t.weekday % 7 + 7) % 7], kMonths[(t.month - 1 + 12) % 12], t.day, t.year,
                t.hour, t.minute, t.second);
  return std::string("Quillon started on ") + when + "\r\n";
}

platform::PathRoots ReadPlatformRoots(const std::string& iniPath) {
  platform::ProfileFile file;
  file.Load(iniPath);
  platform::PathRoots roots;
  roots.uncRoot = file.GetString("Platform", "UncRoot", roots.uncRoot);
  roots.driveRoot = file.GetString("Platform", "DriveRoot", roots.driveRoot);
  return roots;
}

WorkerThreads::WorkerThreads(Runtime& runtime, Workers workers)
    : rt_(runtime), workers_(std::move(workers)) {}

WorkerThreads::~WorkerThreads() {
  Shutdown();
}

void WorkerThreads::StartThread(std::thread& slot, std::function<void()> body) {
  // After the stop request no thread starts: a stop during start-up ends it.
  if (!body || shutDown_ || rt_.Stopping()) return;
  // A thread that cannot be started is left out; the program runs without it.
  try {
    slot = std::thread(std::move(body));
  } catch (const std::system_error&) {
  }
}

void WorkerThreads::Initialise() {
  Display& d = rt_.display;
  d.InitWindow();

  // Temporaries a crashed run left in the program folder (a Vellora.ini or pointer
  // file half saved); only those of processes that have ended.
  platform::RemoveStaleTemporaries(rt_.programFolder);
  std::vector<std::string> warnings;
  rt_.settings.Publish(LoadSettings(rt_.iniPath, &warnings));
  auto store = rt_.settings.Get();
  rt_.logs.Configure(rt_.programFolder, store->Logging != 0, store->DBerrorLogging != 0);
  for (const std::string& w : warnings) {
    // At once where someone may be watching, and in the log if it is on.
    std::fputs(w.c_str(), stderr);
    rt_.logs.LogMessage("%s", w.c_str());
  }

  d.SetScannerCaption("Idle..");
  d.SetScannerBar(0);
  for (RipIndex i : AllRips()) {
    rt_.rips[i.Slot()].Tracking = 0;
    rt_.rips[i.Slot()].LogPointer = 0;
    bool used = store->Rips[i.Slot()].UseRIP != 0;
    d.SetRipProgress(i, 0, 100, 0);
    d.SetRipQueueBar(i, "Queued: 0", store->MaxOutstandingJobs, 0);
    d.SetRipSwitch(i, false, used);
    d.SetRipLamp(i, RipLamp::Status, used ? Lamp::Red : Lamp::Grey);
    d.SetRipLamp(i, RipLamp::Running, used ? Lamp::Red : Lamp::Grey);
    d.SetRipLamp(i, RipLamp::Input, used ? Lamp::Red : Lamp::Grey);
    d.SetRipLamp(i, RipLamp::Job, Lamp::Grey);
  }
  d.SetErrorLamp(Lamp::Green);
  d.SetErrorText("No errors..", false);

  {
    std::lock_guard lock(threadsMutex_);
    StartThread(beeper_, [this] { RunBeeper(rt_); });
    StartThread(scanner_, workers_.inputScanner);
  }

  rt_.logs.LogMessage("%s", FormatStartupMessage(platform::NowLocal()).c_str());

  ApplyRipConfiguration();
  rt_.errors.ResetFlag();

  FillInputFolders();
  d.LayoutWindow();
  store = rt_.settings.Get();

  if (store->AllowRemoteControl != 0) {
    std::lock_guard lock(threadsMutex_);
    StartThread(poller_, workers_.poller);
  }
}

void WorkerThreads::ApplyRipConfiguration() {
  Display& d = rt_.display;
  auto store = rt_.settings.Get();
  for (RipIndex i : AllRips()) {
    const RipSlot& rip = store->Rips[i.Slot()];
    bool used = rip.UseRIP != 0;
    d.SetRipTitle(i, used ? rip.RIPName : "Not used");
    d.SetRipControlsEnabled(i, used);
    d.SetRipLamp(i, RipLamp::Running, used ? Lamp::Red : Lamp::Grey);
    d.SetRipLamp(i, RipLamp::Input, used ? Lamp::Red : Lamp::Grey);
    d.SetRipLamp(i, RipLamp::Job, used ? Lamp::Yellow : Lamp::Grey);
    d.SetRipLamp(i, RipLamp::Status, used ? Lamp::Green : Lamp::Grey);
    if (used && workers_.ripMonitor) {
      std::lock_guard lock(threadsMutex_);
      // A monitor is started only while its handle is empty, and nothing empties a
      // handle again: a RIP put back into use gets its monitor at the next start.
      if (!monitors_[i.Slot()].joinable() && !shutDown_) {
        // The RIP is tracked before its monitor runs: a first pass that found it
        // untracked would sit out the untracked wait before looking at the RIP.
        rt_.rips[i.Slot()].Tracking = 1;
        StartThread(monitors_[i.Slot()], [this, i] { workers_.ripMonitor(i); });
      }
    }
  }
  for (RipIndex i : AllRips()) {
    bool used = store->Rips[i.Slot()].UseRIP != 0;
    if (!used) {
      rt_.rips[i.Slot()].StopRequested = 1;
      // A stop request cuts this wait short, and the ones for the other RIPs.
      rt_.pacer.Wait(1500);
    }
    rt_.rips[i.Slot()].Tracking = used ? 1 : 0;
    d.SetRipSwitch(i, used, used);
  }
}

void WorkerThreads::FillInputFolders() {
  auto store = rt_.settings.Get();
  std::vector<InputFolderItem> folders;
  for (int s = 0; s < store->NumberOfSpoolers; ++s) {
    folders.push_back({store->Spoolers[s].SetupName, store->Spoolers[s].Enable != 0});
  }
  rt_.display.FillInputFolders(folders);
}

bool WorkerThreads::MonitorStarted(RipIndex rip) const {
  std::lock_guard lock(threadsMutex_);
  return monitors_[rip.Slot()].joinable();
}

void WorkerThreads::Shutdown() {
  std::lock_guard lock(threadsMutex_);
  if (shutDown_) return;
  shutDown_ = true;
  rt_.pacer.RequestStop();
  for (auto& r : rt_.rips) r.StopRequested = 1;
  for (std::thread* t : {&beeper_, &scanner_, &poller_}) {
    if (t->joinable()) t->join();
  }
  for (auto& t : monitors_) {
    if (t.joinable()) t.join();
  }
}

void RunBeeper(Runtime& rt) {
  while (!rt.Stopping()) {
    if (rt.errors.Flag() != 0) {
      if (!rt.pacer.Wait(1500)) break;
      rt.display.SetErrorLamp(Lamp::Dark);
      if (rt.settings.Get()->BeepOnError != 0) {
        for (int frequency = 500; frequency <= 1490; frequency += 15) {
          rt.display.Beep(frequency, 10);
          if (!rt.pacer.Wait(10)) break;
        }
      }
      // The error may have been cleared during the blink; a red lamp must not
      // outlive it.
      rt.display.SetErrorLamp(rt.errors.Flag() != 0 ? Lamp::Red : Lamp::Green);
    }
    // The end of a round, with or without an error: an idle wait, so that the loop
    // blocks between its rounds at every time scale.
    if (!rt.pacer.Idle(1500)) break;
  }
}

}  // namespace vellora::core
