// The mask rule, the in-use test with real processes, the stable-time test and the
// listing time forms.
#include "intake/readiness.h"
#include "intake/folder_listing.h"
#include "intake/masks.h"
#include "net/connect_folder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "intake/listing_time.h"
#include "platform/files.h"
#include "support/child_process.h"
#include "support/hold_open.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace vellora::intake {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(MatchesMask, WholeNamesCaseSensitiveExtensionsCaseBlind) {
  EXPECT_TRUE(MatchesMask("JOB.TMP", "*.tmp"));
  EXPECT_TRUE(MatchesMask("job.Tmp", "*.tmp;*.000"));
  EXPECT_TRUE(MatchesMask("x.000", "*.tmp;*.000;thumbs.db"));
  // thumbs.db stands for its extension: every .db file is ignored.
  EXPECT_TRUE(MatchesMask("Thumbs.db", "thumbs.db"));
  EXPECT_TRUE(MatchesMask("pages.DB", "*.tmp;thumbs.db"));
  EXPECT_FALSE(MatchesMask("page.ps", "*.tmp;*.000;thumbs.db"));
  // Only names and extensions are compared: abc*.ps matches every .ps file.
  EXPECT_TRUE(MatchesMask("zzz.ps", "abc*.ps"));
  // A mask without a dot matches itself and every name without an extension.
  EXPECT_TRUE(MatchesMask("README", "thumbs"));
  EXPECT_TRUE(MatchesMask("thumbs", "thumbs"));
  EXPECT_FALSE(MatchesMask("a.ps", "thumbs"));
  // Whole names are compared with case; without the extension rule they would differ.
  EXPECT_TRUE(MatchesMask("Makefile", "Makefile"));
  // No mask at all.
  for (const char* none : {"", "*", "*.*"}) {
    EXPECT_FALSE(MatchesMask("JOB.TMP", none)) << none;
    EXPECT_FALSE(MatchesMask("README", none)) << none;
  }
  // "*" inside a list is a mask without extension; empty pieces are no masks.
  EXPECT_TRUE(MatchesMask("README", "*.tmp;*"));
  EXPECT_FALSE(MatchesMask("README", "*.tmp;"));
  EXPECT_FALSE(MatchesMask("README", ";;*.tmp"));
  EXPECT_TRUE(MatchesMask("a.tmp", ";;*.tmp"));
  // The extension is what follows the last dot.
  EXPECT_TRUE(MatchesMask("a.b.tmp", "*.tmp"));
  EXPECT_FALSE(MatchesMask("a.tmp.ps", "*.tmp"));
  EXPECT_TRUE(MatchesMask("a.", "x."));
}

