#include "analysis/solver.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "analysis/residual.h"

namespace pelvar {
namespace {

bool PivotAccepted(double pivot, double equationSize) {
  const double size = std::fabs(pivot);
  // Written so that a pivot or a size that is not a number rejects the pivot.
  return size >= pivotTolerance && size >= relativePivotTolerance * equationSize;
}

double Largest(double a, double b, double c, double d) {
  return std::max(std::max(std::fabs(a), std::fabs(b)), std::max(std::fabs(c), std::fabs(d)));
}

// The entry of the row that refers to the given node, or -1.
int EntryOf(const BlockRow& row, int node) {
  for (int e = 1; e < row.entryCount; ++e) {
    if (row.columnNode[e] == node) return e;
  }
  return -1;
}

}  // namespace

bool SolveSystem(BlockSystem& system, int elementCount, EliminationOrder order, int firstNode,
                 ChainFactors* factors) {
  const int n = elementCount, first = firstNode;
  const bool descending = order == EliminationOrder::Descending;
  const int toward = descending ? -1 : 1;  // from a node to the one eliminated after it
  if (factors) {
    for (int j = first; j <= n; ++j) {
      const BlockRow& row = system.rows[j];
      ChainFactors::Row& packed = factors->rows[j];
      packed = ChainFactors::Row{};
      for (int c = 0; c < row.entryCount; ++c) {
        const int neighbour = row.columnNode[c] - j;  // -1, 0 or 1 in a chain
        if (neighbour < -1 || neighbour > 1)
          throw std::logic_error("The equations handed to the solver are not a chain of nodes.");
        const int slot = neighbour == 0 ? 0 : neighbour < 0 ? 1 : 2;
        for (int e = 0; e < 2; ++e) {
          for (int u = 0; u < 2; ++u) packed.a[e][slot][u] += row.block[c][e][u];
          packed.sizeM[e] += std::fabs(row.block[c][e][0]);
          packed.sizeW[e] += std::fabs(row.block[c][e][1]);
        }
      }
    }
  }

  // The own block D and right-hand side b of the node being eliminated, with the nodes
  // eliminated before it already folded in; carried from node to node in registers.
  int q = descending ? n : first;
  double d00 = system.rows[q].block[0][0][0], d01 = system.rows[q].block[0][0][1];
  double d10 = system.rows[q].block[0][1][0], d11 = system.rows[q].block[0][1][1];
  double b0 = system.rows[q].rhs[0], b1 = system.rows[q].rhs[1];
  system.assembledRhs[q] = {b0, b1};

  for (int step = 0; step <= n - first; ++step, q += toward) {
    const BlockRow& row = system.rows[q];
    const bool last = step == n - first;
    // The row refers to its own node, the node eliminated before it and the one after it.
    const int ahead = last ? -1 : EntryOf(row, q + toward);
    if (row.columnNode[0] != q || row.entryCount != 1 + (step > 0) + !last || (!last && ahead < 0))
      throw std::logic_error("The equations handed to the solver are not a chain of nodes.");
    double c00 = last ? 0.0 : row.block[ahead][0][0];
    double c01 = last ? 0.0 : row.block[ahead][0][1];
    double c10 = last ? 0.0 : row.block[ahead][1][0];
    double c11 = last ? 0.0 : row.block[ahead][1][1];
    bool swapped = false;  // kept for the factors

    // Pivots on M in equation 0, then on w in equation 1 once equation 0 is taken out of it.
    // Nothing depends on work done after a rejected pivot: a failed solve stores nothing and
    // the system is assembled afresh before any further attempt.
    if (!PivotAccepted(d00, Largest(d00, d01, c00, c01))) {
      // A node whose first equation holds no M at all, as where a pin holds w inside the beam,
      // takes its M from the second: the two equations change places. A pivot that is merely
      // tiny is still rejected.
      if (d00 != 0.0 || !PivotAccepted(d10, Largest(d10, d11, c10, c11))) return false;
      std::swap(d00, d10);
      std::swap(d01, d11);
      std::swap(b0, b1);
      std::swap(c00, c10);
      std::swap(c01, c11);
      swapped = true;
    }
    // Equation 1 less d10/d00 times equation 0, multiplied through by d00: its pivot det(D)
    // and its coupling adj(D)·C (second row) are judged without a division.
    const double determinant = d00 * d11 - d10 * d01;
    const double n10 = d00 * c10 - d10 * c00, n11 = d00 * c11 - d10 * c01;
    const double scale = std::fabs(d00);
    if (!(std::fabs(determinant) >= pivotTolerance * scale &&
          std::fabs(determinant) >= relativePivotTolerance * Largest(determinant, 0.0, n10, n11)))
      return false;

    // The node's equations with D brought to the identity: (M, w) + C · (next node) = x, with
    // adj(D)·C and adj(D)·b formed while 1/det(D) is on its way. Kept beside the rows, which
    // stay as assembled for the check of the solution.
    const double r = 1.0 / determinant;
    const double x0 = (d11 * b0 - d01 * b1) * r, x1 = (d00 * b1 - d10 * b0) * r;
    const double e00 = (d11 * c00 - d01 * c10) * r, e01 = (d11 * c01 - d01 * c11) * r;
    const double e10 = n10 * r, e11 = n11 * r;
    system.eliminated[q] = {{{e00, e01}, {e10, e11}}, {x0, x1}};
    ChainFactors::Node* kept = factors ? &factors->nodes[q] : nullptr;
    if (kept) {
      // The inverse of D, its columns exchanged where the equations were.
      const double g[2][2] = {{d11 * r, -d01 * r}, {-d10 * r, d00 * r}};
      const int first = swapped ? 1 : 0;
      *kept = {{{g[0][first], g[0][1 - first]}, {g[1][first], g[1][1 - first]}},
               {},
               {{e00, e01}, {e10, e11}}};
    }
    if (last) break;

    // Fold the node into the next row: there its unknowns are x - C · (next node's unknowns).
    const BlockRow& next = system.rows[q + toward];
    const int back = EntryOf(next, q);
    if (back < 0)
      throw std::logic_error("The equations handed to the solver are not a chain of nodes.");
    const double(&t)[2][2] = next.block[back];
    if (kept) {
      for (int i = 0; i < 2; ++i) {
        for (int u = 0; u < 2; ++u)
          kept->s[i][u] = t[i][0] * kept->g[0][u] + t[i][1] * kept->g[1][u];
      }
    }
    d00 = next.block[0][0][0] - (t[0][0] * e00 + t[0][1] * e10);
    d01 = next.block[0][0][1] - (t[0][0] * e01 + t[0][1] * e11);
    d10 = next.block[0][1][0] - (t[1][0] * e00 + t[1][1] * e10);
    d11 = next.block[0][1][1] - (t[1][0] * e01 + t[1][1] * e11);
    system.assembledRhs[q + toward] = {next.rhs[0], next.rhs[1]};
    b0 = next.rhs[0] - (t[0][0] * x0 + t[0][1] * x1);
    b1 = next.rhs[1] - (t[1][0] * x0 + t[1][1] * x1);
  }

  if (factors) factors->order = order;
  // In reverse order: every node refers only to the node eliminated after it, already solved.
  double m = system.eliminated[q].x[0], w = system.eliminated[q].x[1];
  system.rows[q].rhs[0] = m;
  system.rows[q].rhs[1] = w;
  for (q -= toward; q >= first && q <= n; q -= toward) {
    const BlockSystem::Eliminated& node = system.eliminated[q];
    const double mq = node.x[0] - (node.c[0][0] * m + node.c[0][1] * w);
    const double wq = node.x[1] - (node.c[1][0] * m + node.c[1][1] * w);
    system.rows[q].rhs[0] = m = mq;
    system.rows[q].rhs[1] = w = wq;
  }
  return true;
}

void FillLanes(const BlockSystem& rows, int first, int last, LaneVector& values) {
  for (int j = first; j <= last; ++j) {
    values[j] = {Lanes::All(rows.rows[j].rhs[0]), Lanes::All(rows.rows[j].rhs[1])};
  }
}

void SolveFactored(const ChainFactors& factors, int elementCount, const LaneVector& rhsStored,
                   LaneVector& valuesStored, LaneSizes& sizesStored) {
  WithWidestLanes([&]<typename L>() __attribute__((always_inline)) {
    const LaneVectorOf<L>& rhs = LanesAs<L>(rhsStored);
    LaneVectorOf<L>& values = LanesAs<L>(valuesStored);
    LaneSizesOf<L>& sizes = LanesAs<L>(sizesStored);
    const int n = elementCount;
    const bool descending = factors.order == EliminationOrder::Descending;
    const int toward = descending ? -1 : 1;
    int q = descending ? n : 0;
    // Only the right-hand sides are carried from node to node; each node's unknowns come off
    // that chain.
    LaneValuesOf<L> b = rhs[q];
    for (int step = 0; step <= n; ++step, q += toward) {
      const ChainFactors::Node& node = factors.nodes[q];
      values[q] = {node.g[0][0] * b[0] + node.g[0][1] * b[1],
                   node.g[1][0] * b[0] + node.g[1][1] * b[1]};
      if (step == n) break;
      const LaneValuesOf<L>& next = rhs[q + toward];
      b = {next[0] - node.s[0][0] * b[0] - node.s[0][1] * b[1],
           next[1] - node.s[1][0] * b[0] - node.s[1][1] * b[1]};
    }
    // The largest |M| and |w| of each lane as they come; the probe turns not a number where a
    // value is not finite.
    const auto measure = [&](const LaneValuesOf<L>& x) __attribute__((always_inline)) {
      for (int u = 0; u < 2; ++u) {
        const L size = Magnitude(x[u]);
        sizes.largest[u] = Larger(sizes.largest[u], size);
        sizes.probe += 0.0 * size;
      }
    };
    sizes = LaneSizesOf<L>{};
    measure(values[q]);
    for (q -= toward; q >= 0 && q <= n; q -= toward) {
      const double(&c)[2][2] = factors.nodes[q].c;
      const LaneValuesOf<L>& after = values[q + toward];  // solved just before it
      LaneValuesOf<L>& x = values[q];
      x[0] -= c[0][0] * after[0] + c[0][1] * after[1];
      x[1] -= c[1][0] * after[0] + c[1][1] * after[1];
      measure(x);
    }
  });
}

void FactoredResidualMet(const ChainFactors& factors, int elementCount, const LaneVector& rhsStored,
                         const LaneVector& solutionStored, const LaneSizes& sizesStored,
                         std::array<bool, kLanes>& met, const RightHandSides* base,
                         const bool* changed) {
  WithWidestLanes([&]<typename L>() __attribute__((always_inline)) {
    const LaneVectorOf<L>& rhs = LanesAs<L>(rhsStored);
    const LaneVectorOf<L>& solution = LanesAs<L>(solutionStored);
    const LaneSizesOf<L>& sizes = LanesAs<L>(sizesStored);
    const int n = elementCount;
    const LaneValuesOf<L>& largest = sizes.largest;
    typename L::Mask within = L::Mask::True();
    for (int j = 0; j <= n; ++j) {
      const ChainFactors::Row& row = factors.rows[j];
      // Ends have one neighbour; their own values stand in for the missing one, at coefficient 0.
      const LaneValuesOf<L>& own = solution[j];
      const LaneValuesOf<L>& before = solution[j > 0 ? j - 1 : j];
      const LaneValuesOf<L>& after = solution[j < n ? j + 1 : j];
      for (int e = 0; e < 2; ++e) {
        const double(&a)[3][2] = row.a[e];
        const L sum = (a[0][0] * own[0] + a[0][1] * own[1]) +
                      (a[1][0] * before[0] + a[1][1] * before[1]) +
                      (a[2][0] * after[0] + a[2][1] * after[1]);
        const L b = base == nullptr || changed[j] ? rhs[j][e] : L::All((*base)[j][e]);
        const L size = Magnitude(b) + (row.sizeM[e] * largest[0] + row.sizeW[e] * largest[1]);
        within.AndNotAbove(Magnitude(b - sum), kResidualTolerance * size);
      }
    }
    for (int k = 0; k < kLanes; ++k) met[k] = within[k] && sizes.probe[k] == 0.0;
  });
}

double SolvedChainResidual(const BlockSystem& solved, int elementCount, double* miss) {
  return EquationResidual(
      elementCount, [&](int j) -> const BlockRow& { return solved.rows[j]; },
      [&](int j) { return solved.rows[j].rhs; }, miss,
      [&](int j, const BlockRow&) { return solved.assembledRhs[j].data(); });
}

bool SolveFreeStart(BlockSystem& system, int elementCount, int freeElements) {
  const int n = elementCount, a = freeElements;
  if (a < 1 || a >= n) return false;
  auto entry = [](const BlockRow& row, int node) {
    return row.columnNode[0] == node ? 0 : EntryOf(row, node);
  };

  // The moments M0..Ma: each from one equation that holds no w and no moment beyond it.
  std::array<double, kMaxNodes> moment{};
  auto solveMoment = [&](const BlockRow& row, int e, int target) {
    double sum = row.rhs[e], own = 0.0;
    for (int c = 0; c < row.entryCount; ++c) {
      const int node = row.columnNode[c];
      if (row.block[c][e][1] != 0.0 || (node > target && row.block[c][e][0] != 0.0)) return false;
      if (node == target) {
        own = row.block[c][e][0];
      } else if (row.block[c][e][0] != 0.0) {
        sum -= row.block[c][e][0] * moment[node];
      }
    }
    moment[target] = sum / own;
    return own != 0.0 && std::isfinite(moment[target]);
  };
  // The rows as assembled stay beside the solution, as SolveSystem leaves them: the rhs of the
  // free nodes, and the two rows rewritten below.
  for (int j = 0; j < a; ++j)
    system.assembledRhs[j] = {system.rows[j].rhs[0], system.rows[j].rhs[1]};
  const BlockRow assembledStart = system.rows[a], assembledNext = system.rows[a + 1];
  if (!solveMoment(system.rows[0], 0, 0) || !solveMoment(system.rows[0], 1, 1)) return false;
  for (int j = 1; j < a; ++j) {
    if (!solveMoment(system.rows[j], 0, j + 1)) return false;
  }

  // Node a takes w(a-1) and wa as its unknowns, its compatibility first (it holds w(a-1)), the
  // known moments on the right-hand side; the node after it loses Ma there too.
  BlockRow& row = system.rows[a];
  const int left = entry(row, a - 1), right = entry(row, a + 1);
  if (left < 0 || right < 0) return false;
  BlockRow start{};
  start.entryCount = 2;
  start.columnNode = {a, a + 1, 0};
  for (int e = 0; e < 2; ++e) {
    const int from = 1 - e;
    start.block[0][e][0] = row.block[left][from][1];
    start.block[0][e][1] = row.block[0][from][1];
    start.block[1][e][0] = row.block[right][from][0];
    start.block[1][e][1] = row.block[right][from][1];
    start.rhs[e] = row.rhs[from] - row.block[left][from][0] * moment[a - 1] -
                   row.block[0][from][0] * moment[a];
  }
  row = start;
  BlockRow& next = system.rows[a + 1];
  const int back = entry(next, a);
  if (back < 0) return false;
  for (int e = 0; e < 2; ++e) {
    next.rhs[e] -= next.block[back][e][0] * moment[a];
    next.block[back][e][0] = 0.0;
  }
  if (!SolveSystem(system, n, EliminationOrder::Ascending, a)) return false;

  // Back towards the free end: each node's compatibility gives w of the node before it.
  double wHere = system.rows[a].rhs[0], wNext = system.rows[a].rhs[1];
  const double nextM = system.rows[a + 1].rhs[0], nextW = system.rows[a + 1].rhs[1];
  system.rows[a] = assembledStart;
  system.rows[a + 1] = assembledNext;
  system.assembledRhs[a] = {assembledStart.rhs[0], assembledStart.rhs[1]};
  system.assembledRhs[a + 1] = {assembledNext.rhs[0], assembledNext.rhs[1]};
  system.rows[a].rhs[0] = moment[a];
  system.rows[a].rhs[1] = wNext;
  system.rows[a + 1].rhs[0] = nextM;
  system.rows[a + 1].rhs[1] = nextW;
  for (int j = a - 1; j >= 1; --j) {
    const BlockRow& free = system.rows[j];
    const int before = entry(free, j - 1), own = entry(free, j), after = entry(free, j + 1);
    double sum = free.rhs[1];
    for (int c = 0; c < free.entryCount; ++c)
      sum -= free.block[c][1][0] * moment[free.columnNode[c]];
    const double wBefore = (sum - free.block[own][1][1] * wHere - free.block[after][1][1] * wNext) /
                           free.block[before][1][1];
    system.rows[j].rhs[0] = moment[j];
    system.rows[j].rhs[1] = wHere;
    wNext = wHere;
    wHere = wBefore;
  }
  system.rows[0].rhs[0] = moment[0];
  system.rows[0].rhs[1] = wHere;
  return true;
}

namespace {

constexpr int kLower = BandWorkspace::kLower;
constexpr int kUpper = BandWorkspace::kUpper;
constexpr int kReach = kLower + kUpper;  // with the fill-in

// Coefficient (row, column) of the band; the row holds columns row - kLower .. row + kReach.
double& At(BandWorkspace& work, int row, int column) {
  return work.band[row][column - row + kLower];
}

// A pivot smaller than this in the equilibrated equations (every equation and every unknown
// scaled to a largest coefficient of about 1) means the equations are dependent, or so nearly
// that rounding decides the solution: its residual may still be small while the values are not
// those of the beam.
constexpr double kRelativePivotTolerance = 1e-10;

// The power of two nearest to 1 / size: scaling by it is exact.
double InverseScale(double size) { return std::ldexp(1.0, -std::ilogb(size)); }

// Solves the factorised equations for the unscaled right-hand side b into x.
void BandSubstitute(BandWorkspace& work, int size, const double* b, double* x) {
  for (int i = 0; i < size; ++i) x[i] = b[i] * work.rowScale[i];
  for (int k = 0; k < size; ++k) {
    if (work.pivotRow[k] != k) std::swap(x[k], x[work.pivotRow[k]]);
    const int lastRow = std::min(size - 1, k + kLower);
    for (int i = k + 1; i <= lastRow; ++i) x[i] -= At(work, i, k) * x[k];
  }
  for (int k = size - 1; k >= 0; --k) {
    const int lastColumn = std::min(size - 1, k + kReach);
    double sum = x[k];
    for (int col = k + 1; col <= lastColumn; ++col) sum -= At(work, k, col) * x[col];
    x[k] = sum / At(work, k, k);
  }
  for (int i = 0; i < size; ++i) x[i] *= work.columnScale[i];
}

}  // namespace

bool SolveBanded(BlockSystem& system, int elementCount, BandWorkspace& work) {
  const int n = elementCount;
  const int size = 2 * (n + 1);

  // Unknown 2j + u is unknown u of node j; equation 2j + e is equation e of node j.
  for (int i = 0; i < size; ++i) work.band[i].fill(0.0);
  for (int j = 0; j <= n; ++j) {
    const BlockRow& row = system.rows[j];
    for (int e = 0; e < 2; ++e) {
      const int i = 2 * j + e;
      for (int c = 0; c < row.entryCount; ++c) {
        for (int u = 0; u < 2; ++u) At(work, i, 2 * row.columnNode[c] + u) = row.block[c][e][u];
      }
      work.rhs[i] = row.rhs[e];
    }
  }

  // Every equation, then every unknown, to a largest coefficient of about 1, so that the pivot
  // test is relative and the pivot choice does not depend on units.
  for (int i = 0; i < size; ++i) {
    double largest = 0.0;
    for (double v : work.band[i]) largest = std::max(largest, std::fabs(v));
    if (!(largest > 0.0) || !std::isfinite(largest)) return false;
    work.rowScale[i] = InverseScale(largest);
    for (double& v : work.band[i]) v *= work.rowScale[i];
  }
  for (int col = 0; col < size; ++col) {
    const int first = std::max(0, col - kUpper), last = std::min(size - 1, col + kLower);
    double largest = 0.0;
    for (int i = first; i <= last; ++i) largest = std::max(largest, std::fabs(At(work, i, col)));
    if (!(largest > 0.0)) return false;
    work.columnScale[col] = InverseScale(largest);
    for (int i = first; i <= last; ++i) At(work, i, col) *= work.columnScale[col];
  }

  // Elimination with row exchanges; the multipliers stay below the diagonal for the
  // substitutions.
  for (int k = 0; k < size; ++k) {
    const int lastRow = std::min(size - 1, k + kLower);
    const int lastColumn = std::min(size - 1, k + kReach);
    int pivotRow = k;
    for (int i = k + 1; i <= lastRow; ++i) {
      if (std::fabs(At(work, i, k)) > std::fabs(At(work, pivotRow, k))) pivotRow = i;
    }
    if (!(std::fabs(At(work, pivotRow, k)) >= kRelativePivotTolerance)) return false;
    work.pivotRow[k] = pivotRow;
    if (pivotRow != k) {
      for (int col = k; col <= lastColumn; ++col)
        std::swap(At(work, k, col), At(work, pivotRow, col));
    }
    const double pivot = At(work, k, k);
    for (int i = k + 1; i <= lastRow; ++i) {
      const double factor = At(work, i, k) / pivot;
      At(work, i, k) = factor;
      if (factor == 0.0) continue;
      for (int col = k + 1; col <= lastColumn; ++col) At(work, i, col) -= factor * At(work, k, col);
    }
  }

  double* x = work.solution.data();
  double* miss = work.rhs.data();
  double* d = work.correction.data();
  for (int j = 0; j <= n; ++j) {
    miss[2 * j] = system.rows[j].rhs[0];
    miss[2 * j + 1] = system.rows[j].rhs[1];
  }
  BandSubstitute(work, size, miss, x);

  // One step of refinement against the equations as assembled, kept where it brings the
  // solution closer to them.
  auto rowOf = [&](int j) -> const BlockRow& { return system.rows[j]; };
  const double before = EquationResidual(
      n, rowOf, [&](int j) { return x + 2 * j; }, miss);
  work.correctionM = work.correctionW = 0.0;
  if (before > 0.0) {
    BandSubstitute(work, size, miss, d);
    // A change that is not a number counts as infinite.
    auto magnitude = [](double change) {
      return std::isnan(change) ? HUGE_VAL : std::fabs(change);
    };
    for (int i = 0; i < size; i += 2) {
      work.correctionM = std::max(work.correctionM, magnitude(d[i]));
      work.correctionW = std::max(work.correctionW, magnitude(d[i + 1]));
    }
    for (int i = 0; i < size; ++i) d[i] += x[i];
    if (EquationResidual(
            n, rowOf, [&](int j) { return d + 2 * j; }, miss) < before) {
      for (int i = 0; i < size; ++i) x[i] = d[i];
    }
  }

  for (int j = 0; j <= n; ++j) {
    system.rows[j].rhs[0] = x[2 * j];
    system.rows[j].rhs[1] = x[2 * j + 1];
  }
  return true;
}

}  // namespace pelvar
