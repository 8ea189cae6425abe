#pragma once
// Helpers shared by the data file tests.

#include <gtest/gtest.h>

#include <string>

#include "model/problem_data.h"

namespace pelvar::test {

// The file of the default problem with 10 elements before any calculation, written out by hand.
inline const std::string kExampleFile =
    "##########################################################\r\n"
    "#  Pelvar : Beam on elastic foundation\r\n"
    "##########################################################\r\n"
    "#  General Data\r\n"
    "##########################################################\r\n"
    "#  Licensed User\r\n"
    "Tessaly,\r\n"
    "#  File Name\r\n"
    "Demo.plv,\r\n"
    "#  Problem Name\r\n"
    "Demonstration Problem,\r\n"
    "#    Sections  Elements  Version\r\n"
    "         3,       10,     2000,\r\n"
    "#      EI             Width\r\n"
    "#     kNm\xB2              m\r\n"
    "     1000000.0,       1.000,\r\n"
    "##########################################################\r\n"
    "#  Sections\r\n"
    "##########################################################\r\n"
    "#  Section Length       Load        Spring\r\n"
    "#            m          kN/m\xB2        kN/m\xB3 \r\n"
    "     1,   10.000,      10.000,     100.000,\r\n"
    "     2,   10.000,      10.000,       0.000,\r\n"
    "     3,   10.000,      10.000,     100.000,\r\n"
    "##########################################################\r\n"
    "#  Forces\r\n"
    "##########################################################\r\n"
    "#  Point       x            F            M  \r\n"
    "#              m           kN           kNm \r\n"
    "     0,       0.000,       0.000,       0.000,\r\n"
    "     1,      10.000,       0.000,       0.000,\r\n"
    "     2,      20.000,       0.000,       0.000,\r\n"
    "     3,      30.000,       0.000,       0.000,\r\n"
    "##########################################################\r\n"
    "#  Output \r\n"
    "##########################################################\r\n"
    "#  Point    x         w            Q            M  \r\n"
    "#           m         m            kN          kNm \r\n"
    "     0,    0.000,    0.000,       0.000,       0.000,\r\n"
    "     1,    0.000,    0.000,       0.000,       0.000,\r\n"
    "     2,    0.000,    0.000,       0.000,       0.000,\r\n"
    "     3,    0.000,    0.000,       0.000,       0.000,\r\n"
    "     4,    0.000,    0.000,       0.000,       0.000,\r\n"
    "     5,    0.000,    0.000,       0.000,       0.000,\r\n"
    "     6,    0.000,    0.000,       0.000,       0.000,\r\n"
    "     7,    0.000,    0.000,       0.000,       0.000,\r\n"
    "     8,    0.000,    0.000,       0.000,       0.000,\r\n"
    "     9,    0.000,    0.000,       0.000,       0.000,\r\n"
    "    10,    0.000,    0.000,       0.000,       0.000,\r\n"
    "##########################################################\r\n";

// Every field of two problems, the hidden table entries and the whole result table included.
inline void ExpectSameProblem(const ProblemData& a, const ProblemData& b) {
  EXPECT_EQ(a.licensedUser.View(), b.licensedUser.View());
  EXPECT_EQ(a.fileName.View(), b.fileName.View());
  EXPECT_EQ(a.problemName.View(), b.problemName.View());
  EXPECT_EQ(a.sectionCount, b.sectionCount);
  EXPECT_EQ(a.elementCount, b.elementCount);
  EXPECT_EQ(a.fileVersion, b.fileVersion);
  EXPECT_EQ(a.stiffnessEI, b.stiffnessEI);
  EXPECT_EQ(a.beamWidth, b.beamWidth);
  EXPECT_EQ(a.noTension, b.noTension);
  for (int i = 0; i < kMaxSections; ++i) {
    SCOPED_TRACE("section index " + std::to_string(i));
    EXPECT_EQ(a.sections[i].length, b.sections[i].length);
    EXPECT_EQ(a.sections[i].load, b.sections[i].load);
    EXPECT_EQ(a.sections[i].spring, b.sections[i].spring);
    EXPECT_EQ(a.sections[i].stiffnessEI, b.sections[i].stiffnessEI);
    EXPECT_EQ(a.sections[i].width, b.sections[i].width);
  }
  for (int p = 0; p < kMaxPoints; ++p) {
    SCOPED_TRACE("point " + std::to_string(p));
    EXPECT_EQ(a.points[p].x, b.points[p].x);
    EXPECT_EQ(a.points[p].force, b.points[p].force);
    EXPECT_EQ(a.points[p].moment, b.points[p].moment);
    EXPECT_EQ(a.points[p].support, b.points[p].support);
  }
  int nodeDifferences = 0;
  for (int j = 0; j < kMaxNodes; ++j) {
    const ResultNode& m = a.nodes[j];
    const ResultNode& n = b.nodes[j];
    if (m.x != n.x || m.w != n.w || m.Q != n.Q || m.M != n.M) ++nodeDifferences;
  }
  EXPECT_EQ(nodeDifferences, 0);
  EXPECT_EQ(a.resultsAvailable, b.resultsAvailable);
}

// A problem that differs from the defaults in every kind of field.
inline void MakeWorkedProblem(ProblemData& data) {
  data.licensedUser.Set("Civil Works Ltd");
  data.fileName.Set("Quay.plv");
  data.problemName.Set("Quay wall pile");
  data.sectionCount = 5;
  data.elementCount = 240;
  data.fileVersion = 1999;
  data.stiffnessEI = 250000.5;
  data.beamWidth = 0.6;
  for (int i = 0; i < kMaxSections; ++i) {
    data.sections[i] = {2.5 + i, 1.25 * i, 300.0 + 10.0 * i};
  }
  UpdatePointPositions(data);
  for (int p = 0; p < kMaxPoints; ++p) {
    data.points[p].force = 7.0 * p - 20.0;
    data.points[p].moment = -3.5 * p;
  }
  for (int j = 0; j < kMaxNodes; ++j) {
    data.nodes[j] = {0.1 * j, 0.001 * j, -2.0 * j, 0.5 * j, -2.0 * j, 0.5 * j};
  }
  data.resultsAvailable = true;
}

// Load cases with every kind of entry: a named first case with a load anywhere, a second case
// with its own loads, two combinations, a moving load of two axles on the first combination
// and three soil factors.
inline void MakeLoadCases(ProblemData& data) {
  LoadCases& cases = data.loadCases;
  cases.caseCount = 2;
  cases.cases[0].name.Set("Dead");
  data.loadsAnywhereCount = 1;
  data.loadsAnywhere[0] = {12.5, 100.0, -5.0};
  LoadCase& live = cases.cases[1];
  live.name.Set("Live \xE4");
  live.sectionLoad = {0.0, 5.0, 2.5};
  live.pointForce[1] = 20.0;
  live.pointMoment[3] = -4.25;
  live.anywhereCount = 2;
  live.anywhere[0] = {25.0, 30.0, 0.0};
  live.anywhere[1] = {0.5, 0.0, 1.5};
  cases.combinationCount = 2;
  cases.combinations[0].name.Set("ULS");
  cases.combinations[0].factor = {1.35, 1.5};
  cases.combinations[1].name.Set("Live only");
  cases.combinations[1].factor = {0.0, 1.0};
  MovingLoad& moving = cases.movingLoad;
  moving.axleCount = 2;
  moving.axleLoad = {100.0, 80.0};
  moving.spacing = {2.5, 0.0};
  moving.step = 0.5;
  moving.combination = 0;
  cases.soilFactorCount = 3;
  cases.soilFactors = {0.5, 1.0, 2.0};
}

// Every value of two problems' load cases.
inline void ExpectSameLoadCases(const ProblemData& a, const ProblemData& b) {
  const LoadCases& x = a.loadCases;
  const LoadCases& y = b.loadCases;
  EXPECT_EQ(a.loadsAnywhereCount, b.loadsAnywhereCount);
  for (int l = 0; l < kMaxLoadsAnywhere; ++l) {
    EXPECT_EQ(a.loadsAnywhere[l].x, b.loadsAnywhere[l].x);
    EXPECT_EQ(a.loadsAnywhere[l].force, b.loadsAnywhere[l].force);
    EXPECT_EQ(a.loadsAnywhere[l].moment, b.loadsAnywhere[l].moment);
  }
  EXPECT_EQ(x.caseCount, y.caseCount);
  for (int c = 0; c < kMaxLoadCases; ++c) {
    SCOPED_TRACE("case " + std::to_string(c));
    EXPECT_EQ(x.cases[c].name, y.cases[c].name);
    EXPECT_EQ(x.cases[c].sectionLoad, y.cases[c].sectionLoad);
    EXPECT_EQ(x.cases[c].pointForce, y.cases[c].pointForce);
    EXPECT_EQ(x.cases[c].pointMoment, y.cases[c].pointMoment);
    EXPECT_EQ(x.cases[c].anywhereCount, y.cases[c].anywhereCount);
    for (int l = 0; l < kMaxLoadsAnywhere; ++l) {
      EXPECT_EQ(x.cases[c].anywhere[l].x, y.cases[c].anywhere[l].x);
      EXPECT_EQ(x.cases[c].anywhere[l].force, y.cases[c].anywhere[l].force);
      EXPECT_EQ(x.cases[c].anywhere[l].moment, y.cases[c].anywhere[l].moment);
    }
  }
  EXPECT_EQ(x.combinationCount, y.combinationCount);
  for (int k = 0; k < kMaxCombinations; ++k) {
    EXPECT_EQ(x.combinations[k].name, y.combinations[k].name);
    EXPECT_EQ(x.combinations[k].factor, y.combinations[k].factor);
  }
  EXPECT_EQ(x.movingLoad.axleCount, y.movingLoad.axleCount);
  EXPECT_EQ(x.movingLoad.axleLoad, y.movingLoad.axleLoad);
  EXPECT_EQ(x.movingLoad.spacing, y.movingLoad.spacing);
  EXPECT_EQ(x.movingLoad.step, y.movingLoad.step);
  EXPECT_EQ(x.movingLoad.combination, y.movingLoad.combination);
  EXPECT_EQ(x.soilFactorCount, y.soilFactorCount);
  EXPECT_EQ(x.soilFactors, y.soilFactors);
}

}  // namespace pelvar::test
