// Logs and pointer files that change while they are read: a writer thread appends
// to the log in pieces that tear lines, or shrinks and replaces it, or rewrites the
// pointer file, while the reader goes on with its passes.
#include <atomic>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "riplog/follow_log.h"
#include "riplog/line_cursor.h"
#include "riplog/log_pointer.h"
#include "riplog/log_text.h"
#include "support/temp_dir.h"

namespace vellora::riplog {
namespace {

using test::LogFollower;
using test::TempDir;

TEST(GrowingLog, EveryJobOnceWhileTheRipWritesInPieces) {
  TempDir dir;
  const std::string log = dir / "Logfile";
  const int kJobs = 300;
  std::string all = "RIP started\r\n";
  std::vector<std::string> wantV, wantB;
  for (int i = 0; i < kJobs; ++i) {
    std::string n = "job" + std::to_string(i) + ".ps";
    bool fail = i % 7 == 3;
    all += "Setup loaded: Set" + std::to_string(i) + "\r\n";
    all += "Starting Job On Mon Jan 31 10:12:03 2005\r\n%%[ Page: 1 ]%%\r\n";
    all += (i % 5 == 0 ? "Warning: low ink\r\n" : "");
    all += std::string(fail ? "Job Not Completed: " : "Job Completed: ") + n + "\r\nPublishing\n";
    wantB.push_back(n + "|Set" + std::to_string(i) + "|" + (fail ? "F" : "C"));
    std::string up = n, set = "SET" + std::to_string(i);
    for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    wantV.push_back(up + "|" + set + "|" + (fail ? "F" : "C"));
  }
  platform::AppendAndClose(log, "");

  std::atomic<bool> done{false};
  std::thread writer([&] {
    std::mt19937 rng(1);
    for (size_t at = 0; at < all.size();) {
      size_t n = std::min(all.size() - at, static_cast<size_t>(1 + rng() % 120));
      platform::AppendAndClose(log, std::string_view(all).substr(at, n));
      at += n;
      if (rng() % 4 == 0) std::this_thread::sleep_for(std::chrono::microseconds(rng() % 300));
    }
    done = true;
  });

  std::vector<std::string> gotV, gotB;
  auto make = [&] {
    return std::make_pair(
        std::make_unique<LogFollower>(log, dir / "LogFilePointer1", ReadRule::Vellora(1000000)),
        std::make_unique<LogFollower>(log, dir / "LogFilePointer", ReadRule::Brindlog()));
  };
  auto followers = make();
  auto collect = [&] {
    gotV.insert(gotV.end(), followers.first->jobs.begin(), followers.first->jobs.end());
    gotB.insert(gotB.end(), followers.second->jobs.begin(), followers.second->jobs.end());
    followers.first->jobs.clear();
    followers.second->jobs.clear();
  };
  for (int pass = 0; !done || pass % 2 != 0; ++pass) {
    followers.first->Pass();
    followers.second->Pass();
    if (pass % 17 == 16) {  // a restart of both programs, mid-job as often as not
      collect();
      followers = make();
    }
  }
  writer.join();
  for (int i = 0; i < 2; ++i) {
    followers.first->Pass();
    followers.second->Pass();
  }
  collect();
  EXPECT_EQ(gotV, wantV);
  EXPECT_EQ(gotB, wantB);
}

TEST(GrowingLog, ShrinkingAndReplacedLogNeverOverRead) {
  TempDir dir;
  const std::string log = dir / "Logfile";
  platform::AppendAndClose(log, std::string(300000, 'a'));
  std::atomic<bool> done{false};
  std::thread writer([&] {
    std::mt19937 rng(2);
    while (!done) {
      switch (rng() % 3) {
        case 0:
          std::filesystem::resize_file(log, rng() % 300000);
          break;
        case 1:
          platform::AppendAndClose(log, std::string(rng() % 50000, '\n'));
          break;
        default:
          platform::ReplaceAtomically(log, std::string(rng() % 200000, 'r'));
      }
    }
  });
  std::mt19937 rng(3);
  int ok = 0;
  for (int i = 0; i < 3000; ++i) {
    ReadRule rule = i % 2 ? ReadRule::Brindlog() : ReadRule::Vellora(150000);
    LogText t = ReadNewLogText(log, static_cast<int64_t>(rng() % 400000), rule);
    if (!t.ok()) {
      ASSERT_EQ(t.failure, ReadFailure::OpenFailed);
      continue;
    }
    ++ok;
    ASSERT_LE(static_cast<int64_t>(t.size()), t.requested);
    ASSERT_GE(t.start, 0);
    ASSERT_EQ(t.start + t.requested, t.logSize);
    ASSERT_EQ(t.data()[t.size()], '\0');
    LineCursor c(t);
    LogLine line;
    int64_t last = t.start - 1;
    while (c.NextLine(line)) {
      ASSERT_GT(line.endOffset, last);
      ASSERT_LE(line.endOffset, t.start + static_cast<int64_t>(t.size()));
      last = line.endOffset;
    }
  }
  done = true;
  writer.join();
  EXPECT_GT(ok, 0);
}

TEST(PointerFile, NeverSeenTornWhileRewritten) {
  TempDir dir;
  const std::string p = dir / "LogFilePointer1";
  ASSERT_TRUE(WriteLogPointer(p, 9));
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 300; ++i) WriteLogPointer(p, i % 2 ? 9 : 1000000000);
    done = true;
  });
  std::set<int64_t> seen;
  while (!done) seen.insert(ReadLogPointer(p));
  writer.join();
  for (int64_t v : seen) EXPECT_TRUE(v == 9 || v == 1000000000) << "torn pointer " << v;
}

}  // namespace
}  // namespace vellora::riplog
