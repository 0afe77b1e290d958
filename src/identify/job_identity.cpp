// The default publication date.
#include "identify/job_identity.h"

#include "platform/clock.h"

namespace vellora::identify {

int64_t DefaultJobDate() {
  // Always representable: 1975 lies well inside what the local conversion accepts.
  return platform::MakeLocalTime(1975, 1, 1, 0, 0, 0).value_or(0);
}

}  // namespace vellora::identify
