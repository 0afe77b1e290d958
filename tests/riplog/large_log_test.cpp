// Logs beyond 2 GB and 4 GB: sparse files, so the test needs no disk space, with
// real lines written at offsets that 32 bits cannot hold.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "riplog/follow_log.h"
#include "riplog/input_state.h"
#include "riplog/line_cursor.h"
#include "riplog/log_pointer.h"
#include "riplog/log_text.h"
#include "support/temp_dir.h"

namespace vellora::riplog {
namespace {

using test::LogFollower;
using test::TempDir;

void WriteAt(const std::string& path, uint64_t offset, const std::string& text) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(offset));
  f.write(text.data(), static_cast<std::streamsize>(text.size()));
  ASSERT_TRUE(f.good());
}

TEST(LargeLog, OffsetsBeyondFourGigabytes) {
  TempDir dir;
  std::string log = dir / "Logfile";
  const uint64_t size = 4600000000ull;
  { std::ofstream create(log, std::ios::binary); }
  std::filesystem::resize_file(log, size);
  const uint64_t at = 4599500000ull;  // 500,000 bytes before the end
  const std::string jobs = "\r\nSetup loaded: Big\r\nJob Completed: far.ps\r\nPublishing\r\n";
  WriteAt(log, at, jobs);

  // The stored pointer survives the round trip through the pointer file.
  ASSERT_TRUE(WriteLogPointer(dir / "LogFilePointer", static_cast<int64_t>(at)));
  ASSERT_EQ(ReadLogPointer(dir / "LogFilePointer"), static_cast<int64_t>(at));

  LogText t = ReadNewLogText(log, static_cast<int64_t>(at), ReadRule::Vellora(1000000));
  ASSERT_TRUE(t.ok());
  EXPECT_EQ(t.logSize, static_cast<int64_t>(size));
  EXPECT_EQ(t.start, static_cast<int64_t>(at));
  EXPECT_EQ(t.size(), size - at);
  EXPECT_EQ(t.view().substr(0, jobs.size()), jobs);

  LineCursor c(t);
  LogLine line;
  ASSERT_TRUE(c.NextLine(line));
  EXPECT_EQ(line.endOffset, 4599500000);
  ASSERT_TRUE(c.NextLine(line));
  EXPECT_EQ(line.text, "Setup loaded: Big");
  EXPECT_EQ(line.endOffset, 4599500019);
  ASSERT_TRUE(c.NextLine(line));
  EXPECT_EQ(line.endOffset, 4599500042);

  // A follower reports the job and stores the offset of the last whole line after it
  // (the "Publishing" line; the zeros after it have no line break).
  LogFollower b(log, dir / "LogFilePointer", ReadRule::Brindlog());
  b.Pass();
  EXPECT_EQ(b.jobs, (std::vector<std::string>{"far.ps|Big|C"}));
  EXPECT_EQ(ReadLogPointer(dir / "LogFilePointer"), 4599500054);
  EXPECT_EQ(test::ReadFile(dir / "LogFilePointer"), "4599500054\r\n");

  // Fresh starts take the tail of the huge log.
  LogText v = ReadNewLogText(log, 0, ReadRule::Vellora(1000000));
  EXPECT_EQ(v.start, 4599000000);
  EXPECT_EQ(v.size(), 1000000u);
  LogText d = ReadNewLogText(log, 0, ReadRule::Brindlog());
  EXPECT_EQ(d.start, 4599900000);

  // And the tail scan looks at the end of it.
  WriteAt(log, size - 20, "Publishing\r\n");
  EXPECT_EQ(ScanInputState(log, Deliverable::Brindlog).state, InputState::Open);
}

TEST(LargeLog, PointerBetweenTwoAndFourGigabytes) {
  // Above 2^31 a 32-bit signed pointer goes negative; above 2^32 an unsigned one
  // wraps. Both would restart at the tail or at a wrong place.
  TempDir dir;
  std::string log = dir / "Logfile";
  { std::ofstream create(log, std::ios::binary); }
  std::filesystem::resize_file(log, 3000000000ull);
  WriteAt(log, 2999999000ull, "\r\nSetup loaded: Mid\r\nJob Not Completed: mid.ps\r\n");
  WriteLogPointer(dir / "LogFilePointer1", 2999999000);
  LogFollower v(log, dir / "LogFilePointer1", ReadRule::Vellora(1000000));
  v.Pass();
  EXPECT_EQ(v.lastStart, 2999999000);
  EXPECT_EQ(v.jobs, (std::vector<std::string>{"MID.PS|MID|F"}));
  EXPECT_EQ(ReadLogPointer(dir / "LogFilePointer1"), 2999999000 + 2 + 17 + 2 + 25);
}

}  // namespace
}  // namespace vellora::riplog
