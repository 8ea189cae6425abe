#include "drawings/diagram_picture.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QXmlStreamReader>
#include <algorithm>

#include "files/paths_and_messages.h"
#include "files/safe_writer.h"
#include "qt_text/text_edge.h"

namespace pelvar {
namespace {

FileResult Failed(const std::string& why) { return {false, why}; }

// Whether the bytes are one well-formed XML document whose root is an svg element.
bool IsSvgDocument(const QByteArray& bytes) {
  QXmlStreamReader xml(bytes);
  bool root = false;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && !root) {
      if (xml.name() != QLatin1String("svg")) return false;
      root = true;
    }
  }
  return root && !xml.hasError();
}

}  // namespace

PictureFormat PictureFormatOf(const std::string& path) {
  const std::string suffix = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
  std::string lower;
  for (char c : suffix) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower == ".svg" ? PictureFormat::Svg : PictureFormat::Png;
}

QString DateText(QDate day) { return day.toString(Qt::ISODate); }

PictureRequest DiagramFileRequest(const ProblemData& data, QSize size, QDate day) {
  PictureRequest request;
  request.size = size;
  request.font = QFont(QStringLiteral("Liberation Sans"));
  request.font.setStyleHint(QFont::SansSerif);
  request.font.setPixelSize(std::clamp(size.height() / 70, 11, 60));
  request.title = QStringFromCp1252(data.problemName.View());
  // A control character, which a data file may bring, shows as the replacement mark: it has no
  // glyph, and an SVG cannot hold it.
  request.extras.name = request.title;
  for (QChar& c : request.extras.name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QChar(0xFFFD);
  }
  request.extras.date = DateText(day);
  return request;
}

QString ShownHeading(const QString& name, const ResultsSnapshot& snapshot) {
  if (snapshot.shown.isEmpty()) return name;
  return name.isEmpty() ? snapshot.shown : name + QStringLiteral(" - ") + snapshot.shown;
}

QString XmlEscaped(const QString& text) {
  QString escaped;
  escaped.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const char16_t u = c.unicode();
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      escaped += c;
      escaped += text[++i];
      continue;
    }
    switch (u) {
      case u'&':
        escaped += QLatin1String("&amp;");
        continue;
      case u'<':
        escaped += QLatin1String("&lt;");
        continue;
      case u'>':
        escaped += QLatin1String("&gt;");
        continue;
      case u'"':
        escaped += QLatin1String("&quot;");
        continue;
      case u'\'':
        escaped += QLatin1String("&apos;");
        continue;
      default:
        break;
    }
    const bool allowed = (u >= 0x20 || u == u'\t' || u == u'\n' || u == u'\r') &&
                         !c.isSurrogate() && u != 0xFFFE && u != 0xFFFF;
    escaped += allowed ? c : QChar(0xFFFD);
  }
  return escaped;
}

FileResult EncodeDiagramPicture(const ResultsSnapshot& snapshot, const PictureRequest& request,
                                PictureFormat format, QByteArray& bytes) {
  bytes.clear();
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return Failed("the picture could not be buffered");
  const QRectF area(QPointF(0, 0), request.size);
  const DiagramLayout layout = LayoutDiagrams(snapshot, area, request.font, request.extras);

  if (format == PictureFormat::Svg) {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(request.size);
    generator.setViewBox(QRect(QPoint(0, 0), request.size));
    generator.setResolution(request.dotsPerInch);
    // The generator writes a title as it stands, so a problem's name could end the element
    // early or open another one: it gets a placeholder, replaced by the escaped title below.
    const QByteArray placeholder = "<title>pelvar-picture-title</title>";
    generator.setTitle(QStringLiteral("pelvar-picture-title"));
    QPainter painter;
    if (!painter.begin(&generator)) return Failed("the SVG picture could not be started");
    PaintDiagrams(painter, snapshot, layout, request.font, request.extras);
    if (!painter.end()) return Failed("the SVG picture could not be finished");
    const qsizetype title = bytes.indexOf(placeholder);
    if (title < 0) return Failed("the SVG picture has no title");
    bytes.replace(title, placeholder.size(),
                  QStringLiteral("<title>%1</title>").arg(XmlEscaped(request.title)).toUtf8());
    if (!IsSvgDocument(bytes)) return Failed("the SVG picture did not come out as valid XML");
    return {true, {}};
  }

  const QSize pixels = (QSizeF(request.size) * request.ratio).toSize();
  // Larger pictures are refused before their memory is asked for: the system may promise more
  // than it can give, and the drawing would then end the process.
  if (pixels.isEmpty() || pixels.width() > kMaxPicturePixels ||
      pixels.height() > kMaxPicturePixels) {
    return Failed("a PNG picture of " + std::to_string(pixels.width()) + " x " +
                  std::to_string(pixels.height()) + " pixels cannot be made (1 to " +
                  std::to_string(kMaxPicturePixels) + " pixels a side)");
  }
  QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return Failed("there is not enough memory for a picture of that size");
  image.setDevicePixelRatio(request.ratio);
  QPainter painter;
  if (!painter.begin(&image)) return Failed("the PNG picture could not be drawn");
  PaintDiagrams(painter, snapshot, layout, request.font, request.extras);
  painter.end();
  if (!image.save(&buffer, "PNG")) return Failed("the PNG encoder failed");
  return {true, {}};
}

FileResult MakeDiagramPicture(const std::string& path, const ResultsSnapshot& snapshot,
                              const PictureRequest& request, std::string& bytes) {
  QByteArray encoded;
  const FileResult made = EncodeDiagramPicture(snapshot, request, PictureFormatOf(path), encoded);
  if (!made.ok) return Failed("Cannot save " + Quoted(path) + ": " + made.message + ".");
  bytes.assign(encoded.constData(), static_cast<std::size_t>(encoded.size()));
  return {true, {}};
}

FileResult WriteDiagramPicture(const std::string& path, const ResultsSnapshot& snapshot,
                               const PictureRequest& request) {
  std::string bytes;
  if (FileResult made = MakeDiagramPicture(path, snapshot, request, bytes); !made.ok) return made;
  return WriteFileAtomically(path, bytes);
}

}  // namespace pelvar
