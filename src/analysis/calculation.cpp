#include "analysis/calculation.h"

#include <algorithm>
#include <cmath>

#include "analysis/residual.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

CalculationOutcome Fault(CalculationFault fault) {
  CalculationOutcome outcome;
  outcome.status = fault.kind == FaultKind::NotHeld ||
                           fault.kind == FaultKind::OneElementOnSprings ||
                           fault.kind == FaultKind::Mechanism
                       ? CalculationStatus::Singular
                       : CalculationStatus::Fault;
  outcome.fault = fault;
  outcome.message = FaultMessage(fault);
  return outcome;
}

CalculationOutcome Fault(FaultKind kind) { return Fault(CalculationFault{kind}); }

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

// The outcome of a beam the springs of this mesh do not hold. Springs under a single element
// hold only the mean of its two end displacements, and the beam turns about it; where the
// continuous beam is held all the same, the message says what helps: more elements, as long as
// the largest number of them spreads the springs over two, else a longer section.
CalculationOutcome NotHeld(const ProblemData& data, MeshData& mesh) {
  if (mesh.supported) {
    CalculationFault fault{FaultKind::Mechanism};
    if (const std::optional<RigidMotion> motion = FreeRigidMotion(data, mesh)) {
      fault.motion = *motion;
    }
    return Fault(fault);
  }
  int sprung = 0, pushing = 0;
  for (int j = 0; j < data.elementCount; ++j) {
    sprung += mesh.elementSpring[j] != 0.0;
    pushing += mesh.elementSpring[j] > 0.0;
  }
  if (sprung != 1 || pushing != 1) return Fault(FaultKind::NotHeld);
  CalculationFault fault{FaultKind::OneElementOnSprings};
  if (data.elementCount < kMaxElements) {
    auto finer = std::make_unique<ProblemData>(data);
    finer->elementCount = kMaxElements;
    fault.moreElementsHelp = !BuildMesh(*finer, mesh) && SpringsHoldTheBeam(mesh, kMaxElements);
  }
  return Fault(fault);
}

}  // namespace

std::string FaultMessage(const CalculationFault& fault) {
  std::string first, second;
  switch (fault.kind) {
    case FaultKind::None:
      return {};
    case FaultKind::OutsideLimits:
      first = FormatText("%d sections and %d elements are outside the limits.", fault.sectionCount,
                         fault.elementCount);
      break;
    case FaultKind::SectionWithoutElement:
      first = FormatText("Section %d gets no element.", fault.section);
      // Beyond the largest element count only a longer section can help.
      second = fault.moreElementsHelp ? "Make the section longer or raise the number of elements."
                                      : "Make the section longer.";
      break;
    case FaultKind::NotHeld:
      first = "Matrix singular.";
      second = "Not enough resistance to carry loads.";
      break;
    case FaultKind::OneElementOnSprings:
      first = "Only one element lies on springs.";
      second = fault.moreElementsHelp ? "Raise the number of elements."
                                      : "Make the section with springs longer.";
      break;
    case FaultKind::LiftsOff:
      first = "The beam lifts off the soil.";
      second = "Soil that takes no tension cannot hold it under these loads.";
      break;
    case FaultKind::Unsettled:
      first = "The contact with the soil could not be settled.";
      second = FormatText("No set of springs in contact met its conditions within %d rounds.",
                          kMaxContactRounds);
      break;
    case FaultKind::Inaccurate:
      first = "The beam cannot be calculated accurately.";
      second = "The equations lose too much precision with these values.";
      break;
    case FaultKind::NotFinite:
      first = "The solution is not finite.";
      second = "The input values are too large to calculate with.";
      break;
    case FaultKind::HeldRotationsOnOneElement:
      first = FormatText("Points %d and %d hold the rotation at the two ends of one element.",
                         fault.point, fault.point + 1);
      second = fault.moreElementsHelp ? "Raise the number of elements."
                                      : "Make the section between them longer.";
      break;
    case FaultKind::TooManyPositions:
      first = FormatText("The moving load takes more than %d positions.", kMaxPositions);
      second = "Make its step longer.";
      break;
    case FaultKind::Mechanism:
      first = "The supports and springs cannot hold the beam.";
      second = fault.motion.turns
                   ? FormatText(
                         "It can turn about x = %.3f m: add a support or springs away "
                         "from there.",
                         fault.motion.about)
                   : std::string("It can sink as a whole: add a support or springs under it.");
      break;
  }
  std::string message = "Error : " + first + "\n";
  if (!second.empty()) message += second + "\n";
  return message + "No output given.\n";
}

