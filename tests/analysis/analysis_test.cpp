// The analysis engine against hand calculations and closed-form beam-on-elastic-foundation
// theory.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <random>
#include <stdexcept>

#include "analysis/calculation.h"
#include "analysis/envelope.h"
#include "analysis/exact_solution.h"
#include "analysis/mesh.h"
#include "analysis/result_quantities.h"
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

  // Largest miss of the solved beam's equilibrium as a rigid body, vertical and in moments about
  // the left end, as a share of the largest force or moment that takes part: the springs (each
  // element's stiffness times the mean of its end displacements, at the element's middle) carry
  // the loads, the point forces and the point moments.
  double EquilibriumMiss(const ProblemData& data) const {
    double force = 0.0, moment = 0.0, forceSize = 0.0, momentSize = 0.0;
    auto add = [&](double f, double x) {
      force += f;
      moment += f * x;
      forceSize = std::max(forceSize, std::fabs(f));
      momentSize = std::max(momentSize, std::fabs(f * x));
    };
    for (int j = 0; j < data.elementCount; ++j) {
      const double middle = 0.5 * (data.nodes[j].x + data.nodes[j + 1].x);
      add(work->mesh.elementSpring[j] * 0.5 * (data.nodes[j].w + data.nodes[j + 1].w), middle);
      add(-work->mesh.elementLoad[j], middle);
    }
    double x = 0.0;
    for (int p = 0; p <= data.sectionCount; ++p) {
      // Every point moment, the two ends' included, makes M jump by itself.
      add(-data.points[p].force, x);
      moment -= data.points[p].moment;
      momentSize = std::max(momentSize, std::fabs(data.points[p].moment));
      // A support's force pushes up like the springs; its moment turns as a point moment.
      add(data.reactions[p].force, x);
      moment -= data.reactions[p].moment;
      momentSize = std::max(momentSize, std::fabs(data.reactions[p].moment));
      if (p < data.sectionCount) x += data.sections[p].length;
    }
    return std::max(std::fabs(force) / forceSize, std::fabs(moment) / momentSize);
  }

  // The loads' resultant from the problem alone, positive along w, and its moment about the left
  // end: the sections' loads at their middles, the points' forces at their places, and every
  // point moment.
  static LoadResultant ResultantOf(const ProblemData& data) {
    LoadResultant resultant;
    double x = 0.0;
    for (int p = 0; p <= data.sectionCount; ++p) {
      resultant.force += data.points[p].force;
      resultant.moment += data.points[p].force * x + data.points[p].moment;
      if (p == data.sectionCount) break;
      const SectionRow& section = data.sections[p];
      const double load = section.load * section.length * data.beamWidth;
      resultant.force += load;
      resultant.moment += load * (x + 0.5 * section.length);
      x += section.length;
    }
    return resultant;
  }

  void Prepare(const ProblemData& data) {
    ASSERT_FALSE(BuildMesh(data, work->mesh));
    AssembleSystem(data, work->mesh, work->system);
  }
};

// The laterally loaded pile with a free head: 3 m above the ground, 15 m in it on springs of
// 5000 kN/m³, EI 50000 kNm², width 0.6 m, 100 kN and 20 kNm at the ground.
ProblemData FreeHeadPile(int elements) {
  ProblemData data;
  data.sectionCount = 2;
  data.elementCount = elements;
  data.stiffnessEI = 50000.0;
  data.beamWidth = 0.6;
  data.sections[0] = {3.0, 0.0, 0.0};
  data.sections[1] = {15.0, 0.0, 5000.0};
  data.points[1] = {0.0, 100.0, 20.0};
  return data;
}

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
  struct Case {
    std::vector<double> lengths;
    int elements;
    std::vector<int> shares;
  } cases[] = {
      // floor(100/200.001·10 + 0.5) = 5; 0.0499... rounds to 0 and is raised to 1; 10 - 6 = 4.
      {{100.0, 0.001, 100.0}, 10, {5, 1, 4}},
      {{10.0}, 37, {37}},
      // 5/20·10 = 2.5 exactly: half up gives 3, and the last section the other 7.
      {{5.0, 15.0}, 10, {3, 7}},
      {{15.0, 5.0}, 10, {8, 2}},
      // 10/33 added up 33 times is 9.999999999999996.
      {{10.0, 10.0, 10.0}, 100, {33, 33, 34}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lengths.size());
    ProblemData data;
    data.sectionCount = static_cast<int>(c.lengths.size());
    data.elementCount = c.elements;
    for (int i = 0; i < data.sectionCount; ++i) data.sections[i].length = c.lengths[i];
    Prepare(data);
    EXPECT_EQ(ElementShares(data), c.shares);
    // Every section ends exactly where the next one starts, as the points stand.
    double end = 0.0;
    int node = 0;
    for (std::size_t i = 0; i < c.lengths.size(); ++i) {
      end += c.lengths[i];
      node += c.shares[i];
      EXPECT_EQ(work->mesh.nodeX[node], end) << i;
    }
    EXPECT_DOUBLE_EQ(work->mesh.elementLength[c.elements - 1], c.lengths.back() / c.shares.back());
  }
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
  // The moment as two half couples ±M/(2h) on the elements either side of node 33, both
  // 10/33 m long: 3.3 kN on each node, cancelling on the point's own node.
  EXPECT_NEAR(work->mesh.nodeForce[33], 5.0, 1e-12);
  EXPECT_NEAR(work->mesh.nodeForce[32], -3.3, 1e-12);
  EXPECT_NEAR(work->mesh.nodeForce[34], 3.3, 1e-12);
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
  EXPECT_NEAR(row.rhs[0], -10.0 * h - 5.0, 1e-12);
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
  // Springs of 1e-9 kN/m³ under 10 m of EI 1e6, held almost by statics alone, sink it by 1e10 m
  // at every number of elements.
  data.sections[0] = {10.0, 10.0, 1e-9};
  data.beamWidth = 1.0;
  for (const int elements : {100, 500, 1000}) {
    data.elementCount = elements;
    const CalculationOutcome outcome = RunCalculation(data, *work);
    ASSERT_EQ(outcome.status, CalculationStatus::Success) << elements;
    for (int j = 0; j <= elements; j += 50) EXPECT_NEAR(data.nodes[j].w, 1e10, 1e-3) << j;
  }
}

// A long beam with a point force F and a point moment M0 in its middle behaves as the infinite
// beam of Hetenyi's theory, β = (k·b/(4·EI))^(1/4). With a = β|x| and s the sign of x:
//   w = F·β/(2·k·b)·e^-a·(cos a + sin a) + s·M0·β²/(k·b)·e^-a·sin a,
//   M = F/(4β)·e^-a·(cos a - sin a) + s·M0/2·e^-a·cos a,
//   Q = -s·F/2·e^-a·cos a - M0·β/2·e^-a·(cos a + sin a),
// M jumping by M0 and Q by -F at x = 0. The scheme's values at the nodes, its exact solution of
// the continuous beam and the accuracy it reports are each held against these.
TEST_F(AnalysisTest, LongBeamWithCentralLoadsMatchesHetenyiAtEveryNode) {
  // β·L/2 >= 25: the free ends change nothing beyond e^-25 of the values in the middle. The
  // fine meshes have β·h = 0.05; the coarse ones β·h = 21 to 25, where the beam bends only
  // between the nodes and the exact values at the nodes are all but nil away from the point.
  struct Case {
    double force, moment, load, k, ei, half;
    int elements;
  } cases[] = {
      {100.0, 0.0, 0.0, 1000.0, 1.0e6, 200.0, 1000},
      {0.0, 100.0, 0.0, 1000.0, 1.0e6, 200.0, 1000},
      {60.0, -150.0, 0.0, 1000.0, 1.0e6, 200.0, 1000},
      {0.0, 100.0, 0.0, 1.0e4, 1.0e3, 100.0, 10},
      {0.0, 100.0, 0.0, 1.0e4, 1.0e3, 100.0, 11},
      {0.0, 100.0, 0.0, 1.0e4, 1.0e3, 100.0, 12},
      {0.0, 10.0, 0.0, 1.0e9, 0.1, 0.5, 10},
      {10.0, 1.0, 100.0, 1.0e9, 0.1, 0.5, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.force << " kN, " << c.moment << " kNm, " << c.load
                                    << " kN/m², k " << c.k << ", " << c.elements << " elements");
    const double k = c.k, half = c.half, beta = std::pow(k / (4.0 * c.ei), 0.25);
    const int n = c.elements;
    ProblemData data;
    data.sectionCount = 2;
    data.elementCount = n;
    data.stiffnessEI = c.ei;
    for (int i = 0; i < 2; ++i) data.sections[i] = {half, c.load, k};
    data.points[1].force = c.force;
    data.points[1].moment = c.moment;
    ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
    // The point's node: the first section takes half the elements, rounded half up.
    const int point = (n + 1) / 2;
    ASSERT_NEAR(data.nodes[point].x, half, 1e-9 * half);

    // The values at node j, on the side of the point given by s (at the point: -1 left, +1
    // right); the uniform load only settles the beam by q/k. The point's node is the point,
    // whatever the rounding of its x.
    struct Values {
      double w, M, Q;
    };
    auto exact = [&](int j, double s) {
      const double a = j == point ? 0.0 : beta * std::fabs(data.nodes[j].x - half);
      const double e = std::exp(-a);
      return Values{c.load / k + c.force * beta / (2 * k) * e * (std::cos(a) + std::sin(a)) +
                        s * c.moment * beta * beta / k * e * std::sin(a),
                    c.force / (4 * beta) * e * (std::cos(a) - std::sin(a)) +
                        s * c.moment / 2 * e * std::cos(a),
                    -s * c.force / 2 * e * std::cos(a) -
                        c.moment * beta / 2 * e * (std::cos(a) + std::sin(a))};
    };
    auto side = [&](int j) { return j < point ? -1.0 : 1.0; };
    // Each quantity's size: its largest exact magnitude at the nodes, or a millionth of the
    // problem's own scale where that is larger (the load, force and moment per metre; times the
    // length for M; over the springs for w).
    const double length = 2 * half,
                 load = c.load * length + std::fabs(c.force) + std::fabs(c.moment) / length;
    Values size{1e-6 * load / (k * length), 1e-6 * load * length, 1e-6 * load};
    for (int j = 0; j <= n; ++j) {
      for (double s : {-1.0, 1.0}) {
        const Values v = exact(j, j == point ? s : side(j));
        size = {std::max(size.w, std::fabs(v.w)), std::max(size.M, std::fabs(v.M)),
                std::max(size.Q, std::fabs(v.Q))};
      }
    }
    // Each side of the point against the closed form of that side; one value elsewhere.
    auto miss = [&](double left, double right, double Values::*q, int j) {
      if (j != point)
        return std::max(std::fabs(left - exact(j, side(j)).*q), std::fabs(right - left));
      return std::max(std::fabs(left - exact(j, -1).*q), std::fabs(right - exact(j, 1).*q));
    };
    Values worst{0, 0, 0};
    for (int j = 0; j <= n; ++j) {
      const ResultNode& node = data.nodes[j];
      worst = {std::max(worst.w, miss(node.w, node.w, &Values::w, j)),
               std::max(worst.M, miss(node.M, node.MRight, &Values::M, j)),
               std::max(worst.Q, miss(node.Q, node.QRight, &Values::Q, j))};
      // The exact solution of the continuous beam, both sides of the point.
      const ExactNode& e = data.exactNodes[j];
      const Values left = exact(j, j == point ? -1.0 : side(j)), right = exact(j, side(j));
      ASSERT_NEAR(e.w, left.w, 1e-9 * size.w) << j;
      ASSERT_NEAR(e.MLeft, left.M, 1e-9 * size.M) << j;
      ASSERT_NEAR(e.MRight, right.M, 1e-9 * size.M) << j;
      ASSERT_NEAR(e.QLeft, left.Q, 1e-9 * size.Q) << j;
      ASSERT_NEAR(e.QRight, right.Q, 1e-9 * size.Q) << j;
    }
    // On the fine meshes the scheme within half a percent of each quantity's size.
    if (n == 1000) {
      EXPECT_LT(worst.w, 5e-3 * size.w);
      EXPECT_LT(worst.M, 5e-3 * size.M);
      EXPECT_LT(worst.Q, 5e-3 * size.Q);
    }
    // The reported accuracy is the share the closed form gives, on every mesh.
    ASSERT_TRUE(data.accuracy.available);
    EXPECT_NEAR(data.accuracy.w, worst.w / size.w, 1e-8 * std::max(1.0, worst.w / size.w));
    EXPECT_NEAR(data.accuracy.M, worst.M / size.M, 1e-8 * std::max(1.0, worst.M / size.M));
    EXPECT_NEAR(data.accuracy.Q, worst.Q / size.Q, 1e-8 * std::max(1.0, worst.Q / size.Q));
    EXPECT_LT(EquilibriumMiss(data), 1e-9);
  }
}

