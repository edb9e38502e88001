#include "app/qt_text.h"

#include "text/code_page.h"

namespace nc {

QString toQString(const Text& text) {
  const std::string utf8 = textToUtf8(text);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text fromQString(const QString& string) {
  const QByteArray utf8 = string.toUtf8();
  return utf8ToText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString fromUtf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace nc
