// MainWindow, "Korvath Vellora": the operator's window over the engine. Left to right:
// the activity bar with the scanner lamp above the input folders list; the group
// "Job list" with the waiting jobs, the queued jobs and the error state; the four RIP
// panels stacked. Menus, the toolbar "Standard" and the two context menus give the
// operator's commands, which go to the engine and return at once; what they change
// comes back through the engine's Display (see WindowDisplay).
//
// Resizing keeps the arrangement: the input folders list keeps its width and takes
// the height; the job list group and the RIP column share the width change half and
// half; the two job lists share the height change half and half, the four RIP panels a
// quarter each; the error controls stay at the bottom and the small controls of each
// panel at its top left.
//
// Closing (the close box, File -> Exit, or SIGTERM through CloseEverything()) writes
// the window's rectangle through the engine, asks the engine to stop and hides the
// window; engineStopped() follows once every engine thread has ended.
#pragma once

#include <array>
#include <memory>

#include <QMainWindow>

#include "core/rip_id.h"
#include "ui/pictures.h"

class QLabel;
class QMenu;
class QPushButton;

namespace vellora::engine {
class Engine;
}

namespace vellora::ui {

class CFolderListCtrl;
class DialogOpener;
class LampWidget;
class QueuedJobsModel;
class ReportList;
class RipPanel;
class TextProgressBar;
class WaitingJobsModel;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The address "Korvath homepage" opens.
  static constexpr const char* kHomePage = "https://korvath.example/";

  explicit MainWindow(DialogOpener& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The engine the commands go to; until it is set they do nothing.
  void SetEngine(engine::Engine* engine) { engine_ = engine; }
  engine::Engine* Engine() const { return engine_; }
  const Pictures& pictures() const { return pictures_; }

  TextProgressBar& ActivityBar() { return *activityBar_; }
  LampWidget& ScannerLamp() { return *scannerLamp_; }
  CFolderListCtrl& InputFolders() { return *folders_; }
  ReportList& WaitingJobsList() { return *waitingList_; }
  ReportList& QueuedJobsList() { return *queuedList_; }
  WaitingJobsModel& WaitingJobs() { return *waiting_; }
  QueuedJobsModel& QueuedJobs() { return *queued_; }
  LampWidget& ErrorLamp() { return *errorLamp_; }
  QLabel& ErrorText() { return *errorText_; }
  RipPanel& Panel(core::RipIndex rip) { return *panels_[rip.Slot()]; }
  QMenu& WaitingMenu() { return *waitingMenu_; }
  QMenu& QueuedMenu() { return *queuedMenu_; }

  // The error text, white on red while error is set.
  void ShowErrorText(const QString& text, bool error);
  // Where the keyboard's menu key opens a context menu: 5 pixels right of and below
  // the top-left corner of the client area (below the menu bar), in global coordinates.
  QPoint KeyboardMenuPoint() const;

  // No menu of toolbars elsewhere in the window.
  QMenu* createPopupMenu() override { return nullptr; }

  // The engine has stopped: the close completes.
  void OnEngineStopped();
  bool Closing() const { return closing_; }

  // Ends the program as File -> Exit does, from wherever the operator is: open menus
  // and dialogs (a question, the About box, a setup dialog) are closed unanswered
  // first. For the termination signals.
  void CloseEverything();

 signals:
  void engineStopped();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  QWidget* BuildLeftColumn();
  QWidget* BuildJobList();
  QWidget* BuildRipColumn();

  // The commands.
  void RushJob();
  void MoveUp();
  void MoveDown();
  void KillJob();
  void CancelAllJobs();
  void StartAll();
  void StopAll();
  void ReloadRipLogs();
  void ClearError();
  void ShowAbout();
  void OpenHomePage();
  void OpenDialog(void (DialogOpener::*open)(QWidget*, engine::Engine&));

  DialogOpener& dialogs_;
  engine::Engine* engine_ = nullptr;
  Pictures pictures_;

  TextProgressBar* activityBar_ = nullptr;
  LampWidget* scannerLamp_ = nullptr;
  CFolderListCtrl* folders_ = nullptr;
  ReportList* waitingList_ = nullptr;
  ReportList* queuedList_ = nullptr;
  WaitingJobsModel* waiting_ = nullptr;
  QueuedJobsModel* queued_ = nullptr;
  LampWidget* errorLamp_ = nullptr;
  QLabel* errorText_ = nullptr;
  QPushButton* clear_ = nullptr;
  std::array<RipPanel*, core::kRipCount> panels_{};
  QMenu* waitingMenu_ = nullptr;
  QMenu* queuedMenu_ = nullptr;

  bool closing_ = false;
  bool engineStopped_ = false;
};

}  // namespace vellora::ui
