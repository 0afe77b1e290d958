// What a setup dialog changes. A dialog works on a copy of the settings; meanwhile the
// engine may change the store itself (the scanner switches a spooler off after an
// error, the database switch flips UseBackup). Publishing the dialog's whole copy
// would undo those changes, so a dialog's OK applies only the values the operator
// changed, onto the store as it is then, in one read-modify-write.
#pragma once

#include <functional>

#include "core/settings.h"

namespace vellora::core {

using SettingsEdit = std::function<void(SettingsStore&)>;

// The edit that carries every setting whose value differs between original (the copy
// the dialog started from) and edited (the dialog's copy at OK) onto a store. When the
// list of spoolers itself changed (their number, or a setup name at some place), the
// dialog's spooler list is taken whole: the operator has rearranged it.
SettingsEdit ChangedSettings(const SettingsStore& original, const SettingsStore& edited);

}  // namespace vellora::core
