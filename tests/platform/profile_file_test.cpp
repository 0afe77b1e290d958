// Profile files read and written with the Windows rules.
#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

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

// A text as Windows Notepad saves it: the byte-order mark, then every character in
// the encoding (line ends are CR LF in the text itself).
std::string Notepad(TextEncoding encoding, const std::u16string& text) {
  std::string out(ByteOrderMark(encoding));
  for (char16_t c : text) {
    const auto u = static_cast<uint16_t>(c);
    if (encoding == TextEncoding::Utf16LeBom) {
      out += static_cast<char>(u & 0xFF);
      out += static_cast<char>(u >> 8);
    } else if (encoding == TextEncoding::Utf16BeBom) {
      out += static_cast<char>(u >> 8);
      out += static_cast<char>(u & 0xFF);
    }
  }
  return out;
}

TEST(ProfileFile, UnicodeFilesAreReadAndSavedInTheirEncoding) {
  // A comment with characters the code page lacks (Greek, an emoji as a surrogate
  // pair), values with some it has (u-umlaut, the euro sign at 0x80).
  const std::u16string text =
      u"; \u03a9 Athens \U0001F600 notes\r\n"
      u"[Setup]\r\n"
      u"SetupName1=Zeitung S\u00fcd\r\n"
      u"Price=5 \u20ac\r\n"
      u"Greek=\u03a9\r\n"
      u"Last=1";  // no line end, as an editor may leave it
  const std::string utf8Text =
      "; \xce\xa9 Athens \xf0\x9f\x98\x80 notes\r\n[Setup]\r\nSetupName1=Zeitung S\xc3\xbc"
      "d\r\nPrice=5 \xe2\x82\xac\r\nGreek=\xce\xa9\r\nLast=1";
  test::TempDir dir;
  for (TextEncoding e :
       {TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom, TextEncoding::Utf8Bom}) {
    SCOPED_TRACE(static_cast<int>(e));
    const std::string file = dir / "Vellora.ini";
    const std::string original =
        e == TextEncoding::Utf8Bom ? std::string(ByteOrderMark(e)) + utf8Text : Notepad(e, text);
    test::WriteFile(file, original);
    ProfileFile f;
    ASSERT_TRUE(f.Load(file));
    EXPECT_EQ(f.encoding(), e);
    EXPECT_EQ(f.GetString("setup", "SetupName1", ""),
              "Zeitung S\xfc"
              "d");
    EXPECT_EQ(f.GetString("Setup", "Price", ""), "5 \x80");
    EXPECT_EQ(f.GetString("Setup", "Greek", ""), "?") << "what the code page lacks";
    EXPECT_EQ(f.GetString("Setup", "Last", ""), "1");

    // Nothing changed: the same bytes.
    ASSERT_TRUE(f.Save(file));
    EXPECT_EQ(test::ReadFile(file), original);

    f.SetString("Setup", "Price", "7 \x80");        // replaced
    f.SetString("Setup", "SetupName2", "Caf\xe9");  // added after "Last", which gets a line end
    f.SetString("Window", "Left", "3");             // a new section
    ASSERT_TRUE(f.Save(file));
    const std::u16string changed =
        u"; \u03a9 Athens \U0001F600 notes\r\n"
        u"[Setup]\r\n"
        u"SetupName1=Zeitung S\u00fcd\r\n"
        u"Price=7 \u20ac\r\n"
        u"Greek=\u03a9\r\n"
        u"Last=1\r\n"
        u"SetupName2=Caf\u00e9\r\n"
        u"[Window]\r\n"
        u"Left=3\r\n";
    const std::string expected =
        e == TextEncoding::Utf8Bom
            ? std::string(ByteOrderMark(e)) +
                  "; \xce\xa9 Athens \xf0\x9f\x98\x80 notes\r\n[Setup]\r\nSetupName1=Zeitung "
                  "S\xc3\xbc"
                  "d\r\nPrice=7 \xe2\x82\xac\r\nGreek=\xce\xa9\r\nLast=1\r\nSetupName2=Caf\xc3\xa9"
                  "\r\n[Window]\r\nLeft=3\r\n"
            : Notepad(e, changed);
    EXPECT_EQ(test::ReadFile(file), expected)
        << "unchanged lines keep their bytes, the others are in the file's encoding";

    ProfileFile back;
    ASSERT_TRUE(back.Load(file));
    EXPECT_EQ(back.GetString("Setup", "SetupName2", ""), "Caf\xe9");
    EXPECT_EQ(back.GetString("Window", "Left", ""), "3");
  }
  // A file of single-byte text stays one: a value with 0xE9 is written as that byte.
  test::WriteFile(dir / "ansi.ini", "[Setup]\r\nA=1\r\n");
  ProfileFile ansi;
  ASSERT_TRUE(ansi.Load(dir / "ansi.ini"));
  ansi.SetString("Setup", "A", "Caf\xe9");
  ASSERT_TRUE(ansi.Save(dir / "ansi.ini"));
  EXPECT_EQ(test::ReadFile(dir / "ansi.ini"), "[Setup]\r\nA=Caf\xe9\r\n");
}

