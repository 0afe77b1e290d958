// The termination signals taken through a descriptor: a SIGTERM sent to the process
// makes it readable and is taken once; a process-wide SIGINT likewise; other signals
// are not its business.
#include "platform/termination_channel.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/system.h"

namespace vellora::platform {
namespace {

bool Readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN) != 0;
}

TEST(TerminationChannel, TakesEachTerminationSignalOnce) {
  BlockTerminationSignals();
  TerminationChannel channel;
  ASSERT_TRUE(channel.Valid());
  EXPECT_FALSE(Readable(channel.Descriptor(), 0));
  EXPECT_EQ(channel.Take(), 0) << "nothing pending";

  ASSERT_EQ(kill(getpid(), SIGTERM), 0);
  ASSERT_TRUE(Readable(channel.Descriptor(), 5000));
  EXPECT_EQ(channel.Take(), SIGTERM);
  EXPECT_EQ(channel.Take(), 0) << "taken once";
  EXPECT_FALSE(Readable(channel.Descriptor(), 0));

  ASSERT_EQ(kill(getpid(), SIGINT), 0);
  ASSERT_TRUE(Readable(channel.Descriptor(), 5000));
  EXPECT_EQ(channel.Take(), SIGINT);

  // A signal outside the pair does not make it readable.
  sigset_t usr;
  sigemptyset(&usr);
  sigaddset(&usr, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &usr, nullptr);
  ASSERT_EQ(kill(getpid(), SIGUSR1), 0);
  EXPECT_FALSE(Readable(channel.Descriptor(), 50));
  EXPECT_EQ(channel.Take(), 0);
}

}  // namespace
}  // namespace vellora::platform
