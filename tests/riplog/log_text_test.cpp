// The choice of what to read, for both deliverables, against real log files.
#include "riplog/log_text.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vellora::riplog {
namespace {

using test::TempDir;
using test::WriteFile;

// A log whose every byte tells its own offset: byte i is 'a' + i % 26, with a line
// break every 100 bytes, so a wrong start or length shows in the content.
std::string PatternLog(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = (i % 100 == 99) ? '\n' : static_cast<char>('a' + i % 26);
  return s;
}

void ExpectRead(const LogText& t, const std::string& log, int64_t start, int64_t pointer) {
  ASSERT_TRUE(t.ok());
  EXPECT_EQ(t.logSize, static_cast<int64_t>(log.size()));
  EXPECT_EQ(t.start, start);
  EXPECT_EQ(t.pointer, pointer);
  EXPECT_EQ(t.requested, static_cast<int64_t>(log.size()) - start);
  ASSERT_EQ(t.size(), log.size() - static_cast<size_t>(start));
  EXPECT_TRUE(t.view() == std::string_view(log).substr(static_cast<size_t>(start)));
  EXPECT_EQ(t.data()[t.size()], '\0');
}

TEST(ReadNewLogText, FreshStartReadsTheLimitBeforeTheEnd) {
  TempDir dir;
  std::string path = dir / "Logfile";
  std::string log = PatternLog(3000000);
  WriteFile(path, log);
  ExpectRead(ReadNewLogText(path, 0, ReadRule::Vellora(1000000)), log, 2000000, 0);
  ExpectRead(ReadNewLogText(path, 0, ReadRule::Brindlog()), log, 2900000, 0);
  // A limit from the settings other than the default.
  ExpectRead(ReadNewLogText(path, 0, ReadRule::Vellora(5000)), log, 2995000, 0);
  // A log shorter than the limit is read from its start.
  std::string shortLog = PatternLog(60000);
  WriteFile(path, shortLog);
  ExpectRead(ReadNewLogText(path, 0, ReadRule::Vellora(1000000)), shortLog, 0, 0);
  ExpectRead(ReadNewLogText(path, 0, ReadRule::Brindlog()), shortLog, 0, 0);
  // An empty log gives an empty, terminated buffer.
  WriteFile(path, "");
  ExpectRead(ReadNewLogText(path, 0, ReadRule::Brindlog()), "", 0, 0);
}

TEST(ReadNewLogText, StoredPointerAndTheOperatorProgramsLimit) {
  TempDir dir;
  std::string path = dir.path() + "\\Logfile";  // the Windows text form works too
  std::string log = PatternLog(3000000);
  WriteFile(dir / "Logfile", log);
  // 500,000 bytes pending, less than the limit: from the pointer.
  ExpectRead(ReadNewLogText(path, 2500000, ReadRule::Vellora(1000000)), log, 2500000, 2500000);
  // 2,000,000 pending: only the last 1,000,000; the pointer itself is kept.
  ExpectRead(ReadNewLogText(path, 1000000, ReadRule::Vellora(1000000)), log, 2000000, 1000000);
  // Exactly the limit pending is not less than it: the same start either way.
  ExpectRead(ReadNewLogText(path, 2000000, ReadRule::Vellora(1000000)), log, 2000000, 2000000);
  ExpectRead(ReadNewLogText(path, 2000001, ReadRule::Vellora(1000000)), log, 2000001, 2000001);
  // The daemon reads everything after the pointer, however much.
  ExpectRead(ReadNewLogText(path, 2500000, ReadRule::Brindlog()), log, 2500000, 2500000);
  ExpectRead(ReadNewLogText(path, 1000000, ReadRule::Brindlog()), log, 1000000, 1000000);
  ExpectRead(ReadNewLogText(path, 1, ReadRule::Brindlog()), log, 1, 1);
  // Nothing new: an empty read at the end.
  ExpectRead(ReadNewLogText(path, 3000000, ReadRule::Vellora(1000000)), log, 3000000, 3000000);
  ExpectRead(ReadNewLogText(path, 3000000, ReadRule::Brindlog()), log, 3000000, 3000000);
}

TEST(ReadNewLogText, ANewShorterLogIsReadFromTheTail) {
  TempDir dir;
  std::string path = dir / "Logfile";
  std::string log = PatternLog(3000000);
  WriteFile(path, log);
  // The RIP began a new log that is shorter than the stored pointer.
  ExpectRead(ReadNewLogText(path, 3000001, ReadRule::Vellora(1000000)), log, 2000000, 3000001);
  ExpectRead(ReadNewLogText(path, 3000001, ReadRule::Brindlog()), log, 2900000, 3000001);
  std::string fresh = PatternLog(4000);
  WriteFile(path, fresh);
  ExpectRead(ReadNewLogText(path, 2500000, ReadRule::Vellora(1000000)), fresh, 0, 2500000);
  ExpectRead(ReadNewLogText(path, 2500000, ReadRule::Brindlog()), fresh, 0, 2500000);
}

TEST(ReadNewLogText, LimitsFromBadSettings) {
  TempDir dir;
  std::string path = dir / "Logfile";
  std::string log = PatternLog(10000);
  WriteFile(path, log);
  // A limit of 0 (or below, which counts as 0) reads nothing new at all.
  ExpectRead(ReadNewLogText(path, 0, ReadRule::Vellora(0)), log, 10000, 0);
  ExpectRead(ReadNewLogText(path, 0, ReadRule::Vellora(-50)), log, 10000, 0);
  ExpectRead(ReadNewLogText(path, 4000, ReadRule::Vellora(-50)), log, 10000, 4000);
  // A negative stored pointer (only a hand-edited file could give one) is none.
  ExpectRead(ReadNewLogText(path, -7, ReadRule::Brindlog()), log, 0, -7);
}

TEST(ReadNewLogText, MissingOrUnopenableLogFails) {
  TempDir dir;
  LogText t = ReadNewLogText(dir / "Logfile", 0, ReadRule::Vellora(1000000));
  EXPECT_EQ(t.failure, ReadFailure::OpenFailed);
  EXPECT_EQ(t.logSize, 0);
  EXPECT_EQ(t.size(), 0u);
  EXPECT_STREQ(t.data(), "");
  EXPECT_EQ(ReadNewLogText(dir.path(), 0, ReadRule::Brindlog()).failure, ReadFailure::OpenFailed)
      << "a folder is no log";
  std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
  EXPECT_EQ(ReadNewLogText(dir / "dangling", 0, ReadRule::Brindlog()).failure,
            ReadFailure::OpenFailed);
}

TEST(LogPaths, NamesOfBothDeliverables) {
  EXPECT_EQ(VelloraLogPath("\\\\HQRIP1\\sw"), "\\\\HQRIP1\\sw\\Logfile");
  EXPECT_EQ(BrindlogLogPath("c:\\Rip"), "c:\\Rip\\SW\\Logfile");
}

}  // namespace
}  // namespace vellora::riplog