TEST(ProfileFile, FilesThatCannotBeUsedAreNamedAndNeverReplaced) {
  test::TempDir dir;
  struct Case {
    std::string name;
    std::string content;
    ProfileFile::State state;
    std::string reason;
  };
  std::string longLine(ProfileFile::kBinaryProbe + 10, 'x');
  const Case cases[] = {
      {"nul.ini", std::string("[Setup]\r\nA=1\0\r\n", 14), ProfileFile::State::Binary, "NUL"},
      {"oneline.ini", longLine, ProfileFile::State::Binary, "no line end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteFile(dir / c.name, c.content);
    ProfileFile f;
    EXPECT_FALSE(f.Load(dir / c.name));
    EXPECT_EQ(f.state(), c.state);
    EXPECT_NE(f.problem().find(c.reason), std::string::npos) << f.problem();
    EXPECT_FALSE(f.Find("Setup", "A").has_value()) << "nothing of it is read";
    f.SetString("Setup", "A", "2");
    std::string error;
    EXPECT_FALSE(f.Save(dir / c.name, &error));
    EXPECT_NE(error.find(dir / c.name), std::string::npos) << error;
    EXPECT_NE(error.find("never replaced"), std::string::npos) << error;
    EXPECT_EQ(test::ReadFile(dir / c.name), c.content);
  }
  // Text without a line end that is short, and UTF-16 (whose bytes hold NULs), are
  // text; so is a file of exactly the probed length without a line end.
  for (const std::string& text :
       {std::string("[Setup]"), Notepad(TextEncoding::Utf16LeBom, u"[Setup]\r\nA=1\r\n"),
        std::string(ProfileFile::kBinaryProbe, 'x')}) {
    test::WriteFile(dir / "text.ini", text);
    ProfileFile f;
    EXPECT_TRUE(f.Load(dir / "text.ini"));
    EXPECT_EQ(f.state(), ProfileFile::State::Loaded);
  }

  // A folder, a pipe (never opened, so nothing waits for a writer), an I/O error.
  test::MakeDirs(dir / "folder.ini");
  ASSERT_EQ(::mkfifo((dir / "pipe.ini").c_str(), 0644), 0);
  std::filesystem::create_symlink("/proc/self/mem", dir / "ioerror.ini");
  const std::pair<std::string, ProfileFile::State> unusable[] = {
      {"folder.ini", ProfileFile::State::NotAFile},
      {"pipe.ini", ProfileFile::State::NotAFile},
      {"ioerror.ini", ProfileFile::State::Unreadable},
  };
  for (const auto& [name, state] : unusable) {
    SCOPED_TRACE(name);
    ProfileFile f;
    EXPECT_FALSE(f.Load(dir / name));
    EXPECT_EQ(f.state(), state);
    EXPECT_FALSE(f.problem().empty());
    f.SetString("Setup", "A", "2");
    std::string error;
    EXPECT_FALSE(f.Save(dir / name, &error));
    EXPECT_NE(error.find(f.problem()), std::string::npos) << error;
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "ioerror.ini"));
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "pipe.ini"));

  ProfileFile missing;
  EXPECT_FALSE(missing.Load(dir / "none.ini"));
  EXPECT_EQ(missing.state(), ProfileFile::State::Missing);
  EXPECT_TRUE(missing.problem().empty());
  std::filesystem::create_symlink("none.ini", dir / "dangling.ini");
  EXPECT_FALSE(missing.Load(dir / "dangling.ini"));
  EXPECT_EQ(missing.state(), ProfileFile::State::Missing);
  EXPECT_NE(missing.problem().find("symbolic link"), std::string::npos) << missing.problem();
}

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

