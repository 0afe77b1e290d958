// Command-line splitting and starting programs without a shell.
#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

extern char** environ;

namespace vellora::platform {

std::vector<std::string> SplitWindowsCommandLine(std::string_view text) {
  std::vector<std::string> args;
  size_t i = 0;
  auto blank = [&](size_t k) { return text[k] == ' ' || text[k] == '\t'; };
  while (i < text.size() && blank(i)) ++i;
  if (i >= text.size()) return args;

  std::string program;
  if (text[i] == '"') {
    size_t end = text.find('"', i + 1);
    program = std::string(text.substr(i + 1, end == std::string_view::npos ? end : end - i - 1));
    i = end == std::string_view::npos ? text.size() : end + 1;
  } else {
    while (i < text.size() && !blank(i)) program += text[i++];
  }
  args.push_back(program);

  for (;;) {
    while (i < text.size() && blank(i)) ++i;
    if (i >= text.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < text.size() && (quoted || !blank(i))) {
      if (text[i] == '\\') {
        size_t n = 0;
        while (i < text.size() && text[i] == '\\') {
          ++n;
          ++i;
        }
        if (i < text.size() && text[i] == '"') {
          arg.append(n / 2, '\\');
          if (n % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(n, '\\');
        }
      } else if (text[i] == '"') {
        if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += text[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

namespace {

int ExitCodeOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

pid_t Spawn(const std::vector<std::string>& argvIn, bool ownGroup) {
  if (argvIn.empty() || argvIn[0].empty()) return -1;
  std::vector<std::string> store = argvIn;
  std::vector<char*> argv;
  for (auto& a : store) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // The caller may block termination signals for its own handling, and ignores
  // lease breaks (InitialiseProcess); the child must inherit neither.
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGIO);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (ownGroup) {
    posix_spawnattr_setpgroup(&attr, 0);
    flags |= POSIX_SPAWN_SETPGROUP;
  }
  posix_spawnattr_setflags(&attr, flags);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return rc == 0 ? pid : -1;
}

// Waits up to timeoutMs for the child to end without reaping it (so its pid, and
// with it the process group's id, stays taken). -1 waits for ever. True once it ended.
bool WaitForEnd(pid_t pid, int pidFd, int timeoutMs) {
  if (pidFd >= 0) {
    struct pollfd p = {pidFd, POLLIN, 0};
    for (;;) {
      int n = ::poll(&p, 1, timeoutMs);
      if (n > 0) return true;
      if (n == 0) return false;
      if (errno != EINTR) break;  // fall back to polling below
    }
  }
  // Without a pidfd: look every 10 ms.
  for (int waited = 0; timeoutMs < 0 || waited <= timeoutMs; waited += 10) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid) {
      return true;
    }
    struct timespec ten = {0, 10 * 1000 * 1000};
    ::nanosleep(&ten, nullptr);
  }
  return false;
}

int Reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return ExitCodeOf(status);
}

}  // namespace

bool RunHiddenAndWait(const std::vector<std::string>& argv, int* exitCode) {
  pid_t pid = Spawn(argv, false);
  if (pid < 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  if (exitCode != nullptr) *exitCode = ExitCodeOf(status);
  return true;
}

RunResult RunHiddenUntilStopped(const std::vector<std::string>& argv, const StopCheck& stop,
                                int graceMs) {
  RunResult result;
  pid_t pid = Spawn(argv, true);
  if (pid < 0) return result;
  result.started = true;
  // A descriptor that becomes readable when the program ends (Linux 5.3 and later);
  // the system call itself, as the C library of some systems declares it wrongly.
  int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  constexpr int kAskEveryMs = 50;
  for (;;) {
    if (WaitForEnd(pid, pidFd, stop ? kAskEveryMs : -1)) break;
    if (stop && stop()) {
      result.stopped = true;
      ::kill(-pid, SIGTERM);
      WaitForEnd(pid, pidFd, graceMs);
      // Also when the program ended in time: what it started in its group may not
      // have. The group's id cannot have been reused, the program is not reaped yet.
      ::kill(-pid, SIGKILL);
      break;
    }
  }
  if (pidFd >= 0) ::close(pidFd);
  result.exitCode = Reap(pid);
  return result;
}

}  // namespace vellora::platform