// Supports against the closed forms of beam theory, each case on two halves of one span so that
// its middle is a node; the scheme, its exact continuous beam and the reactions (force up, moment
// as a point moment) each against them, and every answer in equilibrium with its reactions.
//  - A pile of β·L = 40 under a head force H: free head w0 = 2Hβ/(k·b); guided (held by its
//    cap) w0 = Hβ/(k·b) and the cap's moment H/(2β).
//  - A span L without springs under q: pinned at both ends w = 5qL⁴/(384EI) and M = qL²/8 at
//    mid-span; fixed, qL⁴/(384EI) and qL²/24 there and -qL²/12 at the ends; elastic ends
//    (kt, kr) sink by qL/(2kt), and their moments are -qL²/12 · c/(1 + c), c = kr·L/(2EI).
//  - Two spans L on three pins, the middle one settling by δ: reactions 3EIδ/L³ at the ends
//    and -6EIδ/L³ in the middle.
//  - Supports that hold the rotation inside, where the moment jumps by their reaction: fixed
//    between a cantilever (wL⁴/8EI at its tip, -qL²/2) and a propped one (-qL²/8, 5qL/8);
//    guided between a span on a pin and a free half that hangs from it (statics, and
//    w = 13qL⁴/(24EI) from the held slope); fixed between a fixed span and a pinned one and
//    turned by θ, which bends them by -4EIθ/L and 3EIθ/L at the support.
//  - Hetenyi's finite beams on springs under q with hinged and with fixed ends.
TEST_F(AnalysisTest, SupportsMatchBeamTheoryAndTheirReactionsBalanceTheLoads) {
  const double ei = 1.0e5, span = 10.0, q = 12.0, h = 50.0, k = 2000.0, kt = 4000.0, kr = 3.0e4;
  const double beta = std::pow(k / (4.0 * ei), 0.25), c = kr * span / (2.0 * ei);
  // Hetényi's finite beam of length 2a on springs under q, x from its middle:
  // w = q/k + C1·cosh βx·cos βx + C2·sinh βx·sin βx, with C1 and C2 from its two ends.
  const double a = 5.0, kb = 1.0e4, beam = std::pow(kb / (4.0 * ei), 0.25), ba = beam * a;
  const double f1 = std::cosh(ba) * std::cos(ba), f2 = std::sinh(ba) * std::sin(ba);
  const double d1 = std::sinh(ba) * std::cos(ba) - std::cosh(ba) * std::sin(ba);
  const double d2 = std::cosh(ba) * std::sin(ba) + std::sinh(ba) * std::cos(ba);
  // Hinged ends, w = w'' = 0: C1 = -(q/k)·f1/(f1² + f2²), C2 = -(q/k)·f2/(f1² + f2²); fixed ends,
  // w = w' = 0: C2 = -C1·d1/d2. M = -EI·w'' = 2EIβ²·(C1·sinh·sin - C2·cosh·cos), and the left
  // end's reaction Q = -EI·w''' = -2EIβ³·(C1·d2 - C2·d1).
  const double h1 = -q / kb * f1 / (f1 * f1 + f2 * f2), h2 = -q / kb * f2 / (f1 * f1 + f2 * f2);
  const double c1 = -q / kb / (f1 - d1 * f2 / d2), c2 = -c1 * d1 / d2;
  const double bend = 2.0 * ei * beam * beam;
  const double theta0 = 0.001;
  auto held = [](SupportKind kind, double spring = 0.0, double rotational = 0.0,
                 double displacement = 0.0) {
    return PointSupport{kind, spring, rotational, displacement, 0.0};
  };
  struct Case {
    const char* name;
    PointSupport left, middle, right;
    double length, spring, load, force;
    // Expected: w and M at the left end and in the middle, the left reaction's force and moment
    // and the middle one's force.
    double w0, m0, wMiddle, mMiddle, r0, rm0, rMiddle = 0.0;
    bool noTension = false;
    double rmMiddle = 0.0;  // the middle reaction's moment
  } cases[] = {
      {"free pile head",
       {},
       {},
       {},
       40.0 / beta,
       k,
       0.0,
       h,
       2.0 * h * beta / k,
       0.0,
       NAN,
       NAN,
       0.0,
       0.0},
      {"guided pile head",
       held(SupportKind::Guided),
       {},
       {},
       40.0 / beta,
       k,
       0.0,
       h,
       h * beta / k,
       h / (2.0 * beta),
       NAN,
       NAN,
       0.0,
       h / (2.0 * beta)},
      {"pinned span",
       held(SupportKind::Pinned),
       {},
       held(SupportKind::Pinned),
       span,
       0.0,
       q,
       0.0,
       0.0,
       0.0,
       5.0 * q * std::pow(span, 4) / (384.0 * ei),
       q * span * span / 8.0,
       q * span / 2.0,
       0.0},
      {"fixed span",
       held(SupportKind::Fixed),
       {},
       held(SupportKind::Fixed),
       span,
       0.0,
       q,
       0.0,
       0.0,
       -q * span * span / 12.0,
       q * std::pow(span, 4) / (384.0 * ei),
       q * span * span / 24.0,
       q * span / 2.0,
       -q * span * span / 12.0},
      {"elastic ends",
       held(SupportKind::Elastic, kt, kr),
       {},
       held(SupportKind::Elastic, kt, kr),
       span,
       0.0,
       q,
       0.0,
       q * span / (2.0 * kt),
       -q * span * span / 12.0 * c / (1.0 + c),
       NAN,
       NAN,
       q * span / 2.0,
       -q * span * span / 12.0 * c / (1.0 + c)},
      // An elastic end whose base is lowered by w0 and turned by θ0 carries a cantilever under q:
      // w = w0 + qL/kt + (θ0 + qL²/(2kr))·x + q·x²·(6L² - 4Lx + x²)/(24EI). On a pin and an
      // elastic end lowered by w0 a span sinks there by w0 + qL/(2kt) on top of its bending.
      {"elastic end lowered and turned carrying a cantilever",
       {SupportKind::Elastic, kt, kr, 0.02, 0.003},
       {},
       {},
       span,
       0.0,
       q,
       0.0,
       0.02 + q * span / kt,
       -q * span * span / 2.0,
       0.02 + q * span / kt + (0.003 + q * span * span / (2.0 * kr)) * span / 2.0 +
           17.0 * q * std::pow(span, 4) / (384.0 * ei),
       -q * span * span / 8.0,
       q * span,
       -q * span * span / 2.0},
      {"pin and an elastic end lowered",
       held(SupportKind::Pinned),
       {},
       held(SupportKind::Elastic, kt, 0.0, 0.02),
       span,
       0.0,
       q,
       0.0,
       0.0,
       0.0,
       (0.02 + q * span / (2.0 * kt)) / 2.0 + 5.0 * q * std::pow(span, 4) / (384.0 * ei),
       q * span * span / 8.0,
       q * span / 2.0,
       0.0},
      {"settling middle pin", held(SupportKind::Pinned), held(SupportKind::Pinned, 0, 0, 0.01),
       held(SupportKind::Pinned), 2.0 * span, 0.0, 0.0, 0.0, 0.0, 0.0, 0.01, NAN,
       3.0 * ei * 0.01 / std::pow(span, 3), 0.0, -6.0 * ei * 0.01 / std::pow(span, 3)},
      {"Hetenyi's hinged beam",
       held(SupportKind::Pinned),
       {},
       held(SupportKind::Pinned),
       2.0 * a,
       kb,
       q,
       0.0,
       0.0,
       0.0,
       q / kb + h1,
       -bend * h2,
       -bend * beam * (h1 * d2 - h2 * d1),
       0.0},
      {"Hetenyi's fixed beam",
       held(SupportKind::Fixed),
       {},
       held(SupportKind::Fixed),
       2.0 * a,
       kb,
       q,
       0.0,
       0.0,
       bend * (c1 * f2 - c2 * f1),
       q / kb + c1,
       -bend * c2,
       -bend * beam * (c1 * d2 - c2 * d1),
       bend * (c1 * f2 - c2 * f1)},
      {"fixed middle: a cantilever and a propped one",
       {},
       held(SupportKind::Fixed),
       held(SupportKind::Pinned),
       2.0 * span,
       0.0,
       q,
       0.0,
       q * std::pow(span, 4) / (8.0 * ei),
       0.0,
       0.0,
       -q * span * span / 2.0,
       0.0,
       0.0,
       13.0 * q * span / 8.0,
       false,
       3.0 * q * span * span / 8.0},
      {"guided middle carrying a free half",
       held(SupportKind::Pinned),
       held(SupportKind::Guided),
       {},
       2.0 * span,
       0.0,
       q,
       0.0,
       0.0,
       0.0,
       13.0 * q * std::pow(span, 4) / (24.0 * ei),
       1.5 * q * span * span,
       2.0 * q * span,
       0.0,
       0.0,
       false,
       -2.0 * q * span * span},
      {"fixed middle turned by θ",
       held(SupportKind::Fixed),
       {SupportKind::Fixed, 0.0, 0.0, 0.0, theta0},
       held(SupportKind::Pinned),
       2.0 * span,
       0.0,
       0.0,
       0.0,
       0.0,
       2.0 * ei * theta0 / span,
       0.0,
       -4.0 * ei * theta0 / span,
       -6.0 * ei * theta0 / (span * span),
       2.0 * ei * theta0 / span,
       3.0 * ei * theta0 / (span * span),
       false,
       7.0 * ei * theta0 / span},
      // Two spans L on pins, the fixed support between them settled by δ and turned by θ: by
      // slope-deflection each span bends by 3EI·(θ ∓ δ/L)/L at the support, from -3EI·(θ -
      // δ/L)/L left of it to 3EI·(θ + δ/L)/L right of it; the pins take -3EI·(θ - δ/L)/L² and
      // the support -6EIδ/L³ and 6EIθ/L.
      {"fixed middle settled and turned",
       held(SupportKind::Pinned),
       {SupportKind::Fixed, 0.0, 0.0, 0.01, -theta0},
       held(SupportKind::Pinned),
       2.0 * span,
       0.0,
       0.0,
       0.0,
       0.0,
       0.0,
       0.01,
       -3.0 * ei * (-theta0 - 0.01 / span) / span,
       -3.0 * ei * (-theta0 - 0.01 / span) / (span * span),
       0.0,
       -6.0 * ei * 0.01 / std::pow(span, 3),
       false,
       -6.0 * ei * theta0 / span},
      {"span lifted off soil that takes no tension",
       held(SupportKind::Pinned),
       {},
       held(SupportKind::Pinned),
       span,
       k,
       -q,
       0.0,
       0.0,
       0.0,
       -5.0 * q * std::pow(span, 4) / (384.0 * ei),
       -q * span * span / 8.0,
       -q * span / 2.0,
       0.0,
       0.0,
       true},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    ProblemData data;
    data.sectionCount = 2;
    data.elementCount = 1000;
    data.stiffnessEI = ei;
    data.noTension = t.noTension;
    data.sections[0] = data.sections[1] = {t.length / 2.0, t.load, t.spring};
    data.points[0] = {0.0, t.force, 0.0, t.left};
    data.points[1] = {0.0, 0.0, 0.0, t.middle};
    data.points[2] = {0.0, 0.0, 0.0, t.right};
    UpdatePointPositions(data);
    const CalculationOutcome outcome = RunCalculation(data, *work);
    ASSERT_EQ(outcome.status, CalculationStatus::Success);
    // The block elimination takes every support but a guided one inside.
    EXPECT_EQ(outcome.method == SolutionMethod::Banded, t.middle.kind == SupportKind::Guided);
    const int middle = work->mesh.pointNode[1];
    const double sizeW =
        std::max({std::fabs(t.w0), std::fabs(std::isnan(t.wMiddle) ? 0 : t.wMiddle), 1e-12});
    const double sizeM = std::max(
        {std::fabs(t.m0), std::fabs(std::isnan(t.mMiddle) ? 0 : t.mMiddle), q * span * span / 8.0});
    const struct {
      double expected, scheme, exact, size;
    } values[] = {
        {t.w0, data.nodes[0].w, data.exactNodes[0].w, sizeW},
        {t.m0, data.nodes[0].M, data.exactNodes[0].MRight, sizeM},
        {t.wMiddle, data.nodes[middle].w, data.exactNodes[middle].w, sizeW},
        {t.mMiddle, data.nodes[middle].M, data.exactNodes[middle].MLeft, sizeM},
    };
    for (const auto& v : values) {
      if (std::isnan(v.expected)) continue;
      EXPECT_NEAR(v.exact, v.expected, 1e-8 * v.size);
      EXPECT_NEAR(v.scheme, v.expected, 1e-3 * v.size);
    }
    // The scheme's reactions within its own accuracy.
    EXPECT_NEAR(data.reactions[0].force, t.r0, 1e-5 * std::max(1.0, std::fabs(t.r0)));
    EXPECT_NEAR(data.reactions[1].force, t.rMiddle, 1e-5 * std::max(1.0, std::fabs(t.rMiddle)));
    EXPECT_NEAR(data.reactions[0].moment, t.rm0, 1e-6 * sizeM);
    EXPECT_NEAR(data.reactions[1].moment, t.rmMiddle, 1e-5 * sizeM);
    // What a support cannot take is exactly nothing, not rounding.
    for (int p = 0; p <= 2; ++p) {
      const SupportKind kind = data.points[p].support.kind;
      if (kind == SupportKind::Guided) {
        EXPECT_EQ(data.reactions[p].force, 0.0);
      }
      if (kind == SupportKind::Pinned) {
        EXPECT_EQ(data.reactions[p].moment, 0.0);
      }
    }
    EXPECT_LT(EquilibriumMiss(data), 1e-9);
    ASSERT_TRUE(data.accuracy.available);
    EXPECT_LT(std::max({data.accuracy.w, data.accuracy.Q, data.accuracy.M}), 1e-3);
    EXPECT_EQ(std::count(data.liftedOff.begin(), data.liftedOff.begin() + 1000, true),
              t.noTension ? 1000 : 0);
  }
  // A rotational spring kr inside: two spans L on pins with a moment P where they meet, turning
  // the middle by θ = P/(6EI/L + kr) (each span an end moment against 3EI/L); the spring keeps
  // -kr·θ and the moment jumps there by the rest, from -(P - kr·θ)/2 to (P - kr·θ)/2. A spring
  // whose base is turned by θ0 = P/kr, without the moment, bends the spans alike, its own moment
  // kr·(θ0 - θ) being the jump.
  const double p = 60.0, theta = p / (6.0 * ei / span + kr), jump = p - kr * theta;
  for (const bool turnedBase : {false, true}) {
    SCOPED_TRACE(turnedBase ? "base turned" : "point moment");
    ProblemData data;
    data.sectionCount = 2;
    data.elementCount = 1000;
    data.stiffnessEI = ei;
    data.sections[0] = data.sections[1] = {span, 0.0, 0.0};
    data.points[0].support.kind = data.points[2].support.kind = SupportKind::Pinned;
    data.points[1] = {0.0,
                      0.0,
                      turnedBase ? 0.0 : p,
                      {SupportKind::Elastic, 0.0, kr, 0.0, turnedBase ? p / kr : 0.0}};
    UpdatePointPositions(data);
    ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
    // The scheme carries the spring's moment as couples on the elements either side, as it does a
    // point moment, and as close: to a few millionths here, and four times closer for elements
    // half as long.
    EXPECT_NEAR(data.reactions[1].moment, (turnedBase ? p : 0.0) - kr * theta, 1e-5 * kr * theta);
    EXPECT_NEAR(data.nodes[500].M, -jump / 2.0, 1e-5 * jump);
    EXPECT_NEAR(data.nodes[500].MRight, jump / 2.0, 1e-5 * jump);
    EXPECT_NEAR(data.exactNodes[500].MLeft, -jump / 2.0, 1e-9 * p);
    EXPECT_NEAR(data.exactNodes[500].MRight, jump / 2.0, 1e-9 * p);
    EXPECT_NEAR(data.exactNodes[500].w, 0.0, 1e-12);
    EXPECT_NEAR(data.reactions[0].force, -jump / (2.0 * span), 1e-5 * jump / span);
    EXPECT_LT(EquilibriumMiss(data), 1e-9);
    EXPECT_LT(std::max({data.accuracy.w, data.accuracy.Q, data.accuracy.M}), 1e-4);
    double miss[2];
    for (int coarse = 0; coarse < 2; ++coarse) {
      data.elementCount = coarse == 0 ? 100 : 200;
      ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
      miss[coarse] = std::fabs(data.reactions[1].moment - ((turnedBase ? p : 0.0) - kr * theta));
    }
    EXPECT_NEAR(miss[0] / miss[1], 4.0, 0.2);
  }
}

