#include "plot/results_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace pelvar {
namespace {

TEST(ResultsPlot, TicksDecimalsAndPlaces) {
  using Ticks = std::vector<double>;
  EXPECT_EQ(AxisTicks(0.0, 30.000000000000004, 7), (Ticks{0, 5, 10, 15, 20, 25, 30}));
  EXPECT_EQ(AxisTicks(0.0, 29.999999999999975, 4), (Ticks{0, 10, 20, 30}));
  EXPECT_EQ(AxisTicks(-52.5, 52.5, 5), (Ticks{-50, 0, 50}));
  EXPECT_EQ(AxisTicks(-1e-3, 3e-3, 3), (Ticks{0, 0.002}));
  EXPECT_TRUE(AxisTicks(1.0, 1.0, 5).empty());

  // Diagram axes: at least three round ticks that take in the values and 0, 0 among them, at
  // most maxTicks where that allows; an extreme reaches past its outer tick by a twentieth of
  // the span at most, and never where that would leave its sign without a tick.
  struct AxisCase {
    double min, max;
    int maxTicks;
    Ticks ticks;
    int decimals;
  };
  const AxisCase axes[] = {
      {0.1388, 0.1644, 4, {0, 0.1, 0.2}, 1},  // w of the demonstration problem
      {0.1388, 0.1644, 3, {0, 0.1, 0.2}, 1},  // three at least, rather than two
      {0.1388, 0.1644, 6, {0, 0.05, 0.1, 0.15, 0.2}, 2},
      {0.01, 0.045, 3, {0, 0.025, 0.05}, 3},  // 0 and 0.05 alone would be two
      {0.01, 0.041, 4, {0, 0.02, 0.04}, 2},   // past 0.04 by less than a twentieth
      {-48.0, -10.0, 3, {-50, -25, 0}, 0},
      {-50.0, 50.0, 4, {-50, 0, 50}, 0},             // Q: the extremes are ticks themselves
      {-56.66, 68.34, 4, {-100, 0, 100}, 0},         // beyond -50 by more than a twentieth
      {-49.99, 49.99, 4, {-50, 0, 50}, 0},           // a tick just beyond each extreme
      {-40.3, 40.3, 3, {-50, 0, 50}, 0},             // never "-40, 0" alone
      {-303.0, 1000.0, 4, {-500, 0, 500, 1000}, 0},  // M below 0: a negative tick
      {-1e-13, 417.9, 4, {0, 200, 400}, 0},          // M: rounding noise below 0 is 0
      {-1e-13, 417.9, 6, {0, 100, 200, 300, 400}, 0},
      {-2.0, 417.9, 6, {-100, 0, 100, 200, 300, 400}, 0},  // a little below 0 still shows
      {-0.003, -0.001, 4, {-0.003, -0.002, -0.001, 0}, 3},
      {0.0, 0.0, 5, {-1, 0, 1}, 0},       // zero everywhere
      {-1e308, 1e308, 5, {-1, 0, 1}, 0},  // a span beyond the doubles
  };
  for (const AxisCase& c : axes) {
    SCOPED_TRACE(c.max);
    const ValueAxis axis = DiagramAxis(c.min, c.max, c.maxTicks);
    ASSERT_EQ(axis.ticks.size(), c.ticks.size());
    for (std::size_t k = 0; k < c.ticks.size(); ++k) EXPECT_NEAR(axis.ticks[k], c.ticks[k], 1e-12);
    // 0 and the values lie on the axis, which runs from its first tick to its last as far as
    // the values allow.
    const double noise = 1e-9 * std::max(std::abs(c.min), std::abs(c.max));
    if (std::isfinite(c.max - c.min)) {
      EXPECT_LE(axis.low, std::min(0.0, c.min) + noise);
      EXPECT_GE(axis.high, std::max(0.0, c.max) - noise);
      EXPECT_NEAR(axis.low, std::min(axis.ticks.front(), std::min(0.0, c.min)), noise);
      EXPECT_NEAR(axis.high, std::max(axis.ticks.back(), std::max(0.0, c.max)), noise);
    }
    EXPECT_EQ(axis.decimals, c.decimals);
  }

  // Table columns: six significant digits of the largest magnitude, or the shortest texts.
  EXPECT_EQ(TableCellText(0.0, TableColumnFormat(0.16440417)), "0.000000");
  EXPECT_EQ(TableCellText(0.14940143973022169, TableColumnFormat(0.16440417)), "0.149401");
  EXPECT_EQ(TableCellText(-50.0, TableColumnFormat(50.0)), "-50.0000");
  EXPECT_EQ(TableCellText(356.78, TableColumnFormat(356.78)), "356.780");
  EXPECT_EQ(TableCellText(2.5e15, TableColumnFormat(2.5e15)), "2.5e+15");

  const std::pair<double, int> decimals[] = {{356.78, 1}, {0.164, 4}, {50.0, 2},
                                             {0.0, 3},    {2e-12, 9}, {1e9, 0}};
  for (const auto& [magnitude, expected] : decimals) {
    EXPECT_EQ(DecimalsFor(magnitude, 4), expected) << magnitude;
  }
  EXPECT_EQ(FixedText(-0.00001, 3), "0.000");
  EXPECT_EQ(FixedText(-1.25, 1), "-1.2");  // printf rounding of the binary value 1.25
  EXPECT_EQ(FixedText(15.151515, 4), "15.1515");

  // A curve keeps the points that move it by more than the tolerance: the ends, the corners,
  // a peak; points on a straight run go, and a tolerance of 0 keeps all.
  using Indices = std::vector<std::size_t>;
  const std::vector<double> px{0, 1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<double> py{0, 0.1, 0.2, 0.3, 5.0, 0.5, 0.5, 0.6, 0.5};
  EXPECT_EQ(SimplifyPolyline(px, py, 0.25), (Indices{0, 3, 4, 5, 8}));
  EXPECT_EQ(SimplifyPolyline(px, py, 0.0).size(), px.size());
  EXPECT_EQ(SimplifyPolyline(px, std::vector<double>(9, 2.0), 0.25), (Indices{0, 8}));

  const std::vector<double> x{0.0, 1.0, 2.5, 4.0};
  EXPECT_EQ(NearestNode(x, -3.0), 0);
  EXPECT_EQ(NearestNode(x, 0.5), 0);  // halfway: the first
  EXPECT_EQ(NearestNode(x, 1.8), 2);
  EXPECT_EQ(NearestNode(x, 9.0), 3);
  EXPECT_EQ(ElementAt(x, -1.0), 0);
  EXPECT_EQ(ElementAt(x, 1.0), 1);  // a node starts the element to its right
  EXPECT_EQ(ElementAt(x, 4.0), 2);  // the right end belongs to the last
}

}  // namespace
}  // namespace pelvar
