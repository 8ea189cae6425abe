// The envelope of load cases, combinations and soil factors against superposition, the contact
// of soil that takes no tension and Hetényi's long beam.

#include "analysis/envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "analysis/result_quantities.h"
#include "files/state_names.h"

namespace pelvar {
namespace {

struct EnvelopeTest : ::testing::Test {
  std::unique_ptr<AnalysisWorkspace> work = MakeAnalysisWorkspace();
  std::unique_ptr<ProblemData> scratch = std::make_unique<ProblemData>();
  std::unique_ptr<Envelope> envelope = std::make_unique<Envelope>();

  // The solution of one state on its own.
  std::unique_ptr<ProblemData> Solve(const ProblemData& data, DesignState state) {
    auto solved = std::make_unique<ProblemData>();
    ApplyDesignState(data, state, *solved);
    EXPECT_EQ(RunCalculation(*solved, *work).status, CalculationStatus::Success);
    return solved;
  }
};

// Dead load in the tables, live load as a second case; on linear soil the combination
// 1.35·dead + 1.5·live is the same sum of the two cases' solutions, and the envelope holds at
// every node the largest and smallest of the three combinations with the state that governs and
// its values there, and their worst accuracy.
TEST_F(EnvelopeTest, CombinationsOnLinearSoilAreSumsOfTheirCases) {
  ProblemData data;
  data.points[1].force = 25.0;
  // Both faces of a fixed support inside the beam sum up, each as its own.
  data.points[2].support.kind = SupportKind::Fixed;
  LoadCases& cases = data.loadCases;
  cases.caseCount = 2;
  cases.cases[0].name.Set("dead");
  cases.cases[1].name.Set("live");
  cases.cases[1].sectionLoad = {0.0, 5.0, 0.0};
  cases.cases[1].pointForce[2] = -30.0;
  cases.cases[1].pointMoment[0] = 12.0;
  cases.combinationCount = 3;
  cases.combinations[0] = {ShortText("ULS"), {1.35, 1.5}};
  cases.combinations[1] = {ShortText("dead"), {1.0, 0.0}};
  cases.combinations[2] = {ShortText("live"), {0.0, 1.0}};
  const auto uls = Solve(data, {0, -1, -1}), dead = Solve(data, {1, -1, -1}),
             live = Solve(data, {2, -1, -1});
  double scale = 0.0;
  for (int j = 0; j <= data.elementCount; ++j) {
    scale = std::max({scale, std::fabs(uls->nodes[j].w), std::fabs(uls->nodes[j].M)});
  }
  for (int j = 0; j <= data.elementCount; ++j) {
    EXPECT_NEAR(uls->nodes[j].w, 1.35 * dead->nodes[j].w + 1.5 * live->nodes[j].w, 1e-12 * scale);
    EXPECT_NEAR(uls->nodes[j].M, 1.35 * dead->nodes[j].M + 1.5 * live->nodes[j].M, 1e-12 * scale);
    EXPECT_NEAR(uls->nodes[j].MRight, 1.35 * dead->nodes[j].MRight + 1.5 * live->nodes[j].MRight,
                1e-12 * scale);
  }
  const int fixed = 66;  // where the moment jumps by the support's reaction, which sums up too
  EXPECT_GT(std::fabs(uls->nodes[fixed].MRight - uls->nodes[fixed].M), 1.0);
  EXPECT_NEAR(uls->reactions[2].moment,
              1.35 * dead->reactions[2].moment + 1.5 * live->reactions[2].moment, 1e-12 * scale);

  ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  EXPECT_EQ(envelope->stateCount, 3);
  const ProblemData* states[] = {uls.get(), dead.get(), live.get()};
  for (int j = 0; j <= data.elementCount; j += 7) {
    int largest = 0, least = 0;
    for (int s = 1; s < 3; ++s) {
      if (states[s]->nodes[j].M > states[largest]->nodes[j].M) largest = s;
      if (states[s]->nodes[j].w < states[least]->nodes[j].w) least = s;
    }
    const NodeEnvelope& node = envelope->nodes[j];
    EXPECT_EQ(node.MMax.value, states[largest]->nodes[j].M);
    EXPECT_EQ(node.MMax.state.combination, largest);
    EXPECT_EQ(node.MMax.Q, states[largest]->nodes[j].Q);
    EXPECT_EQ(node.MMax.w, states[largest]->nodes[j].w);
    EXPECT_EQ(node.wMin.value, states[least]->nodes[j].w);
    EXPECT_EQ(node.wMin.M, states[least]->nodes[j].M);
  }
  EXPECT_TRUE(envelope->accuracy.available);
  EXPECT_EQ(envelope->accuracy.M, std::max({uls->accuracy.M, dead->accuracy.M, live->accuracy.M}));
}

// On soil that takes no tension a point load near one end lifts the far end off: the
// combination with the uniform load is no sum of the two cases' solutions, and no state pulls on
// the soil.
TEST_F(EnvelopeTest, OnSoilThatTakesNoTensionEveryCombinationIsSolvedOnItsOwn) {
  ProblemData data;
  data.noTension = true;
  data.sectionCount = 2;
  data.sections[0] = {5.0, 2.0, 5000.0};
  data.sections[1] = {15.0, 2.0, 5000.0};
  LoadCases& cases = data.loadCases;
  cases.caseCount = 2;
  for (double& q : cases.cases[1].sectionLoad) q = 0.0;
  cases.cases[1].pointForce[1] = 400.0;
  cases.combinationCount = 3;
  cases.combinations[0] = {ShortText("both"), {1.0, 1.0}};
  cases.combinations[1] = {ShortText("uniform"), {1.0, 0.0}};
  cases.combinations[2] = {ShortText("end"), {0.0, 1.0}};
  const auto both = Solve(data, {0, -1, -1}), uniform = Solve(data, {1, -1, -1}),
             end = Solve(data, {2, -1, -1});
  EXPECT_TRUE(std::count(end->liftedOff.begin(), end->liftedOff.begin() + 100, true) > 0);
  double miss = 0.0, scale = 0.0;
  for (int j = 0; j <= data.elementCount; ++j) {
    miss = std::max(miss, std::fabs(both->nodes[j].w - uniform->nodes[j].w - end->nodes[j].w));
    scale = std::max(scale, std::fabs(both->nodes[j].w));
  }
  EXPECT_GT(miss, 1e-3 * scale);

  ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  for (int e = 0; e < data.elementCount; ++e) {
    EXPECT_GE(envelope->elements[e].pMin.value, -1e-9 * envelope->elements[0].pMax.value);
  }

  // An axle rolling over the uniform load: each position starts from the contact of the one
  // before, and still finds the contact that every spring as a start finds.
  cases.movingLoad.axleCount = 1;
  cases.movingLoad.axleLoad[0] = 300.0;
  cases.movingLoad.combination = 1;
  ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  std::vector<double> wMax(data.elementCount + 1, -1e300), mMin(data.elementCount + 1, 1e300);
  for (int s = 0; s < envelope->stateCount; ++s) {
    const auto solved = Solve(data, DesignStateAt(data, s));
    for (int j = 0; j <= data.elementCount; ++j) {
      wMax[j] = std::max(wMax[j], solved->nodes[j].w);
      mMin[j] = std::min(mMin[j], solved->nodes[j].M);
    }
  }
  for (int j = 0; j <= data.elementCount; ++j) {
    EXPECT_NEAR(envelope->nodes[j].wMax.value, wMax[j], 1e-9 * wMax[data.elementCount / 4]);
    EXPECT_NEAR(envelope->nodes[j].MMin.value, mMin[j], 1e-9 * 3000.0);
  }
}

// A point load P in the middle of a long beam on springs k·b, with the springs halved and
// doubled: the middle sinks by Pβ/(2kb) and bends by P/(4β), β = (kb/4EI)^¼, the softest soil
// giving the most of both and the stiffest the least, the springs as given in between.
TEST_F(EnvelopeTest, SoilFactorsBracketTheSpringsAsGiven) {
  const double ei = 1.0e5, k = 2000.0, p = 100.0;
  ProblemData data;
  data.stiffnessEI = ei;
  data.sectionCount = 2;
  data.elementCount = 1000;
  data.sections[0] = data.sections[1] = {40.0, 0.0, k};
  data.points[1].force = p;
  LoadCases& cases = data.loadCases;
  cases.soilFactorCount = 3;
  cases.soilFactors = {1.0, 0.5, 2.0};
  ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  EXPECT_EQ(envelope->stateCount, 3);
  const NodeEnvelope& middle = envelope->nodes[500];
  const auto sinks = [&](double f) {
    return p * std::pow(f * k / (4.0 * ei), 0.25) / (2.0 * f * k);
  };
  const auto bends = [&](double f) { return p / (4.0 * std::pow(f * k / (4.0 * ei), 0.25)); };
  EXPECT_NEAR(middle.wMax.value, sinks(0.5), 1e-3 * sinks(0.5));
  EXPECT_EQ(middle.wMax.state.soilFactor, 1);
  EXPECT_NEAR(middle.wMin.value, sinks(2.0), 1e-3 * sinks(2.0));
  EXPECT_EQ(middle.wMin.state.soilFactor, 2);
  EXPECT_NEAR(middle.MMax.value, bends(0.5), 1e-3 * bends(0.5));
  EXPECT_NEAR(middle.MMin.value, bends(2.0), 1e-3 * bends(2.0));
  const auto given = Solve(data, {0, -1, 0});
  EXPECT_LT(given->nodes[500].w, middle.wMax.value);
  EXPECT_GT(given->nodes[500].w, middle.wMin.value);
}

}  // namespace
}  // namespace pelvar