// A pin holding the middle of a long beam on springs k·b under q down to w = 0 takes the force of
// Hetényi's infinite beam that lifts it by q/k there, R = 2q·b/β. Its error counts in Q's
// figure, which on a mesh far too coarse for the springs says at least as much.
TEST_F(AnalysisTest, TheSupportsForcesCountInTheAccuracyOfQ) {
  const double q = 10.0, k = 1.0e4, ei = 1.0e3, beta = std::pow(k / (4.0 * ei), 0.25);
  const double reaction = 2.0 * q / beta;
  for (const int elements : {1000, 10}) {
    SCOPED_TRACE(elements);
    ProblemData data;
    data.sectionCount = 2;
    data.elementCount = elements;
    data.stiffnessEI = ei;
    data.sections[0] = data.sections[1] = {100.0, q, k};
    data.points[1].support.kind = SupportKind::Pinned;
    UpdatePointPositions(data);
    ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
    ASSERT_TRUE(data.accuracy.available);
    const double miss = std::fabs(data.reactions[1].force - reaction) / reaction;
    EXPECT_GE(data.accuracy.Q, miss * (1.0 - 1e-6));
    if (elements == 1000) {
      EXPECT_LT(miss, 1e-3);
    } else {
      EXPECT_GT(miss, 0.5);
    }
  }
}

// What is left free is named: a beam without springs on one pin turns about it, one held only
// against turning sinks; and two held rotations too close for the mesh are refused.
TEST_F(AnalysisTest, BeamsTheSupportsCannotHoldAreNamedByWhatIsFree) {
  const struct {
    int point;
    SupportKind kind;
    const char* message;
  } cases[] = {
      {1, SupportKind::Pinned,
       "Error : The supports and springs cannot hold the beam.\nIt can turn about x = 4.000 m: "
       "add a support or springs away from there.\nNo output given.\n"},
      {0, SupportKind::Guided,
       "Error : The supports and springs cannot hold the beam.\nIt can sink as a whole: add a "
       "support or springs under it.\nNo output given.\n"},
  };
  for (const auto& c : cases) {
    ProblemData data;
    data.sectionCount = 2;
    data.elementCount = 20;
    data.sections[0] = {4.0, 5.0, 0.0};
    data.sections[1] = {6.0, 5.0, 0.0};
    data.points[c.point].support.kind = c.kind;
    UpdatePointPositions(data);
    const CalculationOutcome outcome = RunCalculation(data, *work);
    EXPECT_EQ(outcome.message, c.message);
    EXPECT_FALSE(data.resultsAvailable);
  }
  // Two points that hold the rotation on the two ends of a section of one element.
  ProblemData data;
  data.sectionCount = 3;
  data.elementCount = 20;
  data.sections[0] = {4.0, 5.0, 100.0};
  data.sections[1] = {0.1, 5.0, 100.0};
  data.sections[2] = {6.0, 5.0, 100.0};
  data.points[1].support.kind = SupportKind::Fixed;
  data.points[2].support.kind = SupportKind::Guided;
  UpdatePointPositions(data);
  EXPECT_EQ(RunCalculation(data, *work).message,
            "Error : Points 1 and 2 hold the rotation at the two ends of one element.\n"
            "Raise the number of elements.\nNo output given.\n");
}

