// Fitting a page into the target box: numbers, boxes and matrices.
#include "intake/pdf_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vellora::intake {

double PointsFromMm(double mm) {
  // The size is written with three decimals; the fit uses the size as written, so
  // that the page is filled to the edge of the box the file declares.
  return std::strtod(FormatThreeDecimals(mm * 72.0 / 25.4).c_str(), nullptr);
}

std::string FormatThreeDecimals(double value) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.3f", value);
  return buf;
}

std::string FormatPdfNumber(double value) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.10f", value);
  std::string text = buf;
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") return std::string(1, '0');
  return text;
}

std::optional<PdfBox> MakeBox(double x1, double y1, double x2, double y2) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
    return std::nullopt;
  }
  PdfBox box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  if (!(box.Width() > 0) || !(box.Height() > 0)) return std::nullopt;
  return box;
}

std::optional<PdfBox> VisibleBox(const PdfBox& media, const std::optional<PdfBox>& crop) {
  if (!crop) return media;
  const PdfBox cut{std::max(media.llx, crop->llx), std::max(media.lly, crop->lly),
                   std::min(media.urx, crop->urx), std::min(media.ury, crop->ury)};
  // A crop box beside the media box leaves nothing to show.
  if (!(cut.Width() > 0) || !(cut.Height() > 0)) return std::nullopt;
  return cut;
}

int NormalizedRotation(long long rotate) {
  if (rotate % 90 != 0) return 0;
  long long r = rotate % 360;
  if (r < 0) r += 360;
  return static_cast<int>(r);
}

PdfMatrix ViewMatrix(int rotation, double userUnit) {
  const double s = std::isfinite(userUnit) && userUnit > 0 ? userUnit : 1.0;
  switch (rotation) {
    case 90:  // clockwise: what pointed right points down
      return {0, -s, s, 0, 0, 0};
    case 180:
      return {-s, 0, 0, -s, 0, 0};
    case 270:
      return {0, s, -s, 0, 0, 0};
    default:
      return {s, 0, 0, s, 0, 0};
  }
}

PdfMatrix Multiply(const PdfMatrix& m, const PdfMatrix& n) {
  return {m.a * n.a + m.b * n.c, m.a * n.b + m.b * n.d,       m.c * n.a + m.d * n.c,
          m.c * n.b + m.d * n.d, m.e * n.a + m.f * n.c + n.e, m.e * n.b + m.f * n.d + n.f};
}

PdfBox Transform(const PdfMatrix& m, const PdfBox& box) {
  const double xs[4] = {box.llx, box.urx, box.llx, box.urx};
  const double ys[4] = {box.lly, box.lly, box.ury, box.ury};
  PdfBox out{INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (int i = 0; i < 4; ++i) {
    const double x = m.a * xs[i] + m.c * ys[i] + m.e;
    const double y = m.b * xs[i] + m.d * ys[i] + m.f;
    out.llx = std::min(out.llx, x);
    out.lly = std::min(out.lly, y);
    out.urx = std::max(out.urx, x);
    out.ury = std::max(out.ury, y);
  }
  return out;
}

PdfMatrix FitPlacement(const PdfBox& visible, const PdfMatrix& view, double targetWidth,
                       double targetHeight, FitMethod method) {
  const PdfBox seen = Transform(view, visible);
  double k = 1.0;
  if (method == FitMethod::Meet) {
    k = std::min(targetWidth / seen.Width(), targetHeight / seen.Height());
  }
  // position {50 50}: the middle of the page on the middle of the box.
  return {k,
          0,
          0,
          k,
          (targetWidth - k * seen.Width()) / 2 - k * seen.llx,
          (targetHeight - k * seen.Height()) / 2 - k * seen.lly};
}

}  // namespace vellora::intake
