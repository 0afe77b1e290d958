// The file stand-ins against real files, folders and processes.
#include "platform/files.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "support/hold_open.h"
#include "support/temp_dir.h"
#include "support/temporaries.h"

namespace vellora::platform {
namespace {

using test::HoldOpen;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

int CountEntries(const std::string& dir) {
  int n = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) {
    (void)e;
    ++n;
  }
  return n;
}

TEST(Files, WritersAppendReplaceAndReadBack) {
  TempDir dir;
  std::string p = dir / "log.txt";
  EXPECT_TRUE(AppendAndClose(p, "one\r\n"));
  EXPECT_TRUE(AppendAndClose(p, "two\r\n"));
  EXPECT_EQ(ReadFile(p), "one\r\ntwo\r\n");
  EXPECT_TRUE(CreateOrReplace(p, "x"));
  EXPECT_EQ(ReadFile(p), "x");
  EXPECT_TRUE(ReplaceAtomically(p, "new content"));
  EXPECT_EQ(ReadFile(p), "new content");
  EXPECT_EQ(CountEntries(dir.path()), 1) << "no temporary file may stay behind";
  // A name as long as the file system allows still gets its temporary name.
  std::string longName = dir / std::string(255, 'n');
  EXPECT_EQ(ReplaceFileAtomically(longName, "l"), ReplaceOutcome::Replaced);
  EXPECT_EQ(ReadFile(longName), "l");
  EXPECT_EQ(ReplaceFileAtomically(dir / "no/such/folder/x", "s"), ReplaceOutcome::CreateFailed);
  std::filesystem::remove(longName);

  std::string part;
  ASSERT_TRUE(ReadFileRange(p, 4, 3, part));
  EXPECT_EQ(part, "con");
  ASSERT_TRUE(ReadFileRange(p, 100, 10, part));
  EXPECT_EQ(part, "");
  EXPECT_FALSE(ReadFileRange(dir / "missing", 0, 10, part));
  EXPECT_FALSE(ReadFileRange(dir.path(), 0, 10, part)) << "a folder is not a file";

  // Backslash texts work as well as POSIX paths.
  EXPECT_TRUE(AppendAndClose(dir.path() + "\\sub.txt", "s"));
  EXPECT_EQ(ReadFile(dir / "sub.txt"), "s");
  EXPECT_FALSE(AppendAndClose(dir / "no/such/folder/x", "s"));
}

TEST(Files, StatAndDirectoryTests) {
  TempDir dir;
  WriteFile(dir / "f", "12345");
  FileStat st = StatPath(dir / "f");
  EXPECT_TRUE(st.exists && st.isRegular && !st.isDirectory);
  EXPECT_EQ(st.size, 5u);
  EXPECT_GT(st.mtimeSec, 1600000000);
  EXPECT_TRUE(IsEnterableDirectory(dir.path()));
  EXPECT_FALSE(IsEnterableDirectory(dir / "f"));
  EXPECT_FALSE(IsEnterableDirectory(dir / "missing"));
  EXPECT_FALSE(IsEnterableDirectory(""));
  std::string before = std::filesystem::current_path();
  IsEnterableDirectory(dir.path());
  EXPECT_EQ(std::filesystem::current_path().string(), before);
  EXPECT_TRUE(CreateFolder(dir / "new"));
  EXPECT_TRUE(CreateFolder(dir / "new")) << "an existing folder is fine";
  EXPECT_FALSE(CreateFolder(dir / "f")) << "a file is not a folder";
}

TEST(Files, MoveWithinAndAcrossFileSystems) {
  TempDir disk;
  struct statfs fs {};
  ASSERT_EQ(statfs("/dev/shm", &fs), 0);
  TempDir shm("/dev/shm");
  struct stat a {
  }, b{};
  ASSERT_EQ(stat(disk.path().c_str(), &a), 0);
  ASSERT_EQ(stat(shm.path().c_str(), &b), 0);
  ASSERT_NE(a.st_dev, b.st_dev) << "the test needs two file systems";

  // Within one file system: a rename that replaces the target.
  WriteFile(disk / "a.ps", "AAAA");
  WriteFile(disk / "b.ps", "old");
  EXPECT_TRUE(MoveFileReplace(disk / "a.ps", disk / "b.ps"));
  EXPECT_EQ(ReadFile(disk / "b.ps"), "AAAA");
  EXPECT_FALSE(test::Exists(disk / "a.ps"));

  // Across file systems: copy, rename into place, delete the source; time kept.
  std::string big(3 * 1024 * 1024 + 17, 'x');
  for (size_t i = 0; i < big.size(); i += 4093) big[i] = static_cast<char>('a' + i % 26);
  WriteFile(shm / "page.pdf", big);
  struct timespec times[2] = {{1000000000, 0}, {1100000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (shm / "page.pdf").c_str(), times, 0), 0);
  WriteFile(disk / "page.pdf", "stale");
  EXPECT_TRUE(MoveFileReplace(shm / "page.pdf", disk / "page.pdf"));
  EXPECT_EQ(ReadFile(disk / "page.pdf"), big);
  EXPECT_FALSE(test::Exists(shm / "page.pdf"));
  EXPECT_EQ(StatPath(disk / "page.pdf").mtimeSec, 1100000000);
  EXPECT_EQ(CountEntries(disk.path()), 2) << "no temporary file may stay behind";

  // A missing source or an unwritable destination folder fails and loses nothing.
  EXPECT_FALSE(MoveFileReplace(shm / "gone.ps", disk / "gone.ps"));
  WriteFile(shm / "keep.ps", "keep");
  EXPECT_FALSE(MoveFileReplace(shm / "keep.ps", disk / "no/such/dir/keep.ps"));
  EXPECT_EQ(ReadFile(shm / "keep.ps"), "keep");

  // Copy with overwrite keeps the source.
  EXPECT_TRUE(CopyFileOverwrite(shm / "keep.ps", disk / "b.ps"));
  EXPECT_EQ(ReadFile(disk / "b.ps"), "keep");
  EXPECT_EQ(ReadFile(shm / "keep.ps"), "keep");
  EXPECT_FALSE(CopyFileOverwrite(shm / "missing", disk / "c.ps"));
}

// Sets inode flags (immutable, append-only) on a folder for the life of the object;
// only the superuser may. ok() is false where that is not possible.
class FolderFlags {
 public:
  FolderFlags(const std::string& path, int flags) {
    fd_ = open(path.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd_ < 0 || ioctl(fd_, FS_IOC_GETFLAGS, &old_) != 0) return;
    int now = old_ | flags;
    ok_ = ioctl(fd_, FS_IOC_SETFLAGS, &now) == 0;
  }
  ~FolderFlags() {
    if (ok_) ioctl(fd_, FS_IOC_SETFLAGS, &old_);
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const { return ok_; }

 private:
  int fd_ = -1;
  int old_ = 0;
  bool ok_ = false;
};

std::string SecondFileSystem(const TempDir& disk, const TempDir& shm) {
  struct stat a {
  }, b{};
  if (stat(disk.path().c_str(), &a) != 0 || stat(shm.path().c_str(), &b) != 0) return "no stat";
  return a.st_dev != b.st_dev ? "" : "the test needs two file systems";
}

TEST(Files, AMoveAcrossFileSystemsIsAllOrNothingWhenTheSourceCannotGo) {
  TempDir disk;
  TempDir shm("/dev/shm");
  ASSERT_EQ(SecondFileSystem(disk, shm), "");
  test::MakeDirs(shm / "in");
  WriteFile(shm / "in/page.ps", "whole page");
  std::string why;
  {
    // A folder nobody may remove entries from: known before any copy is placed.
    std::unique_ptr<FolderFlags> immutable;
    if (geteuid() == 0) {
      immutable = std::make_unique<FolderFlags>(shm / "in", FS_IMMUTABLE_FL);
      if (!immutable->ok()) GTEST_SKIP() << "cannot make a folder immutable here";
    } else {
      ASSERT_EQ(chmod((shm / "in").c_str(), 0555), 0);
    }
    EXPECT_FALSE(MoveFileReplace(shm / "in/page.ps", disk / "page.ps", {}, &why));
    if (geteuid() != 0) chmod((shm / "in").c_str(), 0755);
  }
  EXPECT_NE(why.find("cannot remove the source from " + shm / "in"), std::string::npos) << why;
  EXPECT_FALSE(test::Exists(disk / "page.ps")) << "no copy reaches the spool folder";
  EXPECT_EQ(CountEntries(disk.path()), 0) << "not even a temporary";
  EXPECT_EQ(ReadFile(shm / "in/page.ps"), "whole page");

  // A folder whose entries can be added but not removed: only the removal itself
  // tells, after the copy stands; the copy is taken back.
  if (geteuid() == 0) {
    FolderFlags appendOnly(shm / "in", FS_APPEND_FL);
    if (appendOnly.ok()) {
      why.clear();
      EXPECT_FALSE(MoveFileReplace(shm / "in/page.ps", disk / "page.ps", {}, &why));
      EXPECT_NE(why.find("cannot remove the source (its copy is taken back)"), std::string::npos)
          << why;
      EXPECT_FALSE(test::Exists(disk / "page.ps"));
      EXPECT_EQ(CountEntries(disk.path()), 0);
      EXPECT_EQ(ReadFile(shm / "in/page.ps"), "whole page");
    }
  }
  // Free again, the move goes through.
  EXPECT_TRUE(MoveFileReplace(shm / "in/page.ps", disk / "page.ps", {}, &why));
  EXPECT_EQ(ReadFile(disk / "page.ps"), "whole page");
}

TEST(Files, AMovedSymbolicLinkDeliversItsTargetsContent) {
  TempDir disk;
  TempDir shm("/dev/shm");
  ASSERT_EQ(SecondFileSystem(disk, shm), "");
  for (const char* d : {"in", "store", "spool"}) test::MakeDirs(disk / d);
  test::MakeDirs(shm / "in");
  WriteFile(disk / "store/page.ps", "the page itself");
  // Relative links: renamed into the spool folder they would point at nothing.
  std::filesystem::create_symlink("../store/page.ps", disk / "in/same.ps");
  std::filesystem::create_symlink(disk / "store/page.ps", shm / "in/across.ps");
  for (const auto& [link, dst] : {std::pair{disk / "in/same.ps", disk / "spool/same.ps"},
                                  std::pair{shm / "in/across.ps", disk / "spool/across.ps"}}) {
    EXPECT_TRUE(MoveFileReplace(link, dst)) << link;
    EXPECT_FALSE(std::filesystem::is_symlink(dst)) << dst << " is a file of its own";
    EXPECT_EQ(ReadFile(dst), "the page itself");
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the link is removed";
    EXPECT_FALSE(test::Exists(link));
  }
  EXPECT_EQ(ReadFile(disk / "store/page.ps"), "the page itself") << "the target stays";
  EXPECT_EQ(CountEntries(disk / "spool"), 2) << "no temporary left";
}

TEST(Files, AStopAbandonsACopyInProgress) {
  TempDir disk;
  TempDir shm("/dev/shm");
  ASSERT_EQ(SecondFileSystem(disk, shm), "");
  std::string big(32 * 1024 * 1024, 'p');
  WriteFile(shm / "big.pdf", big);
  // Asked once per piece of the copy: the fourth time, the copy is well under way.
  int asked = 0;
  MoveOptions options;
  options.stop = [&] { return ++asked >= 4; };
  std::string why;
  EXPECT_FALSE(MoveFileReplace(shm / "big.pdf", disk / "big.pdf", options, &why));
  EXPECT_EQ(why, "stopped");
  EXPECT_EQ(asked, 4);
  EXPECT_EQ(CountEntries(disk.path()), 0) << "the temporary is removed";
  EXPECT_EQ(test::ReadFile(shm / "big.pdf").size(), big.size()) << "the source stays";

  asked = 0;
  EXPECT_FALSE(CopyFileOverwrite(shm / "big.pdf", disk / "archived.pdf", options.stop));
  EXPECT_EQ(CountEntries(disk.path()), 0);
  // Not asked to stop, the same move goes through whole.
  options.stop = [] { return false; };
  EXPECT_TRUE(MoveFileReplace(shm / "big.pdf", disk / "big.pdf", options, &why));
  EXPECT_EQ(ReadFile(disk / "big.pdf"), big);
}

TEST(Files, StaleTemporariesOfDeadProcessesAreRemoved) {
  TempDir dir;
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  std::string h = host;
  for (char& c : h) {
    if (c == '-' || c == '/' || c == '.') c = '_';
  }
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  std::string deadTemp = ".page.ps.part-" + h + "-" + std::to_string(dead) + "-0";
  std::string liveTemp = ".page.ps.part-" + h + "-" + std::to_string(getpid()) + "-1";
  std::string otherHost = ".page.ps.part-elsewhere-" + std::to_string(dead) + "-2";
  for (const auto& n :
       {deadTemp, liveTemp, otherHost, std::string("page.ps"), std::string(".keep")}) {
    WriteFile(dir / n, "x");
  }
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 1);
  EXPECT_FALSE(test::Exists(dir / deadTemp));
  EXPECT_TRUE(test::Exists(dir / liveTemp)) << "a running copy keeps its temporary";
  EXPECT_TRUE(test::Exists(dir / otherHost)) << "another host's process is not ours to judge";
  EXPECT_TRUE(test::Exists(dir / "page.ps"));
  EXPECT_EQ(RemoveStaleTemporaries(dir / "missing"), 0);
}

TEST(Files, StaleTemporariesInSubfoldersOneLevelDown) {
  TempDir dir;
  const pid_t gone = test::GonePid();
  const std::string stale = test::TemporaryName("a.xml", gone);
  test::MakeDirs(dir / "A4/deeper");
  test::MakeDirs(dir / ".hidden");
  test::MakeDirs(dir / "elsewhere");
  std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "link");
  for (const auto& f : {dir / stale, dir / ("A4/" + stale), dir / ("A4/deeper/" + stale),
                        dir / (".hidden/" + stale), dir / ("elsewhere/" + stale)}) {
    WriteFile(f, "x");
  }
  EXPECT_EQ(RemoveStaleTemporariesWithSubfolders(dir.path()), 3);
  EXPECT_FALSE(test::Exists(dir / stale));
  EXPECT_FALSE(test::Exists(dir / ("A4/" + stale)));
  EXPECT_FALSE(test::Exists(dir / ("elsewhere/" + stale))) << "a folder of its own";
  EXPECT_TRUE(test::Exists(dir / ("A4/deeper/" + stale))) << "one level down only";
  EXPECT_TRUE(test::Exists(dir / (".hidden/" + stale)));
  EXPECT_EQ(RemoveStaleTemporariesWithSubfolders(dir / "missing"), 0);
}

