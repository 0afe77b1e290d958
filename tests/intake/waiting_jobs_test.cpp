// The waiting-jobs rows and the operator's queue commands.
#include "intake/waiting_jobs.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "support/hold_open.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace vellora::intake {
namespace {

struct Listed {
  std::string FileName;
  std::string ListedTime;
  uint64_t TimeKey;
};

std::vector<std::string> Jobs(const WaitingJobs& w) {
  std::vector<std::string> out;
  for (const auto& r : w.Rows()) out.push_back(r.job + ":" + std::to_string(r.prio));
  return out;
}

InputQueue QueueOf(const std::vector<std::string>& names, const std::string& setup = "News") {
  core::Spooler sp;
  sp.SetupName = setup;
  sp.Priority = 2;
  std::vector<Listed> l;
  for (size_t k = 0; k < names.size(); ++k)
    l.push_back({names[k], "1/2/2026 10:00:0" + std::to_string(k), k});
  InputQueue q;
  q.Append(l, static_cast<int>(l.size()), sp, 0, nullptr);
  return q;
}

RowKey KeyOf(const WaitingJobs& w, int row) {
  auto rows = w.Rows();
  return {rows[static_cast<size_t>(row)].time, rows[static_cast<size_t>(row)].job,
          rows[static_cast<size_t>(row)].setup};
}

TEST(WaitingJobs, ShowQueueAddsMissingRowsOnlyAndRemoveFindsExactKeys) {
  test::RecordingDisplay d;
  WaitingJobs w(d);
  InputQueue q = QueueOf({"a.ps", "b.ps"});
  w.ShowQueue(q, 2);
  w.ShowQueue(q, 2);  // the next pass sees the same files
  ASSERT_EQ(w.Rows().size(), 2u) << "a file seen in several passes has one row";
  EXPECT_EQ(w.Rows()[0].id, 100);
  EXPECT_EQ(w.Rows()[1].id, 101);
  EXPECT_EQ(w.Rows()[1].prio, 100);
  EXPECT_EQ(d.Count("WaitingInserted"), 2);

  InputQueue other = QueueOf({"a.ps"}, "Ads");
  w.ShowQueue(other, 1);
  EXPECT_EQ(w.Rows().size(), 3u) << "the same name in another setup is another row";
  w.ShowQueue(q, 0);

  w.RemoveQueueRow("a.ps", w.Rows()[0].time, "news");  // setup compared case-sensitively
  EXPECT_EQ(w.Rows().size(), 3u);
  w.RemoveQueueRow("a.ps", w.Rows()[0].time, "News");
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"b.ps:100", "a.ps:100"}));
  EXPECT_TRUE(d.Has("WaitingRemoved 0 a.ps"));
  // A removed row comes back when the file is listed again.
  w.ShowQueue(q, 2);
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"b.ps:100", "a.ps:100", "a.ps:100"}));
  EXPECT_EQ(w.Rows()[2].setup, "News");
  // Accessors beyond the last row.
  EXPECT_EQ(w.JobText(99), "");
  EXPECT_EQ(w.Id(99), 0);
  EXPECT_EQ(w.Prio(-1), 0);
  core::SettingsStore s;
  s.NumberOfSpoolers = 1;
  s.Spoolers[0].SetupName = "News";
  EXPECT_EQ(w.SpoolerIndex(0, s), 0);
  EXPECT_EQ(w.SpoolerIndex(1, s), -1);
  EXPECT_EQ(w.SpoolerIndex(99, s), -1);
}

TEST(WaitingJobs, RushAndMoveCommands) {
  test::RecordingDisplay d;
  WaitingJobs w(d);
  InputQueue q = QueueOf({"a", "b", "c", "d"});
  w.ShowQueue(q, 4);
  w.RushJob({KeyOf(w, 0)});
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"a:100", "b:100", "c:100", "d:100"}))
      << "rush on the first row does nothing";
  w.RushJob({KeyOf(w, 2)});
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"c:200", "a:100", "b:100", "d:100"}));
  EXPECT_EQ(w.Rows()[0].id, 102);
  EXPECT_TRUE(d.Has("WaitingSelected 0"));

  w.MoveJobUp({KeyOf(w, 2)});
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"c:200", "b:101", "a:100", "d:100"}));
  w.MoveJobUp({KeyOf(w, 0), KeyOf(w, 3)});
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"c:200", "b:101", "a:100", "d:100"}))
      << "the first row among the selection stops the command";
  w.MoveJobDown({KeyOf(w, 1)});
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"c:200", "a:100", "b:100", "d:100"}));
  w.MoveJobDown({KeyOf(w, 3), KeyOf(w, 0)});
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"c:200", "a:100", "b:100", "d:100"}))
      << "the last row stops it";
  w.MoveJobDown({{"no", "such", "row"}});
}

TEST(WaitingJobs, MovingRowsAtTheEdgesOfThePriorityRangeDoesNotWrap) {
  test::RecordingDisplay d;
  WaitingJobs w(d);
  core::Spooler top, bottom;
  top.SetupName = "Top";
  top.Priority = 50000000;
  bottom.SetupName = "Bottom";
  bottom.Priority = -50000000;
  std::vector<Listed> a = {{"a", "t1", 1}}, b = {{"b", "t2", 2}}, c = {{"c", "t3", 3}};
  InputQueue q;
  q.Append(a, 1, bottom, 0, nullptr);
  q.Append(b, 1, top, 1, nullptr);
  q.Append(c, 1, bottom, 0, nullptr);
  w.ShowQueue(q, 3);
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"a:-2147483648", "b:2147483647", "c:-2147483648"}));
  w.MoveJobUp({KeyOf(w, 1)});
  w.MoveJobDown({KeyOf(w, 1)});
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"b:2147483647", "c:-2147483648", "a:-2147483648"}))
      << "one more than the largest stays the largest, one less than the smallest the smallest";
}

