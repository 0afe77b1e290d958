// The engine driven through its commands, in this process, against a recording
// Display, on real folders with ripsim RIPs: what each command does to the files and
// to Snapshot(), the stop handshake, and engines one after the other.
#include "engine/engine.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "core/settings_edit.h"
#include "engine/unconnected.h"
#include "support/child_process.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace vellora::engine {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WaitFor;
using test::WriteFile;

// Written under a hidden name and renamed, as a careful producer does: the scanner
// never sees half a file.
void Drop(const std::string& folder, const std::string& name) {
  WriteFile(folder + "/." + name, "%!PS\n" + name + "\n");
  fs::rename(folder + "/." + name, folder + "/" + name);
}

int Files(const std::string& folder) {
  int n = 0;
  for (auto& e : fs::directory_iterator(folder)) {
    if (e.is_regular_file() && e.path().filename().string()[0] != '.') ++n;
  }
  return n;
}

// One RIP (ripsim; when paused it takes nothing, but its input counts as open, so
// files delivered to it stay in its spool folder) fed
// by two spoolers, "News" and "Ads".
struct Site {
  TempDir dir;
  std::string in = dir / "in", in2 = dir / "in2", sw = dir / "sw", spool = dir / "spool";
  test::RecordingDisplay display;
  platform::Pacer pacer;
  Unconnected nothing;
  core::SharedState shared;
  test::ChildProcess rip;
  std::unique_ptr<Engine> engine;

  // pace: the program's waits scaled; 0.01 makes the scanner's quarter seconds 2.5 ms.
  explicit Site(int maxOutstanding = 1, double pace = 0.01) : pacer(pace) {
    for (const std::string& d : {in, in2, sw, spool}) test::MakeDirs(d);
    WriteFile(dir / "Vellora.ini",
              "[Setup]\r\nLogging=1\r\nDSN=\r\nStableTime=0\r\nForceOpenInputs=1\r\n"
              "MaxOutstandingJobs=" +
                  std::to_string(maxOutstanding) +
                  "\r\nUseRIP1=1\r\nRipComputer1=Plate 1\r\nRIP1swPath=" + sw +
                  "\r\nNumberOfSpoolers=2\r\nEnable1=1\r\nSetupName1=News\r\nInputSpool1=" + in +
                  "\r\nRIP1Spool1=" + spool + "\r\nEnable2=1\r\nSetupName2=Ads\r\nInputSpool2=" +
                  in2 + "\r\nRIP1Spool2=" + spool + "\r\n");
  }
  ~Site() {
    engine.reset();
    rip.Signal(SIGTERM);
    rip.Wait(5000);
  }

  bool StartRip(bool paused) {
    std::vector<std::string> args = {"--sw",     sw,   "--spool",   spool,
                                     "--rip-ms", "20", "--poll-ms", "20"};
    if (paused) args.push_back("--paused");
    return rip.Start(test::Ripsim(), args, dir / "ripsim.txt") && test::WaitForRipsimStarted(sw);
  }
  void StartEngine(DatabaseControl* control = nullptr) {
    engine =
        std::make_unique<Engine>(EnginePorts{nothing.database, nothing.pdf, nothing.rip, display,
                                             pacer, shared, dir.path(), nullptr, control});
    engine->Start();
  }
  View Snap() {
    engine->WaitUntilIdle();
    return engine->Snapshot();
  }
  bool SnapFor(const std::function<bool(const View&)>& condition) {
    return WaitFor([&] { return condition(engine->Snapshot()); });
  }
};

std::vector<std::string> Jobs(const View& v) {
  std::vector<std::string> out;
  for (const auto& r : v.waiting) out.push_back(r.job + ":" + std::to_string(r.prio));
  return out;
}

intake::RowKey Key(const core::WaitingRow& row) {
  return {row.time, row.job, row.setup};
}

