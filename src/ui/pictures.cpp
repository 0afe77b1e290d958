// Rendering the SVG pictures.
#include "ui/pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

namespace vellora::ui {
namespace {

const char* FileOf(Picture picture) {
  switch (picture) {
    case Picture::LampGreen:
      return ":/pictures/lamp_green.svg";
    case Picture::LampRed:
      return ":/pictures/lamp_red.svg";
    case Picture::LampYellow:
      return ":/pictures/lamp_yellow.svg";
    case Picture::LampGrey:
      return ":/pictures/lamp_grey.svg";
    case Picture::LampDark:
      return ":/pictures/lamp_dark.svg";
    case Picture::FaceCompleted:
      return ":/pictures/face_completed.svg";
    case Picture::FaceFailed:
      return ":/pictures/face_failed.svg";
    case Picture::FaceWarning:
      return ":/pictures/face_warning.svg";
    case Picture::SwitchOff:
      return ":/pictures/switch_off.svg";
    case Picture::SwitchOn:
      return ":/pictures/switch_on.svg";
    case Picture::FolderEnabled:
      return ":/pictures/folder_enabled.svg";
    case Picture::FolderEnabledHot:
      return ":/pictures/folder_enabled_hot.svg";
    case Picture::FolderDisabled:
      return ":/pictures/folder_disabled.svg";
    case Picture::FolderDisabledHot:
      return ":/pictures/folder_disabled_hot.svg";
    case Picture::StartAll:
      return ":/pictures/start_all.svg";
    case Picture::StopAll:
      return ":/pictures/stop_all.svg";
    case Picture::Ok:
      return ":/pictures/ok.svg";
    case Picture::Cancel:
      return ":/pictures/cancel.svg";
    case Picture::Browse:
      return ":/pictures/browse.svg";
    case Picture::Program:
    case Picture::Count:
      break;
  }
  return ":/pictures/vellora.svg";
}

// Faded, as a disabled control shows its picture.
constexpr qreal kDisabledOpacity = 0.4;

void Render(QSvgRenderer* renderer, QPainter& painter, const QRectF& rect, bool enabled) {
  if (renderer == nullptr || !renderer->isValid()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  if (!enabled) painter.setOpacity(painter.opacity() * kDisabledOpacity);
  renderer->render(&painter, rect);
  painter.restore();
}

// Renders the SVG afresh for every size asked of the icon, so that list and toolbar
// pictures are as sharp at 200 % as at 100 %.
class SvgIconEngine final : public QIconEngine {
 public:
  SvgIconEngine(std::shared_ptr<QSvgRenderer> renderer, QSize natural)
      : renderer_(std::move(renderer)), natural_(natural) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    Render(renderer_.get(), *painter, rect, mode != QIcon::Disabled);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    return natural_.scaled(size, Qt::KeepAspectRatio);
  }
  QIconEngine* clone() const override { return new SvgIconEngine(renderer_, natural_); }
  QString key() const override { return QStringLiteral("vellora-svg"); }

 private:
  std::shared_ptr<QSvgRenderer> renderer_;
  QSize natural_;
};

}  // namespace

Picture LampPicture(core::Lamp lamp) {
  switch (lamp) {
    case core::Lamp::Green:
      return Picture::LampGreen;
    case core::Lamp::Red:
      return Picture::LampRed;
    case core::Lamp::Yellow:
      return Picture::LampYellow;
    case core::Lamp::Grey:
      return Picture::LampGrey;
    case core::Lamp::Dark:
      return Picture::LampDark;
  }
  return Picture::LampGrey;
}

Picture FacePicture(core::JobResult result) {
  switch (result) {
    case core::JobResult::Completed:
      return Picture::FaceCompleted;
    case core::JobResult::Failed:
      return Picture::FaceFailed;
    case core::JobResult::Warning:
      return Picture::FaceWarning;
  }
  return Picture::FaceCompleted;
}

QSize NaturalSize(Picture picture) {
  switch (picture) {
    case Picture::SwitchOff:
    case Picture::SwitchOn:
      return {66, 22};
    case Picture::FolderEnabled:
    case Picture::FolderEnabledHot:
    case Picture::FolderDisabled:
    case Picture::FolderDisabledHot:
      return {48, 48};
    case Picture::StartAll:
    case Picture::StopAll:
      return {24, 24};
    case Picture::Program:
      return {64, 64};
    default:
      return {16, 16};
  }
}

Pictures::Pictures() {
  for (size_t i = 0; i < renderers_.size(); ++i) {
    renderers_[i] =
        std::make_shared<QSvgRenderer>(QString::fromLatin1(FileOf(static_cast<Picture>(i))));
  }
}

Pictures::~Pictures() = default;

void Pictures::Paint(QPainter& painter, const QRectF& rect, Picture picture, bool enabled) const {
  Render(renderers_[static_cast<size_t>(picture)].get(), painter, rect, enabled);
}

QPixmap Pictures::Pixmap(Picture picture, QSize size, qreal pixelRatio, bool enabled) const {
  QPixmap pm(size * pixelRatio);
  pm.setDevicePixelRatio(pixelRatio);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  Paint(p, QRectF(QPointF(0, 0), QSizeF(size)), picture, enabled);
  return pm;
}

QIcon Pictures::Icon(Picture picture) const {
  return QIcon(new SvgIconEngine(renderers_[static_cast<size_t>(picture)], NaturalSize(picture)));
}

bool Pictures::AllValid() const {
  for (const auto& r : renderers_) {
    if (!r->isValid()) return false;
  }
  return true;
}

}  // namespace vellora::ui
