#pragma once
// The rules of the supports' symbols that a layout needs without drawing them: where a point
// lies on the beam, how large a symbol is beside text of a given line height, how wide its
// lines are and how far it reaches from its point. The shapes themselves are drawn in one place,
// drawings/support_symbols.h; the printed report places them by these rules too.
//
// The beam runs horizontally through the support's point. Every symbol stays within
// kSupportAbove sizes above the beam and kSupportBelow sizes below it, within kSupportAside
// sizes of its point along the beam, and its pen's width more.

namespace pelvar {

// Where a point lies on the beam: a wall or a coil at an end stands outside the beam, beyond
// its end; inside the beam everything hangs from the point itself.
enum class SupportPlace { LeftEnd, Inside, RightEnd };
SupportPlace PlaceOfPoint(int point, int sectionCount);

inline constexpr double kSupportAbove = 0.5;
inline constexpr double kSupportBelow = 0.8;
// The coil of an elastic end with its wall, the farthest any symbol reaches beyond an end.
inline constexpr double kSupportAside = 0.825;

// The size of the symbols beside text whose lines are lineHeight high: a little more than a
// line, in whole pixels.
double SupportSize(double lineHeight);

// The width of the symbols' lines for a symbol of the given size: one pixel on the screen, more
// in a large picture.
double SupportPenWidth(double size);

}  // namespace pelvar
