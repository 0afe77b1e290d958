// Process-level facts and controls: host name, process id, environment, the
// termination signals that end the headless program and the daemon.
#pragma once

#include <optional>
#include <string>

namespace vellora::platform {

std::string HostName();
int ProcessId();
std::optional<std::string> GetEnvironment(const char* name);
// The absolute path of the running executable (empty when unknown).
std::string ExecutablePath();
// The current directory at the moment of the call.
std::string CurrentDirectory();

// Blocks SIGINT and SIGTERM in the calling thread and every thread it starts later,
// so that WaitForTerminationSignal can take them synchronously. Call first in main().
void BlockTerminationSignals();
// Waits until SIGINT or SIGTERM arrives or the time-out passes (milliseconds, < 0:
// no limit). Returns the signal number, or 0 after the time-out.
int WaitForTerminationSignal(long timeoutMs);

// The signals a foreground tool is steered with while it runs: the two termination
// signals and three run-time controls.
enum class ControlSignal { None, Terminate, User1, User2, HangUp };
// Blocks SIGINT, SIGTERM, SIGUSR1, SIGUSR2 and SIGHUP in the calling thread and every
// thread it starts later, so that WaitForControlSignal takes them instead of their
// default actions. Call first in main().
void BlockControlSignals();
// Waits until one of those signals arrives or the time-out passes (milliseconds; 0
// only looks, < 0 waits without limit). SIGINT and SIGTERM both give Terminate, SIGUSR1
// User1, SIGUSR2 User2, SIGHUP HangUp; None after the time-out.
ControlSignal WaitForControlSignal(long timeoutMs);

}  // namespace vellora::platform
