#pragma once
// The arithmetic of the results window's diagrams, free of Qt: value ranges, axis ticks, the
// decimals a value is shown with, and which node or element lies under a point of the beam.

#include <string>
#include <vector>

namespace pelvar {

// The values a diagram spans: always 0 (its axis) and both extremes, widened a little so that
// no curve touches its frame. A diagram that is zero everywhere spans -1..1.
struct ValueRange {
  double low = -1.0;
  double high = 1.0;
};
ValueRange DiagramRange(double minValue, double maxValue);

// Round tick values (1, 2 or 5 times a power of ten apart) inside low..high, at most maxTicks
// of them (at least one step is taken when maxTicks is below 2). 0 is among them whenever it
// lies in the range.
std::vector<double> AxisTicks(double low, double high, int maxTicks);

// The decimals that show `significant` digits of a value of the given magnitude (0..9).
int DecimalsFor(double magnitude, int significant);

// A value with a fixed number of decimals, "." as the decimal point; "-0.00" shows as "0.00".
std::string FixedText(double value, int decimals);

// The node nearest to x in ascending positions (the first of two equally near), and the
// element (from node e to e + 1) that holds x, the last one at the right end. Positions outside
// the beam give its end node or element. Both need at least two positions.
int NearestNode(const std::vector<double>& nodeX, double x);
int ElementAt(const std::vector<double>& nodeX, double x);

}  // namespace pelvar
