// Loading and saving Vellora.ini.
#include "core/settings_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/profile_file.h"
#include "support/temp_dir.h"

namespace vellora::core {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(Settings, DefaultsOfAMissingFile) {
  TempDir dir;
  std::vector<std::string> warnings;
  SettingsStore s = LoadSettings(IniPathFor(dir.path()), &warnings);
  EXPECT_TRUE(warnings.empty());
  EXPECT_FALSE(test::Exists(dir / "Vellora.ini")) << "loading never creates the file";
  EXPECT_EQ(s.NumberOfSpoolers, 0);
  EXPECT_EQ(s.MaxLogFileReadSize, 1000000);
  EXPECT_EQ(s.DBerrorLogging, 1);
  EXPECT_EQ(s.ForceOpenInputs, 1);
  EXPECT_EQ(s.DSN2, "HVBU");
  EXPECT_EQ(s.InputRoot, "f:\\");
  EXPECT_EQ(s.MailSubject, "Ostrel error notification mail");
  EXPECT_EQ(s.Top, -1);
  EXPECT_EQ(s.Rips[0].RIPName, "RIP1");
  EXPECT_EQ(s.Rips[3].RIPName, "RIP4");
  EXPECT_EQ(s.Rips[1].RIPswPath, "\\\\HQRIP2\\sw");
  EXPECT_EQ(s.Rips[1].FlowDriveJobPath, "\\\\HQRIP2\\sw");
  const Spooler& sp = s.Spoolers[6];
  EXPECT_EQ(sp.InputSpool, "C:\\PSinput7");
  EXPECT_EQ(sp.SetupName, "Setup7");
  EXPECT_EQ(sp.RipSpool[2], "C:\\RIP3Spool7");
  EXPECT_EQ(sp.RipSpoolMono[2], "C:\\RIP3SpoolMono7");
  EXPECT_EQ(sp.CommandFile, "0");
  EXPECT_EQ(sp.PdfArchive, "0");
  EXPECT_EQ(sp.Separators, "_-,");
}

TEST(Settings, WindowsFileLoadsAsWindowsWouldLoadIt) {
  TempDir dir;
  WriteFile(dir / "Vellora.ini",
            "[setup]\r\n"
            "NUMBEROFSPOOLERS = 2\r\n"
            "inputspool1=\"\\\\server\\in box\"\r\n"
            "Enable1=1\r\n"
            "Enable1=0\r\n"
            "Priority1=12abc\r\n"
            "Priority2=abc\r\n"
            "MaxOutstandingJobs=-3\r\n"
            "UseRegex1=\r\n"
            "RIP1Name=Front\r\n"
            "RIP4Name=Back\r\n"
            "RIP2Name=Second\r\n"
            "RipComputer2=Middle\r\n"
            "SetupName3=beyond the count\r\n"
            "MailTo=" +
                std::string(300, 'm') +
                "\r\n"
                "DSN=" +
                std::string(300, 'd') +
                "\r\n"
                "[Window]\r\nLeft=5\r\n");
  SettingsStore s = LoadSettings(IniPathFor(dir.path()), nullptr);
  EXPECT_EQ(s.NumberOfSpoolers, 2);
  EXPECT_EQ(s.Spoolers[0].InputSpool, "\\\\server\\in box");
  EXPECT_EQ(s.Spoolers[0].Enable, 1) << "first duplicate wins";
  EXPECT_EQ(s.Spoolers[0].Priority, 12) << "atoi takes the leading digits";
  EXPECT_EQ(s.Spoolers[1].Priority, 0) << "non-numeric reads as 0";
  EXPECT_EQ(s.MaxOutstandingJobs, -3);
  EXPECT_EQ(s.Spoolers[0].UseRegex, 0);
  EXPECT_EQ(s.Rips[0].RIPName, "RIP1") << "RipComputer1 is read afterwards with its default";
  EXPECT_EQ(s.Rips[1].RIPName, "Middle");
  EXPECT_EQ(s.Rips[3].RIPName, "Back") << "RIP 4 has no alias key";
  EXPECT_EQ(s.Spoolers[2].SetupName, "Setup3") << "spoolers beyond the count are not loaded";
  EXPECT_EQ(s.MailTo.size(), 260u);
  EXPECT_EQ(s.DSN.size(), 255u);
  EXPECT_EQ(s.Left, 5);
}

TEST(Settings, GarbledOrUnreadableFilesStartWithDefaults) {
  TempDir dir;
  std::string junk;
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>((i * 131 + 7) % 256);
  WriteFile(dir / "Vellora.ini", junk);
  SettingsStore garbled = LoadSettings(IniPathFor(dir.path()), nullptr);
  EXPECT_EQ(garbled.MaxOutstandingJobs, 1);
  EXPECT_EQ(garbled.DSN, "HV");
  // A folder where the file should be reads as a missing file.
  std::filesystem::remove(dir / "Vellora.ini");
  test::MakeDirs(dir / "Vellora.ini");
  SettingsStore unreadable = LoadSettings(IniPathFor(dir.path()), nullptr);
  EXPECT_EQ(unreadable.StableTime, 1);
  EXPECT_FALSE(SaveSettings(IniPathFor(dir.path()), unreadable))
      << "a failed save is reported, not fatal";
}

TEST(Settings, NumberOfSpoolersIsClampedWithAWarning) {
  TempDir dir;
  WriteFile(dir / "Vellora.ini", "[Setup]\r\nNumberOfSpoolers=250\r\n");
  std::vector<std::string> warnings;
  EXPECT_EQ(LoadSettings(IniPathFor(dir.path()), &warnings).NumberOfSpoolers, 100);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind("WARNING: ", 0), 0u);
  WriteFile(dir / "Vellora.ini", "[Setup]\r\nNumberOfSpoolers=-1\r\n");
  warnings.clear();
  EXPECT_EQ(LoadSettings(IniPathFor(dir.path()), &warnings).NumberOfSpoolers, 0);
  EXPECT_EQ(warnings.size(), 1u);
}

