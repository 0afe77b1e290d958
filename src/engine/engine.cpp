// The engine: wiring of the subsystems, the commands and the stop handshake.
#include "engine/engine.h"

#include "core/settings_io.h"
#include "db/database_mgr.h"
#include "net/echo.h"
#include "notify/notifier.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::engine {

Engine::Engine(EnginePorts ports)
    : relay_(ports.display),
      ports_(std::move(ports)),
      mail_(ports_.mail != nullptr ? *ports_.mail : noMail_),
      control_(ports_.control != nullptr ? *ports_.control : noControl_),
      rt_(relay_, ports_.pacer, ports_.programFolder, ports_.shared, mail_),
      waiting_(relay_),
      ripQueues_(rt_),
      tracking_(rt_, ports_.ripServices) {
  threads_ = std::make_unique<core::WorkerThreads>(rt_, MakeWorkers());
}

Engine::~Engine() {
  RequestStop();
  WaitUntilStopped();
}

core::Workers Engine::MakeWorkers() {
  core::Workers w;
  w.inputScanner = [this] {
    // Built on the scanner's own thread, after the settings are loaded: it reads
    // whether a database is configured once, when it starts.
    scanner_ = std::make_unique<intake::InputScanner>(rt_, waiting_, ripQueues_, ports_.database,
                                                      ports_.pdf);
    scanner_->Run();
  };
  w.ripMonitor = [this](core::RipIndex rip) { tracking_.RunRipMonitor(rip); };
  // Started only when AllowRemoteControl is set at start. Its toggle runs on its own
  // thread, as the operator's would on the window's: it waits for nothing but the
  // process update on the main connection.
  w.poller = [this] {
    control_.RunRemoteControlPoller(
        rt_, [this](core::RipIndex rip) { tracking_.ToggleRip(rip); }, runSwitch_);
  };
  return w;
}

void Engine::Post(std::function<void()> command) {
  commands_.Post(std::move(command));
}

void Engine::Start() {
  Post([this] {
    // Where the echo cannot be sent at all, the program log says how to permit it;
    // where the in-use test cannot see other users' processes, it says so once. The
    // reporters are this engine's until it stops.
    net::SetEchoProblemReporter(
        [this](const std::string& line) { rt_.logs.LogMessage("%s", line.c_str()); });
    platform::SetInUseProblemReporter(
        [this](const std::string& line) { rt_.logs.LogMessage("%s", line.c_str()); });
    threads_->Initialise();
  });
}

void Engine::RequestStop() {
  {
    std::lock_guard lock(stateMutex_);
    if (stopRequested_) return;
    stopRequested_ = true;
  }
  // Every paced wait ends now, the start-up's included; the commands already given
  // run to their end (quickly, since they wait no more), then the shutdown.
  rt_.pacer.RequestStop();
  commands_.Close([this] { Shutdown(); });
}

void Engine::Shutdown() {
  threads_->Shutdown();
  // The mails asked for so far end at once now (the stop request cuts their waits),
  // and a test mail's answer comes before the handshake's last call.
  mail_.WaitUntilIdle();
  net::SetEchoProblemReporter(nullptr);
  platform::SetInUseProblemReporter(nullptr);
  relay_.EngineStopped();
  relay_.WaitUntilDelivered();
  {
    std::lock_guard lock(stateMutex_);
    stopped_ = true;
  }
  stoppedChanged_.notify_all();
}

void Engine::WaitUntilStopped() {
  std::unique_lock lock(stateMutex_);
  stoppedChanged_.wait(lock, [this] { return stopped_; });
}

void Engine::WaitUntilIdle() {
  commands_.WaitUntilIdle();
  relay_.WaitUntilDelivered();
}

View Engine::Snapshot() const {
  View v;
  static_cast<PanelsView&>(v) = relay_.Panels();
  v.waiting = waiting_.Rows();
  v.queued = ripQueues_.Rows();
  for (core::RipIndex i : core::AllRips()) {
    v.finished[i.Slot()] = tracking_.jobLists().Rows(i);
    const core::RipSlotRuntime& run = rt_.rips[i.Slot()];
    v.run[i.Slot()] = {run.Tracking != 0, run.InputOpen != 0, run.WaitingCount.load(),
                       run.ProcessId.load()};
  }
  v.errorFlag = rt_.errors.Flag();
  return v;
}

void Engine::RushJob(std::vector<intake::RowKey> rows) {
  Post([this, rows = std::move(rows)] { waiting_.RushJob(rows); });
}

void Engine::MoveJobUp(std::vector<intake::RowKey> rows) {
  Post([this, rows = std::move(rows)] { waiting_.MoveJobUp(rows); });
}

void Engine::MoveJobDown(std::vector<intake::RowKey> rows) {
  Post([this, rows = std::move(rows)] { waiting_.MoveJobDown(rows); });
}

void Engine::KillJobs(std::vector<intake::RowKey> rows) {
  Post([this, rows = std::move(rows)] {
    // The question was the window's; here the answer is yes.
    waiting_.KillJobs(rows, *rt_.settings.Get(), [](const std::string&) { return true; });
  });
}

void Engine::CancelAllRipJobs() {
  Post([this] { ripQueues_.CancelAllRipJobs(); });
}

void Engine::ToggleRip(core::RipIndex rip) {
  Post([this, rip] {
    std::lock_guard lock(runSwitch_);
    tracking_.ToggleRip(rip);
  });
}

