#pragma once
// The positions of a moving load on soil that takes tension. Each position is the same beam
// under its own loads and the axles at one place, so the scheme's equations and the exact beam's
// are factored once and every position is only substituted, checked and measured, kLanes
// positions at a time. On soil that takes no tension the springs in contact change with the
// load, and every position is solved on its own (RunCalculation).

#include <array>
#include <memory>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/exact_solution.h"
#include "analysis/mesh_loads.h"

namespace pelvar {

class LinearPositions {
 public:
  // Prepares for the positions on top of `base`, the problem with the state's loads and springs
  // but no axles, which it solves in work. False where this way does not apply: soil that takes
  // no tension, a support that holds the rotation inside the beam or a rotational spring there,
  // or a beam whose equations the elimination from one end without exchanges does not take; then
  // every position must be solved on its own.
  bool Prepare(const ProblemData& base, AnalysisWorkspace& work);

  // Solves the positions first .. first + kLanes - 1 of data's moving load (those that exist).
  void SolvePositions(const ProblemData& data, int first);
  // Whether `position` is among those last solved.
  bool Holds(int position) const {
    return first_ >= 0 && position >= first_ && position < first_ + kLanes;
  }
  // Whether a position among those last solved passed every check, and the accuracy of its
  // results; where not, it is left to be solved on its own.
  bool Solved(int position, ResultAccuracy& accuracy) const;
  // The results of the positions last solved, position first + k in lane k: M and w of every
  // node, M and Q either side of it, and the soil pressure p of every element.
  const LaneVector& Values() const { return *solution_; }
  const LaneSides& Sides() const { return *sides_; }
  const std::array<Lanes, kMaxElements>& Pressure() const { return pressure_; }

 private:
  int n_ = 0;
  int baseLoadsAnywhere_ = 0;
  std::unique_ptr<ProblemData> state_;
  std::unique_ptr<MeshData> mesh_;
  std::unique_ptr<BlockSystem> rows_;  // the scheme's equations under the base loads
  RightHandSides baseRhs_{};           // theirs, node by node
  std::unique_ptr<ChainFactors> factors_;
  std::unique_ptr<ExactChain> exact_;
  std::unique_ptr<LaneVector> rhs_, solution_;
  // What the single run would assemble for each lane, at the rows changed (changed_).
  std::unique_ptr<LaneVector> expected_;
  // Which equations take the loads: all but those a support has taken over.
  std::array<std::array<bool, 2>, kMaxNodes> takes_{};
  // The supports, each with its node's free equations under the base loads, and what it gives
  // the beam in each lane (SupportReactions).
  struct Support {
    int point = 0, node = 0;
    BlockRow freeRow;
  };
  std::vector<Support> supports_;
  std::vector<LaneReaction> reactions_;
  std::array<Lanes, kMaxNodes> reactionForce_{};  // at each node, 0 but at the supports'
  void FindReactions();
  std::array<bool, kMaxNodes> changed_{};
  // What each lane's axles add to the mesh's loads, and the rows that changes.
  std::unique_ptr<std::array<LoadChange, kLanes>> changes_;
  std::array<std::vector<int>, kLanes> changedRows_;
  std::unique_ptr<LaneSides> sides_;
  // What the axles of each lane add to the mesh's loads: the force on each node, the moment of
  // its offset at each node inside, and the shift of the mean shear force inside each element
  // (MeshData::nodeLoad, nodeMoment, insideForceShift).
  std::array<Lanes, kMaxNodes> loadChange_{}, momentChange_{};
  std::array<Lanes, kMaxElements> shiftChange_{};
  int first_ = -1, count_ = 0;  // the first position last solved, and how many there are
  std::array<bool, kLanes> met_{};
  std::array<int, kLanes> axleCount_{};
  std::array<std::array<LoadAnywhere, kMaxAxles>, kLanes> axles_{};
  std::array<ResultAccuracy, kLanes> accuracy_{};
  std::array<double, kMaxElements> elementSpring_{};  // k of each element's section
  std::array<Lanes, kMaxElements> pressure_{};

  // Gives state_ the loads anywhere of a lane's position: the base's and its axles.
  void LoadsOf(int lane);
};

}  // namespace pelvar
