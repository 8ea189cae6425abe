#pragma once
// The calculation run behind the Calculate command: mesh, assembly and solve, with the retries in
// the other elimination order and with row exchanges, the check of every solution against its
// equations, and the outcome for whoever shows it.

#include <memory>
#include <string>

#include "analysis/contact.h"
#include "analysis/exact_solution.h"
#include "analysis/mesh.h"
#include "analysis/results.h"
#include "analysis/solver.h"
#include "model/problem_data.h"

namespace pelvar {

// The message of a beam that the springs cannot hold.
inline constexpr const char* kSingularMessage =
    "Error : Matrix singular.\n"
    "Not enough resistance to carry loads.\n"
    "No output given.\n";

// The message of a beam on soil that takes no tension whose loads would lift it off the soil.
inline constexpr const char* kLiftOffMessage =
    "Error : The beam lifts off the soil.\n"
    "Soil that takes no tension cannot hold it under these loads.\n"
    "No output given.\n";

// The message of a contact with soil that takes no tension that found no settled state.
inline constexpr const char* kUnsettledMessage =
    "Error : The contact with the soil could not be settled.\n"
    "No set of springs in contact met its conditions within 100 rounds.\n"
    "No output given.\n";

// The message of a beam whose equations cannot be solved to the precision of the results.
inline constexpr const char* kInaccurateMessage =
    "Error : The beam cannot be calculated accurately.\n"
    "The equations lose too much precision with these values.\n"
    "No output given.\n";

enum class CalculationStatus {
  Success,   // results stored, resultsAvailable set
  Singular,  // the springs cannot hold the beam; message is kSingularMessage
  Fault,     // the input cannot be computed (a section without element, overflow, a solution
             // that misses its equations); see message
};

// How the stored solution was found.
enum class SolutionMethod {
  None,
  Descending,  // block elimination from the right end
  Ascending,   // from the left end
  FreeStart,   // from where the springs begin, the free left end's moments from statics
  Banded       // banded elimination with row exchanges
};

struct CalculationOutcome {
  CalculationStatus status = CalculationStatus::Fault;
  std::string message;  // empty on success
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