TEST(Engine, QueueCommandsChangeRowsFilesAndSnapshot) {
  Site site;
  ASSERT_TRUE(site.StartRip(/*paused=*/true));
  site.StartEngine();
  for (const char* name : {"a.ps", "b.ps", "c.ps"}) Drop(site.in, name);
  // One file goes to the RIP (it has room for one), two wait.
  ASSERT_TRUE(
      site.SnapFor([](const View& v) { return v.queued.size() == 1 && v.waiting.size() == 2; }));
  View v = site.Snap();
  EXPECT_EQ(v.queued[0].rip, core::RipNumber(1));
  EXPECT_EQ(v.queued[0].ref, 1);
  EXPECT_EQ(v.rips[0].queueCaption, "Queued: 1");
  EXPECT_EQ(v.rips[0].queuePosition, 1);
  EXPECT_EQ(v.waiting[0].prio, 50) << "the spooler's priority 1 times 50";
  const std::string first = v.waiting[0].job, second = v.waiting[1].job;

  site.engine->RushJob({Key(v.waiting[1])});
  v = site.Snap();
  EXPECT_EQ(Jobs(v), (std::vector<std::string>{second + ":200", first + ":50"}));
  EXPECT_EQ(v.selectedWaitingRow, 0);

  site.engine->MoveJobDown({Key(v.waiting[0])});
  v = site.Snap();
  EXPECT_EQ(Jobs(v), (std::vector<std::string>{first + ":50", second + ":199"}));
  site.engine->MoveJobUp({Key(v.waiting[1])});
  v = site.Snap();
  EXPECT_EQ(Jobs(v), (std::vector<std::string>{second + ":200", first + ":50"}));
  EXPECT_EQ(v.selectedWaitingRow, 0);

  site.engine->KillJobs({Key(v.waiting[1])});
  v = site.Snap();
  EXPECT_EQ(Jobs(v), (std::vector<std::string>{second + ":200"}));
  EXPECT_FALSE(test::Exists(site.in + "/" + first)) << "the killed job's file is deleted";
  EXPECT_TRUE(test::Exists(site.in + "/" + second));

  // Cancel all: the file waiting for the RIP goes; the RIP has room again and the
  // last waiting file is delivered on a later pass.
  const std::string queuedPath = v.queued[0].path;
  site.engine->CancelAllRipJobs();
  ASSERT_TRUE(site.SnapFor([&](const View& w) {
    return w.waiting.empty() && w.queued.size() == 1 && w.queued[0].job == second;
  }));
  EXPECT_FALSE(test::Exists(queuedPath));
  EXPECT_EQ(Files(site.in), 0);
}

