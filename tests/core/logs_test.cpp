// The three log writers: switches, line formats, size bounds, many threads.
#include "core/logs.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>

#include "support/temp_dir.h"

namespace vellora::core {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(Logs, SwitchesAndLineFormats) {
  TempDir dir;
  LogWriters off;
  off.Configure(dir.path(), false, true);
  off.LogMessage("not written %d", 1);
  off.LogBalancerMessage("not written");
  off.LogDbError("Error: %s   (%s)", "timeout", "SELECT 1");
  EXPECT_FALSE(Exists(dir / "Vellora.log"));
  EXPECT_FALSE(Exists(dir / "Quillon.log"));
  std::string db = ReadFile(dir / "VelloraDBerror.log");
  EXPECT_TRUE(std::regex_match(
      db, std::regex(R"(\[\d\d-\d\d \d\d:\d\d:\d\d\.\d\d\d\] Error: timeout   \(SELECT 1\)\r\n)")))
      << db;

  LogWriters on;
  on.Configure(dir.path(), true, false);
  on.LogMessage("DB query: %s\r\n", "SELECT 2");
  on.LogBalancerMessage("INFO:  Week number conversion returned %.2d/%.2d/%.4d", 2, 6, 2026);
  on.LogDbError("not written");
  EXPECT_TRUE(
      std::regex_match(ReadFile(dir / "Vellora.log"),
                       std::regex(R"(\[\d\d:\d\d:\d\d\.\d\d\d\] DB query: SELECT 2\r\n\r\n)")));
  EXPECT_TRUE(std::regex_match(
      ReadFile(dir / "Quillon.log"),
      std::regex(
          R"(\[\d\d:\d\d:\d\d\.\d\d\d\] INFO:  Week number conversion returned 02/06/2026\r\n)")));
  EXPECT_EQ(ReadFile(dir / "VelloraDBerror.log"), db);

  // A message beyond the 16,000-byte buffers is cut and the line still ends.
  std::string huge(40000, 'z');
  on.LogMessage("%s", huge.c_str());
  std::string log = ReadFile(dir / "Vellora.log");
  std::string last = log.substr(log.rfind("\r\n\r\n") + 4);
  EXPECT_EQ(last.size(), LogWriters::kBufferSize - 1);
  EXPECT_EQ(last.substr(last.size() - 2), "\r\n");

  // A log folder that cannot be written loses lines silently.
  LogWriters nowhere;
  nowhere.Configure(dir / "missing/folder", true, true);
  nowhere.LogMessage("lost");
  nowhere.LogDbError("lost");
}

TEST(Logs, ControlCharactersOfAMessageAreWrittenVisiblyEscaped) {
  // A file name holding a line break would otherwise split the line and could
  // forge a line of its own; the line breaks that end a message stay.
  TempDir dir;
  LogWriters logs;
  logs.Configure(dir.path(), true, true);
  logs.LogMessage("DEBUG: name found %s\r\n", "evil\r\n[10:00:00.000] ERROR: forged\x01\x7f\t.ps");
  logs.LogMessage("%s", "mid\nline\r\n");  // built beforehand, with its own line end
  logs.LogDbError("Error: %s   (%s)", "line1\nline2", "SELECT\r1");
  EXPECT_TRUE(std::regex_match(
      ReadFile(dir / "Vellora.log"),
      std::regex(R"(\[\d\d:\d\d:\d\d\.\d\d\d\] DEBUG: name found evil\\r\\n\[10:00:00\.000\] )"
                 R"(ERROR: forged\\x01\\x7f\\t\.ps\r\n\r\n)"
                 R"(\[\d\d:\d\d:\d\d\.\d\d\d\] mid\\nline\r\n\r\n)")))
      << ReadFile(dir / "Vellora.log");
  EXPECT_TRUE(std::regex_match(
      ReadFile(dir / "VelloraDBerror.log"),
      std::regex(
          R"(\[\d\d-\d\d \d\d:\d\d:\d\d\.\d\d\d\] Error: line1\\nline2   \(SELECT\\r1\)\r\n)")))
      << ReadFile(dir / "VelloraDBerror.log");
  // Backslashes of paths stay as they are.
  logs.LogBalancerMessage("path %s", "C:\\in\\x.pdf");
  EXPECT_NE(ReadFile(dir / "Quillon.log").find("] path C:\\in\\x.pdf\r\n"), std::string::npos);
}

TEST(Logs, RollOverAtTheByteLimit) {
  TempDir dir;
  LogWriters logs;
  logs.Configure(dir.path(), true, true);

  WriteFile(dir / "Vellora.log", std::string(LogWriters::kSizeLimit, 'a'));
  logs.LogMessage("next");
  EXPECT_GT(ReadFile(dir / "Vellora.log").size(), LogWriters::kSizeLimit)
      << "exactly the limit stays";
  EXPECT_FALSE(Exists(dir / "Vellora.log2"));

  WriteFile(dir / "Vellora.log2", "older copy");
  WriteFile(dir / "Vellora.log", std::string(LogWriters::kSizeLimit + 1, 'b'));
  logs.LogMessage("fresh");
  std::string fresh = ReadFile(dir / "Vellora.log");
  EXPECT_NE(fresh.find("] fresh\r\n"), std::string::npos);
  EXPECT_LT(fresh.size(), 100u);
  std::string copy = ReadFile(dir / "Vellora.log2");
  EXPECT_EQ(copy.size(), LogWriters::kSizeLimit + 1);
  EXPECT_EQ(copy.back(), 'b');

  WriteFile(dir / "Quillon.log", std::string(LogWriters::kSizeLimit + 1, 'c'));
  logs.LogBalancerMessage("restart");
  EXPECT_LT(ReadFile(dir / "Quillon.log").size(), 100u);
  EXPECT_FALSE(Exists(dir / "Quillon.log2")) << "the balancer log keeps no copy";

  WriteFile(dir / "VelloraDBerror.log", std::string(LogWriters::kSizeLimit + 1, 'd'));
  logs.LogDbError("no bound");
  EXPECT_GT(ReadFile(dir / "VelloraDBerror.log").size(), LogWriters::kSizeLimit + 1);
}

TEST(Logs, ManyThreadsLeaveEveryLineWhole) {
  TempDir dir;
  LogWriters logs;
  logs.Configure(dir.path(), true, true);
  constexpr int kThreads = 8, kLines = 1000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&logs, t] {
      for (int i = 0; i < kLines; ++i)
        logs.LogMessage("thread %d line %d %s", t, i, "payload-payload");
    });
  }
  for (auto& th : threads) th.join();
  std::istringstream in(ReadFile(dir / "Vellora.log"));
  std::string line;
  std::vector<int> next(kThreads, 0);
  int count = 0;
  std::regex shape(R"(\[\d\d:\d\d:\d\d\.\d\d\d\] thread (\d) line (\d+) payload-payload\r)");
  while (std::getline(in, line)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
    int t = std::stoi(m[1]);
    EXPECT_EQ(std::stoi(m[2]), next[t]++) << "each thread's lines in order, none lost";
    ++count;
  }
  EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
}  // namespace vellora::core
