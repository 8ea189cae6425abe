#pragma once
// The arithmetic of the results window's diagrams, free of Qt: value ranges, axis ticks, the
// decimals a value is shown with, and which node or element lies under a point of the beam.

#include <cstddef>
#include <string>
#include <vector>

namespace pelvar {

// The value axis of a diagram, from low to high: round ticks (1, 2 or 5 times a power of ten
// apart, or 2.5 where only that gives three) that take in both extremes, among which 0 always
// stands, so that the axis is labelled at its zero line and at both ends, negative values included
// wherever the values go below 0. An extreme may reach past its outer tick by a twentieth of the
// span at most; the axis runs from the first tick, or the least value beyond it, to the last tick
// or the greatest value.
struct ValueAxis {
  double low = -1.0;
  double high = 1.0;
  double step = 1.0;
  std::vector<double> ticks{-1.0, 0.0, 1.0};
  int decimals = 0;  // what the ticks are written with
};
// The axis of values from minValue to maxValue: the finest step that gives at most maxTicks
// ticks, and never fewer than three (three where maxTicks is less).
// Values beyond 0 by less than a billionth of the larger extreme are rounding noise and count as
// 0. A diagram that is zero everywhere, or whose values are not finite, gets -1, 0 and 1.
ValueAxis DiagramAxis(double minValue, double maxValue, int maxTicks);

// Round tick values (1, 2 or 5 times a power of ten apart) inside low..high, at most maxTicks
// of them (at least one step is taken when maxTicks is below 2). 0 is among them whenever it
// lies in the range.
std::vector<double> AxisTicks(double low, double high, int maxTicks);

// The decimals that show `significant` digits of a value of the given magnitude (0..9).
int DecimalsFor(double magnitude, int significant);

// How a column of a results table shows its values: all with the decimals that give its
// largest magnitude six significant digits, so that the decimal points line up; a column with
// magnitudes of 1e15 and more, too long for that, as the shortest texts that read back.
struct ColumnFormat {
  int decimals = 0;
  bool shortest = false;
};
ColumnFormat TableColumnFormat(double largestMagnitude);
std::string TableCellText(double value, ColumnFormat format);

// A value with a fixed number of decimals, "." as the decimal point; "-0.00" shows as "0.00".
std::string FixedText(double value, int decimals);

// An accuracy figure (a share of the quantity's size) in per cent with two significant digits,
// "0.12 %"; below a millionth "below 0.0001 %", beyond kLargestShownAccuracyShare the words of
// kBeyondShownAccuracy.
std::string AccuracyShareText(double share);

// The points of a polyline that matter to within tolerance (Douglas-Peucker): the indices,
// first and last always among them, of the points kept, such that no point left out lies
// farther than tolerance from the polyline through the kept ones. A tolerance of 0 keeps every
// point. x and y have one entry per point.
std::vector<std::size_t> SimplifyPolyline(const std::vector<double>& x,
                                          const std::vector<double>& y, double tolerance);

// The node nearest to x in ascending positions (the first of two equally near), and the
// element (from node e to e + 1) that holds x, the last one at the right end. Positions outside
// the beam give its end node or element. Both need at least two positions.
int NearestNode(const std::vector<double>& nodeX, double x);
int ElementAt(const std::vector<double>& nodeX, double x);

}  // namespace pelvar
