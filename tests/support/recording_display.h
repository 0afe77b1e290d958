// A Display that keeps every call as one text line, for assertions.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/display.h"

namespace vellora::test {

class RecordingDisplay : public core::Display {
 public:
  std::vector<std::string> Calls() const;
  // How many recorded calls start with the prefix.
  int Count(const std::string& prefix) const;
  bool Has(const std::string& call) const;
  void Clear();

  void InitWindow() override { Add("InitWindow"); }
  void Redraw() override { Add("Redraw"); }
  void LayoutWindow() override { Add("LayoutWindow"); }
  void SetScannerCaption(const std::string& c) override { Add("ScannerCaption " + c); }
  void SetScannerBar(int p) override { Add("ScannerBar " + std::to_string(p)); }
  void SetScannerLamp(core::Lamp l) override {
    Add(std::string("ScannerLamp ") + core::LampName(l));
  }
  void FillInputFolders(const std::vector<core::InputFolderItem>& items) override;
  void SetSpoolerIcon(int s, core::SpoolerIcon i) override;
  void SetErrorLamp(core::Lamp l) override { Add(std::string("ErrorLamp ") + core::LampName(l)); }
  void SetErrorText(const std::string& t, bool e) override {
    Add(std::string("ErrorText ") + (e ? "1 " : "0 ") + t);
  }
  void Beep(int f, int ms) override { Add("Beep " + std::to_string(f) + " " + std::to_string(ms)); }
  void SetRipTitle(core::RipIndex r, const std::string& t) override { Add(Rip(r) + "Title " + t); }
  void SetRipControlsEnabled(core::RipIndex r, bool e) override {
    Add(Rip(r) + "Controls " + (e ? "1" : "0"));
  }
  void SetRipLamp(core::RipIndex r, core::RipLamp w, core::Lamp l) override;
  void SetRipSwitch(core::RipIndex r, bool on, bool en) override {
    Add(Rip(r) + "Switch " + (on ? "on" : "off") + (en ? "" : " disabled"));
  }
  void SetRipStatusText(core::RipIndex r, const std::string& t) override {
    Add(Rip(r) + "Status " + t);
  }
  void SetRipProgress(core::RipIndex r, int lo, int hi, int pos) override {
    Add(Rip(r) + "Progress " + std::to_string(lo) + " " + std::to_string(hi) + " " +
        std::to_string(pos));
  }
  void SetRipQueueBar(core::RipIndex r, const std::string& c, int hi, int pos) override {
    Add(Rip(r) + "QueueBar " + c + " " + std::to_string(hi) + " " + std::to_string(pos));
  }
  void WaitingRowInserted(int i, const core::WaitingRow& row) override {
    Add("WaitingInserted " + std::to_string(i) + " " + row.job + " " + std::to_string(row.prio));
  }
  void WaitingRowRemoved(int i, const core::WaitingRow& row) override {
    Add("WaitingRemoved " + std::to_string(i) + " " + row.job);
  }
  void WaitingRowSelected(int i) override { Add("WaitingSelected " + std::to_string(i)); }
  void QueuedRowAdded(int i, const core::QueuedRow& row) override {
    Add("QueuedAdded " + std::to_string(i) + " " + std::to_string(row.rip.value) + " " + row.job);
  }
  void QueuedRowRemoved(int i, const core::QueuedRow& row) override {
    Add("QueuedRemoved " + std::to_string(i) + " " + std::to_string(row.rip.value) + " " + row.job);
  }
  void RipJobRowAdded(core::RipIndex r, int i, const core::RipJobRow& row) override;
  void RipJobRowRemoved(core::RipIndex r, int i) override {
    Add(Rip(r) + "JobRemoved " + std::to_string(i));
  }
  void SettingsSaved(bool ok, const std::string& error) override {
    Add(std::string("SettingsSaved ") + (ok ? "1" : "0") + (error.empty() ? "" : " " + error));
  }
  void DatabaseTested(bool ok, const std::string& text) override {
    Add(std::string("DatabaseTested ") + (ok ? "1 " : "0 ") + text);
  }
  void ServerSwitched(bool connected, const std::string& serverText,
                      const std::string& message) override {
    Add(std::string("ServerSwitched ") + (connected ? "1 " : "0 ") + serverText + " | " + message);
  }
  void TestMailSent(bool ok, const std::string& lastError) override {
    Add(std::string("TestMailSent ") + (ok ? "1" : "0") +
        (lastError.empty() ? "" : " " + lastError));
  }
  void EngineStopped() override { Add("EngineStopped"); }

 private:
  static std::string Rip(core::RipIndex r) {
    return "RIP" + std::to_string(r.Number().value) + " ";
  }
  void Add(std::string call);

  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace vellora::test
