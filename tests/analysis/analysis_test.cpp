// The analysis engine against hand calculations and closed-form beam-on-elastic-foundation
// theory.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "analysis/calculation.h"
#include "analysis/mesh.h"
#include "analysis/solver.h"

namespace pelvar {
namespace {

class AnalysisTest : public ::testing::Test {
 protected:
  std::unique_ptr<AnalysisWorkspace> work = MakeAnalysisWorkspace();

  // Element count of every section after BuildMesh, from the node positions of the mesh.
  std::vector<int> ElementShares(const ProblemData& data) {
    std::vector<int> shares;
    int j = 0;
    for (int i = 0; i < data.sectionCount; ++i) {
      const double end = [&] {
        double x = 0;
        for (int k = 0; k <= i; ++k) x += data.sections[k].length;
        return x;
      }();
      int count = 0;
      while (j < data.elementCount && work->mesh.nodeX[j] < end - 1e-9 * end) {
        ++j;
        ++count;
      }
      shares.push_back(count);
    }
    return shares;
  }

  // The force all springs exert on the solved beam: each element's stiffness times the mean of
  // its end displacements. Equilibrium makes it equal to the total load.
  double TotalSpringForce(const ProblemData& data) const {
    double force = 0.0;
    for (int j = 0; j < data.elementCount; ++j) {
      force += work->mesh.elementSpring[j] * 0.5 * (data.nodes[j].w + data.nodes[j + 1].w);
    }
    return force;
  }

