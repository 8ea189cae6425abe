#pragma once
// Solution of the block system: node-by-node block elimination without node exchange, and a
// banded Gaussian elimination with row exchanges for the systems the block elimination cannot
// take.

#include <array>

#include "analysis/lanes.h"
#include "analysis/mesh.h"

namespace pelvar {

enum class EliminationOrder {
  Descending,  // node n first, node 0 last
  Ascending,   // node 0 first, node n last
};

// A pivot is accepted when its magnitude is not less than pivotTolerance, and not less than
// relativePivotTolerance times the largest coefficient of its equation at the time: a pivot that
// is tiny beside the rest of its equation makes the elimination without exchanges lose the
// solution to rounding, whatever the units of the equation (very long elements on stiff springs
// give such equations), even where the result still meets the equations closely.
inline constexpr double pivotTolerance = 1e-12;
inline constexpr double relativePivotTolerance = 1e-10;

// Eliminates the nodes 0..elementCount in the given order and substitutes back. The rows must
// form the chain AssembleSystem writes: every node refers to its neighbours only; other rows are
// a fault of the program and throw std::logic_error. Returns true on success, with the solution
// in the rhs of every row (rhs[0] = M, rhs[1] = w), the right-hand sides as assembled in
// assembledRhs and the rows' coefficients as they were (SolvedChainResidual checks the solution
// against them), and false when a pivot was rejected, the rows then as they were. With
// firstNode, only the chain of nodes firstNode..elementCount is eliminated; the rows before it
// are left alone.
struct ChainFactors;
bool SolveSystem(BlockSystem& system, int elementCount, EliminationOrder order, int firstNode = 0,
                 ChainFactors* factors = nullptr);

// What SolveSystem keeps, where asked, to solve the same equations for other right-hand sides
// (SolveFactored): of every node, in the order of elimination, g, which gives its unknowns from
// its right-hand side once the nodes eliminated before it are folded in (the inverse of its
// block then, its equations exchanged where SolveSystem exchanged them), s, which folds that
// right-hand side into the next node's (the next row's coupling to it times g), and c, its
// equations' coupling to the next node once brought to the identity.
struct ChainFactors {
  EliminationOrder order = EliminationOrder::Descending;
  struct Node {
    double g[2][2];
    double s[2][2];
    double c[2][2];
  };
  std::array<Node, kMaxNodes> nodes{};
  // The equations as assembled, for the check of every solution: of each node its coefficients
  // of the unknowns of itself, the node before it and the node after it (0 where it has no such
  // neighbour), and the sizes of its equations' coefficients of M and of w.
  struct Row {
    double a[2][3][2];
    double sizeM[2], sizeW[2];
  };
  std::array<Row, kMaxNodes> rows{};
};

// Every lane of values gets the right-hand sides of rows first..last.
void FillLanes(const BlockSystem& rows, int first, int last, LaneVector& values);

// Solves the equations that SolveSystem factored (of the whole chain) for the kLanes
// right-hand sides of rhs, into solution. The steps are SolveSystem's,
// its products with D's inverse formed once beforehand, so a solution agrees with SolveSystem's
// to rounding; each is checked all the same (FactoredResidualMet).
// What SolveFactored measures of its solutions on the way: the largest |M| and |w| of each
// lane, and a probe that is not a number in a lane where a value is not finite.
template <typename L>
struct LaneSizesOf {
  LaneValuesOf<L> largest{};
  L probe{};
};
using LaneSizes = LaneSizesOf<Lanes>;
template <typename L>
struct LanesRebound<L, LaneSizes> {
  using type = LaneSizesOf<L>;
};
void SolveFactored(const ChainFactors& factors, int elementCount, const LaneVector& rhs,
                   LaneVector& solution, LaneSizes& sizes);

// Whether each lane's solution meets the factored equations with the right-hand sides rhs
// within kResidualTolerance, as EquationResidual judges it. With base, rhs is read only at the
// rows that changed marks, and every other row's right-hand sides are base's ({M, w} of each
// node's equations), the same in all lanes.
using RightHandSides = std::array<std::array<double, 2>, kMaxNodes>;
void FactoredResidualMet(const ChainFactors& factors, int elementCount, const LaneVector& rhs,
                         const LaneVector& solution, const LaneSizes& sizes,
                         std::array<bool, kLanes>& met, const RightHandSides* base = nullptr,
                         const bool* changed = nullptr);

// How far the solution that SolveSystem (of the whole chain) or SolveFreeStart left in the rows
// misses the equations it solved, as EquationResidual judges it: without assembling them again.
// With miss, miss[2j + e] receives rhs - sum of equation e of node j.
double SolvedChainResidual(const BlockSystem& solved, int elementCount, double* miss = nullptr);

// Solves the equations of a beam whose first freeElements elements rest on no springs (an end
// that overhangs, or has lifted off) by block elimination, where both orders above fail at that
// end's first pivot. There the equations of equilibrium hold no w: from the end outwards they
// give the moments M0..Ma of those nodes, as statics gives a cantilever's. The node a where the
// springs begin then takes w(a-1) and wa as its unknowns, the chain a..elementCount is
// eliminated from a, and the compatibility equations give w back towards the free end. On
// success the rows and assembledRhs hold the equations as assembled beside the solution, as
// SolveSystem leaves them. Returns false, the system consumed, where a pivot is rejected or the
// rows are not of that form.
bool SolveFreeStart(BlockSystem& system, int elementCount, int freeElements);

// Working storage of the banded solve: the equations of all nodes as one band matrix in the
// unknowns (M0, w0, M1, w1, ...), with room for the fill-in of the row exchanges, and what the
// elimination keeps for a step of refinement.
struct BandWorkspace {
  static constexpr int kLower = 3;  // sub-diagonals
  static constexpr int kUpper = 3;  // super-diagonals of the system
  static constexpr int kWidth = 2 * kLower + kUpper + 1;
  static constexpr int kMaxUnknowns = 2 * kMaxNodes;
  std::array<std::array<double, kWidth>, kMaxUnknowns> band{};
  std::array<double, kMaxUnknowns> rhs{};
  std::array<double, kMaxUnknowns> rowScale{};     // multiplies each equation
  std::array<double, kMaxUnknowns> columnScale{};  // unknown = columnScale · scaled unknown
  std::array<int, kMaxUnknowns> pivotRow{};
  std::array<double, kMaxUnknowns> solution{};
  std::array<double, kMaxUnknowns> correction{};
  // The largest change of an M and of a w that the refinement step found: an estimate of how far
  // the solution before it was from the exact answer of the equations.
  double correctionM = 0.0, correctionW = 0.0;
};

// Solves the assembled (not yet consumed) system by Gaussian elimination with partial pivoting
// over the band, after scaling every equation and every unknown to a largest coefficient of 1,
// and refines the solution once against the unscaled equations when that brings it closer.
// Returns true and writes the solution into the rhs of every row as SolveSystem does; returns
// false, leaving the rhs alone, when a pivot is negligible next to its row: the beam is not held,
// or the equations are too nearly dependent to be solved in double precision (see
// SpringsHoldTheBeam). The blocks of the system are left as assembled.
bool SolveBanded(BlockSystem& system, int elementCount, BandWorkspace& work);

}  // namespace pelvar
