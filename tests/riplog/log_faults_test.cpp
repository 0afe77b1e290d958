// Following real logs across passes and restarts, with the faults a RIP log may
// show: garbage, zero bytes, huge lines, no line breaks, a log deleted or replaced,
// a pointer file holding text, no memory for the read.
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "riplog/follow_log.h"
#include "riplog/log_pointer.h"
#include "riplog/log_text.h"
#include "support/temp_dir.h"

namespace vellora::riplog {
namespace {

using test::LogFollower;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Jobs = std::vector<std::string>;

std::string Job(const std::string& name, const std::string& setup, bool fail = false) {
  return "Setup loaded: " + setup + "\r\nStarting Job On Mon Jan 31 10:12:03 2005\r\n" +
         "Ripping file /hot/" + name + " -x\r\n%%[ Page: 1 ]%%\r\n" +
         (fail ? "Job Not Completed: " : "Job Completed: ") + name + "\r\n";
}

void Append(const std::string& path, const std::string& text) {
  ASSERT_TRUE(platform::AppendAndClose(path, text));
}

struct Both {
  explicit Both(const TempDir& dir, int64_t velloraLimit = 1000000)
      : vellora(dir / "Logfile", dir / "LogFilePointer1", ReadRule::Vellora(velloraLimit)),
        brindlog(dir / "Logfile", dir / "LogFilePointer", ReadRule::Brindlog()) {}
  void Pass() {
    vellora.Pass();
    brindlog.Pass();
  }
  LogFollower vellora;
  LogFollower brindlog;
};

TEST(FollowLog, EachJobOnceAcrossPassesAndRestarts) {
  TempDir dir;
  std::string log = dir / "Logfile";
  WriteFile(log, "RIP started\r\nPublishing\r\n" + Job("p1.ps", "\"Newsprint 40\""));
  Both f(dir);
  f.Pass();
  EXPECT_EQ(f.vellora.jobs, (Jobs{"P1.PS|\"NEWSPRINT 40\"|C"}));
  EXPECT_EQ(f.brindlog.jobs, (Jobs{"p1.ps|Newsprint 40|C"}));
  // The pointer stands at the break of the closing line.
  std::string text = ReadFile(log);
  std::string stored = std::to_string(text.size() - 2) + "\r\n";
  EXPECT_EQ(ReadFile(dir / "LogFilePointer1"), stored);
  EXPECT_EQ(ReadFile(dir / "LogFilePointer"), stored);
  f.Pass();
  EXPECT_EQ(f.vellora.jobs.size(), 1u);
  EXPECT_EQ(f.brindlog.jobs.size(), 1u);

  // A job in progress spans passes: its lines are read again until it closes.
  Append(log, "Setup loaded: Mono\r\nStarting Job On now\r\n");
  f.Pass();
  EXPECT_EQ(ReadFile(dir / "LogFilePointer"), stored) << "the pointer waits before the setup";
  f.Pass();
  Append(log, "Job Not Completed: p2.ps\r\n");
  f.Pass();
  EXPECT_EQ(f.vellora.jobs, (Jobs{"P1.PS|\"NEWSPRINT 40\"|C", "P2.PS|MONO|F"}));
  EXPECT_EQ(f.brindlog.jobs, (Jobs{"p1.ps|Newsprint 40|C", "p2.ps|Mono|F"}));

  // A restart continues at the stored pointers and reports nothing again.
  Both restarted(dir);
  restarted.Pass();
  EXPECT_TRUE(restarted.vellora.jobs.empty());
  EXPECT_TRUE(restarted.brindlog.jobs.empty());
  Append(log, Job("p3.ps", "S"));
  restarted.Pass();
  EXPECT_EQ(restarted.vellora.jobs, (Jobs{"P3.PS|S|C"}));
  EXPECT_EQ(restarted.brindlog.jobs, (Jobs{"p3.ps|S|C"}));
}

TEST(FollowLog, PointerFileHoldingTextStartsAfresh) {
  TempDir dir;
  std::string log = dir / "Logfile";
  WriteFile(log, Job("a.ps", "S") + Job("b.ps", "S"));
  Both f(dir);
  f.Pass();
  ASSERT_EQ(f.brindlog.jobs.size(), 2u);
  // A damaged pointer file is no position: the tail is read, and its jobs reported
  // again, by design.
  WriteFile(dir / "LogFilePointer1", "hello\r\n");
  WriteFile(dir / "LogFilePointer", "\x01\x02garbage");
  f.Pass();
  EXPECT_EQ(f.vellora.jobs, (Jobs{"A.PS|S|C", "B.PS|S|C", "A.PS|S|C", "B.PS|S|C"}));
  EXPECT_EQ(f.brindlog.jobs.size(), 4u);
  EXPECT_EQ(ReadLogPointer(dir / "LogFilePointer"), static_cast<int64_t>(ReadFile(log).size()) - 2)
      << "and the pointer is sound again";
}

TEST(FollowLog, BinaryGarbageAroundAJob) {
  TempDir dir;
  std::string log = dir / "Logfile";
  std::mt19937 rng(7);
  auto garbage = [&](size_t n) {
    std::string g(n, '\0');
    for (char& c : g) c = static_cast<char>(rng());
    return g;
  };
  WriteFile(log, garbage(200000) + "\r\n" + Job("g.ps", "S") + garbage(3000) + "\r\n");
  Both f(dir);
  f.Pass();
  f.Pass();
  EXPECT_EQ(f.vellora.jobs, (Jobs{"G.PS|S|C"}));
  EXPECT_EQ(f.brindlog.jobs, (Jobs{"g.ps|S|C"}));
  Append(log, garbage(500000));
  f.Pass();
  Append(log, "\r\n" + Job("h.ps", "T"));
  f.Pass();
  EXPECT_EQ(f.vellora.jobs, (Jobs{"G.PS|S|C", "H.PS|T|C"}));
  EXPECT_EQ(f.brindlog.jobs, (Jobs{"g.ps|S|C", "h.ps|T|C"}));
}

TEST(FollowLog, ZeroBytesInTheLog) {
  TempDir dir;
  std::string log = dir / "Logfile";
  using namespace std::string_literals;
  WriteFile(log, "\0\0\0\r\n"s + "Setup loaded: S\0X\r\n"s + "\0\r\n"s + "Job Completed: j1\r\n" +
                     "\0\0"s);
  Both f(dir);
  f.Pass();
  // Zero bytes neither end the data nor stop the pointer: what follows them is read.
  Append(log, "\r\nSetup loaded: T\r\nJob Not Completed: j\0002\r\n"s);
  f.Pass();
  f.Pass();
  EXPECT_EQ(f.vellora.jobs, (Jobs{"J1|S\0X|C"s, "J\0002|T|F"s}));
  EXPECT_EQ(f.brindlog.jobs, (Jobs{"j1|S\0X|C"s, "j\0002|T|F"s}));
  EXPECT_EQ(ReadLogPointer(dir / "LogFilePointer"), static_cast<int64_t>(ReadFile(log).size()) - 2);
}

TEST(FollowLog, HundredMegabyteLine) {
  TempDir dir;
  std::string log = dir / "Logfile";
  const size_t huge = 100 * 1000 * 1000;
  {
    std::ofstream out(log, std::ios::binary);
    out << "Start\r\nSetup loaded: S\r\n";
    std::string chunk(1000000, 'x');
    chunk.replace(500000, 16, "Job Completed: z");  // deep in the line: not looked at
    for (size_t i = 0; i < huge / chunk.size(); ++i) out << chunk;
    out << "\r\nJob Completed: big.ps\r\nJob Completed: " << std::string(huge / 10, 'n') << "\r\n";
  }
  // The daemon reads everything after its pointer, the huge lines included, and sees
  // only their first 16,383 characters.
  WriteLogPointer(dir / "LogFilePointer", 5);
  LogFollower b(log, dir / "LogFilePointer", ReadRule::Brindlog());
  b.Pass();
  EXPECT_EQ(b.jobs, (Jobs{"big.ps|S|C"}));
  EXPECT_GT(b.lastSize, static_cast<int64_t>(huge));
  // The operator program with the default limit sees only the last 1,000,000 bytes,
  // which hold no setup: nothing to report, and no harm done.
  WriteLogPointer(dir / "LogFilePointer1", 5);
  LogFollower v(log, dir / "LogFilePointer1", ReadRule::Vellora(1000000));
  v.Pass();
  EXPECT_TRUE(v.jobs.empty());
  EXPECT_EQ(v.lastSize, 1000000);
  // With a limit large enough it reads it all; the huge closing line gives a cut name.
  WriteLogPointer(dir / "LogFilePointer1", 0);
  WriteFile(log, "Setup loaded: S\r\nJob Completed: " + std::string(huge, 'n') + "\r\n");
  LogFollower all(log, dir / "LogFilePointer1", ReadRule::Vellora(200000000));
  all.Pass();
  EXPECT_EQ(all.jobs, (Jobs{std::string(259, 'N') + "|S|C"}));
}

TEST(FollowLog, LogWithoutLineBreaks) {
  TempDir dir;
  std::string log = dir / "Logfile";
  std::string text;
  while (text.size() < 3000000) text += "Setup loaded: S Job Completed: x.ps Publishing ";
  WriteFile(log, text);
  Both f(dir);
  for (int i = 0; i < 3; ++i) f.Pass();
  EXPECT_TRUE(f.vellora.jobs.empty());
  EXPECT_TRUE(f.brindlog.jobs.empty());
  // Each pass reads no more than its limit from the end.
  EXPECT_EQ(f.vellora.lastSize, 1000000);
  EXPECT_EQ(f.brindlog.lastSize, 100000);
  EXPECT_EQ(f.vellora.lastStart, static_cast<int64_t>(text.size()) - 1000000);
}

TEST(FollowLog, LogDeletedThenReplacedByAShorterOne) {
  TempDir dir;
  std::string log = dir / "Logfile";
  WriteFile(log, Job("a.ps", "S") + Job("b.ps", "S") + Job("c.ps", "S"));
  Both f(dir);
  f.Pass();
  std::string pointerBefore = ReadFile(dir / "LogFilePointer");
  // Deleted: the read fails and the pointer file is left as it is.
  std::filesystem::remove(log);
  EXPECT_EQ(f.vellora.Pass(), ReadFailure::OpenFailed);
  EXPECT_EQ(f.brindlog.Pass(), ReadFailure::OpenFailed);
  EXPECT_EQ(ReadFile(dir / "LogFilePointer"), pointerBefore);
  // A new, shorter log: read from its start (it is shorter than the limits).
  WriteFile(log, Job("d.ps", "N"));
  f.Pass();
  f.Pass();
  EXPECT_EQ(f.vellora.jobs, (Jobs{"A.PS|S|C", "B.PS|S|C", "C.PS|S|C", "D.PS|N|C"}));
  EXPECT_EQ(f.brindlog.jobs, (Jobs{"a.ps|S|C", "b.ps|S|C", "c.ps|S|C", "d.ps|N|C"}));
  // Replaced (renamed over) while nothing is read: the same.
  WriteFile(dir / "new", Job("e", "M"));
  std::filesystem::rename(dir / "new", log);
  f.Pass();
  EXPECT_EQ(f.brindlog.jobs.back(), "e|M|C");
  EXPECT_EQ(f.vellora.jobs.back(), "E|M|C");
  EXPECT_EQ(f.brindlog.jobs.size(), 5u);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// In a child with 4 GB of address space, the daemon's read of nearly 8 GB after its
// pointer has no buffer; exits with 0 when that is reported as such.
void ReadWithLittleMemory(const std::string& log) {
  struct rlimit limit {};
  limit.rlim_cur = limit.rlim_max = 4000000000ull;
  setrlimit(RLIMIT_AS, &limit);
  LogText t = ReadNewLogText(log, 1, ReadRule::Brindlog());
  _exit(t.failure == ReadFailure::AllocationFailed && t.requested == 7999999999 ? 0 : 1);
}

TEST(FollowLog, NoMemoryForTheReadIsAFailureNotACrash) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' allocators abort instead of failing";
  TempDir dir;
  std::string log = dir / "Logfile";
  WriteFile(log, "x");
  std::filesystem::resize_file(log, 8000000000ull);  // sparse
  EXPECT_EXIT(ReadWithLittleMemory(log), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vellora::riplog
