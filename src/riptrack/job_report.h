// Reporting a finished job: the report text and result code for its outcome, the row
// in the RIP's job list, and then the mail and the database entries, which their own
// services carry out. Runs on the monitor's thread, once per closing line, before the
// monitor reads the next line; it never stops the monitor.
#pragma once

#include "core/settings.h"
#include "riptrack/rip_job_lists.h"
#include "riptrack/rip_services.h"

namespace vellora::riptrack {

// The report text is held in a buffer of this size (longer texts are cut).
inline constexpr size_t kReportTextSize = 2048;

// Failed when Failed is set (whatever Warned says), completed with warning when
// Warned is set, completed otherwise:
//   "%s Failed or canceled - %s" (JobName, ErrorText), result 2;
//   "%s Completed with warning - %s" (JobName, WarningText), result 3;
//   "%s Completed" (JobName), result 1.
JobReport BuildJobReport(const FinishedJob& job);

// The report: the row (report text, result, JobTime, Setup, RIP number) in the job
// list of the RIP, which keeps at most MaxRipDoneList rows; then the mail and the
// database entries of the job on the RIP's own connection, and, for a live job with
// UpdateStatus set, the status of its page.
void ReportRipJob(const FinishedJob& job, const core::SettingsStore& settings, RipJobLists& lists,
                  RipServices& services, RipConnection& connection);

}  // namespace vellora::riptrack
