// Pointer files: their names, the atoi-like conversion, the crash-safe write, and the
// store that writes only moves and keeps in memory what cannot be written.
#include "riplog/log_pointer.h"
#include "riplog/pointer_store.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vellora::riplog {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(LogPointer, NamesOfBothDeliverables) {
  EXPECT_EQ(VelloraPointerPath("C:\\Vellora", 0), "C:\\Vellora\\LogFilePointer1");
  EXPECT_EQ(VelloraPointerPath("C:\\Vellora", 3), "C:\\Vellora\\LogFilePointer4");
  EXPECT_EQ(BrindlogPointerPath("c:\\Rip\\SW"), "c:\\Rip\\SW\\LogFilePointer");
}

TEST(LogPointer, ConversionIsLikeAtoi) {
  EXPECT_EQ(ParseLogPointer("1234\r\n"), 1234);
  EXPECT_EQ(ParseLogPointer("1234"), 1234);
  EXPECT_EQ(ParseLogPointer("  77abc"), 77);
  EXPECT_EQ(ParseLogPointer("+5\r\n"), 5);
  EXPECT_EQ(ParseLogPointer("12 34"), 12);
  EXPECT_EQ(ParseLogPointer("abc1234"), 0) << "text that starts with no digit";
  EXPECT_EQ(ParseLogPointer(""), 0);
  EXPECT_EQ(ParseLogPointer("\r\n"), 0);
  EXPECT_EQ(ParseLogPointer(std::string("\0"
                                        "99",
                                        3)),
            0);
  EXPECT_EQ(ParseLogPointer("-5\r\n"), 0) << "a negative offset is no position";
  EXPECT_EQ(ParseLogPointer("4500000123\r\n"), 4500000123) << "beyond 32 bits";
  EXPECT_EQ(ParseLogPointer("99999999999999999999999\r\n"), INT64_MAX);
}

TEST(LogPointer, ReadsTheStoredFileOrZero) {
  TempDir dir;
  std::string p = dir / "LogFilePointer1";
  EXPECT_EQ(ReadLogPointer(p), 0) << "missing";
  WriteFile(p, "1234\r\n");
  EXPECT_EQ(ReadLogPointer(p), 1234);
  WriteFile(p, "garbage\r\n");
  EXPECT_EQ(ReadLogPointer(p), 0);
  WriteFile(p, std::string("\x89PNG\0\0\x01\x02", 8));
  EXPECT_EQ(ReadLogPointer(p), 0);
  // Only the first 80 bytes are looked at.
  WriteFile(p, std::string(79, ' ') + "7");
  EXPECT_EQ(ReadLogPointer(p), 7);
  WriteFile(p, std::string(80, ' ') + "7");
  EXPECT_EQ(ReadLogPointer(p), 0);
  WriteFile(p, std::string(70, '0') + "1234567890");
  EXPECT_EQ(ReadLogPointer(p), 1234567890);
  EXPECT_EQ(ReadLogPointer(dir.path()), 0) << "a folder is no pointer file";
}

TEST(LogPointer, WritesDecimalWithCrLfThroughATemporaryFile) {
  TempDir dir;
  // The program keeps paths in Windows form; the write maps them.
  std::string p = VelloraPointerPath(dir.path(), 1);
  ASSERT_TRUE(WriteLogPointer(p, 1234));
  EXPECT_EQ(ReadFile(dir / "LogFilePointer2"), "1234\r\n");
  EXPECT_EQ(ReadLogPointer(p), 1234);
  ASSERT_TRUE(WriteLogPointer(p, 0));
  EXPECT_EQ(ReadFile(dir / "LogFilePointer2"), "0\r\n");
  ASSERT_TRUE(WriteLogPointer(p, 2147483647));
  EXPECT_EQ(ReadFile(dir / "LogFilePointer2"), "2147483647\r\n");
  ASSERT_TRUE(WriteLogPointer(p, 6000000000));
  EXPECT_EQ(ReadFile(dir / "LogFilePointer2"), "6000000000\r\n");
  EXPECT_EQ(ReadLogPointer(p), 6000000000);

  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1) << "no temporary file may stay behind";

  // A pointer file that cannot be replaced (here a folder stands in its place) is
  // reported, and what stood there is left alone.
  std::filesystem::create_directory(dir / "LogFilePointer3");
  WriteFile(dir / "LogFilePointer3/keep", "x");
  EXPECT_FALSE(WriteLogPointer(VelloraPointerPath(dir.path(), 2), 66));
  EXPECT_EQ(ReadFile(dir / "LogFilePointer3/keep"), "x");
  std::string reason;
  EXPECT_FALSE(WriteLogPointer(dir / "no/such/folder/LogFilePointer", 1, &reason));
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_FALSE(WriteLogPointer(VelloraPointerPath(dir.path(), 2), 66, &reason));
  EXPECT_EQ(reason, "Is a directory");
}

TEST(PointerStore, WritesOnlyMovesAndKeepsInMemoryWhatCannotBeWritten) {
  TempDir dir;
  const std::string file = dir / "LogFilePointer";
  PointerStore store(file);
  using Saved = PointerStore::Saved;
  EXPECT_EQ(store.Load(), 0);
  EXPECT_EQ(store.Save(0), Saved::Unchanged) << "no position, and none stored";
  EXPECT_FALSE(test::Exists(file));
  EXPECT_EQ(store.Save(40), Saved::Written);
  EXPECT_EQ(store.Load(), 40);
  EXPECT_EQ(store.Save(40), Saved::Unchanged);
  // The file is gone (the operator's re-load): the pointer counts as moved.
  std::filesystem::remove(file);
  EXPECT_EQ(store.Load(), 0);
  EXPECT_EQ(store.Save(40), Saved::Written);

  // Unwritable: the position lives on in memory, the failure is told once.
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  store.Load();
  std::string reason;
  EXPECT_EQ(store.Save(50, &reason), Saved::FirstFailure);
  EXPECT_EQ(reason, "Is a directory");
  EXPECT_EQ(store.Load(), 50);
  EXPECT_EQ(store.Save(60), Saved::Failed);
  EXPECT_EQ(store.Load(), 60);
  store.Forget();
  EXPECT_EQ(store.Load(), 0) << "forgotten: the file's (unreadable) position";
  EXPECT_EQ(store.Save(70), Saved::Failed);

  // Writable again: written, and a later failure is a new one, told again.
  std::filesystem::remove(file);
  EXPECT_EQ(store.Load(), 70);
  EXPECT_EQ(store.Save(70), Saved::Written);
  EXPECT_EQ(ReadFile(file), "70\r\n");
  EXPECT_EQ(store.Load(), 70);
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  store.Load();
  EXPECT_EQ(store.Save(80), Saved::FirstFailure);
}

}  // namespace
}  // namespace vellora::riplog