TEST(Engine, RipCommandsAndErrorState) {
  Site site;
  ASSERT_TRUE(site.StartRip(/*paused=*/false));
  site.StartEngine();
  ASSERT_TRUE(site.SnapFor([](const View& v) { return v.run[0].tracking && v.run[0].inputOpen; }));
  View v = site.Snap();
  EXPECT_EQ(v.rips[0].title, "Plate 1");
  EXPECT_TRUE(v.rips[0].switchOn);
  EXPECT_TRUE(v.rips[0].switchEnabled);
  EXPECT_EQ(v.rips[1].title, "Not used");
  EXPECT_FALSE(v.rips[1].switchEnabled);
  EXPECT_EQ(v.rips[1].Lamp(core::RipLamp::Status), core::Lamp::Grey);

  site.engine->ToggleRip(core::RipIndex(0));
  v = site.Snap();
  EXPECT_FALSE(v.run[0].tracking);
  EXPECT_FALSE(v.rips[0].switchOn);
  EXPECT_EQ(v.rips[0].Lamp(core::RipLamp::Status), core::Lamp::Grey);
  // A stopped RIP gets nothing: with no RIP running the scanner says so and leaves
  // the input alone.
  Drop(site.in, "held.ps");
  ASSERT_TRUE(WaitFor([&] { return site.display.Has("ScannerCaption No RIPs enabled"); }));
  EXPECT_EQ(Files(site.spool), 0);
  EXPECT_EQ(Files(site.in), 1);

  site.engine->StopAllRips();  // nothing running: nothing changes
  site.engine->StartAllRips();
  v = site.Snap();
  EXPECT_TRUE(v.run[0].tracking);
  EXPECT_TRUE(v.rips[0].switchOn);
  EXPECT_EQ(v.rips[0].Lamp(core::RipLamp::Status), core::Lamp::Green);
  site.engine->StopAllRips();
  EXPECT_FALSE(site.Snap().run[0].tracking);
  site.engine->StartAllRips();

  // The RIP takes the file and finishes it; re-loading the logs reports it again.
  ASSERT_TRUE(site.SnapFor([](const View& w) { return w.finished[0].size() == 1; }));
  v = site.Snap();
  EXPECT_EQ(v.finished[0][0].rip, core::RipNumber(1));
  EXPECT_EQ(v.finished[0][0].result, core::JobResult::Completed);
  EXPECT_EQ(v.finished[0][0].job, "HELD.PS Completed");
  site.engine->ReloadRipLogs();
  ASSERT_TRUE(site.SnapFor([](const View& w) { return w.finished[0].size() == 2; }));

  // An input folder that cannot be reached sets the error state; "Clear" clears it.
  fs::rename(site.in2, site.in2 + ".away");
  ASSERT_TRUE(site.SnapFor([](const View& w) { return w.errorFlag != 0; }));
  v = site.Snap();
  EXPECT_TRUE(v.errorShown);
  EXPECT_NE(v.errorText.find("Unable to access Input folder"), std::string::npos) << v.errorText;
  // Cleared once a pass has reached the folder again: a pass that found it missing
  // just before it came back would set the error again after the clear.
  const int idle = site.display.Count("SpoolerIcon 1 idle");
  fs::rename(site.in2 + ".away", site.in2);
  ASSERT_TRUE(WaitFor([&] { return site.display.Count("SpoolerIcon 1 idle") > idle; }));
  site.engine->ClearError();
  v = site.Snap();
  EXPECT_EQ(v.errorFlag, 0);
  EXPECT_EQ(v.errorText, "No errors..");
  EXPECT_FALSE(v.errorShown);
}

// The scanner shows a spooler as being looked at, lists it, and a quarter second later
// shows it idle; a click in between switches it off, and the scanner's later icon
// must not show it on again.
TEST(Engine, AClickWhileTheScannerLooksAtASpoolerStaysShown) {
  Site site(/*maxOutstanding=*/100, /*pace=*/0.4);
  ASSERT_TRUE(site.StartRip(/*paused=*/true));
  site.StartEngine();
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(site.SnapFor([](const View& v) {
      return v.spoolerIcons.size() == 2 && v.spoolerIcons[1] == core::SpoolerIcon::Scanning;
    }));
    site.engine->ToggleSpooler(1);
    // Past the scanner's own icon for "Ads" (100 ms after it showed it scanning).
    ASSERT_TRUE(site.SnapFor([](const View& v) {
      return v.spoolerIcons[0] == core::SpoolerIcon::Scanning;
    }));
    View v = site.Snap();
    EXPECT_EQ(site.engine->Settings()->Spoolers[1].Enable, 0);
    EXPECT_EQ(v.spoolerIcons[1], core::SpoolerIcon::Disabled);
    EXPECT_FALSE(v.inputFolders[1].enabled);
    site.engine->ToggleSpooler(1);
    v = site.Snap();
    EXPECT_TRUE(v.inputFolders[1].enabled);
  }
}

