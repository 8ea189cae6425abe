#pragma once
// Solution of the block system: node-by-node block elimination without node exchange, and a
// banded Gaussian elimination with row exchanges for the systems the block elimination cannot
// take.

#include <array>

#include "analysis/mesh.h"

namespace pelvar {

enum class EliminationOrder {
  Descending,  // node n first, node 0 last
  Ascending,   // node 0 first, node n last
};

// A pivot is accepted when its magnitude is not less than this.
inline constexpr double pivotTolerance = 1e-12;

// Eliminates the nodes 0..elementCount in the given order and substitutes back. Returns 1 on
// success, with the solution in the rhs of every row (rhs[0] = M, rhs[1] = w), and 0 when a
// pivot was rejected. Either way the system is consumed.
int SolveSystem(BlockSystem& system, int elementCount, EliminationOrder order);

// Working storage of the banded solve: the equations of all nodes as one band matrix in the
// unknowns (M0, w0, M1, w1, ...), with room for the fill-in of the row exchanges.
struct BandWorkspace {
  static constexpr int kLower = 3;  // sub-diagonals
  static constexpr int kUpper = 3;  // super-diagonals of the system
  static constexpr int kWidth = 2 * kLower + kUpper + 1;
  static constexpr int kMaxUnknowns = 2 * kMaxNodes;
  std::array<std::array<double, kWidth>, kMaxUnknowns> band{};
  std::array<double, kMaxUnknowns> rhs{};
};

// Solves the assembled (not yet consumed) system by Gaussian elimination with partial pivoting
// over the band, after scaling every equation to unit size. Returns true and writes the
// solution into the rhs of every row as SolveSystem does; returns false, leaving the rhs alone,
// when a pivot is negligible next to its scaled equation (the beam is not held).
bool SolveBanded(BlockSystem& system, int elementCount, BandWorkspace& work);

}  // namespace pelvar
