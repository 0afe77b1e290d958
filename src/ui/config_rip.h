// CConfigRip, the RIP definitions ("General setup...."): one group per RIP ("RIP 1
// setup" to "RIP 4 setup") with its tracking switch, name, SW folder and login, and
// the group "Generel preferences" with the settings that concern every RIP and the
// input files. Works on a copy of the settings; OK checks the number fields (a value
// out of range is refused and the dialog stays open) and leaves the accepted values
// in Edited(); Cancel leaves nothing.
#pragma once

#include <array>

#include <QDialog>

#include "core/settings.h"

class QCheckBox;
class QLineEdit;

namespace vellora::ui {

class FolderField;
class Pictures;

class CConfigRip : public QDialog {
  Q_OBJECT

 public:
  CConfigRip(const Pictures& pictures, const core::SettingsStore& settings,
             QWidget* parent = nullptr);

  // The settings with the dialog's values, once it was closed with OK.
  const core::SettingsStore& Edited() const { return edited_; }

  void accept() override;

 private:
  struct RipGroup {
    QCheckBox* use = nullptr;
    QLineEdit* name = nullptr;
    FolderField* sw = nullptr;
    QCheckBox* currentUser = nullptr;
    QLineEdit* user = nullptr;
    QLineEdit* password = nullptr;
  };

  QWidget* BuildRipGroup(const Pictures& pictures, int rip);
  QWidget* BuildPreferences();
  void UpdateEnabling();
  // The number fields checked in the dialog's order; false after a refusal.
  bool TakeNumbers();

  core::SettingsStore edited_;
  std::array<RipGroup, core::kRipCount> rips_;
  QCheckBox* forceOpenInputs_ = nullptr;
  QLineEdit* maxOutstandingJobs_ = nullptr;
  QLineEdit* maxRipDoneList_ = nullptr;
  QLineEdit* stableTime_ = nullptr;
  QCheckBox* ignoreLockCheck_ = nullptr;
  QCheckBox* stopOnError_ = nullptr;
  QCheckBox* beepOnError_ = nullptr;
  QLineEdit* inputQueueIgnoreMask_ = nullptr;
  QLineEdit* ripQueueIgnoreMask_ = nullptr;
  QLineEdit* maxLogFileReadSize_ = nullptr;
  QCheckBox* orderByDatabasePriority_ = nullptr;
};

}  // namespace vellora::ui