TEST(WaitingJobs, KillAsksFirstAndDeletesFromTheInputFolder) {
  test::TempDir dir;
  test::WriteFile(dir / "a.ps", "a");
  test::WriteFile(dir / "b.ps", "b");
  core::SettingsStore s;
  s.NumberOfSpoolers = 1;
  s.Spoolers[0].SetupName = "News";
  s.Spoolers[0].InputSpool = dir.path();
  test::RecordingDisplay d;
  WaitingJobs w(d);
  InputQueue q = QueueOf({"a.ps", "b.ps"});
  w.ShowQueue(q, 2);
  int asked = 0;
  auto no = [&](const std::string& question) {
    ++asked;
    EXPECT_EQ(question, "Kill selected job(s)");
    return false;
  };
  auto yes = [&](const std::string&) { return true; };
  EXPECT_FALSE(w.KillJobs({}, s, yes));
  EXPECT_EQ(asked, 0) << "no selection, no question";
  EXPECT_FALSE(w.KillJobs({KeyOf(w, 0)}, s, no));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(w.Rows().size(), 2u);
  EXPECT_TRUE(test::Exists(dir / "a.ps"));
  EXPECT_TRUE(w.KillJobs({KeyOf(w, 0)}, s, yes));
  EXPECT_EQ(Jobs(w), std::vector<std::string>{"b.ps:100"});
  EXPECT_FALSE(test::Exists(dir / "a.ps"));
  EXPECT_TRUE(test::Exists(dir / "b.ps"));

  // A row whose setup is no spooler any more: the row goes, no file is touched.
  InputQueue orphan = QueueOf({"b.ps"}, "Gone");
  w.ShowQueue(orphan, 1);
  EXPECT_TRUE(w.KillJobs({KeyOf(w, 1)}, s, yes));
  EXPECT_EQ(Jobs(w), std::vector<std::string>{"b.ps:100"});
  EXPECT_TRUE(test::Exists(dir / "b.ps"));
}

TEST(WaitingJobs, KillLeavesFilesThatAreStillInUse) {
  test::TempDir dir;
  for (const char* n : {"writing.ps", "reading.ps", "idle.ps"}) test::WriteFile(dir / n, "x");
  core::SettingsStore s;
  s.NumberOfSpoolers = 1;
  s.Spoolers[0].SetupName = "News";
  s.Spoolers[0].InputSpool = dir.path();
  test::RecordingDisplay d;
  WaitingJobs w(d);
  w.ShowQueue(QueueOf({"writing.ps", "reading.ps", "idle.ps"}), 3);
  // Its producer still writes one file, another program reads the other: a delete
  // of a file held open fails, silently, as it does on Windows.
  test::HoldOpen writer(dir / "writing.ps", O_WRONLY | O_APPEND);
  test::HoldOpen reader(dir / "reading.ps", O_RDONLY);
  ASSERT_TRUE(writer.ok() && reader.ok());
  auto yes = [](const std::string&) { return true; };
  EXPECT_TRUE(w.KillJobs({KeyOf(w, 0), KeyOf(w, 1), KeyOf(w, 2)}, s, yes));
  EXPECT_TRUE(w.Rows().empty()) << "the rows go all the same";
  EXPECT_EQ(test::ReadFile(dir / "writing.ps"), "x");
  EXPECT_EQ(test::ReadFile(dir / "reading.ps"), "x");
  EXPECT_FALSE(test::Exists(dir / "idle.ps"));

  // The scanner listed the three files just before the kill and shows its listing
  // after it: the files that stayed get their rows back, the deleted one does not.
  InputQueue before = QueueOf({"writing.ps", "reading.ps", "idle.ps"});
  w.ShowQueue(before, 3);
  EXPECT_EQ(Jobs(w), (std::vector<std::string>{"writing.ps:100", "reading.ps:100"}));
  // A pass shown after the delete was listed after it; from then on a file of the
  // same name and time is a new job and is shown.
  w.ShowQueue(before, 0);
  w.ShowQueue(before, 3);
  EXPECT_EQ(Jobs(w),
            (std::vector<std::string>{"writing.ps:100", "reading.ps:100", "idle.ps:100"}));
}

TEST(WaitingJobs, CommandsAndTheScannerNeverChangeTheRowsAtOnce) {
  test::RecordingDisplay d;
  WaitingJobs w(d);
  std::vector<std::string> names;
  for (int k = 0; k < 200; ++k) names.push_back("f" + std::to_string(k));
  InputQueue q = QueueOf(names);
  std::atomic<bool> stop{false};
  std::thread scanner([&] {
    while (!stop) {
      w.ShowQueue(q, 200);
      for (int k = 0; k < 200; k += 7) w.RemoveQueueRow(q[k].FileName, q[k].ListedTime, "News");
    }
  });
  for (int round = 0; round < 300; ++round) {
    auto rows = w.Rows();
    if (rows.size() < 3) continue;
    RowKey k{rows[2].time, rows[2].job, rows[2].setup};
    w.RushJob({k});
    w.MoveJobDown({k});
    w.MoveJobUp({k});
  }
  stop = true;
  scanner.join();
  auto rows = w.Rows();
  std::set<std::string> seen;
  for (const auto& r : rows) EXPECT_TRUE(seen.insert(r.job).second) << "no row twice: " << r.job;
}

}  // namespace
}  // namespace vellora::intake
