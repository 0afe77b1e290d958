// The window's own controls, drawn offscreen and read back pixel by pixel: the
// progress bar with its caption, the lamps, the run switch and the pictures at two
// pixel ratios; the input folders list's icons, clicks and drops.
#include <QApplication>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include "ui/folder_list.h"
#include "ui/picture_widgets.h"
#include "ui/pictures.h"
#include "ui/text_progress_bar.h"

namespace vellora::ui {
namespace {

QImage Grab(QWidget& w) {
  return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(TextProgressBar, FillsTheReachedShareAndDrawsItsCaptionInBothColours) {
  TextProgressBar bar;
  bar.resize(200, 22);
  QPalette pal = bar.palette();
  pal.setColor(QPalette::Base, QColor(255, 255, 255));
  pal.setColor(QPalette::Highlight, QColor(0, 0, 200));
  pal.setColor(QPalette::Window, QColor(10, 200, 10));  // the parent's ground
  bar.setPalette(pal);
  bar.setAutoFillBackground(true);
  const QColor base(255, 255, 255), highlight(0, 0, 200);

  // Defaults: 0 to 100, at 0, the percentage as text.
  EXPECT_EQ(bar.Lower(), 0);
  EXPECT_EQ(bar.Upper(), 100);
  EXPECT_EQ(bar.ShownText(), "0%");

  bar.SetRange(0, 4);
  bar.SetPosition(1);
  EXPECT_EQ(bar.ShownText(), "25%");
  QImage img = Grab(bar);
  // A quarter of the inside is highlight, the rest window colour.
  EXPECT_EQ(img.pixelColor(20, 3), highlight);
  EXPECT_EQ(img.pixelColor(120, 3), base);
  EXPECT_EQ(img.pixelColor(180, 18), base);

  // The caption replaces the percentage; centred, it is drawn in highlight over the
  // window-coloured part...
  bar.SetCaption("Queued: 7");
  EXPECT_EQ(bar.ShownText(), "Queued: 7");
  img = Grab(bar);
  // (Letters are smoothed at their edges: a pixel counts by the colour it leans to.)
  auto bluish = [](QColor c) { return c.blue() - c.red() > 80; };
  auto whitish = [](QColor c) { return c.red() > 150 && c.green() > 150; };
  auto count = [&](int x0, int x1, auto test) {
    int n = 0;
    for (int x = x0; x < x1; ++x) {
      for (int y = 2; y < img.height() - 2; ++y) n += test(img.pixelColor(x, y)) ? 1 : 0;
    }
    return n;
  };
  EXPECT_GT(count(60, 140, bluish), 20) << "caption in the highlight colour over the empty part";

  // ...and in the window colour over the filled part.
  bar.SetPosition(4);
  img = Grab(bar);
  EXPECT_GT(count(60, 140, whitish), 20) << "caption in the window colour over the filled part";
  EXPECT_EQ(img.pixelColor(20, 3), highlight);
  EXPECT_EQ(img.pixelColor(180, 18), highlight);

  // A position past the upper bound fills the bar, no more; the caption keeps the
  // true number.
  bar.SetPosition(9);
  EXPECT_DOUBLE_EQ(bar.Fraction(), 1.0);
  bar.SetPosition(-3);
  EXPECT_DOUBLE_EQ(bar.Fraction(), 0.0);

  // With lower not below upper nothing is drawn: the parent's ground shows.
  bar.SetRange(5, 5);
  EXPECT_EQ(bar.ShownText(), "");
  img = Grab(bar);
  EXPECT_EQ(img.pixelColor(20, 3), QColor(10, 200, 10));
  EXPECT_EQ(img.pixelColor(180, 18), QColor(10, 200, 10));

  bar.SetRange(0, 100);
  bar.SetPosition(50);
  bar.SetCaption("");
  EXPECT_EQ(bar.ShownText(), "50%");
  bar.SetShowText(false);
  EXPECT_EQ(bar.ShownText(), "");
}

TEST(Pictures, EveryPictureIsOursAndSharpAtTwiceThePixelRatio) {
  Pictures pictures;
  ASSERT_TRUE(pictures.AllValid()) << "every SVG is compiled in and parses";
  for (int i = 0; i < static_cast<int>(Picture::Count); ++i) {
    const auto picture = static_cast<Picture>(i);
    const QSize size = NaturalSize(picture);
    QPixmap one = pictures.Pixmap(picture, size, 1.0);
    QPixmap two = pictures.Pixmap(picture, size, 2.0);
    EXPECT_EQ(one.size(), size);
    EXPECT_EQ(two.size(), size * 2) << "rendered with twice the pixels, not scaled up";
    EXPECT_EQ(two.deviceIndependentSize().toSize(), size);
    // Not blank: the middle of every picture is drawn.
    QImage img = two.toImage();
    EXPECT_GT(img.pixelColor(img.width() / 2, img.height() / 2).alpha(), 0) << i;
  }
  EXPECT_EQ(NaturalSize(Picture::LampRed), QSize(16, 16));
  EXPECT_EQ(NaturalSize(Picture::FaceFailed), QSize(16, 16));
  EXPECT_EQ(NaturalSize(Picture::SwitchOff), QSize(66, 22));
  EXPECT_EQ(NaturalSize(Picture::FolderDisabledHot), QSize(48, 48));

  // The lamps differ in colour where it matters: the middle.
  auto middle = [&](core::Lamp lamp) {
    QImage img = pictures.Pixmap(LampPicture(lamp), {16, 16}, 1.0).toImage();
    return img.pixelColor(8, 9);
  };
  EXPECT_GT(middle(core::Lamp::Green).green(), middle(core::Lamp::Green).red());
  EXPECT_GT(middle(core::Lamp::Red).red(), middle(core::Lamp::Red).green());
  EXPECT_GT(middle(core::Lamp::Yellow).green(), middle(core::Lamp::Yellow).blue() + 100);
  EXPECT_LT(middle(core::Lamp::Dark).lightness(), middle(core::Lamp::Grey).lightness());
  // The switch: red track when off, green when on, the slider on opposite sides.
  QImage off = pictures.Pixmap(Picture::SwitchOff, {66, 22}, 1.0).toImage();
  QImage on = pictures.Pixmap(Picture::SwitchOn, {66, 22}, 1.0).toImage();
  EXPECT_GT(off.pixelColor(58, 16).red(), off.pixelColor(58, 16).green() + 80);
  EXPECT_GT(on.pixelColor(8, 16).green(), on.pixelColor(8, 16).red() + 60);
  EXPECT_GT(off.pixelColor(8, 11).lightness(), 180) << "slider on the left when off";
  EXPECT_GT(on.pixelColor(40, 11).lightness(), 180) << "slider on the right when on";
  EXPECT_LT(off.pixelColor(40, 11).lightness(), 150) << "track where the slider is not";
}

TEST(RunSwitch, ShowsTheReportedStateAndOnlyAsksWhenClicked) {
  Pictures pictures;
  RunSwitch sw(pictures);
  EXPECT_EQ(sw.size(), QSize(66, 22));
  QSignalSpy clicked(&sw, &QAbstractButton::clicked);
  sw.show();
  QTest::mouseClick(&sw, Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_FALSE(sw.On()) << "the picture follows the engine, not the click";
  sw.SetOn(true);
  EXPECT_TRUE(sw.On());
  sw.setEnabled(false);
  QTest::mouseClick(&sw, Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 1) << "a disabled switch asks nothing";
}

QMimeData* Files(const QStringList& paths) {
  auto* mime = new QMimeData;
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  mime->setUrls(urls);
  return mime;
}

// Drags the files over the point and drops them; whether the drop was taken.
bool DropAt(QWidget* viewport, QPoint at, const QStringList& paths) {
  std::unique_ptr<QMimeData> mime(Files(paths));
  QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &enter);
  QDragMoveEvent move(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &move);
  if (!move.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &drop);
  return drop.isAccepted();
}

TEST(CFolderListCtrl, OneIconPerSpoolerClicksAndDropsOnlyOnEnabledIcons) {
  Pictures pictures;
  CFolderListCtrl list(pictures);
  list.resize(130, 400);
  list.show();
  list.Fill({{"News", true}, {"Ads", false}, {"Sport", true}});
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.item(1)->text(), "Ads");
  EXPECT_TRUE(list.SpoolerEnabled(0));
  EXPECT_FALSE(list.SpoolerEnabled(1));
  EXPECT_FALSE(list.SpoolerEnabled(7));
  list.SetIcon(2, core::SpoolerIcon::Scanning);
  EXPECT_EQ(list.Icon(2), core::SpoolerIcon::Scanning);
  EXPECT_TRUE(list.SpoolerEnabled(2));
  list.SetIcon(0, core::SpoolerIcon::Disabled);
  EXPECT_FALSE(list.SpoolerEnabled(0));
  list.SetIcon(0, core::SpoolerIcon::Idle);
  list.SetIcon(9, core::SpoolerIcon::Idle);  // no such item: nothing happens

  QSignalSpy clicked(&list, &CFolderListCtrl::spoolerClicked);
  QSignalSpy dropped(&list, &CFolderListCtrl::filesDropped);
  const QPoint ads = list.visualItemRect(list.item(1)).center();
  const QPoint sport = list.visualItemRect(list.item(2)).center();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, ads);
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked[0][0].toInt(), 1) << "a click on a disabled icon asks to switch it on";
  QTest::mouseClick(list.viewport(), Qt::RightButton, {}, sport);
  EXPECT_EQ(clicked.count(), 1) << "only the left button";
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(60, 390));
  EXPECT_EQ(clicked.count(), 1) << "beside the icons";

  EXPECT_TRUE(DropAt(list.viewport(), sport, {"/tmp/a.ps", "/tmp/b b.pdf"}));
  ASSERT_EQ(dropped.count(), 1);
  EXPECT_EQ(dropped[0][0].toInt(), 2);
  EXPECT_EQ(dropped[0][1].toStringList(), (QStringList{"/tmp/a.ps", "/tmp/b b.pdf"}));
  EXPECT_FALSE(DropAt(list.viewport(), ads, {"/tmp/a.ps"})) << "disabled spooler";
  EXPECT_FALSE(DropAt(list.viewport(), QPoint(60, 390), {"/tmp/a.ps"})) << "outside any icon";
  EXPECT_EQ(dropped.count(), 1);

  // Nothing but local files is taken.
  auto* text = new QMimeData;
  text->setText("hello");
  QDragEnterEvent enter(sport, Qt::CopyAction, text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list.viewport(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  delete text;

  list.Fill({{"Only", true}});
  EXPECT_EQ(list.count(), 1) << "rebuilt, not appended";
}

TEST(CFolderListCtrl, TheIconUnderTheMouseIsDrawnHighlighted) {
  Pictures pictures;
  CFolderListCtrl list(pictures);
  list.resize(130, 300);
  list.Fill({{"News", true}, {"Ads", false}});
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  const QRect news = list.visualItemRect(list.item(0));
  const QRect ads = list.visualItemRect(list.item(1));
  QTest::mouseMove(list.viewport(), QPoint(5, 290));
  QApplication::processEvents();
  const QImage plain = list.viewport()->grab().toImage();
  QTest::mouseMove(list.viewport(), news.center());
  QApplication::processEvents();
  const QImage hot = list.viewport()->grab().toImage();
  // The highlighted variant has its own light ground around the folder.
  const QPoint corner = news.topLeft() + QPoint(news.width() / 2 - 22, 5);
  EXPECT_NE(plain.pixelColor(corner), hot.pixelColor(corner));
  EXPECT_EQ(plain.copy(ads), hot.copy(ads)) << "only the item under the mouse changes";
}

}  // namespace
}  // namespace vellora::ui
