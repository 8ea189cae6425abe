#include "files/state_names.h"

#include <algorithm>
#include <vector>

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
  return std::string(!state.caseAlone && cases.combinationCount > 0
                         ? cases.combinations[k].name.View()
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

std::optional<std::string> LeftOutText(const ProblemData& data, const Envelope& envelope) {
  if (envelope.tipped.empty()) return std::nullopt;
  // The positions in order, each once whatever its soil factors, in runs of neighbours.
  std::vector<int> positions;
  for (const DesignState& state : envelope.tipped) positions.push_back(state.position);
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  const std::size_t count = envelope.tipped.size();
  std::string text = FormatText(
      "Left out of the envelope: %d state%s in which the beam tips off "
      "the soil, with the leading axle",
      static_cast<int>(count), count == 1 ? "" : "s");
  for (std::size_t i = 0; i < positions.size();) {
    std::size_t last = i;
    while (last + 1 < positions.size() && positions[last + 1] == positions[last] + 1) ++last;
    text += i == 0 ? " at x = " : " and at x = ";
    text += FormatText("%.3f", LeadingAxleX(data, positions[i]));
    if (last > i) text += FormatText(" to %.3f", LeadingAxleX(data, positions[last]));
    text += " m";
    i = last + 1;
  }
  return text + ".";
}

std::optional<std::string> CoarseStepWarning(const ProblemData& data, const Envelope& envelope) {
  const double step = data.loadCases.movingLoad.step;
  const double element = envelope.longestElement;
  if (data.loadCases.movingLoad.axleCount <= 0 || !(step > element * (1.0 + 1e-9))) {
    return std::nullopt;
  }
  return FormatText(
      "Warning : The moving load's step of %.3f m is longer than the elements of %.3f m: its "
      "envelope may miss the peaks between its positions; a step of %.3f m or less finds them.",
      step, element, element);
}

}  // namespace pelvar
