// What the daemon's tests look at: the debug log's messages without their time
// prefix, a JMF file with its time stamp blanked, xmllint's verdict, and every file
// under a folder.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora::test {

// The messages of a debug log, one per line, without "[dd-mm-yyyy hh:mm:ss.mmm] ".
// A message that ends with its own "\r\n" leaves an empty line, which is dropped.
inline std::vector<std::string> DebugMessages(const std::string& path) {
  std::vector<std::string> out;
  std::string text = ReadFile(path);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 2;
    if (line.empty()) continue;
    size_t close = line.find("] ");
    out.push_back(line.size() > 26 && line[0] == '[' && close == 24 ? line.substr(26) : line);
  }
  return out;
}

inline size_t CountMessages(const std::string& path, const std::string& message) {
  auto m = DebugMessages(path);
  return static_cast<size_t>(std::count(m.begin(), m.end(), message));
}

// The file with its TimeStamp value replaced by "T".
inline std::string WithoutTimeStamp(const std::string& content) {
  return std::regex_replace(content, std::regex("TimeStamp=\"[^\"]*\""), "TimeStamp=\"T\"");
}

inline std::string TimeStampOf(const std::string& content) {
  std::smatch m;
  std::regex_search(content, m, std::regex("TimeStamp=\"([^\"]*)\""));
  return m.size() > 1 ? m[1].str() : "";
}

// xmllint answers 0 even for a namespace error (an element name with a stray colon),
// which a namespace-aware reader refuses: any complaint at all counts.
inline bool WellFormed(const std::string& path, std::string* complaint = nullptr) {
  std::string out;
  int rc = RunProgram("/usr/bin/xmllint", {"--noout", path}, &out);
  if (complaint != nullptr) *complaint = out;
  return rc == 0 && out.empty();
}

// Every regular file below folder, as paths relative to it, sorted. A running
// daemon may be writing a hidden temporary file at any moment: visibleOnly leaves
// names beginning with "." out.
inline std::vector<std::string> FilesBelow(const std::string& folder, bool visibleOnly = false) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (visibleOnly && it->path().filename().string().starts_with(".")) continue;
    if (it->is_regular_file()) {
      out.push_back(std::filesystem::relative(it->path(), folder).string());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The job file's text for the given values, time stamp blanked.
inline std::string ExpectedJobJmf(const std::string& host, const std::string& status,
                                  const std::string& fileName, const std::string& setup,
                                  const std::string& jobTime, const std::string& message) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<JMF TimeStamp=\"T\" SenderID=\"Wendrel_" +
         host +
         "\"\r\n  xmlns=\"http://www.CIP4.org/JDFSchema_1_1\" Version=\"1.2\">\r\n"
         "  <Signal ID=\"S1\" Type=\"Notification\" >\r\n"
         "    <Notification Class=\"Event\" Type=\"RipJob\">\r\n"
         "      <RipJob Status=\"" +
         status + "\" FileName=\"" + fileName + "\" Setup=\"" + setup + "\" JobTime=\"" + jobTime +
         "\" Message=\"" + message +
         "\" />\r\n"
         "    </Notification>\r\n  </Signal>\r\n</JMF>\r\n";
}

inline std::string ExpectedStatusJmf(const std::string& host, const std::string& status) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<JMF TimeStamp=\"T\" SenderID=\"Wendrel_" +
         host +
         "\"\r\n  xmlns=\"http://www.CIP4.org/JDFSchema_1_1\" Version=\"1.2\">\r\n"
         "  <Signal ID=\"S1\" Type=\"Status\" >\r\n"
         "    <DeviceInfo DeviceStatus=\"" +
         status + "\"/>\r\n  </Signal>\r\n</JMF>\r\n";
}

}  // namespace vellora::test
