// The arithmetic of fitting one PDF page into the planned page size: millimetres to
// points, the page's visible box, its rotation, and the matrix that places it scaled
// to fit ("fitmethod meet") or at its own size ("fitmethod clip"), centred in the
// target box. Pure functions, so the placement is tested without any PDF.
#pragma once

#include <optional>
#include <string>

namespace vellora::intake {

enum class FitMethod { Meet, Clip };

// A rectangle in PDF user space, normalised so that llx <= urx and lly <= ury.
struct PdfBox {
  double llx = 0, lly = 0, urx = 0, ury = 0;
  double Width() const { return urx - llx; }
  double Height() const { return ury - lly; }
};

// The PDF matrix [a b c d e f]: x' = a x + c y + e, y' = b x + d y + f.
struct PdfMatrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// mm x 72 / 25.4, rounded to the three decimals the page size is written with.
double PointsFromMm(double mm);
// "%.3f": how the target size is written into the new page.
std::string FormatThreeDecimals(double value);
// A PDF number: fixed notation (PDF has no exponents), up to ten decimals, no
// trailing zeros; -0 is written as 0.
std::string FormatPdfNumber(double value);

// A box from its four numbers in any corner order; empty when a number is not finite
// or the box has no area.
std::optional<PdfBox> MakeBox(double x1, double y1, double x2, double y2);
// The part of the page a viewer shows: the crop box cut to the media box (a crop box
// reaching outside the media shows nothing there). Empty when nothing is left.
std::optional<PdfBox> VisibleBox(const PdfBox& media, const std::optional<PdfBox>& crop);

// /Rotate as the viewer applies it: a multiple of 90, taken modulo 360 (so -90 is
// 270); any other value is ignored, as viewers ignore it.
int NormalizedRotation(long long rotate);

// What takes the page's content to the page as seen: its clockwise rotation and its
// user unit (the size of one unit in points, 1 when absent). No translation: the
// placement centres whatever comes out.
PdfMatrix ViewMatrix(int rotation, double userUnit);

PdfMatrix Multiply(const PdfMatrix& first, const PdfMatrix& then);
// The rectangle a box covers after the matrix.
PdfBox Transform(const PdfMatrix& m, const PdfBox& box);

// The matrix (applied after view) that centres the seen page in a targetWidth x
// targetHeight box at the origin: scaled with its proportions kept so that it just
// fits (Meet), or at its own size (Clip, the box then cuts what reaches beyond it).
PdfMatrix FitPlacement(const PdfBox& visible, const PdfMatrix& view, double targetWidth,
                       double targetHeight, FitMethod method);

}  // namespace vellora::intake
