// The PDF scale and trim on real files: the page size and fit as poppler renders
// them, versions, document information, qpdf's check of every output, the refusals
// (input unchanged byte for byte, the texts, the balancer log), and the move.
#include "intake/pdf_fit.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include "intake/pdf_files.h"
#include "intake/pdf_fit_rewriter.h"
#include "support/child_process.h"
#include "support/hold_open.h"
#include "support/temp_dir.h"

namespace vellora::intake {
namespace {

using test::Exists;
using test::MakePdf;
using test::PdfInfo;
using test::QpdfCheckProblems;
using test::Raster;
using test::ReadFile;
using test::TestPage;
using test::WriteFile;

class PdfFit : public ::testing::Test {
 protected:
  void SetUp() override {
    test::MakeDirs(prog_);
    test::MakeDirs(in_);
    logs_.Configure(prog_, true, true);
  }

  std::string Input(const std::string& name, const std::string& bytes) {
    const std::string path = in_ + "/" + name;
    WriteFile(path, bytes);
    return path;
  }
  int Scale(const std::string& path, double w, double h) {
    return ScalePdfFile(path, w, h, error_, env_);
  }
  int Trim(const std::string& path, double w, double h) {
    return TrimPdfFile(path, w, h, error_, env_);
  }
  std::string BalancerLog() const {
    return Exists(prog_ + "/Quillon.log") ? ReadFile(prog_ + "/Quillon.log") : "";
  }
  // The OS path of the temporary file of an input.
  std::string TempOf(const std::string& input) const {
    std::string t = PdfFitTemporaryPath(prog_, input);
    for (char& c : t) c = c == '\\' ? '/' : c;
    return t;
  }
  // A successful rewrite: qpdf finds nothing wrong, nothing is left in the program
  // folder, nothing is logged.
  void ExpectGoodOutput(const std::string& path) {
    EXPECT_EQ(QpdfCheckProblems(path), "");
    EXPECT_EQ(error_, "");
    EXPECT_FALSE(Exists(TempOf(path)));
    EXPECT_EQ(BalancerLog(), "");
  }
  // A refused file stays as it was byte for byte, the reason is the given text, the
  // balancer log's last line is the given one, and no temporary file is left.
  void ExpectRefused(const std::string& path, bool scale, const std::string& text,
                     const std::string& logged) {
    const std::string before = Exists(path) ? ReadFile(path) : "(missing)";
    error_.clear();
    EXPECT_EQ(scale ? Scale(path, 297, 420) : Trim(path, 297, 420), 0);
    EXPECT_EQ(error_, text);
    EXPECT_EQ(Exists(path) ? ReadFile(path) : "(missing)", before);
    EXPECT_FALSE(Exists(TempOf(path)));
    const std::string log = BalancerLog();
    const std::string line = "] " + logged + "\r\n";
    EXPECT_TRUE(log.size() >= line.size() && log.substr(log.size() - line.size()) == line) << log;
  }
  Raster Rendered(const std::string& path, int dpi = 72) {
    Raster r;
    std::string why;
    EXPECT_TRUE(test::Render(path, dpi, r, &why)) << why;
    return r;
  }

