// The per-spooler external command run on a job file before delivery. The command
// line comes from CommandFile%d with the placeholders "%f" and "%o" (the job's path)
// and "%i" (the path the job was moved to for the command, its name + ".tmp").
#pragma once

#include <string>

#include "core/logs.h"
#include "platform/stop_check.h"

namespace vellora::intake {

constexpr size_t kMaxCommandLine = 255;

// Replaces every "%f" and "%o" with sourcePath and every "%i" with inputPath.
std::string ExpandCommandLine(const std::string& commandFile, const std::string& sourcePath,
                              const std::string& inputPath);

// Runs the command hidden and waits for it to end. The placeholders are replaced in
// each argument after the command line has been split, so a file name with blanks or
// quotes stays one argument, and nothing is ever given to a shell. Paths are handed
// over as OS paths. A command line longer than 255 characters, or one whose program
// cannot be started, is refused with the program-log line
// "Create Process for external script file failed. (%s)"; returns false then.
//
// The wait has no time-out, but a stop request ends it at once: the command is told
// to end and killed after a short grace period; *cutShort (when given) then says so.
bool RunExternalCommand(const std::string& commandFile, const std::string& sourcePath,
                        const std::string& inputPath, core::LogWriters& logs,
                        const platform::StopCheck& stop = {}, bool* cutShort = nullptr);

}  // namespace vellora::intake
