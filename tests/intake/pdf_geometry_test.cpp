// The arithmetic of the fit: points, numbers as written into the page, boxes,
// rotation and the placement matrix.
#include "intake/pdf_geometry.h"

#include <gtest/gtest.h>

namespace vellora::intake {
namespace {

TEST(PdfGeometry, PointsAndNumbersAsWritten) {
  EXPECT_EQ(FormatThreeDecimals(297 * 72 / 25.4), "841.890");
  EXPECT_EQ(FormatThreeDecimals(420 * 72 / 25.4), "1190.551");
  EXPECT_DOUBLE_EQ(PointsFromMm(297), 841.890);
  EXPECT_DOUBLE_EQ(PointsFromMm(420), 1190.551);
  // PDF has no exponents: tiny scales and huge offsets stay plain numbers.
  EXPECT_EQ(FormatPdfNumber(0.0000123), "0.0000123");
  EXPECT_EQ(FormatPdfNumber(-2.5e9), "-2500000000");
  EXPECT_EQ(FormatPdfNumber(-0.0), "0");
  EXPECT_EQ(FormatPdfNumber(-1e-12), "0");
  EXPECT_EQ(FormatPdfNumber(70.866), "70.866");
}

TEST(PdfGeometry, BoxesAndRotation) {
  // Corners in any order; boxes without area are none.
  const auto box = MakeBox(400, 200, 0, 0);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->llx, 0);
  EXPECT_EQ(box->ury, 200);
  EXPECT_FALSE(MakeBox(0, 0, 0, 100));
  EXPECT_FALSE(MakeBox(0, 0, 1.0 / 0.0, 100));

  // The crop box is cut to the media; beside it nothing is left.
  const PdfBox media{0, 0, 400, 200};
  const auto cut = VisibleBox(media, PdfBox{-50, 50, 300, 500});
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->llx, 0);
  EXPECT_EQ(cut->lly, 50);
  EXPECT_EQ(cut->urx, 300);
  EXPECT_EQ(cut->ury, 200);
  EXPECT_FALSE(VisibleBox(media, PdfBox{500, 0, 600, 200}));
  EXPECT_EQ(VisibleBox(media, std::nullopt)->urx, 400);

  EXPECT_EQ(NormalizedRotation(-90), 270);
  EXPECT_EQ(NormalizedRotation(450), 90);
  EXPECT_EQ(NormalizedRotation(-720), 0);
  EXPECT_EQ(NormalizedRotation(45), 0);

  // Turned clockwise: the right edge points down, a landscape page stands upright.
  const PdfBox seen = Transform(ViewMatrix(90, 1), media);
  EXPECT_DOUBLE_EQ(seen.Width(), 200);
  EXPECT_DOUBLE_EQ(seen.Height(), 400);
  const PdfMatrix r = ViewMatrix(90, 1);
  EXPECT_DOUBLE_EQ(r.a * 1 + r.c * 0, 0);
  EXPECT_DOUBLE_EQ(r.b * 1 + r.d * 0, -1);
  // A user unit of 2 doubles the page; a broken one counts as 1.
  EXPECT_DOUBLE_EQ(Transform(ViewMatrix(0, 2), media).Width(), 800);
  EXPECT_DOUBLE_EQ(Transform(ViewMatrix(0, -3), media).Width(), 400);
}

// Where a point of the page lands on the new page.
void Apply(const PdfMatrix& m, double x, double y, double& ox, double& oy) {
  ox = m.a * x + m.c * y + m.e;
  oy = m.b * x + m.d * y + m.f;
}

TEST(PdfGeometry, MeetScalesToFitAndCentres) {
  const PdfBox page{100, 50, 500, 250};  // 400 x 200, away from the origin
  const PdfMatrix view = ViewMatrix(0, 1);
  const PdfMatrix m = Multiply(view, FitPlacement(page, view, 300, 300, FitMethod::Meet));
  double x = 0, y = 0;
  Apply(m, 100, 50, x, y);  // lower-left corner
  EXPECT_NEAR(x, 0, 1e-9);
  EXPECT_NEAR(y, 75, 1e-9);
  Apply(m, 500, 250, x, y);  // upper-right corner
  EXPECT_NEAR(x, 300, 1e-9);
  EXPECT_NEAR(y, 225, 1e-9);

  // Smaller pages grow until they touch the box.
  const PdfMatrix up = FitPlacement(PdfBox{0, 0, 10, 20}, view, 300, 300, FitMethod::Meet);
  EXPECT_DOUBLE_EQ(up.a, 15);
  EXPECT_DOUBLE_EQ(up.e, 75);

  // A page turned clockwise: the content's lower-right corner is seen at the lower
  // left, its upper-left corner at the upper right.
  const PdfMatrix turned = ViewMatrix(90, 1);
  const PdfMatrix t = Multiply(turned, FitPlacement(page, turned, 300, 600, FitMethod::Meet));
  Apply(t, 500, 50, x, y);
  EXPECT_NEAR(x, 0, 1e-9);
  EXPECT_NEAR(y, 0, 1e-9);
  Apply(t, 100, 250, x, y);
  EXPECT_NEAR(x, 300, 1e-9);
  EXPECT_NEAR(y, 600, 1e-9);
}

TEST(PdfGeometry, ClipKeepsTheSizeAndCentres) {
  const PdfBox page{0, 0, 400, 200};
  const PdfMatrix view = ViewMatrix(0, 1);
  const PdfMatrix m = FitPlacement(page, view, 300, 300, FitMethod::Clip);
  EXPECT_DOUBLE_EQ(m.a, 1);
  EXPECT_DOUBLE_EQ(m.d, 1);
  double x = 0, y = 0;
  Apply(m, 200, 100, x, y);  // the middle on the middle
  EXPECT_NEAR(x, 150, 1e-9);
  EXPECT_NEAR(y, 150, 1e-9);
  Apply(m, 0, 0, x, y);  // reaches 50 beyond the left edge
  EXPECT_NEAR(x, -50, 1e-9);
  EXPECT_NEAR(y, 50, 1e-9);
  // A user unit counts: a page of 400 units of 2 points is 800 points wide.
  const PdfMatrix big = ViewMatrix(0, 2);
  const PdfMatrix b = Multiply(big, FitPlacement(page, big, 300, 300, FitMethod::Clip));
  Apply(b, 0, 0, x, y);
  EXPECT_NEAR(x, -250, 1e-9);
}

}  // namespace
}  // namespace vellora::intake
