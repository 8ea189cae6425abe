#include "analysis/calculation.h"

#include <cmath>

#include "analysis/residual.h"
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
// meaningless; they are caught so that they are not mistaken for a weak support.
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

// The outcome of a beam the springs of this mesh do not hold. Springs under a single element
// hold only the mean of its two end displacements, and the beam turns about it; where the
// continuous beam is held all the same, the message says what helps: more elements, as long as
// the largest number of them spreads the springs over two, else a longer section.
CalculationOutcome NotHeld(const ProblemData& data, MeshData& mesh) {
  CalculationOutcome outcome;
  outcome.status = CalculationStatus::Singular;
  outcome.message = kSingularMessage;
  int sprung = 0, pushing = 0;
  for (int j = 0; j < data.elementCount; ++j) {
    sprung += mesh.elementSpring[j] != 0.0;
    pushing += mesh.elementSpring[j] > 0.0;
  }
  if (sprung != 1 || pushing != 1) return outcome;
  bool moreHelp = false;
  if (data.elementCount < kMaxElements) {
    auto finer = std::make_unique<ProblemData>(data);
    finer->elementCount = kMaxElements;
    moreHelp = !BuildMesh(*finer, mesh) && SpringsHoldTheBeam(mesh, kMaxElements);
  }
  outcome.message = moreHelp ? "Error : Only one element lies on springs.\n"
                               "Raise the number of elements.\n"
                               "No output given.\n"
                             : "Error : Only one element lies on springs.\n"
                               "Make the section with springs longer.\n"
                               "No output given.\n";
  return outcome;
}

}  // namespace

std::unique_ptr<AnalysisWorkspace> MakeAnalysisWorkspace() {
  return std::make_unique<AnalysisWorkspace>();
}

namespace {

enum class Solve { Solved, NotHeld, Inaccurate, NotFinite };

// The elimination from where the springs begin takes its pivots in a poorer order than row
// exchanges would: one step of refinement against the assembled equations brings its answer as
// close as theirs. The step starts from the solution in the rows and its miss of the equations
// in the band's correction (SchemeResidual), left there by the first elimination.
bool RefineFreeStart(const ProblemData& data, AnalysisWorkspace& work, int freeStart) {
  const int n = data.elementCount;
  double* solution = work.band.solution.data();
  const double* miss = work.band.correction.data();
  for (int j = 0; j <= n; ++j) {
    solution[2 * j] = work.system.rows[j].rhs[0];
    solution[2 * j + 1] = work.system.rows[j].rhs[1];
  }
  AssembleSystem(data, work.mesh, work.system);
  for (int j = 0; j <= n; ++j) {
    work.system.rows[j].rhs[0] = miss[2 * j];
    work.system.rows[j].rhs[1] = miss[2 * j + 1];
  }
  if (!SolveFreeStart(work.system, n, freeStart)) return false;
  for (int j = 0; j <= n; ++j) {
    work.system.rows[j].rhs[0] += solution[2 * j];
    work.system.rows[j].rhs[1] += solution[2 * j + 1];
  }
  return true;
}

// How far a solve goes. A solution that is kept is always finished. A round of the contact with
// soil that takes no tension only guides the next round until the contact settles: there the
// elimination from where the springs begin is taken as it comes wherever it already meets the
// equations, and its step of refinement is left for the solution that is kept (FinishSolve).
enum class Finish { Kept, Guide };

// Solves the equations of the mesh with its springs as they stand, checking every solution
// against them before it is kept: block elimination from the right end, then from the left (or,
// where the left end rests on no springs, from where they begin), then banded elimination with
// row exchanges. On Solved the rows' rhs hold the solution; unrefined is the number of free
// elements of an elimination from where the springs begin that still lacks its refinement (only
// for Finish::Guide), else 0.
Solve SolveVerified(const ProblemData& data, AnalysisWorkspace& work, SolutionMethod& method,
                    Finish finish, int& unrefined) {
  const int n = data.elementCount;
  unrefined = 0;
  bool notFinite = false;
  auto verified = [&] {
    const double residual = SchemeResidual(data, work.mesh, work.system);
    if (std::isnan(residual)) notFinite = true;
    return residual <= kResidualTolerance;
  };
  // An end without springs makes the first pivot from that end 0: that order is not tried.
  int freeStart = 0;
  while (freeStart < n && work.mesh.elementSpring[freeStart] == 0.0) ++freeStart;
  const bool freeEnd = work.mesh.elementSpring[n - 1] == 0.0;
  // Assembled before every attempt: a solve consumes the system.
  if (!freeEnd) {
    AssembleSystem(data, work.mesh, work.system);
    if (SolveSystem(work.system, n, EliminationOrder::Descending) && verified()) {
      method = SolutionMethod::Descending;
      return Solve::Solved;
    }
  }
  AssembleSystem(data, work.mesh, work.system);
  // A solution that is not finite from coefficients that are not finite either is no fault of
  // the solver; checked only here, since a verified solution has finite coefficients.
  if (!SystemIsFinite(work.system, n)) return Solve::NotFinite;
  if (freeStart == 0) {
    if (SolveSystem(work.system, n, EliminationOrder::Ascending) && verified()) {
      method = SolutionMethod::Ascending;
      return Solve::Solved;
    }
  } else if (SolveFreeStart(work.system, n, freeStart)) {
    // The miss that the refinement starts from, which also tells whether a guide needs it.
    const double residual =
        SchemeResidual(data, work.mesh, work.system, work.band.correction.data());
    if (finish == Finish::Guide && residual <= kResidualTolerance) {
      method = SolutionMethod::FreeStart;
      unrefined = freeStart;
      return Solve::Solved;
    }
    if (RefineFreeStart(data, work, freeStart) && verified()) {
      method = SolutionMethod::FreeStart;
      return Solve::Solved;
    }
  }
  // Nearly vanishing springs at an end make a weak pivot that can pass in either order and spoil
  // the solution, and springs too weak to hold the beam make the equations dependent; row
  // exchanges settle which it is.
  AssembleSystem(data, work.mesh, work.system);
  if (!SolveBanded(work.system, n, work.band)) {
    // Equations too nearly dependent for a beam the springs do hold are no fault of the
    // supports.
    return SpringsHoldTheBeam(work.mesh, n) ? Solve::Inaccurate : Solve::NotHeld;
  }
  if (!verified()) return notFinite ? Solve::NotFinite : Solve::Inaccurate;
  method = SolutionMethod::Banded;
  return Solve::Solved;
}

// Finishes a solution that SolveVerified left unrefined, for it to be kept: its step of
// refinement, checked as every solution is, or else the whole sequence of solves.
Solve FinishSolve(const ProblemData& data, AnalysisWorkspace& work, SolutionMethod& method,
                  int& unrefined) {
  const int freeStart = unrefined;
  unrefined = 0;
  if (RefineFreeStart(data, work, freeStart) &&
      SchemeResidual(data, work.mesh, work.system) <= kResidualTolerance) {
    return Solve::Solved;
  }
  return SolveVerified(data, work, method, Finish::Kept, unrefined);
}

}  // namespace

