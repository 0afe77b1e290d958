// QtDisplay: the engine's Display for the window. The engine calls it from its relay
// thread; every call is queued and carried out on the GUI thread, in the order the
// engine made it, by the GUI thread's own Display (GuiDisplay, which changes the
// widgets). Calls are carried over in batches: one queued event per batch, and a batch
// hands the GUI thread no more than a few milliseconds of work before letting it
// paint and take input again, so a flood of rows never freezes the window.
//
// It only queues: it never calls back into the engine, and never waits for the GUI
// thread.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include <QObject>

#include "core/display.h"

namespace vellora::ui {

// The GUI thread's side: a Display whose calls all arrive on the GUI thread, told when
// a batch of them ends (the moment to show what the batch changed).
class GuiDisplay : public core::Display {
 public:
  virtual void BatchDelivered() = 0;
};

class QtDisplay final : public QObject, public core::Display {
 public:
  // gui lives in the thread this object lives in (the GUI thread).
  explicit QtDisplay(GuiDisplay& gui, QObject* parent = nullptr);

  // The longest time the GUI thread spent on one batch so far, and the number of
  // batches, for measurements.
  double LongestBatchMs() const;
  long Batches() const;
  // Whether every call made so far has been carried out on the GUI thread.
  bool Delivered() const;

  void InitWindow() override;
  void Redraw() override;
  void LayoutWindow() override;
  void SetScannerCaption(const std::string& caption) override;
  void SetScannerBar(int position) override;
  void SetScannerLamp(core::Lamp lamp) override;
  void FillInputFolders(const std::vector<core::InputFolderItem>& items) override;
  void SetSpoolerIcon(int spooler, core::SpoolerIcon icon) override;
  void SetErrorLamp(core::Lamp lamp) override;
  void SetErrorText(const std::string& text, bool error) override;
  void Beep(int frequencyHz, int milliseconds) override;
  void SetRipTitle(core::RipIndex rip, const std::string& title) override;
  void SetRipControlsEnabled(core::RipIndex rip, bool enabled) override;
  void SetRipLamp(core::RipIndex rip, core::RipLamp which, core::Lamp lamp) override;
  void SetRipSwitch(core::RipIndex rip, bool on, bool enabled) override;
  void SetRipStatusText(core::RipIndex rip, const std::string& text) override;
  void SetRipProgress(core::RipIndex rip, int lower, int upper, int position) override;
  void SetRipQueueBar(core::RipIndex rip, const std::string& caption, int upper,
                      int position) override;
  void WaitingRowInserted(int index, const core::WaitingRow& row) override;
  void WaitingRowRemoved(int index, const core::WaitingRow& row) override;
  void WaitingRowSelected(int index) override;
  void QueuedRowAdded(int index, const core::QueuedRow& row) override;
  void QueuedRowRemoved(int index, const core::QueuedRow& row) override;
  void RipJobRowAdded(core::RipIndex rip, int index, const core::RipJobRow& row) override;
  void RipJobRowRemoved(core::RipIndex rip, int index) override;
  void SettingsSaved(bool ok, const std::string& error) override;
  void DatabaseTested(bool ok, const std::string& text) override;
  void ServerSwitched(bool connected, const std::string& serverText,
                      const std::string& message) override;
  void TestMailSent(bool ok, const std::string& lastError) override;
  void EngineStopped() override;

 private:
  using Call = std::function<void(GuiDisplay&)>;
  void Post(Call call);
  void Deliver();

  GuiDisplay& gui_;
  mutable std::mutex mutex_;
  std::deque<Call> pending_;
  bool posted_ = false;  // a delivery is queued or running
  double longestBatchMs_ = 0;
  long batches_ = 0;
};

}  // namespace vellora::ui
