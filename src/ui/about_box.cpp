// The About box.
#include "ui/about_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/pictures.h"

namespace vellora::ui {
namespace {

class ProgramPicture final : public QWidget {
 public:
  ProgramPicture(const Pictures& pictures, QWidget* parent) : QWidget(parent), pictures_(pictures) {
    setFixedSize(NaturalSize(Picture::Program));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    pictures_.Paint(p, rect(), Picture::Program);
  }

 private:
  const Pictures& pictures_;
};

}  // namespace

AboutBox::AboutBox(const Pictures& pictures, QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Vellora");
  setObjectName("AboutBox");
  auto* picture = new ProgramPicture(pictures, this);
  auto* text = new QLabel("Vellora 1.3.3", this);
  text->setObjectName("AboutText");
  QFont f = text->font();
  f.setPointSizeF(f.pointSizeF() * 1.3);
  f.setBold(true);
  text->setFont(f);
  auto* close = new QPushButton("Close", this);
  close->setObjectName("AboutClose");
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* top = new QHBoxLayout;
  top->setSpacing(18);
  top->addWidget(picture, 0, Qt::AlignTop);
  top->addWidget(text, 1, Qt::AlignVCenter);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(18, 18, 18, 14);
  box->setSpacing(16);
  box->addLayout(top);
  box->addLayout(buttons);
  setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

}  // namespace vellora::ui
