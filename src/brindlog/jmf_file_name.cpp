// Making job and setup names safe as single file-name parts.
#include "brindlog/jmf_file_name.h"

#include <algorithm>

namespace vellora::brindlog {
namespace {

bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 0x20;
}

// "." and ".." stand for a folder, never for a file of their own.
std::string WithoutDotNames(std::string name) {
  if (name == "." || name == "..") std::replace(name.begin(), name.end(), '.', '_');
  return name;
}

}  // namespace

std::string JobFileName(std::string_view jobName) {
  static constexpr std::string_view kNotInNames = "\\/:*?\"<>|";
  std::string name(jobName);
  for (char& c : name) {
    if (IsControl(c) || kNotInNames.find(c) != std::string_view::npos) c = '_';
  }
  if (name.empty()) return "_";
  return WithoutDotNames(std::move(name));
}

std::string SetupFolderName(std::string_view escapedSetup) {
  static constexpr std::string_view kRemoved = "<>:'\\/?*\"|";
  std::string name;
  for (char c : escapedSetup) {
    if (!IsControl(c) && kRemoved.find(c) == std::string_view::npos) name += c;
  }
  return WithoutDotNames(std::move(name));
}

JobFileLocation LocateJobFile(std::string_view xmlFolder, bool useSetupSubfolders,
                              std::string_view escapedSetup, std::string_view jobName) {
  JobFileLocation at;
  std::string base(xmlFolder);
  if (useSetupSubfolders && !escapedSetup.empty()) {
    std::string folder = SetupFolderName(escapedSetup);
    if (!folder.empty()) {
      at.folder = base + "\\" + folder;
      at.path = at.folder + "\\" + JobFileName(jobName) + ".xml";
      return at;
    }
  }
  at.path = base + "\\" + JobFileName(jobName) + ".xml";
  return at;
}

}  // namespace vellora::brindlog
