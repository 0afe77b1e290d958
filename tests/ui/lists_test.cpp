// The lists under load and at their limits, on real folders with ripsim RIPs: a
// RIP's finished jobs never above MaxRipDoneList, a queue count above
// MaxOutstandingJobs, "Cancel all jobs" beside a drive root, and 30,000 waiting rows
// while the scanner rebuilds the queue on every pass.
#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "ui/picture_widgets.h"
#include "ui/report_list.h"
#include "ui/rip_panel.h"
#include "ui/row_models.h"
#include "ui/text_progress_bar.h"
#include "ui_site.h"

namespace vellora::ui {
namespace {

namespace fs = std::filesystem;
using test::CountFiles;
using test::DropFile;
using test::Exists;
using test::UiSite;

TEST(Lists, FiftyFinishedJobsAtMostWithMaxRipDoneList50) {
  UiSite site;
  const std::string in = site.Path("in"), sw = site.Path("sw"), spool = site.Path("spool");
  test::MakeDirs(in);
  site.WriteIni({"DSN=", "StableTime=0", "MaxOutstandingJobs=100", "MaxRipDoneList=50", "UseRIP1=1",
                 "RipComputer1=Plate 1", "RIP1swPath=" + sw, "NumberOfSpoolers=1", "Enable1=1",
                 "SetupName1=News", "InputSpool1=" + in, "RIP1Spool1=" + spool});
  ASSERT_TRUE(
      site.StartRip(sw, {spool}, /*paused=*/false, {"--fail-every", "7", "--warn-every", "5"}));
  site.StartEngine();
  RipPanel& panel = site.Window().Panel(core::RipIndex(0));
  RipJobsModel& jobs = panel.Jobs();
  int most = 0;
  QObject::connect(&jobs, &QAbstractItemModel::rowsInserted,
                   [&] { most = std::max(most, jobs.rowCount()); });
  ASSERT_TRUE(UiSite::Until([&] { return site.Engine().Snapshot().run[0].inputOpen; }));
  for (int k = 1; k <= 56; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "P%02d.PS", k);
    DropFile(in, name);
  }
  // The RIP takes the files in the order they reach its spool folder; its log says
  // which order that was.
  auto finishedInLog = [&] {
    std::vector<std::string> names;
    std::istringstream log(test::ReadFile(sw + "/Logfile"));
    std::string line;
    while (std::getline(log, line)) {
      for (const std::string key : {"Job Completed: ", "Job Not Completed: "}) {
        if (line.rfind(key, 0) == 0) names.push_back(line.substr(key.size(), 6));
      }
    }
    return names;
  };
  ASSERT_TRUE(UiSite::Until(
      [&] {
        return finishedInLog().size() == 56 && jobs.rowCount() == 50 &&
               jobs.Rows().back().job.substr(0, 6) == finishedInLog().back();
      },
      60000));
  engine::View v = site.Snap();
  ASSERT_EQ(jobs.rowCount(), 50);
  EXPECT_EQ(jobs.Rows(), v.finished[0]);
  EXPECT_LE(most, 50) << "the oldest row goes before the new one comes";
  EXPECT_EQ(jobs.Rows().front().job.substr(0, 6), finishedInLog()[6]) << "the six oldest are gone";
  // Failed and warned jobs carry their faces.
  auto count = [&](core::JobResult r) {
    return std::count_if(jobs.Rows().begin(), jobs.Rows().end(),
                         [r](const core::RipJobRow& row) { return row.result == r; });
  };
  EXPECT_GT(count(core::JobResult::Failed), 0);
  EXPECT_GT(count(core::JobResult::Warning), 0);
  EXPECT_EQ(jobs.Rows().back().rip, core::RipNumber(1));
  // The list has scrolled to its last row.
  QScrollBar* bar = panel.JobList().verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_GT(bar->maximum(), 0);
}

TEST(Lists, AQueueCountAboveMaxOutstandingJobsShowsTheTrueNumberAndAFullBar) {
  UiSite site;
  const std::string in = site.Path("in"), sw = site.Path("sw"), spool = site.Path("spool");
  test::MakeDirs(in);
  test::MakeDirs(spool);
  site.WriteIni({"DSN=", "StableTime=0", "MaxOutstandingJobs=2", "UseRIP1=1",
                 "RipComputer1=Plate 1", "RIP1swPath=" + sw, "NumberOfSpoolers=1", "Enable1=1",
                 "SetupName1=News", "InputSpool1=" + in, "RIP1Spool1=" + spool});
  ASSERT_TRUE(site.StartRip(sw, {spool}, /*paused=*/true));
  for (const char* name : {"Q1.PS", "Q2.PS", "Q3.PS", "Q4.PS", "Q5.PS"}) DropFile(spool, name);
  site.StartEngine();
  TextProgressBar& queue = site.Window().Panel(core::RipIndex(0)).QueueBar();
  ASSERT_TRUE(UiSite::Until([&] { return queue.Caption() == "Queued: 5"; }));
  EXPECT_EQ(queue.Lower(), 0);
  EXPECT_EQ(queue.Upper(), 2);
  EXPECT_EQ(queue.Position(), 2);
  EXPECT_DOUBLE_EQ(queue.Fraction(), 1.0);
  QImage img = queue.grab().toImage();
  const QColor highlight = queue.palette().color(QPalette::Highlight);
  EXPECT_EQ(img.pixelColor(3, 3), highlight);
  EXPECT_EQ(img.pixelColor(img.width() - 4, img.height() - 4), highlight) << "a full bar";
  EXPECT_EQ(site.Window().QueuedJobs().rowCount(), 5);
}

TEST(Lists, CancelAllLeavesAFileInTheRootOfDriveDAlone) {
  UiSite site;
  const std::string drives = site.Path("drives");
  const platform::PathRoots before = platform::CurrentPathRoots();
  platform::SetPathRoots({site.Path("unc"), drives});
  const std::string in = site.Path("in"), sw = site.Path("sw");
  test::MakeDirs(in);
  test::MakeDirs(drives + "/d/deep");
  site.WriteIni({"DSN=", "StableTime=0", "MaxOutstandingJobs=5", "UseRIP1=1",
                 "RipComputer1=Plate 1", "RIP1swPath=" + sw, "NumberOfSpoolers=2", "Enable1=1",
                 "SetupName1=News", "InputSpool1=" + in, "RIP1Spool1=D:\\", "Enable2=1",
                 "SetupName2=Ads", "InputSpool2=" + in, "RIP1Spool2=D:\\deep"});
  ASSERT_TRUE(site.StartRip(sw, {drives + "/d"}, /*paused=*/true));
  DropFile(drives + "/d", "ROOT.PS");
  DropFile(drives + "/d/deep", "DEEP.PS");
  site.StartEngine();
  MainWindow& w = site.Window();
  ASSERT_TRUE(UiSite::Until([&] { return w.QueuedJobs().rowCount() == 2; }));
  w.findChild<QAction*>("CancelAllJobs")->trigger();
  ASSERT_TRUE(UiSite::Until([&] { return w.QueuedJobs().rowCount() == 1; }, 20000))
      << w.QueuedJobs().rowCount() << " " << w.QueuedJobs().Rows()[0].path << " "
      << w.QueuedJobs().Rows()[1].path << " " << Exists(drives + "/d/deep/DEEP.PS");
  EXPECT_TRUE(Exists(drives + "/d/ROOT.PS")) << "directly in the root of D:";
  EXPECT_FALSE(Exists(drives + "/d/deep/DEEP.PS"));
  EXPECT_EQ(w.QueuedJobs().Rows()[0].job, "ROOT.PS");
  EXPECT_EQ(w.QueuedJobs().Rows(), site.Snap().queued);
  site.StopRips();
  platform::SetPathRoots(before);
}

TEST(Lists, ThirtyThousandWaitingRowsWhileTheQueueIsRebuiltEveryPass) {
  UiSite site;
  const int spoolers = 100, files = 300;
  const std::string sw = site.Path("sw"), spool = site.Path("spool");
  test::MakeDirs(spool);
  std::vector<std::string> ini = {"DSN=",
                                  "StableTime=0",
                                  "MaxOutstandingJobs=1",
                                  "DisableFileSort=1",
                                  "UseRIP1=1",
                                  "RipComputer1=Plate 1",
                                  "RIP1swPath=" + sw,
                                  "NumberOfSpoolers=" + std::to_string(spoolers)};
  for (int m = 1; m <= spoolers; ++m) {
    const std::string in = site.Path("in" + std::to_string(m));
    test::MakeDirs(in);
    for (int k = 0; k < files; ++k) {
      std::ofstream(in + "/S" + std::to_string(m) + "-" + std::to_string(k) + ".PS") << "%!PS\n";
    }
    const std::string n = std::to_string(m);
    ini.insert(ini.end(), {"Enable" + n + "=1", "SetupName" + n + "=Setup " + n,
                           "InputSpool" + n + "=" + in, "RIP1Spool" + n + "=" + spool});
  }
  site.WriteIni(ini);
  // The RIP is full (one file waits in its spool folder), so nothing is delivered and
  // every pass finds the same 30,000 files.
  DropFile(spool, "BUSY.PS");
  ASSERT_TRUE(site.StartRip(sw, {spool}, /*paused=*/true));
  site.StartEngine();
  MainWindow& w = site.Window();
  ASSERT_TRUE(UiSite::Until([&] { return w.WaitingJobs().rowCount() == 30000; }, 180000));
  // Two more passes rebuild the queue (each ends with "All RIPs occupied"); the rows
  // stay as they are, once each.
  const std::string passEnd = "ScannerCaption All RIPs occupied";
  const int passes = site.Reached().Count(passEnd);
  ASSERT_TRUE(UiSite::Until([&] { return site.Reached().Count(passEnd) >= passes + 2; }, 90000));
  engine::View v = site.Snap();
  ASSERT_EQ(v.waiting.size(), 30000u);
  EXPECT_EQ(w.WaitingJobs().Rows(), v.waiting);
  EXPECT_EQ(w.WaitingJobs().Rows()[29999].id, 29999 + 100);

  // The last row, rushed: at the top with priority 200, shown.
  w.WaitingJobsList().scrollToBottom();
  w.WaitingJobsList().selectRow(29999);
  const std::string last = w.WaitingJobs().Rows()[29999].job;
  w.findChild<QAction*>("RushJob")->trigger();
  site.Settle();
  EXPECT_EQ(w.WaitingJobs().Rows()[0].job, last);
  EXPECT_EQ(w.WaitingJobs().Rows()[0].prio, 200);
  EXPECT_EQ(w.WaitingJobsList().verticalScrollBar()->value(), 0) << "the rushed row is shown";
  EXPECT_EQ(w.WaitingJobs().Rows(), site.Snap().waiting);
  std::printf("longest batch on the GUI thread: %.1f ms over %ld batches\n",
              site.Display().LongestBatchMs(), site.Display().Batches());
}

}  // namespace
}  // namespace vellora::ui
