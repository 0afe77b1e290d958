// The report of a finished job.
#include "riptrack/job_report.h"

#include <cstdio>

namespace vellora::riptrack {

JobReport BuildJobReport(const FinishedJob& job) {
  char text[kReportTextSize];
  JobReport report;
  const riplog::RipJob& j = job.job;
  if (job.Failed) {
    std::snprintf(text, sizeof text, "%s Failed or canceled - %s", j.JobName.c_str(),
                  j.ErrorText.c_str());
    report.result = core::JobResult::Failed;
  } else if (job.Warned) {
    std::snprintf(text, sizeof text, "%s Completed with warning - %s", j.JobName.c_str(),
                  j.WarningText.c_str());
    report.result = core::JobResult::Warning;
  } else {
    std::snprintf(text, sizeof text, "%s Completed", j.JobName.c_str());
    report.result = core::JobResult::Completed;
  }
  report.text = text;
  return report;
}

void ReportRipJob(const FinishedJob& job, const core::SettingsStore& settings, RipJobLists& lists,
                  RipServices& services, RipConnection& connection) {
  JobReport report = BuildJobReport(job);
  lists.AddRipJobRow(report.text, report.result, job.job.JobTime, job.job.Setup, job.ripNumber,
                     settings.MaxRipDoneList);
  // The row is there whatever happens to the mail and the entries below.
  services.MailFinishedJob(job, report);
  connection.AddJobLogEntries(job, report);
  if (job.live && settings.UpdateStatus != 0) connection.UpdatePageStatus(job);
}

}  // namespace vellora::riptrack
