// screengrab: a PNG of what an X display shows, cut to the windows on it (the empty
// root around them is left out). For the README's picture of the window, taken on a
// virtual display by scripts/demo-screenshot.
#include <algorithm>
#include <cstdio>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: screengrab OUT.png\n", stderr);
    return 2;
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    std::fputs("screengrab: no screen\n", stderr);
    return 1;
  }
  const QImage shot = screen->grabWindow(0).toImage();
  // The root's colour is what the corner shows; the windows are everything else.
  const QRgb root = shot.pixel(shot.width() - 1, shot.height() - 1);
  int left = shot.width(), top = shot.height(), right = -1, bottom = -1;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      if (shot.pixel(x, y) == root) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  const QImage out = right < 0 ? shot : shot.copy(QRect(QPoint(left, top), QPoint(right, bottom)));
  if (!out.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "screengrab: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