  void Prepare(const ProblemData& data) {
    ASSERT_EQ(BuildMesh(data, work->mesh), -1);
    AssembleSystem(data, work->mesh, work->system);
  }
};

ProblemData ThreeSections(double k1, double k2, double k3) {
  ProblemData data;
  data.sections[0].spring = k1;
  data.sections[1].spring = k2;
  data.sections[2].spring = k3;
  return data;
}

TEST_F(AnalysisTest, DemonstrationProblemGivesTheKnownSummary) {
  ProblemData data;
  const CalculationOutcome outcome = RunCalculation(data, *work);
  ASSERT_EQ(outcome.status, CalculationStatus::Success);
  EXPECT_EQ(outcome.method, SolutionMethod::Descending);
  EXPECT_TRUE(outcome.message.empty());
  EXPECT_TRUE(data.resultsAvailable);

  EXPECT_EQ(ElementShares(data), (std::vector<int>{33, 33, 34}));
  EXPECT_DOUBLE_EQ(data.nodes[33].x, 10.0 / 33 * 33);
  EXPECT_NEAR(data.nodes[66].x, 20.0, 1e-12);
  EXPECT_NEAR(data.nodes[100].x, 30.0, 1e-12);

  const auto texts = SummaryTexts(outcome.summary);
  EXPECT_EQ(texts[0], "Minimum displacement :        0.139 m");
  EXPECT_EQ(texts[1], "Maximum displacement :        0.164 m");
  EXPECT_EQ(texts[2], "Minimum shear force :       -50.000 kN");
  EXPECT_EQ(texts[3], "Maximum shear force :        50.000 kN");
  EXPECT_EQ(texts[4], "Minimum moment :              0.000 kNm");
  EXPECT_EQ(texts[5], "Maximum moment :            356.780 kNm");

  // Symmetric problem: the solution is symmetric about the middle of the beam.
  EXPECT_NEAR(data.nodes[0].w, 0.1388, 1e-4);
  // Zero end loads give zero end values, not negative zeros that would print as "-0.000".
  EXPECT_FALSE(std::signbit(data.nodes[0].Q));
  EXPECT_FALSE(std::signbit(data.nodes[100].M));
  EXPECT_NEAR(data.nodes[0].w, data.nodes[100].w, 1e-3);
  // Total load 300 kN is carried by the two sprung sections: mean spring force equals the load.
  EXPECT_NEAR(TotalSpringForce(data), 300.0, 1e-6);
}

TEST_F(AnalysisTest, ElementSharesRoundHalfUpAndTheLastSectionTakesTheRest) {
  ProblemData data;
  data.elementCount = 10;
  data.sections[0].length = 100.0;
  data.sections[1].length = 0.001;
  data.sections[2].length = 100.0;
  Prepare(data);
  EXPECT_EQ(ElementShares(data), (std::vector<int>{5, 1, 4}));
  EXPECT_DOUBLE_EQ(work->mesh.elementLength[5], 0.001);
  EXPECT_DOUBLE_EQ(work->mesh.elementLength[9], 25.0);

  ProblemData one;
  one.sectionCount = 1;
  one.elementCount = 37;
  Prepare(one);
  EXPECT_EQ(ElementShares(one), (std::vector<int>{37}));
  EXPECT_NEAR(work->mesh.nodeX[37], 10.0, 1e-12);
}

TEST_F(AnalysisTest, PointLoadsBecomeNodeForcesAndEndConditions) {
  ProblemData data;
  data.points[1].force = 5.0;
  data.points[1].moment = 2.0;
  data.points[0].force = 7.0;
  data.points[0].moment = 3.0;
  data.points[3].force = -4.0;
  data.points[3].moment = 9.0;
  Prepare(data);
  EXPECT_NEAR(work->mesh.nodeForce[33], 11.6, 1e-12);
  EXPECT_NEAR(work->mesh.nodeForce[32], -6.6, 1e-12);
  // End loads do not enter the node forces; they stand in the end rows.
  EXPECT_EQ(work->mesh.nodeForce[0], 0.0);
  EXPECT_EQ(work->mesh.nodeForce[100], 0.0);
  const BlockRow& first = work->system.rows[0];
  EXPECT_EQ(first.entryCount, 2);
  EXPECT_EQ(first.rhs[0], 3.0);
  EXPECT_NEAR(first.rhs[1], 2.0 * 7.0 + 10.0 * (10.0 / 33), 1e-12);
  const BlockRow& last = work->system.rows[100];
  EXPECT_EQ(last.rhs[0], -9.0);
  EXPECT_NEAR(last.rhs[1], 2.0 * -4.0 + 10.0 * (10.0 / 34), 1e-12);
  EXPECT_EQ(last.columnNode[0], 100);
  EXPECT_EQ(last.columnNode[1], 99);

  // An interior row: coefficients of equilibrium and compatibility at node 33, where the element
  // length changes from 10/33 to 10/33 (section 2 has 33 elements too) and the springs stop.
  const BlockRow& row = work->system.rows[33];
  const double h = 10.0 / 33;
  EXPECT_EQ(row.entryCount, 3);
  EXPECT_EQ(row.columnNode[1], 32);
  EXPECT_EQ(row.columnNode[2], 34);
  EXPECT_NEAR(row.block[0][0][0], -2.0 / h, 1e-12);
  EXPECT_NEAR(row.block[0][0][1], -100.0 * h * 0.25, 1e-12);
  EXPECT_EQ(row.block[2][0][1], 0.0);
  EXPECT_NEAR(row.block[0][1][0], 2.0 * h / 4e6, 1e-18);
  EXPECT_NEAR(row.rhs[0], -10.0 * h - 11.6, 1e-12);
}

TEST_F(AnalysisTest, PointLoadsGiveTheExpectedShearAndMoment) {
  ProblemData data = ThreeSections(100, 100, 100);
  for (SectionRow& s : data.sections) s.load = 0.0;
  data.points[0].force = 20.0;
  data.points[0].moment = 15.0;
  data.points[3].moment = -8.0;
  data.points[1].force = 50.0;
  ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  EXPECT_EQ(data.nodes[0].Q, -20.0);
  EXPECT_NEAR(data.nodes[0].M, 15.0, 1e-9);
  EXPECT_NEAR(data.nodes[100].M, 8.0, 1e-9);
  EXPECT_NEAR(data.nodes[100].Q, 0.0, 1e-6);
  // At the point's node Q is the value left of the force; one node on it is F lower, less the
  // spring force on the element between the two nodes.
  const double h = 10.0 / 33;
  const double springOnElement = 100.0 * h * 0.5 * (data.nodes[33].w + data.nodes[34].w);
  EXPECT_NEAR(data.nodes[33].Q - data.nodes[34].Q, 50.0 - springOnElement, 1e-6);
  // Equilibrium of the whole beam: the springs carry the two forces.
  EXPECT_NEAR(TotalSpringForce(data), 70.0, 1e-6);
}

TEST_F(AnalysisTest, UniformLoadOnUniformSpringsSettlesEvenly) {
  ProblemData data;
  data.sectionCount = 1;
  data.sections[0].length = 20.0;
  data.beamWidth = 2.0;  // load and springs scale alike: w = q/k whatever the width
  ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  for (int j = 0; j <= 100; ++j) {
    EXPECT_NEAR(data.nodes[j].w, 0.1, 1e-12) << j;
    EXPECT_NEAR(data.nodes[j].Q, 0.0, 1e-8) << j;
    EXPECT_NEAR(data.nodes[j].M, 0.0, 1e-8) << j;
  }
  const auto texts = SummaryTexts(FindExtremes(data));
  EXPECT_EQ(texts[0], "Minimum displacement :        0.100 m");
  EXPECT_EQ(texts[1], "Maximum displacement :        0.100 m");
}

// A long beam with a central point load behaves as the infinite beam of Hetenyi's theory:
// w(x) = P·λ/(2·k·b)·e^(-λx)·(cos λx + sin λx), M(0) = P/(4λ), λ = (k·b/(4·EI))^(1/4).
TEST_F(AnalysisTest, LongBeamWithCentralLoadMatchesHetenyi) {
  ProblemData data;
  data.sectionCount = 2;
  data.elementCount = 1000;
  data.stiffnessEI = 1.0e5;
  data.beamWidth = 1.0;
  for (int i = 0; i < 2; ++i) {
    data.sections[i].length = 40.0;
    data.sections[i].load = 0.0;
    data.sections[i].spring = 1000.0;
  }
  const double p = 100.0;
  data.points[1].force = p;
  ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);

