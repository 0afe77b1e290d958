// Between QtDisplay and the window's display in the tests: forwards every call and
// keeps a record of it (as RecordingDisplay lines), so a test can count what reached
// the window (the scanner's passes, for one), and counts the calls that arrived on
// any thread but the GUI thread (there must be none).
#pragma once

#include <atomic>

#include <QCoreApplication>
#include <QThread>

#include "support/recording_display.h"
#include "ui/qt_display.h"

namespace vellora::test {

class TapDisplay final : public ui::GuiDisplay {
 public:
  // With no next display the calls are only recorded.
  explicit TapDisplay(ui::GuiDisplay* next = nullptr) : next_(next) {}
  RecordingDisplay record;
  std::atomic<int> offGuiThread{0};
  int batches = 0;

  void BatchDelivered() override {
    ++batches;
    if (next_ != nullptr) next_->BatchDelivered();
  }
  void InitWindow() override {
    Both([](core::Display& d) { d.InitWindow(); });
  }
  void Redraw() override {
    Both([](core::Display& d) { d.Redraw(); });
  }
  void LayoutWindow() override {
    Both([](core::Display& d) { d.LayoutWindow(); });
  }
  void SetScannerCaption(const std::string& c) override {
    Both([&](core::Display& d) { d.SetScannerCaption(c); });
  }
  void SetScannerBar(int p) override {
    Both([&](core::Display& d) { d.SetScannerBar(p); });
  }
  void SetScannerLamp(core::Lamp l) override {
    Both([&](core::Display& d) { d.SetScannerLamp(l); });
  }
  void FillInputFolders(const std::vector<core::InputFolderItem>& i) override {
    Both([&](core::Display& d) { d.FillInputFolders(i); });
  }
  void SetSpoolerIcon(int s, core::SpoolerIcon i) override {
    Both([&](core::Display& d) { d.SetSpoolerIcon(s, i); });
  }
  void SetErrorLamp(core::Lamp l) override {
    Both([&](core::Display& d) { d.SetErrorLamp(l); });
  }
  void SetErrorText(const std::string& t, bool e) override {
    Both([&](core::Display& d) { d.SetErrorText(t, e); });
  }
  void Beep(int f, int ms) override {
    Both([&](core::Display& d) { d.Beep(f, ms); });
  }
  void SetRipTitle(core::RipIndex r, const std::string& t) override {
    Both([&](core::Display& d) { d.SetRipTitle(r, t); });
  }
  void SetRipControlsEnabled(core::RipIndex r, bool e) override {
    Both([&](core::Display& d) { d.SetRipControlsEnabled(r, e); });
  }
  void SetRipLamp(core::RipIndex r, core::RipLamp w, core::Lamp l) override {
    Both([&](core::Display& d) { d.SetRipLamp(r, w, l); });
  }
  void SetRipSwitch(core::RipIndex r, bool on, bool en) override {
    Both([&](core::Display& d) { d.SetRipSwitch(r, on, en); });
  }
  void SetRipStatusText(core::RipIndex r, const std::string& t) override {
    Both([&](core::Display& d) { d.SetRipStatusText(r, t); });
  }
  void SetRipProgress(core::RipIndex r, int lo, int hi, int pos) override {
    Both([&](core::Display& d) { d.SetRipProgress(r, lo, hi, pos); });
  }
  void SetRipQueueBar(core::RipIndex r, const std::string& c, int hi, int pos) override {
    Both([&](core::Display& d) { d.SetRipQueueBar(r, c, hi, pos); });
  }
  void WaitingRowInserted(int i, const core::WaitingRow& row) override {
    Both([&](core::Display& d) { d.WaitingRowInserted(i, row); });
  }
  void WaitingRowRemoved(int i, const core::WaitingRow& row) override {
    Both([&](core::Display& d) { d.WaitingRowRemoved(i, row); });
  }
  void WaitingRowSelected(int i) override {
    Both([&](core::Display& d) { d.WaitingRowSelected(i); });
  }
  void QueuedRowAdded(int i, const core::QueuedRow& row) override {
    Both([&](core::Display& d) { d.QueuedRowAdded(i, row); });
  }
  void QueuedRowRemoved(int i, const core::QueuedRow& row) override {
    Both([&](core::Display& d) { d.QueuedRowRemoved(i, row); });
  }
  void RipJobRowAdded(core::RipIndex r, int i, const core::RipJobRow& row) override {
    Both([&](core::Display& d) { d.RipJobRowAdded(r, i, row); });
  }
  void RipJobRowRemoved(core::RipIndex r, int i) override {
    Both([&](core::Display& d) { d.RipJobRowRemoved(r, i); });
  }
  void SettingsSaved(bool ok, const std::string& e) override {
    Both([&](core::Display& d) { d.SettingsSaved(ok, e); });
  }
  void DatabaseTested(bool ok, const std::string& t) override {
    Both([&](core::Display& d) { d.DatabaseTested(ok, t); });
  }
  void ServerSwitched(bool c, const std::string& st, const std::string& m) override {
    Both([&](core::Display& d) { d.ServerSwitched(c, st, m); });
  }
  void TestMailSent(bool ok, const std::string& e) override {
    Both([&](core::Display& d) { d.TestMailSent(ok, e); });
  }
  void EngineStopped() override {
    Both([](core::Display& d) { d.EngineStopped(); });
  }

 private:
  template <class Call>
  void Both(Call call) {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++offGuiThread;
    call(record);
    if (next_ != nullptr) call(*next_);
  }

  ui::GuiDisplay* next_;
};

}  // namespace vellora::test
