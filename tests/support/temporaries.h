// Names of the hidden temporaries the programs write beside a file before renaming
// it into place (".<name>.part-<host>-<pid>-<n>"), as a crash leaves them behind: of a
// process that is gone, of one that still runs, or of another host.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace vellora::test {

// This host's name as the temporaries carry it.
inline std::string TemporaryHostTag() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  std::string h = host;
  for (char& c : h) {
    if (c == '-' || c == '/' || c == '.') c = '_';
  }
  return h;
}

// The identifier of a process that has ended.
inline pid_t GonePid() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

inline std::string TemporaryName(const std::string& name, pid_t pid,
                                 const std::string& host = TemporaryHostTag()) {
  return "." + name + ".part-" + host + "-" + std::to_string(pid) + "-0";
}

}  // namespace vellora::test
