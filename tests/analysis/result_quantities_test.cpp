// Soil pressure, extremes and equilibrium against beam-on-elastic-foundation theory.

#include "analysis/result_quantities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "analysis/calculation.h"

namespace pelvar {
namespace {

// One section of uniform beam on uniform springs, loaded only as the test sets.
ProblemData UniformBeam(int sections, double length, double k, double q) {
  ProblemData data;
  data.sectionCount = sections;
  data.elementCount = 1000;
  data.stiffnessEI = 1e5;
  data.beamWidth = 1.5;
  for (int i = 0; i < sections; ++i) data.sections[i] = {length / sections, q, k};
  UpdatePointPositions(data);
  return data;
}

ResultQuantities Solve(ProblemData& data) {
  auto work = MakeAnalysisWorkspace();
  EXPECT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  return ComputeResultQuantities(data);
}

const ResultExtreme& Find(const ResultQuantities& r, ResultQuantity quantity, bool maximum) {
  for (const ResultExtreme& e : r.extremes) {
    if (e.quantity == quantity && e.maximum == maximum) return e;
  }
  throw std::logic_error("extreme missing");
}

TEST(ResultQuantitiesTest, UniformLoadOnUniformSpringsPressesWithTheLoadEverywhere) {
  ProblemData data = UniformBeam(3, 30.0, 2000.0, 25.0);
  data.sections[0].length = 7.0;  // unequal sections, so the numbering shows
  data.sections[2].length = 13.0;
  UpdatePointPositions(data);
  const ResultQuantities r = Solve(data);
  ASSERT_EQ(r.elements.size(), 1000u);
  EXPECT_TRUE(r.finite);
  EXPECT_EQ(r.elements.front().section, 0);
  EXPECT_EQ(r.elements.back().section, 2);
  for (std::size_t j = 0; j < r.elements.size(); ++j) {
    EXPECT_NEAR(r.elements[j].p, 25.0, 25.0 * 1e-9) << j;
    EXPECT_EQ(r.elements[j].x0, data.nodes[j].x);
    EXPECT_EQ(r.elements[j].x1, data.nodes[j + 1].x);
  }
  EXPECT_EQ(r.elements[232].section, 0);  // 7/30 of 1000 elements is 233 in section 1
  EXPECT_EQ(r.elements[233].section, 1);
  EXPECT_NEAR(r.equilibrium.load, 25.0 * 30.0 * 1.5, 1e-9);
  EXPECT_NEAR(r.equilibrium.springForces, 25.0 * 30.0 * 1.5, 1e-9 * 1125.0);
  EXPECT_EQ(r.equilibrium.pointForces, 0.0);

  // Without results there is nothing to show.
  data.resultsAvailable = false;
  const ResultQuantities none = ComputeResultQuantities(data);
  EXPECT_TRUE(none.elements.empty());
  EXPECT_TRUE(none.extremes.empty());
}

TEST(ResultQuantitiesTest, PointLoadOnALongBeamGivesHetenyisPressure) {
  // Infinite beam, P at x = 0: w(0) = P·β/(2·k·b), so p(0) = k·w(0) = P·β/(2·b), with
  // β = (k·b/(4·EI))^(1/4). βL = 16 makes the 40 m beam long enough to count as infinite.
  const double k = 1e4, b = 1.5, ei = 1e5, force = 300.0;
  ProblemData data = UniformBeam(2, 40.0, k, 0.0);
  data.points[1].force = force;
  const ResultQuantities r = Solve(data);
  const double beta = std::pow(k * b / (4.0 * ei), 0.25);
  const ResultExtreme& pMax = Find(r, ResultQuantity::P, true);
  EXPECT_NEAR(pMax.value, force * beta / (2.0 * b), force * beta / (2.0 * b) * 1e-3);
  // One of the two elements at the load, which press alike.
  EXPECT_NEAR(pMax.x1 - pMax.x0, 0.04, 1e-12);
  EXPECT_NEAR(std::min(std::abs(pMax.x0 - 20.0), std::abs(pMax.x1 - 20.0)), 0.0, 1e-9);
  const ResultExtreme& wMax = Find(r, ResultQuantity::W, true);
  EXPECT_EQ(wMax.index, 500);
  EXPECT_EQ(wMax.x0, data.nodes[500].x);
  EXPECT_EQ(wMax.x1, wMax.x0);
  // Uplift is greatest where βx = π, on either side.
  const ResultExtreme& pMin = Find(r, ResultQuantity::P, false);
  EXPECT_LT(pMin.value, 0.0);
  EXPECT_NEAR(std::abs(0.5 * (pMin.x0 + pMin.x1) - 20.0), std::numbers::pi / beta, 0.04);
  EXPECT_NEAR(r.equilibrium.springForces, force, force * 1e-9);
  EXPECT_EQ(r.equilibrium.pointForces, force);
}

TEST(ResultQuantitiesTest, EndLoadExtremesLieWhereSemiInfiniteBeamTheoryPutsThem) {
  // w = 2Pβ/(k b)·e^(-βx)·cos βx: largest at x = 0, least at βx = 3π/4; |M| ∝ e^(-βx)·sin βx
  // is greatest at βx = π/4.
  const double k = 1e4, b = 1.5, ei = 1e5;
  ProblemData data = UniformBeam(1, 40.0, k, 0.0);
  data.points[0].force = 300.0;
  const ResultQuantities r = Solve(data);
  const double beta = std::pow(k * b / (4.0 * ei), 0.25);
  const double h = 0.04;
  EXPECT_EQ(Find(r, ResultQuantity::W, true).x0, 0.0);
  EXPECT_NEAR(Find(r, ResultQuantity::W, false).x0, 3.0 * std::numbers::pi / (4.0 * beta), h);
  const ResultExtreme& pMax = Find(r, ResultQuantity::P, true);
  EXPECT_EQ(pMax.index, 0);
  EXPECT_EQ(pMax.x0, 0.0);
  EXPECT_DOUBLE_EQ(pMax.x1, h);
  const ResultExtreme& mMin = Find(r, ResultQuantity::M, false);
  const ResultExtreme& mMax = Find(r, ResultQuantity::M, true);
  const ResultExtreme& mPeak = std::abs(mMin.value) > std::abs(mMax.value) ? mMin : mMax;
  EXPECT_NEAR(mPeak.x0, std::numbers::pi / (4.0 * beta), h);
  EXPECT_EQ(r.extremes.size(), 8u);
}

TEST(ResultQuantitiesTest, LoadsForcesAndSpringsBalance) {
  ProblemData data;  // the demonstration problem, with forces and moments everywhere
  data.elementCount = 997;
  data.points[0] = {0.0, 40.0, -15.0};
  data.points[1] = {0.0, -70.0, 120.0};
  data.points[2] = {0.0, 55.0, 30.0};
  data.points[3] = {0.0, 12.5, 0.0};
  UpdatePointPositions(data);
  const ResultQuantities r = Solve(data);
  EXPECT_DOUBLE_EQ(r.equilibrium.load, 10.0 * 30.0 * 1.0);
  EXPECT_DOUBLE_EQ(r.equilibrium.pointForces, 37.5);
  EXPECT_NEAR(r.equilibrium.load + r.equilibrium.pointForces, r.equilibrium.springForces,
              1e-9 * r.equilibrium.springForces);
  // Only sections 1 and 3 rest on springs: the middle one presses on nothing.
  for (const ElementResult& element : r.elements) {
    if (element.section == 1) {
      EXPECT_EQ(element.p, 0.0);
    }
  }
}

}  // namespace
}  // namespace pelvar
