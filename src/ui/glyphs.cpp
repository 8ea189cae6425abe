#include "ui/glyphs.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <functional>
#include <utility>

#include "desktop/colours.h"

namespace pelvar {
namespace {

using namespace palette;

using GlyphPainter = std::function<void(QPainter&)>;

// A glyph drawn anew for every size it is asked for, so that a screen of any scale gets it at
// its own pixels rather than a small picture blown up. The drawing is made for its design size;
// larger pixmaps scale the painter.
class PaintedGlyph : public QIconEngine {
 public:
  // paintOn, if given, draws the glyph of a checked button.
  PaintedGlyph(QSize designSize, GlyphPainter paint, GlyphPainter paintOn = nullptr)
      : designSize_(designSize), paint_(std::move(paint)), paintOn_(std::move(paintOn)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode /*mode*/,
             QIcon::State state) override {
    painter->save();
    painter->translate(rect.topLeft());
    painter->scale(qreal(rect.width()) / designSize_.width(),
                   qreal(rect.height()) / designSize_.height());
    (state == QIcon::On && paintOn_ ? paintOn_ : paint_)(*painter);
    painter->restore();
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Between whole multiples of the design size the edges are smoothed.
    const qreal scale = qreal(size.width()) / designSize_.width();
    if (scale != qFloor(scale)) painter.setRenderHint(QPainter::Antialiasing);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    painter.end();
    return QPixmap::fromImage(image);
  }

  QSize actualSize(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
    return designSize_.scaled(size, Qt::KeepAspectRatio);
  }

  QIconEngine* clone() const override { return new PaintedGlyph(designSize_, paint_, paintOn_); }

 private:
  QSize designSize_;
  GlyphPainter paint_;
  GlyphPainter paintOn_;
};

QIcon Draw(int width, int height, GlyphPainter paint) {
  return QIcon(new PaintedGlyph(QSize(width, height), std::move(paint)));
}

}  // namespace

QIcon OpenGlyph() {
  return Draw(24, 22, [](QPainter& p) {
    // Back of the folder.
    p.setPen(kBlack);
    p.setBrush(kOlive);
    p.drawPolygon(QPolygon({{2, 8}, {5, 6}, {9, 6}, {10, 8}, {16, 8}, {16, 19}, {2, 19}}));
    // Its opened front, tilted towards the viewer.
    p.setBrush(kYellow);
    p.drawPolygon(QPolygon({{2, 19}, {6, 11}, {21, 11}, {17, 19}}));
    // The curved arrow above it.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kNavy, 1.6));
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.moveTo(11, 7);
    arc.quadTo(14, 0, 20, 3);
    p.drawPath(arc);
    p.setPen(kNavy);
    p.setBrush(kNavy);
    p.drawPolygon(QPolygon({{22, 6}, {17, 5}, {21, 1}}));
  });
}

QIcon NewGlyph() {
  return Draw(24, 22, [](QPainter& p) {
    p.setPen(kBlack);
    p.setBrush(kWhite);
    p.drawPolygon(QPolygon({{5, 1}, {14, 1}, {19, 6}, {19, 20}, {5, 20}}));
    // The folded corner.
    p.setBrush(kSilver);
    p.drawPolygon(QPolygon({{14, 1}, {14, 6}, {19, 6}}));
  });
}

QIcon SaveGlyph() {
  return Draw(24, 22, [](QPainter& p) {
    p.setPen(kBlack);
    p.setBrush(kNavy);
    p.drawPolygon(QPolygon({{3, 1}, {20, 1}, {21, 2}, {21, 20}, {3, 20}}));
    // The label.
    p.setBrush(kWhite);
    p.drawRect(6, 2, 12, 8);
    p.setPen(kGray);
    p.drawLine(8, 5, 16, 5);
    p.drawLine(8, 7, 16, 7);
    // The metal shutter with its window.
    p.setPen(kBlack);
    p.setBrush(kSilver);
    p.drawRect(7, 13, 10, 7);
    p.setBrush(kNavy);
    p.drawRect(13, 14, 2, 4);
  });
}

QIcon PrintGlyph() {
  return Draw(24, 22, [](QPainter& p) {
    p.setPen(kBlack);
    // The sheet standing out of the printer.
    p.setBrush(kWhite);
    p.drawRect(7, 1, 10, 9);
    p.setPen(kGray);
    p.drawLine(9, 4, 15, 4);
    p.drawLine(9, 6, 15, 6);
    // The body.
    p.setPen(kBlack);
    p.setBrush(kSilver);
    p.drawPolygon(QPolygon({{4, 9}, {20, 9}, {22, 12}, {22, 18}, {2, 18}, {2, 12}}));
    p.setBrush(kGray);
    p.drawRect(2, 15, 20, 3);
    // The paper slot and the lamp.
    p.setPen(kBlack);
    p.drawLine(6, 12, 18, 12);
    p.setPen(kLime);
    p.drawPoint(19, 14);
    p.drawPoint(20, 14);
  });
}

QIcon CalcGlyph() {
  return Draw(24, 22, [](QPainter& p) {
    p.setPen(kBlack);
    p.setBrush(kGray);
    p.drawRect(5, 0, 14, 21);
    // The display.
    p.setBrush(kTeal);
    p.drawRect(7, 2, 10, 4);
    p.setPen(kLime);
    p.drawLine(12, 4, 16, 4);
    // Four rows of three keys.
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 3; ++col) {
        p.setBrush(row == 3 && col == 2 ? kRed : kWhite);
        p.drawRect(7 + col * 4, 8 + row * 3, 2, 2);
      }
    }
  });
}

