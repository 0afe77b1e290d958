// Start-up order, the RIP configuration's waits and monitors, the beeper, shutdown.
#include "core/worker_threads.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

#include "support/recording_display.h"
#include "support/temp_dir.h"
#include "support/temporaries.h"

namespace vellora::core {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(WorkerThreads, StartupLineIsEnglishWithATrailingSpace) {
  platform::LocalTime t;
  t.year = 2026;
  t.month = 12;
  t.day = 9;
  t.weekday = 3;
  t.hour = 7;
  t.minute = 5;
  t.second = 3;
  EXPECT_EQ(FormatStartupMessage(t),
            "Quillon started on Wednesday, December 09 2026 at 07:05:03 \r\n");
}

TEST(WorkerThreads, ApplyRipConfigurationStartsMonitorsAndWaitsForUnusedRips) {
  TempDir dir;
  test::RecordingDisplay display;
  platform::Pacer pacer(0);
  Runtime rt(display, pacer, dir.path());
  rt.settings.Update([](SettingsStore& s) {
    s.Rips[0].UseRIP = 1;
    s.Rips[2].UseRIP = 1;
    s.Rips[0].RIPName = "Alpha";
  });
  std::atomic<int> started{0};
  std::atomic<int> untrackedAtStart{0};
  Workers w;
  w.ripMonitor = [&](RipIndex rip) {
    started |= 1 << rip.value;
    // A monitor's first pass must find its RIP tracked, or it waits out a pass.
    if (rt.rips[rip.Slot()].Tracking == 0) untrackedAtStart |= 1 << rip.value;
    // Not through the pacer: only the configuration's own waits are counted.
    while (rt.rips[rip.Slot()].StopRequested == 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  WorkerThreads startup(rt, w);
  startup.ApplyRipConfiguration();
  EXPECT_EQ(pacer.RequestedMilliseconds(), 3000u);
  EXPECT_TRUE(startup.MonitorStarted(RipIndex(0)));
  EXPECT_FALSE(startup.MonitorStarted(RipIndex(1)));
  EXPECT_TRUE(startup.MonitorStarted(RipIndex(2)));
  EXPECT_FALSE(startup.MonitorStarted(RipIndex(3)));
  EXPECT_EQ(rt.rips[0].Tracking, 1);
  EXPECT_EQ(rt.rips[1].Tracking, 0);
  EXPECT_EQ(rt.rips[1].StopRequested, 1);
  EXPECT_TRUE(display.Has("RIP1 Title Alpha"));
  EXPECT_TRUE(display.Has("RIP2 Title Not used"));
  EXPECT_TRUE(display.Has("RIP2 Switch off disabled"));
  EXPECT_TRUE(display.Has("RIP3 Switch on"));
  EXPECT_TRUE(display.Has("RIP2 Lamp status grey"));
  EXPECT_TRUE(display.Has("RIP3 Lamp job yellow"));

  // Both monitors found their RIPs tracked when they began.
  while (started.load() != 0b101) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(untrackedAtStart.load(), 0);

  // Taking RIP 3 out of use stops its monitor; putting it back does not start a new one.
  rt.settings.Update([](SettingsStore& s) { s.Rips[2].UseRIP = 0; });
  startup.ApplyRipConfiguration();
  EXPECT_EQ(rt.rips[2].StopRequested, 1);
  rt.settings.Update([](SettingsStore& s) { s.Rips[2].UseRIP = 1; });
  startup.ApplyRipConfiguration();
  EXPECT_TRUE(display.Has("RIP3 Title RIP3"));
  EXPECT_EQ(rt.rips[2].Tracking, 1);
  startup.Shutdown();
  EXPECT_EQ(started.load(), 0b101);
}

TEST(WorkerThreads, InitialiseRunsTheStepsInOrderAndShutsDownQuickly) {
  TempDir dir;
  WriteFile(dir / "Vellora.ini",
            "[Setup]\r\nLogging=1\r\nNumberOfSpoolers=2\r\nEnable1=1\r\nSetupName1=News\r\n"
            "UseRIP2=1\r\nAllowRemoteControl=0\r\n");
  // A save of Vellora.ini cut short by a crash, and one of a program still running.
  const std::string stale = dir / test::TemporaryName("Vellora.ini", test::GonePid());
  const std::string live = dir / test::TemporaryName("Vellora.ini", getpid());
  WriteFile(stale, "[Setup]\r\n");
  WriteFile(live, "[Setup]\r\n");
  test::RecordingDisplay display;
  platform::Pacer pacer(0.001);
  Runtime rt(display, pacer, dir.path());
  std::atomic<bool> scannerRan{false}, pollerRan{false};
  Workers w;
  w.inputScanner = [&] {
    scannerRan = true;
    while (rt.pacer.Wait(1000)) {
    }
  };
  w.ripMonitor = [&](RipIndex rip) {
    while (rt.rips[rip.Slot()].StopRequested == 0 && rt.pacer.Wait(1000)) {
    }
  };
  w.poller = [&] { pollerRan = true; };
  WorkerThreads startup(rt, w);
  startup.Initialise();
  EXPECT_FALSE(test::Exists(stale)) << "a dead process's temporary is cleared at start";
  EXPECT_TRUE(test::Exists(live));
  EXPECT_EQ(rt.settings.Get()->Spoolers[0].SetupName, "News");
  EXPECT_TRUE(startup.MonitorStarted(RipIndex(1)));
  EXPECT_FALSE(startup.MonitorStarted(RipIndex(0)));
  EXPECT_EQ(rt.rips[1].Tracking, 1);
  auto calls = display.Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), "InitWindow");
  EXPECT_EQ(calls.back(), "LayoutWindow");
  EXPECT_TRUE(display.Has("InputFolders News+ Setup2-"));
  EXPECT_TRUE(display.Has("ScannerCaption Idle.."));
  EXPECT_TRUE(display.Has("RIP1 QueueBar Queued: 0 1 0"));
  std::string log = ReadFile(dir / "Vellora.log");
  EXPECT_TRUE(std::regex_search(
      log,
      std::regex(
          R"(^\[\d\d:\d\d:\d\d\.\d\d\d\] Quillon started on [A-Z][a-z]+day, [A-Z][a-z]+ \d\d \d{4} at \d\d:\d\d:\d\d \r\n\r\n)")))
      << log;

  auto t0 = std::chrono::steady_clock::now();
  startup.Shutdown();
  // A shutdown that waited out the threads' rounds would never end here.
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
  EXPECT_TRUE(scannerRan);
  EXPECT_FALSE(pollerRan) << "no poller without AllowRemoteControl";
}

TEST(WorkerThreads, PollerStartsWithRemoteControl) {
  TempDir dir;
  WriteFile(dir / "Vellora.ini", "[Setup]\r\nAllowRemoteControl=1\r\n");
  test::RecordingDisplay display;
  platform::Pacer pacer(0);
  Runtime rt(display, pacer, dir.path());
  std::atomic<bool> pollerRan{false};
  Workers w;
  w.poller = [&] { pollerRan = true; };
  WorkerThreads startup(rt, w);
  startup.Initialise();
  startup.Shutdown();
  EXPECT_TRUE(pollerRan);
}

TEST(WorkerThreads, BeeperBlinksAndSweepsOnlyWhileAnErrorIsShown) {
  for (int beep : {1, 0}) {
    TempDir dir;
    test::RecordingDisplay display;
    platform::Pacer pacer(0.001);
    Runtime rt(display, pacer, dir.path());
    rt.settings.Update([beep](SettingsStore& s) { s.BeepOnError = beep; });
    std::thread beeper([&] { RunBeeper(rt); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(display.Count("ErrorLamp dark"), 0);
    rt.errors.SetErrorState(1, "Error moving file!!");
    while (display.Count("ErrorLamp dark") < 2)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    pacer.RequestStop();
    beeper.join();
    int beeps = display.Count("Beep ");
    if (beep) {
      EXPECT_GE(beeps, 67);
      EXPECT_TRUE(display.Has("Beep 500 10"));
      EXPECT_TRUE(display.Has("Beep 1490 10"));
      EXPECT_FALSE(display.Has("Beep 1505 10"));
    } else {
      EXPECT_EQ(beeps, 0) << "the lamp blinks silently";
    }
  }
}

}  // namespace
}  // namespace vellora::core
