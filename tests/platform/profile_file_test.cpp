// Profile files read and written with the Windows rules.
#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vellora::platform {
namespace {

const char kWindowsFile[] =
    "; Vellora settings, edited on the production server\r\n"
    "[SETUP]\r\n"
    "  numberofspoolers = 2 \r\n"
    "InputSpool1=\"\\\\fileserver\\in one\"\r\n"
    "SetupName1='Quoted'\r\n"
    "SetupName2=\"unbalanced'\r\n"
    "Priority1=3\r\n"
    "priority1=9\r\n"
    ";Priority2=7\r\n"
    "Empty=\r\n"
    "\r\n"
    "[Window]\r\n"
    "Top=10\r\n"
    "[setup]\r\n"
    "Priority2=5\r\n";

TEST(ProfileFile, ReadsAsWindowsWould) {
  ProfileFile f;
  f.LoadText(kWindowsFile);
  EXPECT_EQ(f.GetString("Setup", "NumberOfSpoolers", "x"), "2");
  EXPECT_EQ(f.GetString("setup", "INPUTSPOOL1", "x"), "\\\\fileserver\\in one");
  EXPECT_EQ(f.GetString("Setup", "SetupName1", "x"), "Quoted");
  EXPECT_EQ(f.GetString("Setup", "SetupName2", "x"), "\"unbalanced'");
  EXPECT_EQ(f.GetString("Setup", "Priority1", "x"), "3") << "the first duplicate wins";
  EXPECT_EQ(f.GetString("Setup", "Priority2", "x"), "x")
      << "comments are no keys, and a duplicated section is not read";
  EXPECT_EQ(f.GetString("Setup", "Empty", "x"), "");
  EXPECT_EQ(f.GetString("Window", "Top", "x"), "10");
  EXPECT_EQ(f.GetString("Nowhere", "Top", "dflt"), "dflt");
  EXPECT_FALSE(f.Find("Setup", "Missing").has_value());
}

TEST(ProfileFile, WritesKeepEveryOtherByte) {
  ProfileFile f;
  f.LoadText(kWindowsFile);
  f.SetString("setup", "PRIORITY1", "4");  // replaced, keeps its spelling
  f.SetString("Setup", "NewKey", "v");     // after the last key line of the section
  f.SetString("Window", "Bottom", "20");
  f.SetString("System", "Usebackup", "1");  // a new section at the end
  std::string expected =
      "; Vellora settings, edited on the production server\r\n"
      "[SETUP]\r\n"
      "  numberofspoolers = 2 \r\n"
      "InputSpool1=\"\\\\fileserver\\in one\"\r\n"
      "SetupName1='Quoted'\r\n"
      "SetupName2=\"unbalanced'\r\n"
      "Priority1=4\r\n"
      "priority1=9\r\n"
      ";Priority2=7\r\n"
      "Empty=\r\n"
      "NewKey=v\r\n"
      "\r\n"
      "[Window]\r\n"
      "Top=10\r\n"
      "Bottom=20\r\n"
      "[setup]\r\n"
      "Priority2=5\r\n"
      "[System]\r\n"
      "Usebackup=1\r\n";
  EXPECT_EQ(f.Text(), expected);
}

TEST(ProfileFile, LineEndsAndMissingFiles) {
  ProfileFile f;
  f.LoadText("[a]\nx=1\rlast=2");  // LF, a lone CR, no final line end
  EXPECT_EQ(f.GetString("a", "x", ""), "1");
  EXPECT_EQ(f.GetString("a", "last", ""), "2");
  f.SetString("a", "y", "3");
  EXPECT_EQ(f.Text(), "[a]\nx=1\rlast=2\r\ny=3\r\n");

  test::TempDir dir;
  ProfileFile g;
  EXPECT_FALSE(g.Load(dir / "none.ini"));
  EXPECT_EQ(g.Text(), "");
  g.SetString("Setup", "A", "1");
  ASSERT_TRUE(g.Save(dir / "none.ini"));
  EXPECT_EQ(test::ReadFile(dir / "none.ini"), "[Setup]\r\nA=1\r\n");
  ProfileFile h;
  EXPECT_TRUE(h.Load(dir / "none.ini"));
  EXPECT_EQ(h.GetString("SETUP", "a", ""), "1");
}

TEST(ProfileFile, GarbageNeverBreaksReading) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 256);
  ProfileFile f;
  const char tail[] = "\r\n[Setup]\r\nKey=v\0x\r\n";
  f.LoadText(junk + std::string(tail, sizeof tail - 1));
  EXPECT_EQ(f.GetString("Setup", "Key", "d"), std::string("v\0x", 3));
  f.SetString("Setup", "Other", "1");
  EXPECT_NE(f.Text().find("Other=1\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vellora::platform