// Sections of their own EI and width: a footing whose middle 30 m are four times as stiff and
// twice as wide as its ends, with a point force in its middle 15 m from either step, where
// e^-β·15 < 1e-6. There the beam is Hetenyi's infinite beam with the middle's own values,
// β = (k·b/(4·EI))^(1/4), w = q/k + F·β/(2·k·b) and M = F/(4β); the load on the soil is q times
// the area, each section with its own width.
TEST_F(AnalysisTest, SectionsOfTheirOwnStiffnessAndWidthMatchHetenyiWithTheirValues) {
  const double k = 1.0e6, q = 10.0, force = 100.0, ei = 4.0e5, width = 2.0;
  ProblemData data;
  data.sectionCount = 4;
  data.elementCount = 1000;
  data.stiffnessEI = 1.0e5;
  data.beamWidth = 1.0;
  data.sections[0] = data.sections[3] = {30.0, q, k};
  data.sections[1] = data.sections[2] = {15.0, q, k, ei, width};
  data.points[2].force = force;
  UpdatePointPositions(data);
  ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  const int point = work->mesh.pointNode[2];
  ASSERT_EQ(data.nodes[point].x, 45.0);
  const double beta = std::pow(k * width / (4.0 * ei), 0.25);
  const double w = q / k + force * beta / (2.0 * k * width), m = force / (4.0 * beta);
  const ExactNode& exact = data.exactNodes[point];
  EXPECT_NEAR(exact.w, w, 1e-6 * w);
  EXPECT_NEAR(exact.MLeft, m, 1e-6 * m);
  EXPECT_NEAR(exact.QLeft, force / 2.0, 1e-6 * force);
  EXPECT_NEAR(exact.QRight, -force / 2.0, 1e-6 * force);
  EXPECT_NEAR(data.nodes[point].w, w, 5e-3 * w);
  EXPECT_NEAR(data.nodes[point].M, m, 5e-3 * m);
  ASSERT_TRUE(data.accuracy.available);
  EXPECT_LT(std::max({data.accuracy.w, data.accuracy.Q, data.accuracy.M}), 5e-3);
  const EquilibriumTotals totals = ComputeResultQuantities(data).equilibrium;
  EXPECT_NEAR(totals.load, q * (30.0 + 15.0 * width + 15.0 * width + 30.0), 1e-9);
  EXPECT_NEAR(totals.springForces, totals.load + force, 1e-9 * totals.springForces);
}

// Whole beams against the closed form of EI·w⁗ + k·b·w = q·b solved exactly on every section
// (exponential-trigonometric or polynomial solutions, matched for w, w', M and Q at the points,
// with free ends), evaluated once in 40-digit arithmetic.
TEST_F(AnalysisTest, BeamsWithPointMomentsMatchTheClosedForm) {
  ProblemData demo;  // springs 100, 0, 100 kN/m³, q = 10 kN/m², EI 1e6 kNm², 100 kNm at x = 10 m
  demo.elementCount = 1000;
  demo.points[1].moment = 100.0;
  ProblemData end;  // 0.3 m and 29.7 m on springs of 10000 kN/m³, EI 1e5, 100 kNm at x = 0.3 m
  end.sectionCount = 2;
  end.elementCount = 1000;
  end.stiffnessEI = 1.0e5;
  end.sections[0] = {0.3, 0.0, 10000.0};
  end.sections[1] = {29.7, 0.0, 10000.0};
  end.points[1].moment = 100.0;
  // The extremes, and M and Q at the nodes a - 1, a and a + 1 around the moment's node a, where
  // M is the value left of the moment, and M right of it.
  struct Case {
    const char* name;
    const ProblemData& data;
    double minW, maxW, minQ, maxQ, minM, maxM;
    int node;
    double m[3], q[3];
    double mRight;
  } cases[] = {
      {"demonstration",
       demo,
       0.130840,
       0.166369,
       -54.6369,
       45.3631,
       0.0,
       406.008,
       333,
       {201.758, 203.118, 304.475},
       {45.1862, 45.3631, 45.0628},
       303.118},
      {"near the end",
       end,
       -0.00312075,
       0.000657351,
       -25.6384,
       1.10793,
       -4.32125,
       98.6954,
       10,
       {-1.06481, -1.30460, 98.4335},
       {-7.61818, -8.36490, -9.09170},
       98.6954},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProblemData data = c.data;
    const CalculationOutcome outcome = RunCalculation(data, *work);
    ASSERT_EQ(outcome.status, CalculationStatus::Success);
    const ResultSummary& s = outcome.summary;
    const double w = 0.005 * (c.maxW - c.minW), q = 0.005 * (c.maxQ - c.minQ),
                 m = 0.005 * (c.maxM - c.minM);
    EXPECT_NEAR(s.minW, c.minW, w);
    EXPECT_NEAR(s.maxW, c.maxW, w);
    EXPECT_NEAR(s.minQ, c.minQ, q);
    EXPECT_NEAR(s.maxQ, c.maxQ, q);
    EXPECT_NEAR(s.minM, c.minM, m);
    EXPECT_NEAR(s.maxM, c.maxM, m);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(data.nodes[c.node - 1 + i].M, c.m[i], m) << i;
      EXPECT_NEAR(data.nodes[c.node - 1 + i].Q, c.q[i], q) << i;
    }
    // The moment jumps by itself, the shear force runs on.
    EXPECT_NEAR(data.nodes[c.node].MRight, c.mRight, m);
    EXPECT_EQ(data.nodes[c.node].QRight, data.nodes[c.node].Q);
    EXPECT_LT(EquilibriumMiss(data), 1e-9);
  }
}

// Equilibrium of the whole beam, and symmetry where the beam is symmetric, whichever solver found
// the solution.
TEST_F(AnalysisTest, EveryStoredSolutionIsInEquilibrium) {
  struct Case {
    const char* name;
    ProblemData data;
    bool symmetric;
  };
  ProblemData demo;
  demo.elementCount = 99;  // 33 elements a section: a symmetric mesh
  std::vector<Case> cases{{"demonstration", demo, true}};
  // Half of the moment's couple lands on node 0 when the first section has one element.
  ProblemData lost;
  lost.sectionCount = 2;
  lost.stiffnessEI = 1.0e5;
  lost.sections[0] = {0.3, 0.0, 10000.0};
  lost.sections[1] = {29.7, 0.0, 10000.0};
  lost.points[1].moment = 100.0;
  cases.push_back({"one element before the moment", lost, false});
  // Nearly no springs under the end sections: the block elimination meets weak pivots.
  for (double k : {0.0, 7e-12, 7e-11, 2e-10, 1e-6}) {
    ProblemData weak = ThreeSections(k, 1.0e6, k);
    weak.elementCount = 999;
    cases.push_back({"weak ends", weak, true});
  }
  ProblemData negative = ThreeSections(100.0, -50.0, 100.0);
  negative.elementCount = 99;
  cases.push_back({"negative springs in the middle", negative, true});
  ProblemData forces = ThreeSections(100.0, 100.0, 100.0);
  forces.points[0].force = 20.0;
  forces.points[2].force = -35.0;
  forces.points[2].moment = 12.0;
  forces.points[3].force = 7.0;
  cases.push_back({"point loads", forces, false});
  // A free-headed pile (3 m above the ground, 15 m in it) and beams with an unloaded end that
  // lies on no springs, whose free end holds M = 0 only to rounding: every element count.
  for (int n : {100, 200, 500, 1000}) cases.push_back({"pile", FreeHeadPile(n), false});
  for (int n = 10; n <= 1000; ++n) {
    for (bool mirrored : {false, true}) {
      ProblemData overhang;
      overhang.sectionCount = 2;
      overhang.elementCount = n;
      overhang.sections[mirrored ? 1 : 0] = {2.0, 0.0, 0.0};
      overhang.sections[mirrored ? 0 : 1] = {10.0, 10.0, 1000.0};
      overhang.points[1].force = 50.0;
      cases.push_back({"overhang", overhang, false});
    }
  }
  // Springs so weak beside the bending that statics alone places the beam: a beam bent by its
  // end moments alone (M is 10 kNm all along), and an overhang loaded at its free end.
  for (double k : {1e-9, 1e-12, 1e-20}) {
    ProblemData bent;
    bent.sectionCount = 1;
    bent.elementCount = 333;
    bent.sections[0] = {10.0, 0.0, k};
    bent.points[0].moment = 10.0;
    bent.points[1].moment = -10.0;
    cases.push_back({"weak springs, bent", bent, true});
    ProblemData overhang = bent;
    overhang.sectionCount = 2;
    overhang.elementCount = 1000;
    overhang.sections[0] = {2.0, 0.0, 0.0};
    overhang.sections[1] = {8.0, 5.0, k};
    overhang.points[0] = {0.0, 10.0, 5.0};
    overhang.points[2] = {};
    cases.push_back({"weak springs, overhang", overhang, false});
  }
  std::mt19937 random(17);
  auto uniform = [&](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
  };
  for (int i = 0; i < 100; ++i) {
    ProblemData beam;
    beam.sectionCount = 2 + i % 4;
    beam.elementCount = static_cast<int>(uniform(50, 1000));
    beam.stiffnessEI = std::pow(10.0, uniform(1, 8));
    for (int s = 0; s < beam.sectionCount; ++s) {
      beam.sections[s] = {std::pow(10.0, uniform(0, 2)), uniform(0, 50),
                          std::pow(10.0, uniform(0, 6))};
    }
    beam.sections[i % 2 ? 0 : beam.sectionCount - 1] = {uniform(1, 10), 0.0, 0.0};
    for (int p = 0; p <= beam.sectionCount; ++p) {
      beam.points[p] = {0.0, uniform(-100, 100), uniform(-100, 100)};
    }
    cases.push_back({"random with a bare end", beam, false});
  }

  ProblemData bare = ThreeSections(0.0, 1.0e6, 0.0);  // what weak end springs should all but give
  bare.elementCount = 999;
  ASSERT_EQ(RunCalculation(bare, *work).status, CalculationStatus::Success);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << ", k = " << c.data.sections[0].spring << ", "
                                    << c.data.elementCount << " elements");
    ProblemData data = c.data;
    const CalculationOutcome outcome = RunCalculation(data, *work);
    ASSERT_EQ(outcome.status, CalculationStatus::Success) << outcome.message;
    EXPECT_LT(EquilibriumMiss(data), 1e-9);
    // The resultant that soil taking no tension is judged by, against the problem's own.
    const LoadResultant expected = ResultantOf(data),
                        loads = ResultantOfLoads(data, work->mesh, 0.0);
    const double forceSize = std::fabs(expected.force) + std::fabs(loads.force) + 1.0;
    EXPECT_NEAR(loads.force, expected.force, 1e-12 * forceSize);
    EXPECT_NEAR(loads.moment, expected.moment,
                1e-12 * (std::fabs(expected.moment) + forceSize * data.nodes[data.elementCount].x));
    const int n = data.elementCount;
    if (std::string(c.name) == "weak ends") {
      for (int j = 0; j <= n; j += 37) {
        EXPECT_NEAR(data.nodes[j].w, bare.nodes[j].w, 1e-8 * std::fabs(bare.nodes[j].w)) << j;
        EXPECT_NEAR(data.nodes[j].M, bare.nodes[j].M, 1e-6) << j;
      }
    }
    if (std::string(c.name) == "weak springs, bent") {
      for (int j = 0; j <= n; j += 37) EXPECT_NEAR(data.nodes[j].M, 10.0, 1e-9) << j;
    }
    if (!c.symmetric) continue;
    for (int j = 0; j <= n / 2; j += 10) {
      EXPECT_NEAR(data.nodes[j].w, data.nodes[n - j].w, 1e-9 * std::fabs(data.nodes[j].w)) << j;
      EXPECT_NEAR(data.nodes[j].M, data.nodes[n - j].M, 1e-6 * (1 + std::fabs(data.nodes[j].M)))
          << j;
    }
  }
}