TEST(Engine, SpoolerSwitchDropAndSetupAppliedOverTheEnginesOwnChanges) {
  Site site(/*maxOutstanding=*/100);
  ASSERT_TRUE(site.StartRip(/*paused=*/true));
  site.StartEngine();
  ASSERT_TRUE(site.SnapFor([](const View& v) { return v.laidOut; }));
  View v = site.Snap();
  ASSERT_EQ(v.inputFolders.size(), 2u);
  EXPECT_EQ(v.inputFolders[1].setupName, "Ads");
  EXPECT_TRUE(v.inputFolders[1].enabled);

  // A dialog opens now, on a copy of the settings...
  const core::SettingsStore original = *site.engine->Settings();

  // ...while the operator switches "Ads" off with a click.
  site.engine->ToggleSpooler(1);
  v = site.Snap();
  EXPECT_FALSE(v.inputFolders[1].enabled);
  EXPECT_EQ(site.engine->Settings()->Spoolers[1].Enable, 0);
  EXPECT_EQ(ReadFile(site.dir / "Vellora.ini").find("Enable2=0"), std::string::npos)
      << "a click changes the flag in memory only";

  // Files dropped on a disabled spooler are ignored; on an enabled one copied in.
  WriteFile(site.dir / "dropped.ps", "%!PS\n");
  site.engine->DropFiles(1, {site.dir / "dropped.ps"});
  site.engine->DropFiles(0, {site.dir / "dropped.ps"});
  site.Snap();
  EXPECT_FALSE(test::Exists(site.in2 + "/dropped.ps"));
  ASSERT_TRUE(WaitFor([&] { return test::Exists(site.spool + "/dropped.ps"); }))
      << "copied into News's input folder and delivered from there";
  EXPECT_TRUE(test::Exists(site.dir / "dropped.ps")) << "the dropped file itself stays";

  // The dialog is closed with OK: its change (the RIP's name) applies, the click
  // meanwhile is not undone by the dialog's older copy.
  core::SettingsStore edited = original;
  edited.Rips[0].RIPName = "Plate A";
  site.engine->ApplySetup(core::ChangedSettings(original, edited),
                          {.ripConfiguration = true, .inputFolders = true});
  v = site.Snap();
  EXPECT_EQ(v.rips[0].title, "Plate A");
  EXPECT_TRUE(v.lastSaveOk);
  EXPECT_FALSE(v.inputFolders[1].enabled);
  EXPECT_EQ(site.engine->Settings()->Spoolers[1].Enable, 0);
  std::string ini = ReadFile(site.dir / "Vellora.ini");
  EXPECT_NE(ini.find("RIP1Name=Plate A"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Enable2=0"), std::string::npos) << ini;

  // With a single spooler a click never switches it off.
  core::SettingsStore now = *site.engine->Settings();
  core::SettingsStore one = now;
  one.NumberOfSpoolers = 1;
  site.engine->ApplySetup(core::ChangedSettings(now, one), {.inputFolders = true});
  site.engine->ToggleSpooler(0);
  v = site.Snap();
  ASSERT_EQ(v.inputFolders.size(), 1u);
  EXPECT_TRUE(v.inputFolders[0].enabled);

  site.engine->SaveWindowPosition(10, 20, 810, 620);
  site.Snap();
  ini = ReadFile(site.dir / "Vellora.ini");
  for (const char* key : {"Left=10", "Top=20", "Right=810", "Bottom=620"}) {
    EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
  }

  site.engine->RequestStop();
  site.engine->WaitUntilStopped();
  EXPECT_EQ(site.display.Calls().back(), "EngineStopped");
  EXPECT_TRUE(site.engine->Snapshot().stopped);
}

TEST(Engine, StopDuringStartUpCutsTheWaitsForUnusedRips) {
  TempDir dir;
  // No RIP in use: the start-up waits 1.5 s for each of the four.
  WriteFile(dir / "Vellora.ini", "[Setup]\r\nDSN=\r\n");
  test::RecordingDisplay display;
  // Slowed tenfold so the waits (a minute) stand far apart from a prompt stop.
  platform::Pacer pacer(10.0);
  Unconnected nothing;
  core::SharedState shared;
  Engine engine({nothing.database, nothing.pdf, nothing.rip, display, pacer, shared, dir.path()});
  auto t0 = std::chrono::steady_clock::now();
  engine.Start();
  ASSERT_TRUE(WaitFor([&] { return display.Has("InitWindow"); }));
  engine.RequestStop();
  engine.WaitUntilStopped();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));
  auto calls = display.Calls();
  EXPECT_EQ(calls.back(), "EngineStopped");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "EngineStopped"), 1);
  // Commands after the stop are refused, not run.
  engine.ToggleSpooler(0);
  engine.RequestStop();
  EXPECT_EQ(display.Calls().size(), calls.size());
}

