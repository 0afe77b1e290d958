// Starting other programs. A Windows program receives one command-line text and
// splits it itself; here the text is split with the same quoting rules into an
// argument vector, and the program is started directly, never through a shell, so
// no file name can ever be run as shell text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/stop_check.h"

namespace vellora::platform {

// The Windows rules: arguments are separated by blanks and tabs; a double quote
// starts or ends a quoted part in which blanks are ordinary; 2n backslashes before a
// quote give n backslashes and the quote keeps its meaning, 2n+1 give n backslashes
// and a literal quote; other backslashes are literal; inside a quoted part a doubled
// quote is a literal quote. The program name (first argument) ends at the first
// blank, or, when it starts with a quote, at the next quote, with no backslash rules.
std::vector<std::string> SplitWindowsCommandLine(std::string_view commandLine);

// Starts the program (looked up in PATH when it has no "/") with its standard input
// and output on /dev/null, as a hidden window would have, and waits for it to end.
// False when it could not be started; *exitCode receives its exit status (128 +
// signal number when a signal ended it).
bool RunHiddenAndWait(const std::vector<std::string>& argv, int* exitCode);

struct RunResult {
  bool started = false;
  bool stopped = false;  // cut short by the stop check
  int exitCode = 0;      // as above; meaningless when stopped
};

// The same, with no time-out, but asking stop every 50 ms while the program runs.
// When it says yes the program is told to end (SIGTERM) and, if it is still there
// after graceMs, killed (SIGKILL). The program runs in a process group of its own,
// and whatever it started in that group ends with it: a converter started through a
// shell script does not outlive the stop.
RunResult RunHiddenUntilStopped(const std::vector<std::string>& argv, const StopCheck& stop,
                                int graceMs = 500);

}  // namespace vellora::platform
