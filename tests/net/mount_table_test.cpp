// The process's mount table is read once and again only after it changed, for every
// thread.
#include <sys/mount.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/mounts.h"
#include "support/temp_dir.h"

namespace vellora::platform {
namespace {

// Asks until the table has been read again (the watch sees a change a moment after
// it is made); false when it never is.
bool ReadAgainAfter(uint64_t before) {
  for (int k = 0; k < 5000; ++k) {
    FindNetworkMount("/tmp/x");
    if (MountTableReadings() > before) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

TEST(MountTable, ReadOnceForAllThreadsAndAgainAfterAMount) {
  FindNetworkMount("/tmp/x");
  const uint64_t first = MountTableReadings();
  ASSERT_GE(first, 1u);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([] {
      for (int k = 0; k < 200; ++k) EXPECT_FALSE(FindNetworkMount("/proc/self"));
    });
  }
  for (auto& t : threads) t.join();
  // 1600 questions: the table is read again only when it changed, which a test
  // mounting a file system beside this one may make it do a few times.
  EXPECT_LE(MountTableReadings() - first, 6u) << "not read again for each question";

  test::TempDir dir;
  const std::string point = dir / "m";
  test::MakeDirs(point);
  if (mount("tmpfs", point.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root): " << std::strerror(errno);
  }
  EXPECT_TRUE(ReadAgainAfter(first)) << "a mount is noticed";
  const uint64_t mounted = MountTableReadings();
  ASSERT_EQ(umount(point.c_str()), 0) << std::strerror(errno);
  EXPECT_TRUE(ReadAgainAfter(mounted)) << "and so is an unmount";
}

}  // namespace
}  // namespace vellora::platform
