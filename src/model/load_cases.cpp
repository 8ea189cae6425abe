#include "model/load_cases.h"

#include <cmath>

#include "text/number_format.h"

namespace pelvar {
double BeamLength(const ProblemData& data) {
  double length = 0.0;
  for (int i = 0; i < data.sectionCount; ++i) length += data.sections[i].length;
  return length;
}

namespace {

// How far the last axle trails the leading one, m.
double GroupLength(const MovingLoad& load) {
  double length = 0.0;
  for (int a = 0; a + 1 < load.axleCount; ++a) length += load.spacing[a];
  return length;
}

double Step(const ProblemData& data) {
  const double step = data.loadCases.movingLoad.step;
  return step > 0.0 ? step : BeamLength(data) / data.elementCount;
}

}  // namespace

LoadCase CaseLoads(const ProblemData& data, int c) {
  const LoadCases& cases = data.loadCases;
  if (c != 0) return cases.cases[static_cast<std::size_t>(c)];
  LoadCase tables = cases.cases[0];
  for (int i = 0; i < kMaxSections; ++i) tables.sectionLoad[i] = data.sections[i].load;
  for (int p = 0; p < kMaxPoints; ++p) {
    tables.pointForce[p] = data.points[p].force;
    tables.pointMoment[p] = data.points[p].moment;
  }
  tables.anywhereCount = 0;
  for (int l = 0; l < data.loadsAnywhereCount && l < kMaxLoadsAnywhere; ++l) {
    tables.anywhere[static_cast<std::size_t>(tables.anywhereCount++)] = data.loadsAnywhere[l];
  }
  return tables;
}

int MovingLoadPositionCount(const ProblemData& data) {
  const MovingLoad& load = data.loadCases.movingLoad;
  if (load.axleCount <= 0) return 0;
  const double travel = BeamLength(data) + GroupLength(load);
  // Steps to the last position, which ends the travel exactly; a travel of whole steps to a
  // billionth ends on the last of them.
  const double steps = std::ceil(travel / Step(data) - 1e-9);
  // Beyond the limit the count only says so: a design run refuses it.
  if (!(steps < kMaxPositions)) return kMaxPositions + 1;
  return static_cast<int>(steps) + 1;
}

double LeadingAxleX(const ProblemData& data, int position) {
  const double travel = BeamLength(data) + GroupLength(data.loadCases.movingLoad);
  // The decimal product, 6.96 for 24 steps of 0.29 m rather than the 6.959999999999999 that the
  // outputs would carry on otherwise.
  const double x = NearestDecimal(position * Step(data));
  return x < travel ? x : travel;
}

int DesignStateCount(const ProblemData& data) {
  const LoadCases& cases = data.loadCases;
  const int loads = cases.combinationCount > 0 ? cases.combinationCount : cases.caseCount;
  const int states = loads + MovingLoadPositionCount(data);
  return states * (cases.soilFactorCount > 0 ? cases.soilFactorCount : 1);
}

int AxlesOnBeam(const ProblemData& data, int position, std::array<LoadAnywhere, kMaxAxles>& axles) {
  const MovingLoad& moving = data.loadCases.movingLoad;
  const double length = BeamLength(data);
  double x = LeadingAxleX(data, position);
  int count = 0;
  for (int a = 0; a < moving.axleCount; ++a) {
    if (x >= 0.0 && x <= length) {
      axles[static_cast<std::size_t>(count++)] = {x, moving.axleLoad[a], 0.0};
    }
    x -= moving.spacing[a];
  }
  return count;
}

DesignState DesignStateAt(const ProblemData& data, int index) {
  const LoadCases& cases = data.loadCases;
  const int factors = cases.soilFactorCount > 0 ? cases.soilFactorCount : 1;
  const int loads = cases.combinationCount > 0 ? cases.combinationCount : cases.caseCount;
  DesignState state;
  state.soilFactor = cases.soilFactorCount > 0 ? index % factors : -1;
  const int load = index / factors;
  if (load < loads) {
    state.combination = load;
  } else {
    state.position = load - loads;
    state.combination = cases.movingLoad.combination;
  }
  return state;
}

void ApplyDesignState(const ProblemData& data, const DesignState& state, ProblemData& out) {
  const LoadCases& cases = data.loadCases;
  out = data;
  out.resultsAvailable = false;
  // The factor of every case in the state: a combination's, or 1 for a case alone; nothing for
  // a moving load alone.
  std::array<double, kMaxLoadCases> factor{};
  if (state.combination >= 0) {
    if (!state.caseAlone && cases.combinationCount > 0) {
      factor = cases.combinations[static_cast<std::size_t>(state.combination)].factor;
    } else {
      factor[static_cast<std::size_t>(state.combination)] = 1.0;
    }
  }
  for (int i = 0; i < kMaxSections; ++i) out.sections[i].load = 0.0;
  for (int p = 0; p < kMaxPoints; ++p) out.points[p].force = out.points[p].moment = 0.0;
  out.loadsAnywhereCount = 0;
  const auto addAnywhere = [&](LoadAnywhere load) {
    if (out.loadsAnywhereCount < kMaxStateLoadsAnywhere) {
      out.loadsAnywhere[out.loadsAnywhereCount++] = load;
    }
  };
  for (int c = 0; c < cases.caseCount; ++c) {
    const double f = factor[static_cast<std::size_t>(c)];
    if (f == 0.0) continue;
    const LoadCase loads = CaseLoads(data, c);
    for (int i = 0; i < kMaxSections; ++i) out.sections[i].load += f * loads.sectionLoad[i];
    for (int p = 0; p < kMaxPoints; ++p) {
      out.points[p].force += f * loads.pointForce[p];
      out.points[p].moment += f * loads.pointMoment[p];
    }
    for (int l = 0; l < loads.anywhereCount; ++l) {
      const LoadAnywhere& load = loads.anywhere[static_cast<std::size_t>(l)];
      addAnywhere({load.x, f * load.force, f * load.moment});
    }
  }
  if (state.position >= 0) {
    std::array<LoadAnywhere, kMaxAxles> axles;
    const int count = AxlesOnBeam(data, state.position, axles);
    for (int a = 0; a < count; ++a) addAnywhere(axles[static_cast<std::size_t>(a)]);
  }
  if (state.soilFactor >= 0) {
    const double scale = cases.soilFactors[static_cast<std::size_t>(state.soilFactor)];
    for (SectionRow& section : out.sections) section.spring *= scale;
  }
  out.loadCases = LoadCases{};
  out.loadCases.cases[0].name = data.loadCases.cases[0].name;
}

}  // namespace pelvar
