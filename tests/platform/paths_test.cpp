// Path texts to OS paths and the backslash helpers.
#include "platform/paths.h"

#include <gtest/gtest.h>

namespace vellora::platform {
namespace {

TEST(Paths, MapsWindowsTextsUnderTheirRoots) {
  PathRoots roots{"/srv/unc", "/srv/drives"};
  EXPECT_EQ(ToOsPath("\\\\ripserver\\sw\\Config\\inUse", roots),
            "/srv/unc/ripserver/sw/Config/inUse");
  EXPECT_EQ(ToOsPath("C:\\PSinput1", roots), "/srv/drives/c/PSinput1");
  EXPECT_EQ(ToOsPath("d:\\", roots), "/srv/drives/d");
  EXPECT_EQ(ToOsPath("E:", roots), "/srv/drives/e");
  EXPECT_EQ(ToOsPath("/var/spool/in\\job 1.ps", roots), "/var/spool/in/job 1.ps");
  EXPECT_EQ(ToOsPath("relative\\name", roots), "relative/name");
  EXPECT_EQ(ToOsPath("\\\\", roots), "/srv/unc");
  // Roots given with a trailing slash do not double it.
  EXPECT_EQ(ToOsPath("\\\\h\\s", PathRoots{"/u/", "/d/"}), "/u/h/s");
}

TEST(Paths, PartsFollowTheBackslashRules) {
  EXPECT_EQ(FileNamePart("C:\\in\\page.ps"), "page.ps");
  EXPECT_EQ(FileNamePart("page.ps"), "page.ps");
  EXPECT_EQ(FileNamePart("C:\\in\\"), "");
  EXPECT_EQ(FolderPart("C:\\in\\page.ps"), "C:\\in");
  EXPECT_EQ(FolderPart("C:\\page.ps"), "C:");
  EXPECT_EQ(FolderPart("page.ps"), "page.ps");
  // Forward slashes are not separators for these helpers.
  EXPECT_EQ(FileNamePart("/tmp/a/b.ps"), "/tmp/a/b.ps");
  EXPECT_EQ(ExtensionPart("page.final.PS"), "PS");
  EXPECT_EQ(ExtensionPart("thumbs"), "");
  EXPECT_EQ(ExtensionPart("trailing."), "");
  EXPECT_EQ(UncHost("\\\\10.0.0.7\\share\\x"), "10.0.0.7");
  EXPECT_EQ(UncHost("\\\\host"), "host");
  EXPECT_EQ(UncHost("\\\\"), "");
  EXPECT_EQ(UncHost("C:\\x"), "");
}

}  // namespace
}  // namespace vellora::platform
