// Lamps and run switches.
#include "ui/picture_widgets.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace vellora::ui {

LampWidget::LampWidget(const Pictures& pictures, core::Lamp lamp, QWidget* parent)
    : QWidget(parent), pictures_(pictures), lamp_(lamp) {
  setFixedSize(NaturalSize(Picture::LampGrey));
}

void LampWidget::SetLamp(core::Lamp lamp) {
  if (lamp == lamp_) return;
  lamp_ = lamp;
  update();
}

void LampWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  pictures_.Paint(p, rect(), LampPicture(lamp_));
}

RunSwitch::RunSwitch(const Pictures& pictures, QWidget* parent)
    : QAbstractButton(parent), pictures_(pictures) {
  setFixedSize(NaturalSize(Picture::SwitchOn));
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
}

void RunSwitch::SetOn(bool on) {
  if (on == on_) return;
  on_ = on;
  update();
}

void RunSwitch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  pictures_.Paint(p, rect(), on_ ? Picture::SwitchOn : Picture::SwitchOff, isEnabled());
  if (hasFocus()) {
    QStyleOptionFocusRect o;
    o.initFrom(this);
    o.rect = rect().adjusted(2, 2, -2, -2);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
  }
}

}  // namespace vellora::ui
