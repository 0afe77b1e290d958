// The refresh of one RIP's queued-jobs rows after a delivery, from what the load
// count saw and the delivered file: the rows a listing would give, without the
// listing.
#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "engine/unconnected.h"
#include "intake/folder_listing.h"
#include "intake/input_scanner.h"
#include "intake/rip_queues.h"
#include "platform/files.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace vellora::intake {
namespace {

using test::TempDir;
using test::WriteFile;

using RowText = std::tuple<int, std::string, std::string, std::string, int>;

std::multiset<RowText> RowSet(const std::vector<core::QueuedRow>& rows) {
  std::multiset<RowText> out;
  for (const auto& r : rows) out.insert({r.rip.value, r.job, r.time, r.path, r.ref});
  return out;
}

// The rows and queue bars a full listing gives, on a display of its own.
struct Listing {
  test::RecordingDisplay display;
  platform::Pacer pacer{0};
  core::Runtime rt;
  RipQueues queues{rt};
  explicit Listing(const core::Runtime& of) : rt(display, pacer, of.programFolder) {
    rt.settings.Publish(*of.settings.Get());
    queues.RefreshRipQueues();
  }
};

struct Site {
  TempDir dir;
  test::RecordingDisplay display;
  platform::Pacer pacer{0};
  core::Runtime rt{display, pacer, dir.path()};
  RipQueues queues{rt};
  std::string spool = dir.path() + "\\r1";
  Site() {
    test::MakeDirs(dir / "r1/A4");
    test::MakeDirs(dir / "r1/.partial");
    rt.settings.Update([&](core::SettingsStore& s) {
      s.NumberOfSpoolers = 1;
      s.Rips[0].UseRIP = 1;
      s.MaxOutstandingJobs = 1000;
      s.Spoolers[0].RipSpool[0] = spool;
      s.Spoolers[0].MonoFolder[0] = 1;  // subfolders count
    });
  }
  CountSight Count() {
    CountSight sight;
    auto s = rt.settings.Get();
    CountWaitingFiles(spool, "*.*", true, s->RipQueueIgnoreMask, &sight);
    return sight;
  }
  std::string LastBar() {
    std::string last;
    for (const auto& c : display.Calls())
      if (c.rfind("RIP1 QueueBar ", 0) == 0) last = c;
    return last;
  }
};

TEST(RipQueueRefresh, ACompleteCountGivesTheRowsOfAListing) {
  Site site;
  WriteFile(site.dir / "r1/a.ps", "a");
  WriteFile(site.dir / "r1/b.ps", "b");
  site.queues.RefreshRipQueues();
  ASSERT_EQ(site.queues.Rows().size(), 2u);

  // The RIP takes a.ps, someone else drops c.ps, then the count; the delivery puts
  // d.ps into a page-format subfolder.
  std::filesystem::remove(site.dir / "r1/a.ps");
  WriteFile(site.dir / "r1/c.ps", "c");
  WriteFile(site.dir / "r1/.partial/h.ps", "counted, never shown");
  CountSight sight = site.Count();
  EXPECT_TRUE(sight.complete);
  EXPECT_EQ(sight.files.size(), 2u) << "files below a hidden folder are counted, not shown";
  WriteFile(site.dir / "r1/A4/d.ps", "d");
  site.display.Clear();
  site.queues.RefreshRipQueue(core::RipNumber(1), sight, site.spool + "\\A4\\d.ps");

  Listing listing(site.rt);
  EXPECT_EQ(RowSet(site.queues.Rows()), RowSet(listing.queues.Rows()));
  EXPECT_EQ(site.queues.Rows().size(), 3u);
  EXPECT_EQ(site.display.Count("QueuedRemoved"), 1) << "a.ps";
  EXPECT_EQ(site.display.Count("QueuedAdded"), 2) << "c.ps and d.ps";
  EXPECT_EQ(site.LastBar(), "RIP1 QueueBar Queued: 3 1000 3");

  // Deliveries a listing would not show add nothing: a hidden or ignored name, a
  // folder the RIP's listing does not hold, a move that failed.
  WriteFile(site.dir / "r1/.x.ps", "x");
  WriteFile(site.dir / "r1/notes.txt", "x");
  test::MakeDirs(site.dir / "elsewhere");
  WriteFile(site.dir / "elsewhere/e.ps", "e");
  for (std::string delivered :
       {site.spool + "\\.x.ps", site.spool + "\\notes.txt", site.dir.path() + "\\elsewhere\\e.ps",
        site.spool + "\\gone.ps", site.spool + "\\.partial\\h.ps"}) {
    site.queues.RefreshRipQueue(core::RipNumber(1), site.Count(), delivered);
    EXPECT_EQ(RowSet(site.queues.Rows()), RowSet(listing.queues.Rows())) << delivered;
  }
  EXPECT_EQ(site.LastBar(), "RIP1 QueueBar Queued: 3 1000 3");

  // Without subfolders counting, a page-format subfolder is not listed either.
  site.rt.settings.Update([](core::SettingsStore& s) { s.Spoolers[0].MonoFolder[0] = 0; });
  WriteFile(site.dir / "r1/A4/f.ps", "f");
  CountSight flat;
  CountWaitingFiles(site.spool, "*.*", false, site.rt.settings.Get()->RipQueueIgnoreMask, &flat);
  site.queues.RefreshRipQueue(core::RipNumber(1), flat, site.spool + "\\A4\\f.ps");
  Listing flatListing(site.rt);
  EXPECT_EQ(RowSet(site.queues.Rows()), RowSet(flatListing.queues.Rows()));
}

TEST(RipQueueRefresh, RowsBeyondTheCountsLimitStayUntilTheNextFullRefresh) {
  Site site;
  for (int k = 0; k < kMaxListing + 10; ++k)
    WriteFile(site.dir / ("r1/p" + std::to_string(k) + ".ps"), "p");
  site.queues.RefreshRipQueues();
  ASSERT_EQ(site.queues.Rows().size(), static_cast<size_t>(kMaxListing + 10));

  CountSight sight = site.Count();
  EXPECT_FALSE(sight.complete) << "the count stopped at its limit";
  ASSERT_EQ(sight.files.size(), static_cast<size_t>(kMaxListing));
  // The RIP takes the files the count did not reach; a new file is delivered.
  std::set<std::string> seen;
  for (const auto& f : sight.files) seen.insert(f.path);
  for (const auto& row : site.queues.Rows())
    if (seen.count(row.path) == 0) platform::DeleteFile(row.path);
  WriteFile(site.dir / "r1/new.ps", "n");
  site.queues.RefreshRipQueue(core::RipNumber(1), sight, site.spool + "\\new.ps");
  EXPECT_EQ(site.queues.Rows().size(), static_cast<size_t>(kMaxListing + 11));
  EXPECT_EQ(site.LastBar(), "RIP1 QueueBar Queued: 311 1000 311");

  site.queues.RefreshRipQueues();
  Listing listing(site.rt);
  EXPECT_EQ(RowSet(site.queues.Rows()), RowSet(listing.queues.Rows()));
  EXPECT_EQ(site.queues.Rows().size(), static_cast<size_t>(kMaxListing + 1));
  EXPECT_EQ(site.LastBar(), "RIP1 QueueBar Queued: 301 1000 301");
}

TEST(RipQueueRefresh, ScannerDeliveriesIntoAFillingSpoolKeepTheRowsOfAListing) {
  TempDir dir;
  test::RecordingDisplay display;
  platform::Pacer pacer{0};
  core::Runtime rt{display, pacer, dir.path()};
  WaitingJobs waiting{display};
  RipQueues queues{rt};
  engine::NoDatabase db;
  engine::NoPdfRewriter pdf;
  for (const char* d : {"in", "sw1", "sw2", "spool1", "spool2"}) test::MakeDirs(dir / d);
  // RIP 1's folder already holds more files than a count looks at.
  for (int k = 0; k < kMaxListing + 20; ++k)
    WriteFile(dir / ("spool1/old" + std::to_string(k) + ".ps"), "o");
  for (int k = 0; k < 40; ++k) WriteFile(dir / ("in/job" + std::to_string(k) + ".ps"), "j");
  rt.settings.Update([&](core::SettingsStore& s) {
    s.DSN.clear();
    s.StableTime = 0;
    s.NumberOfSpoolers = 1;
    s.MaxOutstandingJobs = 10000;
    s.Spoolers[0].Enable = 1;
    s.Spoolers[0].SetupName = "News";
    s.Spoolers[0].InputSpool = dir.path() + "\\in";
    for (int r = 0; r < 2; ++r) {
      s.Rips[r].UseRIP = 1;
      s.Rips[r].RIPswPath = dir.path() + "\\sw" + std::to_string(r + 1);
      s.Spoolers[0].RipSpool[r] = dir.path() + "\\spool" + std::to_string(r + 1);
    }
  });
  rt.rips[0].Tracking = 1;
  rt.rips[1].Tracking = 1;
  InputScanner scanner(rt, waiting, queues, db, pdf);
  ASSERT_TRUE(scanner.RunPass());
  Listing listing(rt);
  EXPECT_EQ(RowSet(queues.Rows()), RowSet(listing.queues.Rows()));
  EXPECT_EQ(queues.Rows().size(), static_cast<size_t>(kMaxListing + 20 + 40));
  std::string bar1, bar2;
  for (const auto& c : display.Calls()) {
    if (c.rfind("RIP1 QueueBar ", 0) == 0) bar1 = c;
    if (c.rfind("RIP2 QueueBar ", 0) == 0) bar2 = c;
  }
  EXPECT_EQ(bar1, "RIP1 QueueBar Queued: 340 10000 340");
  EXPECT_EQ(bar2, "RIP2 QueueBar Queued: 20 10000 20");
}

}  // namespace
}  // namespace vellora::intake