TEST(Settings, SaveRoundTripKeepsUnsavedKeysAndForeignLines) {
  TempDir dir;
  std::string ini = IniPathFor(dir.path());
  WriteFile(dir / "Vellora.ini",
            "; site notes stay\r\n"
            "[Setup]\r\n"
            "Logging=1\r\n"
            "AllowScaling = 7\r\n"
            "RIP1Name=Front\r\n"
            "SomethingElse=kept\r\n"
            "[Platform]\r\nUncRoot=/srv/unc\r\n");
  SettingsStore s = LoadSettings(ini, nullptr);
  s.NumberOfSpoolers = 2;
  s.Spoolers[0].InputSpool = "/data/in1";
  s.Spoolers[0].Enable = 5;  // a flag: written as 1
  s.Spoolers[1].MatchExpression[3] = "([A-Z]+)_(\\d+)\\.ps";
  s.Spoolers[1].MonoFolder[2] = 1;
  s.Rips[0].RIPName = "Front";
  s.Rips[3].UseRIP = 1;
  s.MaxOutstandingJobs = 3;
  s.MailFrom = "ops@example.org";
  s.AllowScaling = 0;  // not saved: the file keeps its own value
  ASSERT_TRUE(SaveSettings(ini, s));

  std::string text = ReadFile(dir / "Vellora.ini");
  EXPECT_EQ(text.rfind("; site notes stay\r\n[Setup]\r\nLogging=1\r\nAllowScaling = 7\r\n", 0), 0u);
  EXPECT_NE(text.find("SomethingElse=kept\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Platform]\r\nUncRoot=/srv/unc\r\n"), std::string::npos);
  EXPECT_NE(text.find("Enable1=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("RipComputer1=Front\r\n"), std::string::npos);
  EXPECT_EQ(text.find("RipComputer4"), std::string::npos);
  EXPECT_EQ(text.find("UnixPathSeparator"), std::string::npos) << "not-saved keys are not written";
  EXPECT_EQ(text.find("SetupName3"), std::string::npos);

  SettingsStore back = LoadSettings(ini, nullptr);
  EXPECT_EQ(back.NumberOfSpoolers, 2);
  EXPECT_EQ(back.Spoolers[0].InputSpool, "/data/in1");
  EXPECT_EQ(back.Spoolers[0].Enable, 1);
  EXPECT_EQ(back.Spoolers[1].MatchExpression[3], "([A-Z]+)_(\\d+)\\.ps");
  EXPECT_EQ(back.Spoolers[1].MonoFolder[2], 1);
  EXPECT_EQ(back.Rips[0].RIPName, "Front") << "a saved file carries both keys";
  EXPECT_EQ(back.Rips[3].UseRIP, 1);
  EXPECT_EQ(back.MaxOutstandingJobs, 3);
  EXPECT_EQ(back.MailFrom, "ops@example.org");
  EXPECT_EQ(back.AllowScaling, 7);
  EXPECT_EQ(back.Logging, 1);
  // Every saved key has the same text after a second save.
  ASSERT_TRUE(SaveSettings(ini, back));
  EXPECT_EQ(ReadFile(dir / "Vellora.ini"), text);

  back.Left = 11;
  back.Bottom = 44;
  ASSERT_TRUE(SaveWindowPosition(ini, back));
  std::string withWindow = ReadFile(dir / "Vellora.ini");
  EXPECT_NE(withWindow.find("[Window]\r\nLeft=11\r\nRight=-1\r\nTop=-1\r\nBottom=44\r\n"),
            std::string::npos);
}

TEST(Settings, SaveOrderAndEffectiveSettingsText) {
  SettingsStore s;
  s.NumberOfSpoolers = 1;
  std::vector<std::string> keys;
  VisitSavedKeys(s,
                 [&](const char*, const std::string& k, const std::string&) { keys.push_back(k); });
  ASSERT_GE(keys.size(), 10u);
  EXPECT_EQ(keys[0], "NumberOfSpoolers");
  EXPECT_EQ(keys[1], "PollTime");
  EXPECT_EQ(keys[2], "RIP1swPath");
  EXPECT_EQ(keys[26], "InputSpool1");
  EXPECT_EQ(keys[30], "RIP1Spool1");
  EXPECT_EQ(keys[31], "RIP1SpoolMono1");
  EXPECT_EQ(keys[32], "MonoFolder1_1");
  EXPECT_EQ(keys.back(), "MaxLogFileReadSize");
  std::string text = FormatEffectiveSettings(s);
  EXPECT_EQ(text.rfind("[Setup]\nNumberOfSpoolers=1\nPollTime=5\n", 0), 0u);
  EXPECT_NE(text.find("\nUnixPathSeparator=0\n"), std::string::npos);
  EXPECT_NE(text.find("[Window]\nLeft=-1\nRight=-1\nTop=-1\nBottom=-1\n"), std::string::npos);
}

TEST(Settings, SnapshotsStayWholeWhileAWriterPublishes) {
  SettingsHandle handle;
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 1; i <= 500; ++i) {
      handle.Update([i](SettingsStore& s) {
        s.MaxOutstandingJobs = i;
        s.StableTime = i;
      });
    }
    stop = true;
  });
  int last = 0;
  while (!stop) {
    auto snap = handle.Get();
    ASSERT_EQ(snap->MaxOutstandingJobs, snap->StableTime);
    ASSERT_GE(snap->MaxOutstandingJobs, last);
    last = snap->MaxOutstandingJobs;
  }
  writer.join();
  EXPECT_EQ(handle.Get()->StableTime, 500);
}

TEST(Settings, AtoiSemantics) {
  EXPECT_EQ(AtoiValue("  42x"), 42);
  EXPECT_EQ(AtoiValue("-7"), -7);
  EXPECT_EQ(AtoiValue("+3"), 3);
  EXPECT_EQ(AtoiValue("x1"), 0);
  EXPECT_EQ(AtoiValue(""), 0);
  EXPECT_EQ(AtoiValue("99999999999999999999"), INT_MAX);
  EXPECT_EQ(AtoiValue("-99999999999999999999"), INT_MIN);
}

}  // namespace
}  // namespace vellora::core