std::unique_ptr<AnalysisWorkspace> MakeAnalysisWorkspace() {
  return std::make_unique<AnalysisWorkspace>();
}

namespace {

enum class Solve { Solved, NotHeld, Inaccurate, NotFinite };

// One step of refinement of a block elimination's solution against the assembled equations. The
// step starts from the solution in the rows and its miss of the equations in the band's
// correction (SolvedChainResidual), left there by the first elimination, which also left the
// equations as assembled beside its solution: solve() solves them again for the miss, and they
// are given back their own right-hand sides for the check of the sum.
template <typename SolveAgain>
bool RefineChain(const ProblemData& data, AnalysisWorkspace& work, const SolveAgain& solve) {
  const int n = data.elementCount;
  double* solution = work.band.solution.data();
  double* assembled = work.band.rhs.data();
  const double* miss = work.band.correction.data();
  for (int j = 0; j <= n; ++j) {
    BlockRow& row = work.system.rows[j];
    solution[2 * j] = row.rhs[0];
    solution[2 * j + 1] = row.rhs[1];
    assembled[2 * j] = work.system.assembledRhs[j][0];
    assembled[2 * j + 1] = work.system.assembledRhs[j][1];
    row.rhs[0] = miss[2 * j];
    row.rhs[1] = miss[2 * j + 1];
  }
  if (!solve()) return false;
  for (int j = 0; j <= n; ++j) {
    work.system.rows[j].rhs[0] += solution[2 * j];
    work.system.rows[j].rhs[1] += solution[2 * j + 1];
    work.system.assembledRhs[j] = {assembled[2 * j], assembled[2 * j + 1]};
  }
  return true;
}

// The elimination from where the springs begin takes its pivots in a poorer order than row
// exchanges would: one step of refinement brings its answer as close as theirs.
bool RefineFreeStart(const ProblemData& data, AnalysisWorkspace& work, int freeStart) {
  return RefineChain(data, work,
                     [&] { return SolveFreeStart(work.system, data.elementCount, freeStart); });
}

// A support that holds the rotation inside the beam makes the equations of its node far worse
// conditioned than a free node's (its displacement follows from the slopes either side, a
// moment times an element's length): what the solution misses of the equations, small as it is,
// adds up in the reactions, which stop balancing the loads (by 1e-8 of them at 1000 elements).
// One step of refinement brings it back to rounding.
bool RefineHeld(const ProblemData& data, AnalysisWorkspace& work, EliminationOrder order) {
  SolvedChainResidual(work.system, data.elementCount, work.band.correction.data());
  return RefineChain(data, work,
                     [&] { return SolveSystem(work.system, data.elementCount, order); });
}

// A beam whose springs are very weak beside its bending (1e-9 kN/m³ under 10 m of EI 1e6) is
// held almost only by statics: the springs fix where it stands, its bending fixes its shape. Its
// equations are then too nearly dependent for any elimination to find the large movement that
// the springs allow. It is solved instead as the sum of three beams held at both ends (w = 0
// there): one under the loads, and two without loads with one end raised by 1. The sum whose
// ends carry nothing, as the ends' own equations of equilibrium ask, is the beam's answer. Each
// of the three is well conditioned; the two numbers that combine them come from statics. On success
// the rows' rhs hold the solution.
bool SolveHeldByStatics(const ProblemData& data, AnalysisWorkspace& work) {
  const int n = data.elementCount;
  // Only for springs that carry the beam as a rigid body: their stiffness over the whole beam
  // beside its bending stiffness, k·b·L against EI/L³ with the least EI along it. Elsewhere the
  // beams held at their ends are as hard to solve as the beam itself.
  const double length = work.mesh.nodeX[n] - work.mesh.nodeX[0];
  double stiffness = 0.0;
  double leastEI = work.mesh.elementStiffness[0];
  for (int e = 0; e < n; ++e) {
    stiffness += std::fabs(work.mesh.elementSpring[e]);
    leastEI = std::min(leastEI, work.mesh.elementStiffness[e]);
  }
  if (!(stiffness * length * length * length < 1e-3 * leastEI)) return false;

  StaticsWorkspace& held = work.statics;
  // Each beam held at its ends is solved and checked against its own equations.
  const auto solveHeld = [&](bool loaded, double w0, double wn, NodeValues& out) {
    AssembleSystem(data, work.mesh, work.system);
    for (int j = 0; j <= n; ++j) {
      BlockRow& row = work.system.rows[j];
      if (!loaded) row.rhs[0] = row.rhs[1] = 0.0;
      if (j == 0 || j == n) HoldDisplacement(row, 1, j == 0 ? w0 : wn);
      held.rhs[j] = {row.rhs[0], row.rhs[1]};
    }
    if (!SolveBanded(work.system, n, work.band)) return false;
    for (int j = 0; j <= n; ++j) out[j] = {work.system.rows[j].rhs[0], work.system.rows[j].rhs[1]};
    BlockRow row;
    const double miss = EquationResidual(
        n,
        [&](int j) -> const BlockRow& {
          row = work.system.rows[j];
          row.rhs[0] = held.rhs[j][0];
          row.rhs[1] = held.rhs[j][1];
          return row;
        },
        [&](int j) { return out[j].data(); });
    return miss <= kResidualTolerance;
  };
  if (!solveHeld(true, 0.0, 0.0, held.loaded) || !solveHeld(false, 1.0, 0.0, held.leftRaised) ||
      !solveHeld(false, 0.0, 1.0, held.rightRaised)) {
    return false;
  }
  // The sum whose ends carry nothing is the one the springs hold by themselves: its spring
  // forces balance the loads in force and in moment, both taken from the equations without the
  // moments M, whose differences would drown the weak springs' forces in rounding.
  const double middle = 0.5 * (work.mesh.nodeX[0] + work.mesh.nodeX[n]);
  const LoadResultant loads = ResultantOfLoads(data, work.mesh, middle);
  // The springs' force and its moment about the middle for a solution.
  const auto springs = [&](const NodeValues& x) {
    LoadResultant carried;
    for (int e = 0; e < n; ++e) {
      const double f = work.mesh.elementSpring[e] * 0.5 * (x[e][1] + x[e + 1][1]);
      carried.force += f;
      carried.moment += f * (0.5 * (work.mesh.nodeX[e] + work.mesh.nodeX[e + 1]) - middle);
    }
    return carried;
  };
  const LoadResultant loaded = springs(held.loaded), left = springs(held.leftRaised),
                      right = springs(held.rightRaised);
  const double force = loads.force - loaded.force, moment = loads.moment - loaded.moment;
  const double determinant = left.force * right.moment - right.force * left.moment;
  if (!std::isfinite(determinant) || determinant == 0.0) return false;
  const double leftRaise = (force * right.moment - right.force * moment) / determinant;
  const double rightRaise = (left.force * moment - left.moment * force) / determinant;
  held.scale = SolutionScale{};
  for (int j = 0; j <= n; ++j) {
    for (int e = 0; e < 2; ++e) {
      const double parts[3] = {held.loaded[j][e], leftRaise * held.leftRaised[j][e],
                               rightRaise * held.rightRaised[j][e]};
      work.system.rows[j].rhs[e] = parts[0] + parts[1] + parts[2];
      double& scale = e == 0 ? held.scale.M : held.scale.w;
      for (const double part : parts) scale = std::max(scale, std::fabs(part));
    }
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
  // A verified solution's held nodes are settled: M and w in their rows, as every node's. The
  // block elimination leaves the equations as assembled beside its solution.
  auto verified = [&](bool eliminated = false, SolutionScale least = {}) {
    const double residual = eliminated
                                ? SolvedChainResidual(work.system, n)
                                : SchemeResidual(data, work.mesh, work.system, nullptr, least);
    if (std::isnan(residual)) notFinite = true;
    const bool met = residual <= kResidualTolerance;
    if (met && work.mesh.rotationHeldInside) SettleHeldNodes(data, work.mesh, work.system);
    return met;
  };
  // An end without springs makes the first pivot from that end 0: that order is not tried,
  // unless a support holds the end. The elimination from where the springs begin takes the
  // moments of the free end from statics, which a support anywhere would change.
  const MeshData& mesh = work.mesh;
  auto endHeld = [&](int point) { return data.points[point].support.kind != SupportKind::None; };
  int freeStart = 0;
  while (freeStart < n && mesh.elementSpring[freeStart] == 0.0) ++freeStart;
  if (endHeld(0)) freeStart = 0;
  const bool freeEnd = mesh.elementSpring[n - 1] == 0.0 && !endHeld(data.sectionCount);
  // A guided support inside the beam has two moments for unknowns and w from them, both in its
  // equilibrium: the elimination without exchanges is not tried.
  bool heldInside = false;
  for (int p = 1; p < data.sectionCount; ++p) {
    heldInside = heldInside || data.points[p].support.kind == SupportKind::Guided;
  }
  // Assembled before every attempt: a solve consumes the system.
  const auto refined = [&](EliminationOrder order) {
    return !work.mesh.rotationHeldInside || RefineHeld(data, work, order);
  };
  if (!freeEnd && !heldInside) {
    AssembleSystem(data, work.mesh, work.system);
    if (SolveSystem(work.system, n, EliminationOrder::Descending) &&
        refined(EliminationOrder::Descending) && verified(true)) {
      method = SolutionMethod::Descending;
      return Solve::Solved;
    }
  }
  AssembleSystem(data, work.mesh, work.system);
  // A solution that is not finite from coefficients that are not finite either is no fault of
  // the solver; checked only here, since a verified solution has finite coefficients.
  if (!SystemIsFinite(work.system, n)) return Solve::NotFinite;
  if (!heldInside && (freeStart == 0 || mesh.supported)) {
    if (SolveSystem(work.system, n, EliminationOrder::Ascending) &&
        refined(EliminationOrder::Ascending) && verified(true)) {
      method = SolutionMethod::Ascending;
      return Solve::Solved;
    }
  } else if (!heldInside && SolveFreeStart(work.system, n, freeStart)) {
    // The miss that the refinement starts from, which also tells whether a guide needs it.
    const double residual = SolvedChainResidual(work.system, n, work.band.correction.data());
    if (finish == Finish::Guide && residual <= kResidualTolerance) {
      method = SolutionMethod::FreeStart;
      unrefined = freeStart;
      return Solve::Solved;
    }
    if (RefineFreeStart(data, work, freeStart) && verified(true)) {
      method = SolutionMethod::FreeStart;
      return Solve::Solved;
    }
  }
  // Nearly vanishing springs at an end make a weak pivot that can pass in either order and spoil
  // the solution, and springs too weak to hold the beam make the equations dependent; row
  // exchanges settle which it is.
  AssembleSystem(data, work.mesh, work.system);
  const bool banded = SolveBanded(work.system, n, work.band);
  if (banded && verified()) {
    method = SolutionMethod::Banded;
    return Solve::Solved;
  }
  if (notFinite) return Solve::NotFinite;
  // Equations too nearly dependent for a beam the springs do hold are no fault of the supports;
  // where the springs are only weak, statics places the beam.
  if (mesh.supported) {
    if (FreeRigidMotion(data, mesh)) return banded ? Solve::Inaccurate : Solve::NotHeld;
    return notFinite ? Solve::NotFinite : Solve::Inaccurate;
  }
  if (!SpringsHoldTheBeam(work.mesh, n)) return banded ? Solve::Inaccurate : Solve::NotHeld;
  // The sum of the three beams is as close as the largest of them allows, whose moments may
  // cancel to nothing in it: it is judged at their scale.
  if (SolveHeldByStatics(data, work) && verified(false, work.statics.scale)) {
    method = SolutionMethod::HeldByStatics;
    return Solve::Solved;
  }
  return notFinite ? Solve::NotFinite : Solve::Inaccurate;
}

// Finishes a solution that SolveVerified left unrefined, for it to be kept: its step of
// refinement, checked as every solution is, or else the whole sequence of solves.
Solve FinishSolve(const ProblemData& data, AnalysisWorkspace& work, SolutionMethod& method,
                  int& unrefined) {
  const int freeStart = unrefined;
  unrefined = 0;
  if (RefineFreeStart(data, work, freeStart) &&
      SolvedChainResidual(work.system, data.elementCount) <= kResidualTolerance) {
    return Solve::Solved;
  }
  return SolveVerified(data, work, method, Finish::Kept, unrefined);
}

}  // namespace

CalculationOutcome RunScheme(ProblemData& data, AnalysisWorkspace& work) {
  if (data.sectionCount < kMinSections || data.sectionCount > kMaxSections ||
      data.elementCount < kMinElements || data.elementCount > kMaxElements) {
    CalculationFault fault{FaultKind::OutsideLimits};
    fault.sectionCount = data.sectionCount;
    fault.elementCount = data.elementCount;
    return Fault(fault);
  }
  const int n = data.elementCount;
  if (const std::optional<int> missing = BuildMesh(data, work.mesh)) {
    CalculationFault fault{FaultKind::SectionWithoutElement};
    fault.section = *missing + 1;
    fault.moreElementsHelp = n < kMaxElements;
    return Fault(fault);
  }
  if (const std::optional<int> point = HeldRotationsOnOneElement(data, work.mesh)) {
    CalculationFault fault{FaultKind::HeldRotationsOnOneElement};
    fault.point = *point;
    fault.moreElementsHelp = n < kMaxElements;
    return Fault(fault);
  }

  CalculationOutcome outcome;
  // On soil that takes no tension, the contact is settled round by round, each round a solve
  // with the springs of the elements in contact as the last step left them (ContactSet). Every
  // round's solution is checked.
  ContactSet& contact = work.contact;
  if (data.noTension && work.startContact) {
    contact.StartFrom(work.mesh, n, *work.startContact);
  } else {
    contact.Start(work.mesh, n);
  }
  int unrefined = 0;
  Solve solve = SolveVerified(data, work, outcome.method,
                              data.noTension ? Finish::Guide : Finish::Kept, unrefined);
  while (data.noTension && solve == Solve::Solved) {
    const ContactSet::Step step = contact.Next(data, work.mesh, work.system);
    if (step == ContactSet::Step::Settled) {
      if (unrefined == 0) break;
      // The contact's solution is kept: finished, then judged once more.
      solve = FinishSolve(data, work, outcome.method, unrefined);
      continue;
    }
    if (step == ContactSet::Step::LiftsOff) return Fault(FaultKind::LiftsOff);
    if (step == ContactSet::Step::Unsettled) return Fault(FaultKind::Unsettled);
    solve = SolveVerified(data, work, outcome.method, Finish::Guide, unrefined);
  }
  switch (solve) {
    case Solve::Solved:
      break;
    case Solve::NotHeld:
      return NotHeld(data, work.mesh);
    case Solve::Inaccurate:
      return Fault(FaultKind::Inaccurate);
    case Solve::NotFinite:
      return Fault(FaultKind::NotFinite);
  }

  SupportReactions(data, work.mesh, work.system, work.staging.reactions, work.staging.springHalves);
  if (!StoreResults(work.system, work.mesh, data, work.staging)) return Fault(FaultKind::NotFinite);
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
    data.accuracy = MeasureAccuracy(data, work.mesh, data.exactNodes);
  }
  return outcome;
}

}  // namespace pelvar
