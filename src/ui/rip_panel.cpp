// A RIP panel.
#include "ui/rip_panel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vellora::ui {

RipPanel::RipPanel(const Pictures& pictures, core::RipIndex rip, QWidget* parent)
    : QGroupBox(parent), rip_(rip) {
  const QString n = QString::number(rip.Number().value);
  setTitle("RIP " + n);
  setObjectName("RipPanel" + n);

  auto lamp = [&](core::RipLamp which, const char* name) {
    auto* w = new LampWidget(pictures, core::Lamp::Grey, this);
    w->setObjectName(QString::fromLatin1(name) + n);
    lamps_[static_cast<size_t>(which)] = w;
    return w;
  };
  switch_ = new RunSwitch(pictures, this);
  switch_->setObjectName("RunSwitch" + n);
  switch_->setToolTip("Start or stop RIP " + n);
  status_ = new QLineEdit(this);
  status_->setObjectName("StatusText" + n);
  status_->setReadOnly(true);
  status_->setFocusPolicy(Qt::NoFocus);
  status_->setContextMenuPolicy(Qt::NoContextMenu);
  status_->setFixedWidth(190);
  jobBar_ = new TextProgressBar(this);
  jobBar_->setObjectName("JobBar" + n);
  jobBar_->setFixedWidth(120);
  queueBar_ = new TextProgressBar(this);
  queueBar_->setObjectName("QueueBar" + n);
  queueBar_->setFixedWidth(96);
  queueBar_->SetRange(0, 1);
  queueBar_->SetCaption("Queued: 0");

  auto* row = new QHBoxLayout;
  row->setSpacing(6);
  row->addWidget(lamp(core::RipLamp::Status, "StatusLamp"));
  row->addWidget(switch_);
  row->addWidget(status_);
  row->addWidget(jobBar_);
  auto* lamps = new QHBoxLayout;
  lamps->setSpacing(2);
  lamps->addWidget(lamp(core::RipLamp::Running, "RunningLamp"));
  lamps->addWidget(lamp(core::RipLamp::Input, "InputLamp"));
  lamps->addWidget(lamp(core::RipLamp::Job, "JobLamp"));
  row->addLayout(lamps);
  row->addWidget(queueBar_);
  row->addStretch(1);

  jobs_ = new RipJobsModel(pictures, this);
  list_ = new ReportList({15, 200, 160, 130, 40}, /*severalRows=*/false, this);
  list_->setObjectName("RipJobList" + n);
  list_->setModel(jobs_);
  list_->ApplyColumnWidths();
  list_->CentrePicturesIn(0);

  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(6, 4, 6, 6);
  box->setSpacing(4);
  box->addLayout(row);
  box->addWidget(list_, 1);
}

void RipPanel::SetControlsEnabled(bool enabled) {
  for (LampWidget* l : lamps_) l->setEnabled(enabled);
  status_->setEnabled(enabled);
  jobBar_->setEnabled(enabled);
  queueBar_->setEnabled(enabled);
  list_->setEnabled(enabled);
}

}  // namespace vellora::ui
