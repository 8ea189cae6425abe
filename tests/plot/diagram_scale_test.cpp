#include "plot/diagram_scale.h"

#include <gtest/gtest.h>

#include <limits>

namespace pelvar {
namespace {

TEST(DiagramScaleTest, SignedMaximumWhileTheDiagramStaysInItsRoom) {
  // Maximum 4 lies 20 below the axis; the minimum -6 rises 30 above it, just inside.
  EXPECT_DOUBLE_EQ(DiagramScale(-6.0, 4.0, 20.0, 30.0, 100.0), 5.0);
  // All values negative: the negative maximum gives a negative scale and the diagram hangs below
  // its axis, the least negative value 20 below, the minimum -3 at 60, inside the room below.
  EXPECT_DOUBLE_EQ(DiagramScale(-3.0, -1.0, 20.0, 0.0, 60.0), -20.0);
}

TEST(DiagramScaleTest, LargestMagnitudeWhereTheSignedMaximumFails) {
  // Maximum 0 (a moment that is nowhere positive): scale by the magnitude of the minimum.
  EXPECT_DOUBLE_EQ(DiagramScale(-8.0, 0.0, 20.0, 30.0, 30.0), 2.5);
  // Negligible maximum next to the minimum: the signed scale would put -6 at 30000 above.
  EXPECT_DOUBLE_EQ(DiagramScale(-6.0, 0.004, 20.0, 30.0, 100.0), 20.0 / 6.0);
  // One pixel beyond the room is beyond it.
  EXPECT_DOUBLE_EQ(DiagramScale(-6.0, 4.0, 20.0, 29.9, 100.0), 20.0 / 6.0);
  // All negative but spread too far for the room below.
  EXPECT_DOUBLE_EQ(DiagramScale(-3.0, -1.0, 20.0, 0.0, 59.0), 20.0 / 3.0);
}

TEST(DiagramScaleTest, NothingToScale) {
  EXPECT_EQ(DiagramScale(0.0, 0.0, 20.0, 30.0, 30.0), 0.0);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(DiagramScale(-inf, 1.0, 20.0, 30.0, 30.0), 0.0);
  EXPECT_EQ(DiagramScale(nan, 1.0, 20.0, 30.0, 30.0), 0.0);
  // Extremes so small that unit / maximum overflows draw as zero, not at infinity.
  const double tiny = std::numeric_limits<double>::denorm_min();
  EXPECT_EQ(DiagramScale(0.0, tiny, 20.0, 30.0, 30.0), 0.0);
  EXPECT_EQ(DiagramScale(-tiny, 0.0, 20.0, 30.0, 30.0), 0.0);
}

// Rounding noise next to the problem's own sizes is drawn as the axis alone. The demonstration
// problem has 300 kN of load on 30 m: Q counts against 300 kN, M against 9000 kNm and w against
// 300 kN over the 2000 kN/m of its springs.
TEST(DiagramScaleTest, RoundingNoiseBesideTheProblemsLoadsIsNoDiagram) {
  const ProblemData demo;
  EXPECT_DOUBLE_EQ(ResultReference(demo, &ResultNode::Q), 300.0);
  EXPECT_DOUBLE_EQ(ResultReference(demo, &ResultNode::M), 9000.0);
  EXPECT_DOUBLE_EQ(ResultReference(demo, &ResultNode::w), 0.15);
  EXPECT_EQ(DiagramScale(demo, &ResultNode::Q, -3e-7, 2e-7, 20.0, 30.0, 30.0), 0.0);
  EXPECT_EQ(DiagramScale(demo, &ResultNode::M, -1e-14, 9e-6, 20.0, 30.0, 30.0), 0.0);
  EXPECT_DOUBLE_EQ(DiagramScale(demo, &ResultNode::Q, -3e-7, 4e-7, 20.0, 30.0, 30.0), 5e7);
  EXPECT_DOUBLE_EQ(DiagramScale(demo, &ResultNode::w, 0.139, 0.164, 20.0, 30.0, 30.0),
                   20.0 / 0.164);
  // Point loads and moments count with their size; a moment through the beam's length.
  ProblemData points = demo;
  for (SectionRow& s : points.sections) s.load = 0.0;
  points.points[1].force = -5.0;
  points.points[2].moment = -60.0;
  EXPECT_DOUBLE_EQ(ResultReference(points, &ResultNode::Q), 7.0);
  EXPECT_DOUBLE_EQ(ResultReference(points, &ResultNode::M), 210.0);
  // Without springs no displacement is negligible.
  for (SectionRow& s : points.sections) s.spring = 0.0;
  EXPECT_EQ(ResultReference(points, &ResultNode::w), 0.0);
  EXPECT_DOUBLE_EQ(DiagramScale(points, &ResultNode::w, 0.0, 1e-20, 20.0, 30.0, 30.0), 2e21);
}

TEST(DiagramScaleTest, StrideKeepsAboutAHundredSteps) {
  EXPECT_EQ(PlotStride(10), 1);
  EXPECT_EQ(PlotStride(199), 1);
  EXPECT_EQ(PlotStride(250), 2);
  EXPECT_EQ(PlotStride(299), 2);
  EXPECT_EQ(PlotStride(1000), 10);
}

TEST(DiagramScaleTest, PixelsTruncateTowardZeroInsideTheIntRange) {
  EXPECT_EQ(TruncateToPixel(3.99), 3);
  EXPECT_EQ(TruncateToPixel(-3.99), -3);
  EXPECT_EQ(TruncateToPixel(1e300), 1000000000);
  EXPECT_EQ(TruncateToPixel(-std::numeric_limits<double>::infinity()), -1000000000);
  EXPECT_EQ(TruncateToPixel(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace pelvar