TEST(Files, InUseTestsSeeOtherProcesses) {
  TempDir dir;
  std::string p = dir / "job.ps";
  WriteFile(p, "%!PS\n");
  EXPECT_TRUE(OpenExclusiveAndRead(p));
  EXPECT_FALSE(IsFileInUse(p));
  EXPECT_FALSE(IsHeldOpenByProcessScan(p));
  {
    HoldOpen writer(p, O_WRONLY | O_APPEND);
    ASSERT_TRUE(writer.ok());
    EXPECT_FALSE(OpenExclusiveAndRead(p)) << "a file still being written is not ready";
    EXPECT_TRUE(IsFileInUse(p));
    EXPECT_TRUE(IsHeldOpenByProcessScan(p));
    EXPECT_FALSE(DeleteUnlessInUse(p));
    EXPECT_TRUE(test::Exists(p));
  }
  {
    HoldOpen reader(p, O_RDONLY);
    ASSERT_TRUE(reader.ok());
    EXPECT_TRUE(IsFileInUse(p)) << "any other open handle counts, also a reader";
    EXPECT_FALSE(OpenExclusiveAndRead(p));
  }
  EXPECT_TRUE(OpenExclusiveAndRead(p)) << "free again once the other program closed it";
  EXPECT_TRUE(DeleteUnlessInUse(p));
  EXPECT_FALSE(test::Exists(p));
  EXPECT_FALSE(DeleteUnlessInUse(p)) << "nothing to delete";

  // The operator's delete: a reader that lets go within the grace does not save the
  // file; one that holds on past it does.
  WriteFile(p, "%!PS\n");
  {
    auto reader = std::make_unique<HoldOpen>(p, O_RDONLY);
    ASSERT_TRUE(reader->ok());
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      reader.reset();
    });
    EXPECT_TRUE(DeleteUnlessInUse(p, 5000));
    release.join();
  }
  EXPECT_FALSE(test::Exists(p));
  WriteFile(p, "%!PS\n");
  {
    HoldOpen writer(p, O_WRONLY | O_APPEND);
    ASSERT_TRUE(writer.ok());
    EXPECT_FALSE(DeleteUnlessInUse(p, 200));
    EXPECT_TRUE(test::Exists(p));
  }

  WriteFile(p, "ro");
  ASSERT_EQ(chmod(p.c_str(), 0444), 0);
  EXPECT_FALSE(OpenExclusiveAndRead(p)) << "a read-only file is never ready";
  EXPECT_FALSE(OpenExclusiveAndRead(dir / "missing"));
  EXPECT_FALSE(OpenExclusiveAndRead(dir.path()));
}