void Engine::StartAllRips() {
  Post([this] {
    std::lock_guard lock(runSwitch_);
    tracking_.StartAll();
  });
}

void Engine::StopAllRips() {
  Post([this] {
    std::lock_guard lock(runSwitch_);
    tracking_.StopAll();
  });
}

void Engine::ReloadRipLogs() {
  Post([this] { tracking_.ReloadRipLogs(); });
}

void Engine::ClearError() {
  Post([this] { rt_.errors.SetErrorState(0, "No error.."); });
}

void Engine::ToggleSpooler(int spooler) {
  Post([this, spooler] {
    rt_.settings.Update([&](core::SettingsStore& s) {
      if (spooler < 0 || spooler >= s.NumberOfSpoolers) return;
      core::Spooler& sp = s.Spoolers[static_cast<size_t>(spooler)];
      // The only spooler cannot be switched off by a click.
      sp.Enable = s.NumberOfSpoolers == 1 || sp.Enable == 0 ? 1 : 0;
    });
    rt_.ShowSpoolerIcon(spooler, core::SpoolerIcon::Idle);
  });
}

void Engine::DropFiles(int spooler, std::vector<std::string> paths) {
  Post([this, spooler, paths = std::move(paths)] {
    auto s = rt_.settings.Get();
    if (spooler < 0 || spooler >= s->NumberOfSpoolers) return;
    const core::Spooler& sp = s->Spoolers[static_cast<size_t>(spooler)];
    if (sp.Enable == 0) return;
    for (const std::string& path : paths) {
      if (rt_.Stopping()) return;
      // The desktop names files with "/" here and "\" on Windows.
      size_t cut = path.find_last_of("/\\");
      std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
      if (name.empty()) continue;
      // A copy that fails is not reported.
      platform::CopyFileOverwrite(path, sp.InputSpool + "\\" + name);
    }
  });
}

void Engine::ApplySetup(core::SettingsEdit edit, SetupScope scope) {
  Post([this, edit = std::move(edit), scope] {
    if (edit) rt_.settings.Update(edit);
    auto store = rt_.settings.Get();
    rt_.logs.Configure(rt_.programFolder, store->Logging != 0, store->DBerrorLogging != 0);
    bool saved = core::SaveSettings(rt_.iniPath, *store);
    relay_.SettingsSaved(saved, saved ? "" : "Cannot write " + platform::ToOsPath(rt_.iniPath));
    if (scope.ripConfiguration) threads_->ApplyRipConfiguration();
    if (scope.inputFolders) threads_->FillInputFolders();
    if (scope.databaseConnection) {
      // A manager that is still connected keeps its connection; the scanner sees the
      // changed values itself and connects anew at its next pass.
      std::string error;
      ports_.database.Connect(store->DSN, store->DSNuser, store->DSNpw, error);
      ports_.database.ConnectSecond(store->DSN, store->DSNuser, store->DSNpw);
    }
    if (scope.registerRips) RegisterRips();
  });
}

void Engine::TestDatabase(std::string dsn, std::string user, std::string password) {
  Post([this, dsn = std::move(dsn), user = std::move(user), password = std::move(password)] {
    std::string error;
    bool ok = false;
    {
      // Its own manager, closed again at once: the program's connections stay as
      // they are whatever the test finds.
      db::DatabaseMgr probe(rt_.logs);
      ok = probe.Connect(dsn, user, password, 1, error);
    }
    relay_.DatabaseTested(ok, ok ? "Connection OK" : error);
  });
}

void Engine::RegisterRips() {
  auto store = rt_.settings.Get();
  for (core::RipIndex i : core::AllRips()) {
    const core::RipSlot& rip = store->Rips[i.Slot()];
    if (rip.UseRIP == 0) continue;
    // Stored as it comes back: a failure (-1 or 0) marks the RIP as not registered.
    rt_.rips[i.Slot()].ProcessId = ports_.database.RegisterRip(rip.RIPName);
  }
}

void Engine::SwitchServer(bool backup) {
  Post([this, backup] {
    ServerSwitchResult result = control_.SwitchServer(backup, rt_);
    relay_.ServerSwitched(result.connected, result.serverText, result.message);
  });
}

void Engine::SendTestMail(std::string server, std::string from, std::string to, std::string cc,
                          std::string subject) {
  TestMail mail{std::move(server), std::move(from),    std::move(to),
                std::move(cc),     std::move(subject), notify::kTestMailBody};
  if (mail.subject.empty()) mail.subject = notify::kTestMailSubject;
  // Through the command worker, which only queues it: once the engine has begun to
  // stop, no mail is queued that could answer after the handshake.
  Post([this, mail = std::move(mail)] {
    mail_.SendTestMail(mail, [this](bool ok, const std::string& lastError) {
      relay_.TestMailSent(ok, lastError);
    });
  });
}

void Engine::SaveWindowPosition(int left, int top, int right, int bottom) {
  Post([this, left, top, right, bottom] {
    rt_.settings.Update([&](core::SettingsStore& s) {
      s.Left = left;
      s.Top = top;
      s.Right = right;
      s.Bottom = bottom;
    });
    bool saved = core::SaveWindowPosition(rt_.iniPath, *rt_.settings.Get());
    relay_.SettingsSaved(saved, saved ? "" : "Cannot write " + platform::ToOsPath(rt_.iniPath));
  });
}

}  // namespace vellora::engine
