// Making job and setup names safe as single file-name parts.
#include "brindlog/jmf_file_name.h"

#include <algorithm>

#include "brindlog/xml_text.h"

namespace vellora::brindlog {
namespace {

constexpr std::string_view kXmlExtension = ".xml";

bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 0x20;
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

// What every name part gets after its characters were made safe: UTF-8 (the names
// are read by the same programs that read the files, which are UTF-8), no folder
// name "." or "..", no leading "." and at most limit bytes, never cut inside a
// character.
std::string FinishName(std::string_view safe, size_t limit) {
  std::string name = ToXmlCharacters(safe);
  if (name == "." || name == "..") std::replace(name.begin(), name.end(), '.', '_');
  if (!name.empty() && name.front() == '.') name.front() = '_';
  if (name.size() > limit) {
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return name;
}

}  // namespace

std::string JobFileName(std::string_view jobName, size_t nameMax) {
  static constexpr std::string_view kNotInNames = "\\/:*?\"<>|";
  if (jobName.empty()) return "_";
  std::string name(jobName);
  for (char& c : name) {
    if (IsControl(c) || kNotInNames.find(c) != std::string_view::npos) c = '_';
  }
  size_t limit = std::max(nameMax, kXmlExtension.size() + 1) - kXmlExtension.size();
  return FinishName(name, limit);
}

std::string SetupFolderName(std::string_view escapedSetup, size_t nameMax) {
  static constexpr std::string_view kRemoved = "<>:'\\/?*\"|";
  std::string name;
  for (char c : escapedSetup) {
    if (!IsControl(c) && kRemoved.find(c) == std::string_view::npos) name += c;
  }
  return FinishName(name, std::max<size_t>(nameMax, 1));
}

JobFileLocation LocateJobFile(std::string_view xmlFolder, bool useSetupSubfolders,
                              std::string_view escapedSetup, std::string_view jobName,
                              size_t nameMax) {
  JobFileLocation at;
  std::string base(xmlFolder);
  std::string name = JobFileName(jobName, nameMax);
  if (useSetupSubfolders && !escapedSetup.empty()) {
    std::string folder = SetupFolderName(escapedSetup, nameMax);
    if (!folder.empty()) {
      at.folder = base + "\\" + folder;
      at.path = at.folder + "\\" + name + std::string(kXmlExtension);
      return at;
    }
  }
  constexpr std::string_view kStatus = kStatusFileName;
  if (SameIgnoringCase(name + std::string(kXmlExtension), kStatus)) name += "_";
  at.path = base + "\\" + name + std::string(kXmlExtension);
  return at;
}

}  // namespace vellora::brindlog