  test::TempDir root_;
  const std::string prog_ = root_ / "prog";
  const std::string in_ = root_ / "in";
  core::LogWriters logs_;
  platform::Pacer pacer_{0};
  const PdfFitEnvironment env_{prog_, logs_, pacer_};
  std::string error_;
};

TEST_F(PdfFit, ScaleWritesThePlannedPageSizeAndTheDocumentInformation) {
  const std::string path = Input("ABC-310105-12.pdf", MakePdf({TestPage{}}));
  ASSERT_EQ(Scale(path, 297, 420), 1) << error_;
  ExpectGoodOutput(path);
  // The size as written, with three decimals, and as poppler reads it.
  const std::string bytes = ReadFile(path);
  EXPECT_NE(bytes.find("/MediaBox [ 0 0 841.890 1190.551 ]"), std::string::npos);
  EXPECT_EQ(PdfInfo(path, "Page size"), "841.89 x 1190.55 pts (A3)");
  EXPECT_EQ(PdfInfo(path, "Pages"), "1");
  EXPECT_EQ(PdfInfo(path, "Creator"), "Korvath");
  EXPECT_EQ(PdfInfo(path, "Author"), "Vellora");
  EXPECT_EQ(PdfInfo(path, "Title"), "ABC-310105-12.pdf");
  EXPECT_EQ(PdfInfo(path, "PDF version"), "1.4");

  // Trimming signs with its own author; a name outside ASCII is kept as it is.
  const std::string other = Input("Zürich-02.pdf", MakePdf({TestPage{}}));
  ASSERT_EQ(Trim(other, 297, 420), 1) << error_;
  ExpectGoodOutput(other);
  EXPECT_EQ(PdfInfo(other, "Author"), "Sundle");
  EXPECT_EQ(PdfInfo(other, "Title"), "Zürich-02.pdf");
  EXPECT_EQ(PdfInfo(other, "Page size"), "841.89 x 1190.55 pts (A3)");
}

TEST_F(PdfFit, ScaleFitsThePageCentredWithItsProportions) {
  // 400 x 200 points into 100 x 100 mm (283.465 points): scaled by 0.709 to the full
  // width, a band from a quarter to three quarters of the height.
  const std::string path = Input("wide.pdf", MakePdf({TestPage{}}));
  ASSERT_EQ(Scale(path, 100, 100), 1) << error_;
  ExpectGoodOutput(path);
  const Raster r = Rendered(path, 144);
  ASSERT_NEAR(r.width, 567, 1);
  ASSERT_NEAR(r.height, 567, 1);
  EXPECT_EQ(r.At(0.5, 0.2), 'W');   // above the band
  EXPECT_EQ(r.At(0.5, 0.8), 'W');   // below it
  EXPECT_EQ(r.At(0.5, 0.27), 'Y');  // its top edge
  EXPECT_EQ(r.At(0.5, 0.73), 'Y');  // its bottom edge
  EXPECT_EQ(r.At(0.5, 0.5), 'B');   // the middle on the middle
  EXPECT_EQ(r.At(0.05, 0.7), 'R');  // lower-left corner
  EXPECT_EQ(r.At(0.95, 0.3), 'G');  // upper-right corner
  EXPECT_EQ(r.At(0.05, 0.3), 'Y');
  EXPECT_EQ(r.At(0.95, 0.7), 'Y');
  EXPECT_EQ(r.At(0.01, 0.5), 'Y');  // full width
  EXPECT_EQ(r.At(0.99, 0.5), 'Y');
  // The blue square keeps its proportion: 40 x 40 points scaled to 28.3.
  EXPECT_EQ(r.At(0.54, 0.5), 'B');
  EXPECT_EQ(r.At(0.56, 0.5), 'Y');

  // A small page grows until it touches the box: 40 x 80 points into 100 x 100 mm.
  const std::string small = Input("small.pdf", MakePdf({TestPage{"0 0 40 80"}}));
  ASSERT_EQ(Scale(small, 100, 100), 1) << error_;
  ExpectGoodOutput(small);
  const Raster s = Rendered(small, 144);
  EXPECT_EQ(s.At(0.5, 0.01), 'Y');
  EXPECT_EQ(s.At(0.5, 0.99), 'Y');
  EXPECT_EQ(s.At(0.2, 0.5), 'W');
  EXPECT_EQ(s.At(0.3, 0.5), 'Y');
  EXPECT_EQ(s.At(0.27, 0.95), 'R');
  EXPECT_EQ(s.At(0.73, 0.05), 'G');
}

TEST_F(PdfFit, TrimKeepsTheSizeCentredAndCutsAtTheEdges) {
  // 400 x 200 points into 283.465: 58 points cut on the left and on the right, where
  // the corner marks were; white bands of 42 points above and below.
  const std::string path = Input("wide.pdf", MakePdf({TestPage{}}));
  ASSERT_EQ(Trim(path, 100, 100), 1) << error_;
  ExpectGoodOutput(path);
  const Raster r = Rendered(path, 144);
  EXPECT_EQ(r.At(0.5, 0.1), 'W');
  EXPECT_EQ(r.At(0.5, 0.9), 'W');
  EXPECT_EQ(r.At(0.5, 0.16), 'Y');
  EXPECT_EQ(r.At(0.5, 0.84), 'Y');
  EXPECT_EQ(r.At(0.5, 0.5), 'B');
  EXPECT_EQ(r.At(0.01, 0.8), 'Y');
  EXPECT_EQ(r.At(0.99, 0.2), 'Y');
  EXPECT_EQ(r.Count('R'), 0);
  EXPECT_EQ(r.Count('G'), 0);
  // The blue square at its own size: 40 points are 0.141 of the page.
  EXPECT_EQ(r.At(0.56, 0.5), 'B');
  EXPECT_EQ(r.At(0.58, 0.5), 'Y');

  // A page smaller than the box is not enlarged.
  const std::string small = Input("small.pdf", MakePdf({TestPage{"0 0 40 80"}}));
  ASSERT_EQ(Trim(small, 100, 100), 1) << error_;
  ExpectGoodOutput(small);
  const Raster s = Rendered(small, 144);
  EXPECT_EQ(s.At(0.5, 0.5), 'B');
  EXPECT_EQ(s.At(0.5, 0.3), 'W');
  EXPECT_EQ(s.At(0.5, 0.38), 'Y');
  EXPECT_EQ(s.At(0.1, 0.5), 'W');
}

// The output shows the same picture as the input, as poppler renders both: the page
// as a viewer shows it (rotation and crop box applied) scaled into a box of its own
// proportions. Compared where the input is of one colour around the point.
void ExpectSamePicture(const Raster& in, const Raster& out) {
  int compared = 0;
  for (int i = 0; i < 40; ++i) {
    for (int j = 0; j < 40; ++j) {
      const double fx = (i + 0.5) / 40, fy = (j + 0.5) / 40;
      const int x = static_cast<int>(fx * in.width), y = static_cast<int>(fy * in.height);
      const char c = in.Pixel(x, y);
      bool uniform = c != '?';
      for (int dx = -3; dx <= 3 && uniform; ++dx) {
        for (int dy = -3; dy <= 3 && uniform; ++dy) uniform = in.Pixel(x + dx, y + dy) == c;
      }
      if (!uniform) continue;
      ++compared;
      EXPECT_EQ(out.At(fx, fy), c) << "at " << fx << ", " << fy;
    }
  }
  EXPECT_GT(compared, 1200);
}

TEST_F(PdfFit, ARotatedOrCroppedPageIsPlacedAsAViewerShowsIt) {
  // Seen as 200 x 300 points: the crop box keeps the right three quarters (the
  // green corner and the blue middle), the rotation stands it upright.
  const struct {
    const char* name;
    TestPage page;
    double wMm, hMm;
  } cases[] = {
      {"rotated.pdf", TestPage{"0 0 400 200", "100 0 400 200", 90}, 200 * 25.4 / 72,
       300 * 25.4 / 72},
      {"upside-down.pdf", TestPage{"0 0 400 200", "", -180}, 200 * 25.4 / 72, 100 * 25.4 / 72},
      {"turned-left.pdf", TestPage{"-50 -20 350 180", "", 270}, 100 * 25.4 / 72, 200 * 25.4 / 72},
      {"cropped.pdf", TestPage{"0 0 400 200", "20 20 300 180"}, 140 * 25.4 / 72, 80 * 25.4 / 72},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Input(c.name, MakePdf({c.page}));
    const Raster before = Rendered(path, 100);
    ASSERT_EQ(Scale(path, c.wMm, c.hMm), 1) << error_;
    ExpectGoodOutput(path);
    ExpectSamePicture(before, Rendered(path, 100));
  }
  // Rotation and boxes inherited from the page tree count as the page's own.
  test::PdfBuilder b;
  const int catalog = b.Reserve();
  const int tree = b.Reserve();
  const int contents = b.AddStream("", test::MarksContent(0, 0, 400, 200));
  const int page = b.Add("<< /Type /Page /Parent " + std::to_string(tree) + " 0 R /Contents " +
                         std::to_string(contents) + " 0 R >>");
  b.Set(tree, "<< /Type /Pages /Kids [" + std::to_string(page) +
                  " 0 R] /Count 1 /MediaBox [0 0 400 200] /Rotate 90 >>");
  b.Set(catalog, "<< /Type /Catalog /Pages " + std::to_string(tree) + " 0 R >>");
  const std::string inherited = Input("inherited.pdf", b.Build("1.4", catalog));
  const Raster before = Rendered(inherited, 100);
  ASSERT_EQ(Scale(inherited, 200 * 25.4 / 72, 400 * 25.4 / 72), 1) << error_;
  ExpectGoodOutput(inherited);
  ExpectSamePicture(before, Rendered(inherited, 100));
}

TEST_F(PdfFit, AHugePageIsScaledOrCutLikeAnyOther) {
  // 200 inches square, the largest page older viewers open, and a page far beyond.
  const std::string big = Input("big.pdf", MakePdf({TestPage{"0 0 14400 14400"}}));
  ASSERT_EQ(Scale(big, 297, 420), 1) << error_;
  ExpectGoodOutput(big);
  const Raster r = Rendered(big, 36);
  EXPECT_EQ(r.At(0.5, 0.5), 'B');
  EXPECT_EQ(r.At(0.5, 0.07), 'W');
  EXPECT_EQ(r.At(0.5, 0.2), 'Y');
  EXPECT_EQ(r.At(0.03, 0.8), 'R');
  EXPECT_EQ(r.At(0.97, 0.2), 'G');

  const std::string huge = Input("huge.pdf", MakePdf({TestPage{"0 0 2000000 1000000"}}));
  ASSERT_EQ(Scale(huge, 297, 420), 1) << error_;
  ExpectGoodOutput(huge);
  const Raster h = Rendered(huge, 36);
  EXPECT_EQ(h.At(0.5, 0.5), 'B');
  EXPECT_EQ(h.At(0.03, 0.64), 'R');
  EXPECT_EQ(h.At(0.5, 0.3), 'W');
  // Trimmed, only the middle of the blue square is left.
  const std::string cut = Input("cut.pdf", MakePdf({TestPage{"0 0 2000000 1000000"}}));
  ASSERT_EQ(Trim(cut, 297, 420), 1) << error_;
  ExpectGoodOutput(cut);
  const Raster c = Rendered(cut, 36);
  EXPECT_EQ(c.Count('B'), c.width * c.height);
}

TEST_F(PdfFit, TheOutputKeepsTheInputsVersionAtLeast13) {
  const struct {
    std::string version, catalogExtra, expected;
  } cases[] = {
      {"1.2", "", "1.3"},
      {"1.6", "", "1.6"},
      {"1.3", "", "1.3"},
      {"1.7", "", "1.7"},
      // A catalog /Version above the header is the document's version.
      {"1.4", "/Version /1.6", "1.6"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version + " " + c.catalogExtra);
    const std::string path = Input("v.pdf", MakePdf({TestPage{}}, c.version, c.catalogExtra));
    ASSERT_EQ(Scale(path, 297, 420), 1) << error_;
    ExpectGoodOutput(path);
    EXPECT_EQ(ReadFile(path).substr(0, 9), "%PDF-" + c.expected + "\n");
    EXPECT_EQ(PdfInfo(path, "PDF version"), c.expected);
  }
}

TEST_F(PdfFit, FilesThatAreNoUsablePdfAreRefusedAndStayAsTheyWere) {
  auto openText = [](const std::string& p) { return "Couldn't open PDF input file '" + p + "'"; };
  const std::string notPdf = Input("notes.pdf", "Just some text, no PDF at all.\n");
  ExpectRefused(notPdf, true, openText(notPdf), "ERROR: " + openText(notPdf));
  const std::string empty = Input("empty.pdf", "");
  ExpectRefused(empty, false, openText(empty), "ERROR: " + openText(empty));
  std::string junk = "%PDF-1.4\n";
  for (int i = 0; i < 3000; ++i) junk += static_cast<char>((i * 7) % 256);
  const std::string damaged = Input("damaged.pdf", junk);
  ExpectRefused(damaged, true, openText(damaged), "ERROR: " + openText(damaged));
  // Cut in the middle: no cross-reference table, no trailer to rebuild from.
  const std::string good = MakePdf({TestPage{}});
  const std::string cut = Input("cut.pdf", good.substr(0, good.size() / 2));
  ExpectRefused(cut, true, openText(cut), "ERROR: " + openText(cut));
  const std::string missing = in_ + "/missing.pdf";
  ExpectRefused(missing, true, openText(missing), "ERROR: " + openText(missing));
  EXPECT_FALSE(Exists(missing));

  // Encrypted, with a password and without one (restrictions only): the rewrite
  // would drop what the author asked for.
  const std::string plain = Input("plain.pdf", MakePdf({TestPage{}}));
  for (const std::string& user : {std::string("secret"), std::string()}) {
    const std::string locked = in_ + "/locked" + std::to_string(user.size()) + ".pdf";
    std::string out;
    ASSERT_EQ(test::RunProgram(
                  "/usr/bin/qpdf",
                  {"--encrypt", user, "owner", "256", "--print=none", "--", plain, locked}, &out),
              0)
        << out;
    ExpectRefused(locked, true, openText(locked), "ERROR: " + openText(locked));
  }
}

TEST_F(PdfFit, OnlyDocumentsOfOnePageAreRewritten) {
  const std::string two = Input("two.pdf", MakePdf({TestPage{}, TestPage{}}));
  const std::string text = "Only single page document can be trimmed '" + two + "'";
  ExpectRefused(two, true, text, "ERROR: " + text);
  ExpectRefused(two, false, text, "ERROR: " + text);

  // The pages the tree holds count, not the number it declares.
  std::string understated = MakePdf({TestPage{}, TestPage{}});
  const size_t at = understated.find("/Count 2");
  understated.replace(at, 8, "/Count 1");
  const std::string hidden = Input("hidden.pdf", understated);
  const std::string hiddenText = "Only single page document can be trimmed '" + hidden + "'";
  ExpectRefused(hidden, true, hiddenText, "ERROR: " + hiddenText);
  std::string overstated = MakePdf({TestPage{}});
  overstated.replace(overstated.find("/Count 1"), 8, "/Count 3");
  const std::string one = Input("one.pdf", overstated);
  ASSERT_EQ(Scale(one, 297, 420), 1) << error_;
  EXPECT_EQ(QpdfCheckProblems(one), "");
  EXPECT_EQ(PdfInfo(one, "Pages"), "1");

  // No page at all.
  test::PdfBuilder b;
  const int tree = b.Add("<< /Type /Pages /Kids [] /Count 0 >>");
  const int catalog = b.Add("<< /Type /Catalog /Pages " + std::to_string(tree) + " 0 R >>");
  const std::string none = Input("none.pdf", b.Build("1.4", catalog));
  const std::string noneText = "Couldn't not get PDF page count from PDF file '" + none + "'";
  ExpectRefused(none, true, noneText, "ERROR: " + noneText);
  test::PdfBuilder nb;
  const int bare = nb.Add("<< /Type /Catalog >>");
  const std::string noTree = Input("notree.pdf", nb.Build("1.4", bare));
  const std::string noTreeText = "Couldn't not get PDF page count from PDF file '" + noTree + "'";
  ExpectRefused(noTree, false, noTreeText, "ERROR: " + noTreeText);
}

TEST_F(PdfFit, APageThatCannotBeReadIsRefused) {
  auto pageText = [](const std::string& p) {
    return "Couldn't open page 1 of PDF file '" + p + "'";
  };
  // Contents that do not decode.
  test::PdfBuilder b;
  const int catalog = b.Reserve();
  const int tree = b.Reserve();
  const int contents = b.AddStream("/Filter /FlateDecode", "this is no deflate data at all");
  const int page =
      b.Add("<< /Type /Page /Parent " + std::to_string(tree) +
            " 0 R /MediaBox [0 0 400 200] /Contents " + std::to_string(contents) + " 0 R >>");
  b.Set(tree, "<< /Type /Pages /Kids [" + std::to_string(page) + " 0 R] /Count 1 >>");
  b.Set(catalog, "<< /Type /Catalog /Pages " + std::to_string(tree) + " 0 R >>");
  const std::string garbled = Input("garbled.pdf", b.Build("1.4", catalog));
  ExpectRefused(garbled, true, pageText(garbled), "ERROR: " + pageText(garbled));

  // No media box; one without area; a crop box beside the page.
  std::string noBox = MakePdf({TestPage{}});
  noBox.replace(noBox.find("/MediaBox [0 0 400 200]"), 23, std::string(23, ' '));
  const std::string boxless = Input("boxless.pdf", noBox);
  ExpectRefused(boxless, true, pageText(boxless), "ERROR: " + pageText(boxless));
  const std::string flat = Input("flat.pdf", MakePdf({TestPage{"0 0 400 0", "", 0, "0 0 0 rg"}}));
  ExpectRefused(flat, false, pageText(flat), "ERROR: " + pageText(flat));
  const std::string beside =
      Input("beside.pdf", MakePdf({TestPage{"0 0 400 200", "500 0 600 200"}}));
  ExpectRefused(beside, true, pageText(beside), "ERROR: " + pageText(beside));
}

TEST_F(PdfFit, ADamagedFileThatQpdfRepairsIsRewrittenAndTheRepairLogged) {
  // Every cross-reference offset off by seven bytes: the table is rebuilt.
  std::string shifted = MakePdf({TestPage{}});
  size_t at = shifted.find("xref\n");
  for (size_t p = shifted.find(" 00000 n", at); p != std::string::npos;
       p = shifted.find(" 00000 n", p + 1)) {
    const long offset = std::stol(shifted.substr(p - 10, 10)) + 7;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%010ld", offset);
    shifted.replace(p - 10, 10, digits);
  }
  const std::string path = Input("shifted.pdf", shifted);
  const Raster before = Rendered(path, 100);
  ASSERT_EQ(Scale(path, 400 * 25.4 / 72, 200 * 25.4 / 72), 1) << error_;
  EXPECT_EQ(QpdfCheckProblems(path), "");
  EXPECT_FALSE(Exists(TempOf(path)));
  ExpectSamePicture(before, Rendered(path, 100));
  EXPECT_NE(BalancerLog().find("] WARNING: PDF file '" + path +
                               "' was damaged and has been repaired (" + path),
            std::string::npos)
      << BalancerLog();

  // A stream whose length is wrong is read to its real end.
  std::string longer = MakePdf({TestPage{}});
  at = longer.find("/Length ");
  longer.replace(at, longer.find(' ', at + 8) - at, "/Length 9999");
  const std::string lengthy = Input("lengthy.pdf", longer);
  const Raster lengthyBefore = Rendered(lengthy, 100);
  ASSERT_EQ(Scale(lengthy, 400 * 25.4 / 72, 200 * 25.4 / 72), 1) << error_;
  EXPECT_EQ(QpdfCheckProblems(lengthy), "");
  ExpectSamePicture(lengthyBefore, Rendered(lengthy, 100));
}

TEST_F(PdfFit, AFailedMoveLeavesTheInputAndTheRewrittenFileInTheProgramFolder) {
  const std::string path = Input("held.pdf", MakePdf({TestPage{}}));
  const std::string original = ReadFile(path);
  {
    // Another program holds the input open: it cannot be replaced, twice.
    test::HoldOpen holder(path, O_RDONLY);
    ASSERT_TRUE(holder.ok());
    EXPECT_EQ(Scale(path, 297, 420), 0);
  }
  EXPECT_EQ(error_,
            "Error moving temp file from " + PdfFitTemporaryPath(prog_, path) + " to " + path);
  EXPECT_EQ(ReadFile(path), original);
  // The rewritten file waits in the program folder; the failed move is not logged.
  const std::string temp = TempOf(path);
  ASSERT_TRUE(Exists(temp));
  EXPECT_EQ(QpdfCheckProblems(temp), "");
  EXPECT_EQ(PdfInfo(temp, "Page size"), "841.89 x 1190.55 pts (A3)");
  EXPECT_EQ(BalancerLog(), "");
  EXPECT_EQ(pacer_.RequestedMilliseconds(), 1000u);

  // The next attempt replaces the leftover and succeeds.
  ASSERT_EQ(Trim(path, 297, 420), 1) << error_;
  ExpectGoodOutput(path);
  EXPECT_EQ(PdfInfo(path, "Author"), "Sundle");
}

TEST_F(PdfFit, TheTemporaryFileIsNeverTheInput) {
  // Input folder and program folder the same: the rewrite must not overwrite the
  // input before it is read, nor delete it as a leftover.
  const std::string path = prog_ + "/ABC-310105-12.pdf";
  WriteFile(path, MakePdf({TestPage{}}));
  EXPECT_NE(TempOf(path), path);
  ASSERT_EQ(Scale(path, 297, 420), 1) << error_;
  ExpectGoodOutput(path);
  EXPECT_EQ(PdfInfo(path, "Page size"), "841.89 x 1190.55 pts (A3)");
  // Not even when the input bears the temporary file's own name.
  const std::string named = prog_ + "/.fit-x.pdf";
  WriteFile(named, MakePdf({TestPage{}}));
  ASSERT_EQ(Scale(named, 297, 420), 1) << error_;
  ExpectGoodOutput(named);
  // Windows path texts work as every other path of the system does.
  EXPECT_EQ(PdfFitTemporaryPath("C:\\Vellora", "\\\\srv\\in\\A.pdf"), "C:\\Vellora\\.fit-A.pdf");
}

TEST_F(PdfFit, TheProgramFolderMayLieOnAnotherFileSystem) {
  if (!Exists("/dev/shm")) GTEST_SKIP() << "no /dev/shm: no second file system at hand";
  test::TempDir shm("/dev/shm");
  core::LogWriters logs;
  logs.Configure(shm.path(), true, true);
  const PdfFitEnvironment elsewhere{shm.path(), logs, pacer_};
  const std::string path = Input("far.pdf", MakePdf({TestPage{}}));
  ASSERT_EQ(ScalePdfFile(path, 297, 420, error_, elsewhere), 1) << error_;
  EXPECT_EQ(QpdfCheckProblems(path), "");
  EXPECT_EQ(PdfInfo(path, "Page size"), "841.89 x 1190.55 pts (A3)");
  EXPECT_FALSE(Exists(shm / ".fit-far.pdf"));
}

TEST_F(PdfFit, FailuresOfItsOwn) {
  const std::string path = Input("page.pdf", MakePdf({TestPage{}}));
  const std::string original = ReadFile(path);
  // No size to fit to.
  EXPECT_EQ(Scale(path, 0, 420), 0);
  EXPECT_EQ(error_,
            "PDFlib exception occurred: [1] ScalePdfFile: the target size 0 x 420 mm is "
            "no page size");
  EXPECT_NE(BalancerLog().find("] ERROR PDFlib exception occurred: [1] ScalePdfFile: "),
            std::string::npos);
  EXPECT_EQ(Trim(path, 297, -1), 0);
  EXPECT_EQ(ReadFile(path), original);

  // A program folder that is gone: the temporary file cannot be created.
  core::LogWriters logs;
  logs.Configure(prog_, true, true);
  const PdfFitEnvironment gone{root_ / "gone", logs, pacer_};
  EXPECT_EQ(ScalePdfFile(path, 297, 420, error_, gone), 0);
  EXPECT_EQ(error_, "Couldn't create PDF output file '" + root_ / "gone" + "\\.fit-page.pdf'");
  EXPECT_EQ(ReadFile(path), original);
}

TEST_F(PdfFit, TheScannersPortCallsTheRewriting) {
  PdfFitRewriter port(env_);
  PdfRewriter& rewriter = port;
  const std::string one = Input("one.pdf", MakePdf({TestPage{}}));
  std::string error;
  EXPECT_TRUE(rewriter.Scale(one, 297, 420, error)) << error;
  EXPECT_EQ(PdfInfo(one, "Author"), "Vellora");
  EXPECT_TRUE(rewriter.Trim(one, 210, 297, error)) << error;
  EXPECT_EQ(PdfInfo(one, "Author"), "Sundle");
  EXPECT_EQ(PdfInfo(one, "Page size"), "595.276 x 841.89 pts (A4)");
  const std::string two = Input("two.pdf", MakePdf({TestPage{}, TestPage{}}));
  EXPECT_FALSE(rewriter.Trim(two, 297, 420, error));
  EXPECT_EQ(error, "Only single page document can be trimmed '" + two + "'");
}

}  // namespace
}  // namespace vellora::intake
