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
#include <vector>

#include "analysis/mesh.h"
#include "analysis/mesh_loads.h"
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
  // Whether an element holds loads anywhere inside (which makes it a run of its own, its
  // relation joined from the parts between them).
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

// The exact beam of one problem under many loadings at once, each its own loads and some
// forces anywhere besides (the positions of a moving load on soil that takes tension): written
// with a joint at every node, one pair of equations per node in its M (left of the node) and w,
// a chain like the scheme's, factored once, so that each loading is only a substitution. The
// loadings are solved kLanes at a time, one in each lane.
class ExactChain {
 public:
  // Assembles and factors the exact beam of data on its mesh, which must have no support that
  // holds the rotation inside the beam and no rotational spring there. False where double
  // precision cannot give it so (a pivot of the elimination without exchanges rejected, values
  // beyond the range of doubles): then the loadings must each be solved on their own
  // (SolveExactBeam).
  bool Prepare(const ProblemData& data, const MeshData& mesh);
  // Every lane's loading becomes the problem's own loads.
  void StartLoads();
  // Adds the loads anywhere of a change of the mesh's loads (as AddLoadAnywhere takes them) to
  // lane k's loading.
  void AddLoads(int lane, const LoadChange& change);
  // Solves every lane; met tells where the solution meets its equations within
  // kResidualTolerance, the check every exact solution passes here before it is used.
  void Solve(std::array<bool, kLanes>& met);
  // How close the scheme's solutions of the same loadings come to these (as MeasureAccuracy
  // measures them): scheme holds each lane's M and w, sides its M and Q either side of every
  // node, and reference the sizes that MeasureAccuracy takes from ResultReference for w, Q and
  // M, of each lane's problem.
  void MeasureAccuracy(const LaneVector& scheme, const LaneSides& sides,
                       const std::vector<LaneReaction>& reactions,
                       const std::array<std::array<double, 3>, kLanes>& reference,
                       std::array<ResultAccuracy, kLanes>& accuracy) const;

 private:
  const MeshData* mesh_ = nullptr;
  int n_ = 0;
  ExactWorkspace work_;
  BlockSystem rows_;
  ChainFactors factors_;
  std::array<double, kMaxNodes> jump_{};  // of M at each node, left to right, by its own loads
  LaneVector rhs_{}, solution_{};
  // What the forces of the lanes add to the exact values: the jump of M at a node (the moment
  // of a force on it, away from its exact place), and Q right and left of a node (a force inside
  // the element after it, before it). Only the nodes in touched hold anything.
  std::array<Lanes, kMaxNodes> jumpChange_{}, rightShearChange_{}, leftShearChange_{};
  std::array<int, kLanes*(kMaxAxles * 2 + 2)> touched_{};
  int touchedCount_ = 0;
  // Which equations take the loads: all but those a support has taken over.
  std::array<std::array<bool, 2>, kMaxNodes> takes_{};
  std::array<bool, kMaxNodes> supported_{};  // whether a support stands at a node
};

// How close the scheme's w, Q and M of the result table come to the exact values: for each, the
// largest difference at the nodes divided by the largest exact magnitude along the beam, or by a
// millionth of the problem's own scale for that quantity (ResultReference) where that is larger,
// so that a quantity that is nil gives no false alarm. At a node where Q or M jumps, each side
// is measured against the exact value of that side; the supports' forces count with Q and their
// moments with M, each against the exact beam's.
ResultAccuracy MeasureAccuracy(const ProblemData& data, const MeshData& mesh,
                               const std::array<ExactNode, kMaxNodes>& exact);

}  // namespace pelvar
