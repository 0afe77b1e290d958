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

TEST(Settings, GarbledOrUnreadableFilesStartWithDefaultsAndSaySo) {
  TempDir dir;
  const std::string ini = IniPathFor(dir.path());
  const std::string osIni = dir / "Vellora.ini";
  auto load = [&](std::vector<std::string>& warnings) {
    warnings.clear();
    return LoadSettings(ini, &warnings);
  };
  auto expectOneWarning = [&](const std::vector<std::string>& warnings, const std::string& why) {
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("WARNING: ", 0), 0u) << warnings[0];
    EXPECT_NE(warnings[0].find(osIni), std::string::npos) << "names the file: " << warnings[0];
    EXPECT_NE(warnings[0].find(why), std::string::npos) << warnings[0];
  };
  std::vector<std::string> warnings;

  // Binary: junk with NUL bytes, and a file with no line end in its first kilobytes.
  // Neither is read, even where some of it looks like a key.
  std::string junk = "[Setup]\r\nMaxOutstandingJobs=7\r\n";
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>((i * 131 + 7) % 256);
  WriteFile(osIni, junk);
  SettingsStore garbled = load(warnings);
  EXPECT_EQ(garbled.MaxOutstandingJobs, 1);
  EXPECT_EQ(garbled.DSN, "HV");
  expectOneWarning(warnings, "NUL");
  WriteFile(osIni, std::string(8000, 'x') + "\r\n[Setup]\r\nStableTime=9\r\n");
  EXPECT_EQ(load(warnings).StableTime, 1);
  expectOneWarning(warnings, "no line end");
  EXPECT_FALSE(SaveSettings(ini, garbled)) << "a file that was not read is not replaced";
  EXPECT_EQ(ReadFile(osIni).substr(0, 8000), std::string(8000, 'x'));

  // A folder where the file should be.
  std::filesystem::remove(osIni);
  test::MakeDirs(osIni);
  SettingsStore folder = load(warnings);
  EXPECT_EQ(folder.StableTime, 1);
  expectOneWarning(warnings, "folder");
  EXPECT_FALSE(SaveSettings(ini, folder)) << "a failed save is reported, not fatal";

  // A file whose reading fails (an I/O error).
  std::filesystem::remove(osIni);
  std::filesystem::create_symlink("/proc/self/mem", osIni);
  load(warnings);
  expectOneWarning(warnings, "Input/output error");

  // A symbolic link to a file that is gone.
  std::filesystem::remove(osIni);
  std::filesystem::create_symlink("moved-away.ini", osIni);
  load(warnings);
  expectOneWarning(warnings, "symbolic link to a file that does not exist");

  // A missing file and a good one say nothing.
  std::filesystem::remove(osIni);
  load(warnings);
  EXPECT_TRUE(warnings.empty());
  WriteFile(osIni, "[Setup]\r\nStableTime=3\r\n");
  EXPECT_EQ(load(warnings).StableTime, 3);
  EXPECT_TRUE(warnings.empty());
}

TEST(Settings, ASaveNeverReplacesAFileItCouldNotRead) {
  TempDir dir;
  const std::string ini = IniPathFor(dir.path());
  // The site's file cannot be read (here an I/O error; as an unprivileged user, a
  // file it may not read): the program starts on defaults, and a save fails rather
  // than write those defaults over the site's settings.
  std::filesystem::create_symlink("/proc/self/mem", dir / "Vellora.ini");
  SettingsStore s = LoadSettings(ini, nullptr);
  s.MaxOutstandingJobs = 4;
  std::string error;
  EXPECT_FALSE(SaveSettings(ini, s, &error));
  EXPECT_NE(error.find("Input/output error"), std::string::npos) << error;
  EXPECT_FALSE(SaveWindowPosition(ini, s, &error));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "Vellora.ini"));
  EXPECT_EQ(std::filesystem::read_symlink(dir / "Vellora.ini"), "/proc/self/mem");
}

TEST(Settings, SaveKeepsModeAndWritesThroughALink) {
  TempDir dir;
  const std::string ini = IniPathFor(dir.path());
  test::MakeDirs(dir / "etc");
  WriteFile(dir / "etc/site.ini", "; passwords inside\r\n[Setup]\r\nDSNpw=secret\r\n");
  std::filesystem::permissions(dir / "etc/site.ini", std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::owner_write);
  std::filesystem::create_symlink("etc/site.ini", dir / "Vellora.ini");
  SettingsStore s = LoadSettings(ini, nullptr);
  EXPECT_EQ(s.DSNpw, "secret");
  s.DSNpw = "changed";
  ASSERT_TRUE(SaveSettings(ini, s));
  ASSERT_TRUE(SaveWindowPosition(ini, s));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "Vellora.ini")) << "the link stays a link";
  std::string text = ReadFile(dir / "etc/site.ini");
  EXPECT_EQ(text.rfind("; passwords inside\r\n[Setup]\r\nDSNpw=changed\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("[Window]\r\nLeft=-1\r\n"), std::string::npos);
  EXPECT_EQ(std::filesystem::status(dir / "etc/site.ini").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
      << "a 0600 file stays 0600";
}

// As Windows Notepad saves "Unicode" (UTF-16LE) and "Unicode big endian": a mark,
// then two bytes per character.
std::string Utf16(const std::u16string& text, bool littleEndian) {
  std::string out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t c : text) {
    char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    out += littleEndian ? lo : hi;
    out += littleEndian ? hi : lo;
  }
  return out;
}

TEST(Settings, UnicodeFilesLoadAndSaveInTheirEncoding) {
  const std::u16string site =
      u"; \u0394 notes of the night shift\r\n"
      u"[Setup]\r\n"
      u"NumberOfSpoolers=1\r\n"
      u"SetupName1=M\u00fcnchen\r\n"
      u"InputSpool1=\\\\server\\\u00e9dition\r\n"
      u"MaxOutstandingJobs=3\r\n";
  for (bool littleEndian : {true, false}) {
    SCOPED_TRACE(littleEndian ? "UTF-16LE" : "UTF-16BE");
    TempDir dir;
    const std::string ini = IniPathFor(dir.path());
    WriteFile(dir / "Vellora.ini", Utf16(site, littleEndian));
    std::vector<std::string> warnings;
    SettingsStore s = LoadSettings(ini, &warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(s.NumberOfSpoolers, 1);
    EXPECT_EQ(s.MaxOutstandingJobs, 3);
    EXPECT_EQ(s.Spoolers[0].SetupName, "M\xfcnchen");
    EXPECT_EQ(s.Spoolers[0].InputSpool,
              "\\\\server\\\xe9"
              "dition");
    s.Spoolers[0].SetupName = "K\xf6ln";
    ASSERT_TRUE(SaveSettings(ini, s));
    std::string saved = ReadFile(dir / "Vellora.ini");
    const std::string start = Utf16(
        u"; \u0394 notes of the night shift\r\n[Setup]\r\nNumberOfSpoolers=1\r\n"
        u"SetupName1=K\u00f6ln\r\n",
        littleEndian);
    EXPECT_EQ(saved.rfind(start, 0), 0u) << "still UTF-16, the comment byte for byte";
    EXPECT_NE(saved.find(Utf16(u"PollTime=5\r\n", littleEndian).substr(2)), std::string::npos);
    SettingsStore back = LoadSettings(ini, nullptr);
    EXPECT_EQ(back.Spoolers[0].SetupName, "K\xf6ln");
    EXPECT_EQ(back.Spoolers[0].InputSpool,
              "\\\\server\\\xe9"
              "dition");
  }
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
