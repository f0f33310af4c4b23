#include "gui/views/display_text.h"

#include <QStringDecoder>

namespace sorvi {

DisplayText to_display_text(const std::string& bytes) {
  DisplayText d;
  QStringDecoder decoder(QStringDecoder::Utf8);
  d.text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (decoder.hasError()) {
    d.utf8 = false;
    d.text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  return d;
}

std::string to_bytes(const QString& text, bool utf8) {
  const QByteArray b = utf8 ? text.toUtf8() : text.toLatin1();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

}  // namespace sorvi
