// The monitor's job state machine, line by line: what opens and closes a job, what
// each outcome carries, the texts cleared per pass and the pointer rule.
#include "riptrack/job_parser.h"

#include <gtest/gtest.h>

namespace vellora::riptrack {
namespace {

// Feeds lines as the monitor does; line k ends at offset 100 * (k + 1).
struct Parse {
  JobParser parser;
  riplog::KeywordLine line{riplog::Deliverable::Vellora};
  int64_t pointer = 0;
  int64_t offset = 0;
  std::vector<FinishedJob> jobs;

  void Lines(std::initializer_list<const char*> lines) {
    for (const char* l : lines) {
      offset += 100;
      line.Set(l);
      FinishedJob done;
      if (parser.Feed(line, offset, pointer, &done)) jobs.push_back(done);
    }
  }
};

TEST(JobParser, OutcomesTextsAndUpperCase) {
  Parse p;
  p.parser.BeginPass();
  p.Lines({"RIP started", "Setup loaded: Newsprint 40", "Starting Job On Mon Jan 31 10:15:02 2005",
           "Job Completed: p1.ps"});
  ASSERT_EQ(p.jobs.size(), 1u);
  EXPECT_EQ(p.jobs[0].job.JobName, "P1.PS");
  EXPECT_EQ(p.jobs[0].job.Setup, "NEWSPRINT 40");
  EXPECT_EQ(p.jobs[0].job.JobTime, "MON JAN 31 10:15:02 2005");
  EXPECT_FALSE(p.jobs[0].Failed);
  EXPECT_FALSE(p.jobs[0].Warned);
  EXPECT_EQ(p.jobs[0].job.Status, riplog::JobStatus::Success);
  EXPECT_EQ(p.pointer, 400);

  // A warning before the completed line: completed with warning, the text from the
  // keyword on; "warning" anywhere in the line counts, in any case.
  p.Lines(
      {"setup loaded: gloss", "%%[ Font warning: Univers not found ]%%", "job completed: p2.ps"});
  ASSERT_EQ(p.jobs.size(), 2u);
  EXPECT_TRUE(p.jobs[1].Warned);
  EXPECT_FALSE(p.jobs[1].Failed);
  EXPECT_EQ(p.jobs[1].job.WarningText, "WARNING: UNIVERS NOT FOUND ]%%");
  EXPECT_EQ(p.jobs[1].job.Status, riplog::JobStatus::Warning);

  // Not completed after a warning: failed, whatever the warning says.
  p.Lines({"Setup loaded: Mono", "Warning: x", "Error: undefined; OffendingCommand: y",
           "Job Not Completed: p3.ps"});
  ASSERT_EQ(p.jobs.size(), 3u);
  EXPECT_TRUE(p.jobs[2].Failed);
  EXPECT_TRUE(p.jobs[2].Warned);
  EXPECT_EQ(p.jobs[2].job.JobName, "P3.PS");
  EXPECT_EQ(p.jobs[2].job.ErrorText, "ERROR: UNDEFINED; OFFENDINGCOMMAND: Y");
  EXPECT_EQ(p.jobs[2].job.Status, riplog::JobStatus::Error);

  // Zero bytes end a captured text, as in any text field.
  p.Lines({"Setup loaded: A"});
  std::string withZero = std::string("Job Completed: p4") + '\0' + ".ps";
  p.line.Set(withZero);
  FinishedJob done;
  ASSERT_TRUE(p.parser.Feed(p.line, 9999, p.pointer, &done));
  EXPECT_EQ(done.job.JobName, "P4");
}

TEST(JobParser, TextsAreClearedPerPassNotPerJob) {
  Parse p;
  p.parser.BeginPass();
  // Two jobs in one read: the first has an error line and completes, the second
  // fails without one and carries the first job's error text.
  p.Lines({"Setup loaded: A", "Error: first job's error", "Job Completed: a.ps", "Setup loaded: B",
           "Job Not Completed: b.ps"});
  ASSERT_EQ(p.jobs.size(), 2u);
  EXPECT_FALSE(p.jobs[0].Failed);
  EXPECT_TRUE(p.jobs[1].Failed);
  EXPECT_EQ(p.jobs[1].job.ErrorText, "ERROR: FIRST JOB'S ERROR");
  // A new pass starts without it.
  p.parser.BeginPass();
  p.Lines({"Setup loaded: C", "Job Not Completed: c.ps"});
  ASSERT_EQ(p.jobs.size(), 3u);
  EXPECT_EQ(p.jobs[2].job.ErrorText, "");
}

TEST(JobParser, PointerWaitsBeforeAnOpenJob) {
  Parse p;
  p.Lines({"a", "b"});
  EXPECT_EQ(p.pointer, 200);
  p.Lines({"Setup loaded: A", "Starting Job On now", "Page 1"});
  EXPECT_EQ(p.pointer, 200) << "the lines of an open job are read again next pass";
  EXPECT_EQ(p.parser.state(), JobParser::State::InJob);
  // Setup lines inside an open job do not reopen it: the setup stays the first one.
  p.Lines({"Setup loaded: B", "Job Completed: x.ps"});
  ASSERT_EQ(p.jobs.size(), 1u);
  EXPECT_EQ(p.jobs[0].job.Setup, "A");
  EXPECT_EQ(p.pointer, 700);
  EXPECT_EQ(p.parser.state(), JobParser::State::WaitingForSetup);
}

TEST(JobParser, StartAndWarningOnTheClosingLineItself) {
  Parse p;
  // The start time on the closing line comes after the report: the job has the
  // earlier time, and the next line clears the new one.
  p.Lines({"Setup loaded: A", "Starting Job On one", "Job Completed: a.ps Starting Job On two"});
  ASSERT_EQ(p.jobs.size(), 1u);
  EXPECT_EQ(p.jobs[0].job.JobTime, "ONE");
  EXPECT_EQ(p.parser.job().JobTime, "TWO");
  p.Lines({"idle line"});
  EXPECT_EQ(p.parser.job().JobTime, "");
  // A warning on the closing line counts for the job being closed (it is noted
  // before the job is handed on).
  p.Lines({"Setup loaded: B", "Job Completed: b.ps with a warning"});
  ASSERT_EQ(p.jobs.size(), 2u);
  EXPECT_TRUE(p.jobs[1].Warned);
  EXPECT_EQ(p.jobs[1].job.JobName, "B.PS WITH A WARNING");
  // Dropping an open job reports nothing and waits for the next setup.
  p.Lines({"Setup loaded: C"});
  p.parser.DropOpenJob();
  p.Lines({"Job Completed: c.ps"});
  EXPECT_EQ(p.jobs.size(), 2u);
}

}  // namespace
}  // namespace vellora::riptrack
