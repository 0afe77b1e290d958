// The changes of a setup dialog as an edit of the store. The settings are compared and
// carried key by key, through the same tables that load and save Vellora.ini, so that
// no list of fields is kept twice.
#include "core/settings_edit.h"

#include <map>
#include <string>
#include <utility>

#include "core/settings_io.h"
#include "platform/profile_file.h"

namespace vellora::core {
namespace {

using KeyValues = std::map<std::pair<std::string, std::string>, std::string>;

KeyValues AllKeys(const SettingsStore& s) {
  KeyValues out;
  auto add = [&out](const char* section, const std::string& key, const std::string& value) {
    out.emplace(std::make_pair(std::string(section), key), value);
  };
  VisitSavedKeys(s, add);
  VisitUnsavedKeys(s, add);
  VisitWindowKeys(s, add);
  return out;
}

bool SpoolerListChanged(const SettingsStore& a, const SettingsStore& b) {
  if (a.NumberOfSpoolers != b.NumberOfSpoolers) return true;
  for (int m = 0; m < a.NumberOfSpoolers && m < kMaxSpoolers; ++m) {
    if (a.Spoolers[static_cast<size_t>(m)].SetupName !=
        b.Spoolers[static_cast<size_t>(m)].SetupName) {
      return true;
    }
  }
  return false;
}

}  // namespace

SettingsEdit ChangedSettings(const SettingsStore& original, const SettingsStore& edited) {
  KeyValues before = AllKeys(original);
  KeyValues changed;
  for (const auto& [key, value] : AllKeys(edited)) {
    auto it = before.find(key);
    if (it == before.end() || it->second != value) changed.emplace(key, value);
  }
  const bool wholeSpoolerList = SpoolerListChanged(original, edited);
  std::vector<Spooler> spoolers;
  if (wholeSpoolerList) spoolers = edited.Spoolers;
  const int spoolerCount = edited.NumberOfSpoolers;

  return [changed = std::move(changed), wholeSpoolerList, spoolers = std::move(spoolers),
          spoolerCount](SettingsStore& store) {
    if (changed.empty() && !wholeSpoolerList) return;
    // The store as keys, the changed keys written over them, read back: exactly what
    // loading a Vellora.ini holding the store and the dialog's changes would give.
    platform::ProfileFile file;
    for (const auto& [key, value] : AllKeys(store)) file.SetString(key.first, key.second, value);
    for (const auto& [key, value] : changed) file.SetString(key.first, key.second, value);
    SettingsStore merged = LoadSettings(file, nullptr);
    if (wholeSpoolerList) {
      merged.NumberOfSpoolers = spoolerCount;
      merged.Spoolers = spoolers;
    }
    store = std::move(merged);
  };
}

}  // namespace vellora::core
