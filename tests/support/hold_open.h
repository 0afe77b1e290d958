// A child process that holds a file open until the object is destroyed: the real
// "another program still has it open" of the readiness and in-use tests.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace vellora::test {

class HoldOpen {
 public:
  // flags as for open(2), e.g. O_WRONLY or O_RDONLY.
  HoldOpen(const std::string& path, int flags) {
    int ready[2], release[2];
    // Close-on-exec: a program the test starts later must not inherit the release
    // end, or closing ours would never reach the holder.
    if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(release, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      int fd = open(path.c_str(), flags | O_CREAT, 0666);
      char c = fd >= 0 ? '1' : '0';
      if (write(ready[1], &c, 1) != 1) _exit(2);
      // Blocks until the parent closes its end.
      while (read(release[0], &c, 1) > 0) {
      }
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    release_ = release[1];
    char c = '0';
    ok_ = read(ready[0], &c, 1) == 1 && c == '1';
    close(ready[0]);
  }
  ~HoldOpen() { Release(); }
  HoldOpen(const HoldOpen&) = delete;
  HoldOpen& operator=(const HoldOpen&) = delete;

  bool ok() const { return ok_; }
  void Release() {
    if (release_ >= 0) close(release_);
    release_ = -1;
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool ok_ = false;
};

}  // namespace vellora::test