CalculationOutcome RunScheme(ProblemData& data, AnalysisWorkspace& work) {
  if (data.sectionCount < kMinSections || data.sectionCount > kMaxSections ||
      data.elementCount < kMinElements || data.elementCount > kMaxElements) {
    return Fault(
        FormatText("Error : %d sections and %d elements are outside the limits.\n"
                   "No output given.\n",
                   data.sectionCount, data.elementCount));
  }
  const int n = data.elementCount;
  if (const std::optional<int> missing = BuildMesh(data, work.mesh)) {
    // Beyond the largest element count only a longer section can help.
    return Fault(FormatText(n < kMaxElements
                                ? "Error : Section %d gets no element.\n"
                                  "Make the section longer or raise the number of elements.\n"
                                  "No output given.\n"
                                : "Error : Section %d gets no element.\n"
                                  "Make the section longer.\n"
                                  "No output given.\n",
                            *missing + 1));
  }

  CalculationOutcome outcome;
  int unrefined = 0;
  Solve solve = SolveVerified(data, work, outcome.method,
                              data.noTension ? Finish::Guide : Finish::Kept, unrefined);
  // On soil that takes no tension, the contact is settled round by round, each round a solve
  // with the springs of the elements in contact as the last step left them (ContactSet). Every
  // round's solution is checked.
  ContactSet& contact = work.contact;
  contact.Start(work.mesh, n);
  while (data.noTension && solve == Solve::Solved) {
    const ContactSet::Step step = contact.Next(data, work.mesh, work.system);
    if (step == ContactSet::Step::Settled) {
      if (unrefined == 0) break;
      // The contact's solution is kept: finished, then judged once more.
      solve = FinishSolve(data, work, outcome.method, unrefined);
      continue;
    }
    if (step == ContactSet::Step::LiftsOff) return Fault(kLiftOffMessage);
    if (step == ContactSet::Step::Unsettled) return Fault(kUnsettledMessage);
    solve = SolveVerified(data, work, outcome.method, Finish::Guide, unrefined);
  }
  switch (solve) {
    case Solve::Solved:
      break;
    case Solve::NotHeld:
      return NotHeld(data, work.mesh);
    case Solve::Inaccurate:
      return Fault(kInaccurateMessage);
    case Solve::NotFinite:
      return Fault(kNotFiniteMessage);
  }

  if (!StoreResults(work.system, work.mesh, data, work.staging)) return Fault(kNotFiniteMessage);
  for (int j = 0; j < n; ++j) data.liftedOff[j] = data.noTension && contact.LiftedOff(j);
  data.contactRounds = data.noTension ? contact.Rounds() : 1;
  data.resultsAvailable = true;
  data.accuracy = ResultAccuracy{};
  outcome.status = CalculationStatus::Success;
  outcome.summary = FindExtremes(data);
  return outcome;
}

CalculationOutcome RunCalculation(ProblemData& data, AnalysisWorkspace& work) {
  CalculationOutcome outcome = RunScheme(data, work);
  if (outcome.status != CalculationStatus::Success) return outcome;
  // The scheme's equations are solved; their system and band are free for the exact solution.
  if (SolveExactBeam(data, work.mesh, work.exact, work.system, work.band, data.exactNodes)) {
    data.accuracy = MeasureAccuracy(data, data.exactNodes);
  }
  return outcome;
}

}  // namespace pelvar
