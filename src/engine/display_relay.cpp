// The relay between the engine's threads and the outer Display.
#include "engine/display_relay.h"

#include <optional>

namespace vellora::engine {

using core::Display;

DisplayRelay::DisplayRelay(core::Display& out) : out_(out) {
  thread_ = std::thread([this] { Run(); });
}

DisplayRelay::~DisplayRelay() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void DisplayRelay::Post(const std::function<void(PanelsView&)>& change, Call call) {
  {
    std::lock_guard lock(mutex_);
    if (change) change(view_);
    queue_.push_back(std::move(call));
  }
  wake_.notify_one();
}

void DisplayRelay::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || !queue_.empty() || barPending_; });
    if (queue_.empty()) {
      if (!barPending_) break;  // ending, and everything delivered
      // Only the bar has moved: its latest position, once the interval is over.
      const auto due = lastBar_ + std::chrono::milliseconds(kBarIntervalMs);
      if (!ending_ && std::chrono::steady_clock::now() < due &&
          wake_.wait_until(lock, due, [this] { return ending_ || !queue_.empty(); })) {
        continue;
      }
    }
    // A pending bar position goes before the next call, which was made after it.
    std::optional<int> bar;
    if (barPending_) {
      barPending_ = false;
      bar = view_.scannerBar;
      lastBar_ = std::chrono::steady_clock::now();
    }
    Call call;
    if (!queue_.empty()) {
      call = std::move(queue_.front());
      queue_.pop_front();
    }
    delivering_ = true;
    lock.unlock();
    if (bar) out_.SetScannerBar(*bar);
    if (call) call(out_);
    lock.lock();
    delivering_ = false;
    if (queue_.empty() && !barPending_) delivered_.notify_all();
  }
  delivered_.notify_all();
}

void DisplayRelay::WaitUntilDelivered() {
  std::unique_lock lock(mutex_);
  delivered_.wait(lock, [this] { return queue_.empty() && !barPending_ && !delivering_; });
}

PanelsView DisplayRelay::Panels() const {
  std::lock_guard lock(mutex_);
  return view_;
}

void DisplayRelay::InitWindow() {
  Post([](PanelsView& v) { v.windowInitialised = true; }, [](Display& d) { d.InitWindow(); });
}

void DisplayRelay::Redraw() {
  Post(nullptr, [](Display& d) { d.Redraw(); });
}

void DisplayRelay::LayoutWindow() {
  Post([](PanelsView& v) { v.laidOut = true; }, [](Display& d) { d.LayoutWindow(); });
}

void DisplayRelay::SetScannerCaption(const std::string& caption) {
  Post([&](PanelsView& v) { v.scannerCaption = caption; },
       [caption](Display& d) { d.SetScannerCaption(caption); });
}

void DisplayRelay::SetScannerBar(int position) {
  // The scanner moves its bar up to fifty times a second while it waits for files to
  // settle: each step is recorded at once, but only the latest position is handed on,
  // at most every kBarIntervalMs, so that an idle program does not wake this thread
  // (and the window) for every step.
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    view_.scannerBar = position;
    wake = !barPending_;
    barPending_ = true;
  }
  if (wake) wake_.notify_one();
}

void DisplayRelay::SetScannerLamp(core::Lamp lamp) {
  Post([&](PanelsView& v) { v.scannerLamp = lamp; },
       [lamp](Display& d) { d.SetScannerLamp(lamp); });
}

void DisplayRelay::FillInputFolders(const std::vector<core::InputFolderItem>& items) {
  Post(
      [&](PanelsView& v) {
        v.inputFolders = items;
        v.spoolerIcons.clear();
        for (const auto& item : items) {
          v.spoolerIcons.push_back(item.enabled ? core::SpoolerIcon::Idle
                                                : core::SpoolerIcon::Disabled);
        }
      },
      [items](Display& d) { d.FillInputFolders(items); });
}

void DisplayRelay::SetSpoolerIcon(int spooler, core::SpoolerIcon icon) {
  Post(
      [&](PanelsView& v) {
        if (spooler < 0 || spooler >= static_cast<int>(v.spoolerIcons.size())) return;
        v.spoolerIcons[static_cast<size_t>(spooler)] = icon;
        // The icon is the enable flag as the window shows it: the scanner marks a
        // switched-off spooler disabled, and an operator's click enables it again.
        v.inputFolders[static_cast<size_t>(spooler)].enabled = icon != core::SpoolerIcon::Disabled;
      },
      [spooler, icon](Display& d) { d.SetSpoolerIcon(spooler, icon); });
}

void DisplayRelay::SetErrorLamp(core::Lamp lamp) {
  Post([&](PanelsView& v) { v.errorLamp = lamp; }, [lamp](Display& d) { d.SetErrorLamp(lamp); });
}

void DisplayRelay::SetErrorText(const std::string& text, bool error) {
  Post(
      [&](PanelsView& v) {
        v.errorText = text;
        v.errorShown = error;
      },
      [text, error](Display& d) { d.SetErrorText(text, error); });
}

void DisplayRelay::Beep(int frequencyHz, int milliseconds) {
  Post(nullptr, [=](Display& d) { d.Beep(frequencyHz, milliseconds); });
}

