// The small picture controls of the window: a lamp (a 16 x 16 picture that shows one
// of the lamp colours) and the run switch of a RIP panel (a 66 x 22 picture button,
// slider left on red when off, right on green when on). Both draw their pictures as
// vectors, so they are sharp at any pixel ratio.
#pragma once

#include <QAbstractButton>
#include <QWidget>

#include "core/display.h"
#include "ui/pictures.h"

namespace vellora::ui {

class LampWidget : public QWidget {
 public:
  LampWidget(const Pictures& pictures, core::Lamp lamp, QWidget* parent = nullptr);
  void SetLamp(core::Lamp lamp);
  core::Lamp Lamp() const { return lamp_; }
  QSize sizeHint() const override { return NaturalSize(Picture::LampGrey); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const Pictures& pictures_;
  core::Lamp lamp_;
};

// Shows the state the engine reports; a click only asks for the toggle (the clicked
// signal), and the picture follows when the engine says the state changed.
class RunSwitch : public QAbstractButton {
 public:
  RunSwitch(const Pictures& pictures, QWidget* parent = nullptr);
  void SetOn(bool on);
  bool On() const { return on_; }
  QSize sizeHint() const override { return NaturalSize(Picture::SwitchOn); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const Pictures& pictures_;
  bool on_ = false;
};

}  // namespace vellora::ui
