#include "analysis/solver.h"

#include <algorithm>
#include <cmath>

namespace pelvar {
namespace {

// A pivot is rejected when it is smaller than the tolerance, and also when it is not a number.
bool PivotAccepted(double pivot) { return std::fabs(pivot) >= pivotTolerance; }

// Brings the node's own block to the identity, pivoting on M first and then on w.
bool NormaliseRow(BlockRow& row) {
  const int c = row.entryCount;
  double(&d)[2][2] = row.block[0];
  for (int k = 0; k < 2; ++k) {
    if (!PivotAccepted(d[k][k])) return false;
    const double r = 1.0 / d[k][k];
    for (int e = 0; e < c; ++e) {
      row.block[e][k][0] *= r;
      row.block[e][k][1] *= r;
    }
    row.rhs[k] *= r;

    const int l = 1 - k;
    const double f = d[l][k];
    for (int e = 0; e < c; ++e) {
      row.block[e][l][0] -= f * row.block[e][k][0];
      row.block[e][l][1] -= f * row.block[e][k][1];
    }
    row.rhs[l] -= f * row.rhs[k];
  }
  return true;
}

// Removes the eliminated node q from row p, whose equations refer to it, and passes the coupling
// on to q's other neighbours. Returns false only if a new coupling finds no room.
bool RemoveFromNeighbour(BlockSystem& system, int q, int p) {
  const BlockRow& rowQ = system.rows[q];
  BlockRow& rowP = system.rows[p];

  int s = rowP.entryCount - 1;
  for (int e = 1; e < rowP.entryCount; ++e) {
    if (rowP.columnNode[e] == q) s = e;
  }
  double t[2][2];
  std::copy(&rowP.block[s][0][0], &rowP.block[s][0][0] + 4, &t[0][0]);

  // The last entry takes the place of the removed one.
  const int last = rowP.entryCount - 1;
  rowP.columnNode[s] = rowP.columnNode[last];
  std::copy(&rowP.block[last][0][0], &rowP.block[last][0][0] + 4, &rowP.block[s][0][0]);
  rowP.columnNode[last] = 0;
  std::fill(&rowP.block[last][0][0], &rowP.block[last][0][0] + 4, 0.0);
  rowP.entryCount = last;
  for (int k = 0; k < 2; ++k) {
    for (int l = 0; l < 2; ++l) rowP.rhs[l] -= t[l][k] * rowQ.rhs[k];
  }

  for (int c = 1; c < rowQ.entryCount; ++c) {
    const int target = rowQ.columnNode[c];
    int d = -1;
    for (int e = 0; e < rowP.entryCount; ++e) {
      if (rowP.columnNode[e] == target) d = e;
    }
    if (d < 0) {
      if (rowP.entryCount == BlockRow::kMaxEntries) return false;
      d = rowP.entryCount++;
      rowP.columnNode[d] = target;
      std::fill(&rowP.block[d][0][0], &rowP.block[d][0][0] + 4, 0.0);
    }
    for (int k = 0; k < 2; ++k) {
      for (int u = 0; u < 2; ++u) {
        rowP.block[d][k][u] -= t[k][0] * rowQ.block[c][0][u];
        rowP.block[d][k][u] -= t[k][1] * rowQ.block[c][1][u];
      }
    }
  }
  return true;
}

}  // namespace

int SolveSystem(BlockSystem& system, int elementCount, EliminationOrder order) {
  const int n = elementCount;
  const bool descending = order == EliminationOrder::Descending;

  for (int step = 0; step <= n; ++step) {
    const int q = descending ? n - step : step;
    BlockRow& row = system.rows[q];
    // Nothing depends on work done after a rejected pivot: a failed solve stores nothing and
    // the system is assembled afresh before any further attempt.
    if (!NormaliseRow(row)) return 0;
    const int c = row.entryCount;
    for (int r = 1; r < c; ++r) {
      if (!RemoveFromNeighbour(system, q, row.columnNode[r])) return 0;
    }
  }

  // Every node a row still refers to was eliminated after it, so its solution is final.
  for (int step = 0; step <= n; ++step) {
    const int r = descending ? step : n - step;
    BlockRow& row = system.rows[r];
    for (int c = 1; c < row.entryCount; ++c) {
      const BlockRow& other = system.rows[row.columnNode[c]];
      for (int k = 0; k < 2; ++k) {
        for (int u = 0; u < 2; ++u) row.rhs[k] -= row.block[c][k][u] * other.rhs[u];
      }
    }
  }
  return 1;
}

namespace {

constexpr int kLower = BandWorkspace::kLower;
constexpr int kReach = BandWorkspace::kLower + BandWorkspace::kUpper;  // with the fill-in

// Coefficient (row, column) of the band; the row holds columns row - kLower .. row + kReach.
double& At(BandWorkspace& work, int row, int column) {
  return work.band[row][column - row + kLower];
}

// A pivot smaller than this, in an equation scaled to unit size, means the equations are
// dependent: the beam can move without resistance.
constexpr double kRelativePivotTolerance = 1e-10;

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

  // Scale every equation to a largest coefficient of 1, so that the pivot test is relative.
  for (int i = 0; i < size; ++i) {
    double largest = 0.0;
    for (double v : work.band[i]) largest = std::max(largest, std::fabs(v));
    if (!(largest > 0.0) || !std::isfinite(largest)) return false;
    for (double& v : work.band[i]) v /= largest;
    work.rhs[i] /= largest;
  }

  for (int k = 0; k < size; ++k) {
    const int lastRow = std::min(size - 1, k + kLower);
    const int lastColumn = std::min(size - 1, k + kReach);
    int pivotRow = k;
    for (int i = k + 1; i <= lastRow; ++i) {
      if (std::fabs(At(work, i, k)) > std::fabs(At(work, pivotRow, k))) pivotRow = i;
    }
    if (!(std::fabs(At(work, pivotRow, k)) >= kRelativePivotTolerance)) return false;
    if (pivotRow != k) {
      for (int col = k; col <= lastColumn; ++col)
        std::swap(At(work, k, col), At(work, pivotRow, col));
      std::swap(work.rhs[k], work.rhs[pivotRow]);
    }
    const double pivot = At(work, k, k);
    for (int i = k + 1; i <= lastRow; ++i) {
      const double factor = At(work, i, k) / pivot;
      if (factor == 0.0) continue;
      At(work, i, k) = 0.0;
      for (int col = k + 1; col <= lastColumn; ++col) At(work, i, col) -= factor * At(work, k, col);
      work.rhs[i] -= factor * work.rhs[k];
    }
  }

  for (int k = size - 1; k >= 0; --k) {
    const int lastColumn = std::min(size - 1, k + kReach);
    double sum = work.rhs[k];
    for (int col = k + 1; col <= lastColumn; ++col) sum -= At(work, k, col) * work.rhs[col];
    work.rhs[k] = sum / At(work, k, k);
  }

  for (int j = 0; j <= n; ++j) {
    system.rows[j].rhs[0] = work.rhs[2 * j];
    system.rows[j].rhs[1] = work.rhs[2 * j + 1];
  }
  return true;
}

}  // namespace pelvar
