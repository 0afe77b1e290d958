// The engine's calls carried over to the GUI thread.
#include "ui/qt_display.h"

#include <chrono>

namespace vellora::ui {
namespace {

using Clock = std::chrono::steady_clock;
// The most one batch may keep the GUI thread from painting and taking input.
constexpr auto kBatchBudget = std::chrono::milliseconds(8);
// Calls taken from the queue per lock.
constexpr size_t kChunk = 256;

}  // namespace

QtDisplay::QtDisplay(GuiDisplay& gui, QObject* parent) : QObject(parent), gui_(gui) {}

double QtDisplay::LongestBatchMs() const {
  std::lock_guard lock(mutex_);
  return longestBatchMs_;
}

long QtDisplay::Batches() const {
  std::lock_guard lock(mutex_);
  return batches_;
}

bool QtDisplay::Delivered() const {
  std::lock_guard lock(mutex_);
  return pending_.empty() && !posted_;
}

void QtDisplay::Post(Call call) {
  bool post = false;
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(call));
    post = !posted_;
    posted_ = true;
  }
  if (post)
    QMetaObject::invokeMethod(
        this, [this] { Deliver(); }, Qt::QueuedConnection);
}

void QtDisplay::Deliver() {
  const Clock::time_point start = Clock::now();
  bool again = false;
  std::vector<Call> chunk;
  for (;;) {
    chunk.clear();
    {
      std::lock_guard lock(mutex_);
      while (!pending_.empty() && chunk.size() < kChunk) {
        chunk.push_back(std::move(pending_.front()));
        pending_.pop_front();
      }
      if (chunk.empty()) {
        posted_ = false;
        break;
      }
    }
    for (Call& call : chunk) call(gui_);
    if (Clock::now() - start >= kBatchBudget) {
      std::lock_guard lock(mutex_);
      // The rest comes with the next event, after whatever the GUI thread has to do.
      again = !pending_.empty();
      posted_ = again;
      break;
    }
  }
  gui_.BatchDelivered();
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  {
    std::lock_guard lock(mutex_);
    if (ms > longestBatchMs_) longestBatchMs_ = ms;
    ++batches_;
  }
  if (again)
    QMetaObject::invokeMethod(
        this, [this] { Deliver(); }, Qt::QueuedConnection);
}

void QtDisplay::InitWindow() {
  Post([](GuiDisplay& d) { d.InitWindow(); });
}

void QtDisplay::Redraw() {
  Post([](GuiDisplay& d) { d.Redraw(); });
}

void QtDisplay::LayoutWindow() {
  Post([](GuiDisplay& d) { d.LayoutWindow(); });
}

void QtDisplay::SetScannerCaption(const std::string& caption) {
  Post([caption](GuiDisplay& d) { d.SetScannerCaption(caption); });
}

void QtDisplay::SetScannerBar(int position) {
  Post([position](GuiDisplay& d) { d.SetScannerBar(position); });
}

void QtDisplay::SetScannerLamp(core::Lamp lamp) {
  Post([lamp](GuiDisplay& d) { d.SetScannerLamp(lamp); });
}

void QtDisplay::FillInputFolders(const std::vector<core::InputFolderItem>& items) {
  Post([items](GuiDisplay& d) { d.FillInputFolders(items); });
}

void QtDisplay::SetSpoolerIcon(int spooler, core::SpoolerIcon icon) {
  Post([spooler, icon](GuiDisplay& d) { d.SetSpoolerIcon(spooler, icon); });
}

void QtDisplay::SetErrorLamp(core::Lamp lamp) {
  Post([lamp](GuiDisplay& d) { d.SetErrorLamp(lamp); });
}

void QtDisplay::SetErrorText(const std::string& text, bool error) {
  Post([text, error](GuiDisplay& d) { d.SetErrorText(text, error); });
}

void QtDisplay::Beep(int frequencyHz, int milliseconds) {
  Post([=](GuiDisplay& d) { d.Beep(frequencyHz, milliseconds); });
}

void QtDisplay::SetRipTitle(core::RipIndex rip, const std::string& title) {
  Post([rip, title](GuiDisplay& d) { d.SetRipTitle(rip, title); });
}

void QtDisplay::SetRipControlsEnabled(core::RipIndex rip, bool enabled) {
  Post([rip, enabled](GuiDisplay& d) { d.SetRipControlsEnabled(rip, enabled); });
}

void QtDisplay::SetRipLamp(core::RipIndex rip, core::RipLamp which, core::Lamp lamp) {
  Post([rip, which, lamp](GuiDisplay& d) { d.SetRipLamp(rip, which, lamp); });
}

void QtDisplay::SetRipSwitch(core::RipIndex rip, bool on, bool enabled) {
  Post([rip, on, enabled](GuiDisplay& d) { d.SetRipSwitch(rip, on, enabled); });
}

void QtDisplay::SetRipStatusText(core::RipIndex rip, const std::string& text) {
  Post([rip, text](GuiDisplay& d) { d.SetRipStatusText(rip, text); });
}

void QtDisplay::SetRipProgress(core::RipIndex rip, int lower, int upper, int position) {
  Post([=](GuiDisplay& d) { d.SetRipProgress(rip, lower, upper, position); });
}

void QtDisplay::SetRipQueueBar(core::RipIndex rip, const std::string& caption, int upper,
                               int position) {
  Post([=](GuiDisplay& d) { d.SetRipQueueBar(rip, caption, upper, position); });
}

void QtDisplay::WaitingRowInserted(int index, const core::WaitingRow& row) {
  Post([index, row](GuiDisplay& d) { d.WaitingRowInserted(index, row); });
}

void QtDisplay::WaitingRowRemoved(int index, const core::WaitingRow& row) {
  Post([index, row](GuiDisplay& d) { d.WaitingRowRemoved(index, row); });
}

void QtDisplay::WaitingRowSelected(int index) {
  Post([index](GuiDisplay& d) { d.WaitingRowSelected(index); });
}

void QtDisplay::QueuedRowAdded(int index, const core::QueuedRow& row) {
  Post([index, row](GuiDisplay& d) { d.QueuedRowAdded(index, row); });
}

void QtDisplay::QueuedRowRemoved(int index, const core::QueuedRow& row) {
  Post([index, row](GuiDisplay& d) { d.QueuedRowRemoved(index, row); });
}

void QtDisplay::RipJobRowAdded(core::RipIndex rip, int index, const core::RipJobRow& row) {
  Post([rip, index, row](GuiDisplay& d) { d.RipJobRowAdded(rip, index, row); });
}

void QtDisplay::RipJobRowRemoved(core::RipIndex rip, int index) {
  Post([rip, index](GuiDisplay& d) { d.RipJobRowRemoved(rip, index); });
}

void QtDisplay::SettingsSaved(bool ok, const std::string& error) {
  Post([ok, error](GuiDisplay& d) { d.SettingsSaved(ok, error); });
}

void QtDisplay::DatabaseTested(bool ok, const std::string& text) {
  Post([ok, text](GuiDisplay& d) { d.DatabaseTested(ok, text); });
}

void QtDisplay::ServerSwitched(bool connected, const std::string& serverText,
                               const std::string& message) {
  Post([=](GuiDisplay& d) { d.ServerSwitched(connected, serverText, message); });
}

void QtDisplay::TestMailSent(bool ok, const std::string& lastError) {
  Post([ok, lastError](GuiDisplay& d) { d.TestMailSent(ok, lastError); });
}

void QtDisplay::EngineStopped() {
  Post([](GuiDisplay& d) { d.EngineStopped(); });
}

}  // namespace vellora::ui
