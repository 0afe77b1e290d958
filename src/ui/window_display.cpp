// The engine's display operations on the main window.
#include "ui/window_display.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>

#include "ui/folder_list.h"
#include "ui/main_window.h"
#include "ui/picture_widgets.h"
#include "ui/report_list.h"
#include "ui/rip_panel.h"
#include "ui/row_models.h"
#include "ui/text.h"
#include "ui/text_progress_bar.h"

namespace vellora::ui {

WindowDisplay::WindowDisplay(MainWindow& window) : QObject(&window), window_(window) {}

void WindowDisplay::BatchDelivered() {
  window_.WaitingJobs().Flush();
  window_.QueuedJobs().Flush();
  for (core::RipIndex i : core::AllRips()) {
    RipPanel& panel = window_.Panel(i);
    panel.Jobs().Flush();
    if (scrollRipList_[i.Slot()]) panel.JobList().scrollToBottom();
    scrollRipList_[i.Slot()] = false;
  }
}

// The window was built in its start-up state; the engine's first calls set the rest.
void WindowDisplay::InitWindow() {}

void WindowDisplay::Redraw() {
  window_.update();
}

void WindowDisplay::LayoutWindow() {}

void WindowDisplay::SetScannerCaption(const std::string& caption) {
  window_.ActivityBar().SetCaption(ToQt(caption));
}

void WindowDisplay::SetScannerBar(int position) {
  window_.ActivityBar().SetPosition(position);
}

void WindowDisplay::SetScannerLamp(core::Lamp lamp) {
  window_.ScannerLamp().SetLamp(lamp);
}

void WindowDisplay::FillInputFolders(const std::vector<core::InputFolderItem>& items) {
  window_.InputFolders().Fill(items);
}

void WindowDisplay::SetSpoolerIcon(int spooler, core::SpoolerIcon icon) {
  window_.InputFolders().SetIcon(spooler, icon);
}

void WindowDisplay::SetErrorLamp(core::Lamp lamp) {
  window_.ErrorLamp().SetLamp(lamp);
}

void WindowDisplay::SetErrorText(const std::string& text, bool error) {
  window_.ShowErrorText(ToQt(text), error);
}

void WindowDisplay::Beep(int frequencyHz, int) {
  // The desktop's bell has no pitch: one bell per sweep of rising tones (the sweep
  // starts at 500 Hz) instead of 67 bells run together.
  if (frequencyHz == 500) QApplication::beep();
}

void WindowDisplay::SetRipTitle(core::RipIndex rip, const std::string& title) {
  if (rip.Valid()) window_.Panel(rip).setTitle(ToQt(title));
}

void WindowDisplay::SetRipControlsEnabled(core::RipIndex rip, bool enabled) {
  if (rip.Valid()) window_.Panel(rip).SetControlsEnabled(enabled);
}

void WindowDisplay::SetRipLamp(core::RipIndex rip, core::RipLamp which, core::Lamp lamp) {
  if (rip.Valid()) window_.Panel(rip).Lamp(which).SetLamp(lamp);
}

void WindowDisplay::SetRipSwitch(core::RipIndex rip, bool on, bool enabled) {
  if (!rip.Valid()) return;
  RunSwitch& s = window_.Panel(rip).Switch();
  s.SetOn(on);
  s.setEnabled(enabled);
}

void WindowDisplay::SetRipStatusText(core::RipIndex rip, const std::string& text) {
  if (rip.Valid()) window_.Panel(rip).StatusText().setText(ToQt(text));
}

void WindowDisplay::SetRipProgress(core::RipIndex rip, int lower, int upper, int position) {
  if (!rip.Valid()) return;
  TextProgressBar& bar = window_.Panel(rip).JobBar();
  bar.SetRange(lower, upper);
  bar.SetPosition(position);
}

void WindowDisplay::SetRipQueueBar(core::RipIndex rip, const std::string& caption, int upper,
                                   int position) {
  if (!rip.Valid()) return;
  TextProgressBar& bar = window_.Panel(rip).QueueBar();
  bar.SetRange(0, upper);
  bar.SetPosition(position);
  bar.SetCaption(ToQt(caption));
}

void WindowDisplay::WaitingRowInserted(int index, const core::WaitingRow& row) {
  window_.WaitingJobs().Insert(index, row);
}

void WindowDisplay::WaitingRowRemoved(int index, const core::WaitingRow& row) {
  window_.WaitingJobs().Remove(index, &row);
}

void WindowDisplay::WaitingRowSelected(int index) {
  // A moved or rushed row is selected besides the rows still selected, and shown.
  WaitingJobsModel& model = window_.WaitingJobs();
  model.Flush();
  if (index < 0 || index >= model.rowCount()) return;
  ReportList& list = window_.WaitingJobsList();
  const QModelIndex at = model.index(index, 0);
  list.selectionModel()->select(at, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  list.scrollTo(at);
}

void WindowDisplay::QueuedRowAdded(int index, const core::QueuedRow& row) {
  window_.QueuedJobs().Insert(index, row);
}

void WindowDisplay::QueuedRowRemoved(int index, const core::QueuedRow& row) {
  window_.QueuedJobs().Remove(index, &row);
}

void WindowDisplay::RipJobRowAdded(core::RipIndex rip, int index, const core::RipJobRow& row) {
  if (!rip.Valid()) return;
  window_.Panel(rip).Jobs().Insert(index, row);
  scrollRipList_[rip.Slot()] = true;
}

void WindowDisplay::RipJobRowRemoved(core::RipIndex rip, int index) {
  if (rip.Valid()) window_.Panel(rip).Jobs().Remove(index);
}

void WindowDisplay::SettingsSaved(bool ok, const std::string& error) {
  emit settingsSaved(ok, ToQt(error));
  if (ok || !window_.isVisible()) return;
  // Vellora.ini could not be written: the operator learns at once, without the window
  // waiting for an answer.
  auto* box =
      new QMessageBox(QMessageBox::Warning, "Vellora", ToQt(error), QMessageBox::Ok, &window_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void WindowDisplay::DatabaseTested(bool ok, const std::string& text) {
  emit databaseTested(ok, ToQt(text));
}

void WindowDisplay::ServerSwitched(bool connected, const std::string& serverText,
                                   const std::string& message) {
  emit serverSwitched(connected, ToQt(serverText), ToQt(message));
}

void WindowDisplay::TestMailSent(bool ok, const std::string& lastError) {
  emit testMailSent(ok, ToQt(lastError));
}

void WindowDisplay::EngineStopped() {
  BatchDelivered();
  window_.OnEngineStopped();
}

}  // namespace vellora::ui
