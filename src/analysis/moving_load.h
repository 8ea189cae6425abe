#pragma once
// The positions of a moving load on soil that takes tension. Each position is the same beam
// under its own loads and the axles at one place, so the scheme's equations and the exact beam's
// are factored once and every position is only substituted, checked and measured, kLanes
// positions at a time. On soil that takes no tension the springs in contact change with the
// load, and every position is solved on its own (RunCalculation).

#include <array>
#include <memory>

#include "analysis/calculation.h"
#include "analysis/exact_solution.h"

namespace pelvar {

class LinearPositions {
 public:
  // Prepares for the positions on top of `base`, the problem with the state's loads and springs
  // but no axles, which it solves in work. False where this way does not apply: soil that takes
  // no tension, supports, or a beam whose equations the elimination from one end without
  // exchanges does not take; then every position must be solved on its own.
  bool Prepare(const ProblemData& base, AnalysisWorkspace& work);

  // Solves the positions first .. first + kLanes - 1 of data's moving load (those that exist).
  void SolvePositions(const ProblemData& data, int first);
  // Whether `position` is among those last solved.
  bool Holds(int position) const {
    return first_ >= 0 && position >= first_ && position < first_ + kLanes;
  }
  // The results of a position last solved: w, Q and M of every node, and their accuracy
  // against the exact beam. False where its solution failed a check, which leaves that
  // position to be solved on its own.
  struct Results {
    const double *w = nullptr, *Q = nullptr, *M = nullptr;
    const double* elementSpring = nullptr;  // k of every element's section (none lifts off)
    ResultAccuracy accuracy;
  };
  bool ResultsOf(int position, Results& results) const;

 private:
  int n_ = 0;
  int baseLoadsAnywhere_ = 0;
  std::unique_ptr<ProblemData> state_;
  std::unique_ptr<MeshData> mesh_;
  std::unique_ptr<BlockSystem> rows_;  // the scheme's equations under the base loads
  std::unique_ptr<ChainFactors> factors_;
  std::unique_ptr<ExactChain> exact_;
  std::unique_ptr<LaneVector> rhs_, solution_;
  // The shear force's terms of every node under the base loads (see StoreResults): the force
  // before node j, the moment of the element before it; and the lanes' changes to them.
  std::array<double, kMaxNodes> forceBefore_{}, elementMoment_{};
  std::array<Lanes, kMaxNodes> forceChange_{}, momentChange_{};
  std::array<Lanes, kMaxNodes> shear_{};
  double endForce_ = 0.0;  // the left end's force, base
  int first_ = -1;
  std::array<bool, kLanes> met_{};
  std::array<int, kLanes> axleCount_{};
  std::array<std::array<LoadAnywhere, kMaxAxles>, kLanes> axles_{};
  std::array<ResultAccuracy, kLanes> accuracy_{};
  std::array<double, kMaxElements> elementSpring_{};
  // Each lane's w, Q and M node by node, for the envelope to read along the beam.
  std::array<std::array<double, kMaxNodes>, kLanes> w_{}, Q_{}, M_{};

  // Gives state_ the loads anywhere of a lane's position: the base's and its axles.
  void LoadsOf(int lane);
};

}  // namespace pelvar
