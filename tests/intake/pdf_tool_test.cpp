// vellora-headless --fit-pdf as administrators run it: exit codes, texts, the file
// rewritten in place and the temporary file in the program folder.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "intake/pdf_files.h"
#include "support/child_process.h"
#include "support/hold_open.h"
#include "support/temp_dir.h"

namespace vellora {
namespace {

using test::Exists;
using test::Headless;
using test::MakePdf;
using test::PdfInfo;
using test::ReadFile;
using test::RunProgram;
using test::TestPage;
using test::WriteFile;

TEST(FitPdfTool, RewritesTheFileInPlaceOrSaysWhyNot) {
  test::TempDir dir;
  const std::string prog = dir / "prog";
  test::MakeDirs(prog);
  const std::string page = dir / "page.pdf";
  WriteFile(page, MakePdf({TestPage()}));
  std::string out;
  ASSERT_EQ(RunProgram(Headless(), {"--dir", prog, "--fit-pdf", "scale", page, "297", "420"}, &out),
            0)
      << out;
  EXPECT_EQ(out, page + ": scaled to 841.890 x 1190.551 points\n");
  EXPECT_EQ(PdfInfo(page, "Page size"), "841.89 x 1190.55 pts (A3)");
  EXPECT_EQ(PdfInfo(page, "Author"), "Vellora");
  EXPECT_EQ(test::QpdfCheckProblems(page), "");
  ASSERT_EQ(
      RunProgram(Headless(), {"--dir", prog, "--fit-pdf", "trim", page, "210", "297.5"}, &out), 0)
      << out;
  EXPECT_EQ(out, page + ": trimmed to 595.276 x 843.307 points\n");
  EXPECT_EQ(PdfInfo(page, "Author"), "Sundle");
  EXPECT_FALSE(Exists(prog + "/.fit-page.pdf"));
  // The tool shows its log lines instead of writing the program folder's logs.
  EXPECT_FALSE(Exists(prog + "/Quillon.log"));

  // A refusal: exit status 1, the error text, the file as it was.
  const std::string two = dir / "two.pdf";
  WriteFile(two, MakePdf({TestPage(), TestPage()}));
  const std::string original = ReadFile(two);
  ASSERT_EQ(RunProgram(Headless(), {"--dir", prog, "--fit-pdf", "trim", two, "297", "420"}, &out),
            1);
  const std::string text = "Only single page document can be trimmed '" + two + "'";
  EXPECT_NE(out.find("] ERROR: " + text + "\n"), std::string::npos) << out;
  EXPECT_TRUE(out.size() > text.size() && out.substr(out.size() - text.size() - 1) == text + "\n")
      << out;
  EXPECT_EQ(ReadFile(two), original);

  // Held open by another program: the rewritten file stays in the --dir folder.
  const std::string held = dir / "held.pdf";
  WriteFile(held, MakePdf({TestPage()}));
  {
    test::HoldOpen holder(held, O_RDONLY);
    ASSERT_TRUE(holder.ok());
    ASSERT_EQ(RunProgram(Headless(), {"--dir", prog, "--fit-pdf", "scale", held, "297", "420"},
                         &out, {{"VELLORA_TIME_SCALE", "0"}}),
              1);
  }
  EXPECT_EQ(out, "Error moving temp file from " + prog + "\\.fit-held.pdf to " + held + "\n");
  EXPECT_EQ(PdfInfo(prog + "/.fit-held.pdf", "Page size"), "841.89 x 1190.55 pts (A3)");
}

TEST(FitPdfTool, FindsWindowsPathsWhereThePlatformSectionSays) {
  test::TempDir dir;
  WriteFile(dir / "Vellora.ini", "[Platform]\r\nDriveRoot=" + dir.path() + "/drives\r\n");
  test::MakeDirs(dir / "drives/x/in");
  WriteFile(dir / "drives/x/in/A.pdf", MakePdf({TestPage()}));
  std::string out;
  ASSERT_EQ(
      RunProgram(Headless(),
                 {"--dir", dir.path(), "--fit-pdf", "scale", "X:\\in\\A.pdf", "100", "100"}, &out),
      0)
      << out;
  EXPECT_EQ(PdfInfo(dir / "drives/x/in/A.pdf", "Page size"), "283.465 x 283.465 pts");
  EXPECT_EQ(PdfInfo(dir / "drives/x/in/A.pdf", "Title"), "A.pdf");
}

TEST(FitPdfTool, RefusesArgumentsThatAreNoRequest) {
  test::TempDir dir;
  const std::string page = dir / "page.pdf";
  WriteFile(page, MakePdf({TestPage()}));
  const std::string original = ReadFile(page);
  const std::vector<std::vector<std::string>> refused = {
      {"--fit-pdf", "scale", page, "297"},         {"--fit-pdf"},
      {"--fit-pdf", "shrink", page, "297", "420"}, {"--fit-pdf", "scale", page, "0", "420"},
      {"--fit-pdf", "trim", page, "297", "-420"},  {"--fit-pdf", "trim", page, "297mm", "420"},
      {"--fit-pdf", "trim", page, "inf", "420"},   {"--fit-pdf", "trim", "", "297", "420"},
  };
  for (const auto& args : refused) {
    std::vector<std::string> all = {"--dir", dir.path()};
    all.insert(all.end(), args.begin(), args.end());
    std::string out;
    EXPECT_EQ(RunProgram(Headless(), all, &out), 2) << args.size() << " " << out;
    EXPECT_NE(out.find("--fit-pdf scale|trim FILE WIDTH_MM HEIGHT_MM"), std::string::npos) << out;
  }
  EXPECT_EQ(ReadFile(page), original);
}

}  // namespace
}  // namespace vellora
