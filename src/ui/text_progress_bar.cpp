// The progress bar with a caption.
#include "ui/text_progress_bar.h"

#include <algorithm>

#include <QPainter>

namespace vellora::ui {

TextProgressBar::TextProgressBar(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TextProgressBar::SetRange(int lower, int upper) {
  if (lower == lower_ && upper == upper_) return;
  lower_ = lower;
  upper_ = upper;
  update();
}

void TextProgressBar::SetPosition(int position) {
  if (position == position_) return;
  position_ = position;
  update();
}

void TextProgressBar::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void TextProgressBar::SetShowText(bool show) {
  if (show == showText_) return;
  showText_ = show;
  update();
}

double TextProgressBar::Fraction() const {
  if (lower_ >= upper_) return 0.0;
  double f = (static_cast<double>(position_) - lower_) / (static_cast<double>(upper_) - lower_);
  return std::clamp(f, 0.0, 1.0);
}

QString TextProgressBar::ShownText() const {
  if (!showText_ || lower_ >= upper_) return {};
  if (!caption_.isEmpty()) return caption_;
  long long percent = (static_cast<long long>(position_) - lower_) * 100 /
                      (static_cast<long long>(upper_) - lower_);
  return QString::asprintf("%lld%%", percent);
}

QSize TextProgressBar::sizeHint() const {
  return {120, fontMetrics().height() + 6};
}

QSize TextProgressBar::minimumSizeHint() const {
  return {40, fontMetrics().height() + 6};
}

void TextProgressBar::paintEvent(QPaintEvent*) {
  if (lower_ >= upper_) return;
  QPainter p(this);
  const QPalette& pal = palette();
  // "The window colour" is the background of lists and fields, which Qt calls Base.
  const QColor window = pal.color(QPalette::Base);
  const QColor highlight = pal.color(QPalette::Highlight);

  const QRect frame = rect().adjusted(0, 0, -1, -1);
  const QRect inner = rect().adjusted(1, 1, -1, -1);
  const int filled = static_cast<int>(inner.width() * Fraction() + 0.5);
  const QRect done(inner.left(), inner.top(), filled, inner.height());
  const QRect rest(inner.left() + filled, inner.top(), inner.width() - filled, inner.height());
  p.fillRect(done, highlight);
  p.fillRect(rest, window);
  p.setPen(pal.color(QPalette::Mid));
  p.drawRect(frame);

  const QString text = ShownText();
  if (text.isEmpty()) return;
  p.setFont(font());
  p.save();
  p.setClipRect(done);
  p.setPen(window);
  p.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text);
  p.restore();
  p.setClipRect(rest);
  p.setPen(highlight);
  p.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text);
}

}  // namespace vellora::ui
