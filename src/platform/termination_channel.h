// The termination signals (SIGINT, SIGTERM) as a readable descriptor, for a program
// whose main thread runs an event loop rather than waiting for signals: the loop
// watches the descriptor and takes a signal when it becomes readable, so the signal
// is handled as one more event instead of in a signal handler.
#pragma once

namespace vellora::platform {

class TerminationChannel {
 public:
  // The signals must already be blocked in every thread (BlockTerminationSignals()
  // first in main()); otherwise their default action ends the process before the
  // descriptor sees them.
  TerminationChannel();
  ~TerminationChannel();
  TerminationChannel(const TerminationChannel&) = delete;
  TerminationChannel& operator=(const TerminationChannel&) = delete;

  // False when the descriptor could not be made; the program then runs without it.
  bool Valid() const { return fd_ >= 0; }
  // Readable while a termination signal is pending; -1 when not valid.
  int Descriptor() const { return fd_; }
  // Takes one pending signal and returns its number; 0 when none is pending.
  int Take();

 private:
  int fd_ = -1;
};

}  // namespace vellora::platform
