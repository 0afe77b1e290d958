// The main window as built: caption, regions, columns and widths, menus, the toolbar,
// the context menus (mouse and keyboard), the About box and the home page, the
// error display, the start-up state, and how the regions share a change of size.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include "ui/about_box.h"
#include "ui/dialog_opener.h"
#include "ui/folder_list.h"
#include "ui/main_window.h"
#include "ui/picture_widgets.h"
#include "ui/report_list.h"
#include "ui/rip_panel.h"
#include "ui/text_progress_bar.h"
#include "ui_site.h"

namespace vellora::ui {

// Takes the addresses the desktop would open.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QUrl url;

 public slots:
  void open(const QUrl& u) { url = u; }
};

namespace {

QStringList Headers(QTableView& list) {
  QStringList out;
  for (int c = 0; c < list.model()->columnCount(); ++c) {
    out << list.model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  }
  return out;
}

std::vector<int> Widths(QTableView& list) {
  std::vector<int> out;
  for (int c = 0; c < list.model()->columnCount(); ++c) out.push_back(list.columnWidth(c));
  return out;
}

QStringList Items(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out << (a->isSeparator() ? QString("-") : a->text());
  return out;
}

QMenu* MenuNamed(MainWindow& w, const QString& title) {
  for (QAction* a : w.menuBar()->actions()) {
    if (a->text() == title) return a->menu();
  }
  return nullptr;
}

TEST(MainWindow, RegionsCaptionsColumnsAndStartState) {
  NoDialogs dialogs;
  MainWindow w(dialogs);
  w.show();
  EXPECT_EQ(w.windowTitle(), "Korvath Vellora");
  EXPECT_FALSE(w.windowIcon().isNull());

  EXPECT_EQ(w.ActivityBar().Caption(), "Idle..");
  EXPECT_EQ(w.ActivityBar().Lower(), 0);
  EXPECT_EQ(w.ActivityBar().Upper(), 100);
  EXPECT_EQ(w.ActivityBar().Position(), 0);
  EXPECT_EQ(w.ErrorText().text(), "No errors..");
  EXPECT_EQ(w.ErrorLamp().Lamp(), core::Lamp::Green);

  QStringList labels;
  for (QLabel* l : w.findChildren<QLabel*>()) labels << l->text();
  for (const char* l : {"Input folders", "Waiting jobs", "Queued jobs", "Error state"}) {
    EXPECT_TRUE(labels.contains(l)) << l;
  }
  auto* jobList = w.findChild<QGroupBox*>("JobList");
  ASSERT_NE(jobList, nullptr);
  EXPECT_EQ(jobList->title(), "Job list");
  auto* clear = w.findChild<QPushButton*>("Clear");
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(clear->text(), "Clear");

  EXPECT_EQ(Headers(w.WaitingJobsList()), (QStringList{"Time", "Job", "Setup", "ID", "Prio"}));
  EXPECT_EQ(Widths(w.WaitingJobsList()), (std::vector<int>{120, 235, 130, 40, 40}));
  EXPECT_EQ(Headers(w.QueuedJobsList()), (QStringList{"RIP", "Job", "Time", "Path", "ref"}));
  EXPECT_EQ(Widths(w.QueuedJobsList()), (std::vector<int>{30, 100, 100, 130, 130}));
  EXPECT_EQ(w.WaitingJobsList().selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(w.QueuedJobsList().selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(w.WaitingJobsList().selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_TRUE(w.WaitingJobsList().showGrid());

  for (core::RipIndex i : core::AllRips()) {
    RipPanel& p = w.Panel(i);
    EXPECT_EQ(p.title(), QString("RIP %1").arg(i.value + 1));
    EXPECT_EQ(Headers(p.JobList()), (QStringList{" ", "Job", "Time", "Setup", "Id"}));
    EXPECT_EQ(Widths(p.JobList()), (std::vector<int>{15, 200, 160, 130, 40}));
    EXPECT_EQ(p.JobList().selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(p.JobList().showGrid());
    EXPECT_FALSE(p.Switch().On()) << "the switches start with the off picture";
    EXPECT_EQ(p.Switch().size(), QSize(66, 22));
    EXPECT_EQ(p.QueueBar().Caption(), "Queued: 0");
    EXPECT_TRUE(p.StatusText().isReadOnly());
    // The small controls sit on one line at the panel's top, above the list.
    EXPECT_LT(p.Switch().geometry().bottom(), p.JobList().geometry().top());
    EXPECT_LT(p.Lamp(core::RipLamp::Status).x(), p.Switch().x());
    EXPECT_LT(p.Switch().x(), p.StatusText().x());
    EXPECT_LT(p.StatusText().x(), p.JobBar().x());
    EXPECT_LT(p.JobBar().x(), p.Lamp(core::RipLamp::Running).x());
    EXPECT_LT(p.Lamp(core::RipLamp::Job).x(), p.QueueBar().x());
  }
  // Left to right: input folders, job list, RIP panels; the panels stacked, RIP 1 on top.
  EXPECT_LT(w.InputFolders().mapTo(&w, QPoint()).x(), jobList->mapTo(&w, QPoint()).x());
  EXPECT_LT(jobList->mapTo(&w, QPoint()).x(), w.Panel(core::RipIndex(0)).mapTo(&w, QPoint()).x());
  for (int i = 0; i < 3; ++i) {
    EXPECT_LT(w.Panel(core::RipIndex(i)).mapTo(&w, QPoint()).y(),
              w.Panel(core::RipIndex(i + 1)).mapTo(&w, QPoint()).y());
  }
  // The activity bar lies above the input folders list.
  EXPECT_LT(w.ActivityBar().mapTo(&w, QPoint()).y(), w.InputFolders().mapTo(&w, QPoint()).y());
}

TEST(MainWindow, MenusToolbarAndTheirTexts) {
  NoDialogs dialogs;
  MainWindow w(dialogs);
  ASSERT_NE(MenuNamed(w, "&File"), nullptr);
  EXPECT_EQ(Items(MenuNamed(w, "&File")), (QStringList{"Change to/from backup", "Exit"}));
  EXPECT_EQ(Items(MenuNamed(w, "&Action")),
            (QStringList{"Start all", "Stop all", "-", "Re-load RIP logs"}));
  EXPECT_EQ(Items(MenuNamed(w, "&Configuration")),
            (QStringList{"General setup....", "Setup input....", "Setup database...."}));
  EXPECT_EQ(Items(MenuNamed(w, "&Help")), (QStringList{"About Vellora", "Korvath homepage"}));
  EXPECT_EQ(Items(&w.WaitingMenu()),
            (QStringList{"Rush job", "Kill job", "-", "Move up", "Move down"}));
  EXPECT_EQ(Items(&w.QueuedMenu()), (QStringList{"Cancel all jobs"}));

  auto* bar = w.findChild<QToolBar*>("Standard");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->windowTitle(), "Standard");
  EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  QStringList buttons;
  for (QAction* a : bar->actions()) {
    buttons << a->text();
    EXPECT_FALSE(a->icon().isNull()) << "picture and text";
    EXPECT_TRUE(a->isEnabled()) << "always enabled";
  }
  EXPECT_EQ(buttons, (QStringList{"Start all", "Stop all"}));
  EXPECT_EQ(w.createPopupMenu(), nullptr) << "no menu over the toolbar";
}

TEST(MainWindow, ContextMenusOpenAtTheMouseOrFiveRightAndBelowTheClientArea) {
  NoDialogs dialogs;
  MainWindow w(dialogs);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  const int menuBottom = w.menuBar()->geometry().bottom() + 1;
  EXPECT_EQ(w.KeyboardMenuPoint(), w.mapToGlobal(QPoint(5, menuBottom + 5)));

  auto open = [&](QWidget* target, QContextMenuEvent::Reason reason, QPoint local) {
    QContextMenuEvent e(reason, local, target->mapToGlobal(local));
    QApplication::sendEvent(target, &e);
    QMenu* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QPoint at = shown != nullptr ? shown->pos() : QPoint(-1, -1);
    if (shown != nullptr) shown->close();
    return std::make_pair(shown, at);
  };
  QWidget* waiting = w.WaitingJobsList().viewport();
  auto [m1, at1] = open(waiting, QContextMenuEvent::Mouse, QPoint(30, 20));
  EXPECT_EQ(m1, &w.WaitingMenu());
  EXPECT_EQ(at1, waiting->mapToGlobal(QPoint(30, 20)));
  auto [m2, at2] = open(&w.WaitingJobsList(), QContextMenuEvent::Keyboard, QPoint(10, 10));
  EXPECT_EQ(m2, &w.WaitingMenu());
  EXPECT_EQ(at2, w.KeyboardMenuPoint()) << "the menu key opens it at the window's corner";
  auto [m3, at3] = open(w.QueuedJobsList().viewport(), QContextMenuEvent::Mouse, QPoint(5, 5));
  EXPECT_EQ(m3, &w.QueuedMenu());
  auto [m4, at4] = open(&w.QueuedJobsList(), QContextMenuEvent::Keyboard, QPoint(1, 1));
  EXPECT_EQ(m4, &w.QueuedMenu());
  EXPECT_EQ(at4, w.KeyboardMenuPoint());
  // Elsewhere no menu opens: a RIP list, the input folders, the toolbar, a status text.
  for (QWidget* elsewhere :
       {w.Panel(core::RipIndex(0)).JobList().viewport(), w.InputFolders().viewport(),
        static_cast<QWidget*>(w.findChild<QToolBar*>("Standard")),
        static_cast<QWidget*>(&w.Panel(core::RipIndex(1)).StatusText()),
        static_cast<QWidget*>(&w.ErrorText())}) {
    auto [m, at] = open(elsewhere, QContextMenuEvent::Mouse, QPoint(3, 3));
    EXPECT_EQ(m, nullptr) << elsewhere->metaObject()->className();
  }
}

TEST(MainWindow, ResizingSharesTheChangeAsTheRegionsDo) {
  NoDialogs dialogs;
  MainWindow w(dialogs);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  auto* jobList = w.findChild<QGroupBox*>("JobList");
  auto geometryIn = [&](QWidget* c) { return QRect(c->mapTo(&w, QPoint()), c->size()); };
  struct Shot {
    QRect folders, activity, group, waiting, queued, clear, errorText;
    std::array<QRect, 4> panels, lists, switches;
  };
  auto shoot = [&] {
    Shot s;
    s.folders = geometryIn(&w.InputFolders());
    s.activity = geometryIn(&w.ActivityBar());
    s.group = geometryIn(jobList);
    s.waiting = geometryIn(&w.WaitingJobsList());
    s.queued = geometryIn(&w.QueuedJobsList());
    s.clear = geometryIn(w.findChild<QPushButton*>("Clear"));
    s.errorText = geometryIn(&w.ErrorText());
    for (int i = 0; i < 4; ++i) {
      RipPanel& p = w.Panel(core::RipIndex(i));
      s.panels[i] = geometryIn(&p);
      s.lists[i] = geometryIn(&p.JobList());
      s.switches[i] = geometryIn(&p.Switch());
    }
    return s;
  };
  const QSize start = w.size();
  const Shot a = shoot();
  const int dw = 200, dh = 400;
  w.resize(start + QSize(dw, dh));
  QApplication::processEvents();
  const Shot b = shoot();
  auto near = [](int got, int want) { return std::abs(got - want) <= 2; };

  EXPECT_EQ(b.folders.width(), a.folders.width()) << "the input folders keep their width";
  EXPECT_TRUE(near(b.folders.height() - a.folders.height(), dh));
  EXPECT_EQ(b.activity, a.activity) << "the activity bar stays where it is";
  EXPECT_TRUE(near(b.group.width() - a.group.width(), dw / 2)) << b.group.width() - a.group.width();
  EXPECT_TRUE(near(b.group.height() - a.group.height(), dh));
  EXPECT_TRUE(near(b.waiting.height() - a.waiting.height(), dh / 2));
  EXPECT_TRUE(near(b.queued.height() - a.queued.height(), dh / 2));
  EXPECT_TRUE(near(b.clear.y() - a.clear.y(), dh)) << "the error controls follow the bottom";
  EXPECT_TRUE(near(b.errorText.y() - a.errorText.y(), dh));
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(near(b.panels[i].x() - a.panels[i].x(), dw / 2)) << i;
    EXPECT_TRUE(near(b.panels[i].width() - a.panels[i].width(), dw / 2)) << i;
    EXPECT_TRUE(near(b.panels[i].height() - a.panels[i].height(), dh / 4)) << i;
    EXPECT_TRUE(near(b.panels[i].y() - a.panels[i].y(), i * dh / 4)) << i;
    EXPECT_TRUE(near(b.lists[i].height() - a.lists[i].height(), dh / 4)) << i;
    EXPECT_TRUE(near(b.lists[i].width() - a.lists[i].width(), dw / 2)) << i;
    // The small controls keep their place at the panel's top left.
    EXPECT_EQ(b.switches[i].topLeft() - b.panels[i].topLeft(),
              a.switches[i].topLeft() - a.panels[i].topLeft());
    EXPECT_EQ(b.switches[i].size(), a.switches[i].size());
  }
}

TEST(MainWindow, ErrorTextIsWhiteOnRedWhileAnErrorIsShown) {
  NoDialogs dialogs;
  MainWindow w(dialogs);
  w.show();
  w.ShowErrorText("Unable to access Input folder", true);
  QImage img = w.ErrorText().grab().toImage();
  const QColor ground = img.pixelColor(3, img.height() / 2);
  EXPECT_GT(ground.red(), 200);
  EXPECT_LT(ground.green(), 60);
  int white = 0;
  for (int x = 0; x < img.width(); ++x) {
    for (int y = 0; y < img.height(); ++y) white += img.pixelColor(x, y).lightness() > 230 ? 1 : 0;
  }
  EXPECT_GT(white, 20) << "white letters";
  w.ShowErrorText("No error..", false);
  img = w.ErrorText().grab().toImage();
  EXPECT_LT(img.pixelColor(3, img.height() / 2).red() - img.pixelColor(3, img.height() / 2).green(),
            40)
      << "normal colours again";
}

TEST(MainWindow, AboutBoxAndHomePage) {
  NoDialogs dialogs;
  MainWindow w(dialogs);
  w.show();
  QString title, text, button;
  QTimer::singleShot(0, [&] {
    auto* box = dynamic_cast<AboutBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    title = box->windowTitle();
    if (auto* l = box->findChild<QLabel*>("AboutText")) text = l->text();
    if (auto* b = box->findChild<QPushButton*>("AboutClose")) {
      button = b->text();
      QTest::mouseClick(b, Qt::LeftButton);
    }
  });
  w.findChild<QAction*>("AboutVellora")->trigger();  // returns when the box is closed
  EXPECT_EQ(title, "About Vellora");
  EXPECT_EQ(text, "Vellora 1.3.3");
  EXPECT_EQ(button, "Close");

  // The home page goes to the desktop's browser; here a handler takes it instead.
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "open");
  w.findChild<QAction*>("Homepage")->trigger();
  QDesktopServices::unsetUrlHandler("https");
  EXPECT_EQ(catcher.url, QUrl(MainWindow::kHomePage));
}

// Which hook each menu entry reached.
class CountingDialogs final : public DialogOpener {
 public:
  QStringList opened;
  void OpenBackupServer(QWidget* p, engine::Engine&) override { Note("backup", p); }
  void OpenGeneralSetup(QWidget* p, engine::Engine&) override { Note("general", p); }
  void OpenInputSetup(QWidget* p, engine::Engine&) override { Note("input", p); }
  void OpenDatabaseSetup(QWidget* p, engine::Engine&) override { Note("database", p); }

 private:
  void Note(const char* what, QWidget* parent) {
    opened << QString(what) + (qobject_cast<MainWindow*>(parent) != nullptr ? "" : " (no parent)");
  }
};

TEST(MainWindow, SetupEntriesReachTheirDialogHooks) {
  test::UiSite site;
  site.WriteIni({"DSN=", "NumberOfSpoolers=0"});
  CountingDialogs dialogs;
  site.StartEngine(&dialogs);
  MainWindow& w = site.Window();
  for (const char* name : {"ChangeBackup", "GeneralSetup", "SetupInput", "SetupDatabase"}) {
    w.findChild<QAction*>(name)->trigger();
  }
  EXPECT_EQ(dialogs.opened, (QStringList{"backup", "general", "input", "database"}));
}

}  // namespace
}  // namespace vellora::ui

#include "main_window_test.moc"
