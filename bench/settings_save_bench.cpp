// Saving Vellora.ini: SaveSettings (load, every saved key written, one save to disk)
// on large files with 100 spoolers, for sizes of 1.5, 3 and 6 MB, in two shapes:
//   "all keys present": the site's file as the program saved it before, with a block
//                       of site notes (comment lines) at the end of [Setup];
//   "keys to add":      the same notes, but only three keys per spooler, so that the
//                       save adds some 5,500 key lines to the section (the first save
//                       after the spoolers were entered by hand).
// Prints milliseconds per save (best of the runs) and per MB: a save linear in the
// file's size keeps the last column flat.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/settings_io.h"

namespace {

namespace fs = std::filesystem;
using vellora::core::SettingsStore;

// The file: [Setup] with NumberOfSpoolers 100; per spooler either every saved key or
// three of them; then comment lines until the file reaches its size.
std::string MakeFile(size_t bytes, bool allKeys) {
  SettingsStore s;
  s.NumberOfSpoolers = 100;
  for (int m = 0; m < 100; ++m) {
    s.Spoolers[static_cast<size_t>(m)].InputSpool = "\\\\fileserver\\in\\spool" + std::to_string(m);
    s.Spoolers[static_cast<size_t>(m)].Enable = 1;
  }
  std::string keys;
  std::vector<std::string> perSpooler(101);
  int current = 0;  // 0: the global keys before the first spooler
  vellora::core::VisitSavedKeys(s, [&](const char*, const std::string& key, const std::string& v) {
    if (key.rfind("InputSpool", 0) == 0 && key.find_first_of("0123456789") == 10) {
      current = std::stoi(key.substr(10));
    } else if (key == "OrderByDatabasePriority") {
      current = 0;
    }
    bool keep = allKeys || key.rfind("InputSpool", 0) == 0 || key.rfind("Enable", 0) == 0 ||
                key.rfind("SetupName", 0) == 0;
    if (current == 0 || keep) perSpooler[static_cast<size_t>(current)] += key + "=" + v + "\r\n";
  });
  std::string head = "[Setup]\r\n" + perSpooler[0];
  size_t body = 0;
  for (int m = 1; m <= 100; ++m) body += perSpooler[static_cast<size_t>(m)].size();
  const std::string note =
      "; site note: the night shift routes the regional editions through this setup\r\n";
  size_t notes = bytes > head.size() + body ? (bytes - head.size() - body) / note.size() : 0;
  std::string out = head;
  out.reserve(bytes + 4096);
  for (int m = 1; m <= 100; ++m) out += perSpooler[static_cast<size_t>(m)];
  for (size_t i = 0; i < notes; ++i) out += note;
  out += "[Window]\r\nLeft=0\r\nRight=800\r\nTop=0\r\nBottom=600\r\n";
  return out;
}

double SaveMs(const std::string& folder, const std::string& text, const SettingsStore& store) {
  std::string ini = vellora::core::IniPathFor(folder);
  double best = 1e99;
  for (int run = 0; run < 3; ++run) {
    std::ofstream(folder + "/Vellora.ini", std::ios::binary | std::ios::trunc) << text;
    auto t0 = std::chrono::steady_clock::now();
    bool ok = vellora::core::SaveSettings(ini, store);
    auto t1 = std::chrono::steady_clock::now();
    if (!ok) std::fprintf(stderr, "save failed\n");
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  return best;
}

}  // namespace

int main() {
  fs::path dir = fs::temp_directory_path() / "vellora-settings-bench";
  fs::create_directories(dir);
  std::printf("%-18s %8s %8s %12s %10s\n", "shape", "MB", "lines", "ms per save", "ms per MB");
  for (bool allKeys : {true, false}) {
    for (size_t mb10 : {15, 30, 60}) {
      std::string text = MakeFile(mb10 * 100000, allKeys);
      std::string ini = vellora::core::IniPathFor(dir.string());
      std::ofstream(dir / "Vellora.ini", std::ios::binary | std::ios::trunc) << text;
      SettingsStore store = vellora::core::LoadSettings(ini, nullptr);
      store.MaxOutstandingJobs = 2;  // one changed value, as after a dialog
      double ms = SaveMs(dir.string(), text, store);
      double mb = static_cast<double>(text.size()) / 1e6;
      size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
      std::printf("%-18s %8.2f %8zu %12.1f %10.1f\n", allKeys ? "all keys present" : "keys to add",
                  mb, lines, ms, ms / mb);
    }
  }
  fs::remove_all(dir);
  return 0;
}
