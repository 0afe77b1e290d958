// Child processes for end-to-end tests.
#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/temp_dir.h"

extern char** environ;

namespace vellora::test {

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && Running()) {
    ::kill(pid_, SIGKILL);
    Wait(5000);
  }
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& outputFile,
                         const std::map<std::string, std::string>& env) {
  std::vector<std::string> argvStore{program};
  argvStore.insert(argvStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvStore) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::map<std::string, std::string> merged;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string kv = *e;
    size_t eq = kv.find('=');
    if (eq != std::string::npos) merged[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  for (auto& [k, v] : env) merged[k] = v;
  std::vector<std::string> envStore;
  for (auto& [k, v] : merged) envStore.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!outputFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  // The child starts with no blocked signals whatever the test runner blocked, and
  // with the default action of the signals a program may have set aside (a lease
  // break's SIGIO), so that it shows what it does with them itself.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGIO);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  int rc = posix_spawn(&pid_, program.c_str(), &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) pid_ = -1;
  status_ = -1;
  return rc == 0;
}

void ChildProcess::Signal(int sig) {
  if (pid_ > 0) ::kill(pid_, sig);
}

bool ChildProcess::Running() {
  if (pid_ <= 0 || status_ >= 0) return false;
  int st = 0;
  pid_t r = ::waitpid(pid_, &st, WNOHANG);
  if (r == pid_) {
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return false;
  }
  return r == 0;
}

int ChildProcess::Wait(int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Running()) {
    if (std::chrono::steady_clock::now() > end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status_;
}

std::string Headless() {
  return BuildDir() + "/src/apps/vellora-headless";
}
std::string Ripsim() {
  return BuildDir() + "/tools/ripsim/ripsim";
}
std::string Brindlog() {
  return BuildDir() + "/src/apps/brindlog";
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool WaitForRipsimStarted(const std::string& swFolder, int timeoutMs) {
  return WaitFor(
      [&] {
        std::string log = ReadFile(swFolder + "/Logfile");
        return log.find("PUBLISHING") != std::string::npos ||
               log.find("STOPPING") != std::string::npos;
      },
      timeoutMs);
}

int RunProgram(const std::string& program, const std::vector<std::string>& args,
               std::string* output, const std::map<std::string, std::string>& env, int timeoutMs) {
  TempDir dir;
  std::string out = dir / "output.txt";
  ChildProcess p;
  if (!p.Start(program, args, out, env)) return -1;
  int rc = p.Wait(timeoutMs);
  if (rc < 0) {
    p.Signal(SIGKILL);
    p.Wait(5000);
  }
  if (output != nullptr) *output = ReadFile(out);
  return rc;
}

}  // namespace vellora::test
