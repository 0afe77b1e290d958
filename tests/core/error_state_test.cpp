// The error state, its display and its state file.
#include "core/error_state.h"

#include <gtest/gtest.h>

#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace vellora::core {
namespace {

using test::ReadFile;
using test::TempDir;

struct Fixture {
  TempDir dir;
  SettingsHandle settings;
  test::RecordingDisplay display;
  ErrorState errors{settings, display};
  Fixture() {
    test::MakeDirs(dir / "rip1/tmp");
    test::MakeDirs(dir / "in1");
    settings.Update([this](SettingsStore& s) {
      s.Rips[0].RIPswPath = dir.path() + "\\rip1";
      s.NumberOfSpoolers = 1;
      s.Spoolers[0].Enable = 1;
      s.Spoolers[0].InputSpool = dir.path() + "\\in1";
    });
  }
  std::string StateFile() { return ReadFile(dir / "rip1/tmp/quillonstate.txt"); }
};

TEST(ErrorState, SetAndClearWriteTheStateFileBytes) {
  Fixture f;
  f.errors.SetErrorState(1, "Error moving file!!");
  EXPECT_EQ(f.StateFile(), "1Error moving file!!");
  EXPECT_EQ(f.errors.Flag(), 1);
  EXPECT_TRUE(f.display.Has("ErrorLamp red"));
  EXPECT_TRUE(f.display.Has("ErrorText 1 Error moving file!!"));
  EXPECT_TRUE(f.display.Has("Redraw"));

  f.errors.SetErrorState(0, "No error..");
  EXPECT_EQ(f.StateFile(), "0No error..");
  EXPECT_EQ(f.errors.Flag(), 0);
  EXPECT_TRUE(f.display.Has("ErrorText 0 No errors..")) << "the window shows its own text";
  EXPECT_EQ(f.errors.Text(), "No errors..");

  f.errors.SetErrorState(1, std::string(400, 'x'));
  EXPECT_EQ(f.StateFile().size(), 255u);
  EXPECT_EQ(f.StateFile()[0], '1');
}

TEST(ErrorState, MissingStateFolderIsSkippedSilently) {
  Fixture f;
  f.settings.Update([&](SettingsStore& s) { s.Rips[0].RIPswPath = f.dir.path() + "\\nowhere"; });
  f.errors.SetErrorState(1, "Unable to access RIP1 SW folder x");
  EXPECT_EQ(f.errors.Flag(), 1);
  EXPECT_EQ(f.errors.Text(), "Unable to access RIP1 SW folder x");
}

TEST(ErrorState, FolderCheckClearsOnlyWhenAllFoldersCanBeEntered) {
  Fixture f;
  f.settings.Update([&](SettingsStore& s) {
    s.Rips[0].UseRIP = 1;
    s.Rips[1].UseRIP = 1;
    s.Rips[1].RIPswPath = f.dir.path() + "\\rip2";
  });
  f.errors.SetErrorState(1, "Error moving file!!");
  EXPECT_EQ(f.errors.CheckFoldersAndClearError(), 0);
  EXPECT_EQ(f.errors.Flag(), 1);
  test::MakeDirs(f.dir / "rip2");
  EXPECT_EQ(f.errors.CheckFoldersAndClearError(), 1);
  EXPECT_EQ(f.errors.Flag(), 0);
  EXPECT_EQ(f.StateFile(), "0No error..");
  // A disabled spooler's folder does not count.
  f.settings.Update([&](SettingsStore& s) {
    s.Spoolers[0].Enable = 0;
    s.Spoolers[0].InputSpool = f.dir.path() + "\\gone";
  });
  EXPECT_EQ(f.errors.CheckFoldersAndClearError(), 1);
}

}  // namespace
}  // namespace vellora::core
