// The shared read-only file against real files.
#include "platform/read_only_file.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace vellora::platform {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(ReadOnlyFile, SizeAndPositionedReads) {
  TempDir dir;
  std::string p = dir / "log";
  WriteFile(p, "0123456789");
  ReadOnlyFile f;
  ASSERT_TRUE(f.Open(dir.path() + "\\log"));
  uint64_t size = 0;
  ASSERT_TRUE(f.Size(size));
  EXPECT_EQ(size, 10u);
  char buf[16] = {};
  EXPECT_EQ(f.ReadAt(3, buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "3456");
  EXPECT_EQ(f.ReadAt(8, buf, 10), 2) << "short at the end";
  EXPECT_EQ(f.ReadAt(50, buf, 10), 0);
  // The writer keeps appending; the open file shows it.
  ASSERT_TRUE(AppendAndClose(p, "ab"));
  ASSERT_TRUE(f.Size(size));
  EXPECT_EQ(size, 12u);
  // Replaced under its name: the open file is still the old one.
  ASSERT_TRUE(ReplaceAtomically(p, "new"));
  ASSERT_TRUE(f.Size(size));
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(f.ReadAt(10, buf, 2), 2);
  EXPECT_EQ(std::string(buf, 2), "ab");
  f.Close();
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(f.ReadAt(0, buf, 1), -1);
  EXPECT_FALSE(f.Size(size));
}

TEST(ReadOnlyFile, OnlyExistingRegularFilesOpen) {
  TempDir dir;
  ReadOnlyFile f;
  EXPECT_FALSE(f.Open(dir / "missing"));
  EXPECT_FALSE(f.Open(dir.path()));
  EXPECT_FALSE(f.Open(""));
  EXPECT_FALSE(f.Open("/dev/null")) << "a device is no file";
  WriteFile(dir / "f", "x");
  EXPECT_TRUE(f.Open(dir / "f"));
  EXPECT_TRUE(f.IsOpen());
}

}  // namespace
}  // namespace vellora::platform