QIcon NoTensionGlyph() {
  // The soil, a green band with a lime top, and the load in the middle.
  auto soilAndLoad = [](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRect(1, 15, 22, 6);
    p.setBrush(kLime);
    p.drawRect(1, 15, 22, 2);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kNavy, 1.6));
    p.drawLine(QPointF(12, 0.5), QPointF(12, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawPolygon(QPolygonF({{8.5, 6.5}, {15.5, 6.5}, {12, 11}}));
  };
  auto beam = [](QPainter& p, const QPainterPath& path) {
    p.setPen(QPen(kRed, 2.6, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  };
  // Off: the beam held on the soil all along, as springs that pull hold it.
  auto off = [soilAndLoad, beam](QPainter& p) {
    soilAndLoad(p);
    QPainterPath path;
    path.moveTo(1, 13);
    path.quadTo(12, 17, 23, 13);
    beam(p, path);
  };
  // On: pressed into the soil under the load, its ends lifted off it.
  auto on = [soilAndLoad, beam](QPainter& p) {
    soilAndLoad(p);
    QPainterPath path;
    path.moveTo(1, 7);
    path.quadTo(12, 22, 23, 7);
    beam(p, path);
  };
  return QIcon(new PaintedGlyph(QSize(24, 22), off, on));
}

QIcon HelpGlyph() {
  return Draw(24, 22, [](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kOlive);
    p.setBrush(kYellow);
    p.drawEllipse(QRectF(2.5, 0.5, 19, 19));
    // The question mark: a hook, a stem and a dot.
    p.setPen(QPen(kRed, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath hook;
    hook.moveTo(8.5, 7);
    hook.cubicTo(8.5, 2.5, 15.5, 2.5, 15.5, 6.5);
    hook.cubicTo(15.5, 9.5, 12, 9.5, 12, 12.5);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QRectF(10.5, 14.3, 3, 3));
  });
}

QIcon WindowIcon() { return Draw(32, 32, PaintWindowIcon); }

void PaintWindowIcon(QPainter& p) {
  // The foundation: a green band.
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawRect(1, 20, 30, 9);
  p.setBrush(kLime);
  p.drawRect(1, 20, 30, 2);
  // The beam, bent down in its middle into the band.
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kRed, 4, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  QPainterPath beam;
  beam.moveTo(1, 16);
  beam.quadTo(16, 28, 31, 16);
  p.drawPath(beam);
  p.setPen(QPen(kMaroon, 1));
  QPainterPath edge;
  edge.moveTo(1, 18);
  edge.quadTo(16, 30, 31, 18);
  p.drawPath(edge);
}

}  // namespace pelvar
