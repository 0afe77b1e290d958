// TextProgressBar: a progress bar that draws a caption. It fills the share of its
// width that the position has reached between the lower and upper bound in the
// highlight colour, the rest in the window colour, and draws its caption (or, with an
// empty caption, the percentage) centred over both: in the window colour over the
// filled part and in the highlight colour over the rest, so it reads on either side.
// While the lower bound is not below the upper it draws nothing.
#pragma once

#include <QString>
#include <QWidget>

namespace vellora::ui {

class TextProgressBar : public QWidget {
 public:
  explicit TextProgressBar(QWidget* parent = nullptr);

  void SetRange(int lower, int upper);
  void SetPosition(int position);
  // Redraws only when the caption differs from the current one.
  void SetCaption(const QString& caption);
  void SetShowText(bool show);

  int Lower() const { return lower_; }
  int Upper() const { return upper_; }
  int Position() const { return position_; }
  const QString& Caption() const { return caption_; }
  // The text drawn now: the caption, or the percentage with an empty caption; empty
  // when the text is switched off or nothing is drawn.
  QString ShownText() const;
  // The filled share, 0 to 1 (a position beyond the bounds fills all or nothing).
  double Fraction() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int lower_ = 0;
  int upper_ = 100;
  int position_ = 0;
  QString caption_;
  bool showText_ = true;
};

}  // namespace vellora::ui
