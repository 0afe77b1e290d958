// Texts between the engine and the widgets. The engine's texts are bytes as the file
// system and the RIP logs give them: UTF-8 where they are valid UTF-8, else the
// single-byte Windows texts the system was written for, shown as Latin-1. Paths the
// desktop hands over go back in the file system's own encoding.
#pragma once

#include <string>

#include <QString>

namespace vellora::ui {

QString ToQt(const std::string& text);
// A local file path from the desktop (a drop) as the engine takes it.
std::string FromLocalPath(const QString& path);
// A text the operator typed, as the engine keeps it (UTF-8).
std::string FromQt(const QString& text);
// The text of a field that showed before: its bytes exactly as they were while the
// operator left the field as shown (a Latin-1 setting stays Latin-1), the typed text
// otherwise.
std::string EditedText(const QString& now, const std::string& before);

}  // namespace vellora::ui
