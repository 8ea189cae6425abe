#pragma once
// How far a solution misses the equations of a block system: the one measure by which every
// solve is checked before its numbers are used, and by which the banded solve refines.

#include <algorithm>
#include <cmath>

#include "analysis/mesh.h"

namespace pelvar {

// A solution is used only when it meets every equation to this share of the equation's size.
inline constexpr double kResidualTolerance = 1e-10;

// The largest over all equations of |rhs - sum of coefficient · unknown| divided by the size of
// the equation at the scale of the whole solution: |rhs| + sum of |coefficient| · (the largest
// |M| or |w| anywhere along the beam). Judged at the scale of the whole beam rather than of the
// equation's own nodes, because a right solution leaves rounding residue in an equation whose
// own terms are all but 0 (the unloaded free end of an overhang, where M is 0): such an equation
// holds exactly what the beam as a whole allows, however large that residue is beside its terms.
// The unknowns of a node still count by their own units, M beside M and w beside w.
//
// rowOf(j) gives the equations of node j as assembled (a const BlockRow&), unknownsOf(j) the
// solution of node j as {M, w} (a const double*); only the entries a row holds (one to three)
// are walked. When
// miss is given, miss[2j + e] receives rhs - sum of equation e of node j. 0 for an exact
// solution; not a number when the solution is not finite. rhsOf(j, row) gives the right-hand
// sides of node j where they are kept apart from its row (a const double*).
// least: the least scale of |M| and |w| that the solution is judged at, for a solution summed
// from parts larger than itself, whose rounding it carries.
struct RowRightHandSides {
  const double* operator()(int, const BlockRow& row) const { return row.rhs; }
};
template <typename RowOf, typename UnknownsOf, typename RhsOf = RowRightHandSides>
double EquationResidual(int elementCount, RowOf&& rowOf, UnknownsOf&& unknownsOf,
                        double* miss = nullptr, RhsOf&& rhsOf = RhsOf{}, SolutionScale least = {}) {
  const int n = elementCount;
  double largestM = least.M, largestW = least.w;
  for (int j = 0; j <= n; ++j) {
    const double* x = unknownsOf(j);
    // Written so that a value that is not a number is caught below.
    largestM = std::fabs(x[0]) > largestM ? std::fabs(x[0]) : largestM + 0.0 * x[0];
    largestW = std::fabs(x[1]) > largestW ? std::fabs(x[1]) : largestW + 0.0 * x[1];
  }
  if (!std::isfinite(largestM) || !std::isfinite(largestW)) return std::nan("");

  double worst = 0.0;
  for (int j = 0; j <= n; ++j) {
    const BlockRow& row = rowOf(j);
    const double* rhs = rhsOf(j, row);
    // A row holds its own node and up to two neighbours; written out for the speed of the chain.
    const int count = row.entryCount;
    const double* x0 = unknownsOf(row.columnNode[0]);
    const double* x1 = count > 1 ? unknownsOf(row.columnNode[1]) : x0;
    const double* x2 = count > 2 ? unknownsOf(row.columnNode[2]) : x0;
    for (int e = 0; e < 2; ++e) {
      const double(&a0)[2] = row.block[0][e];
      double sum = a0[0] * x0[0] + a0[1] * x0[1];
      double sizeM = std::fabs(a0[0]), sizeW = std::fabs(a0[1]);
      if (count > 1) {
        const double(&a1)[2] = row.block[1][e];
        sum += a1[0] * x1[0] + a1[1] * x1[1];
        sizeM += std::fabs(a1[0]);
        sizeW += std::fabs(a1[1]);
      }
      if (count > 2) {
        const double(&a2)[2] = row.block[2][e];
        sum += a2[0] * x2[0] + a2[1] * x2[1];
        sizeM += std::fabs(a2[0]);
        sizeW += std::fabs(a2[1]);
      }
      const double difference = rhs[e] - sum;
      if (miss) miss[2 * j + e] = difference;
      const double size = std::fabs(rhs[e]) + sizeM * largestM + sizeW * largestW;
      // Divides only for a new largest share; an equation without terms has no miss.
      if (std::fabs(difference) > worst * size) worst = std::fabs(difference) / size;
    }
  }
  return worst;
}

}  // namespace pelvar
