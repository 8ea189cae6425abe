#include <gtest/gtest.h>

#include <cmath>

#include "model/problem_data.h"

namespace pelvar {
namespace {

TEST(ProblemDataTest, ResetGivesTheDemonstrationProblem) {
  ProblemData data;
  data.sectionCount = 7;
  data.elementCount = 555;
  data.fileVersion = 1;
  data.stiffnessEI = 2.0;
  data.beamWidth = 3.0;
  data.fileName.Set("Other.plv");
  data.sections[3].spring = 42.0;
  data.points[20].moment = 5.0;
  data.nodes[7].w = 0.5;
  data.resultsAvailable = true;

  ResetToDefaults(data);
  EXPECT_EQ(data.sectionCount, 3);
  EXPECT_EQ(data.elementCount, 100);
  EXPECT_EQ(data.fileVersion, 2000);
  EXPECT_EQ(data.stiffnessEI, 1000000.0);
  EXPECT_EQ(data.beamWidth, 1.0);
  EXPECT_EQ(data.licensedUser.View(), "Tessaly");
  EXPECT_EQ(data.fileName.View(), "Demo.plv");
  EXPECT_EQ(data.problemName.View(), "Demonstration Problem");
  for (int i = 0; i < kMaxSections; ++i) {
    EXPECT_EQ(data.sections[i].length, 10.0);
    EXPECT_EQ(data.sections[i].load, 10.0);
    EXPECT_EQ(data.sections[i].spring, i % 2 == 0 ? 100.0 : 0.0) << i;
  }
  for (int i = 0; i < kMaxPoints; ++i) {
    EXPECT_EQ(data.points[i].x, 10.0 * i);
    EXPECT_EQ(data.points[i].force, 0.0);
    EXPECT_EQ(data.points[i].moment, 0.0);
  }
  EXPECT_FALSE(data.resultsAvailable);
  EXPECT_EQ(data.nodes[7].w, 0.5);  // the result table is not the input's
}

TEST(ProblemDataTest, PointPositionsFollowAllTwentyLengths) {
  ProblemData data;
  data.sections[0].length = 5.0;
  UpdatePointPositions(data);
  EXPECT_EQ(data.points[1].x, 5.0);
  EXPECT_EQ(data.points[3].x, 25.0);
  EXPECT_EQ(data.points[20].x, 195.0);  // hidden points move too
  data.sections[19].length = 0.001;
  UpdatePointPositions(data);
  EXPECT_DOUBLE_EQ(data.points[20].x, 185.001);
}

TEST(ProblemDataTest, LimitsHoldCountsInRangeAndRaiseRealsToTheirLeast) {
  EXPECT_EQ(ClampSectionCount(0), 1);
  EXPECT_EQ(ClampSectionCount(25), 20);
  EXPECT_EQ(ClampSectionCount(7), 7);
  EXPECT_EQ(ClampElementCount(-7), 10);
  EXPECT_EQ(ClampElementCount(5), 10);
  EXPECT_EQ(ClampElementCount(2000), 1000);
  EXPECT_EQ(ClampElementCount(250), 250);
  EXPECT_EQ(AtLeast(0.0005, kMinWidth), 0.001);
  EXPECT_EQ(AtLeast(-5.0, kMinStiffness), 0.1);
  EXPECT_EQ(AtLeast(1e7, kMinStiffness), 1e7);
  EXPECT_FALSE(std::signbit(AtLeast(-0.0, 0.0)));  // never shown as "-0.000"
}

TEST(ProblemDataTest, TextsKeepAtMostFiftyNineBytes) {
  ShortText text;
  text.Set(std::string(80, 'x'));
  EXPECT_EQ(text.View(), std::string(59, 'x'));
  text.Set(std::string("a\0b", 3));
  EXPECT_EQ(text.View().size(), 3u);
  text.Set("");
  EXPECT_TRUE(text.View().empty());
  EXPECT_EQ(ShortText("Pile.plv"), ShortText(std::string("Pile.plv")));
}

}  // namespace
}  // namespace pelvar
