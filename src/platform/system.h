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

// Sets the process-wide signal actions the platform layer relies on. Call first in
// every main(), before any thread starts. The in-use test of files.h holds a write
// lease for a moment, and when another process opens the file meanwhile the kernel
// tells the holder with SIGIO, whose default action ends the process. The test gives
// the lease back on its own within microseconds, so the signal carries nothing it
// needs: it is ignored. Ignored (not blocked or handled), the kernel drops it when it
// is sent, so no thread is ever interrupted in a wait or a read by it, and nothing is
// left pending. Programs this process starts get the default action back.
void InitialiseProcess();
// The SIGIO part of InitialiseProcess alone; leaves a handler someone else installed
// in place. Safe to call from any thread, any number of times: the in-use test calls
// it before its first lease, for programs whose main() does not call the above.
void IgnoreLeaseBreakSignals();

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
