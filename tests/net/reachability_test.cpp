// IsFolderReachable against real folders: which paths cost an echo and which none.
#include "net/reachability.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "net/echo.h"
#include "platform/icmp_socket.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace vellora::net {
namespace {

using platform::IcmpDatagramsSent;

// Points the UNC and drive roots at temporary folders for one test.
class RootsGuard {
 public:
  RootsGuard(const std::string& unc, const std::string& drive)
      : saved_(platform::CurrentPathRoots()) {
    platform::SetPathRoots({unc, drive});
  }
  ~RootsGuard() { platform::SetPathRoots(saved_); }

 private:
  platform::PathRoots saved_;
};

bool EchoPossibleHere() {
  platform::IcmpSocket s;
  return s.Open() == platform::IcmpOpenResult::Opened;
}

TEST(Reachability, LocalPathsAreFolderTestsWithoutAnyEcho) {
  test::TempDir drives;
  test::TempDir unc;
  RootsGuard roots(unc.path(), drives.path());
  test::MakeDirs(drives / "x/in/sub");
  test::WriteFile(drives / "x/in/file.ps", "data");
  test::MakeDirs(unc.path());

  const uint64_t before = IcmpDatagramsSent();
  EXPECT_TRUE(IsFolderReachable(drives.path()));
  EXPECT_TRUE(IsFolderReachable("X:\\in"));
  EXPECT_TRUE(IsFolderReachable("x:\\in\\sub\\"));
  EXPECT_FALSE(IsFolderReachable("X:\\missing")) << "a local drive: the folder must exist";
  EXPECT_FALSE(IsFolderReachable("X:\\in\\file.ps")) << "a file is no folder";
  EXPECT_FALSE(IsFolderReachable(""));
  // Two backslashes and nothing after them: no host, the UNC root is tested.
  EXPECT_TRUE(IsFolderReachable("\\\\"));
  EXPECT_EQ(IcmpDatagramsSent(), before) << "no path above names a host";

  // A folder the process may not enter (root may enter anything, so only as others).
  if (::geteuid() != 0) {
    test::MakeDirs(drives / "x/closed");
    ::chmod((drives / "x/closed").c_str(), 0);
    EXPECT_FALSE(IsFolderReachable("X:\\closed"));
    ::chmod((drives / "x/closed").c_str(), 0755);
  }
}

TEST(Reachability, UncPathsPingTheirHostFirst) {
  if (!EchoPossibleHere()) GTEST_SKIP() << "this process may open no ICMP socket";
  test::TempDir unc;
  RootsGuard roots(unc.path(), "/mnt");
  test::MakeDirs(unc / "127.0.0.1/share/in");
  test::MakeDirs(unc / "localhost/share");

  uint64_t before = IcmpDatagramsSent();
  EXPECT_TRUE(IsFolderReachable("\\\\127.0.0.1\\share\\in"));
  EXPECT_EQ(IcmpDatagramsSent(), before + 1) << "one echo per test";
  before = IcmpDatagramsSent();
  EXPECT_TRUE(IsFolderReachable("\\\\localhost\\share")) << "a name goes to the resolver";
  EXPECT_EQ(IcmpDatagramsSent(), before + 1);
  before = IcmpDatagramsSent();
  EXPECT_FALSE(IsFolderReachable("\\\\127.0.0.1\\share\\missing"))
      << "the server answers, the folder is not there";
  EXPECT_EQ(IcmpDatagramsSent(), before + 1);
  before = IcmpDatagramsSent();
  EXPECT_FALSE(IsFolderReachable("\\\\no-such-host.invalid\\share"));
  EXPECT_EQ(IcmpDatagramsSent(), before) << "an unknown host is not pinged";
}

}  // namespace
}  // namespace vellora::net