namespace {
RipPanelView* Panel(PanelsView& v, core::RipIndex rip) {
  return rip.Valid() ? &v.rips[rip.Slot()] : nullptr;
}
}  // namespace

void DisplayRelay::SetRipTitle(core::RipIndex rip, const std::string& title) {
  Post(
      [&](PanelsView& v) {
        if (auto* p = Panel(v, rip)) p->title = title;
      },
      [rip, title](Display& d) { d.SetRipTitle(rip, title); });
}

void DisplayRelay::SetRipControlsEnabled(core::RipIndex rip, bool enabled) {
  Post(
      [&](PanelsView& v) {
        if (auto* p = Panel(v, rip)) p->controlsEnabled = enabled;
      },
      [rip, enabled](Display& d) { d.SetRipControlsEnabled(rip, enabled); });
}

void DisplayRelay::SetRipLamp(core::RipIndex rip, core::RipLamp which, core::Lamp lamp) {
  Post(
      [&](PanelsView& v) {
        if (auto* p = Panel(v, rip)) p->lamps[static_cast<size_t>(which)] = lamp;
      },
      [rip, which, lamp](Display& d) { d.SetRipLamp(rip, which, lamp); });
}

void DisplayRelay::SetRipSwitch(core::RipIndex rip, bool on, bool enabled) {
  Post(
      [&](PanelsView& v) {
        if (auto* p = Panel(v, rip)) {
          p->switchOn = on;
          p->switchEnabled = enabled;
        }
      },
      [rip, on, enabled](Display& d) { d.SetRipSwitch(rip, on, enabled); });
}

void DisplayRelay::SetRipStatusText(core::RipIndex rip, const std::string& text) {
  Post(
      [&](PanelsView& v) {
        if (auto* p = Panel(v, rip)) p->statusText = text;
      },
      [rip, text](Display& d) { d.SetRipStatusText(rip, text); });
}

void DisplayRelay::SetRipProgress(core::RipIndex rip, int lower, int upper, int position) {
  Post(
      [&](PanelsView& v) {
        if (auto* p = Panel(v, rip)) {
          p->progressLower = lower;
          p->progressUpper = upper;
          p->progressPosition = position;
        }
      },
      [=](Display& d) { d.SetRipProgress(rip, lower, upper, position); });
}

void DisplayRelay::SetRipQueueBar(core::RipIndex rip, const std::string& caption, int upper,
                                  int position) {
  Post(
      [&](PanelsView& v) {
        if (auto* p = Panel(v, rip)) {
          p->queueCaption = caption;
          p->queueUpper = upper;
          p->queuePosition = position;
        }
      },
      [=](Display& d) { d.SetRipQueueBar(rip, caption, upper, position); });
}

void DisplayRelay::WaitingRowInserted(int index, const core::WaitingRow& row) {
  Post(nullptr, [index, row](Display& d) { d.WaitingRowInserted(index, row); });
}

void DisplayRelay::WaitingRowRemoved(int index, const core::WaitingRow& row) {
  Post(
      [&](PanelsView& v) {
        if (v.selectedWaitingRow == index) v.selectedWaitingRow = -1;
      },
      [index, row](Display& d) { d.WaitingRowRemoved(index, row); });
}

void DisplayRelay::WaitingRowSelected(int index) {
  Post([&](PanelsView& v) { v.selectedWaitingRow = index; },
       [index](Display& d) { d.WaitingRowSelected(index); });
}

void DisplayRelay::QueuedRowAdded(int index, const core::QueuedRow& row) {
  Post(nullptr, [index, row](Display& d) { d.QueuedRowAdded(index, row); });
}

void DisplayRelay::QueuedRowRemoved(int index, const core::QueuedRow& row) {
  Post(nullptr, [index, row](Display& d) { d.QueuedRowRemoved(index, row); });
}

void DisplayRelay::RipJobRowAdded(core::RipIndex rip, int index, const core::RipJobRow& row) {
  Post(nullptr, [rip, index, row](Display& d) { d.RipJobRowAdded(rip, index, row); });
}

void DisplayRelay::RipJobRowRemoved(core::RipIndex rip, int index) {
  Post(nullptr, [rip, index](Display& d) { d.RipJobRowRemoved(rip, index); });
}

void DisplayRelay::SettingsSaved(bool ok, const std::string& error) {
  Post(
      [&](PanelsView& v) {
        v.lastSaveOk = ok;
        v.lastSaveError = error;
      },
      [ok, error](Display& d) { d.SettingsSaved(ok, error); });
}

void DisplayRelay::DatabaseTested(bool ok, const std::string& text) {
  Post(nullptr, [ok, text](Display& d) { d.DatabaseTested(ok, text); });
}

void DisplayRelay::ServerSwitched(bool connected, const std::string& serverText,
                                  const std::string& message) {
  Post(nullptr, [=](Display& d) { d.ServerSwitched(connected, serverText, message); });
}

void DisplayRelay::TestMailSent(bool ok, const std::string& lastError) {
  Post(nullptr, [ok, lastError](Display& d) { d.TestMailSent(ok, lastError); });
}

void DisplayRelay::EngineStopped() {
  Post([](PanelsView& v) { v.stopped = true; }, [](Display& d) { d.EngineStopped(); });
}

}  // namespace vellora::engine