// A free beam with a uniform load on uniform springs settles evenly by w = q/k whatever its
// length, without bending. Where double precision cannot solve the equations of very long
// elements, the run says so: never wrong numbers, never a held beam reported as not held.
TEST_F(AnalysisTest, VeryLongBeamsGiveTheExactValuesOrSaySoHonestly) {
  struct Case {
    double length;
    int sections, elements;
    double spring;
  } cases[] = {{1e8, 1, 100, 100.0},  {1e6, 3, 10, 100.0},   {3e6, 3, 10, 100.0},
               {1e7, 3, 10, 100.0},   {1e6, 1, 10, 100.0},   {1e7, 1, 100, 100.0},
               {1e5, 1, 1000, 100.0}, {20.0, 1, 100, -100.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.length << " m, " << c.elements << " elements, k " << c.spring);
    ProblemData data;
    data.sectionCount = c.sections;
    data.elementCount = c.elements;
    for (int i = 0; i < c.sections; ++i) data.sections[i] = {c.length / c.sections, 10.0, c.spring};
    const CalculationOutcome outcome = RunCalculation(data, *work);
    if (outcome.status != CalculationStatus::Success) {
      EXPECT_EQ(outcome.fault.kind, FaultKind::Inaccurate);
      continue;
    }
    EXPECT_LT(EquilibriumMiss(data), 1e-9);
    const double w = 10.0 / c.spring, load = 10.0 * c.length;
    for (int j = 0; j <= c.elements; ++j) {
      // Six digits, three more than any result shows.
      ASSERT_NEAR(data.nodes[j].w, w, 1e-6 * std::fabs(w)) << j;
      ASSERT_NEAR(data.nodes[j].Q, 0.0, 1e-9 * load) << j;
      ASSERT_NEAR(data.nodes[j].M, 0.0, 1e-9 * load * c.length) << j;
    }
  }
}

// Soil that takes no tension: the answer meets the conditions of its contact (every spring in
// contact pressing, the beam above every left-out spring at or above the soil) and equilibrium,
// against independent values. A central point load on a long beam (β·L/2 = 6.3) leaves contact
// over π/β, where the free beam of that length on springs has w = 0 at its ends, and the answer
// is that of the beam with the springs beyond left out; a centred load on a footing never
// lifts; an eccentric one lifts the far end; loads that pull the beam up lift it off entirely.
TEST_F(AnalysisTest, SoilThatTakesNoTensionLetsTheBeamLiftOff) {
  const double k = 1000.0, ei = 1.0e6, beta = std::pow(k / (4.0 * ei), 0.25);
  ProblemData central;
  central.sectionCount = 2;
  central.elementCount = 1000;
  central.sections[0] = central.sections[1] = {50.0, 0.0, k};
  central.points[1].force = 100.0;
  ProblemData footing;  // 4 m on stiff soil, 500 kN at its middle or 1 m from its left end
  footing.sectionCount = 2;
  footing.stiffnessEI = 1.0e5;
  footing.sections[0] = footing.sections[1] = {2.0, 0.0, 20000.0};
  footing.points[1].force = 500.0;
  ProblemData eccentric = footing;
  eccentric.sections[0].length = 1.0;
  eccentric.sections[1].length = 3.0;
  ProblemData upward;
  for (SectionRow& section : upward.sections) section.load = -10.0;
  // 10 m on springs and 5 m beyond them, 500 kN at that end: the resultant lies 3.3 m beyond
  // the springs, and the beam tips off them.
  ProblemData tipping;
  tipping.sectionCount = 2;
  tipping.sections[0] = {10.0, 10.0, 1000.0};
  tipping.sections[1] = {5.0, 0.0, 0.0};
  tipping.points[2].force = 500.0;
  struct Case {
    const char* name;
    ProblemData data;
    double contactFrom, contactTo;  // the contact expected, m, within one element
    int rounds;                     // the most solves it may take
  } cases[] = {{"central load", central, 50.0 - M_PI / (2 * beta), 50.0 + M_PI / (2 * beta), 4},
               {"centred footing", footing, 0.0, 4.0, 1},
               {"eccentric footing", eccentric, 0.0, 2.96, 3},
               {"upward loads", upward, 0.0, 0.0, 0},
               {"resultant beyond the springs", tipping, 0.0, 0.0, 0}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProblemData& data = c.data;
    data.noTension = true;
    const CalculationOutcome outcome = RunCalculation(data, *work);
    if (c.contactTo == 0.0) {
      EXPECT_EQ(outcome.fault.kind, FaultKind::LiftsOff);
      EXPECT_FALSE(data.resultsAvailable);
      continue;
    }
    ASSERT_EQ(outcome.status, CalculationStatus::Success) << outcome.message;
    const int n = data.elementCount;
    const double h = data.nodes[1].x, scale = 1e-10 * std::max(FindExtremes(data).maxW, 0.0);
    double from = 1e300, to = -1e300;
    for (int j = 0; j < n; ++j) {
      const double meanW = 0.5 * (data.nodes[j].w + data.nodes[j + 1].w);
      if (data.liftedOff[j]) {
        EXPECT_LE(meanW, scale) << j;
      } else {
        EXPECT_GE(meanW, -scale) << j;
        from = std::min(from, data.nodes[j].x);
        to = std::max(to, data.nodes[j + 1].x);
      }
    }
    EXPECT_NEAR(from, c.contactFrom, h * 1.0001);
    EXPECT_NEAR(to, c.contactTo, h * 1.0001);
    EXPECT_LT(EquilibriumMiss(data), 1e-9);
    EXPECT_TRUE(data.accuracy.available);
    EXPECT_EQ(data.contactRounds > 1, from > 0.0 || to < data.nodes[n].x - h / 2);
    EXPECT_LE(data.contactRounds, c.rounds);

    // The beam with the springs left out where it lifted: the same answer, on soil that takes
    // tension too. Its sections end where the contact does and at the load, so that its mesh
    // is the same.
    if (from == 0.0 && to > data.nodes[n].x - h / 2) continue;  // nothing lifted
    const double load = data.sections[0].length, length = data.nodes[n].x;
    ProblemData bare;
    bare.elementCount = n;
    bare.stiffnessEI = data.stiffnessEI;
    bare.sectionCount = 0;
    int loadPoint = 0;
    auto add = [&](double x0, double x1, double modulus) {
      if (x1 - x0 < h / 2) return;
      bare.sections[bare.sectionCount++] = {x1 - x0, 0.0, modulus};
      if (std::fabs(x1 - load) < h / 2) loadPoint = bare.sectionCount;
    };
    const double modulus = data.sections[0].spring;
    add(0.0, from, 0.0);
    add(from, load, modulus);
    add(load, to, modulus);
    add(to, length, 0.0);
    bare.points[loadPoint].force = data.points[1].force;
    ASSERT_EQ(RunCalculation(bare, *work).status, CalculationStatus::Success);
    const ResultSummary s = FindExtremes(data);
    for (int j = 0; j <= n; ++j) {
      ASSERT_NEAR(bare.nodes[j].x, data.nodes[j].x, 1e-9) << j;
      ASSERT_NEAR(bare.nodes[j].w, data.nodes[j].w, 1e-9 * (s.maxW - s.minW)) << j;
      ASSERT_NEAR(bare.nodes[j].M, data.nodes[j].M, 1e-9 * (s.maxM - s.minM)) << j;
    }
  }
}