TEST(ListingTime, TextAndKey) {
  platform::LocalTime t;
  t.year = 2005;
  t.month = 1;
  t.day = 3;
  t.hour = 9;
  t.minute = 4;
  t.second = 5;
  EXPECT_EQ(ListedTimeText(t), "03/01/2005 09:04:05");
  const uint64_t key =
      5ull + (4ull << 8) + (9ull << 16) + (3ull << 24) + (1ull << 32) + (2005ull << 40);
  EXPECT_EQ(ListingTimeKey(t), key);
  EXPECT_EQ(ListingTimeKey(t), 0x07D5'01'03'09'04'05ull);
  // Later in any field means a larger key.
  platform::LocalTime later = t;
  later.second = 59;
  platform::LocalTime nextYear = t;
  nextYear.year = 2006;
  nextYear.month = 1;
  nextYear.day = 1;
  platform::LocalTime december = t;
  december.month = 12;
  EXPECT_LT(ListingTimeKey(t), ListingTimeKey(later));
  EXPECT_LT(ListingTimeKey(december), ListingTimeKey(nextYear));
  EXPECT_LT(ListingTimeKey(later), ListingTimeKey(december));
}

TEST(IsReadable, FilesHeldOpenReadOnlyOrMissingFail) {
  TempDir dir;
  core::SettingsStore settings;
  const std::string file = dir / "page.ps";
  WriteFile(file, "%!PS");
  EXPECT_TRUE(IsReadable(file, settings));
  {
    test::HoldOpen writer(file, O_WRONLY);
    ASSERT_TRUE(writer.ok());
    EXPECT_FALSE(IsReadable(file, settings)) << "another process still writes it";
    settings.IgnoreLockCheck = 1;
    EXPECT_TRUE(IsReadable(file, settings));
    settings.IgnoreLockCheck = 0;
    writer.Release();
    EXPECT_TRUE(IsReadable(file, settings)) << "the writer has closed it";
  }
  {
    test::HoldOpen reader(file, O_RDONLY);
    ASSERT_TRUE(reader.ok());
    EXPECT_FALSE(IsReadable(file, settings)) << "any other open handle counts";
  }
  const std::string readOnly = dir / "ro.ps";
  WriteFile(readOnly, "x");
  ::chmod(readOnly.c_str(), 0444);
  EXPECT_FALSE(IsReadable(readOnly, settings));
  settings.IgnoreLockCheck = 1;
  EXPECT_TRUE(IsReadable(readOnly, settings));
  EXPECT_TRUE(IsReadable(dir / "missing", settings)) << "the check is skipped entirely";
  settings.IgnoreLockCheck = 0;
  EXPECT_FALSE(IsReadable(dir / "missing", settings));
  EXPECT_FALSE(IsReadable(dir.path(), settings)) << "a folder is no file";
  // The system's own text form works too.
  EXPECT_TRUE(IsReadable(dir.path() + "\\page.ps", settings));
}

// Runs a hook on every position of the scanner bar, to act during the wait.
class HookDisplay : public test::RecordingDisplay {
 public:
  std::function<void(int)> onBar;
  void SetScannerBar(int position) override {
    RecordingDisplay::SetScannerBar(position);
    if (onBar) onBar(position);
  }
};

struct StableFixture {
  explicit StableFixture(int stableTime, double scale = 0) : pacer(scale), rt(display, pacer, ".") {
    rt.settings.Update([&](core::SettingsStore& s) { s.StableTime = stableTime; });
  }
  HookDisplay display;
  platform::Pacer pacer;
  core::Runtime rt;
};

TEST(IsStable, UnchangedFilePassesAfterTheWholeWaitWithTheBarRun) {
  TempDir dir;
  const std::string file = dir.path() + "\\page 1.ps";
  WriteFile(dir / "page 1.ps", "%!PS-Adobe");
  StableFixture f(3);
  EXPECT_TRUE(IsStable(file, f.rt));
  EXPECT_EQ(f.pacer.RequestedMilliseconds(), 3000u) << "StableTime seconds in all";

  const auto calls = f.display.Calls();
  ASSERT_EQ(calls.size(), 203u);
  EXPECT_EQ(calls[0], "ScannerCaption page 1.ps");
  EXPECT_EQ(calls[1], "ScannerBar 0");
  EXPECT_EQ(calls[100], "ScannerBar 99");
  EXPECT_EQ(calls[101], "ScannerCaption Stable time check..");
  EXPECT_EQ(calls[102], "ScannerBar 100");
  EXPECT_EQ(calls[201], "ScannerBar 1");
  EXPECT_EQ(calls[202], "ScannerCaption  ");
}

TEST(IsStable, ChangesDuringTheWaitFail) {
  TempDir dir;
  const std::string path = dir / "grow.ps";
  WriteFile(path, "start");
  {
    StableFixture f(1);
    f.display.onBar = [&](int p) {
      if (p == 50) platform::AppendAndClose(path, "more");
    };
    EXPECT_FALSE(IsStable(path, f.rt)) << "grew";
  }
  {
    // Same size, new time: rewritten in place.
    StableFixture f(1);
    f.display.onBar = [&](int p) {
      if (p == 100) {
        struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
      }
    };
    EXPECT_FALSE(IsStable(path, f.rt)) << "touched";
  }
  {
    StableFixture f(1);
    f.display.onBar = [&](int p) {
      if (p == 10) platform::DeleteFile(path);
    };
    EXPECT_FALSE(IsStable(path, f.rt)) << "deleted during the wait";
    EXPECT_EQ(f.display.Calls().back(), "ScannerCaption  ");
  }
}

TEST(IsStable, AnotherProcessWritingDuringTheWaitFails) {
  TempDir dir;
  const std::string path = dir / "growing.ps";
  WriteFile(path, "start");
  const std::string go = dir / "go";
  StableFixture f(1, 1.0);  // a real second
  // The other process writes when the wait has begun, and the wait goes on only once
  // the write is there: however slow the machine, it falls inside the wait.
  f.display.onBar = [&](int p) {
    if (p != 10) return;
    WriteFile(go, "");
    test::WaitFor([&] { return std::filesystem::file_size(path) > 5; }, 20000);
  };
  test::ChildProcess writer;
  ASSERT_TRUE(writer.Start("/bin/sh", {"-c", "while [ ! -e '" + go +
                                                 "' ]; do sleep 0.01; done; printf more >> '" +
                                                 path + "'"}));
  EXPECT_FALSE(IsStable(path, f.rt));
  f.display.onBar = nullptr;
  EXPECT_EQ(writer.Wait(5000), 0);
  EXPECT_TRUE(IsStable(path, f.rt)) << "written once, then left alone";
}

TEST(IsStable, ZeroMissingStop) {
  TempDir dir;
  {
    StableFixture f(0);
    EXPECT_TRUE(IsStable(dir / "missing", f.rt)) << "StableTime 0 does not open the file";
    EXPECT_TRUE(f.display.Calls().empty());
  }
  {
    StableFixture f(1);
    EXPECT_FALSE(IsStable(dir / "missing", f.rt));
    EXPECT_FALSE(IsStable(dir.path(), f.rt)) << "a folder";
    EXPECT_TRUE(f.display.Calls().empty()) << "no bar for a file that cannot be opened";
  }
  {
    WriteFile(dir / "f.ps", "x");
    StableFixture f(1);
    f.display.onBar = [&](int p) {
      if (p == 20) f.pacer.RequestStop();
    };
    EXPECT_FALSE(IsStable(dir / "f.ps", f.rt)) << "a stop ends the wait, not as stable";
    EXPECT_EQ(f.display.Calls().back(), "ScannerCaption  ");
    EXPECT_LT(f.display.Count("ScannerBar"), 30);
  }
}

TEST(ConnectFolder, LocalFoldersConnectWhenTheyExist) {
  TempDir dir;
  EXPECT_TRUE(net::ConnectFolder(dir.path(), "", ""));
  EXPECT_TRUE(net::ConnectFolder(dir.path(), "Administrator", "secret"));
  EXPECT_FALSE(net::ConnectFolder(dir / "missing", "", ""));
}

}  // namespace
}  // namespace vellora::intake
