// ripsim's Logfile: every line is appended by opening, writing and closing the file,
// so that the readers, who open it for the moment of a read, always see whole lines
// and may read at any time. A new, shorter log replaces the file in one step.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellora::ripsim {

class RipLog {
 public:
  // path: the Logfile; crlf: lines end with CR LF, else with LF.
  RipLog(std::string path, bool crlf);

  // Appends one line with its line end. False when the file could not be written.
  bool Append(std::string_view line);
  // Starts a new log holding only firstLines. The previous log is copied to
  // "Logfile.old" beside it first; the new one then replaces it atomically, so a
  // reader finds either the old log or the new one, never none.
  bool StartNew(const std::vector<std::string>& firstLines);

  const std::string& path() const { return path_; }
  std::string oldPath() const { return path_ + ".old"; }

 private:
  std::string path_;
  const char* lineEnd_;
};

}  // namespace vellora::ripsim
