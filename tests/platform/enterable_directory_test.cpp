// The folder test of every reachability check: an existing directory this process
// may enter, and nothing else, whatever the permission bits of a file say.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace vellora::platform {
namespace {

TEST(EnterableDirectory, OnlyDirectoriesAndLinksToThem) {
  test::TempDir dir;
  test::MakeDirs(dir / "sub");
  test::WriteFile(dir / "tool", "#!/bin/sh\n");
  ASSERT_EQ(::chmod((dir / "tool").c_str(), 0755), 0);
  std::filesystem::create_directory_symlink(dir / "sub", dir / "to-sub");
  std::filesystem::create_symlink(dir / "tool", dir / "to-tool");
  std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
  EXPECT_TRUE(IsEnterableDirectory(dir / "sub"));
  EXPECT_TRUE(IsEnterableDirectory(dir.path() + "\\sub\\"));
  EXPECT_TRUE(IsEnterableDirectory(dir / "to-sub"));
  EXPECT_FALSE(IsEnterableDirectory(dir / "tool")) << "an executable file is no folder";
  EXPECT_FALSE(IsEnterableDirectory(dir / "to-tool"));
  EXPECT_FALSE(IsEnterableDirectory(dir / "dangling"));
  EXPECT_FALSE(IsEnterableDirectory(dir / "tool/sub"));
}

}  // namespace
}  // namespace vellora::platform
