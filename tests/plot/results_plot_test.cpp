#include "plot/results_plot.h"

#include <gtest/gtest.h>

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

  EXPECT_EQ(DiagramRange(0.0, 0.0).low, -1.0);
  EXPECT_EQ(DiagramRange(2.0, 12.0).low, 0.0);  // the axis is always inside
  EXPECT_DOUBLE_EQ(DiagramRange(2.0, 12.0).high, 12.6);
  EXPECT_DOUBLE_EQ(DiagramRange(-10.0, 10.0).low, -11.0);

  const std::pair<double, int> decimals[] = {{356.78, 1}, {0.164, 4}, {50.0, 2},
                                             {0.0, 3},    {2e-12, 9}, {1e9, 0}};
  for (const auto& [magnitude, expected] : decimals) {
    EXPECT_EQ(DecimalsFor(magnitude, 4), expected) << magnitude;
  }
  EXPECT_EQ(FixedText(-0.00001, 3), "0.000");
  EXPECT_EQ(FixedText(-1.25, 1), "-1.2");  // printf rounding of the binary value 1.25
  EXPECT_EQ(FixedText(15.151515, 4), "15.1515");

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
