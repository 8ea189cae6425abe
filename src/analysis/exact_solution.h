#pragma once
// The exact solution of the continuous beam (EI·w⁗ + k·b·w = q·b on every element, the point
// forces and moments, free ends) at the nodes of the mesh, beside which the scheme's answer is
// measured. The scheme's numbers stay the program's answer; these only tell how close it is.
//
// Every run of elements with one length, EI, spring and load (a section, or a part of one)
// is condensed exactly into a relation between the moment and the displacement at its two ends
// and the slope and the shear force there. A short element's relation comes from the power
// series of the beam's transfer matrix, a longer one on springs from the solutions that decay
// away from either of its ends, so that no factor e^βl ever appears and an element of any length
// is as well conditioned as a short one (springs that pull, k < 0, join short parts instead).
// The elements of a run are joined two at a time, eliminating the joint between them; the runs
// are joined at their ends by one small banded solve with row exchanges, and the values at the
// nodes inside a run follow from its two ends, halving it again and again.

#include <array>

#include "analysis/mesh.h"
#include "analysis/solver.h"
#include "model/problem_data.h"

namespace pelvar {

// Working storage of the exact solution, made once with the analysis workspace.
struct ExactWorkspace {
  // What a piece of the beam gives at its two ends: rows θ0, Q0, θ1, Q1 (slope and shear force)
  // from columns M0, w0, M1, w1 (moment and displacement) and 1 (the load).
  using Relation = double[4][5];
  // A piece of a run, of some number of elements, and where it splits: M and w at the node after
  // its first elements / 2 (rounded down) elements, from M0, w0, M1, w1 and 1.
  struct Piece {
    int elements = 0;
    int first = 0, second = 0;  // the pieces it is joined from
    Relation relation = {};
    double middle[2][5] = {};
  };
  // The pieces of the run at hand: its element, then the sizes its halvings meet, two a level.
  static constexpr int kMaxPieces = 64;
  std::array<Piece, kMaxPieces> pieces{};
  int pieceCount = 0;
  // The runs of equal elements: the first element of each, the last entry the element count.
  std::array<int, kMaxNodes> runStart{};
  int runCount = 0;
  std::array<Relation, kMaxElements> runRelation{};
  // The loads anywhere: the force and moment on each node, and whether an element holds one
  // inside (which makes it a run of its own, its relation joined from the parts between them).
  std::array<double, kMaxNodes> nodeForce{}, nodeMoment{};
  std::array<bool, kMaxElements> loadedInside{};
};

// Fills exact[0..elementCount] for the mesh the scheme was solved on (the element lengths,
// springs and loads of `mesh`, the point loads of `data`). Returns false, leaving exact
// undefined, where double precision cannot give the continuous solution: values near the range
// of doubles, or equations of the run ends so nearly dependent that one step of refinement would
// still move one of them by more than a ten-millionth of its size.
// The equations of the run ends are solved in joints and band, which the scheme no longer needs
// once its results are stored.
bool SolveExactBeam(const ProblemData& data, const MeshData& mesh, ExactWorkspace& work,
                    BlockSystem& joints, BandWorkspace& band,
                    std::array<ExactNode, kMaxNodes>& exact);

// How close the scheme's w, Q and M of the result table come to the exact values: for each, the
// largest difference at the nodes divided by the largest exact magnitude along the beam, or by a
// millionth of the problem's own scale for that quantity (ResultReference) where that is larger,
// so that a quantity that is nil gives no false alarm. At a node where Q or M jumps, the nearest
// of the value left, the value right and their mean counts.
ResultAccuracy MeasureAccuracy(const ProblemData& data,
                               const std::array<ExactNode, kMaxNodes>& exact);

}  // namespace pelvar
