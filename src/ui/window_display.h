// WindowDisplay: the engine's Display calls carried out on the main window, on the
// GUI thread (QtDisplay brings them there). Lamps, captions, bars, texts and pictures
// are set on their widgets; row changes go to the list models, which show appended
// rows once per batch.
#pragma once

#include <array>

#include <QObject>
#include <QString>

#include "ui/qt_display.h"

namespace vellora::ui {

class MainWindow;

class WindowDisplay final : public QObject, public GuiDisplay {
  Q_OBJECT

 public:
  explicit WindowDisplay(MainWindow& window);

  void BatchDelivered() override;

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

 signals:
  // A settings save an operator command asked for (for the setup dialogs).
  void settingsSaved(bool ok, const QString& error);
  // The results of the setup dialogs' commands, for the dialog that gave them.
  void databaseTested(bool ok, const QString& text);
  void serverSwitched(bool connected, const QString& serverText, const QString& message);
  void testMailSent(bool ok, const QString& lastError);

 private:
  MainWindow& window_;
  // RIP lists that got a row in this batch: scrolled to their last row at its end.
  std::array<bool, core::kRipCount> scrollRipList_{};
};

}  // namespace vellora::ui
