// The termination signals through a signalfd.
#include "platform/termination_channel.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace vellora::platform {

TerminationChannel::TerminationChannel() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

TerminationChannel::~TerminationChannel() {
  if (fd_ >= 0) close(fd_);
}

int TerminationChannel::Take() {
  if (fd_ < 0) return 0;
  signalfd_siginfo info{};
  for (;;) {
    ssize_t n = read(fd_, &info, sizeof info);
    if (n == static_cast<ssize_t>(sizeof info)) return static_cast<int>(info.ssi_signo);
    if (n < 0 && errno == EINTR) continue;
    return 0;  // nothing pending (EAGAIN) or a short read
  }
}

}  // namespace vellora::platform
