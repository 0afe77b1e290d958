// Between the engine's threads and the Display handed to the engine. Every call a
// subsystem makes is recorded (so the engine knows what the window shows) and queued;
// one relay thread delivers the queue to the outer Display in the order of the calls.
// That keeps two promises of the engine: the outer Display is never called while an
// engine lock is held (subsystems call the relay under their own locks, which keeps
// the order of their rows, and only queue), and it sees the changes in the order they
// were made, even when several threads make them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "core/display.h"
#include "engine/view.h"

namespace vellora::engine {

class DisplayRelay final : public core::Display {
 public:
  explicit DisplayRelay(core::Display& out);
  // Delivers what is queued, then ends the relay thread.
  ~DisplayRelay() override;
  DisplayRelay(const DisplayRelay&) = delete;
  DisplayRelay& operator=(const DisplayRelay&) = delete;

  PanelsView Panels() const;
  // Returns once every call queued so far has been delivered.
  void WaitUntilDelivered();

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
  using Call = std::function<void(core::Display&)>;
  // Records with change (under the relay's lock, so the view and the queue agree on
  // the order) and queues the call.
  void Post(const std::function<void(PanelsView&)>& change, Call call);
  void Run();

  core::Display& out_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable delivered_;
  std::deque<Call> queue_;
  // A scanner bar position not yet handed on, and when the last one was.
  static constexpr int kBarIntervalMs = 100;
  bool barPending_ = false;
  std::chrono::steady_clock::time_point lastBar_{};
  bool delivering_ = false;
  bool ending_ = false;
  PanelsView view_;
  std::thread thread_;
};

}  // namespace vellora::engine
