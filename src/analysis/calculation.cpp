#include "analysis/calculation.h"

#include <cmath>

#include "text/number_format.h"

namespace pelvar {
namespace {

CalculationOutcome Fault(std::string message) {
  CalculationOutcome outcome;
  outcome.status = CalculationStatus::Fault;
  outcome.message = std::move(message);
  return outcome;
}

// Coefficients beyond the double range (extreme but accepted input) would make any solve
// meaningless; they are caught before the solve so they are not mistaken for a weak support.
bool SystemIsFinite(const BlockSystem& system, int elementCount) {
  for (int j = 0; j <= elementCount; ++j) {
    const BlockRow& row = system.rows[j];
    for (int e = 0; e < row.entryCount; ++e) {
      for (int k = 0; k < 2; ++k) {
        if (!std::isfinite(row.block[e][k][0]) || !std::isfinite(row.block[e][k][1])) return false;
      }
    }
    if (!std::isfinite(row.rhs[0]) || !std::isfinite(row.rhs[1])) return false;
  }
  return true;
}

constexpr const char* kNotFiniteMessage =
    "Error : The solution is not finite.\n"
    "The input values are too large to calculate with.\n"
    "No output given.\n";

}  // namespace

std::unique_ptr<AnalysisWorkspace> MakeAnalysisWorkspace() {
  return std::make_unique<AnalysisWorkspace>();
}

CalculationOutcome RunCalculation(ProblemData& data, AnalysisWorkspace& work) {
  if (data.sectionCount < kMinSections || data.sectionCount > kMaxSections ||
      data.elementCount < kMinElements || data.elementCount > kMaxElements) {
    return Fault(
        FormatText("Error : %d sections and %d elements are outside the limits.\n"
                   "No output given.\n",
                   data.sectionCount, data.elementCount));
  }
  const int n = data.elementCount;

  // Mesh and assembly are redone before every attempt: a solve consumes the system.
  auto prepare = [&]() -> int {
    const int missing = BuildMesh(data, work.mesh);
    if (missing < 0) AssembleSystem(data, work.mesh, work.system);
    return missing;
  };

  const int missing = prepare();
  if (missing >= 0) {
    return Fault(
        FormatText("Error : Section %d gets no element.\n"
                   "Raise the number of elements.\n"
                   "No output given.\n",
                   missing + 1));
  }
  if (!SystemIsFinite(work.system, n)) return Fault(kNotFiniteMessage);

  CalculationOutcome outcome;
  if (SolveSystem(work.system, n, EliminationOrder::Descending) == 1) {
    outcome.method = SolutionMethod::Descending;
  } else {
    prepare();
    if (SolveSystem(work.system, n, EliminationOrder::Ascending) == 1) {
      outcome.method = SolutionMethod::Ascending;
    } else {
      // Both orders meet a zero pivot at their first node when an end section has no springs,
      // although springs elsewhere may hold the beam; row exchanges settle which it is.
      prepare();
      if (!SolveBanded(work.system, n, work.band)) {
        outcome.status = CalculationStatus::Singular;
        outcome.message = kSingularMessage;
        return outcome;
      }
      outcome.method = SolutionMethod::Banded;
    }
  }

  if (!StoreResults(work.system, work.mesh, data, work.staging)) return Fault(kNotFiniteMessage);
  data.resultsAvailable = true;
  outcome.status = CalculationStatus::Success;
  outcome.summary = FindExtremes(data);
  return outcome;
}

}  // namespace pelvar
