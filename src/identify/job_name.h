// Cutting a job name into its JobIdentity with the settings of the spooler it came
// from: the naming convention, the separators, the date format and the defaults.
#pragma once

#include <string>

#include "identify/identify_context.h"
#include "identify/job_identity.h"

namespace vellora::identify {

// Fills the name fields of the identity (Publication to Date), WeekNumber, PubDate and
// PreviousYearDate from the name; the lookup fields are left alone. spooler counts
// from 0. The pattern is cut by separators when it contains one of the spooler's
// separator characters, otherwise by fixed positions (characters beyond the name or
// beyond the pattern are not read). False only when the date does not convert; the
// other fields are filled all the same.
bool ParseJobName(const std::string& name, int spooler, JobIdentity& identity,
                  const IdentifyContext& context);

}  // namespace vellora::identify