// Soil that takes no tension: beams of many sections on a flexible beam (EI 1e3 kNm²) whose
// upward forces outweigh the downward ones in places, which came to rest on a few elements only
// and whose contact sets used to go round or run out of springs. Each has a contact, and the
// answer meets its every condition, element by element, and carries the loads, against values
// made from the problem alone.
TEST_F(AnalysisTest, SoilThatTakesNoTensionSettlesEveryBeamThatHasAContact) {
  struct Case {
    const char* name;
    std::vector<double> lengths, loads, springs, forces;
  } cases[] = {{"18 sections, once lifted off",
                {1.7, 1.2, 4.6, 0.7, 3.6, 4, 3.1, 2, 1.3, 2, 3, 4.4, 4.2, 3.1, 1.7, 2.2, 1.8, 2},
                {12, 3, 6, 13, 7, 17, 2, 13, 18, 9, 19, 19, 5, 5, 7, 10, 17, 20},
                {2300, 8700, 7600, 200, 2100, 1100, 6900, 3000, 7200, 4900, 10100, 9000, 2900, 8900,
                 1200, 9500, 6200, 3300},
                {-460, -20, -90, 310, 380, 110, -770, 280, 530, 130, -310, 280, -260, -140, 10,
                 -340, -160, 140, 30}},
               {"14 sections, once unsettled",
                {4.7, 4.6, 3.7, 4.9, 3.9, 0.9, 1.1, 4.3, 2.2, 2.4, 2.1, 2.2, 1.4, 0.8},
                {10, 1, 20, 4, 2, 4, 9, 4, 18, 0, 14, 14, 16, 7},
                {6200, 4000, 8400, 5000, 5200, 1000, 7700, 2600, 3100, 500, 7600, 6400, 7200, 3100},
                {-80, -270, 70, 480, 630, -70, -110, -230, 180, -620, -730, -440, 830, 690, 650}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProblemData data;
    data.noTension = true;
    data.stiffnessEI = 1.0e3;
    data.elementCount = 100;
    data.sectionCount = static_cast<int>(c.lengths.size());
    std::vector<double> ends{0.0};  // x of each point
    for (int i = 0; i < data.sectionCount; ++i) {
      data.sections[i] = {c.lengths[i], c.loads[i], c.springs[i]};
      ends.push_back(ends.back() + c.lengths[i]);
    }
    for (int p = 0; p <= data.sectionCount; ++p) data.points[p].force = c.forces[p];
    const CalculationOutcome outcome = RunCalculation(data, *work);
    ASSERT_EQ(outcome.status, CalculationStatus::Success) << outcome.message;
    EXPECT_LE(data.contactRounds, 20);

    const int n = data.elementCount;
    double largest = 0.0;
    for (int j = 0; j <= n; ++j) largest = std::max(largest, std::fabs(data.nodes[j].w));
    const double tolerance = 1e-10 * largest;
    double force = 0.0, moment = 0.0;
    int pressing = 0;
    for (int j = 0; j < n; ++j) {
      const double x0 = data.nodes[j].x, x1 = data.nodes[j + 1].x, middle = 0.5 * (x0 + x1);
      const double meanW = 0.5 * (data.nodes[j].w + data.nodes[j + 1].w);
      if (data.liftedOff[j]) {
        EXPECT_LE(meanW, tolerance) << j;  // the beam at or above the soil
        continue;
      }
      EXPECT_GE(meanW, -tolerance) << j;  // the spring presses
      ++pressing;
      const int section =
          static_cast<int>(std::upper_bound(ends.begin(), ends.end(), middle) - ends.begin()) - 1;
      const double spring = data.sections[section].spring * (x1 - x0) * data.beamWidth * meanW;
      force += spring;
      moment += spring * middle;
    }
    EXPECT_GE(pressing, 2);
    const LoadResultant loads = ResultantOf(data);
    EXPECT_NEAR(force, loads.force, 1e-9 * std::fabs(loads.force));
    EXPECT_NEAR(moment, loads.moment, 1e-9 * std::fabs(loads.force) * ends.back());
  }
}

TEST_F(AnalysisTest, EliminationOrderDecidesWhichEndNeedsSprings) {
  // Last section without springs: the first pivot of Descending is K/2 = 0.
  ProblemData data = ThreeSections(100, 100, 0);
  Prepare(data);
  EXPECT_FALSE(SolveSystem(work->system, data.elementCount, EliminationOrder::Descending));
  Prepare(data);
  EXPECT_TRUE(SolveSystem(work->system, data.elementCount, EliminationOrder::Ascending));
  // The equations stay as assembled beside the solution, which meets them.
  EXPECT_EQ(work->system.rows[1].entryCount, 3);
  EXPECT_LT(SolvedChainResidual(work->system, data.elementCount), 1e-14);

  // The run retries without any sign of it in the outcome.
  ProblemData run = ThreeSections(100, 100, 0);
  const CalculationOutcome outcome = RunCalculation(run, *work);
  EXPECT_EQ(outcome.status, CalculationStatus::Success);
  EXPECT_EQ(outcome.method, SolutionMethod::Ascending);
  EXPECT_TRUE(outcome.message.empty());

  // Both end sections without springs: both orders fail although the middle one holds the beam.
  ProblemData held = ThreeSections(0, 100, 0);
  Prepare(held);
  EXPECT_FALSE(SolveSystem(work->system, held.elementCount, EliminationOrder::Descending));
  Prepare(held);
  EXPECT_FALSE(SolveSystem(work->system, held.elementCount, EliminationOrder::Ascending));
}

// Both ends on no springs: both orders of the block elimination meet a zero pivot at once. The
// moments of the free ends follow from statics, and the elimination runs from where the springs
// begin; row exchanges give the same answer.
TEST_F(AnalysisTest, BeamHeldOnlyInTheMiddleIsSolvedFromWhereTheSpringsBegin) {
  ProblemData data = ThreeSections(0, 100, 0);
  data.elementCount = 99;  // 33 elements a section: a symmetric mesh
  const CalculationOutcome outcome = RunCalculation(data, *work);
  ASSERT_EQ(outcome.status, CalculationStatus::Success);
  EXPECT_EQ(outcome.method, SolutionMethod::FreeStart);
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

  // The banded solve gives the block elimination's answer where both apply, and that from where
  // the springs begin.
  for (ProblemData problem : {ProblemData(), data}) {
    Prepare(problem);
    const int n = problem.elementCount;
    ASSERT_TRUE(problem.sections[0].spring == 0.0
                    ? SolveFreeStart(work->system, n, 33)
                    : SolveSystem(work->system, n, EliminationOrder::Descending));
    std::vector<double> blockSolution;
    for (int j = 0; j <= n; ++j) {
      blockSolution.push_back(work->system.rows[j].rhs[0]);
      blockSolution.push_back(work->system.rows[j].rhs[1]);
    }
    Prepare(problem);
    ASSERT_TRUE(SolveBanded(work->system, n, work->band));
    for (int j = 0; j <= n; ++j) {
      EXPECT_NEAR(work->system.rows[j].rhs[0], blockSolution[2 * j], 1e-8);
      EXPECT_NEAR(work->system.rows[j].rhs[1], blockSolution[2 * j + 1], 1e-10);
    }
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
  EXPECT_EQ(outcome.fault.kind, FaultKind::NotHeld);
  EXPECT_FALSE(data.resultsAvailable);
  for (int j = 0; j <= 100; ++j) {
    EXPECT_EQ(data.nodes[j].x, before[j].x);
    EXPECT_EQ(data.nodes[j].w, before[j].w);
  }

  // Springs under a single element hold only the mean of its two end displacements: the beam can
  // still turn about that element's middle. The continuous beam is held, so the message says
  // what helps: more elements where the largest number of them puts two under the springs
  // (0.1 m of 20.1 m), else a longer section (0.01 m of 20.01 m).
  for (double length : {0.1, 0.01}) {
    ProblemData oneElement = ThreeSections(0, 100, 0);
    oneElement.sections[1].length = length;
    oneElement.resultsAvailable = true;
    outcome = RunCalculation(oneElement, *work);
    EXPECT_EQ(outcome.status, CalculationStatus::Singular);
    EXPECT_EQ(outcome.fault.kind, FaultKind::OneElementOnSprings);
    EXPECT_EQ(outcome.fault.moreElementsHelp, length == 0.1);
    EXPECT_TRUE(oneElement.resultsAvailable);
    oneElement.elementCount = kMaxElements;
    EXPECT_EQ(RunCalculation(oneElement, *work).status,
              length == 0.1 ? CalculationStatus::Success : CalculationStatus::Singular);
  }
}

// The accuracy a run reports against the same share worked out from independent values: the
// closed form of a semi-infinite beam (an end force on stiff springs, β·L = 354), Richardson's
// extrapolation of two finer meshes (the scheme is of second order), and nil where the scheme is
// exact. Shares are of each quantity's largest magnitude.
// The beam seen from its other end: sections and points in reverse order, the point moments
// turning the other way, and so the loads of every case and the loads anywhere.
ProblemData Mirrored(const ProblemData& data) {
  ProblemData mirror = data;
  const int last = data.sectionCount;
  double length = 0.0;
  for (int s = 0; s < last; ++s) length += data.sections[s].length;
  const auto mirrorLoads = [&](const LoadAnywhere* from, LoadAnywhere* to, int count) {
    for (int l = 0; l < count; ++l) to[l] = {length - from[l].x, from[l].force, -from[l].moment};
  };
  for (int s = 0; s < last; ++s) mirror.sections[s] = data.sections[last - 1 - s];
  for (int p = 0; p <= last; ++p) {
    mirror.points[p].force = data.points[last - p].force;
    mirror.points[p].moment = -data.points[last - p].moment;
    mirror.points[p].support = data.points[last - p].support;
    mirror.points[p].support.rotation = -data.points[last - p].support.rotation;
  }
  mirrorLoads(data.loadsAnywhere.data(), mirror.loadsAnywhere.data(), data.loadsAnywhereCount);
  for (int c = 1; c < data.loadCases.caseCount; ++c) {
    const LoadCase& from = data.loadCases.cases[c];
    LoadCase& to = mirror.loadCases.cases[c];
    for (int s = 0; s < last; ++s) to.sectionLoad[s] = from.sectionLoad[last - 1 - s];
    for (int p = 0; p <= last; ++p) {
      to.pointForce[p] = from.pointForce[last - p];
      to.pointMoment[p] = -from.pointMoment[last - p];
    }
    mirrorLoads(from.anywhere.data(), to.anywhere.data(), from.anywhereCount);
  }
  UpdatePointPositions(mirror);
  return mirror;
}

TEST_F(AnalysisTest, MirroredBeamsGiveMirroredAnswers) {
  // Beams loaded at or near their left end, so that what happens at the right end is only seen
  // in the mirror: w and M at node j are those of node n - j of the mirror, Q turns its sign, and
  // so do the exact beam's values either side of a point; the accuracy figures stay. Every mesh
  // shares its elements exactly, so that it mirrors too.
  ProblemData endForce;  // long elements for the springs: figures of a few percent
  endForce.sectionCount = 1;
  endForce.elementCount = 1000;
  endForce.stiffnessEI = 100.0;
  endForce.sections[0] = {50.0, 0.0, 1.0e6};
  endForce.points[0].force = 10.0;
  ProblemData endMoment = endForce;
  endMoment.elementCount = 200;
  endMoment.points[0] = {0.0, 0.0, 25.0};
  ProblemData loads = ThreeSections(100.0, 3000.0, 100.0);
  loads.elementCount = 99;
  loads.sections[0].load = 40.0;
  loads.points[0] = {0.0, 20.0, -15.0};
  loads.points[1] = {0.0, -35.0, 12.0};
  ProblemData lost;  // half of the moment's couple on the end node
  lost.sectionCount = 2;
  lost.stiffnessEI = 1.0e5;
  lost.sections[0] = {0.3, 0.0, 10000.0};
  lost.sections[1] = {29.7, 0.0, 10000.0};
  lost.points[1].moment = 100.0;
  ProblemData pile = FreeHeadPile(60);  // 10 elements above the ground, 50 in it
  // On soil that takes no tension, a beam of many sections whose upward forces outweigh the
  // downward ones in places, whose contact (three elements) active sets that flip could not
  // settle from either end: one element to the metre.
  ProblemData contact;
  contact.noTension = true;
  contact.stiffnessEI = 1.0e3;
  contact.elementCount = 51;
  contact.sectionCount = 16;
  const double lengths[] = {2, 2, 5, 1, 4, 2, 3, 4, 2, 4, 5, 2, 3, 4, 5, 3};
  const double contactLoads[] = {9, 1, 20, 9, 19, 6, 16, 18, 5, 12, 8, 13, 3, 8, 8, 3};
  const double springs[] = {9900, 6800, 5300, 1400, 1000, 7900, 2500, 2700,
                            1500, 4500, 5700, 2400, 4500, 8200, 3100, 2300};
  const double forces[] = {-570, -240, 700, -170, 590,  210, 40,   660, -680,
                           -690, -470, 530, 410,  -410, 80,  -360, 710};
  for (int i = 0; i < contact.sectionCount; ++i) {
    contact.sections[i] = {lengths[i], contactLoads[i], springs[i]};
  }
  for (int p = 0; p <= contact.sectionCount; ++p) contact.points[p] = {0.0, forces[p], 0.0};
  // Held at the left: a pile head guided by its cap; a fixed end turned and settled, a pin
  // inside, a spring at the right end, a stiffer and wider section, on soil that takes no
  // tension too.
  ProblemData guided = FreeHeadPile(60);
  guided.points[0].support = {SupportKind::Guided, 0.0, 0.0, 0.0, 0.002};
  ProblemData supported = loads;
  supported.points[0].support = {SupportKind::Fixed, 0.0, 0.0, 0.004, -0.001};
  supported.points[2].support.kind = SupportKind::Pinned;
  supported.points[3].support = {SupportKind::Elastic, 500.0, 2.0e4, 0.0, 0.0};
  supported.points[1].support = {SupportKind::Elastic, 800.0, 5.0e4, 0.0, 0.0};
  supported.sections[1].stiffnessEI = 3.0e6;
  supported.sections[1].width = 1.5;
  ProblemData supportedContact = supported;
  supportedContact.noTension = true;
  // Rotations held inside: a fixed point that settles and turns under a point moment, which it
  // takes in whole, and a guided one beside a rotational spring at the end.
  ProblemData heldInside = supported;
  heldInside.points[1].support = {SupportKind::Fixed, 0.0, 0.0, 0.003, 0.001};
  heldInside.points[2].support = {SupportKind::Guided, 0.0, 0.0, 0.0, -0.002};
  ProblemData heldContact = heldInside;
  heldContact.noTension = true;
  // Loads anywhere: a force and a moment inside elements, a force a ten-thousandth of an
  // element from a node (it stands on the node with its moment), on linear soil and on soil that
  // takes no tension.
  ProblemData anywhere = loads;
  anywhere.loadsAnywhereCount = 3;
  anywhere.loadsAnywhere[0] = {13.37, 60.0, 0.0};
  anywhere.loadsAnywhere[1] = {2.71, 0.0, -40.0};
  anywhere.loadsAnywhere[2] = {(45.0 + 1e-4) * 30.0 / 99.0, 25.0, 0.0};
  ProblemData anywhereContact = anywhere;
  anywhereContact.noTension = true;
  const std::pair<const char*, ProblemData> beams[] = {
      {"force at the end", endForce},
      {"moment at the end", endMoment},
      {"loads and moments", loads},
      {"one element before a moment", lost},
      {"free-headed pile", pile},
      {"soil that takes no tension", contact},
      {"guided pile head", guided},
      {"supports and own sections", supported},
      {"supports on soil that takes no tension", supportedContact},
      {"rotations held inside", heldInside},
      {"rotations held inside on soil that takes no tension", heldContact},
      {"loads anywhere", anywhere},
      {"loads anywhere on soil that takes no tension", anywhereContact}};
  for (const auto& [name, beam] : beams) {
    SCOPED_TRACE(name);
    ProblemData data = beam, mirror = Mirrored(beam);
    ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
    ASSERT_EQ(RunCalculation(mirror, *work).status, CalculationStatus::Success);
    const int n = data.elementCount;
    double size = 0.0;
    for (int j = 0; j <= n; ++j) {
      size = std::max({size, std::fabs(data.nodes[j].w), std::fabs(data.nodes[j].Q),
                       std::fabs(data.nodes[j].M)});
    }
    double length = 0.0;
    for (int s = 0; s < data.sectionCount; ++s) length += data.sections[s].length;
    // The largest departure from the mirror of each kind, and where.
    double x = 0.0, scheme = 0.0, exact = 0.0;
    int worst = -1;
    for (int j = 0; j <= n; ++j) {
      const ResultNode &a = data.nodes[j], &b = mirror.nodes[n - j];
      const ExactNode &e = data.exactNodes[j], &f = mirror.exactNodes[n - j];
      x = std::max(x, std::fabs(a.x - (length - b.x)));
      const double before = std::max(scheme, exact);
      // The left side of a node is the mirror's right side.
      scheme = std::max({scheme, std::fabs(a.w - b.w), std::fabs(a.Q + b.QRight),
                         std::fabs(a.QRight + b.Q), std::fabs(a.M - b.MRight),
                         std::fabs(a.MRight - b.M)});
      exact = std::max({exact, std::fabs(e.w - f.w), std::fabs(e.QLeft + f.QRight),
                        std::fabs(e.QRight + f.QLeft), std::fabs(e.MLeft - f.MRight),
                        std::fabs(e.MRight - f.MLeft)});
      if (std::max(scheme, exact) > before) worst = j;
    }
    EXPECT_LT(x, 1e-9 * length);
    EXPECT_LT(scheme, 1e-8 * size) << "node " << worst;
    EXPECT_LT(exact, 1e-8 * size) << "node " << worst;
    for (int j = 0; j < n; ++j) EXPECT_EQ(data.liftedOff[j], mirror.liftedOff[n - 1 - j]) << j;
    for (int p = 0, last = data.sectionCount; p <= last; ++p) {
      EXPECT_NEAR(data.reactions[p].force, mirror.reactions[last - p].force, 1e-8 * size) << p;
      EXPECT_NEAR(data.reactions[p].moment, -mirror.reactions[last - p].moment, 1e-8 * size) << p;
    }
    ASSERT_TRUE(data.accuracy.available && mirror.accuracy.available);
    EXPECT_NEAR(data.accuracy.w, mirror.accuracy.w, 1e-9 + 1e-6 * data.accuracy.w);
    // Each side is measured against its own: Q's figure mirrors as well.
    EXPECT_NEAR(data.accuracy.Q, mirror.accuracy.Q, 1e-9 + 1e-6 * data.accuracy.Q);
    EXPECT_NEAR(data.accuracy.M, mirror.accuracy.M, 1e-9 + 1e-6 * data.accuracy.M);
  }
  // The envelope of a second case, a combination and an axle rolling over the beam in steps of
  // an element (the positions mirror too) on either soil: w, M and p mirror, and Q with its sign
  // turned, the envelope taking both sides of every node.
  for (const bool noTension : {false, true}) {
    SCOPED_TRACE(noTension ? "envelope on soil that takes no tension" : "envelope");
    ProblemData data = anywhere;
    data.noTension = noTension;
    LoadCases& cases = data.loadCases;
    cases.caseCount = 2;
    cases.cases[1].sectionLoad[2] = 30.0;
    cases.cases[1].pointMoment[1] = 50.0;
    cases.cases[1].anywhereCount = 1;
    cases.cases[1].anywhere[0] = {7.7, 80.0, 10.0};
    cases.combinationCount = 2;
    cases.combinations[0] = {ShortText("ULS"), {1.35, 1.5}};
    cases.combinations[1] = {ShortText("SLS"), {1.0, 1.0}};
    cases.movingLoad.axleCount = 1;
    cases.movingLoad.axleLoad[0] = 120.0;
    cases.movingLoad.combination = 1;
    auto envelope = std::make_unique<Envelope>(), mirrored = std::make_unique<Envelope>();
    auto scratch = std::make_unique<ProblemData>();
    ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
              CalculationStatus::Success);
    ASSERT_EQ(RunEnvelope(Mirrored(data), *work, *scratch, *mirrored).outcome.status,
              CalculationStatus::Success);
    // On soil that takes tension the positions are solved together, whichever end they start at.
    EXPECT_EQ(envelope->factoredStates > 0, !noTension);
    EXPECT_EQ(mirrored->factoredStates, envelope->factoredStates);
    const int n = data.elementCount;
    const double size = std::max(envelope->nodes[n / 2].MMax.value, 1.0);
    for (int j = 0; j <= n; ++j) {
      const NodeEnvelope &a = envelope->nodes[j], &b = mirrored->nodes[n - j];
      EXPECT_NEAR(a.wMax.value, b.wMax.value, 1e-8 * size) << j;
      EXPECT_NEAR(a.wMin.value, b.wMin.value, 1e-8 * size) << j;
      EXPECT_NEAR(a.MMax.value, b.MMax.value, 1e-8 * size) << j;
      EXPECT_NEAR(a.MMin.value, b.MMin.value, 1e-8 * size) << j;
      EXPECT_NEAR(a.QMax.value, -b.QMin.value, 1e-8 * size) << j;
    }
    for (int e = 0; e < n; ++e) {
      EXPECT_NEAR(envelope->elements[e].pMax.value, mirrored->elements[n - 1 - e].pMax.value,
                  1e-8 * size);
    }
  }

  // A beam pulled up more than it is pushed down lifts off, seen from either end.
  ProblemData lifted = loads;
  lifted.noTension = true;
  lifted.points[3].force = -500.0;
  ProblemData mirror = Mirrored(lifted);
  EXPECT_EQ(RunCalculation(lifted, *work).fault.kind, FaultKind::LiftsOff);
  EXPECT_EQ(RunCalculation(mirror, *work).fault.kind, FaultKind::LiftsOff);
}

TEST_F(AnalysisTest, ReportedAccuracyMatchesIndependentValues) {
  struct Shares {
    double w = 0.0, Q = 0.0, M = 0.0;
  };
  auto share = [](const ProblemData& data, auto exactAt) {
    Shares miss, size;
    for (int j = 0; j <= data.elementCount; ++j) {
      const ResultNode e = exactAt(j), &node = data.nodes[j];
      miss = {std::max(miss.w, std::fabs(node.w - e.w)), std::max(miss.Q, std::fabs(node.Q - e.Q)),
              std::max(miss.M, std::fabs(node.M - e.M))};
      size = {std::max(size.w, std::fabs(e.w)), std::max(size.Q, std::fabs(e.Q)),
              std::max(size.M, std::fabs(e.M))};
    }
    return Shares{miss.w / size.w, miss.Q / size.Q, miss.M / size.M};
  };
  auto expectReported = [](const ProblemData& data, const Shares& expected, double tolerance) {
    ASSERT_TRUE(data.accuracy.available);
    EXPECT_NEAR(data.accuracy.w, expected.w, tolerance * expected.w);
    EXPECT_NEAR(data.accuracy.Q, expected.Q, tolerance * expected.Q);
    EXPECT_NEAR(data.accuracy.M, expected.M, tolerance * expected.M);
  };

  // 50 m on springs of 1e6 kN/m³, EI 100 kNm², 10 kN at the left end: w = 2Fβ/k·e^-βx·cos βx,
  // M = -F/β·e^-βx·sin βx, Q = -F·e^-βx·(cos βx - sin βx). The elements are long for such
  // springs: M is 3.3 % off, Q 1.4 %.
  ProblemData stiff;
  stiff.sectionCount = 1;
  stiff.elementCount = 1000;
  stiff.stiffnessEI = 100.0;
  stiff.sections[0] = {50.0, 0.0, 1.0e6};
  stiff.points[0].force = 10.0;
  ASSERT_EQ(RunCalculation(stiff, *work).status, CalculationStatus::Success);
  const double beta = std::pow(1.0e6 / 400.0, 0.25), force = 10.0;
  const Shares closed = share(stiff, [&](int j) {
    const double t = beta * stiff.nodes[j].x, e = std::exp(-t);
    return ResultNode{0.0, 2 * force * beta / 1.0e6 * e * std::cos(t),
                      -force * e * (std::cos(t) - std::sin(t)), -force / beta * e * std::sin(t)};
  });
  expectReported(stiff, closed, 1e-6);
  EXPECT_NEAR(closed.M, 0.033, 0.001);
  EXPECT_NEAR(closed.Q, 0.014, 0.001);

  // The demonstration beam at 33 elements a section, against (4·x(4n) - x(2n))/3 at its nodes.
  ProblemData coarse, finer, finest;
  coarse.elementCount = 99;
  finer.elementCount = 198;
  finest.elementCount = 396;
  for (ProblemData* data : {&coarse, &finer, &finest}) {
    ASSERT_EQ(RunCalculation(*data, *work).status, CalculationStatus::Success);
  }
  const Shares extrapolated = share(coarse, [&](int j) {
    const ResultNode &a = finer.nodes[2 * j], &b = finest.nodes[4 * j];
    return ResultNode{0.0, (4 * b.w - a.w) / 3, (4 * b.Q - a.Q) / 3, (4 * b.M - a.M) / 3};
  });
  expectReported(coarse, extrapolated, 1e-3);

  // A point moment placed at its point: the demonstration beam with 100 kNm at point 1 within
  // a ten-thousandth of each quantity at the default 100 elements.
  ProblemData moment;
  moment.points[1].moment = 100.0;
  ASSERT_EQ(RunCalculation(moment, *work).status, CalculationStatus::Success);
  EXPECT_LT(std::max({moment.accuracy.w, moment.accuracy.Q, moment.accuracy.M}), 1e-4);

  // Uniform load on uniform springs: Q and M are nil, and rounding noise is no inaccuracy.
  ProblemData uniform;
  uniform.sectionCount = 1;
  ASSERT_EQ(RunCalculation(uniform, *work).status, CalculationStatus::Success);
  EXPECT_LT(std::max({uniform.accuracy.w, uniform.accuracy.Q, uniform.accuracy.M}), 1e-6);

  // The free-headed pile: its head moves 0.0428 m, its least moment is -79.67 kNm.
  ProblemData pile = FreeHeadPile(1000);
  ASSERT_EQ(RunCalculation(pile, *work).status, CalculationStatus::Success);
  EXPECT_NEAR(pile.exactNodes[0].w, 0.0428, 5e-5);
  double least = 0.0;
  for (int j = 0; j <= 1000; ++j) least = std::min(least, pile.exactNodes[j].MRight);
  EXPECT_NEAR(least, -79.67, 0.005);
  EXPECT_LT(std::max({pile.accuracy.w, pile.accuracy.Q, pile.accuracy.M}), 0.005);

  // Values beyond the range of doubles leave the exact solution unavailable.
  ProblemData huge;
  for (SectionRow& section : huge.sections) section.load = 1.5e308;
  ASSERT_FALSE(BuildMesh(huge, work->mesh));
  EXPECT_FALSE(
      SolveExactBeam(huge, work->mesh, work->exact, work->system, work->band, huge.exactNodes));
}

TEST_F(AnalysisTest, SectionWithoutElementIsReportedBeforeAnythingIsStored) {
  ProblemData data;
  ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  const auto before = data.nodes;
  data.sections[2].length = 0.1;  // shares 50, 50 and nothing left
  data.resultsAvailable = true;
  CalculationOutcome outcome = RunCalculation(data, *work);
  EXPECT_EQ(outcome.status, CalculationStatus::Fault);
  EXPECT_EQ(outcome.fault.kind, FaultKind::SectionWithoutElement);
  EXPECT_EQ(outcome.fault.section, 3);
  EXPECT_TRUE(outcome.fault.moreElementsHelp);
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
  EXPECT_EQ(outcome.fault.section, 2);
  EXPECT_FALSE(many.resultsAvailable);

  // At the largest element count only a longer section helps: 500, 500 and nothing left.
  ProblemData full = ThreeSections(100, 100, 100);
  full.elementCount = kMaxElements;
  full.sections[2].length = 0.001;
  outcome = RunCalculation(full, *work);
  EXPECT_EQ(outcome.fault.section, 3);
  EXPECT_FALSE(outcome.fault.moreElementsHelp);
}

TEST(FaultMessage, EachKindSaysWhatWentWrongAndWhatHelps) {
  const auto fault = [](FaultKind kind, int section = 0, bool more = false) {
    CalculationFault f{kind};
    f.section = section;
    f.moreElementsHelp = more;
    f.sectionCount = 21;
    f.elementCount = 5;
    f.point = 2;
    return f;
  };
  const std::pair<CalculationFault, const char*> rows[] = {
      {fault(FaultKind::None), ""},
      {fault(FaultKind::OutsideLimits),
       "Error : 21 sections and 5 elements are outside the limits.\nNo output given.\n"},
      {fault(FaultKind::SectionWithoutElement, 3, true),
       "Error : Section 3 gets no element.\n"
       "Make the section longer or raise the number of elements.\nNo output given.\n"},
      {fault(FaultKind::SectionWithoutElement, 3, false),
       "Error : Section 3 gets no element.\nMake the section longer.\nNo output given.\n"},
      {fault(FaultKind::NotHeld),
       "Error : Matrix singular.\nNot enough resistance to carry loads.\nNo output given.\n"},
      {fault(FaultKind::OneElementOnSprings, 0, true),
       "Error : Only one element lies on springs.\nRaise the number of elements.\n"
       "No output given.\n"},
      {fault(FaultKind::OneElementOnSprings, 0, false),
       "Error : Only one element lies on springs.\nMake the section with springs longer.\n"
       "No output given.\n"},
      {fault(FaultKind::LiftsOff),
       "Error : The beam lifts off the soil.\n"
       "Soil that takes no tension cannot hold it under these loads.\nNo output given.\n"},
      {fault(FaultKind::Unsettled),
       "Error : The contact with the soil could not be settled.\n"
       "No set of springs in contact met its conditions within 100 rounds.\n"
       "No output given.\n"},
      {fault(FaultKind::Inaccurate),
       "Error : The beam cannot be calculated accurately.\n"
       "The equations lose too much precision with these values.\nNo output given.\n"},
      {fault(FaultKind::NotFinite),
       "Error : The solution is not finite.\n"
       "The input values are too large to calculate with.\nNo output given.\n"},
      {fault(FaultKind::HeldRotationsOnOneElement, 0, true),
       "Error : Points 2 and 3 hold the rotation at the two ends of one element.\n"
       "Raise the number of elements.\nNo output given.\n"},
  };
  for (const auto& [f, text] : rows) EXPECT_EQ(FaultMessage(f), text);
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
  EXPECT_EQ(outcome.fault.kind, FaultKind::NotFinite);
  EXPECT_FALSE(data.resultsAvailable);
  for (int j = 0; j <= 100; ++j) {
    EXPECT_EQ(data.nodes[j].w, before[j].w);
    EXPECT_EQ(data.nodes[j].Q, before[j].Q);
  }
}

TEST_F(AnalysisTest, PivotToleranceIsInclusiveAndRejectsNotANumber) {
  auto solveDiagonal = [&](double pivot, double coupling = 0.01) {
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
    system.rows[0].block[1][1][0] = coupling;  // couples w0 to M1
    return SolveSystem(system, 1, EliminationOrder::Ascending);
  };
  EXPECT_TRUE(solveDiagonal(1e-12));
  // w0 = (3 - 0.01·M1) / 1e-12 with M1 = 2.
  EXPECT_NEAR(work->system.rows[0].rhs[1], 2.98 / 1e-12, 1.0);
  EXPECT_TRUE(solveDiagonal(-1e-12));
  EXPECT_FALSE(solveDiagonal(0.99e-12));
  EXPECT_FALSE(solveDiagonal(std::numeric_limits<double>::quiet_NaN()));
  // Judged against its equation too: 1e-9 beside a coupling of 1e4 is a share of 1e-13.
  EXPECT_FALSE(solveDiagonal(1e-9, 1e4));
  EXPECT_TRUE(solveDiagonal(1e-6, 1e4));
  // A first equation that holds no M at all takes the second's place; one whose M is merely
  // tiny does not. w0 = 3 held, M0 from 1e-3·M0 - 4·w0 = 2 - 0.01·M1.
  for (const double noM : {1e-300, 0.0}) {
    solveDiagonal(1.0);
    BlockRow& held = work->system.rows[0];
    held.block[0][0][0] = noM;
    held.block[0][0][1] = 1.0;
    held.rhs[0] = 3.0;
    held.block[0][1][0] = 1e-3;
    held.block[0][1][1] = -4.0;
    held.rhs[1] = 2.0;
    EXPECT_EQ(SolveSystem(work->system, 1, EliminationOrder::Ascending), noM == 0.0);
  }
  EXPECT_NEAR(work->system.rows[0].rhs[0], (2.0 - 0.01 * 2.0 + 12.0) / 1e-3, 1e-9);
  EXPECT_EQ(work->system.rows[0].rhs[1], 3.0);
  // Rows that are no chain of nodes are a fault of the program, not a weak pivot.
  work->system.rows[1].columnNode[0] = 0;
  EXPECT_THROW(SolveSystem(work->system, 1, EliminationOrder::Descending), std::logic_error);
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
  for (int j = 0; j <= 10; ++j) data.nodes[j] = {j * 1.0, 0.5, -1.0, 2.0, -1.0, 2.0};
  data.nodes[4].w = -0.25;
  data.nodes[7].Q = data.nodes[7].QRight = 3.0;
  data.nodes[10].M = data.nodes[10].MRight = -5.0;
  data.nodes[11].M = 99.0;  // beyond the element count: not looked at
  const ResultSummary s = FindExtremes(data);
  EXPECT_EQ(s.minW, -0.25);
  EXPECT_EQ(s.maxW, 0.5);
  EXPECT_EQ(s.minQ, -1.0);
  EXPECT_EQ(s.maxQ, 3.0);
  EXPECT_EQ(s.minM, -5.0);
  EXPECT_EQ(s.maxM, 2.0);

  // A count beyond the table is a broken precondition, refused before any node is read.
  data.elementCount = 5000;
  EXPECT_THROW(FindExtremes(data), std::logic_error);
}

// The one line on the accuracy that the tool bar, the report and pelvar-batch show: the worst
// figure and what helps; beyond 1000 % the figure is capped, and where there is no figure the
// line says so.
TEST(AccuracyWarningTest, NamesTheWorstFigureAndWhatHelps) {
  const struct {
    ResultAccuracy accuracy;
    int elements;
    const char* text;  // nullptr: no warning
  } cases[] = {
      {{true, 0.001, 0.01, 0.005}, 100, nullptr},
      {{true, 0.001, 0.002, 0.0512},
       100,
       "Warning : M is up to 5.1 % off the exact beam; more elements bring it closer."},
      {{true, 0.001, 0.033, 0.0512},
       1000,
       "Warning : M is up to 5.1 % off the exact beam; 1000 elements is the most."},
      {{true, 10.0, 0.9, 0.0001},
       100,
       "Warning : w is up to 1000.0 % off the exact beam; more elements bring it closer."},
      {{true, 1976402.952, 0.9, 0.0001},
       12,
       "Warning : w is more than 1000 % off the exact beam; raise the number of elements."},
      {{true, 0.2, 53428.9, 0.6},
       1000,
       "Warning : Q is more than 1000 % off the exact beam; 1000 elements is the most."},
      {{false, 0.0, 0.0, 0.0},
       100,
       "Warning : The accuracy against the exact beam is not available for this beam."},
  };
  for (const auto& c : cases) {
    ProblemData data;
    data.elementCount = c.elements;
    data.accuracy = c.accuracy;
    const std::optional<std::string> warning = AccuracyWarning(data);
    if (c.text == nullptr) {
      EXPECT_FALSE(warning.has_value()) << *warning;
    } else {
      EXPECT_EQ(warning.value_or("(none)"), c.text);
    }
  }
}

}  // namespace
}  // namespace pelvar
