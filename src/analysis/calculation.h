#pragma once
// The calculation run behind the Calculate command: mesh, assembly and solve, with the retries in
// the other elimination order and with row exchanges, the check of every solution against its
// equations, and the outcome for whoever shows it.

#include <bitset>
#include <memory>
#include <string>

#include "analysis/contact.h"
#include "analysis/exact_solution.h"
#include "analysis/mesh.h"
#include "analysis/results.h"
#include "analysis/solver.h"
#include "model/problem_data.h"

namespace pelvar {

enum class CalculationStatus {
  Success,   // results stored, resultsAvailable set
  Singular,  // the springs cannot hold the beam (NotHeld, OneElementOnSprings, Mechanism)
  Fault,     // the input cannot be computed; see the fault's kind
};

// What kept a calculation from its results. Each kind has its message, made in one place
// (FaultMessage); the window and pelvar-batch show it, tests tell the faults apart by kind.
enum class FaultKind {
  None,
  OutsideLimits,              // the numbers of sections or elements outside their limits
  SectionWithoutElement,      // a section too short for any element
  NotHeld,                    // the springs cannot hold the beam
  OneElementOnSprings,        // springs under a single element only, although the beam is held
  LiftsOff,                   // on soil that takes no tension, no contact carries the loads
  Unsettled,                  // on soil that takes no tension, no contact was found in time
  Inaccurate,                 // the equations cannot be solved to the precision of the results
  NotFinite,                  // the input values are too large to calculate with
  Mechanism,                  // with supports: the beam can still move as a rigid body
  HeldRotationsOnOneElement,  // two points that hold the rotation, one element apart
  TooManyPositions,           // a moving load beyond kMaxPositions positions
};

struct CalculationFault {
  FaultKind kind = FaultKind::None;
  int section = 0;       // SectionWithoutElement: its number, from 1
  int sectionCount = 0;  // OutsideLimits: the numbers given
  int elementCount = 0;
  bool moreElementsHelp = false;  // SectionWithoutElement, OneElementOnSprings, HeldRotations...
  int point = 0;                  // HeldRotationsOnOneElement: the first point's number
  RigidMotion motion{};           // Mechanism: what is left free
};

// The message shown for a fault: three lines or so, each ending in a line feed, the first
// "Error : ...", the last "No output given.".
std::string FaultMessage(const CalculationFault& fault);

// How the stored solution was found.
enum class SolutionMethod {
  None,
  Descending,     // block elimination from the right end
  Ascending,      // from the left end
  FreeStart,      // from where the springs begin, the free left end's moments from statics
  Banded,         // banded elimination with row exchanges
  HeldByStatics,  // springs very weak beside the bending: three beams held at their ends, summed
};

// What the solve of a beam held almost only by statics keeps: the solutions of the three beams
// held at both ends that it sums (see SolveHeldByStatics).
using NodeValues = std::array<std::array<double, 2>, kMaxNodes>;  // {M, w} of every node
struct StaticsWorkspace {
  NodeValues loaded{}, leftRaised{}, rightRaised{};
  NodeValues rhs{};  // of the beam being solved
  // The largest |M| and |w| of the three as they are added up: the sum carries their rounding.
  SolutionScale scale;
};

struct CalculationOutcome {
  CalculationStatus status = CalculationStatus::Fault;
  CalculationFault fault;  // kind None on success
  std::string message;     // FaultMessage(fault); empty on success
  SolutionMethod method = SolutionMethod::None;
  ResultSummary summary;  // valid on success
};

// The analysis's working storage, made once and reused by every run (about 600 kB: make it on
// the heap with MakeAnalysisWorkspace).
struct AnalysisWorkspace {
  MeshData mesh;
  BlockSystem system;
  BandWorkspace band;
  ResultStaging staging;
  ExactWorkspace exact;
  ContactSet contact;
  StaticsWorkspace statics;
  // Where set, a calculation on soil that takes no tension starts from this contact (the
  // elements in contact) instead of from every spring: the positions of a moving load, each
  // from the contact of the one before, settle in fewer rounds.
  const std::bitset<kMaxElements>* startContact = nullptr;
};
std::unique_ptr<AnalysisWorkspace> MakeAnalysisWorkspace();

// Runs the calculation on the problem as last committed. On success the result table holds the
// new solution, the exact continuous solution at its nodes and the accuracy stand beside it, and
// resultsAvailable is set; on any other outcome the result table, the exact solution, the
// accuracy and resultsAvailable are exactly as they were.
CalculationOutcome RunCalculation(ProblemData& data, AnalysisWorkspace& work);

// The scheme alone, its solution checked and stored, without the exact solution (whose accuracy
// then reads not available): what RunCalculation does first.
CalculationOutcome RunScheme(ProblemData& data, AnalysisWorkspace& work);

}  // namespace pelvar
