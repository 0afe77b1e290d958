// The operator's RIP commands: the run switch, "Start all", "Stop all" and
// "Re-load RIP logs", with what they show and report.
#include <gtest/gtest.h>

#include "riptrack/monitor_site.h"

namespace vellora::riptrack {
namespace {

using test::Exists;
using test::MonitorSite;
using test::WriteFile;
using Calls = std::vector<std::string>;

TEST(RipCommands, ToggleRipSwitchesShowsAndReports) {
  MonitorSite site;
  site.rt.rips[0].ProcessId = 7;
  site.tracking.ToggleRip(core::RipIndex(0));
  EXPECT_EQ(site.rt.rips[0].Tracking.load(), 0);
  EXPECT_EQ(site.Lamp("status"), "grey");
  EXPECT_TRUE(site.display.Has("RIP1 Switch off"));
  site.tracking.ToggleRip(core::RipIndex(0));
  EXPECT_EQ(site.rt.rips[0].Tracking.load(), 1);
  EXPECT_EQ(site.Lamp("status"), "green");
  EXPECT_TRUE(site.display.Has("RIP1 Switch on"));
  EXPECT_EQ(site.services.Calls(), (Calls{"main update 7 0 -1 '' ''", "main update 7 1 -1 '' ''"}));

  // Not in use: switched, but the lamp stays grey and nothing is reported.
  site.services.Clear();
  site.rt.rips[1].ProcessId = 8;
  site.tracking.ToggleRip(core::RipIndex(1));
  EXPECT_EQ(site.rt.rips[1].Tracking.load(), 1);
  EXPECT_TRUE(site.display.Has("RIP2 Lamp status grey"));
  EXPECT_TRUE(site.display.Has("RIP2 Switch on disabled"));
  // Not registered: no process-table call either. Bad indexes change nothing.
  site.rt.rips[0].ProcessId = 0;
  site.tracking.ToggleRip(core::RipIndex(0));
  site.tracking.ToggleRip(core::RipIndex(-1));
  site.tracking.ToggleRip(core::RipIndex(4));
  EXPECT_TRUE(site.services.Calls().empty());
}

TEST(RipCommands, StartAllAndStopAllTouchOnlyRipsInUse) {
  MonitorSite site;
  site.Settings([](core::SettingsStore& s) {
    s.Rips[0].UseRIP = 1;
    s.Rips[1].UseRIP = 0;
    s.Rips[2].UseRIP = 1;
    s.Rips[3].UseRIP = 1;
  });
  for (int r = 0; r < 4; ++r) site.rt.rips[r].ProcessId = 10 + r;
  site.rt.rips[0].Tracking = 1;
  site.rt.rips[1].Tracking = 1;  // not in use, but running
  site.rt.rips[2].Tracking = 0;
  site.rt.rips[3].Tracking = 1;
  site.tracking.StopAll();
  EXPECT_EQ(site.rt.rips[0].Tracking.load(), 0);
  EXPECT_EQ(site.rt.rips[1].Tracking.load(), 1) << "RIP 2's switch and state stay";
  EXPECT_EQ(site.rt.rips[2].Tracking.load(), 0);
  EXPECT_EQ(site.rt.rips[3].Tracking.load(), 0);
  EXPECT_EQ(site.services.Calls(),
            (Calls{"main update 10 0 -1 '' ''", "main update 13 0 -1 '' ''"}));
  EXPECT_EQ(site.display.Count("RIP2 "), 0);
  EXPECT_EQ(site.display.Count("RIP3 "), 0) << "already stopped: not toggled";

  site.services.Clear();
  site.rt.rips[1].Tracking = 0;
  site.tracking.StartAll();
  for (int r : {0, 2, 3}) EXPECT_EQ(site.rt.rips[r].Tracking.load(), 1);
  EXPECT_EQ(site.rt.rips[1].Tracking.load(), 0);
  EXPECT_EQ(site.services.Calls(), (Calls{"main update 10 1 -1 '' ''", "main update 12 1 -1 '' ''",
                                          "main update 13 1 -1 '' ''"}));
}

TEST(RipCommands, ReloadDeletesThePointerFilesOfRipsInUse) {
  MonitorSite site;
  site.Settings([](core::SettingsStore& s) { s.Rips[3].UseRIP = 1; });
  for (int n = 1; n <= 4; ++n)
    WriteFile(site.dir / ("LogFilePointer" + std::to_string(n)), "5\r\n");
  site.tracking.ReloadRipLogs();
  EXPECT_FALSE(Exists(site.dir / "LogFilePointer1"));
  EXPECT_TRUE(Exists(site.dir / "LogFilePointer2"));
  EXPECT_TRUE(Exists(site.dir / "LogFilePointer3"));
  EXPECT_FALSE(Exists(site.dir / "LogFilePointer4"));
  site.tracking.ReloadRipLogs();  // nothing to delete: no harm
}

}  // namespace
}  // namespace vellora::riptrack
