// A file server that is down: a host of the test's own that stops answering echoes.
// Its folders must be reported unreachable after about the one-second echo wait,
// and neither listing nor counting may open them.
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "../net/test_host.h"
#include "intake/folder_listing.h"
#include "intake/masks.h"
#include "intake/readiness.h"
#include "net/connect_folder.h"
#include "net/echo.h"
#include "net/reachability.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace vellora::intake {
namespace {

// Tells whether a folder was opened (listed) since the last question.
class OpenWatch {
 public:
  explicit OpenWatch(const std::string& folder) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN);
  }
  ~OpenWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  bool OpenedSinceLastAsked() {
    alignas(struct inotify_event) char buf[4096];
    bool any = false;
    while (::read(fd_, buf, sizeof buf) > 0) any = true;
    return any;
  }

 private:
  int fd_ = -1;
};

long long MillisecondsOf(const std::function<void()>& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

TEST(UnreachableServer, SilentHostCostsAboutASecondAndItsFoldersAreNotOpened) {
  test::TestHost host;
  if (!host.ok()) {
    if (!test::TestHost::Privileged()) GTEST_SKIP() << "skipped: " << host.why();
    FAIL() << "root, but the test host cannot be built: " << host.why();
  }
  test::TempDir unc;
  const platform::PathRoots saved = platform::CurrentPathRoots();
  platform::SetPathRoots({unc.path(), saved.driveRoot});
  struct Restore {
    platform::PathRoots roots;
    ~Restore() { platform::SetPathRoots(roots); }
  } restore{saved};

  // The share exists and holds a page: only the echo can make it unreachable.
  const std::string shareOs = unc / (host.address() + "/share");
  test::MakeDirs(shareOs);
  test::WriteFile(shareOs + "/page.ps", "%!PS");
  const std::string share = "\\\\" + host.address() + "\\share";
  OpenWatch watch(shareOs);
  ASSERT_TRUE(watch.ok());
  core::SettingsStore settings;
  std::vector<ListingEntry> entries;

  // While the host answers, the share is used.
  ASSERT_TRUE(net::IsFolderReachable(share)) << "the test host does not answer at all";
  EXPECT_EQ(ListInputFolder(share, entries, "", settings), 1);
  EXPECT_EQ(CountWaitingFiles(share, "*.*", true, ""), 1);
  EXPECT_TRUE(watch.OpenedSinceLastAsked()) << "the watch sees a listing";

  ASSERT_TRUE(host.IgnoreEchoes(true));
  bool reachable = true;
  long long ms = MillisecondsOf([&] { reachable = net::IsFolderReachable(share); });
  EXPECT_FALSE(reachable);
  EXPECT_GE(ms, 950) << "the echo is given its second";
  EXPECT_LT(ms, 10000) << "and not the wait of a silent share";
  RecordProperty("unreachable after ms", static_cast<int>(ms));

  ms = MillisecondsOf([&] { EXPECT_EQ(ListInputFolder(share, entries, "", settings), 0); });
  EXPECT_LT(ms, 10000);
  EXPECT_EQ(CountWaitingFiles(share, "*.*", true, ""), 0);
  EXPECT_FALSE(net::ConnectFolder(share, "", ""));
  EXPECT_FALSE(watch.OpenedSinceLastAsked()) << "a silent server's folder must not be opened";

  // Echoes of other threads to a server that does answer neither answer for the
  // silent one nor stretch its wait.
  std::atomic<bool> stop{false};
  std::atomic<int> answered{0};
  std::thread sibling([&] {
    while (!stop.load()) {
      net::EchoReply r;
      if (net::PingHost("127.0.0.1", r, 30, 1000, 32, 0, 0, "", 0)) ++answered;
    }
  });
  ms = MillisecondsOf([&] { reachable = net::IsFolderReachable(share); });
  stop = true;
  sibling.join();
  EXPECT_FALSE(reachable);
  EXPECT_GT(answered.load(), 0);
  EXPECT_LT(ms, 10000);

  // Back up: usable again at once.
  ASSERT_TRUE(host.IgnoreEchoes(false));
  EXPECT_TRUE(net::IsFolderReachable(share));
}

}  // namespace
}  // namespace vellora::intake
