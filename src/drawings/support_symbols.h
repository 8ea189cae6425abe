#pragma once
// The symbols of the supports, drawn where a picture shows the beam: a triangle on the ground for
// a pinned point, a hatched wall across the beam for a fixed end (a hatched block inside the
// beam), a wall behind two rollers for a guided end, which may move along w but not turn, and a
// zigzag spring on the ground for an elastic support, with a coiled spring beside it where it
// also resists turning. Both pictures of the results draw them through here, in black, their
// size taken from the line height of the picture's font so that they read at every scale.
//
// The beam runs horizontally through the support's point. Every symbol stays within
// kSupportAbove sizes above the beam and kSupportBelow sizes below it, and its pen's width more.

#include <QPointF>
#include <QRectF>

#include "model/problem_data.h"

class QPainter;

namespace pelvar {

// Where a point lies on the beam: a wall or a coil at an end stands outside the beam, beyond
// its end; inside the beam everything hangs from the point itself.
enum class SupportPlace { LeftEnd, Inside, RightEnd };
SupportPlace PlaceOfPoint(int point, int sectionCount);

inline constexpr double kSupportAbove = 0.5;
inline constexpr double kSupportBelow = 0.8;

// The size of the symbols beside text whose lines are lineHeight high: a little more than a
// line, in whole pixels.
double SupportSize(double lineHeight);

// The width of the symbols' lines for a symbol of the given size: one pixel on the screen, more
// in a large picture.
double SupportPenWidth(double size);

// The rectangle that the symbol of a support at `at` covers, its pen included; empty for a point
// without support.
QRectF SupportBounds(const PointSupport& support, SupportPlace place, QPointF at, double size);

// Draws the symbol of a support at `at`, size high in the painter's units; nothing for a point
// without support. The painter's state is left as it was, its antialiasing used as it is set.
void PaintSupport(QPainter& painter, const PointSupport& support, SupportPlace place, QPointF at,
                  double size);

}  // namespace pelvar
