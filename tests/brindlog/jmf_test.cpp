// The JMF files: escaping, time stamps, the exact bytes, the setup subfolders, job
// names that try to leave the XMLfolder, characters an XML parser would refuse, and
// the messages of files that cannot be written.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "brindlog/jmf_checks.h"
#include "brindlog/jmf_file_name.h"
#include "brindlog/jmf_text.h"
#include "brindlog/jmf_writer.h"
#include "brindlog/xml_text.h"
#include "support/temp_dir.h"

namespace vellora::brindlog {
namespace {

using riplog::JobStatus;
using test::ReadFile;
using test::TempDir;

platform::LocalTime FixedTime() {
  platform::LocalTime t;
  t.year = 2005;
  t.month = 1;
  t.day = 31;
  t.hour = 9;
  t.minute = 5;
  t.second = 7;
  t.millisecond = 999;
  t.utcOffsetSeconds = 3600;
  return t;
}

TEST(JmfText, EscapingTrimmingAndTimeStamps) {
  EXPECT_EQ(EscapeXml("It's <big> & bold", Apostrophe::Hash), "It#s &lt;big&gt; &amp; bold");
  EXPECT_EQ(EscapeXml("A&B"), "A&amp;B");
  EXPECT_EQ(EscapeXml("it's \"q\""), "it&apos;s &quot;q&quot;");
  // "&" first: entities already in the text are escaped once more, never half.
  EXPECT_EQ(EscapeXml("&lt;&"), "&amp;lt;&amp;");
  EXPECT_EQ(TrimBlanks(" \t\v\f a b \r\n"), "a b");

  platform::LocalTime t = FixedTime();
  EXPECT_EQ(JmfTimeStamp(t), "2005-01-31T09:05:07.0+1:00");
  t.utcOffsetSeconds = 0;
  EXPECT_EQ(JmfTimeStamp(t), "2005-01-31T09:05:07.0+0:00");
  t.utcOffsetSeconds = -5 * 3600;
  EXPECT_EQ(JmfTimeStamp(t), "2005-01-31T09:05:07.0-5:00");
  t.utcOffsetSeconds = 5 * 3600 + 1800;  // whole hours only
  EXPECT_EQ(JmfTimeStamp(t), "2005-01-31T09:05:07.0+5:00");
  t.utcOffsetSeconds = -(3 * 3600 + 1800);
  EXPECT_EQ(JmfTimeStamp(t), "2005-01-31T09:05:07.0-3:00");
  t.utcOffsetSeconds = 14 * 3600;
  t.year = 12345;
  EXPECT_EQ(JmfTimeStamp(t), "12345-01-31T09:05:07.0+14:00");
}

TEST(JmfText, CharactersAnXmlParserTakes) {
  EXPECT_EQ(ToXmlCharacters("plain\ttext"), "plain\ttext");
  // Windows-1252 bytes become UTF-8; UTF-8 already there is kept.
  EXPECT_EQ(ToXmlCharacters("Gr\xFC\xDF"), "Gr\xC3\xBC\xC3\x9F");
  EXPECT_EQ(ToXmlCharacters("\x80\x93\x81"), "\xE2\x82\xAC\xE2\x80\x9C\xC2\x81");
  EXPECT_EQ(ToXmlCharacters("Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x93\xB0"),
            "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x93\xB0");
  // Broken sequences are single bytes: a lone lead byte, an overlong form, a
  // surrogate, U+FFFE.
  EXPECT_EQ(ToXmlCharacters("\xC3"), "\xC3\x83");
  EXPECT_EQ(ToXmlCharacters("\xC0\xAF"), "\xC3\x80\xC2\xAF");
  EXPECT_EQ(ToXmlCharacters("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
  EXPECT_EQ(ToXmlCharacters("\xEF\xBF\xBE"), "\xC3\xAF\xC2\xBF\xC2\xBE");
  using namespace std::string_literals;
  EXPECT_EQ(ToXmlCharacters("a\0b\x01\x1F\x7F"s), "a?b??\x7F");
}

class JmfFiles : public ::testing::Test {
 protected:
  TempDir dir;
  std::string xml = dir / "xml";
  std::string debugPath = dir / "debug.log";
  DebugLog log;

  void SetUp() override {
    test::MakeDirs(xml);
    log.SetPath(debugPath);
    log.SetEnabled(true);
  }
  JmfWriter Writer(bool subfolders = false) {
    JmfWriter w(xml, subfolders, log, "PRESS1");
    w.SetClock(FixedTime);
    return w;
  }
};

TEST_F(JmfFiles, JobAndStatusFilesByteForByte) {
  JmfWriter w = Writer();
  ASSERT_TRUE(w.WriteJobJmf("Page", riplog::JobStatus::Warning, " It's <big> & bold ", " A&B ",
                            "Mon Jan 31 10:15:02 2005  "));
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
      "<JMF TimeStamp=\"2005-01-31T09:05:07.0+1:00\" SenderID=\"Wendrel_PRESS1\"\r\n"
      "  xmlns=\"http://www.CIP4.org/JDFSchema_1_1\" Version=\"1.2\">\r\n";
  EXPECT_EQ(
      ReadFile(xml + "/Page.xml"),
      head +
          "  <Signal ID=\"S1\" Type=\"Notification\" >\r\n"
          "    <Notification Class=\"Event\" Type=\"RipJob\">\r\n"
          "      <RipJob Status=\"Warning\" FileName=\"Page\" Setup=\"A&amp;B\" "
          "JobTime=\"Mon Jan 31 10:15:02 2005\" Message=\"It#s &lt;big&gt; &amp; bold\" />\r\n"
          "    </Notification>\r\n"
          "  </Signal>\r\n"
          "</JMF>\r\n");
  EXPECT_TRUE(test::WellFormed(xml + "/Page.xml"));

  ASSERT_TRUE(w.WriteJobJmf("job's \"1\"", riplog::JobStatus::Error, "", "", ""));
  ASSERT_TRUE(w.WriteJobJmf("ok", riplog::JobStatus::Success, "", "S", "t"));
  EXPECT_EQ(test::WithoutTimeStamp(ReadFile(xml + "/job's _1_.xml")),
            test::ExpectedJobJmf("PRESS1", "Error", "job&apos;s &quot;1&quot;", "", "", ""));
  EXPECT_EQ(test::WithoutTimeStamp(ReadFile(xml + "/ok.xml")),
            test::ExpectedJobJmf("PRESS1", "Success", "ok", "S", "t", ""));

  ASSERT_TRUE(w.WriteStatusJmf(0));
  EXPECT_EQ(ReadFile(xml + "/RipStatus.xml"), head +
                                                  "  <Signal ID=\"S1\" Type=\"Status\" >\r\n"
                                                  "    <DeviceInfo DeviceStatus=\"Running\"/>\r\n"
                                                  "  </Signal>\r\n"
                                                  "</JMF>\r\n");
  ASSERT_TRUE(w.WriteStatusJmf(1));
  EXPECT_EQ(test::WithoutTimeStamp(ReadFile(xml + "/RipStatus.xml")),
            test::ExpectedStatusJmf("PRESS1", "Not running"));
  EXPECT_TRUE(test::WellFormed(xml + "/RipStatus.xml"));
  // Written under hidden temporary names: none is left.
  EXPECT_EQ(test::FilesBelow(xml),
            (std::vector<std::string>{"Page.xml", "RipStatus.xml", "job's _1_.xml", "ok.xml"}));
  EXPECT_FALSE(test::Exists(debugPath));
}

TEST_F(JmfFiles, UntrimmedNameInThePathTrimmedInTheFile) {
  JmfWriter w = Writer();
  ASSERT_TRUE(w.WriteJobJmf(" job42 ", riplog::JobStatus::Success, "", "S", "t"));
  EXPECT_NE(ReadFile(xml + "/ job42 .xml").find("FileName=\"job42\""), std::string::npos);
  // The later of two jobs of the same name replaces the earlier.
  ASSERT_TRUE(w.WriteJobJmf(" job42 ", riplog::JobStatus::Error, "boom", "S", "t"));
  EXPECT_NE(ReadFile(xml + "/ job42 .xml").find("Status=\"Error\""), std::string::npos);
  EXPECT_EQ(test::FilesBelow(xml).size(), 1u);
}

TEST_F(JmfFiles, SetupSubfolders) {
  JmfWriter w = Writer(true);
  ASSERT_TRUE(w.WriteJobJmf("a", riplog::JobStatus::Success, "", "News: A/B", "t"));
  ASSERT_TRUE(w.WriteJobJmf("b", riplog::JobStatus::Success, "", " A&B ", "t"));
  ASSERT_TRUE(w.WriteJobJmf("c", riplog::JobStatus::Success, "", "", "t"));
  ASSERT_TRUE(w.WriteJobJmf("d", riplog::JobStatus::Success, "", "It's \"x\" <y>|?*\\", "t"));
  // Nothing left of the setup: the file goes into the XMLfolder, as "%s\%s\%s.xml"
  // with an empty folder name leads there too.
  ASSERT_TRUE(w.WriteJobJmf("e", riplog::JobStatus::Success, "", ":/\\", "t"));
  test::MakeDirs(xml + "/News AB");  // an existing folder is fine
  ASSERT_TRUE(w.WriteJobJmf("f", riplog::JobStatus::Success, "", "News: A/B", "t"));
  EXPECT_EQ(test::FilesBelow(xml),
            (std::vector<std::string>{"A&amp;B/b.xml", "It&apos;s &quot;x&quot; &lt;y&gt;/d.xml",
                                      "News AB/a.xml", "News AB/f.xml", "c.xml", "e.xml"}));
  EXPECT_NE(ReadFile(xml + "/News AB/a.xml").find("Setup=\"News: A/B\""), std::string::npos);

  JmfWriter flat = Writer(false);
  ASSERT_TRUE(flat.WriteJobJmf("g", riplog::JobStatus::Success, "", "News: A/B", "t"));
  EXPECT_TRUE(test::Exists(xml + "/g.xml"));
}

TEST_F(JmfFiles, NamesFromTheLogNeverLeaveTheXmlFolder) {
  using namespace std::string_literals;
  // A leading "." would hide the file from folder pollers and make it look like one
  // of the daemon's own temporaries.
  EXPECT_EQ(JobFileName("../../etc/evil"), "_._.._etc_evil");
  EXPECT_EQ(JobFileName("..\\..\\evil"), "_._.._evil");
  EXPECT_EQ(JobFileName(".hidden.ps"), "_hidden.ps");
  EXPECT_EQ(JobFileName("c:\\x"), "c__x");
  EXPECT_EQ(JobFileName("a<b>c:d\"e|f?g*h"), "a_b_c_d_e_f_g_h");
  EXPECT_EQ(JobFileName("x\0y\x1F"s), "x_y_");
  EXPECT_EQ(JobFileName(".."), "__");
  EXPECT_EQ(JobFileName("."), "_");
  EXPECT_EQ(JobFileName(""), "_");
  EXPECT_EQ(JobFileName("..."), "_..");
  EXPECT_EQ(JobFileName("a.b."), "a.b.");
  EXPECT_EQ(JobFileName(" Page 01.ps "), " Page 01.ps ") << "everything else stays";
  EXPECT_EQ(SetupFolderName(".."), "__");
  EXPECT_EQ(SetupFolderName("./."), "__") << "removed characters cannot make a '..' either";
  EXPECT_EQ(SetupFolderName("a\0b"s), "ab");
  EXPECT_EQ(SetupFolderName(".News"), "_News") << "no hidden subfolder either";

  // Written for real, with and without subfolders: every file lies in the XMLfolder.
  std::string outside = dir / "outside";
  test::MakeDirs(outside);
  for (bool subfolders : {false, true}) {
    JmfWriter w = Writer(subfolders);
    for (std::string evil : {"../outside/a"s, "..\\outside\\b"s, "/tmp/c"s, ".."s, "."s, ""s,
                             "d\0/../e"s, "sub/../../outside/f"s}) {
      EXPECT_TRUE(w.WriteJobJmf(evil, riplog::JobStatus::Success, "", "..", "t")) << evil;
      EXPECT_TRUE(w.WriteJobJmf(evil, riplog::JobStatus::Success, "", "../outside", "t")) << evil;
      EXPECT_TRUE(w.WriteJobJmf(evil, riplog::JobStatus::Success, "", "x\0/../.."s, "t")) << evil;
    }
  }
  EXPECT_TRUE(test::FilesBelow(outside).empty());
  std::vector<std::string> expected;
  for (std::string folder : {"", "_.outside/", "__/", "x..../"}) {
    for (std::string name :
         {"_._outside_a", "_._outside_b", "__", "_", "_tmp_c", "d__.._e", "sub_.._.._outside_f"}) {
      expected.push_back(folder + name + ".xml");
    }
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(test::FilesBelow(xml), expected);
}

TEST_F(JmfFiles, NoJobFileIsHidden) {
  JmfWriter w = Writer(true);
  ASSERT_TRUE(w.WriteJobJmf("../../escape", JobStatus::Success, "", "", "t"));
  ASSERT_TRUE(w.WriteJobJmf(".profile", JobStatus::Success, "", ".News", "t"));
  EXPECT_EQ(test::FilesBelow(xml),
            (std::vector<std::string>{"_._.._escape.xml", "_News/_profile.xml"}));
  EXPECT_NE(ReadFile(xml + "/_._.._escape.xml").find("FileName=\"../../escape\""),
            std::string::npos)
      << "the file keeps the job's own name";
}

// NAME_MAX of the XMLfolder's file system.
size_t NameMax(const std::string& folder) {
  long n = pathconf(folder.c_str(), _PC_NAME_MAX);
  return n > 0 ? static_cast<size_t>(n) : 255;
}

bool IsUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

TEST_F(JmfFiles, NamesTheFileSystemTakes) {
  const size_t max = NameMax(xml);
  JmfWriter w = Writer(true);
  // Too long with its ".xml": cut to fit, the ".xml" kept; the file keeps the name.
  const std::string longName(300, 'n');
  ASSERT_TRUE(w.WriteJobJmf(longName, JobStatus::Success, "", "", "t"));
  const std::string cut = std::string(max - 4, 'n') + ".xml";
  ASSERT_TRUE(test::Exists(xml + "/" + cut));
  EXPECT_NE(ReadFile(xml + "/" + cut).find("FileName=\"" + longName + "\""), std::string::npos);
  // A setup too long for a folder name: the folder is cut to fit.
  const std::string longSetup(300, 's');
  ASSERT_TRUE(w.WriteJobJmf("a", JobStatus::Success, "", longSetup, "t"));
  EXPECT_TRUE(test::Exists(xml + "/" + std::string(max, 's') + "/a.xml"));
  // A name of characters that take two bytes each is cut between characters.
  ASSERT_TRUE(w.WriteJobJmf(std::string(200, '\xFC'), JobStatus::Success, "", "", "t"));

  // Single-byte names become UTF-8, as the files' contents do.
  ASSERT_TRUE(w.WriteJobJmf("caf\xE9.ps", JobStatus::Success, "", "Z\xFCrich", "t"));
  EXPECT_TRUE(test::Exists(xml + "/Z\xC3\xBCrich/caf\xC3\xA9.ps.xml"));
  for (const auto& f : test::FilesBelow(xml)) {
    EXPECT_TRUE(IsUtf8(f)) << f;
    size_t slash = f.rfind('/');
    EXPECT_LE(f.size() - (slash == std::string::npos ? 0 : slash + 1), max) << f;
  }
  std::string umlauts;
  for (int i = 0; i < static_cast<int>((max - 4) / 2); ++i) umlauts += "\xC3\xBC";
  EXPECT_TRUE(test::Exists(xml + "/" + umlauts + ".xml"));
}

TEST_F(JmfFiles, AJobNamedRipStatusKeepsItsFileAndTheStatusItsOwn) {
  JmfWriter w = Writer();
  ASSERT_TRUE(w.WriteStatusJmf(0));
  ASSERT_TRUE(w.WriteJobJmf("RipStatus", JobStatus::Error, "boom", "S", "t"));
  // Shares of Windows servers do not tell the two apart by case.
  ASSERT_TRUE(w.WriteJobJmf("ripSTATUS", JobStatus::Success, "", "S", "t"));
  EXPECT_EQ(test::WithoutTimeStamp(ReadFile(xml + "/RipStatus.xml")),
            test::ExpectedStatusJmf("PRESS1", "Running"));
  EXPECT_NE(ReadFile(xml + "/RipStatus_.xml").find("Status=\"Error\" FileName=\"RipStatus\""),
            std::string::npos);
  EXPECT_TRUE(test::Exists(xml + "/ripSTATUS_.xml"));
  ASSERT_TRUE(w.WriteStatusJmf(1));
  EXPECT_NE(ReadFile(xml + "/RipStatus_.xml").find("Status=\"Error\""), std::string::npos);
  // In a setup's subfolder the name meets no status file.
  JmfWriter sub = Writer(true);
  ASSERT_TRUE(sub.WriteJobJmf("RipStatus", JobStatus::Success, "", "S", "t"));
  EXPECT_TRUE(test::Exists(xml + "/S/RipStatus.xml"));
}

TEST_F(JmfFiles, WellFormedWhateverTheLogHolds) {
  using namespace std::string_literals;
  JmfWriter w = Writer();
  ASSERT_TRUE(w.WriteJobJmf("Gr\xFC\xDF", riplog::JobStatus::Warning,
                            "a\0b\x01 \x93q\x94 \xC3\xBC"s, "Zeitung \x80 \xE2\x82\xAC",
                            "\x7F\x9D"));
  std::string complaint;
  const std::string file = xml + "/Gr\xC3\xBC\xC3\x9F.xml";
  EXPECT_TRUE(test::WellFormed(file, &complaint)) << complaint;
  EXPECT_NE(ReadFile(file).find("FileName=\"Gr\xC3\xBC\xC3\x9F\""), std::string::npos);
}

TEST_F(JmfFiles, FilesThatCannotBeWrittenAreReported) {
  std::filesystem::remove_all(xml);
  JmfWriter w = Writer();
  EXPECT_FALSE(w.WriteJobJmf("a", riplog::JobStatus::Success, "", "S", "t"));
  EXPECT_FALSE(w.WriteStatusJmf(0));
  EXPECT_EQ(test::DebugMessages(debugPath),
            (std::vector<std::string>{"ERROR: Cannot create " + xml + "\\a.xml file",
                                      "ERROR: Cannot create " + xml + "\\RipStatus.xml file"}));
  // The message carries its own line end after the line's.
  EXPECT_NE(ReadFile(debugPath).find(" file\r\n\r\n"), std::string::npos);

  // Something that is no file under the name.
  test::MakeDirs(xml + "/RipStatus.xml/inner");
  EXPECT_FALSE(w.WriteStatusJmf(1));
  EXPECT_EQ(test::CountMessages(debugPath, "ERROR: Cannot create " + xml + "\\RipStatus.xml file"),
            2u);
  EXPECT_EQ(test::FilesBelow(xml).size(), 0u) << "no temporary file is left behind";
}

// In a child whose files may not grow beyond 300 bytes: the job file (longer) cannot
// be written out, the debug log line (shorter) still can.
void WriteWithSmallFileLimit(const std::string& xml, const std::string& debugPath) {
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit {};
  limit.rlim_cur = limit.rlim_max = 300;
  setrlimit(RLIMIT_FSIZE, &limit);
  DebugLog log;
  log.SetPath(debugPath);
  log.SetEnabled(true);
  JmfWriter w(xml, false, log, "PRESS1");
  bool written = w.WriteJobJmf("big", riplog::JobStatus::Success, std::string(400, 'm'), "S", "t");
  auto messages = test::DebugMessages(debugPath);
  bool reported =
      messages == std::vector<std::string>{"ERROR: Cannot write to " + xml + "\\big.xml file"};
  _exit(!written && reported && test::FilesBelow(xml).empty() ? 0 : 1);
}

TEST_F(JmfFiles, AFileThatCannotBeWrittenOutIsReported) {
  EXPECT_EXIT(WriteWithSmallFileLimit(xml, debugPath), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vellora::brindlog
