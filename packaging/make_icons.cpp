// Build-time tool: writes the program's icon, drawn by the code that draws the window's icon,
// into an icon theme tree for installation:
//   FOLDER/hicolor/NxN/apps/pelvar.png   for each size below
//   FOLDER/hicolor/scalable/apps/pelvar.svg

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "ui/glyphs.h"

namespace {

// The sizes that desktops look up in the hicolor theme.
constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
// The drawing's own square.
constexpr int kDrawnSize = 32;

bool Fail(const QString& what) {
  std::fprintf(stderr, "make_icons: %s\n", qPrintable(what));
  return false;
}

bool WritePng(const QString& folder, int size) {
  const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
  if (!QDir().mkpath(dir)) return Fail("cannot make " + dir);
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.scale(double(size) / kDrawnSize, double(size) / kDrawnSize);
  pelvar::PaintWindowIcon(painter);
  painter.end();
  const QString path = dir + QStringLiteral("/pelvar.png");
  return image.save(path, "PNG") || Fail("cannot write " + path);
}

bool WriteSvg(const QString& folder) {
  const QString dir = folder + QStringLiteral("/hicolor/scalable/apps");
  if (!QDir().mkpath(dir)) return Fail("cannot make " + dir);
  const QString path = dir + QStringLiteral("/pelvar.svg");
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(QSize(kDrawnSize, kDrawnSize));
  svg.setViewBox(QRect(0, 0, kDrawnSize, kDrawnSize));
  svg.setTitle(QStringLiteral("Pelvar"));
  svg.setDescription(QStringLiteral("A beam bent down on an elastic foundation"));
  QPainter painter;
  if (!painter.begin(&svg)) return Fail("cannot write " + path);
  pelvar::PaintWindowIcon(painter);
  return painter.end() || Fail("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Usage: make_icons FOLDER\n", stderr);
    return 2;
  }
  // Drawing needs a Gui application but never a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QString folder = QFile::decodeName(argv[1]);
  bool ok = WriteSvg(folder);
  for (const int size : kSizes) ok = WritePng(folder, size) && ok;
  return ok ? 0 : 1;
}
