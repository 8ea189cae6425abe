#include "files/state_names.h"

#include "text/number_format.h"

namespace pelvar {

bool HasLoadCases(const ProblemData& data) {
  const LoadCases& cases = data.loadCases;
  return cases.caseCount > 1 || cases.combinationCount > 0 || cases.movingLoad.axleCount > 0 ||
         cases.soilFactorCount > 0 || data.loadsAnywhereCount > 0 ||
         cases.cases[0].name.View() != kFirstCaseName;
}

std::string StateLoadName(const ProblemData& data, const DesignState& state) {
  const LoadCases& cases = data.loadCases;
  if (state.combination < 0) return {};
  const auto k = static_cast<std::size_t>(state.combination);
  return std::string(!state.caseAlone && cases.combinationCount > 0 ? cases.combinations[k].name.View()
                                                : cases.cases[k].name.View());
}

std::string StateText(const ProblemData& data, const DesignState& state) {
  // Appended piece by piece: g++ 12 at -O3 warns falsely of overlapping copies in
  // "literal" + std::string (its -Wrestrict).
  std::string text;
  if (state.combination >= 0) {
    text += '"';
    text += StateLoadName(data, state);
    text += '"';
  } else {
    text = "moving load alone";
  }
  if (state.position >= 0) {
    text += FormatText(", leading axle at x = %.3f m", LeadingAxleX(data, state.position));
  }
  if (state.soilFactor >= 0) {
    text +=
        ", soil factor " +
        ShortestRealText(data.loadCases.soilFactors[static_cast<std::size_t>(state.soilFactor)]);
  }
  return text;
}

}  // namespace pelvar
