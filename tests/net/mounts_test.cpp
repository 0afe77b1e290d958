// Finding the network share of a path in a mount table.
#include "platform/mounts.h"

#include <gtest/gtest.h>

namespace vellora::platform {
namespace {

const char kTable[] =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "40 22 0:35 / /mnt/rip1 rw,relatime shared:20 - cifs //ripserver/sw rw,vers=3.0,addr=10.0.0.5\n"
    "41 22 0:36 / /mnt/in\\040box rw shared:21 - nfs4 filer:/export/pages rw,addr=10.0.0.6\n"
    "42 41 0:37 / /mnt/in\\040box/local rw shared:22 - tmpfs tmpfs rw\n"
    "43 22 0:38 / /mnt/x rw - nfs [fd00::7]:/vol/x rw\n"
    "44 22 0:39 / /mnt/share rw - smb3 //nas/pub/sub/dir rw\n"
    "45 22 0:40 / /mnt/stack rw - tmpfs tmpfs rw\n"
    "46 45 0:41 / /mnt/stack rw - nfs old:/a rw\n"
    "garbage line without separator\n"
    "47 22 0:42 / /mnt/late rw - nfs late:/ rw";

TEST(Mounts, PathsOnNetworkMountsNameTheirShare) {
  auto m = FindNetworkMountIn(kTable, "/mnt/rip1/Logfile");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->remoteName, "\\\\ripserver\\sw");
  EXPECT_EQ(m->server, "ripserver");
  EXPECT_EQ(m->mountPoint, "/mnt/rip1");
  EXPECT_EQ(m->fsType, "cifs");

  m = FindNetworkMountIn(kTable, "/mnt/rip1");
  ASSERT_TRUE(m) << "the mount point itself";

  // Escaped blanks in the mount point; an nfs export path becomes the share.
  m = FindNetworkMountIn(kTable, "/mnt/in box/today");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->remoteName, "\\\\filer\\export\\pages");
  EXPECT_EQ(m->server, "filer");
  EXPECT_EQ(m->mountPoint, "/mnt/in box");

  m = FindNetworkMountIn(kTable, "/mnt/x/y");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->server, "fd00::7");
  EXPECT_EQ(m->remoteName, "\\\\fd00::7\\vol\\x");

  m = FindNetworkMountIn(kTable, "/mnt/share/a");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->remoteName, "\\\\nas\\pub\\sub\\dir");
  EXPECT_EQ(m->server, "nas");

  m = FindNetworkMountIn(kTable, "/mnt/late/z");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->remoteName, "\\\\late") << "a last line without newline counts too";
}

TEST(Mounts, TheInnermostMountDecides) {
  // A local mount on top of a network share is local.
  EXPECT_FALSE(FindNetworkMountIn(kTable, "/mnt/in box/local/f"));
  // Of two mounts on the same point the later one is on top.
  auto m = FindNetworkMountIn(kTable, "/mnt/stack/f");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->server, "old");
  // Only whole path parts match: /mnt/rip10 is not under /mnt/rip1.
  EXPECT_FALSE(FindNetworkMountIn(kTable, "/mnt/rip10/f"));
  EXPECT_FALSE(FindNetworkMountIn(kTable, "/home/user"));
  // The path is judged by its text, "." and ".." included, never looked up.
  EXPECT_TRUE(FindNetworkMountIn(kTable, "/home/../mnt/./rip1//x"));
  EXPECT_FALSE(FindNetworkMountIn(kTable, "/mnt/rip1/../other"));
  EXPECT_FALSE(FindNetworkMountIn("", "/mnt/rip1"));
}

TEST(Mounts, ThisMachinesTableIsRead) {
  // Whatever else this machine mounts, /proc is no network share.
  EXPECT_FALSE(FindNetworkMount("/proc/self"));
  EXPECT_FALSE(FindNetworkMount(""));
}

}  // namespace
}  // namespace vellora::platform
