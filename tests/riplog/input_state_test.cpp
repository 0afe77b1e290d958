// The tail scan that tells whether a running RIP accepts jobs.
#include "riplog/input_state.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vellora::riplog {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(InputState, OrderOfTheLastWords) {
  EXPECT_EQ(DecideInputState("PUBLISHING\r\nSTOPPING\r\n"), InputState::Closed);
  EXPECT_EQ(DecideInputState("STOPPING\r\nSERIAL NUMBER 5\r\nPUBLISHING\r\n"), InputState::Open);
  EXPECT_EQ(DecideInputState("PUBLISHING STOPPING PUBLISHING"), InputState::Open)
      << "the last occurrence counts";
  EXPECT_EQ(DecideInputState("PUBLISHING SERIAL NUMBER"), InputState::Closed);
  EXPECT_EQ(DecideInputState("SERIAL NUMBER 1234"), InputState::Closed);
  EXPECT_EQ(DecideInputState("STOPPING"), InputState::Closed);
  EXPECT_EQ(DecideInputState("PUBLISHING"), InputState::Open);
  EXPECT_EQ(DecideInputState("nothing here; SERIAL NUMBE; PUBLISHIN"), InputState::Undecided);
  EXPECT_EQ(DecideInputState(""), InputState::Undecided);
  EXPECT_EQ(DecideInputState(std::string("STOPPING\0PUBLISHING", 19)), InputState::Open)
      << "a zero byte does not end the tail";
}

TEST(InputState, ScansTheUpperCasedTailOfTheLog) {
  TempDir dir;
  std::string path = dir / "Logfile";
  WriteFile(path, "Stopping input\r\nstarted publishing\r\n");
  EXPECT_EQ(ScanInputState(path, Deliverable::Vellora).state, InputState::Open);
  EXPECT_EQ(ScanInputState(path, Deliverable::Brindlog).state, InputState::Open);
  WriteFile(path, "Publishing\r\nStopping\r\n");
  TailScan s = ScanInputState(path, Deliverable::Brindlog);
  EXPECT_EQ(s.state, InputState::Closed);
  EXPECT_EQ(s.failure, TailScanFailure::None);
  WriteFile(path, "Job Completed: x\r\n");
  EXPECT_EQ(ScanInputState(path, Deliverable::Vellora).state, InputState::Undecided);
  EXPECT_EQ(ScanInputState(path, Deliverable::Brindlog).state, InputState::Undecided);

  // Only the last 64,000 bytes count: a word further back is not seen.
  std::string filler(64000 - 10, '.');
  WriteFile(path, "Stopping\r\n" + std::string("PUBLISHING") + filler + "0123456789");
  EXPECT_EQ(ScanInputState(path, Deliverable::Vellora).state, InputState::Undecided);
  WriteFile(path, "Stopping\r\n" + std::string("PUBLISHING") + filler);
  EXPECT_EQ(ScanInputState(path, Deliverable::Vellora).state, InputState::Open);
  WriteFile(path, "Stopping\r\n" + std::string("PUBLISHING") + filler + "9");
  EXPECT_EQ(ScanInputState(path, Deliverable::Vellora).state, InputState::Undecided)
      << "a word cut by the start of the tail is not seen";
}

TEST(InputState, FailureResultsOfBothDeliverables) {
  TempDir dir;
  TailScan v = ScanInputState(dir / "Logfile", Deliverable::Vellora);
  EXPECT_EQ(v.state, InputState::Undecided);
  EXPECT_EQ(v.failure, TailScanFailure::OpenFailed);
  TailScan b = ScanInputState(dir / "Logfile", Deliverable::Brindlog);
  EXPECT_EQ(b.state, InputState::Closed);
  EXPECT_EQ(b.failure, TailScanFailure::OpenFailed);
  EXPECT_EQ(ScanInputState(dir.path(), Deliverable::Brindlog).failure, TailScanFailure::OpenFailed);
}

}  // namespace
}  // namespace vellora::riplog
