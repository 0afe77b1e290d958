// The report of a finished job: its text and result for each outcome, and the RIP's
// job list with its row limit.
#include "riptrack/job_report.h"

#include <gtest/gtest.h>

#include "support/recording_display.h"

namespace vellora::riptrack {
namespace {

FinishedJob Job(const std::string& name, bool failed, bool warned, int rip = 1) {
  FinishedJob j;
  j.job.JobName = name;
  j.job.Setup = "NEWSPRINT 40";
  j.job.JobTime = "MON JAN 31 10:15:02 2005";
  j.job.ErrorText = "ERROR: UNDEFINED";
  j.job.WarningText = "WARNING: FONT NOT FOUND";
  j.Failed = failed;
  j.Warned = warned;
  j.ripNumber = core::RipNumber(rip);
  return j;
}

TEST(JobReport, TextAndResultOfEachOutcome) {
  JobReport r = BuildJobReport(Job("P1.PS", false, false));
  EXPECT_EQ(r.text, "P1.PS Completed");
  EXPECT_EQ(r.result, core::JobResult::Completed);
  r = BuildJobReport(Job("P2.PS", false, true));
  EXPECT_EQ(r.text, "P2.PS Completed with warning - WARNING: FONT NOT FOUND");
  EXPECT_EQ(r.result, core::JobResult::Warning);
  // Failed wins over warned.
  r = BuildJobReport(Job("P3.PS", true, true));
  EXPECT_EQ(r.text, "P3.PS Failed or canceled - ERROR: UNDEFINED");
  EXPECT_EQ(r.result, core::JobResult::Failed);
  EXPECT_EQ(static_cast<int>(r.result), 2);

  // A failed job without an error text keeps the " - ".
  FinishedJob noError = Job("P4.PS", true, false);
  noError.job.ErrorText.clear();
  EXPECT_EQ(BuildJobReport(noError).text, "P4.PS Failed or canceled - ");

  // The longest fields do not fit the 2,048-byte buffer: cut, never overrun.
  FinishedJob big = Job(std::string(259, 'N'), true, false);
  big.job.ErrorText = "ERROR:" + std::string(4089, 'E');
  r = BuildJobReport(big);
  EXPECT_EQ(r.text.size(), kReportTextSize - 1);
  const std::string head = std::string(259, 'N') + " Failed or canceled - ERROR:";
  EXPECT_EQ(r.text.substr(0, head.size()), head);
}

struct Outlets : RipServices {
  std::vector<std::string> mails;
  std::unique_ptr<RipConnection> OpenRipConnection(core::RipIndex) override { return nullptr; }
  bool UpdateProcessOnMain(int, int, int, const std::string&, const std::string&) override {
    return false;
  }
  void MailFinishedJob(const FinishedJob& job, const JobReport& report) override {
    mails.push_back(std::to_string(job.ripNumber.value) + " " + report.text);
  }
};

struct Entries : RipConnection {
  std::vector<std::string> entries;
  bool Connect(const std::string&, const std::string&, const std::string&) override {
    return false;
  }
  void Disconnect() override {}
  bool UpdateProcess(int, int, int, const std::string&, const std::string&) override {
    return false;
  }
  void AddJobLogEntries(const FinishedJob& job, const JobReport& report) override {
    entries.push_back(job.job.JobName + ";" + std::to_string(static_cast<int>(report.result)));
  }
  void UpdatePageStatus(const FinishedJob& job) override {
    entries.push_back("status " + job.job.JobName);
  }
};

TEST(JobReport, RowThenMailThenEntries) {
  test::RecordingDisplay display;
  RipJobLists lists(display);
  Outlets outlets;
  Entries entries;
  core::SettingsStore s;
  ReportRipJob(Job("P1.PS", false, true, 3), s, lists, outlets, entries);
  ASSERT_EQ(lists.Rows(core::RipIndex(2)).size(), 1u);
  const core::RipJobRow row = lists.Rows(core::RipIndex(2))[0];
  EXPECT_EQ(row.result, core::JobResult::Warning);
  EXPECT_EQ(row.job, "P1.PS Completed with warning - WARNING: FONT NOT FOUND");
  EXPECT_EQ(row.time, "MON JAN 31 10:15:02 2005");
  EXPECT_EQ(row.setup, "NEWSPRINT 40");
  EXPECT_EQ(row.rip.value, 3);
  EXPECT_TRUE(
      display.Has("RIP3 JobAdded 0 3 P1.PS Completed with warning - WARNING: FONT NOT "
                  "FOUND | MON JAN 31 10:15:02 2005 | NEWSPRINT 40 | 3"));
  EXPECT_EQ(outlets.mails,
            (std::vector<std::string>{"3 P1.PS Completed with warning - WARNING: FONT NOT FOUND"}));
  EXPECT_EQ(entries.entries, (std::vector<std::string>{"P1.PS;3"}));
  EXPECT_TRUE(lists.Rows(core::RipIndex(0)).empty()) << "the other RIPs' lists are untouched";
}

TEST(JobReport, PageStatusOnlyForLiveJobsWithUpdateStatus) {
  test::RecordingDisplay display;
  RipJobLists lists(display);
  Outlets outlets;
  Entries entries;
  core::SettingsStore s;
  FinishedJob live = Job("P1.PS", false, false);
  live.live = true;
  FinishedJob reread = Job("P2.PS", true, false);
  ReportRipJob(live, s, lists, outlets, entries);  // UpdateStatus 0: no status
  s.UpdateStatus = 1;
  ReportRipJob(reread, s, lists, outlets, entries);  // not live: no status
  ReportRipJob(live, s, lists, outlets, entries);
  EXPECT_EQ(entries.entries,
            (std::vector<std::string>{"P1.PS;1", "P2.PS;2", "P1.PS;1", "status P1.PS"}));
  EXPECT_EQ(lists.Rows(core::RipIndex(0)).size(), 3u);
}

TEST(RipJobLists, KeepsAtMostMaxRipDoneListDroppingTheOldest) {
  test::RecordingDisplay display;
  RipJobLists lists(display);
  for (int k = 1; k <= 51; ++k) {
    lists.AddRipJobRow("J" + std::to_string(k), core::JobResult::Completed, "t", "s",
                       core::RipNumber(2), 50);
  }
  std::vector<core::RipJobRow> rows = lists.Rows(core::RipIndex(1));
  ASSERT_EQ(rows.size(), 50u);
  EXPECT_EQ(rows.front().job, "J2");
  EXPECT_EQ(rows.back().job, "J51");
  EXPECT_EQ(display.Count("RIP2 JobRemoved 0"), 1);
  EXPECT_EQ(display.Calls().back(), "RIP2 JobAdded 49 1 J51 | t | s | 2");
  // The removal comes before the new row, so a window never holds 51.
  std::vector<std::string> calls = display.Calls();
  EXPECT_EQ(calls[calls.size() - 2], "RIP2 JobRemoved 0");

  // The limit lowered in the setup: the list comes down to it with the next row.
  display.Clear();
  lists.AddRipJobRow("J52", core::JobResult::Failed, "t", "s", core::RipNumber(2), 10);
  rows = lists.Rows(core::RipIndex(1));
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows.front().job, "J43");
  EXPECT_EQ(display.Count("RIP2 JobRemoved 0"), 41);
  // A limit of 0 or less keeps the newest row alone; bad RIP numbers are ignored.
  lists.AddRipJobRow("J53", core::JobResult::Failed, "t", "s", core::RipNumber(2), 0);
  ASSERT_EQ(lists.Rows(core::RipIndex(1)).size(), 1u);
  EXPECT_EQ(lists.Rows(core::RipIndex(1))[0].job, "J53");
  lists.AddRipJobRow("X", core::JobResult::Failed, "t", "s", core::RipNumber(5), 10);
  lists.AddRipJobRow("X", core::JobResult::Failed, "t", "s", core::RipNumber(0), 10);
  for (int r = 0; r < 4; ++r) {
    for (const auto& row : lists.Rows(core::RipIndex(r))) EXPECT_NE(row.job, "X");
  }
}

}  // namespace
}  // namespace vellora::riptrack
