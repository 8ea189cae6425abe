#pragma once
// The symbols of the supports, drawn where a picture shows the beam: a triangle on the ground for
// a pinned point, a hatched wall across the beam for a fixed end (a hatched block inside the
// beam), a wall behind two rollers for a guided end, which may move along w but not turn, and a
// zigzag spring on the ground for an elastic support, with a coiled spring beside it where it
// also resists turning. Both pictures of the results and the printed report draw them through
// here, in black, their size taken from the line height of the text beside them so that they read
// at every scale. How far they reach, and their size, are in plot/support_layout.h.

#include <QPointF>
#include <QRectF>

#include "model/problem_data.h"
#include "plot/support_layout.h"

class QPainter;

namespace pelvar {

// The rectangle that the symbol of a support at `at` covers, its pen included; empty for a point
// without support.
QRectF SupportBounds(const PointSupport& support, SupportPlace place, QPointF at, double size);

// Draws the symbol of a support at `at`, size high in the painter's units; nothing for a point
// without support. The painter's state is left as it was, its antialiasing used as it is set.
void PaintSupport(QPainter& painter, const PointSupport& support, SupportPlace place, QPointF at,
                  double size);

}  // namespace pelvar
