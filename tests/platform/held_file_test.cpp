// The held marker file against the in-use tests that look for it.
#include "platform/held_file.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace vellora::platform {
namespace {

TEST(HeldFile, SeenInUseWhileHeldAndFollowsItsName) {
  test::TempDir dir;
  std::string p = dir / "inUse";
  HeldFile held;
  EXPECT_FALSE(held.IsInPlace());
  ASSERT_TRUE(held.Open(p)) << "created when missing";
  EXPECT_TRUE(held.IsOpen());
  EXPECT_TRUE(held.IsInPlace());
  EXPECT_TRUE(IsFileInUse(p));
  EXPECT_FALSE(DeleteUnlessInUse(p));
  EXPECT_TRUE(test::Exists(p));

  // Removed or replaced under its name: the holder notices and can hold the new one.
  std::filesystem::remove(p);
  EXPECT_FALSE(held.IsInPlace());
  test::WriteFile(p, "");
  EXPECT_FALSE(held.IsInPlace());
  ASSERT_TRUE(held.Open(p));
  EXPECT_TRUE(held.IsInPlace());
  EXPECT_TRUE(IsFileInUse(p));

  held.Close();
  EXPECT_FALSE(held.IsOpen());
  EXPECT_FALSE(IsFileInUse(p));
  EXPECT_TRUE(DeleteUnlessInUse(p));

  EXPECT_FALSE(held.Open(dir / "no/such/folder/inUse"));
  EXPECT_FALSE(held.IsOpen());
}

}  // namespace
}  // namespace vellora::platform
