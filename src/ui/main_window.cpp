// The main window: its regions, menus and commands.
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "engine/engine.h"
#include "ui/about_box.h"
#include "ui/dialog_opener.h"
#include "ui/folder_list.h"
#include "ui/picture_widgets.h"
#include "ui/report_list.h"
#include "ui/rip_panel.h"
#include "ui/row_models.h"
#include "ui/text.h"
#include "ui/text_progress_bar.h"

namespace vellora::ui {
namespace {

// The layout at the window's first size: the left column is fixed, the job list group
// and the RIP column start equally wide (and so share every width change equally).
constexpr int kLeftColumnWidth = 150;
constexpr int kStartWidth = 1410;
constexpr int kStartHeight = 880;

std::vector<intake::RowKey> KeysOf(const WaitingJobsModel& model, const std::vector<int>& rows) {
  std::vector<intake::RowKey> keys;
  const auto& all = model.Rows();
  for (int r : rows) {
    if (r < 0 || r >= static_cast<int>(all.size())) continue;
    const core::WaitingRow& row = all[static_cast<size_t>(r)];
    keys.push_back({row.time, row.job, row.setup});
  }
  return keys;
}

}  // namespace

MainWindow::MainWindow(DialogOpener& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs) {
  setWindowTitle("Korvath Vellora");
  setObjectName("MainWindow");
  setWindowIcon(pictures_.Icon(Picture::Program));
  BuildMenus();

  auto* central = new QWidget(this);
  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(8, 6, 8, 8);
  columns->setSpacing(8);
  columns->addWidget(BuildLeftColumn(), 0);
  columns->addWidget(BuildJobList(), 1);
  columns->addWidget(BuildRipColumn(), 1);
  setCentralWidget(central);
  resize(kStartWidth, kStartHeight);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
  auto action = [this](QMenu* menu, const char* text, const char* name, auto slot) {
    QAction* a = menu->addAction(QString::fromLatin1(text));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenu* file = menuBar()->addMenu("&File");
  action(file, "Change to/from backup", "ChangeBackup",
         [this] { OpenDialog(&DialogOpener::OpenBackupServer); });
  action(file, "Exit", "Exit", [this] { close(); });

  QMenu* act = menuBar()->addMenu("&Action");
  QAction* startAll = action(act, "Start all", "StartAll", [this] { StartAll(); });
  QAction* stopAll = action(act, "Stop all", "StopAll", [this] { StopAll(); });
  act->addSeparator();
  action(act, "Re-load RIP logs", "ReloadRipLogs", [this] { ReloadRipLogs(); });
  startAll->setIcon(pictures_.Icon(Picture::StartAll));
  stopAll->setIcon(pictures_.Icon(Picture::StopAll));

  QMenu* config = menuBar()->addMenu("&Configuration");
  action(config, "General setup....", "GeneralSetup",
         [this] { OpenDialog(&DialogOpener::OpenGeneralSetup); });
  action(config, "Setup input....", "SetupInput",
         [this] { OpenDialog(&DialogOpener::OpenInputSetup); });
  action(config, "Setup database....", "SetupDatabase",
         [this] { OpenDialog(&DialogOpener::OpenDatabaseSetup); });

  // Qt reaches no window manager's system menu, so the About entry is the Help menu's.
  QMenu* help = menuBar()->addMenu("&Help");
  action(help, "About Vellora", "AboutVellora", [this] { ShowAbout(); });
  action(help, "Korvath homepage", "Homepage", [this] { OpenHomePage(); });

  QToolBar* bar = addToolBar("Standard");
  bar->setObjectName("Standard");
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  bar->setIconSize(QSize(20, 20));
  bar->setMovable(false);
  bar->addAction(startAll);
  bar->addAction(stopAll);

  waitingMenu_ = new QMenu(this);
  waitingMenu_->setObjectName("WaitingMenu");
  action(waitingMenu_, "Rush job", "RushJob", [this] { RushJob(); });
  action(waitingMenu_, "Kill job", "KillJob", [this] { KillJob(); });
  waitingMenu_->addSeparator();
  action(waitingMenu_, "Move up", "MoveUp", [this] { MoveUp(); });
  action(waitingMenu_, "Move down", "MoveDown", [this] { MoveDown(); });
  queuedMenu_ = new QMenu(this);
  queuedMenu_->setObjectName("QueuedMenu");
  action(queuedMenu_, "Cancel all jobs", "CancelAllJobs", [this] { CancelAllJobs(); });
}

QWidget* MainWindow::BuildLeftColumn() {
  auto* column = new QWidget(this);
  column->setFixedWidth(kLeftColumnWidth);
  activityBar_ = new TextProgressBar(column);
  activityBar_->setObjectName("ActivityBar");
  activityBar_->SetRange(0, 100);
  activityBar_->SetPosition(0);
  activityBar_->SetCaption("Idle..");
  scannerLamp_ = new LampWidget(pictures_, core::Lamp::Dark, column);
  scannerLamp_->setObjectName("ScannerLamp");
  auto* label = new QLabel("Input folders", column);
  folders_ = new CFolderListCtrl(pictures_, column);
  folders_->setObjectName("InputFolders");
  connect(folders_, &CFolderListCtrl::spoolerClicked, this, [this](int spooler) {
    if (engine_ != nullptr) engine_->ToggleSpooler(spooler);
  });
  connect(folders_, &CFolderListCtrl::filesDropped, this,
          [this](int spooler, const QStringList& files) {
            if (engine_ == nullptr) return;
            std::vector<std::string> paths;
            for (const QString& f : files) paths.push_back(FromLocalPath(f));
            engine_->DropFiles(spooler, std::move(paths));
          });

  auto* top = new QHBoxLayout;
  top->setSpacing(4);
  top->addWidget(activityBar_, 1);
  top->addWidget(scannerLamp_);
  auto* box = new QVBoxLayout(column);
  box->setContentsMargins(0, 8, 0, 0);
  box->setSpacing(4);
  box->addLayout(top);
  box->addSpacing(6);
  box->addWidget(label);
  box->addWidget(folders_, 1);
  return column;
}

QWidget* MainWindow::BuildJobList() {
  auto* group = new QGroupBox("Job list", this);
  group->setObjectName("JobList");
  waiting_ = new WaitingJobsModel(this);
  queued_ = new QueuedJobsModel(this);
  waitingList_ = new ReportList({120, 235, 130, 40, 40}, /*severalRows=*/true, group);
  waitingList_->setObjectName("WaitingJobsList");
  waitingList_->setModel(waiting_);
  waitingList_->ApplyColumnWidths();
  waitingList_->SetContextMenu(waitingMenu_, [this] { return KeyboardMenuPoint(); });
  queuedList_ = new ReportList({30, 100, 100, 130, 130}, /*severalRows=*/true, group);
  queuedList_->setObjectName("QueuedJobsList");
  queuedList_->setModel(queued_);
  queuedList_->ApplyColumnWidths();
  queuedList_->SetContextMenu(queuedMenu_, [this] { return KeyboardMenuPoint(); });

  errorLamp_ = new LampWidget(pictures_, core::Lamp::Green, group);
  errorLamp_->setObjectName("ErrorLamp");
  errorText_ = new QLabel(group);
  errorText_->setObjectName("ErrorText");
  errorText_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  errorText_->setMargin(2);
  errorText_->setMinimumWidth(80);
  errorText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  ShowErrorText("No errors..", false);
  clear_ = new QPushButton("Clear", group);
  clear_->setObjectName("Clear");
  connect(clear_, &QPushButton::clicked, this, [this] { ClearError(); });

  auto* error = new QHBoxLayout;
  error->setSpacing(6);
  error->addWidget(new QLabel("Error state", group));
  error->addWidget(errorLamp_);
  error->addWidget(errorText_, 1);
  error->addWidget(clear_);

  auto* box = new QVBoxLayout(group);
  box->setContentsMargins(8, 6, 8, 8);
  box->setSpacing(4);
  box->addWidget(new QLabel("Waiting jobs", group));
  box->addWidget(waitingList_, 1);
  box->addSpacing(4);
  box->addWidget(new QLabel("Queued jobs", group));
  box->addWidget(queuedList_, 1);
  box->addSpacing(4);
  box->addLayout(error);
  return group;
}

QWidget* MainWindow::BuildRipColumn() {
  auto* column = new QWidget(this);
  column->setObjectName("RipColumn");
  auto* box = new QVBoxLayout(column);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(6);
  for (core::RipIndex i : core::AllRips()) {
    auto* panel = new RipPanel(pictures_, i, column);
    panels_[i.Slot()] = panel;
    connect(&panel->Switch(), &QAbstractButton::clicked, this, [this, i] {
      if (engine_ != nullptr) engine_->ToggleRip(i);
    });
    box->addWidget(panel, 1);
  }
  return column;
}

void MainWindow::ShowErrorText(const QString& text, bool error) {
  errorText_->setText(text);
  // A long error (a path) may not fit: the whole of it on hovering.
  errorText_->setToolTip(text);
  errorText_->setAutoFillBackground(error);
  QPalette pal = palette();
  if (error) {
    pal.setColor(QPalette::Window, QColor(Qt::red));
    pal.setColor(QPalette::WindowText, QColor(Qt::white));
  }
  errorText_->setPalette(pal);
}

QPoint MainWindow::KeyboardMenuPoint() const {
  const int top = menuBar()->isVisible() ? menuBar()->geometry().bottom() + 1 : 0;
  return mapToGlobal(QPoint(5, top + 5));
}

void MainWindow::RushJob() {
  if (engine_ != nullptr) engine_->RushJob(KeysOf(*waiting_, waitingList_->SelectedRows()));
}

void MainWindow::MoveUp() {
  if (engine_ != nullptr) engine_->MoveJobUp(KeysOf(*waiting_, waitingList_->SelectedRows()));
}

void MainWindow::MoveDown() {
  if (engine_ != nullptr) engine_->MoveJobDown(KeysOf(*waiting_, waitingList_->SelectedRows()));
}

void MainWindow::KillJob() {
  if (engine_ == nullptr) return;
  // The rows as the operator saw them when asking; one the scanner delivers
  // meanwhile is no longer found by the engine and stays untouched.
  std::vector<intake::RowKey> keys = KeysOf(*waiting_, waitingList_->SelectedRows());
  if (keys.empty()) return;
  QMessageBox box(QMessageBox::Question, "Vellora", "Kill selected job(s)",
                  QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setObjectName("KillQuestion");
  box.setDefaultButton(QMessageBox::Cancel);
  if (box.exec() != QMessageBox::Ok) return;
  if (engine_ != nullptr && !closing_) engine_->KillJobs(std::move(keys));
}

void MainWindow::CancelAllJobs() {
  if (engine_ != nullptr) engine_->CancelAllRipJobs();
}

void MainWindow::StartAll() {
  if (engine_ != nullptr) engine_->StartAllRips();
}

void MainWindow::StopAll() {
  if (engine_ != nullptr) engine_->StopAllRips();
}

void MainWindow::ReloadRipLogs() {
  if (engine_ != nullptr) engine_->ReloadRipLogs();
}

void MainWindow::ClearError() {
  if (engine_ != nullptr) engine_->ClearError();
}

void MainWindow::ShowAbout() {
  AboutBox box(pictures_, this);
  box.exec();
}

void MainWindow::OpenHomePage() {
  QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePage)));
}

void MainWindow::OpenDialog(void (DialogOpener::*open)(QWidget*, engine::Engine&)) {
  if (engine_ != nullptr && !closing_) (dialogs_.*open)(this, *engine_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (engine_ == nullptr || engineStopped_) {
    event->accept();
    return;
  }
  if (!closing_) {
    closing_ = true;
    // Left, top, right, bottom as the window's outer rectangle, right and bottom
    // just outside it.
    const QRect r = frameGeometry();
    engine_->SaveWindowPosition(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    engine_->RequestStop();
    hide();
  }
  // The window is gone for the operator; the process ends once the engine has
  // stopped its threads (OnEngineStopped).
  event->ignore();
}

void MainWindow::OnEngineStopped() {
  engineStopped_ = true;
  if (closing_) close();
  emit engineStopped();
}

void MainWindow::CloseEverything() {
  // Menus first, then dialogs from the innermost out; each closed dialog ends its
  // own event loop with "Cancel".
  while (QWidget* popup = QApplication::activePopupWidget()) {
    if (!popup->close()) break;
  }
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == this) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else if (!modal->close()) {
      break;
    }
  }
  close();
}

}  // namespace vellora::ui
