// ripsim's log writer on the platform's file functions.
#include "rip_log.h"

#include "platform/files.h"

namespace vellora::ripsim {

RipLog::RipLog(std::string path, bool crlf)
    : path_(std::move(path)), lineEnd_(crlf ? "\r\n" : "\n") {}

bool RipLog::Append(std::string_view line) {
  std::string text(line);
  text += lineEnd_;
  return platform::AppendAndClose(path_, text);
}

bool RipLog::StartNew(const std::vector<std::string>& firstLines) {
  if (platform::PathExists(path_) && !platform::CopyFileOverwrite(path_, oldPath())) {
    return false;
  }
  std::string text;
  for (const auto& l : firstLines) {
    text += l;
    text += lineEnd_;
  }
  return platform::ReplaceAtomically(path_, text);
}

}  // namespace vellora::ripsim
