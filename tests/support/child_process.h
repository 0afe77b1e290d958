// Runs one of the project's executables as a real child process for end-to-end
// tests: arguments, environment additions, standard output into a file, signals.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vellora::test {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts program with args; stdout and stderr go to outputFile (if not empty).
  bool Start(const std::string& program, const std::vector<std::string>& args,
             const std::string& outputFile = "",
             const std::map<std::string, std::string>& env = {});
  void Signal(int sig);
  // Waits for the end; returns the exit status (or 128 + signal), -1 after the
  // time-out (milliseconds).
  int Wait(int timeoutMs);
  bool Running();
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// The project's programs in the build folder.
std::string Headless();
std::string Ripsim();
std::string Brindlog();

// Polls the condition every 10 ms until it holds (true) or the time-out passes.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000);

// Waits until a ripsim started on swFolder has written its start-up lines, input
// state included, so that whoever reads its log from now on sees its real state.
bool WaitForRipsimStarted(const std::string& swFolder, int timeoutMs = 20000);

// Runs to completion and returns the exit status; output collected into *output.
int RunProgram(const std::string& program, const std::vector<std::string>& args,
               std::string* output, const std::map<std::string, std::string>& env = {},
               int timeoutMs = 30000);

}  // namespace vellora::test
