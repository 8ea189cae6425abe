#include "drawings/support_symbols.h"

#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "desktop/colours.h"

namespace pelvar {
namespace {

// A symbol as lines and circles in the picture's units, so that what is drawn and what is
// said to be covered come from one description.
struct Symbol {
  std::vector<QPolygonF> lines;  // open polylines
  std::vector<QPolygonF> outlines;
  std::vector<QRectF> circles;
};

// The ground a triangle or a spring stands on: a line 0.6 sizes under the beam, hatched below.
void AddGround(Symbol& symbol, QPointF at, double s) {
  const double y = at.y() + 0.6 * s;
  symbol.lines.push_back({QPointF(at.x() - 0.5 * s, y), QPointF(at.x() + 0.5 * s, y)});
  for (int k = 0; k < 5; ++k) {
    const double x = at.x() - 0.3 * s + k * 0.2 * s;
    symbol.lines.push_back({QPointF(x, y), QPointF(x - 0.2 * s, y + 0.2 * s)});
  }
}

// A wall across the beam at x, a size high about y, hatched on the side `outward` points to
// (-1 left, +1 right).
void AddWall(Symbol& symbol, double x, double y, double s, double outward) {
  symbol.lines.push_back({QPointF(x, y - 0.5 * s), QPointF(x, y + 0.5 * s)});
  for (int k = 0; k < 4; ++k) {
    const double from = y - 0.5 * s + k * 0.25 * s;
    symbol.lines.push_back({QPointF(x, from), QPointF(x + outward * 0.25 * s, from + 0.25 * s)});
  }
}

// A plate on the beam's end, two rollers beside it and the wall they roll on.
void AddGuide(Symbol& symbol, QPointF at, double s, double outward) {
  const double r = 0.13 * s;
  symbol.lines.push_back({QPointF(at.x(), at.y() - 0.5 * s), QPointF(at.x(), at.y() + 0.5 * s)});
  for (double dy : {-0.3 * s, 0.3 * s}) {
    symbol.circles.push_back(QRectF(at.x() + outward * r - r, at.y() + dy - r, 2.0 * r, 2.0 * r));
  }
  AddWall(symbol, at.x() + outward * 2.0 * r, at.y(), s, outward);
}

// A block across the beam, hatched at 45 degrees.
void AddBlock(Symbol& symbol, QPointF at, double s) {
  const QRectF block(QPointF(at.x() - 0.2 * s, at.y() - 0.5 * s),
                     QPointF(at.x() + 0.2 * s, at.y() + 0.5 * s));
  symbol.outlines.push_back(QPolygonF(block));
  // The lines u + v = c, with u and v measured from the point, cut by the block.
  for (int k = -2; k <= 2; ++k) {
    const double c = k * 0.2 * s;
    const double u0 = std::max(-0.2 * s, c - 0.5 * s);
    const double u1 = std::min(0.2 * s, c + 0.5 * s);
    symbol.lines.push_back(
        {QPointF(at.x() + u0, at.y() + c - u0), QPointF(at.x() + u1, at.y() + c - u1)});
  }
}

void AddZigzag(Symbol& symbol, QPointF at, double s) {
  const double x = at.x(), y = at.y(), a = 0.2 * s;
  symbol.lines.push_back({QPointF(x, y), QPointF(x, y + 0.06 * s), QPointF(x + a, y + 0.12 * s),
                          QPointF(x - a, y + 0.24 * s), QPointF(x + a, y + 0.36 * s),
                          QPointF(x - a, y + 0.48 * s), QPointF(x, y + 0.54 * s),
                          QPointF(x, y + 0.6 * s)});
  AddGround(symbol, at, s);
}

// A coil of one and a half turns, held by the beam at its centre and by a short wall at its
// outer end: beyond an end, or above a point inside the beam.
void AddCoil(Symbol& symbol, QPointF at, double s, SupportPlace place) {
  const double radius = 0.25 * s;
  const double outward = place == SupportPlace::LeftEnd ? -1.0 : 1.0;
  const QPointF centre = place == SupportPlace::Inside ? at + QPointF(0.0, -0.2 * s)
                                                       : at + QPointF(outward * 0.45 * s, 0.0);
  symbol.lines.push_back({at, centre});
  constexpr int kSteps = 54;
  constexpr double kTurns = 1.5;
  QPolygonF coil;
  for (int i = 0; i <= kSteps; ++i) {
    const double t = static_cast<double>(i) / kSteps;
    const double angle = 2.0 * std::numbers::pi * kTurns * t;
    // Ending on the far side from the beam, where the wall holds it.
    coil << centre + QPointF(-outward * radius * t * std::cos(angle), radius * t * std::sin(angle));
  }
  symbol.lines.push_back(coil);
  AddWall(symbol, centre.x() + outward * radius, centre.y(), 0.5 * s, outward);
}

Symbol MakeSymbol(const PointSupport& support, SupportPlace place, QPointF at, double s) {
  Symbol symbol;
  const double outward = place == SupportPlace::LeftEnd ? -1.0 : 1.0;
  switch (support.kind) {
    case SupportKind::None:
      break;
    case SupportKind::Pinned:
      symbol.outlines.push_back(
          {at, at + QPointF(-0.35 * s, 0.6 * s), at + QPointF(0.35 * s, 0.6 * s)});
      AddGround(symbol, at, s);
      break;
    case SupportKind::Fixed:
      if (place == SupportPlace::Inside) {
        AddBlock(symbol, at, s);
      } else {
        AddWall(symbol, at.x(), at.y(), s, outward);
      }
      break;
    case SupportKind::Guided:
      if (place == SupportPlace::Inside) {
        AddGuide(symbol, at, s, -1.0);
        AddGuide(symbol, at, s, 1.0);
      } else {
        AddGuide(symbol, at, s, outward);
      }
      break;
    case SupportKind::Elastic: {
      const bool turning = support.rotationalSpring != 0.0;
      // A support that only resists turning has no spring along w to show.
      if (support.spring != 0.0 || !turning) AddZigzag(symbol, at, s);
      if (turning) AddCoil(symbol, at, s, place);
      break;
    }
  }
  return symbol;
}

}  // namespace

QRectF SupportBounds(const PointSupport& support, SupportPlace place, QPointF at, double size) {
  const Symbol symbol = MakeSymbol(support, place, at, size);
  QRectF bounds;
  for (const auto* shapes : {&symbol.lines, &symbol.outlines}) {
    for (const QPolygonF& shape : *shapes) bounds |= shape.boundingRect();
  }
  for (const QRectF& circle : symbol.circles) bounds |= circle;
  if (bounds.isNull()) return {};
  // A square cap reaches past a line's end, and a pixel that the line only touches is inked.
  const double pen = SupportPenWidth(size);
  return bounds.adjusted(-pen, -pen, pen, pen);
}

void PaintSupport(QPainter& painter, const PointSupport& support, SupportPlace place, QPointF at,
                  double size) {
  const Symbol symbol = MakeSymbol(support, place, at, size);
  painter.save();
  painter.setPen(
      QPen(palette::kBlack, SupportPenWidth(size), Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  for (const QPolygonF& line : symbol.lines) painter.drawPolyline(line);
  for (const QPolygonF& outline : symbol.outlines) painter.drawPolygon(outline);
  for (const QRectF& circle : symbol.circles) painter.drawEllipse(circle);
  painter.restore();
}

}  // namespace pelvar