TEST(ProfileFile, SaveKeepsModeOwnerAndSymbolicLinks) {
  test::TempDir dir;
  // A file kept at 0600 for its passwords, owned by another user and group.
  const std::string secret = dir / "secret.ini";
  test::WriteFile(secret, "[Setup]\r\nDSNpw=x\r\n");
  ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(secret.c_str(), 65534, 65534), 0);
  }
  const struct stat before = StatOf(secret);
  ProfileFile f;
  ASSERT_TRUE(f.Load(secret));
  f.SetString("Setup", "DSNpw", "y");
  ASSERT_TRUE(f.Save(secret));
  const struct stat after = StatOf(secret);
  EXPECT_EQ(after.st_mode & 07777, 0600u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(test::ReadFile(secret), "[Setup]\r\nDSNpw=y\r\n");

  // Vellora.ini -> conf/link.ini -> real.ini (relative links): the links stay and the
  // file at the end gets the text.
  test::MakeDirs(dir / "conf");
  test::WriteFile(dir / "conf/real.ini", "; kept\r\n[Setup]\r\nA=1\r\n");
  ASSERT_EQ(::chmod((dir / "conf/real.ini").c_str(), 0640), 0);
  std::filesystem::create_symlink("real.ini", dir / "conf/link.ini");
  std::filesystem::create_symlink("conf/link.ini", dir / "Vellora.ini");
  ProfileFile linked;
  ASSERT_TRUE(linked.Load(dir / "Vellora.ini"));
  linked.SetString("Setup", "A", "2");
  ASSERT_TRUE(linked.Save(dir / "Vellora.ini"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "Vellora.ini"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "conf/link.ini"));
  EXPECT_EQ(test::ReadFile(dir / "conf/real.ini"), "; kept\r\n[Setup]\r\nA=2\r\n");
  EXPECT_EQ(StatOf(dir / "conf/real.ini").st_mode & 07777, 0640u);

  // A link to a file not yet made: the file is made where the link points.
  std::filesystem::create_symlink("conf/new.ini", dir / "dangling.ini");
  ProfileFile fresh;
  EXPECT_FALSE(fresh.Load(dir / "dangling.ini"));
  EXPECT_EQ(fresh.state(), ProfileFile::State::Missing);
  fresh.SetString("Setup", "B", "1");
  ASSERT_TRUE(fresh.Save(dir / "dangling.ini"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.ini"));
  EXPECT_EQ(test::ReadFile(dir / "conf/new.ini"), "[Setup]\r\nB=1\r\n");

  // No temporary is left beside any of them.
  for (const char* d : {"", "conf"}) {
    for (auto& e : std::filesystem::directory_iterator(dir / d)) {
      EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
    }
  }
}

TEST(ProfileFile, ManyNewKeysGoWhereTheFirstWould) {
  // New keys go after the last key line, before the section's trailing comments and
  // blank lines, in the order they are set; a new line that reads as no key (a key
  // beginning with ";") does not move that place.
  ProfileFile f;
  f.LoadText("[Setup]\r\nA=1\r\n; notes\r\n\r\n[Window]\r\nTop=1\r\n");
  f.SetString("Setup", "B", "2");
  f.SetString("Setup", ";C", "3");
  f.SetString("Setup", "D", "4");
  f.SetString("setup", "b", "5");
  EXPECT_EQ(f.Text(),
            "[Setup]\r\nA=1\r\nB=5\r\nD=4\r\n;C=3\r\n; notes\r\n\r\n[Window]\r\nTop=1\r\n");
  EXPECT_EQ(f.GetString("Setup", "D", ""), "4");
  // Thousands of them, between lines that stay: each where it belongs.
  ProfileFile big;
  std::string text = "[Setup]\r\nFirst=1\r\n";
  for (int i = 0; i < 20000; ++i) text += "; note " + std::to_string(i) + "\r\n";
  big.LoadText(text);
  std::string expected = "[Setup]\r\nFirst=1\r\n";
  for (int i = 0; i < 5000; ++i) {
    big.SetString("Setup", "Key" + std::to_string(i), std::to_string(i));
    expected += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  }
  for (int i = 0; i < 20000; ++i) expected += "; note " + std::to_string(i) + "\r\n";
  EXPECT_EQ(big.Text(), expected);
  EXPECT_EQ(big.GetString("Setup", "key4999", ""), "4999");
}

}  // namespace
}  // namespace vellora::platform
