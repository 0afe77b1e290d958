// Finishing a move across file systems that a crash interrupted, from every state
// the crash can leave behind.
#include "platform/move_intent.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace vellora::platform {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

FileIdentity Id(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  FileIdentity id;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = static_cast<uint64_t>(st.st_size);
  id.mtimeSec = st.st_mtim.tv_sec;
  id.mtimeNsec = st.st_mtim.tv_nsec;
  return id;
}

// An input folder on one file system, a spool folder on another, and the state of a
// move of in/page.ps to spool/page.ps that the crash interrupted: the source is
// there, the copy is complete under its temporary name, the record written.
struct Interrupted {
  TempDir disk;
  TempDir shm{"/dev/shm"};
  std::string source, temporary, destination, record;
  MoveIntent intent;

  Interrupted() {
    test::MakeDirs(shm / "in");
    test::MakeDirs(disk / "spool");
    source = shm / "in/page.ps";
    temporary = disk / "spool/.page.ps.part-host-1-0";
    destination = disk / "spool/page.ps";
    record = disk / "Vellora.move";
    WriteFile(source, "page");
    WriteFile(temporary, "page");
    intent = {source, temporary, destination, Id(source), Id(temporary)};
    EXPECT_TRUE(WriteMoveIntent(record, intent));
  }
  void PutInPlace() { std::filesystem::rename(temporary, destination); }
};

TEST(MoveIntent, TheRecordKeepsAnyNameAndACutRecordIsNone) {
  TempDir dir;
  MoveIntent in{"/in/odd\nname\\x\r.ps", "/spool/.t", "/spool/odd\nname\\x\r.ps", {}, {}};
  in.sourceId = {1, 2, 3, -4, 5};
  in.copyId = {6, 7, 8, 9, 10};
  ASSERT_TRUE(WriteMoveIntent(dir / "rec", in));
  MoveIntent out;
  ASSERT_TRUE(ReadMoveIntent(dir / "rec", out));
  EXPECT_EQ(out.source, in.source);
  EXPECT_EQ(out.destination, in.destination);
  EXPECT_EQ(out.sourceId.mtimeSec, -4);
  EXPECT_EQ(out.copyId.mtimeNsec, 10);
  std::string text = ReadFile(dir / "rec");
  WriteFile(dir / "rec", text.substr(0, text.size() - 4));  // cut before "end"
  EXPECT_FALSE(ReadMoveIntent(dir / "rec", out));
  EXPECT_EQ(FinishInterruptedMove(dir / "rec").outcome, FinishOutcome::Unusable);
  EXPECT_FALSE(Exists(dir / "rec"));
  EXPECT_EQ(FinishInterruptedMove(dir / "rec").outcome, FinishOutcome::NoRecord);
  std::string why;
  EXPECT_FALSE(WriteMoveIntent(dir / "no/such/folder/rec", in, &why));
  EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
}

TEST(MoveIntent, ACopyInPlaceMeansTheSourceGoes) {
  Interrupted s;
  s.PutInPlace();
  FinishedMove done = FinishInterruptedMove(s.record);
  EXPECT_EQ(done.outcome, FinishOutcome::SourceRemoved);
  EXPECT_EQ(done.source, s.source);
  EXPECT_EQ(done.destination, s.destination);
  EXPECT_FALSE(Exists(s.source)) << "not delivered a second time";
  EXPECT_EQ(ReadFile(s.destination), "page");
  EXPECT_FALSE(Exists(s.record));
}

TEST(MoveIntent, ACopyTheRipAlreadyTookMeansTheSourceGoes) {
  Interrupted s;
  s.PutInPlace();
  std::filesystem::remove(s.destination);  // the RIP took it
  EXPECT_EQ(FinishInterruptedMove(s.record).outcome, FinishOutcome::SourceRemoved);
  EXPECT_FALSE(Exists(s.source));
}

TEST(MoveIntent, ACopyNotYetInPlaceIsRemovedAndTheSourceStays) {
  Interrupted s;
  EXPECT_EQ(FinishInterruptedMove(s.record).outcome, FinishOutcome::NotPlaced);
  EXPECT_EQ(ReadFile(s.source), "page");
  EXPECT_FALSE(Exists(s.temporary));
  EXPECT_FALSE(Exists(s.destination));
  EXPECT_FALSE(Exists(s.record));
}

TEST(MoveIntent, ANewFileUnderTheSourcesNameStays) {
  Interrupted s;
  s.PutInPlace();
  std::filesystem::remove(s.source);
  WriteFile(s.source, "a newer page of the same name");
  EXPECT_EQ(FinishInterruptedMove(s.record).outcome, FinishOutcome::SourceReplaced);
  EXPECT_EQ(ReadFile(s.source), "a newer page of the same name");

  Interrupted gone;
  gone.PutInPlace();
  std::filesystem::remove(gone.source);
  EXPECT_EQ(FinishInterruptedMove(gone.record).outcome, FinishOutcome::SourceGone);
}

TEST(MoveIntent, ADestinationThatCannotBeSeenKeepsTheSource) {
  // The spool folder is a share that is not mounted at this start: neither the copy
  // nor its temporary can be seen, and that proves nothing.
  Interrupted s;
  s.PutInPlace();
  std::filesystem::rename(s.disk / "spool", s.disk / "elsewhere");
  EXPECT_EQ(FinishInterruptedMove(s.record).outcome, FinishOutcome::Undecided);
  EXPECT_EQ(ReadFile(s.source), "page");
  EXPECT_FALSE(Exists(s.record));
}

TEST(MoveIntent, AMoveKeepsItsRecordOnlyWhileItRuns) {
  TempDir disk;
  TempDir shm("/dev/shm");
  WriteFile(shm / "a.ps", "a");
  MoveOptions options;
  options.intentPath = disk / "Vellora.move";
  std::string why;
  ASSERT_TRUE(MoveFileReplace(shm / "a.ps", disk / "a.ps", options, &why)) << why;
  EXPECT_FALSE(Exists(disk / "Vellora.move")) << "gone once the source is gone";
  EXPECT_FALSE(Exists(shm / "a.ps"));

  // No record can be written: the copy is not put in place without one.
  WriteFile(shm / "b.ps", "b");
  options.intentPath = disk / "missing/Vellora.move";
  EXPECT_FALSE(MoveFileReplace(shm / "b.ps", disk / "b.ps", options, &why));
  EXPECT_NE(why.find("cannot write the move record"), std::string::npos) << why;
  EXPECT_EQ(ReadFile(shm / "b.ps"), "b");
  EXPECT_FALSE(Exists(disk / "b.ps"));
  int left = 0;
  for (auto& e : std::filesystem::directory_iterator(disk.path())) left += e.is_regular_file();
  EXPECT_EQ(left, 1) << "only a.ps, no temporary";
}

}  // namespace
}  // namespace vellora::platform
