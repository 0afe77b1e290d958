// Texts between the engine and the widgets.
#include "ui/text.h"

#include <QFile>
#include <QStringDecoder>

namespace vellora::ui {

QString ToQt(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString out = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!utf8.hasError()) return out;
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromLocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

std::string FromQt(const QString& text) {
  return text.toStdString();
}

std::string EditedText(const QString& now, const std::string& before) {
  return now == ToQt(before) ? before : FromQt(now);
}

}  // namespace vellora::ui
