// Loading and saving the settings store from and to Vellora.ini.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "platform/profile_file.h"

namespace vellora::core {

// "%s\Vellora.ini" of the program folder.
std::string IniPathFor(std::string_view programFolder);

// Reads every key in the load order; a missing key (or file) takes its default, and
// the file is never created or changed. Problems worth a program-log line (a file
// that is there but cannot be used: unreadable, no regular file, binary; an
// out-of-range NumberOfSpoolers) are appended to warnings, "WARNING:" lines ready to be
// shown at once and logged once the log switches are known. A file saved as UTF-16 or
// as UTF-8 with a byte-order mark is read as single-byte text (Windows-1252).
SettingsStore LoadSettings(std::string_view iniPath, std::vector<std::string>* warnings);
// The same from a profile already in memory.
SettingsStore LoadSettings(const platform::ProfileFile& file, std::vector<std::string>* warnings);

// One saved key in the save order.
using KeySink =
    std::function<void(const char* section, const std::string& key, const std::string& value)>;
// Visits the keys SaveSettings writes, in its order, with their texts.
void VisitSavedKeys(const SettingsStore& store, const KeySink& sink);
// Visits the keys that are read at start but never saved (after the saved ones when
// the effective settings are printed).
void VisitUnsavedKeys(const SettingsStore& store, const KeySink& sink);
// Visits the window keys in SaveWindowPosition's order.
void VisitWindowKeys(const SettingsStore& store, const KeySink& sink);

// Writes the saved keys into the file (every other line stays as it was, and the
// file keeps its encoding) and saves it once, through a temporary file, keeping the
// mode and owner of the file and writing through a symbolic link to its target. A
// file that is there but could not be read is never replaced: the save fails. Returns
// whether it worked, with the reason in error; callers that have nobody to tell may
// ignore it.
bool SaveSettings(std::string_view iniPath, const SettingsStore& store,
                  std::string* error = nullptr);
bool SaveWindowPosition(std::string_view iniPath, const SettingsStore& store,
                        std::string* error = nullptr);

// The effective settings as INI text: [Setup] with the saved keys in save order and
// then the keys that are never saved, [Window] with the window keys.
std::string FormatEffectiveSettings(const SettingsStore& store);

// atoi semantics: leading blanks, an optional sign and the leading digits; anything
// else reads as 0. Values beyond int are clamped.
int AtoiValue(std::string_view text);

}  // namespace vellora::core
