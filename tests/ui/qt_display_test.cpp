// The engine's calls carried to the GUI thread: made on other threads, carried out on
// the GUI thread only, in the order made, and in batches that leave the GUI thread
// free between them; the list models mirror row changes and show a run of appended
// rows in one insertion.
#include <thread>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "tap_display.h"
#include "ui/pictures.h"
#include "ui/qt_display.h"
#include "ui/row_models.h"

namespace vellora::ui {
namespace {

TEST(QtDisplay, CarriesEveryCallToTheGuiThreadInOrder) {
  test::TapDisplay gui;
  QtDisplay display(gui);
  const int n = 20000;
  // Another thread makes the calls, as the engine's relay does, while the GUI
  // thread is busy elsewhere: nothing is carried out on the caller's thread.
  std::thread relay([&] {
    for (int i = 0; i < n; ++i) display.SetScannerBar(i);
    display.SetErrorText("Unable to access Input folder", true);
    display.EngineStopped();
  });
  relay.join();
  EXPECT_EQ(gui.record.Calls().size(), 0u) << "nothing runs before the GUI thread takes it";
  EXPECT_FALSE(display.Delivered());

  ASSERT_TRUE(QTest::qWaitFor([&] { return display.Delivered(); }, 20000));
  auto calls = gui.record.Calls();
  ASSERT_EQ(calls.size(), static_cast<size_t>(n + 2));
  for (int i = 0; i < n; ++i)
    ASSERT_EQ(calls[static_cast<size_t>(i)], "ScannerBar " + std::to_string(i));
  EXPECT_EQ(calls[n], "ErrorText 1 Unable to access Input folder");
  EXPECT_EQ(calls[n + 1], "EngineStopped");
  EXPECT_EQ(gui.offGuiThread.load(), 0);
  EXPECT_GE(gui.batches, 1);
  EXPECT_EQ(display.Batches(), gui.batches);
}

TEST(QtDisplay, AFloodIsCarriedInSeveralBatchesWithTheEventLoopRunningBetween) {
  test::TapDisplay gui;
  QtDisplay display(gui);
  // Rows whose texts take some work to copy: 60,000 of them take well over the
  // few milliseconds one batch may hold the GUI thread.
  core::WaitingRow row{"09-12-2026 10:00:00", std::string(200, 'j'), "News", 100, 50};
  for (int i = 0; i < 60000; ++i) display.WaitingRowInserted(i, row);
  int timerTicks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++timerTicks; });
  timer.start(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return display.Delivered(); }, 60000));
  EXPECT_EQ(gui.record.Count("WaitingInserted"), 60000);
  EXPECT_GT(display.Batches(), 1) << "split into batches";
  EXPECT_GT(timerTicks, 0) << "other events ran between the batches";
}

TEST(RowsModel, MirrorsInsertsAndRemovalsAndShowsAppendedRowsAtOnce) {
  WaitingJobsModel model;
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  auto row = [](const char* job, int id, int prio) {
    return core::WaitingRow{"09-12-2026 10:00:00", job, "News", id, prio};
  };
  for (int i = 0; i < 1000; ++i) model.Insert(i, row("X.PS", 100 + i, 50));
  EXPECT_EQ(model.rowCount(), 0) << "appended rows wait for the end of the batch";
  EXPECT_EQ(model.Pending(), 1000);
  model.Flush();
  EXPECT_EQ(model.rowCount(), 1000);
  ASSERT_EQ(inserted.count(), 1) << "one insertion for the run of appended rows";

  model.Insert(0, row("RUSH.PS", 7, 200));  // a rush: at the top, at once
  EXPECT_EQ(model.rowCount(), 1001);
  EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), "RUSH.PS");
  EXPECT_EQ(model.data(model.index(0, 3), Qt::DisplayRole).toString(), "007") << "ID as %.3d";
  EXPECT_EQ(model.data(model.index(0, 4), Qt::DisplayRole).toString(), "200");
  EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Time");
  EXPECT_EQ(model.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), "Prio");

  // An append, then a change elsewhere: the append is shown first, so the order of
  // the engine's changes holds.
  model.Insert(1001, row("LAST.PS", 1, 50));
  model.Remove(0, nullptr);
  EXPECT_EQ(model.rowCount(), 1001);
  EXPECT_EQ(model.Rows().back().job, "LAST.PS");
  EXPECT_EQ(model.Rows().front().job, "X.PS");

  // A removal names its row; where the mirror holds another row there, the named one
  // goes (and an unknown one changes nothing).
  core::WaitingRow last = model.Rows().back();
  model.Remove(3, &last);
  EXPECT_EQ(model.rowCount(), 1000);
  EXPECT_EQ(model.Rows().back().job, "X.PS");
  core::WaitingRow ghost = row("GHOST.PS", 1, 1);
  model.Remove(0, &ghost);
  EXPECT_EQ(model.rowCount(), 1000);
  model.Remove(5000, nullptr);
  EXPECT_EQ(model.rowCount(), 1000);
}

TEST(RowsModel, TheThreeListsShowTheirColumns) {
  QueuedJobsModel queued;
  queued.Insert(0, {core::RipNumber(3), "P1.PS", "09-12-2026 10:00:00", "D:\\spool\\P1.PS", 1});
  queued.Flush();
  QStringList texts;
  for (int c = 0; c < 5; ++c) texts << queued.data(queued.index(0, c), Qt::DisplayRole).toString();
  EXPECT_EQ(texts, (QStringList{"3", "P1.PS", "09-12-2026 10:00:00", "D:\\spool\\P1.PS", "1"}));
  QStringList headers;
  for (int c = 0; c < 5; ++c)
    headers << queued.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  EXPECT_EQ(headers, (QStringList{"RIP", "Job", "Time", "Path", "ref"}));
  // The engine reports a row whose file is gone with its "ref" already 0.
  core::QueuedRow gone = queued.Rows()[0];
  gone.ref = 0;
  queued.Remove(0, &gone);
  EXPECT_EQ(queued.rowCount(), 0);

  Pictures pictures;
  RipJobsModel jobs(pictures);
  jobs.Insert(0, {core::JobResult::Failed, "P2.PS Not completed", "10:01:02", "Newsprint 41",
                  core::RipNumber(2)});
  jobs.Flush();
  EXPECT_EQ(jobs.data(jobs.index(0, 0), Qt::DisplayRole), QVariant());
  EXPECT_FALSE(jobs.data(jobs.index(0, 0), Qt::DecorationRole).value<QIcon>().isNull())
      << "the result face";
  EXPECT_EQ(jobs.data(jobs.index(0, 4), Qt::DisplayRole).toString(), "2");
  headers.clear();
  for (int c = 0; c < 5; ++c)
    headers << jobs.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  EXPECT_EQ(headers, (QStringList{" ", "Job", "Time", "Setup", "Id"}));

  // A name that is no UTF-8 (a Windows single-byte name) still shows.
  WaitingJobsModel waiting;
  waiting.Insert(0, {"t", "M\xe4rz.ps", "News", 100, 50});
  waiting.Flush();
  EXPECT_EQ(waiting.data(waiting.index(0, 1), Qt::DisplayRole).toString(),
            QString::fromUtf8("M\u00e4rz.ps"));
}

}  // namespace
}  // namespace vellora::ui
