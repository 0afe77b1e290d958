// vellora-headless --send-test-mail: the e-mail setup's "Send test mail" for
// administrators, with the mail settings of the program folder's Vellora.ini.
#pragma once

#include <cstdio>
#include <string>

#include "notify/notifier.h"

namespace vellora::apps {

using notify::kTestMailBody;
using notify::kTestMailSubject;

// Checks MailServer, MailFrom and MailTo in that order and stops at the first that
// is empty ("No mailserver specified", "No sender specified", "No recipient
// specified" on err; 2). Otherwise sends one mail to MailServer, port 25: from
// MailFrom to MailTo and MailCC, subject MailSubject (kTestMailSubject when empty),
// body kTestMailBody. Prints "Test e-mail was successfully sent" on out and returns 0,
// or "Test e-mail failed!" and the mail client's last error on err and returns 1.
// SIGINT or SIGTERM, when the caller has blocked them, end a mail that hangs.
int RunSendTestMail(const std::string& programFolder, FILE* out, FILE* err);

}  // namespace vellora::apps
