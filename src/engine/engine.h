// The engine: everything the balancer does, with no window. It owns the worker
// threads and every piece of state the window shows; the window (or vellora-headless)
// hands it a Display, gives it commands and reads Snapshot(). The parts it does not
// own (database, PDF rewriting, process table and mail, the pacer, the program
// folder) are passed in as ports.
//
// Start and stop are a handshake: Start() and RequestStop() return at once, and
// Display::EngineStopped() says when every thread has ended. Commands return at once
// too: the work runs on the engine's command worker, in the order given, and its
// results come back through the Display.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/display.h"
#include "core/rip_id.h"
#include "core/runtime.h"
#include "core/settings_edit.h"
#include "core/worker_threads.h"
#include "engine/command_queue.h"
#include "engine/database_control.h"
#include "engine/display_relay.h"
#include "engine/operator_mail.h"
#include "engine/unconnected.h"
#include "engine/view.h"
#include "intake/input_scanner.h"
#include "intake/rip_queues.h"
#include "intake/scanner_services.h"
#include "intake/waiting_jobs.h"
#include "platform/pacing.h"
#include "riptrack/rip_services.h"
#include "riptrack/rip_tracking.h"

namespace vellora::engine {

struct EnginePorts {
  intake::ScannerDatabase& database;
  intake::PdfRewriter& pdf;
  riptrack::RipServices& ripServices;
  core::Display& display;
  platform::Pacer& pacer;
  // The settings and the logs, shared with the adapters behind the ports above.
  core::SharedState& shared;
  // Vellora.ini, the logs and the log-file pointers lie here.
  std::string programFolder;
  // The operator mail (alerts, job mails, the test mail) and the server switch with
  // the remote-control poller; none given: nothing is mailed, no server to switch to.
  OperatorMail* mail = nullptr;
  DatabaseControl* control = nullptr;
};

// What else a setup accepted in a dialog brings about besides the save.
struct SetupScope {
  bool ripConfiguration = false;  // the RIP panels and monitors again ("Setup input....")
  bool inputFolders = false;      // the input folders list again
  // The database setup's OK: the main and the name manager connected to the main
  // server (DSN, DSNuser, DSNpw) with keep-connection 1.
  bool databaseConnection = false;
  // Every RIP in use registered again as a process of the production database, on
  // the main connection, its ProcessId stored ("RIP definitions" closed with OK).
  bool registerRips = false;
};

class Engine {
 public:
  explicit Engine(EnginePorts ports);
  // Requests a stop when none was requested and waits for the handshake.
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The start-up (settings, window set-up, threads, RIP configuration) runs on the
  // command worker; returns at once.
  void Start();
  // Every wait ends at once and no new work starts; the commands given before still
  // run, then every thread is joined and Display::EngineStopped() follows.
  void RequestStop();
  // For main()s and tests: returns once the handshake is complete.
  void WaitUntilStopped();
  // For tests: returns once every command given so far has run and its display calls
  // have been delivered.
  void WaitUntilIdle();

  View Snapshot() const;
  // The settings as they are now, for a dialog to copy.
  std::shared_ptr<const core::SettingsStore> Settings() const { return rt_.settings.Get(); }
  const std::string& ProgramFolder() const { return rt_.programFolder; }

  // Queue commands, on the rows the window has selected (in selection order).
  void RushJob(std::vector<intake::RowKey> rows);
  void MoveJobUp(std::vector<intake::RowKey> rows);
  void MoveJobDown(std::vector<intake::RowKey> rows);
  // Removes the rows and deletes their files; the window has asked "Kill selected
  // job(s)" before. A file someone holds open is left where it is.
  void KillJobs(std::vector<intake::RowKey> rows);
  void CancelAllRipJobs();

  // RIP commands: the run switch, "Start all", "Stop all", "Re-load RIP logs".
  void ToggleRip(core::RipIndex rip);
  void StartAllRips();
  void StopAllRips();
  void ReloadRipLogs();

  // "Clear": the error state back to no error.
  void ClearError();

  // A click on an input folder icon: the spooler's enable flag flips (with a single
  // spooler configured it is always set), in memory only.
  void ToggleSpooler(int spooler);
  // Files dropped on an input folder icon (paths as the desktop gives them): copied
  // into the spooler's input folder under their own names when it is enabled.
  void DropFiles(int spooler, std::vector<std::string> paths);

  // A setup accepted in a dialog: the edit applied to the store as it is then,
  // Vellora.ini saved (Display::SettingsSaved says how that went), then what scope asks.
  void ApplySetup(core::SettingsEdit edit, SetupScope scope);
  // The database setup's "Test..": a manager of its own connects with these values
  // (keep-connection 1) and is closed again; Display::DatabaseTested gets "Connection
  // OK" or the error text.
  void TestDatabase(std::string dsn, std::string user, std::string password);
  // The window's rectangle, written to section Window when the window closes.
  void SaveWindowPosition(int left, int top, int right, int bottom);

  // "Backup/Main server selection": UseBackup becomes the choice and the main
  // connection is made to that server; on success every RIP in use is registered
  // again. Display::ServerSwitched says how it went.
  void SwitchServer(bool backup);
  // "Send test mail" of the e-mail dialog, with the dialog's fields (the dialog has
  // checked that server, sender and recipient are given): the subject "Vellora error
  // notification" when empty, the body "Halvard error notification mail test".
  // Display::TestMailSent says how it went; the mail runs on the mail thread.
  void SendTestMail(std::string server, std::string from, std::string to, std::string cc,
                    std::string subject);

 private:
  core::Workers MakeWorkers();
  void Post(std::function<void()> command);
  void Shutdown();
  void RegisterRips();

  // Declared first: every other member reports through it while it ends.
  DisplayRelay relay_;
  EnginePorts ports_;
  NoOperatorMail noMail_;
  NoDatabaseControl noControl_;
  OperatorMail& mail_;
  DatabaseControl& control_;
  core::Runtime rt_;
  intake::WaitingJobs waiting_;
  intake::RipQueues ripQueues_;
  riptrack::RipTracking tracking_;
  std::unique_ptr<intake::InputScanner> scanner_;
  std::unique_ptr<core::WorkerThreads> threads_;

  // Held by every switch of a RIP's run state from the flip to the write of its
  // enabled flag, and by the remote-control poller from reading a flag to following
  // it, so that neither sees the other's switch half done.
  std::mutex runSwitch_;
  mutable std::mutex stateMutex_;
  std::condition_variable stoppedChanged_;
  bool stopRequested_ = false;
  bool stopped_ = false;

  // Declared last: destroyed first, so no command outlives what it works on.
  CommandQueue commands_;
};

}  // namespace vellora::engine
