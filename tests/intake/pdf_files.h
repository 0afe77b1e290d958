// PDFs written by hand for the scale and trim tests, and what poppler and qpdf say
// about the files the rewriting makes: pages rendered to pixels, pdfinfo's fields,
// qpdf's check.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vellora::test {

// Objects numbered from 1 in the order they are added; Build writes the header, the
// objects, a correct cross-reference table and the trailer.
class PdfBuilder {
 public:
  // body: what stands between "N 0 obj" and "endobj".
  int Add(const std::string& body);
  // A stream with the given dictionary entries; /Length is added.
  int AddStream(const std::string& dictEntries, const std::string& data);
  // A number to fill in later with Set (for objects that refer to each other).
  int Reserve();
  void Set(int number, const std::string& body);
  std::string Build(const std::string& version, int root,
                    const std::string& trailerExtra = "") const;

 private:
  std::vector<std::string> bodies_;
};

struct TestPage {
  explicit TestPage(std::string media = "0 0 400 200", std::string crop = "", int turn = 0,
                    std::string stream = "")
      : mediaBox(std::move(media)),
        cropBox(std::move(crop)),
        rotate(turn),
        contents(std::move(stream)) {}
  std::string mediaBox;
  std::string cropBox;   // none when empty
  int rotate = 0;        // written when not 0
  std::string contents;  // empty: the marks over the media box
  std::string extra;     // more entries of the page dictionary
};

// The picture every test page shows: the page filled yellow, a red square at its
// lower-left corner, a green one at its upper-right corner and a blue one in its
// middle, each a tenth of the page's width wide and a fifth of its height high.
std::string MarksContent(double llx, double lly, double width, double height);

// A document with these pages, each with its own contents stream.
std::string MakePdf(const std::vector<TestPage>& pages, const std::string& version = "1.4",
                    const std::string& catalogExtra = "");

// A page rendered by pdftoppm.
struct Raster {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  // 'W' white, 'Y' yellow, 'R' red, 'G' green, 'B' blue, '?' anything between (an
  // anti-aliased edge). fx from the left edge, fy from the top edge, both 0 to 1.
  char At(double fx, double fy) const;
  char Pixel(int x, int y) const;
  // How many pixels have the colour.
  int Count(char colour) const;
};
// False when pdftoppm fails; why goes to *why.
bool Render(const std::string& pdfPath, int dpi, Raster& out, std::string* why = nullptr);

// pdfinfo's value of a field ("Creator", "Page size", "PDF version", ...), trimmed;
// "(pdfinfo failed)" when it fails.
std::string PdfInfo(const std::string& pdfPath, const std::string& field);
// qpdf --check: empty when the file passes without errors or warnings, else its output.
std::string QpdfCheckProblems(const std::string& pdfPath);

}  // namespace vellora::test
