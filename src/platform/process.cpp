// Command-line splitting and starting programs without a shell.
#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

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

bool RunHiddenAndWait(const std::vector<std::string>& argvIn, int* exitCode) {
  if (argvIn.empty() || argvIn[0].empty()) return false;
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
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  if (exitCode != nullptr) {
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return true;
}

}  // namespace vellora::platform
