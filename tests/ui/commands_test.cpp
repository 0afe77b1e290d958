// Every command of the window on real folders with ripsim RIPs, given the way an
// operator gives it (menu actions on the selected rows, clicks on the switches and the
// icons, files dropped on the icons), checked against the files, the engine's
// Snapshot() and what the window shows.
#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

#include "ui/folder_list.h"
#include "ui/picture_widgets.h"
#include "ui/report_list.h"
#include "ui/rip_panel.h"
#include "ui/row_models.h"
#include "ui/text.h"
#include "ui/text_progress_bar.h"
#include "ui_site.h"

namespace vellora::ui {
namespace {

using test::CountFiles;
using test::DropFile;
using test::Exists;
using test::UiSite;

void Trigger(MainWindow& w, const char* action) {
  QAction* a = w.findChild<QAction*>(action);
  ASSERT_NE(a, nullptr) << action;
  a->trigger();
}

void Select(MainWindow& w, const std::vector<int>& rows) {
  QItemSelectionModel* sel = w.WaitingJobsList().selectionModel();
  sel->clearSelection();
  for (int r : rows) {
    sel->select(w.WaitingJobs().index(r, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

std::vector<std::string> Jobs(const std::vector<core::WaitingRow>& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(r.job + ":" + std::to_string(r.prio));
  return out;
}

// Answers the next question box with the button given and says what it asked; if no
// box comes, asked() stays empty.
class Answer {
 public:
  explicit Answer(QMessageBox::StandardButton button) {
    QObject::connect(&poll_, &QTimer::timeout, [this, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      asked_ = box->text();
      icon_ = box->icon();
      buttons_ = box->standardButtons();
      poll_.stop();
      box->button(button)->click();
    });
    poll_.start(10);
  }
  const QString& asked() const { return asked_; }
  QMessageBox::Icon icon() const { return icon_; }
  QMessageBox::StandardButtons buttons() const { return buttons_; }

 private:
  QTimer poll_;
  QString asked_;
  QMessageBox::Icon icon_ = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons_;
};

// One paused RIP (its input counts as open: ForceOpenInputs), room for one file, fed by
// "News" and "Ads".
struct QueueSite : UiSite {
  std::string in = Path("in"), in2 = Path("in2"), sw = Path("sw"), spool = Path("spool");
  QueueSite() {
    test::MakeDirs(in);
    test::MakeDirs(in2);
    WriteIni({"Logging=1", "DSN=", "StableTime=0", "ForceOpenInputs=1", "MaxOutstandingJobs=1",
              "UseRIP1=1", "RipComputer1=Plate 1", "RIP1swPath=" + sw, "NumberOfSpoolers=2",
              "Enable1=1", "SetupName1=News", "InputSpool1=" + in, "RIP1Spool1=" + spool,
              "Enable2=1", "SetupName2=Ads", "InputSpool2=" + in2, "RIP1Spool2=" + spool});
  }
};

TEST(Commands, RushMoveKillAndCancelAllFromTheContextMenus) {
  QueueSite site;
  ASSERT_TRUE(site.StartRip(site.sw, {site.spool}, /*paused=*/true));
  site.StartEngine();
  MainWindow& w = site.Window();
  for (const char* name : {"A1.PS", "B2.PS", "C3.PS", "D4.PS"}) DropFile(site.in, name);
  // One file goes to the RIP (room for one), three wait.
  ASSERT_TRUE(UiSite::Until(
      [&] { return w.WaitingJobs().rowCount() == 3 && w.QueuedJobs().rowCount() == 1; }));
  engine::View v = site.Snap();
  EXPECT_EQ(w.WaitingJobs().Rows(), v.waiting) << "the window shows the engine's rows";
  EXPECT_EQ(w.QueuedJobs().Rows(), v.queued);
  EXPECT_EQ(w.Panel(core::RipIndex(0)).QueueBar().Caption(), "Queued: 1");
  const std::string first = v.waiting[0].job, second = v.waiting[1].job, third = v.waiting[2].job;

  // Rush the third row: to the top with priority 200, selected and shown.
  Select(w, {2});
  Trigger(w, "RushJob");
  site.Settle();
  EXPECT_EQ(Jobs(w.WaitingJobs().Rows()),
            (std::vector<std::string>{third + ":200", first + ":50", second + ":50"}));
  EXPECT_EQ(w.WaitingJobsList().SelectedRows(), std::vector<int>{0});
  // Rushing the first row does nothing.
  Trigger(w, "RushJob");
  site.Settle();
  EXPECT_EQ(w.WaitingJobs().Rows()[0].prio, 200);
  EXPECT_EQ(w.WaitingJobs().Rows(), site.Snap().waiting);

  // Move down and up: one place, priority one lower or higher, the row stays selected.
  Trigger(w, "MoveDown");
  site.Settle();
  EXPECT_EQ(Jobs(w.WaitingJobs().Rows()),
            (std::vector<std::string>{first + ":50", third + ":199", second + ":50"}));
  EXPECT_EQ(w.WaitingJobsList().SelectedRows(), std::vector<int>{1});
  Trigger(w, "MoveUp");
  site.Settle();
  EXPECT_EQ(Jobs(w.WaitingJobs().Rows()),
            (std::vector<std::string>{third + ":200", first + ":50", second + ":50"}));
  // Move up with the first row among the selection stops there.
  Select(w, {0, 2});
  Trigger(w, "MoveUp");
  site.Settle();
  EXPECT_EQ(Jobs(w.WaitingJobs().Rows()),
            (std::vector<std::string>{third + ":200", first + ":50", second + ":50"}));
  EXPECT_EQ(w.WaitingJobs().Rows(), site.Snap().waiting);

  // Kill with nothing selected asks nothing and deletes nothing.
  Select(w, {});
  {
    Answer answer(QMessageBox::Ok);
    Trigger(w, "KillJob");
    QTest::qWait(100);
    EXPECT_EQ(answer.asked(), "") << "no question without a selection";
  }
  site.Settle();
  EXPECT_EQ(CountFiles(site.in), 3);
  EXPECT_EQ(w.WaitingJobs().rowCount(), 3);

  // Answered with Cancel: rows and files stay.
  Select(w, {1});
  {
    Answer answer(QMessageBox::Cancel);
    Trigger(w, "KillJob");
    EXPECT_EQ(answer.asked(), "Kill selected job(s)");
    EXPECT_EQ(answer.icon(), QMessageBox::Question);
    EXPECT_EQ(answer.buttons(), QMessageBox::Ok | QMessageBox::Cancel);
  }
  site.Settle();
  EXPECT_EQ(CountFiles(site.in), 3);
  EXPECT_EQ(w.WaitingJobs().rowCount(), 3);

  // Answered with OK: the two selected rows go, with their files.
  Select(w, {1, 2});
  {
    Answer answer(QMessageBox::Ok);
    Trigger(w, "KillJob");
    EXPECT_EQ(answer.asked(), "Kill selected job(s)");
  }
  site.Settle();
  EXPECT_EQ(Jobs(w.WaitingJobs().Rows()), (std::vector<std::string>{third + ":200"}));
  EXPECT_FALSE(Exists(site.in + "/" + first));
  EXPECT_FALSE(Exists(site.in + "/" + second));
  EXPECT_TRUE(Exists(site.in + "/" + third));

  // Cancel all jobs, without a question: the file waiting for the RIP goes; the RIP has
  // room again and the last waiting file follows on a later pass.
  const std::string queuedPath = w.QueuedJobs().Rows()[0].path;
  Trigger(w, "CancelAllJobs");
  ASSERT_TRUE(UiSite::Until(
      [&] {
        return w.WaitingJobs().rowCount() == 0 && w.QueuedJobs().rowCount() == 1 &&
               w.QueuedJobs().Rows()[0].job == third;
      },
      20000))
      << w.WaitingJobs().rowCount() << " " << w.QueuedJobs().rowCount() << " "
      << (w.QueuedJobs().rowCount() > 0 ? w.QueuedJobs().Rows()[0].job : "") << " " << third << " "
      << CountFiles(site.in) << " " << CountFiles(site.spool);
  EXPECT_FALSE(Exists(queuedPath));
  EXPECT_EQ(CountFiles(site.in), 0);
  v = site.Snap();
  EXPECT_EQ(w.QueuedJobs().Rows(), v.queued);
  EXPECT_EQ(w.WaitingJobs().Rows(), v.waiting);
}

// RIPs 1 and 3 in use and running, RIP 2 out of use.
struct RipSite : UiSite {
  std::string in = Path("in"), sw1 = Path("sw1"), sw2 = Path("sw2"), sw3 = Path("sw3");
  std::string spool1 = Path("spool1"), spool2 = Path("spool2"), spool3 = Path("spool3");
  RipSite() {
    test::MakeDirs(in);
    WriteIni({"Logging=1",
              "DSN=",
              "StableTime=0",
              "MaxOutstandingJobs=2",
              "UseRIP1=1",
              "RipComputer1=Plate 1",
              "RIP1swPath=" + sw1,
              "UseRIP2=0",
              "RipComputer2=Plate 2",
              "RIP2swPath=" + sw2,
              "UseRIP3=1",
              "RipComputer3=Plate 3",
              "RIP3swPath=" + sw3,
              "NumberOfSpoolers=1",
              "Enable1=1",
              "SetupName1=News",
              "InputSpool1=" + in,
              "RIP1Spool1=" + spool1,
              "RIP2Spool1=" + spool2,
              "RIP3Spool1=" + spool3});
  }
};

TEST(Commands, RunSwitchesStartAllStopAllWithADisabledRipReloadAndClear) {
  RipSite site;
  ASSERT_TRUE(site.StartRip(site.sw1, {site.spool1}, false));
  ASSERT_TRUE(site.StartRip(site.sw3, {site.spool3}, false));
  site.StartEngine();
  MainWindow& w = site.Window();
  RipPanel& p1 = w.Panel(core::RipIndex(0));
  RipPanel& p2 = w.Panel(core::RipIndex(1));
  RipPanel& p3 = w.Panel(core::RipIndex(2));
  ASSERT_TRUE(UiSite::Until([&] {
    engine::View v = site.Engine().Snapshot();
    return v.laidOut && v.run[0].inputOpen && v.run[2].inputOpen;
  }));
  site.Settle();
  EXPECT_EQ(p1.title(), "Plate 1");
  EXPECT_EQ(p2.title(), "Not used");
  EXPECT_EQ(p3.title(), "Plate 3");
  EXPECT_TRUE(p1.Switch().On());
  EXPECT_TRUE(p1.Switch().isEnabled());
  EXPECT_FALSE(p2.Switch().isEnabled()) << "the switch of a RIP out of use is disabled";
  EXPECT_FALSE(p2.Switch().On());
  EXPECT_FALSE(p2.StatusText().isEnabled());
  EXPECT_EQ(p2.Lamp(core::RipLamp::Status).Lamp(), core::Lamp::Grey);
  EXPECT_EQ(p2.Lamp(core::RipLamp::Running).Lamp(), core::Lamp::Grey);
  EXPECT_EQ(p1.Lamp(core::RipLamp::Status).Lamp(), core::Lamp::Green);
  EXPECT_EQ(w.InputFolders().count(), 1);

  // The run switch of RIP 1: off (grey status lamp, off picture), on again.
  QTest::mouseClick(&p1.Switch(), Qt::LeftButton);
  site.Settle();
  EXPECT_FALSE(site.Engine().Snapshot().run[0].tracking);
  EXPECT_FALSE(p1.Switch().On());
  EXPECT_EQ(p1.Lamp(core::RipLamp::Status).Lamp(), core::Lamp::Grey);
  EXPECT_TRUE(site.Engine().Snapshot().run[2].tracking) << "the other RIP runs on";
  QTest::mouseClick(&p2.Switch(), Qt::LeftButton);  // disabled: nothing
  site.Settle();
  EXPECT_FALSE(site.Engine().Snapshot().run[1].tracking);

  // Start all switches on only the stopped enabled RIP.
  Trigger(w, "StartAll");
  site.Settle();
  EXPECT_TRUE(p1.Switch().On());
  EXPECT_EQ(p1.Lamp(core::RipLamp::Status).Lamp(), core::Lamp::Green);
  EXPECT_FALSE(p2.Switch().On()) << "RIP 2 is out of use";

  // Stop all: the enabled running RIPs stop; RIP 2's switch and state stay as they were.
  const int noRipsBefore = site.Reached().Count("ScannerCaption No RIPs enabled");
  Trigger(w, "StopAll");
  engine::View v = site.Snap();
  EXPECT_FALSE(v.run[0].tracking);
  EXPECT_FALSE(v.run[2].tracking);
  EXPECT_FALSE(p1.Switch().On());
  EXPECT_FALSE(p3.Switch().On());
  EXPECT_FALSE(p2.Switch().On());
  EXPECT_FALSE(p2.Switch().isEnabled());
  EXPECT_EQ(p2.Lamp(core::RipLamp::Status).Lamp(), core::Lamp::Grey);
  EXPECT_FALSE(v.run[1].tracking);
  // With every RIP stopped a dropped file stays where it is.
  DropFile(site.in, "HELD.PS");
  ASSERT_TRUE(UiSite::Until(
      [&] { return site.Reached().Count("ScannerCaption No RIPs enabled") > noRipsBefore; }));
  EXPECT_EQ(CountFiles(site.in), 1);

  // The toolbar's Start all is the same command.
  auto* bar = w.findChild<QToolBar*>("Standard");
  ASSERT_NE(bar, nullptr);
  bar->actions()[0]->trigger();
  // The file goes to a RIP and is finished there; its row appears in that RIP's list.
  auto finished = [&] { return p1.Jobs().rowCount() + p3.Jobs().rowCount(); };
  ASSERT_TRUE(UiSite::Until([&] { return finished() == 1; }));
  v = site.Snap();
  EXPECT_EQ(p1.Jobs().Rows(), v.finished[0]);
  EXPECT_EQ(p3.Jobs().Rows(), v.finished[2]);
  const core::RipJobRow row = p1.Jobs().rowCount() == 1 ? p1.Jobs().Rows()[0] : p3.Jobs().Rows()[0];
  EXPECT_EQ(row.job, "HELD.PS Completed");
  EXPECT_EQ(row.result, core::JobResult::Completed);

  // Re-load RIP logs: the monitors read the logs again and report the job once more.
  Trigger(w, "ReloadRipLogs");
  ASSERT_TRUE(UiSite::Until([&] { return finished() == 2; }));

  // An input folder that cannot be reached shows the error (white on red); Clear.
  std::filesystem::rename(site.in, site.in + ".away");
  ASSERT_TRUE(UiSite::Until([&] { return w.ErrorText().autoFillBackground(); }));
  EXPECT_NE(w.ErrorText().text().indexOf("Unable to access Input folder"), -1)
      << w.ErrorText().text().toStdString();
  EXPECT_EQ(w.ErrorText().palette().color(QPalette::Window), QColor(Qt::red));
  // Cleared once a pass has reached the folder again: a pass that found it missing
  // just before it came back would set the error again after the click.
  const int idle = site.Reached().Count("SpoolerIcon 0 idle");
  std::filesystem::rename(site.in + ".away", site.in);
  ASSERT_TRUE(UiSite::Until([&] { return site.Reached().Count("SpoolerIcon 0 idle") > idle; }));
  QTest::mouseClick(w.findChild<QPushButton*>("Clear"), Qt::LeftButton);
  v = site.Snap();
  EXPECT_EQ(v.errorFlag, 0);
  EXPECT_EQ(w.ErrorText().text(), ToQt(v.errorText));
  EXPECT_FALSE(w.ErrorText().autoFillBackground());
}

QMimeData* LocalFiles(const std::vector<std::string>& paths) {
  auto* mime = new QMimeData;
  QList<QUrl> urls;
  for (const auto& p : paths) urls << QUrl::fromLocalFile(ToQt(p));
  mime->setUrls(urls);
  return mime;
}

bool DropOn(CFolderListCtrl& list, int item, const std::vector<std::string>& paths) {
  std::unique_ptr<QMimeData> mime(LocalFiles(paths));
  const QPoint at = list.visualItemRect(list.item(item)).center();
  QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list.viewport(), &enter);
  QDragMoveEvent move(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list.viewport(), &move);
  QDropEvent drop(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list.viewport(), &drop);
  return drop.isAccepted();
}

void ClickIcon(CFolderListCtrl& list, int item) {
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    list.visualItemRect(list.item(item)).center());
}

TEST(Commands, IconClicksAndDropsWithSeveralSpoolers) {
  QueueSite site;
  ASSERT_TRUE(site.StartRip(site.sw, {site.spool}, /*paused=*/true));
  site.StartEngine();
  MainWindow& w = site.Window();
  CFolderListCtrl& icons = w.InputFolders();
  ASSERT_TRUE(UiSite::Until([&] { return icons.count() == 2; }));
  EXPECT_EQ(icons.item(0)->text(), "News");
  EXPECT_EQ(icons.item(1)->text(), "Ads");
  EXPECT_TRUE(icons.SpoolerEnabled(1));

  // A click switches "Ads" off, in memory only; a second click on again.
  ClickIcon(icons, 1);
  site.Settle();
  EXPECT_FALSE(icons.SpoolerEnabled(1));
  EXPECT_EQ(site.Engine().Settings()->Spoolers[1].Enable, 0);
  EXPECT_EQ(test::ReadFile(site.dir / "Vellora.ini").find("Enable2=0"), std::string::npos);

  // Dropped on the disabled icon: ignored. On the enabled one: copied into its input
  // folder under their own names, replacing a file of that name.
  test::WriteFile(site.dir / "X1.PS", "%!PS\nnew\n");
  test::WriteFile(site.dir / "X2.PDF", "%PDF-1.4\n");
  EXPECT_FALSE(DropOn(icons, 1, {site.dir / "X1.PS"}));
  site.Settle();
  EXPECT_EQ(CountFiles(site.in2), 0);
  test::WriteFile(site.in + "/X1.PS", "old");
  EXPECT_TRUE(DropOn(icons, 0, {site.dir / "X1.PS", site.dir / "X2.PDF"}));
  ASSERT_TRUE(UiSite::Until([&] {
    return CountFiles(site.in) + CountFiles(site.spool) == 2 && !Exists(site.in + "/X1.PS.tmp");
  }));
  site.Settle();
  // Both arrived (one may already be in the RIP's spool folder); the old one is replaced.
  const std::string x1 = Exists(site.in + "/X1.PS") ? site.in + "/X1.PS" : site.spool + "/X1.PS";
  EXPECT_EQ(test::ReadFile(x1), "%!PS\nnew\n");
  EXPECT_TRUE(Exists(site.dir / "X1.PS")) << "the dropped files themselves stay";

  ClickIcon(icons, 1);
  site.Settle();
  EXPECT_TRUE(icons.SpoolerEnabled(1));
  EXPECT_EQ(site.Engine().Settings()->Spoolers[1].Enable, 1);
}

TEST(Commands, TheOnlyInputFolderIconIsNeverSwitchedOff) {
  UiSite site;
  const std::string in = site.Path("in");
  test::MakeDirs(in);
  site.WriteIni({"DSN=", "StableTime=0", "NumberOfSpoolers=1", "Enable1=1", "SetupName1=Only",
                 "InputSpool1=" + in});
  site.StartEngine();
  CFolderListCtrl& icons = site.Window().InputFolders();
  ASSERT_TRUE(UiSite::Until([&] { return icons.count() == 1; }));
  for (int k = 0; k < 3; ++k) {
    ClickIcon(icons, 0);
    site.Settle();
    EXPECT_TRUE(icons.SpoolerEnabled(0)) << k;
    EXPECT_EQ(site.Engine().Settings()->Spoolers[0].Enable, 1);
  }
}

TEST(Commands, EndingWhileTheKillQuestionIsOpenKillsNothing) {
  QueueSite site;
  ASSERT_TRUE(site.StartRip(site.sw, {site.spool}, /*paused=*/true));
  site.StartEngine();
  MainWindow& w = site.Window();
  for (const char* name : {"K1.PS", "K2.PS", "K3.PS"}) DropFile(site.in, name);
  ASSERT_TRUE(UiSite::Until([&] { return w.WaitingJobs().rowCount() == 2; }));
  Select(w, {0, 1});
  bool stopped = false;
  QObject scope;
  QObject::connect(&w, &MainWindow::engineStopped, &scope, [&stopped] { stopped = true; });
  // SIGTERM arrives while the operator is being asked.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) == nullptr) return;
    poll.stop();
    w.CloseEverything();
  });
  poll.start(10);
  Trigger(w, "KillJob");  // returns once the question is gone
  ASSERT_TRUE(UiSite::Until([&] { return stopped; }));
  EXPECT_EQ(CountFiles(site.in), 2) << "a question closed unanswered kills nothing";
  EXPECT_FALSE(w.isVisible());
  EXPECT_NE(test::ReadFile(site.dir / "Vellora.ini").find("Left="), std::string::npos);
}

TEST(Commands, ASettingsFileThatCannotBeWrittenIsShownWithoutBlocking) {
  QueueSite site;
  site.StartEngine();
  ASSERT_TRUE(UiSite::Until([&] { return site.Engine().Snapshot().laidOut; }));
  // The save writes beside the file and renames over it: a folder in its place
  // makes the rename fail.
  std::filesystem::remove(site.dir / "Vellora.ini");
  test::MakeDirs(site.dir / "Vellora.ini");
  test::WriteFile(site.dir / "Vellora.ini/keep", "x");
  bool reported = false;
  QObject scope;
  QObject::connect(&site.GuiDisplay(), &WindowDisplay::settingsSaved, &scope,
                   [&](bool ok, const QString&) { reported = !ok; });
  site.Engine().ApplySetup(nullptr, {});
  ASSERT_TRUE(UiSite::Until([&] { return reported; }));
  auto boxes = site.Window().findChildren<QMessageBox*>();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_EQ(boxes[0]->icon(), QMessageBox::Warning);
  EXPECT_NE(boxes[0]->text().indexOf("Vellora.ini"), -1) << boxes[0]->text().toStdString();
  EXPECT_TRUE(boxes[0]->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), boxes[0]) << "window-modal, but the loop runs on";
  boxes[0]->button(QMessageBox::Ok)->click();
  UiSite::Until([&] { return site.Window().findChildren<QMessageBox*>().isEmpty(); }, 5000);
  EXPECT_TRUE(site.Window().findChildren<QMessageBox*>().isEmpty()) << "gone when answered";
}

TEST(Commands, ExitStopsTheEngineAndWritesTheWindowRectangle) {
  QueueSite site;
  site.StartEngine();
  MainWindow& w = site.Window();
  w.setGeometry(100, 120, 1300, 800);
  ASSERT_TRUE(UiSite::Until([&] { return site.Engine().Snapshot().laidOut; }));
  bool stopped = false;
  QObject::connect(&w, &MainWindow::engineStopped, [&stopped] { stopped = true; });
  const QRect frame = w.frameGeometry();
  Trigger(w, "Exit");
  EXPECT_FALSE(w.isVisible()) << "the window goes at once";
  EXPECT_TRUE(w.Closing());
  ASSERT_TRUE(UiSite::Until([&] { return stopped; }));
  EXPECT_TRUE(site.Engine().Snapshot().stopped);
  const std::string ini = test::ReadFile(site.dir / "Vellora.ini");
  for (const std::string& key :
       {"Left=" + std::to_string(frame.left()), "Top=" + std::to_string(frame.top()),
        "Right=" + std::to_string(frame.left() + frame.width()),
        "Bottom=" + std::to_string(frame.top() + frame.height())}) {
    EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
  }
  // Commands after the stop change nothing.
  Trigger(w, "StartAll");
  Trigger(w, "ReloadRipLogs");
}

}  // namespace
}  // namespace vellora::ui
