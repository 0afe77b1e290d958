// The four kinds of operator mail, each with its enable setting and the word that
// ends its subject.
#pragma once

#include "core/settings.h"

namespace vellora::notify {

enum class NotificationKind { NetworkError = 0, DatabaseError = 1, RipError = 2, RipWarning = 3 };

inline constexpr int kNotificationKinds = 4;

// "network error", "database connection error", "RIP error", "RIP warning"; empty for
// a value outside the four.
const char* SubjectWord(NotificationKind kind);
// MailOnNetworkError, MailOnDbError, MailOnRipError, MailOnRipWarning: true when
// non-zero. False for a value outside the four.
bool KindEnabled(NotificationKind kind, const core::SettingsStore& settings);

}  // namespace vellora::notify
