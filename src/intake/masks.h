// The mask lists of the settings (InputQueueIgnoreMask, RipQueueIgnoreMask): which
// file names they pass over.
#pragma once

#include <string_view>

namespace vellora::intake {

// Whether the file name is matched by one of the ";"-separated masks: a mask equal to
// the whole name (case-sensitive), or one whose extension equals the name's
// extension without regard to case ("*.tmp" matches JOB.TMP, "thumbs.db" every .db
// file). "", "*" and "*.*" mean no mask and match nothing.
bool MatchesMask(std::string_view fileName, std::string_view maskList);

}  // namespace vellora::intake