namespace pelvar {
namespace {

// A force P or a moment M0 anywhere along a long beam on springs k·b, here inside an element:
// Hetényi's infinite beam, with β = (kb/4EI)^¼ and r the distance from the load, has
// w = Pβ/(2kb)·e^-βr·(cos βr + sin βr) and M = P/(4β)·e^-βr·(cos βr - sin βr) under the force,
// and M = ±M0/2·e^-βr·cos βr beside the moment. The exact beam meets them, the scheme within its
// accuracy, and the forces balance.
TEST_F(EnvelopeTest, LoadsAnywhereMatchHetenyiAndBalance) {
  const double ei = 1.0e5, k = 2000.0, beta = std::pow(k / (4.0 * ei), 0.25);
  const double at = 80.0 + 0.37 * 0.16;  // element 500 has 0.16 m from x = 80
  const struct { double force, moment; } loads[] = {{100.0, 0.0}, {0.0, 50.0}};
  for (const auto& load : loads) {
    ProblemData data;
    data.stiffnessEI = ei;
    data.sectionCount = 2;
    data.elementCount = 1000;
    data.sections[0] = data.sections[1] = {80.0, 0.0, k};
    // The force in two parts at the same place, as two axles or cases may put them.
    data.loadsAnywhereCount = 2;
    data.loadsAnywhere[0] = {at, 0.6 * load.force, load.moment};
    data.loadsAnywhere[1] = {at, 0.4 * load.force, 0.0};
    ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
    const double sizeW = load.force * beta / (2.0 * k) + 1e-12;
    const double sizeM = load.force / (4.0 * beta) + load.moment / 2.0;
    for (int j = 400; j <= 600; j += 3) {
      const double r = std::fabs(data.nodes[j].x - at), decay = std::exp(-beta * r);
      const double c = std::cos(beta * r), s = std::sin(beta * r);
      const double w = load.force * beta / (2.0 * k) * decay * (c + s);
      const double m = load.force / (4.0 * beta) * decay * (c - s) +
                       (data.nodes[j].x > at ? 0.5 : -0.5) * load.moment * decay * c;
      EXPECT_NEAR(data.exactNodes[j].MLeft, m, 1e-8 * sizeM);
      EXPECT_NEAR(data.nodes[j].M, m, 2e-3 * sizeM);
      if (load.force == 0.0) continue;
      EXPECT_NEAR(data.exactNodes[j].w, w, 1e-8 * sizeW);
      EXPECT_NEAR(data.nodes[j].w, w, 2e-3 * sizeW);
    }
    // Under the loads, inside their element: Q jumps by the force from +P/2 to -P/2, M by
    // the moment from -M0/2 to +M0/2 on top of P/(4β); Q = -M0·β/2 either side of the moment.
    ASSERT_EQ(data.insideJumpCount, 1);
    const ResultNode& under = data.insideJumps[0].at;
    const double sizeQ = 0.5 * load.force + 0.5 * beta * load.moment;
    const double q = -0.5 * beta * load.moment, m = load.force / (4.0 * beta);
    EXPECT_EQ(data.insideJumps[0].element, 500);
    EXPECT_NEAR(under.x, at, 1e-12 * at);
    EXPECT_NEAR(under.w, load.force * beta / (2.0 * k),
                2e-3 * (sizeW + load.moment * beta * beta / k));
    EXPECT_NEAR(under.Q, q + 0.5 * load.force, 2e-3 * sizeQ);
    EXPECT_NEAR(under.QRight, q - 0.5 * load.force, 2e-3 * sizeQ);
    EXPECT_NEAR(under.M, m - 0.5 * load.moment, 2e-3 * sizeM);
    EXPECT_NEAR(under.MRight, m + 0.5 * load.moment, 2e-3 * sizeM);
    const ResultSummary summary = FindExtremes(data);
    EXPECT_NEAR(summary.maxM, m + 0.5 * load.moment, 2e-3 * sizeM);
    // Q too, although the scheme shares the force between the element's nodes.
    ASSERT_TRUE(data.accuracy.available);
    EXPECT_LT(data.accuracy.w, 5e-3);
    EXPECT_LT(data.accuracy.Q, 5e-3);
    EXPECT_LT(data.accuracy.M, 5e-3);
    const EquilibriumTotals totals = ComputeResultQuantities(data).equilibrium;
    EXPECT_NEAR(totals.load + totals.pointForces, totals.springForces,
                1e-9 * std::max(1.0, std::fabs(load.force)));
  }
}

// A force inside the first element, half an element from a free end: Q right of the end is nil
// and drops by the force where it stands, not at a node, so the figures measure the answer; on
// its own, and as an axle rolling in steps of half an element, in and out of the elements.
TEST_F(EnvelopeTest, AForceInsideAnElementJumpsWhereItStands) {
  const double p = 100.0;
  ProblemData data;  // elements of 0.1 m
  data.sectionCount = 1;
  data.elementCount = 100;
  data.stiffnessEI = 1.0e5;
  data.sections[0] = {10.0, 0.0, 5000.0};
  data.loadsAnywhereCount = 1;
  data.loadsAnywhere[0] = {0.05, p, 0.0};
  ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  EXPECT_EQ(data.nodes[0].Q, 0.0);
  EXPECT_EQ(data.nodes[0].QRight, 0.0);
  ASSERT_EQ(data.insideJumpCount, 1);
  const ResultNode& under = data.insideJumps[0].at;
  EXPECT_NEAR(under.x, 0.05, 1e-15);
  EXPECT_LT(std::fabs(under.Q), 0.05 * p);  // the springs under 5 cm
  EXPECT_NEAR(under.QRight - under.Q, -p, 1e-9 * p);
  EXPECT_NEAR(data.nodes[1].Q, under.QRight, 0.05 * p);
  ASSERT_TRUE(data.accuracy.available);
  EXPECT_LT(data.accuracy.Q, 0.05);

  data.loadsAnywhereCount = 0;
  data.loadCases.movingLoad.axleCount = 1;
  data.loadCases.movingLoad.axleLoad[0] = p;
  data.loadCases.movingLoad.step = 0.05;
  ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  EXPECT_EQ(envelope->factoredStates, MovingLoadPositionCount(data));
  ASSERT_TRUE(envelope->accuracy.available);
  EXPECT_LT(envelope->accuracy.Q, 0.05);
}

// On soil that takes no tension an axle alone within half an element of a free end puts the
// loads' resultant beyond the outermost springs, and the beam tips off the soil: those positions
// are left out and named, the envelope is that of the others.
TEST_F(EnvelopeTest, PositionsThatTipTheBeamOffTheSoilAreLeftOutAndNamed) {
  ProblemData data;  // elements of 0.1 m, their springs' middles 0.05 m from the ends
  data.noTension = true;
  data.sectionCount = 1;
  data.elementCount = 100;
  data.sections[0] = {10.0, 0.0, 5000.0};
  MovingLoad& moving = data.loadCases.movingLoad;
  moving.axleCount = 1;
  moving.axleLoad[0] = 100.0;
  moving.step = 0.04;  // 251 positions, at 0, 0.04, 0.08 ... 9.96 and 10 m
  data.loadCases.cases[0].name = ShortText("Own weight");
  data.sections[0].load = 0.0;
  const EnvelopeOutcome outcome = RunEnvelope(data, *work, *scratch, *envelope);
  ASSERT_EQ(outcome.outcome.status, CalculationStatus::Success);
  EXPECT_EQ(envelope->stateCount, 248);  // of 252
  ASSERT_EQ(envelope->tipped.size(), 4u);
  EXPECT_EQ(LeftOutText(data, *envelope),
            "Left out of the envelope: 4 states in which the beam tips off the soil, with the "
            "leading axle at x = 0.000 to 0.040 m and at x = 9.960 to 10.000 m.");
  // The axle nearest the left end that the soil holds presses it down the most there.
  const auto held = Solve(data, DesignState{-1, 2, -1});
  EXPECT_EQ(envelope->nodes[0].wMax.value, held->nodes[0].w);
  EXPECT_EQ(envelope->nodes[0].wMax.state.position, 2);
}

// The first state to reach an extreme governs it, whatever order the states are solved in: the
// positions of an axle of 0 kN on a combination, with each of two equal soil factors, are that
// combination to the bit, solved eight at a time; the combination solved on its own may differ
// from them by rounding. Every extreme goes to the first soil factor, and to the combination or
// the first position.
TEST_F(EnvelopeTest, TheFirstStateToReachAnExtremeGovernsIt) {
  ProblemData data;
  data.points[1].force = 50.0;
  LoadCases& cases = data.loadCases;
  cases.combinationCount = 1;
  cases.combinations[0] = {ShortText("C"), {1.0}};
  cases.movingLoad.axleCount = 1;
  cases.movingLoad.axleLoad[0] = 0.0;
  cases.movingLoad.combination = 0;
  cases.soilFactorCount = 2;
  cases.soilFactors = {1.0, 1.0};
  ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  EXPECT_EQ(envelope->factoredStates, 2L * MovingLoadPositionCount(data));
  for (int j = 0; j <= data.elementCount; ++j) {
    const NodeEnvelope& node = envelope->nodes[j];
    for (const EnvelopeValue* e :
         {&node.wMax, &node.wMin, &node.QMax, &node.QMin, &node.MMax, &node.MMin}) {
      EXPECT_EQ(e->state.soilFactor, 0) << j;
      EXPECT_LE(e->state.position, 0) << j;
    }
  }
}

// A single axle P moved along a long beam in steps of an element: when it stands in the middle,
// the envelope there has Hetényi's w = Pβ/(2kb) and M = P/(4β), and no other position gives more.
TEST_F(EnvelopeTest, MovingAxleGivesHetenyiInTheMiddle) {
  const double ei = 1.0e5, k = 2000.0, p = 100.0, beta = std::pow(k / (4.0 * ei), 0.25);
  ProblemData data;
  data.stiffnessEI = ei;
  data.sectionCount = 2;
  data.elementCount = 200;
  data.sections[0] = data.sections[1] = {40.0, 0.0, k};
  for (SectionRow& section : data.sections) section.load = 0.0;
  data.loadCases.movingLoad.axleCount = 1;
  data.loadCases.movingLoad.axleLoad[0] = p;
  EXPECT_EQ(MovingLoadPositionCount(data), 201);
  ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  // The tables' case with no loads, then the axle's 201 positions, solved together.
  EXPECT_EQ(envelope->stateCount, 202);
  EXPECT_EQ(envelope->factoredStates, 201);
  const NodeEnvelope& middle = envelope->nodes[100];
  EXPECT_EQ(middle.wMax.state.position, 100);
  EXPECT_NEAR(middle.wMax.value, p * beta / (2.0 * k), 2e-3 * p * beta / (2.0 * k));
  EXPECT_EQ(middle.MMax.state.position, 100);
  EXPECT_NEAR(middle.MMax.value, p / (4.0 * beta), 2e-3 * p / (4.0 * beta));
  EXPECT_TRUE(envelope->accuracy.available);

  // At a node off the middle, the envelope of M is the largest and the smallest ordinate of its
  // influence line times P, the line drawn from P standing alone at every node; and by Maxwell's
  // reciprocity the envelope of w is the largest w anywhere under P at that node.
  const int node = 60;
  ProblemData alone = data;
  alone.loadCases.movingLoad.axleCount = 0;
  alone.loadsAnywhereCount = 1;
  double mMax = -1e300, mMin = 1e300, wMax = -1e300;
  int governs = -1;
  for (int j = 0; j <= data.elementCount; ++j) {
    alone.loadsAnywhere[0] = {0.4 * j, p, 0.0};
    ASSERT_EQ(RunCalculation(alone, *work).status, CalculationStatus::Success);
    if (alone.nodes[node].M > mMax) governs = j;
    mMax = std::max(mMax, alone.nodes[node].M);
    mMin = std::min(mMin, alone.nodes[node].M);
    if (j == node) {
      for (int i = 0; i <= data.elementCount; ++i) wMax = std::max(wMax, alone.nodes[i].w);
    }
  }
  EXPECT_LT(mMin, -0.05 * mMax);  // P far off lifts the node's moment the other way
  EXPECT_NEAR(envelope->nodes[node].MMax.value, mMax, 1e-9 * mMax);
  EXPECT_EQ(envelope->nodes[node].MMax.state.position, governs);
  EXPECT_NEAR(envelope->nodes[node].MMin.value, mMin, 1e-9 * mMax);
  EXPECT_NEAR(envelope->nodes[node].wMax.value, wMax, 1e-9 * wMax);
}

// The positions of a moving load on linear soil are solved several at a time from one
// factorization of the beam (the scheme's and the exact beam's). Over sections of their own EI,
// width and springs, a combination with a point moment and loads anywhere, axles that stand on
// nodes, inside elements and a ten-thousandth of an element off a node, moved in steps of an
// element and of a length that is no multiple of it, and three soil factors, on a free beam and
// on one held by supports (a fixed end turned, a pin settled inside, an elastic end on a lowered
// base), every extreme equals the largest or smallest of the states solved each on its own, the
// state said to govern gives it with the values said to go with it, and the accuracy is the
// worst.
TEST_F(EnvelopeTest, PositionsSolvedTogetherMatchEachSolvedOnItsOwn) {
  ProblemData data;
  data.sectionCount = 3;
  data.elementCount = 60;
  data.sections[0] = {12.0, 8.0, 20000.0, 0.0, 0.0};
  data.sections[1] = {6.0, 0.0, 50000.0, 3.0e6, 1.5};
  data.sections[2] = {12.0, 4.0, 8000.0, 0.0, 0.0};
  data.points[1].force = 40.0;
  data.points[2].moment = -25.0;
  data.loadsAnywhereCount = 2;
  data.loadsAnywhere[0] = {3.1, 15.0, 4.0};
  data.loadsAnywhere[1] = {20.0002, -10.0, 0.0};
  LoadCases& cases = data.loadCases;
  cases.caseCount = 2;
  cases.cases[1].sectionLoad = {0.0, 5.0, 2.0};
  cases.cases[1].pointForce[3] = 12.0;
  cases.combinationCount = 2;
  cases.combinations[0] = {ShortText("ULS"), {1.35, 1.5}};
  cases.combinations[1] = {ShortText("SLS"), {1.0, 1.0}};
  MovingLoad& moving = cases.movingLoad;
  moving.axleCount = 3;
  moving.axleLoad = {100.0, 80.0, 60.0};
  moving.spacing = {2.0002, 1.1};  // elements of 0.5 m: a node, off a node, inside
  moving.combination = 1;
  cases.soilFactorCount = 3;
  cases.soilFactors = {0.5, 1.0, 2.0};
  // In steps of an element, and of 0.37 m, which stand the axles anywhere along the elements.
  for (const bool supported : {false, true}) {
    for (const double step : {0.0, 0.37}) {
      SCOPED_TRACE(testing::Message() << step << (supported ? ", supported" : ""));
      moving.step = step;
      if (supported) {
        data.points[0].support = {SupportKind::Fixed, 0.0, 0.0, 0.0, 0.001};
        data.points[1].support = {SupportKind::Pinned, 0.0, 0.0, 0.004, 0.0};
        data.points[3].support = {SupportKind::Elastic, 2.0e4, 5.0e4, 0.003, 0.0};
      }
      ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
                CalculationStatus::Success);
      const int positions = MovingLoadPositionCount(data);
      EXPECT_EQ(envelope->factoredStates, 3L * positions);

      std::vector<std::unique_ptr<ProblemData>> states;
      ResultAccuracy worst;
      double scale[3] = {};  // of w, Q and M over all states
      for (int s = 0; s < envelope->stateCount; ++s) {
        states.push_back(Solve(data, DesignStateAt(data, s)));
        const ProblemData& state = *states.back();
        worst.w = std::max(worst.w, state.accuracy.w);
        worst.Q = std::max(worst.Q, state.accuracy.Q);
        worst.M = std::max(worst.M, state.accuracy.M);
        for (int j = 0; j <= data.elementCount; ++j) {
          const ResultNode& node = state.nodes[j];
          scale[0] = std::max(scale[0], std::fabs(node.w));
          scale[1] = std::max(scale[1], std::fabs(node.Q));
          scale[2] = std::max(scale[2], std::fabs(node.M));
        }
      }
      const auto index = [&](const DesignState& governs) {
        for (int s = 0; s < envelope->stateCount; ++s) {
          const DesignState state = DesignStateAt(data, s);
          if (state.combination == governs.combination && state.position == governs.position &&
              state.soilFactor == governs.soilFactor) {
            return s;
          }
        }
        return -1;
      };
      // Both sides of every node count, and Q and M go with the side that gives the extreme.
      for (int j = 0; j <= data.elementCount; ++j) {
        const NodeEnvelope& e = envelope->nodes[j];
        struct Quantity {
          const EnvelopeValue* extreme;
          double ResultNode::*left;
          double ResultNode::*right;
        };
        const Quantity extremes[] = {{&e.wMax, &ResultNode::w, &ResultNode::w},
                                     {&e.wMin, &ResultNode::w, &ResultNode::w},
                                     {&e.QMax, &ResultNode::Q, &ResultNode::QRight},
                                     {&e.QMin, &ResultNode::Q, &ResultNode::QRight},
                                     {&e.MMax, &ResultNode::M, &ResultNode::MRight},
                                     {&e.MMin, &ResultNode::M, &ResultNode::MRight}};
        for (int x = 0; x < 6; ++x) {
          const auto [extreme, left, right] = extremes[x];
          const double tolerance = 1e-9 * scale[x / 2];
          double most = states[0]->nodes[j].*left;
          for (const auto& state : states) {
            for (const double value : {state->nodes[j].*left, state->nodes[j].*right}) {
              most = x % 2 == 0 ? std::max(most, value) : std::min(most, value);
            }
          }
          EXPECT_NEAR(extreme->value, most, tolerance) << "node " << j << ", extreme " << x;
          const int s = index(extreme->state);
          ASSERT_GE(s, 0);
          const ResultNode& there = states[static_cast<std::size_t>(s)]->nodes[j];
          const bool onRight = std::fabs(there.*left - most) > tolerance;
          EXPECT_NEAR(onRight ? there.*right : there.*left, most, tolerance);
          EXPECT_NEAR(extreme->w, there.w, 1e-9 * scale[0]);
          EXPECT_NEAR(extreme->Q, onRight ? there.QRight : there.Q, 1e-9 * scale[1]);
          EXPECT_NEAR(extreme->M, onRight ? there.MRight : there.M, 1e-9 * scale[2]);
        }
      }
      EXPECT_TRUE(envelope->accuracy.available);
      EXPECT_NEAR(envelope->accuracy.w, worst.w, 1e-6 * worst.w);
      EXPECT_NEAR(envelope->accuracy.Q, worst.Q, 1e-6 * worst.Q);
      EXPECT_NEAR(envelope->accuracy.M, worst.M, 1e-6 * worst.M);
    }
  }
}

}  // namespace
}  // namespace pelvar
