// The connection string of a data source, and the same text as it may be shown:
// messages, log lines and error texts never carry a password.
#pragma once

#include <string>
#include <string_view>

namespace vellora::db {

// "DSN=" + data source + ";UID=" + user + ";PWD=" + password. A value holding a
// ";", a brace or blanks at its ends is written in braces ({...}, "}" doubled), the
// ODBC form for such values, so that a password with a ";" still logs in and no
// value can add attributes of its own; other values are written as they are.
std::string BuildConnectionString(std::string_view dataSource, std::string_view user,
                                  std::string_view password);

// The connection string as messages show it: "PWD=***" whatever the password.
std::string ShownConnectionString(std::string_view dataSource, std::string_view user);

// The text with every PWD= value replaced by ***: first the password's own form
// in the connection string (whatever characters it holds), then any other PWD=
// value (any case, braced, or up to the next ";", blank, quote or parenthesis).
std::string MaskPasswords(std::string_view text, std::string_view password);

}  // namespace vellora::db
