#include "model/load_cases.h"

namespace pelvar {

LoadCase CaseLoads(const ProblemData& data, const LoadCases& cases, int c) {
  if (c != 0) return cases.cases[static_cast<std::size_t>(c)];
  LoadCase tables = cases.cases[0];
  for (int i = 0; i < kMaxSections; ++i) tables.sectionLoad[i] = data.sections[i].load;
  for (int p = 0; p < kMaxPoints; ++p) {
    tables.pointForce[p] = data.points[p].force;
    tables.pointMoment[p] = data.points[p].moment;
  }
  return tables;
}

int DesignStateCount(const LoadCases& cases) {
  const int loads = cases.combinationCount > 0 ? cases.combinationCount : cases.caseCount;
  return loads * (cases.soilFactorCount > 0 ? cases.soilFactorCount : 1);
}

DesignState DesignStateAt(const LoadCases& cases, int index) {
  if (cases.soilFactorCount == 0) return {index, -1};
  return {index / cases.soilFactorCount, index % cases.soilFactorCount};
}

void ApplyDesignState(const ProblemData& data, const LoadCases& cases, const DesignState& state,
                      ProblemData& out) {
  out = data;
  out.resultsAvailable = false;
  // The factor of every case in the state: a combination's, or 1 for the case alone.
  std::array<double, kMaxLoadCases> factor{};
  if (cases.combinationCount > 0) {
    factor = cases.combinations[static_cast<std::size_t>(state.combination)].factor;
  } else {
    factor[static_cast<std::size_t>(state.combination)] = 1.0;
  }
  for (int i = 0; i < kMaxSections; ++i) out.sections[i].load = 0.0;
  for (int p = 0; p < kMaxPoints; ++p) out.points[p].force = out.points[p].moment = 0.0;
  for (int c = 0; c < cases.caseCount; ++c) {
    if (factor[static_cast<std::size_t>(c)] == 0.0) continue;
    const LoadCase loads = CaseLoads(data, cases, c);
    const double f = factor[static_cast<std::size_t>(c)];
    for (int i = 0; i < kMaxSections; ++i) out.sections[i].load += f * loads.sectionLoad[i];
    for (int p = 0; p < kMaxPoints; ++p) {
      out.points[p].force += f * loads.pointForce[p];
      out.points[p].moment += f * loads.pointMoment[p];
    }
  }
  if (state.soilFactor >= 0) {
    const double scale = cases.soilFactors[static_cast<std::size_t>(state.soilFactor)];
    for (SectionRow& section : out.sections) section.spring *= scale;
  }
}

}  // namespace pelvar
