// Subject words and enable settings of the mail kinds.
#include "notify/notification_kind.h"

namespace vellora::notify {

const char* SubjectWord(NotificationKind kind) {
  switch (kind) {
    case NotificationKind::NetworkError:
      return "network error";
    case NotificationKind::DatabaseError:
      return "database connection error";
    case NotificationKind::RipError:
      return "RIP error";
    case NotificationKind::RipWarning:
      return "RIP warning";
  }
  return "";
}

bool KindEnabled(NotificationKind kind, const core::SettingsStore& settings) {
  switch (kind) {
    case NotificationKind::NetworkError:
      return settings.MailOnNetworkError != 0;
    case NotificationKind::DatabaseError:
      return settings.MailOnDbError != 0;
    case NotificationKind::RipError:
      return settings.MailOnRipError != 0;
    case NotificationKind::RipWarning:
      return settings.MailOnRipWarning != 0;
  }
  return false;
}

}  // namespace vellora::notify
