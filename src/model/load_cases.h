#pragma once
// Load cases, their combinations and the range of the soil's stiffness: the states a design is
// checked for. The loads of the tables (q of every section, F and M of every point) are the
// first case; more cases carry their own. A combination is a named sum of cases with factors
// (1.35 × dead + 1.5 × live); each is solved on its own, which is exact on soil that takes no
// tension too, where sums of solutions are not. Every combination is also solved with every
// spring scaled by each soil factor (0.5, 1 and 2: the sensitivity to a spring modulus that is
// never known well).

#include <array>

#include "model/problem_data.h"

namespace pelvar {

inline constexpr int kMaxLoadCases = 20;
inline constexpr int kMaxCombinations = 50;
inline constexpr int kMaxSoilFactors = 10;

struct LoadCase {
  ShortText name;
  std::array<double, kMaxSections> sectionLoad{};  // q, kN/m²
  std::array<double, kMaxPoints> pointForce{};     // kN
  std::array<double, kMaxPoints> pointMoment{};    // kNm
};

struct LoadCombination {
  ShortText name;
  std::array<double, kMaxLoadCases> factor{};  // of each case
};

struct LoadCases {
  // The cases: the first one's loads are the tables', only its name is its own.
  int caseCount = 1;
  std::array<LoadCase, kMaxLoadCases> cases{};
  // Without combinations every case counts as one of its own.
  int combinationCount = 0;
  std::array<LoadCombination, kMaxCombinations> combinations{};
  // Without soil factors the springs count as given.
  int soilFactorCount = 0;
  std::array<double, kMaxSoilFactors> soilFactors{};
};

// The loads of case c as a case: for the first, those of the tables.
LoadCase CaseLoads(const ProblemData& data, const LoadCases& cases, int c);

// One state a design is checked for: a combination (or, without combinations, a case) with
// every spring scaled by a soil factor (index into soilFactors; -1 for the springs as given).
struct DesignState {
  int combination = 0;
  int soilFactor = -1;
};

// The number of states: combinations (or cases) times soil factors (or 1).
int DesignStateCount(const LoadCases& cases);
DesignState DesignStateAt(const LoadCases& cases, int index);

// Writes the loads and springs of a state into `out`, a copy of the problem: its tables then
// hold the state's loads, its springs the scaled ones, and no results.
void ApplyDesignState(const ProblemData& data, const LoadCases& cases, const DesignState& state,
                      ProblemData& out);

}  // namespace pelvar