TEST(Engine, TwoEnginesOneAfterTheOtherInOneProcess) {
  for (int round = 0; round < 2; ++round) {
    Site site(/*maxOutstanding=*/10);
    ASSERT_TRUE(site.StartRip(/*paused=*/false));
    site.StartEngine();
    Drop(site.in, "round" + std::to_string(round) + ".ps");
    ASSERT_TRUE(site.SnapFor([](const View& v) { return v.finished[0].size() == 1; }))
        << "round " << round;
    // The engine is destroyed with the site: the destructor's stop handshake ends
    // every thread before anything it uses is gone.
  }
}

// The poller's thread as the engine runs it, and the server switch's result, without
// a database behind them.
struct CountingControl : DatabaseControl {
  ServerSwitchResult SwitchServer(bool backup, core::Runtime&) override {
    if (backup) return {false, "", "Error connecting to database with connection string 'x'"};
    return {true, "Main server", "Connected to main server"};
  }
  void RunRemoteControlPoller(core::Runtime& rt, const std::function<void(core::RipIndex)>& toggle,
                              std::mutex&) override {
    pollers.fetch_add(1);
    // The workflow system wants RIP 1 off.
    toggle(core::RipIndex(0));
    while (rt.pacer.Idle(100)) {
    }
  }
  std::atomic<int> pollers{0};
};

TEST(Engine, ThePollerRunsOnlyWithRemoteControlAllowedAtStart) {
  {
    Site site;
    CountingControl control;
    site.StartEngine(&control);
    ASSERT_TRUE(site.SnapFor([](const View& v) { return v.run[0].tracking; }));
    site.engine->StopAllRips();
    site.engine->StartAllRips();
    site.engine->WaitUntilIdle();
    site.engine->RequestStop();
    site.engine->WaitUntilStopped();
    EXPECT_EQ(control.pollers.load(), 0);
  }
  Site site;
  WriteFile(site.dir / "Vellora.ini",
            ReadFile(site.dir / "Vellora.ini") + "AllowRemoteControl=1\r\n");
  CountingControl control;
  site.StartEngine(&control);
  ASSERT_TRUE(WaitFor([&] { return control.pollers.load() == 1; }));
  // Its toggle is the run switch: RIP 1 stops.
  ASSERT_TRUE(site.SnapFor([](const View& v) { return !v.run[0].tracking; }));
  // The switch moves first; the display hears of it on the relay's thread.
  EXPECT_TRUE(WaitFor([&] { return site.display.Has("RIP1 Switch off"); }));

  // The setup dialogs' commands answer through the display.
  site.engine->SwitchServer(true);
  site.engine->SwitchServer(false);
  site.engine->SendTestMail("mail.site", "me@site", "you@site", "", "");
  site.engine->WaitUntilIdle();
  EXPECT_TRUE(site.display.Has(
      "ServerSwitched 0  | Error connecting to database with connection string 'x'"));
  EXPECT_TRUE(site.display.Has("ServerSwitched 1 Main server | Connected to main server"));
  site.engine->RequestStop();
  site.engine->WaitUntilStopped();
  EXPECT_TRUE(site.display.Has("TestMailSent 0 No mail is connected in this program"));
}

}  // namespace
}  // namespace vellora::engine
