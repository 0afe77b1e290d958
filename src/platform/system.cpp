// POSIX process facts and signal handling.
#include "platform/system.h"

#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace vellora::platform {

std::string HostName() {
  char buf[256] = {};
  if (gethostname(buf, sizeof buf - 1) != 0) return {};
  return buf;
}

int ProcessId() {
  return static_cast<int>(getpid());
}

std::optional<std::string> GetEnvironment(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr) return std::nullopt;
  return std::string(v);
}

std::string ExecutablePath() {
  char buf[PATH_MAX] = {};
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string CurrentDirectory() {
  char buf[PATH_MAX] = {};
  if (getcwd(buf, sizeof buf) == nullptr) return ".";
  return buf;
}

void IgnoreLeaseBreakSignals() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (sigaction(SIGIO, nullptr, &current) != 0) return;
    // A handler of the host program's own stays; only the default action (the end
    // of the process) is replaced.
    if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) return;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGIO, &ignore, nullptr);
  });
}

void InitialiseProcess() {
  IgnoreLeaseBreakSignals();
}

namespace {
sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}
}  // namespace

void BlockTerminationSignals() {
  sigset_t set = TerminationSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// Waits for one of the signals of the set; the signal number, or 0 after the time-out
// (milliseconds, < 0: no limit).
int WaitForSignalIn(const sigset_t& set, long timeoutMs) {
  for (;;) {
    int sig;
    if (timeoutMs < 0) {
      sig = sigwaitinfo(&set, nullptr);
    } else {
      struct timespec ts {};
      ts.tv_sec = timeoutMs / 1000;
      ts.tv_nsec = (timeoutMs % 1000) * 1000000L;
      sig = sigtimedwait(&set, nullptr, &ts);
    }
    if (sig > 0) return sig;
    if (errno != EINTR) return 0;
  }
}

int WaitForTerminationSignal(long timeoutMs) {
  return WaitForSignalIn(TerminationSet(), timeoutMs);
}

namespace {
sigset_t ControlSet() {
  sigset_t set = TerminationSet();
  sigaddset(&set, SIGUSR1);
  sigaddset(&set, SIGUSR2);
  sigaddset(&set, SIGHUP);
  return set;
}
}  // namespace

void BlockControlSignals() {
  sigset_t set = ControlSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

ControlSignal WaitForControlSignal(long timeoutMs) {
  switch (WaitForSignalIn(ControlSet(), timeoutMs)) {
    case SIGINT:
    case SIGTERM:
      return ControlSignal::Terminate;
    case SIGUSR1:
      return ControlSignal::User1;
    case SIGUSR2:
      return ControlSignal::User2;
    case SIGHUP:
      return ControlSignal::HangUp;
    default:
      return ControlSignal::None;
  }
}

}  // namespace vellora::platform