TEST(Files, WildcardsFollowWindowsPatterns) {
  EXPECT_TRUE(MatchesWildcard("anything", "*.*"));
  EXPECT_TRUE(MatchesWildcard("noext", "*.*"));
  EXPECT_TRUE(MatchesWildcard("job.q", "*.Q"));
  EXPECT_TRUE(MatchesWildcard("JOB.Q", "*.q"));
  EXPECT_FALSE(MatchesWildcard("job.qq", "*.Q"));
  EXPECT_TRUE(MatchesWildcard("abc.ps", "a?c.*"));
  EXPECT_FALSE(MatchesWildcard("abd", "abc"));
  EXPECT_TRUE(MatchesWildcard("", "*"));
  EXPECT_TRUE(MatchesWildcard("aXbXc", "a*b*c"));
  EXPECT_FALSE(MatchesWildcard("aXbX", "a*b*c"));
}

TEST(Files, EnumerationListsEntriesAndSurvivesLoops) {
  TempDir dir;
  WriteFile(dir / "a.ps", "1");
  WriteFile(dir / ".hidden", "1");
  WriteFile(dir / "b.Q", "");
  test::MakeDirs(dir / "sub");
  std::filesystem::create_symlink("loop", dir / "loop");  // points at itself
  std::filesystem::create_directory_symlink(dir.path(), dir / "up");

  DirectoryEnumerator e;
  ASSERT_TRUE(e.Open(dir.path(), "*.*"));
  std::map<std::string, DirEntry> seen;
  DirEntry entry;
  while (e.Next(entry)) seen[entry.name] = entry;
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_TRUE(seen["a.ps"].statOk);
  EXPECT_EQ(seen["a.ps"].size, 1u);
  EXPECT_TRUE(seen[".hidden"].isHidden);
  EXPECT_TRUE(seen["sub"].isDirectory);
  EXPECT_FALSE(seen["loop"].statOk);
  EXPECT_TRUE(seen["loop"].isSymlink);
  EXPECT_TRUE(seen["up"].isSymlink && seen["up"].isDirectory);

  ASSERT_TRUE(e.Open(dir.path(), "*.q"));
  ASSERT_TRUE(e.Next(entry));
  EXPECT_EQ(entry.name, "b.Q");
  EXPECT_FALSE(e.Next(entry));
  EXPECT_FALSE(e.Open(dir / "missing", "*.*"));
  EXPECT_FALSE(e.Next(entry));
}

}  // namespace
}  // namespace vellora::platform
