// The window's pictures, drawn by us as SVG (pictures/*.svg, compiled in as Qt
// resources) and rendered at whatever size and pixel ratio they are shown at, so that
// they stay sharp on high-DPI screens: the lamps, the result faces, the run switch,
// the input folder icons, the toolbar pictures, the small pictures of the dialogs'
// buttons and the program's own picture.
#pragma once

#include <array>
#include <memory>

#include <QIcon>
#include <QPixmap>
#include <QRectF>

#include "core/display.h"

class QPainter;
class QSvgRenderer;

namespace vellora::ui {

enum class Picture {
  LampGreen,
  LampRed,
  LampYellow,
  LampGrey,
  LampDark,
  FaceCompleted,
  FaceFailed,
  FaceWarning,
  SwitchOff,
  SwitchOn,
  FolderEnabled,
  FolderEnabledHot,
  FolderDisabled,
  FolderDisabledHot,
  StartAll,
  StopAll,
  Ok,
  Cancel,
  Browse,
  Program,
  Count
};

Picture LampPicture(core::Lamp lamp);
Picture FacePicture(core::JobResult result);
// The size the picture is drawn for (16 x 16 lamps and faces, 66 x 22 switch, 48 x 48
// folders, 24 x 24 toolbar, 16 x 16 dialog buttons, 64 x 64 program), in device-independent pixels.
QSize NaturalSize(Picture picture);

// The parsed pictures, shared by the widgets of one window.
class Pictures {
 public:
  Pictures();
  ~Pictures();
  Pictures(const Pictures&) = delete;
  Pictures& operator=(const Pictures&) = delete;

  // Draws the picture into the rectangle as vectors, at the painter's resolution;
  // a disabled picture is drawn faded.
  void Paint(QPainter& painter, const QRectF& rect, Picture picture, bool enabled = true) const;
  // A pixmap of logical size at the pixel ratio given.
  QPixmap Pixmap(Picture picture, QSize size, qreal pixelRatio, bool enabled = true) const;
  // An icon that renders the picture afresh for every size and pixel ratio asked of it.
  QIcon Icon(Picture picture) const;
  // Whether every picture was found and parsed (a build without the resources shows
  // empty pictures rather than failing).
  bool AllValid() const;

 private:
  std::array<std::shared_ptr<QSvgRenderer>, static_cast<size_t>(Picture::Count)> renderers_;
};

}  // namespace vellora::ui
