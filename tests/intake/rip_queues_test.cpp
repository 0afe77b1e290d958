// The queued-jobs rows: counting, reconciling, one RIP at a time, cancel all.
#include "intake/rip_queues.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/hold_open.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace vellora::intake {
namespace {

using test::TempDir;
using test::WriteFile;

std::vector<std::string> Paths(const RipQueues& q) {
  std::vector<std::string> out;
  for (const auto& r : q.Rows()) {
    out.push_back(std::to_string(r.rip.value) + ":" + r.job + ":" + std::to_string(r.ref));
  }
  return out;
}

TEST(RipQueues, RefreshReconcilesRowsAndQueueBars) {
  TempDir dir;
  test::RecordingDisplay display;
  platform::Pacer pacer(0);
  core::Runtime rt(display, pacer, dir.path());
  for (const char* d : {"r1", "r1/A4", "r2", "shared"}) test::MakeDirs(dir / d);
  rt.settings.Update([&](core::SettingsStore& s) {
    s.NumberOfSpoolers = 2;
    s.Rips[0].UseRIP = 1;
    s.Rips[1].UseRIP = 1;
    s.MaxOutstandingJobs = 2;
    s.Spoolers[0].RipSpool[0] = dir.path() + "\\r1";
    s.Spoolers[0].MonoFolder[0] = 1;  // recursion into subfolders
    s.Spoolers[0].RipSpool[1] = dir.path() + "\\r2";
    s.Spoolers[1].RipSpool[0] = dir.path() + "\\r1";  // the same folder again
    s.Spoolers[1].RipSpool[1] = "";
  });
  WriteFile(dir / "r1/a.ps", "a");
  WriteFile(dir / "r1/A4/b.ps", "b");
  WriteFile(dir / "r1/readme.txt", "ignored");
  WriteFile(dir / "r1/empty.ps", "");
  WriteFile(dir / "r1/.hidden.ps", "h");
  WriteFile(dir / "r2/c.ps", "c");
  RipQueues q(rt);
  q.RefreshRipQueues();
  auto rows = Paths(q);
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"1:a.ps:1", "1:b.ps:1", "2:c.ps:1"}))
      << "a folder of two spoolers is listed once";
  EXPECT_TRUE(display.Has("RIP1 QueueBar Queued: 2 2 2"));
  EXPECT_TRUE(display.Has("RIP2 QueueBar Queued: 1 2 1"));
  for (const auto& r : q.Rows()) {
    if (r.job == "b.ps") {
      EXPECT_EQ(r.path, dir.path() + "\\r1\\A4\\b.ps");
    }
  }

  // One RIP's refresh leaves the other RIP's rows alone.
  WriteFile(dir / "r1/x.ps", "x");
  WriteFile(dir / "r1/y.ps", "y");
  std::filesystem::remove(dir / "r2/c.ps");
  q.RefreshRipQueue(core::RipNumber(1));
  EXPECT_TRUE(display.Has("RIP1 QueueBar Queued: 4 2 2")) << "the true number and a full bar";
  EXPECT_EQ(q.Rows().size(), 5u) << "RIP 2's row stays until the next full refresh";
  q.RefreshRipQueues();
  EXPECT_EQ(q.Rows().size(), 4u);
  EXPECT_EQ(display.Count("QueuedRemoved"), 1);

  q.CancelAllRipJobs();
  EXPECT_TRUE(q.Rows().empty());
  EXPECT_FALSE(test::Exists(dir / "r1/a.ps"));
  EXPECT_TRUE(test::Exists(dir / "r1/readme.txt"));
}

TEST(RipQueues, CancelAllLeavesTheRootsOfDrivesCAndD) {
  TempDir dir;
  platform::PathRoots saved = platform::CurrentPathRoots();
  platform::SetPathRoots({dir / "unc", dir / "drives"});
  for (const char* d : {"drives/c", "drives/d", "drives/d/hot"}) test::MakeDirs(dir / d);
  WriteFile(dir / "drives/c/root.ps", "c");
  WriteFile(dir / "drives/d/root.ps", "d");
  WriteFile(dir / "drives/d/hot/below.ps", "x");
  test::RecordingDisplay display;
  platform::Pacer pacer(0);
  core::Runtime rt(display, pacer, dir.path());
  rt.settings.Update([](core::SettingsStore& s) {
    s.NumberOfSpoolers = 3;
    for (int r = 0; r < 3; ++r) s.Rips[r].UseRIP = 1;
    s.Spoolers[0].RipSpool[0] = "C:";
    s.Spoolers[1].RipSpool[1] = "D:";
    s.Spoolers[2].RipSpool[2] = "D:\\hot";
  });
  RipQueues q(rt);
  q.RefreshRipQueues();
  EXPECT_EQ(q.Rows().size(), 3u);
  q.CancelAllRipJobs();
  EXPECT_TRUE(test::Exists(dir / "drives/c/root.ps"));
  EXPECT_TRUE(test::Exists(dir / "drives/d/root.ps"));
  EXPECT_FALSE(test::Exists(dir / "drives/d/hot/below.ps"));
  EXPECT_EQ(q.Rows().size(), 2u);
  platform::SetPathRoots(saved);
}

TEST(RipQueues, CancelAllLeavesFilesTheRipIsStillReading) {
  TempDir dir;
  test::MakeDirs(dir / "r1");
  for (const char* n : {"ripping.ps", "waiting1.ps", "waiting2.ps"})
    WriteFile(dir / ("r1/" + std::string(n)), "x");
  test::RecordingDisplay display;
  platform::Pacer pacer(0);
  core::Runtime rt(display, pacer, dir.path());
  rt.settings.Update([&](core::SettingsStore& s) {
    s.NumberOfSpoolers = 1;
    s.Rips[0].UseRIP = 1;
    s.Spoolers[0].RipSpool[0] = dir / "r1";
  });
  RipQueues q(rt);
  q.RefreshRipQueues();
  ASSERT_EQ(q.Rows().size(), 3u);
  {
    // The RIP has the first file open while it rips it.
    test::HoldOpen rip(dir / "r1/ripping.ps", O_RDONLY);
    ASSERT_TRUE(rip.ok());
    q.CancelAllRipJobs();
    EXPECT_TRUE(test::Exists(dir / "r1/ripping.ps"));
    EXPECT_FALSE(test::Exists(dir / "r1/waiting1.ps"));
    EXPECT_FALSE(test::Exists(dir / "r1/waiting2.ps"));
    ASSERT_EQ(q.Rows().size(), 1u) << "its row stays, the file is still there";
    EXPECT_EQ(q.Rows()[0].job, "ripping.ps");
  }
}

}  // namespace
}  // namespace vellora::intake
