// RipPanel: one RIP's part of the window, a group titled with the RIP's name ("RIP n"
// until the configuration is applied, "Not used" for a RIP out of use). Along its top,
// left to right: the status lamp, the run switch, the status text, the job progress
// bar, the three activity lamps (running, input, job) and the queue bar; below them
// the RipJobList of finished jobs, which takes whatever room the panel gets.
#pragma once

#include <array>

#include <QGroupBox>
#include <QLineEdit>

#include "core/display.h"
#include "core/rip_id.h"
#include "ui/picture_widgets.h"
#include "ui/report_list.h"
#include "ui/row_models.h"
#include "ui/text_progress_bar.h"

namespace vellora::ui {

class RipPanel : public QGroupBox {
 public:
  RipPanel(const Pictures& pictures, core::RipIndex rip, QWidget* parent = nullptr);

  core::RipIndex Rip() const { return rip_; }
  LampWidget& Lamp(core::RipLamp which) { return *lamps_[static_cast<size_t>(which)]; }
  RunSwitch& Switch() { return *switch_; }
  QLineEdit& StatusText() { return *status_; }
  TextProgressBar& JobBar() { return *jobBar_; }
  TextProgressBar& QueueBar() { return *queueBar_; }
  ReportList& JobList() { return *list_; }
  RipJobsModel& Jobs() { return *jobs_; }

  // Every control of the panel but the run switch, whose state the engine sets
  // with the switch's own picture.
  void SetControlsEnabled(bool enabled);

 private:
  core::RipIndex rip_;
  std::array<LampWidget*, 4> lamps_{};
  RunSwitch* switch_ = nullptr;
  QLineEdit* status_ = nullptr;
  TextProgressBar* jobBar_ = nullptr;
  TextProgressBar* queueBar_ = nullptr;
  ReportList* list_ = nullptr;
  RipJobsModel* jobs_ = nullptr;
};

}  // namespace vellora::ui
