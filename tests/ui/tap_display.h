// Between QtDisplay and the window's display in the tests: forwards every call and
// keeps a record of it (as RecordingDisplay lines), so a test can count what reached
// the window, such as the scanner's passes.
#pragma once

#include "support/recording_display.h"
#include "ui/qt_display.h"

namespace vellora::test {

class TapDisplay final : public ui::GuiDisplay {
 public:
  explicit TapDisplay(ui::GuiDisplay& next) : next_(next) {}
  RecordingDisplay record;

  void BatchDelivered() override { next_.BatchDelivered(); }
  void InitWindow() override {
    record.InitWindow();
    next_.InitWindow();
  }
  void Redraw() override {
    record.Redraw();
    next_.Redraw();
  }
  void LayoutWindow() override {
    record.LayoutWindow();
    next_.LayoutWindow();
  }
  void SetScannerCaption(const std::string& c) override {
    record.SetScannerCaption(c);
    next_.SetScannerCaption(c);
  }
  void SetScannerBar(int p) override { next_.SetScannerBar(p); }  // too many to keep
  void SetScannerLamp(core::Lamp l) override {
    record.SetScannerLamp(l);
    next_.SetScannerLamp(l);
  }
  void FillInputFolders(const std::vector<core::InputFolderItem>& i) override {
    record.FillInputFolders(i);
    next_.FillInputFolders(i);
  }
  void SetSpoolerIcon(int s, core::SpoolerIcon i) override { next_.SetSpoolerIcon(s, i); }
  void SetErrorLamp(core::Lamp l) override {
    record.SetErrorLamp(l);
    next_.SetErrorLamp(l);
  }
  void SetErrorText(const std::string& t, bool e) override {
    record.SetErrorText(t, e);
    next_.SetErrorText(t, e);
  }
  void Beep(int f, int ms) override {
    record.Beep(f, ms);
    next_.Beep(f, ms);
  }
  void SetRipTitle(core::RipIndex r, const std::string& t) override {
    record.SetRipTitle(r, t);
    next_.SetRipTitle(r, t);
  }
  void SetRipControlsEnabled(core::RipIndex r, bool e) override {
    record.SetRipControlsEnabled(r, e);
    next_.SetRipControlsEnabled(r, e);
  }
  void SetRipLamp(core::RipIndex r, core::RipLamp w, core::Lamp l) override {
    record.SetRipLamp(r, w, l);
    next_.SetRipLamp(r, w, l);
  }
  void SetRipSwitch(core::RipIndex r, bool on, bool en) override {
    record.SetRipSwitch(r, on, en);
    next_.SetRipSwitch(r, on, en);
  }
  void SetRipStatusText(core::RipIndex r, const std::string& t) override {
    record.SetRipStatusText(r, t);
    next_.SetRipStatusText(r, t);
  }
  void SetRipProgress(core::RipIndex r, int lo, int hi, int pos) override {
    next_.SetRipProgress(r, lo, hi, pos);
  }
  void SetRipQueueBar(core::RipIndex r, const std::string& c, int hi, int pos) override {
    record.SetRipQueueBar(r, c, hi, pos);
    next_.SetRipQueueBar(r, c, hi, pos);
  }
  void WaitingRowInserted(int i, const core::WaitingRow& row) override {
    next_.WaitingRowInserted(i, row);
  }
  void WaitingRowRemoved(int i, const core::WaitingRow& row) override {
    record.WaitingRowRemoved(i, row);
    next_.WaitingRowRemoved(i, row);
  }
  void WaitingRowSelected(int i) override {
    record.WaitingRowSelected(i);
    next_.WaitingRowSelected(i);
  }
  void QueuedRowAdded(int i, const core::QueuedRow& row) override {
    record.QueuedRowAdded(i, row);
    next_.QueuedRowAdded(i, row);
  }
  void QueuedRowRemoved(int i, const core::QueuedRow& row) override {
    record.QueuedRowRemoved(i, row);
    next_.QueuedRowRemoved(i, row);
  }
  void RipJobRowAdded(core::RipIndex r, int i, const core::RipJobRow& row) override {
    record.RipJobRowAdded(r, i, row);
    next_.RipJobRowAdded(r, i, row);
  }
  void RipJobRowRemoved(core::RipIndex r, int i) override {
    record.RipJobRowRemoved(r, i);
    next_.RipJobRowRemoved(r, i);
  }
  void SettingsSaved(bool ok, const std::string& e) override {
    record.SettingsSaved(ok, e);
    next_.SettingsSaved(ok, e);
  }
  void EngineStopped() override {
    record.EngineStopped();
    next_.EngineStopped();
  }

 private:
  ui::GuiDisplay& next_;
};

}  // namespace vellora::test
