// Listing input folders and counting spool folders, against real folders with
// awkward names, links, loops, files held open and folders that come and go.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "intake/folder_listing.h"
#include "intake/masks.h"
#include "intake/readiness.h"
#include "net/connect_folder.h"
#include "platform/clock.h"
#include "support/hold_open.h"
#include "support/temp_dir.h"

namespace vellora::intake {
namespace {

using test::TempDir;
using test::WriteFile;

std::set<std::string> Names(const std::vector<ListingEntry>& entries) {
  std::set<std::string> names;
  for (const auto& e : entries) names.insert(e.FileName);
  return names;
}

void SetMtime(const std::string& path, int64_t epoch) {
  struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(epoch), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

TEST(ListInputFolder, OnlyCandidatesAreListed) {
  TempDir dir;
  auto at = [&](const std::string& n) { return dir / n; };
  WriteFile(at("page.ps"), "%!PS");
  WriteFile(at("with blank.pdf"), "%PDF");
  WriteFile(at("quote\"s'.ps"), "x");
  WriteFile(at("caf\xe9-\xff.ps"), "x");  // bytes that are no UTF-8
  WriteFile(at("NOEXT"), "x");
  WriteFile(at(std::string(254, 'n')), "x");
  WriteFile(at(".hidden.ps"), "x");
  WriteFile(at("._page.ps"), "x");
  WriteFile(at("empty.ps"), "");
  WriteFile(at("JOB.TMP"), "x");
  WriteFile(at("a\\b.ps"), "x");  // cannot be written as folder\name
  WriteFile(at(std::string(255, 'l')), "x");
  test::MakeDirs(at("subfolder"));
  WriteFile(at("subfolder/inner.ps"), "x");
  std::filesystem::create_directory_symlink(dir.path(), at("link-to-folder"));
  std::filesystem::create_symlink(at("loop-b"), at("loop-a"));
  std::filesystem::create_symlink(at("loop-a"), at("loop-b"));
  std::filesystem::create_symlink(at("gone"), at("dangling.ps"));
  std::filesystem::create_symlink(at("page.ps"), at("link.ps"));
  ASSERT_EQ(::mkfifo(at("fifo.ps").c_str(), 0666), 0);
  WriteFile(at("held.ps"), "x");
  WriteFile(at("readonly.ps"), "x");
  ::chmod(at("readonly.ps").c_str(), 0444);
  test::HoldOpen held(at("held.ps"), O_WRONLY);
  ASSERT_TRUE(held.ok());

  core::SettingsStore settings;
  std::vector<ListingEntry> entries(3);  // must be cleared
  int n = ListInputFolder(dir.path(), entries, "*.tmp", settings);
  ASSERT_EQ(n, static_cast<int>(entries.size()));
  const std::set<std::string> expected = {
      "page.ps", "with blank.pdf",      "quote\"s'.ps", "caf\xe9-\xff.ps",
      "NOEXT",   std::string(254, 'n'), "link.ps"};
  EXPECT_EQ(Names(entries), expected);

  // With IgnoreLockCheck the file still being written and the read-only one come in.
  settings.IgnoreLockCheck = 1;
  ListInputFolder(dir.path(), entries, "*.tmp", settings);
  std::set<std::string> withLocked = expected;
  withLocked.insert("held.ps");
  withLocked.insert("readonly.ps");
  EXPECT_EQ(Names(entries), withLocked);

  // "*" ignores nothing; "thumbs.db" ignores every .db file.
  settings.IgnoreLockCheck = 0;
  ListInputFolder(dir.path(), entries, "*", settings);
  EXPECT_TRUE(Names(entries).count("JOB.TMP"));
  WriteFile(at("Thumbs.db"), "x");
  WriteFile(at("pages.db"), "x");
  ListInputFolder(dir.path(), entries, "thumbs.db", settings);
  EXPECT_FALSE(Names(entries).count("Thumbs.db"));
  EXPECT_FALSE(Names(entries).count("pages.db"));
  EXPECT_TRUE(Names(entries).count("JOB.TMP"));

  // The system's text form of the folder works as well.
  EXPECT_EQ(ListInputFolder(dir.path() + "\\", entries, "*.tmp;thumbs.db", settings), n);
}

TEST(ListInputFolder, TimeTextAndKeyOfEveryEntry) {
  TempDir dir;
  auto when = platform::MakeLocalTime(2005, 1, 31, 9, 3, 4);
  ASSERT_TRUE(when);
  for (const char* name : {"a.ps", "b.ps", "c.ps"}) {
    WriteFile(dir / name, "x");
    SetMtime(dir / name, *when + (name[0] - 'a'));
  }
  core::SettingsStore settings;
  std::vector<ListingEntry> entries;
  ASSERT_EQ(ListInputFolder(dir.path(), entries, "", settings), 3);
  for (const auto& e : entries) {
    const int second = 4 + (e.FileName[0] - 'a');
    EXPECT_EQ(e.ListedTime, "31/01/2005 09:03:0" + std::to_string(second)) << e.FileName;
    const uint64_t key = static_cast<uint64_t>(second) + (3ull << 8) + (9ull << 16) +
                         (31ull << 24) + (1ull << 32) + (2005ull << 40);
    EXPECT_EQ(e.TimeKey, key) << e.FileName;
  }
  // A file keeps its text when the one listed before it goes: the text is part of
  // the queued job's identity, and the first entry is written no differently.
  const ListingEntry second = entries[1];
  ::unlink((dir / entries[0].FileName).c_str());
  ASSERT_EQ(ListInputFolder(dir.path(), entries, "", settings), 2);
  EXPECT_EQ(entries[0].FileName, second.FileName);
  EXPECT_EQ(entries[0].ListedTime, second.ListedTime);
}

TEST(ListInputFolder, FiveHundredCandidatesListThreeHundred) {
  TempDir dir;
  for (int i = 0; i < 500; ++i) WriteFile(dir / ("p" + std::to_string(i) + ".ps"), "x");
  core::SettingsStore settings;
  std::vector<ListingEntry> entries;
  EXPECT_EQ(ListInputFolder(dir.path(), entries, "*.tmp", settings), kMaxListing);
  ASSERT_EQ(entries.size(), 300u);
  std::set<std::string> names = Names(entries);
  EXPECT_EQ(names.size(), 300u) << "no entry twice";
  for (const auto& name : names) EXPECT_TRUE(test::Exists(dir / name)) << name;
}

TEST(ListInputFolder, MissingAndVanishingFolders) {
  TempDir dir;
  core::SettingsStore settings;
  std::vector<ListingEntry> entries(2);
  EXPECT_EQ(ListInputFolder(dir / "missing", entries, "", settings), 0);
  EXPECT_TRUE(entries.empty());
  WriteFile(dir / "file", "x");
  EXPECT_EQ(ListInputFolder(dir / "file", entries, "", settings), 0) << "a file is no folder";

  // A folder that is removed and made again while it is listed: every listing sees
  // some of its files or none, and nothing breaks.
  const std::string folder = dir / "spool";
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    while (!stop.load()) {
      std::error_code ec;
      std::filesystem::create_directory(folder, ec);
      for (int i = 0; i < 20; ++i) WriteFile(folder + "/f" + std::to_string(i) + ".ps", "x");
      std::filesystem::remove_all(folder, ec);
    }
  });
  int seen = 0;
  for (int round = 0; round < 300; ++round) {
    int n = ListInputFolder(folder, entries, "", settings);
    ASSERT_GE(n, 0);
    ASSERT_LE(n, 20);
    ASSERT_EQ(n, static_cast<int>(entries.size()));
    seen += n;
  }
  stop = true;
  churn.join();
  RecordProperty("files seen while churning", seen);
}

TEST(CountWaitingFiles, MaskRecursionLinksAndTheLimit) {
  TempDir dir;
  auto at = [&](const std::string& n) { return dir / n; };
  WriteFile(at("a.ps"), "x");
  WriteFile(at("b.ps"), "x");
  WriteFile(at("c.pdf"), "x");
  WriteFile(at(".hidden.ps"), "x");
  WriteFile(at("empty.ps"), "");
  WriteFile(at("x.tmp"), "x");
  test::MakeDirs(at("A4/mono"));
  WriteFile(at("A4/d.ps"), "x");
  WriteFile(at("A4/mono/e.ps"), "x");
  // A link back up the tree would count the same files without end.
  std::filesystem::create_directory_symlink(dir.path(), at("A4/up"));
  std::filesystem::create_directory_symlink(at("A4"), at("again"));

  EXPECT_EQ(CountWaitingFiles(dir.path(), "*.*", false, "*.tmp"), 3);
  EXPECT_EQ(CountWaitingFiles(dir.path(), "*.*", true, "*.tmp"), 5);
  EXPECT_EQ(CountWaitingFiles(dir.path(), "*.*", true, ""), 6);
  // The mask is the enumeration pattern: subfolders that do not match it are not
  // entered.
  EXPECT_EQ(CountWaitingFiles(dir.path(), "*.ps", true, ""), 2);
  EXPECT_EQ(CountWaitingFiles(dir.path(), "*.pdf", false, ""), 1);
  EXPECT_EQ(CountWaitingFiles(dir.path() + "\\A4", "*.*", true, ""), 2);
  EXPECT_EQ(CountWaitingFiles(at("missing"), "*.*", true, ""), 0);

  // Nesting deeper than the bound is not counted.
  std::string deep = at("deep");
  for (int level = 0; level <= kMaxFolderDepth + 3; ++level) {
    deep += "/d";
  }
  test::MakeDirs(deep);
  WriteFile(deep + "/bottom.ps", "x");
  WriteFile(at("deep/d/top.ps"), "x");
  EXPECT_EQ(CountWaitingFiles(at("deep"), "*.*", true, ""), 1);
}

TEST(CountWaitingFiles, CountingStopsAtThreeHundred) {
  TempDir dir;
  for (int i = 0; i < 500; ++i) WriteFile(dir / ("p" + std::to_string(i)), "x");
  EXPECT_EQ(CountWaitingFiles(dir.path(), "*.*", false, ""), kMaxListing);
  // A subfolder's count is added whole, so "300" reads as "at least 300".
  TempDir nested;
  for (int i = 0; i < 299; ++i) WriteFile(nested / ("p" + std::to_string(i)), "x");
  test::MakeDirs(nested / "sub");
  for (int i = 0; i < 200; ++i) WriteFile(nested / ("sub/q" + std::to_string(i)), "x");
  int n = CountWaitingFiles(nested.path(), "*.*", true, "");
  EXPECT_GE(n, kMaxListing);
  EXPECT_LE(n, 299 + 200);
}

}  // namespace
}  // namespace vellora::intake
