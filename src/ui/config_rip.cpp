// The RIP definitions dialog.
#include "ui/config_rip.h"

#include <climits>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"
#include "ui/text.h"

namespace vellora::ui {
namespace {

constexpr int kNumberWidth = 70;

}  // namespace

CConfigRip::CConfigRip(const Pictures& pictures, const core::SettingsStore& settings,
                       QWidget* parent)
    : QDialog(parent), edited_(settings) {
  setObjectName("CConfigRip");
  // The dialog has no caption of its own; its header names the menu entry.
  QVBoxLayout* body = FrameDialog(*this, pictures, QString(), "General setup");

  auto* ripsGroup = new QGroupBox("RIP definitions", this);
  ripsGroup->setObjectName("RipDefinitions");
  auto* ripGrid = new QGridLayout(ripsGroup);
  ripGrid->setHorizontalSpacing(10);
  ripGrid->setVerticalSpacing(8);
  for (int r = 0; r < core::kRipCount; ++r) {
    ripGrid->addWidget(BuildRipGroup(pictures, r), r / 2, r % 2);
  }
  body->addWidget(ripsGroup);
  body->addWidget(BuildPreferences());
  AddOkCancel(*body, *this, pictures);

  for (RipGroup& g : rips_) {
    connect(g.use, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(g.currentUser, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
  }
  UpdateEnabling();
}

QWidget* CConfigRip::BuildRipGroup(const Pictures& pictures, int rip) {
  const QString n = QString::number(rip + 1);
  const core::RipSlot& slot = edited_.Rips[static_cast<size_t>(rip)];
  RipGroup& g = rips_[static_cast<size_t>(rip)];
  auto* group = new QGroupBox("RIP " + n + " setup", this);
  group->setObjectName("Rip" + n + "Setup");
  g.use = Check("Enable RIP tracking " + n, "UseRIP" + n, slot.UseRIP, group);
  g.name = new QLineEdit(ToQt(slot.RIPName), group);
  g.name->setObjectName("RIP" + n + "Name");
  g.sw = new FolderField(pictures, "Select RIP SW sub-folder", "RIP" + n + "swPath", group);
  g.sw->setText(ToQt(slot.RIPswPath));
  g.currentUser = Check("Use current user for login", "RIP" + n + "UseCurrentUser",
                        slot.RIPUseCurrentUser, group);
  g.user = new QLineEdit(ToQt(slot.RIPUserName), group);
  g.user->setObjectName("RIP" + n + "UserName");
  g.password = new QLineEdit(ToQt(slot.RIPPassword), group);
  g.password->setObjectName("RIP" + n + "Password");
  g.password->setEchoMode(QLineEdit::Password);

  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(5);
  grid->addWidget(g.use, 0, 0, 1, 2);
  grid->addWidget(new QLabel("Computername", group), 1, 0);
  grid->addWidget(g.name, 1, 1);
  grid->addWidget(new QLabel("SW folder", group), 2, 0);
  grid->addWidget(g.sw, 2, 1);
  grid->addWidget(g.currentUser, 3, 0, 1, 2);
  grid->addWidget(new QLabel("Username", group), 4, 0);
  grid->addWidget(g.user, 4, 1);
  grid->addWidget(new QLabel("Password", group), 5, 0);
  grid->addWidget(g.password, 5, 1);
  grid->setColumnStretch(1, 1);
  group->setMinimumWidth(340);
  return group;
}

QWidget* CConfigRip::BuildPreferences() {
  const core::SettingsStore& s = edited_;
  auto* group = new QGroupBox("Generel preferences", this);
  group->setObjectName("GenerelPreferences");
  forceOpenInputs_ = Check("Non-Harlequin RIPs", "ForceOpenInputs", s.ForceOpenInputs, group);
  maxOutstandingJobs_ = NumberEdit(s.MaxOutstandingJobs, "MaxOutstandingJobs", kNumberWidth, group);
  maxRipDoneList_ = NumberEdit(s.MaxRipDoneList, "MaxRipDoneList", kNumberWidth, group);
  stableTime_ = NumberEdit(s.StableTime, "StableTime", kNumberWidth, group);
  ignoreLockCheck_ =
      Check("Bypass lock test on incoming files", "IgnoreLockCheck", s.IgnoreLockCheck, group);
  stopOnError_ = Check("Stop on network error", "StopOnError", s.StopOnError, group);
  // Kept in the dialog but never shown: its value passes through unchanged.
  beepOnError_ = Check("Beep on network error", "BeepOnError", s.BeepOnError, group);
  beepOnError_->setVisible(false);
  inputQueueIgnoreMask_ = new QLineEdit(ToQt(s.InputQueueIgnoreMask), group);
  inputQueueIgnoreMask_->setObjectName("InputQueueIgnoreMask");
  ripQueueIgnoreMask_ = new QLineEdit(ToQt(s.RipQueueIgnoreMask), group);
  ripQueueIgnoreMask_->setObjectName("RipQueueIgnoreMask");
  maxLogFileReadSize_ = NumberEdit(s.MaxLogFileReadSize, "MaxLogFileReadSize", kNumberWidth, group);
  maxLogFileReadSize_->setFixedWidth(kNumberWidth + 30);
  orderByDatabasePriority_ = Check("Lookup database priority for all jobs",
                                   "OrderByDatabasePriority", s.OrderByDatabasePriority, group);

  auto* left = new QGridLayout;
  left->setVerticalSpacing(5);
  left->addWidget(forceOpenInputs_, 0, 0, 1, 2);
  left->addWidget(new QLabel("Maximum outstanding jobs on each RIP", group), 1, 0);
  left->addWidget(maxOutstandingJobs_, 1, 1);
  left->addWidget(new QLabel("Maximum jobs in RIP done lists", group), 2, 0);
  left->addWidget(maxRipDoneList_, 2, 1);
  left->addWidget(new QLabel("Stabletime for incoming files", group), 3, 0);
  auto* stable = new QHBoxLayout;
  stable->setSpacing(6);
  stable->addWidget(stableTime_);
  stable->addWidget(new QLabel("sec", group));
  stable->addStretch(1);
  left->addLayout(stable, 3, 1);
  left->addWidget(ignoreLockCheck_, 4, 0, 1, 2);
  left->addWidget(stopOnError_, 5, 0, 1, 2);
  left->addWidget(orderByDatabasePriority_, 6, 0, 1, 2);
  left->setColumnStretch(1, 1);

  auto* right = new QGridLayout;
  right->setVerticalSpacing(5);
  right->addWidget(new QLabel("Input files/extensions to ignore", group), 0, 0);
  right->addWidget(inputQueueIgnoreMask_, 0, 1);
  right->addWidget(new QLabel("(Separate by semi-colons)", group), 1, 1);
  right->addWidget(new QLabel("Rip-folder files/extensions to ignore", group), 2, 0);
  right->addWidget(ripQueueIgnoreMask_, 2, 1);
  right->addWidget(new QLabel("(Separate by semi-colons)", group), 3, 1);
  right->addWidget(new QLabel("Max bytes to read from RIP logfile", group), 4, 0);
  right->addWidget(maxLogFileReadSize_, 4, 1, Qt::AlignLeft);
  right->setRowStretch(5, 1);
  right->setColumnStretch(1, 1);

  auto* columns = new QHBoxLayout(group);
  columns->setSpacing(24);
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  return group;
}

void CConfigRip::UpdateEnabling() {
  for (RipGroup& g : rips_) {
    const bool used = g.use->isChecked();
    g.name->setEnabled(used);
    g.sw->setEnabled(used);
    g.currentUser->setEnabled(used);
    const bool login = used && !g.currentUser->isChecked();
    g.user->setEnabled(login);
    g.password->setEnabled(login);
  }
}

bool CConfigRip::TakeNumbers() {
  core::SettingsStore& s = edited_;
  return TakeNumber(this, *maxOutstandingJobs_, "Maximum outstanding jobs on each RIP", 0, INT_MAX,
                    s.MaxOutstandingJobs) &&
         TakeNumber(this, *maxRipDoneList_, "Maximum jobs in RIP done lists", 2, 100,
                    s.MaxRipDoneList) &&
         TakeNumber(this, *stableTime_, "Stabletime for incoming files", 0, 10000, s.StableTime) &&
         TakeNumber(this, *maxLogFileReadSize_, "Max bytes to read from RIP logfile", 0, INT_MAX,
                    s.MaxLogFileReadSize);
}

void CConfigRip::accept() {
  // Numbers first: a refusal keeps the dialog open with nothing taken.
  core::SettingsStore before = edited_;
  if (!TakeNumbers()) {
    edited_ = before;
    return;
  }
  core::SettingsStore& s = edited_;
  for (size_t r = 0; r < rips_.size(); ++r) {
    RipGroup& g = rips_[r];
    core::RipSlot& slot = s.Rips[r];
    slot.UseRIP = g.use->isChecked() ? 1 : 0;
    slot.RIPName = EditedText(g.name->text(), slot.RIPName);
    slot.RIPswPath = EditedText(g.sw->text(), slot.RIPswPath);
    slot.RIPUseCurrentUser = g.currentUser->isChecked() ? 1 : 0;
    slot.RIPUserName = EditedText(g.user->text(), slot.RIPUserName);
    slot.RIPPassword = EditedText(g.password->text(), slot.RIPPassword);
  }
  s.ForceOpenInputs = forceOpenInputs_->isChecked() ? 1 : 0;
  s.IgnoreLockCheck = ignoreLockCheck_->isChecked() ? 1 : 0;
  s.StopOnError = stopOnError_->isChecked() ? 1 : 0;
  s.InputQueueIgnoreMask = EditedText(inputQueueIgnoreMask_->text(), s.InputQueueIgnoreMask);
  s.RipQueueIgnoreMask = EditedText(ripQueueIgnoreMask_->text(), s.RipQueueIgnoreMask);
  s.OrderByDatabasePriority = orderByDatabasePriority_->isChecked() ? 1 : 0;
  QDialog::accept();
}

}  // namespace vellora::ui
