// The About box: the program's picture, "Vellora 1.3.3" and "Close".
#pragma once

#include <QDialog>

namespace vellora::ui {

class Pictures;

class AboutBox : public QDialog {
 public:
  AboutBox(const Pictures& pictures, QWidget* parent = nullptr);
};

}  // namespace vellora::ui