  const double lambda = std::pow(1000.0 / (4.0 * 1.0e5), 0.25);
  auto exactW = [&](double x) {
    const double lx = lambda * std::fabs(x);
    return p * lambda / (2.0 * 1000.0) * std::exp(-lx) * (std::cos(lx) + std::sin(lx));
  };
  const ResultNode& centre = data.nodes[500];
  ASSERT_NEAR(centre.x, 40.0, 1e-9);
  EXPECT_NEAR(centre.w, exactW(0.0), 0.002 * exactW(0.0));
  EXPECT_NEAR(centre.M, p / (4.0 * lambda), 0.005 * p / (4.0 * lambda));
  for (int j : {400, 450, 550, 600, 700}) {
    EXPECT_NEAR(data.nodes[j].w, exactW(data.nodes[j].x - 40.0), 0.002 * exactW(0.0)) << j;
  }
  // The shear force jumps by P at the load: +P/2 left of it, -P/2 right of it, less the spring
  // force on the one element to the next node.
  EXPECT_NEAR(centre.Q, p / 2, 0.5);
  const double springOnElement = 1000.0 * 0.08 * 0.5 * (centre.w + data.nodes[501].w);
  EXPECT_NEAR(data.nodes[501].Q, -p / 2 + springOnElement, 0.01);
}

TEST_F(AnalysisTest, EliminationOrderDecidesWhichEndNeedsSprings) {
  // Last section without springs: the first pivot of Descending is K/2 = 0.
  ProblemData data = ThreeSections(100, 100, 0);
  Prepare(data);
  EXPECT_EQ(SolveSystem(work->system, data.elementCount, EliminationOrder::Descending), 0);
  Prepare(data);
  EXPECT_EQ(SolveSystem(work->system, data.elementCount, EliminationOrder::Ascending), 1);
  for (int j = 0; j <= data.elementCount; ++j) EXPECT_LE(work->system.rows[j].entryCount, 2);

  // The run retries without any sign of it in the outcome.
  ProblemData run = ThreeSections(100, 100, 0);
  const CalculationOutcome outcome = RunCalculation(run, *work);
  EXPECT_EQ(outcome.status, CalculationStatus::Success);
  EXPECT_EQ(outcome.method, SolutionMethod::Ascending);
  EXPECT_TRUE(outcome.message.empty());

  // Both end sections without springs: both orders fail although the middle one holds the beam.
  ProblemData held = ThreeSections(0, 100, 0);
  Prepare(held);
  EXPECT_EQ(SolveSystem(work->system, held.elementCount, EliminationOrder::Descending), 0);
  Prepare(held);
  EXPECT_EQ(SolveSystem(work->system, held.elementCount, EliminationOrder::Ascending), 0);
}

TEST_F(AnalysisTest, BeamHeldOnlyInTheMiddleIsSolvedWithRowExchanges) {
  ProblemData data = ThreeSections(0, 100, 0);
  data.elementCount = 99;  // 33 elements a section: a symmetric mesh
  const CalculationOutcome outcome = RunCalculation(data, *work);
  ASSERT_EQ(outcome.status, CalculationStatus::Success);
  EXPECT_EQ(outcome.method, SolutionMethod::Banded);
  // Symmetric beam: 300 kN of load on 10 m of springs of 100 kN/m² give a mean settlement of
  // 0.3 m; the free ends carry no moment and no shear.
  EXPECT_NEAR(TotalSpringForce(data), 300.0, 1e-6);
  EXPECT_NEAR(data.nodes[0].M, 0.0, 1e-9);
  EXPECT_NEAR(data.nodes[99].M, 0.0, 1e-9);
  EXPECT_NEAR(data.nodes[99].Q, 0.0, 1e-6);
  EXPECT_NEAR(data.nodes[10].w, data.nodes[89].w, 1e-9);
  EXPECT_NEAR(data.nodes[50].w, 0.3, 0.1);
  // At the ends the cantilevers carry 100 kN each: the moment over the supports is -q·L²/2.
  EXPECT_NEAR(data.nodes[33].M, -10.0 * 10.0 * 10.0 / 2.0, 2.0);
  EXPECT_NEAR(data.nodes[33].Q, -100.0, 1.0);

  // The banded solve gives the block elimination's answer where both apply.
  ProblemData demo;
  Prepare(demo);
  ASSERT_EQ(SolveSystem(work->system, demo.elementCount, EliminationOrder::Descending), 1);
  std::vector<double> blockSolution;
  for (int j = 0; j <= 100; ++j) {
    blockSolution.push_back(work->system.rows[j].rhs[0]);
    blockSolution.push_back(work->system.rows[j].rhs[1]);
  }
  Prepare(demo);
  ASSERT_TRUE(SolveBanded(work->system, demo.elementCount, work->band));
  for (int j = 0; j <= 100; ++j) {
    EXPECT_NEAR(work->system.rows[j].rhs[0], blockSolution[2 * j], 1e-8);
    EXPECT_NEAR(work->system.rows[j].rhs[1], blockSolution[2 * j + 1], 1e-12);
  }
}

TEST_F(AnalysisTest, BeamTheSpringsCannotHoldIsSingularAndKeepsOldResults) {
  ProblemData data;
  ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  const auto before = data.nodes;

  for (SectionRow& s : data.sections) s.spring = 0.0;
  data.elementCount = 50;
  data.resultsAvailable = false;
  CalculationOutcome outcome = RunCalculation(data, *work);
  EXPECT_EQ(outcome.status, CalculationStatus::Singular);
  EXPECT_EQ(outcome.message,
            "Error : Matrix singular.\nNot enough resistance to carry loads.\nNo output given.\n");
  EXPECT_FALSE(data.resultsAvailable);
  for (int j = 0; j <= 100; ++j) {
    EXPECT_EQ(data.nodes[j].x, before[j].x);
    EXPECT_EQ(data.nodes[j].w, before[j].w);
  }

  // Springs under a single element hold only the mean of its two end displacements: the beam can
  // still turn about that element's middle.
  ProblemData oneElement = ThreeSections(0, 100, 0);
  oneElement.sections[1].length = 0.01;
  oneElement.resultsAvailable = true;
  outcome = RunCalculation(oneElement, *work);
  EXPECT_EQ(outcome.status, CalculationStatus::Singular);
  EXPECT_TRUE(oneElement.resultsAvailable);
}

TEST_F(AnalysisTest, SectionWithoutElementIsReportedBeforeAnythingIsStored) {
  ProblemData data;
  ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  const auto before = data.nodes;
  data.sections[2].length = 0.1;  // shares 50, 50 and nothing left
  data.resultsAvailable = true;
  CalculationOutcome outcome = RunCalculation(data, *work);
  EXPECT_EQ(outcome.status, CalculationStatus::Fault);
  EXPECT_EQ(
      outcome.message,
      "Error : Section 3 gets no element.\nRaise the number of elements.\nNo output given.\n");
  EXPECT_TRUE(data.resultsAvailable);
  for (int j = 0; j <= 100; ++j) EXPECT_EQ(data.nodes[j].x, before[j].x);

  // More sections than elements left over: the first short one after the long one gets none.
  ProblemData many;
  many.sectionCount = 20;
  many.elementCount = 10;
  many.sections[0].length = 1000.0;
  for (int i = 1; i < 20; ++i) many.sections[i].length = 0.001;
  many.resultsAvailable = false;
  outcome = RunCalculation(many, *work);
  EXPECT_EQ(outcome.status, CalculationStatus::Fault);
  EXPECT_NE(outcome.message.find("Section 2 gets no element"), std::string::npos);
  EXPECT_FALSE(many.resultsAvailable);
}

TEST_F(AnalysisTest, SolutionBeyondTheDoubleRangeIsNeverStored) {
  ProblemData data;
  for (SectionRow& s : data.sections) s.load = 1e300;  // large but computable
  EXPECT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  EXPECT_TRUE(std::isfinite(data.nodes[50].M));

  const auto before = data.nodes;
  data.resultsAvailable = false;
  for (SectionRow& s : data.sections) s.load = std::numeric_limits<double>::max();
  const CalculationOutcome outcome = RunCalculation(data, *work);
  EXPECT_EQ(outcome.status, CalculationStatus::Fault);
  EXPECT_EQ(outcome.message,
            "Error : The solution is not finite.\n"
            "The input values are too large to calculate with.\nNo output given.\n");
  EXPECT_FALSE(data.resultsAvailable);
  for (int j = 0; j <= 100; ++j) {
    EXPECT_EQ(data.nodes[j].w, before[j].w);
    EXPECT_EQ(data.nodes[j].Q, before[j].Q);
  }
}

TEST_F(AnalysisTest, PivotToleranceIsInclusiveAndRejectsNotANumber) {
  auto solveDiagonal = [&](double pivot) {
    BlockSystem& system = work->system;
    for (int j = 0; j <= 1; ++j) {
      system.rows[j] = BlockRow{};
      system.rows[j].entryCount = 2;
      system.rows[j].columnNode = {j, 1 - j, 0};
      system.rows[j].block[0][0][0] = 1.0;
      system.rows[j].block[0][1][1] = 1.0;
      system.rows[j].rhs[0] = 2.0;
      system.rows[j].rhs[1] = 3.0;
    }
    system.rows[0].block[0][1][1] = pivot;
    system.rows[0].block[1][1][0] = 0.5;  // couples w0 to M1
    return SolveSystem(system, 1, EliminationOrder::Ascending);
  };
  EXPECT_EQ(solveDiagonal(1e-12), 1);
  // w0 = (3 - 0.5·M1) / 1e-12 with M1 = 2.
  EXPECT_NEAR(work->system.rows[0].rhs[1], 2.0 / 1e-12, 1e-3);
  EXPECT_EQ(solveDiagonal(-1e-12), 1);
  EXPECT_EQ(solveDiagonal(0.99e-12), 0);
  EXPECT_EQ(solveDiagonal(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(AnalysisTest, RunsAreRepeatableAndPointPositionsPlayNoPart) {
  ProblemData a;
  a.points[1].force = 12.5;
  ASSERT_EQ(RunCalculation(a, *work).status, CalculationStatus::Success);
  ProblemData b = a;
  for (PointLoadRow& p : b.points) p.x = -123.0;
  ASSERT_EQ(RunCalculation(b, *work).status, CalculationStatus::Success);
  for (int j = 0; j <= 100; ++j) {
    EXPECT_EQ(a.nodes[j].w, b.nodes[j].w);
    EXPECT_EQ(a.nodes[j].M, b.nodes[j].M);
    EXPECT_EQ(a.nodes[j].Q, b.nodes[j].Q);
  }
}

TEST(FindExtremesTest, StartsAtNodeZeroAndComparesStrictly) {
  ProblemData data;
  data.elementCount = 10;
  for (int j = 0; j <= 10; ++j) data.nodes[j] = {j * 1.0, 0.5, -1.0, 2.0};
  data.nodes[4].w = -0.25;
  data.nodes[7].Q = 3.0;
  data.nodes[10].M = -5.0;
  data.nodes[11].M = 99.0;  // beyond the element count: not looked at
  const ResultSummary s = FindExtremes(data);
  EXPECT_EQ(s.minW, -0.25);
  EXPECT_EQ(s.maxW, 0.5);
  EXPECT_EQ(s.minQ, -1.0);
  EXPECT_EQ(s.maxQ, 3.0);
  EXPECT_EQ(s.minM, -5.0);
  EXPECT_EQ(s.maxM, 2.0);

  // A count beyond the table reads no further than its last node.
  data.elementCount = 5000;
  data.nodes[kMaxElements].w = 7.0;
  EXPECT_EQ(FindExtremes(data).maxW, 7.0);
}

}  // namespace
}  // namespace pelvar
