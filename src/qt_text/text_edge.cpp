#include "qt_text/text_edge.h"

#include "text/cp1252.h"

namespace pelvar {

QString QStringFromCp1252(std::string_view bytes) {
  const std::string utf8 = Cp1252ToUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string Cp1252FromQString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return Utf8ToCp1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString ReadableText(std::string_view bytes) {
  QString text;
  std::size_t run = 0;  // where the UTF-8 not yet added begins
  const auto addRun = [&](std::size_t end) {
    text += QString::fromUtf8(bytes.data() + run, static_cast<qsizetype>(end - run));
  };
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t cp = 0;
    const std::size_t length = Utf8CharacterAt(bytes.substr(i), cp);
    if (length > 0) {
      i += length;
      continue;
    }
    addRun(i);
    text += QStringLiteral("\\x") + QString::number(static_cast<unsigned char>(bytes[i]), 16)
                                        .toUpper()
                                        .rightJustified(2, QLatin1Char('0'));
    run = ++i;
  }
  addRun(i);
  return text;
}

}  // namespace pelvar
