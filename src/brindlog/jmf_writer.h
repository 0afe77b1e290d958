// Writing the JMF files into the XMLfolder: one per finished job, and "RipStatus.xml"
// after every pass. Each file is written whole under a hidden temporary name and
// renamed into place, so a program that picks the files up never reads half a file;
// a file of the same name is replaced.
#pragma once

#include <string>
#include <string_view>

#include "brindlog/debug_log.h"
#include "platform/clock.h"
#include "riplog/rip_job.h"

namespace vellora::brindlog {

class JmfWriter {
 public:
  // computerName goes into SenderID (cut to 199 characters).
  JmfWriter(std::string xmlFolder, bool useSetupSubfolders, DebugLog& log,
            std::string computerName);

  // One job's file; true when written. The name, setup and job time are escaped, the
  // message too but with "'" as "#"; failures are reported in the debug log.
  bool WriteJobJmf(std::string_view name, riplog::JobStatus status, std::string_view message,
                   std::string_view setup, std::string_view jobTime);
  // flag 0: "Running", otherwise "Not running".
  bool WriteStatusJmf(int flag);

  // An XMLfolder the files may go into: given as a full path (a relative one would
  // be taken from wherever the daemon was started, the root under systemd; an empty
  // one would put the files into the root itself) and naming a folder that can be
  // entered.
  static bool IsUsableFolder(std::string_view xmlFolder);
  const std::string& folder() const { return xmlFolder_; }

  // The clock of the time stamps (tests fix it).
  void SetClock(platform::LocalTime (*now)()) { now_ = now; }

 private:
  bool WriteFile(const std::string& path, const std::string& content);

  std::string xmlFolder_;
  bool useSetupSubfolders_;
  DebugLog& log_;
  std::string sender_;  // the computer's name as it stands in SenderID
  platform::LocalTime (*now_)() = platform::NowLocal;
};

}  // namespace vellora::brindlog
