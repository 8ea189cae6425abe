#include "analysis/moving_load.h"

#include <algorithm>

#include "analysis/result_quantities.h"
#include "model/load_cases.h"

namespace pelvar {
namespace {

// Both sides of every node of every lane as StoreResults derives them (DeriveShear): the moments
// either side of the nodes where a point moment acts as two half couples, with the base loads'
// terms and each lane's changes to them; a probe that turns not a number in a lane where a
// value is not finite; and the soil pressure under every element.
PELVAR_LANE_KERNEL
void SidesLanes(int n, const MeshData& mesh, const LaneVector& solution,
                const std::array<Lanes, kMaxNodes>& loadChange,
                const std::array<Lanes, kMaxNodes>& momentChange,
                const std::array<Lanes, kMaxElements>& shiftChange,
                const std::array<double, kMaxElements>& spring, LaneSides& sides,
                std::array<Lanes, kMaxElements>& pressure, Lanes& probe) {
  sides.mLeft[0] = sides.mRight[0] = solution[0][0];
  sides.mLeft[n] = sides.mRight[n] = solution[n][0];
  for (int j = 1; j < n; ++j) {
    const Lanes half = 0.5 * (momentChange[j] + mesh.nodeMoment[j]);
    sides.mLeft[j] = solution[j][0] - half;
    sides.mRight[j] = solution[j][0] + half;
  }
  DeriveShear(
      n, mesh, sides.mLeft.data(), sides.mRight.data(),
      [&](int j) __attribute__((always_inline)) { return loadChange[j] + mesh.nodeLoad[j]; },
      [&](int e)
          __attribute__((always_inline)) { return shiftChange[e] + mesh.insideForceShift[e]; },
      sides.qLeft.data(), sides.qRight.data());
  for (int j = 0; j <= n; ++j) {
    probe += 0.0 * sides.qLeft[j] + 0.0 * sides.qRight[j];  // M and w: see FactoredResidualMet
  }
  // The soil pressure under every element; soil that takes tension lifts off nowhere.
  for (int j = 0; j < n; ++j) {
    pressure[j] = ElementPressure(spring[j], solution[j][1], solution[j + 1][1]);
  }
}

}  // namespace

bool LinearPositions::Prepare(const ProblemData& base, AnalysisWorkspace& work) {
  if (base.noTension) return false;
  state_ = std::make_unique<ProblemData>(base);
  const CalculationOutcome outcome = RunCalculation(*state_, work);
  if (outcome.status != CalculationStatus::Success || work.mesh.supported ||
      (outcome.method != SolutionMethod::Descending &&
       outcome.method != SolutionMethod::Ascending)) {
    return false;
  }
  n_ = state_->elementCount;
  mesh_ = std::make_unique<MeshData>(work.mesh);
  rows_ = std::make_unique<BlockSystem>();
  AssembleSystem(*state_, *mesh_, *rows_);
  factors_ = std::make_unique<ChainFactors>();
  auto consumed = std::make_unique<BlockSystem>(*rows_);
  const EliminationOrder order = outcome.method == SolutionMethod::Descending
                                     ? EliminationOrder::Descending
                                     : EliminationOrder::Ascending;
  if (!SolveSystem(*consumed, n_, order, 0, factors_.get())) return false;
  exact_ = std::make_unique<ExactChain>();
  if (!exact_->Prepare(*state_, *mesh_)) return false;
  rhs_ = std::make_unique<LaneVector>();
  solution_ = std::make_unique<LaneVector>();
  sides_ = std::make_unique<LaneSides>();
  FillLanes(*rows_, 0, n_, *rhs_);
  for (int j = 0; j < n_; ++j) {
    elementSpring_[j] = state_->sections[work.mesh.elementSection[j]].spring;
  }
  for (int j = 0; j <= n_; ++j) loadChange_[j] = momentChange_[j] = Lanes{};
  for (int j = 0; j < n_; ++j) shiftChange_[j] = Lanes{};
  baseLoadsAnywhere_ = state_->loadsAnywhereCount;
  first_ = -1;
  return true;
}

void LinearPositions::SolvePositions(const ProblemData& data, int first) {
  const int n = n_, count = MovingLoadPositionCount(data);
  count_ = count;
  const MeshData& mesh = *mesh_;
  LaneVector& rhs = *rhs_;
  first_ = first;
  // Only the rows about the last positions' axles differ from the base's.
  const auto axleWindows = [&](const auto& each) {
    for (int k = 0; k < kLanes; ++k) {
      for (int a = 0; a < axleCount_[k]; ++a) {
        const LoadPlace& place = places_[k][static_cast<std::size_t>(a)];
        const int j = place.node >= 0 ? place.node : place.element;
        each(std::max(j - 1, 0), std::min(j + 3, n));
      }
    }
  };
  axleWindows([&](int from, int to) { FillLanes(*rows_, from, to, rhs); });
  exact_->StartLoads();
  for (int k = 0; k < kLanes; ++k) {
    const int position = first + k;
    axleCount_[k] = position < count ? AxlesOnBeam(data, position, axles_[k]) : 0;
    // A force on node i in the equations, as BuildMesh places it: at an end beside the end's own.
    const auto force = [&](int i, double value) {
      if (i == 0 || i == n) {
        rhs[i][1][k] += 2.0 * value;
      } else {
        rhs[i][0][k] -= value;
      }
    };
    for (int a = 0; a < axleCount_[k]; ++a) {
      const LoadAnywhere& axle = axles_[k][static_cast<std::size_t>(a)];
      const LoadPlace& place = places_[k][static_cast<std::size_t>(a)] =
          PlaceOnMesh(mesh, n, axle.x);
      if (place.node < 0) {
        force(place.element, axle.force * (1.0 - place.fraction));
        force(place.element + 1, axle.force * place.fraction);
        shiftChange_[place.element][k] += axle.force * (place.fraction - 0.5);
        continue;
      }
      const int j = place.node;
      force(j, axle.force);
      loadChange_[j][k] += axle.force;
      // The moment of its offset from the node: at an end the end's, inside half a couple on
      // each element that meets there.
      const double moment = axle.force * place.offset;
      if (j == 0 || j == n) {
        rhs[j][0][k] += j == 0 ? moment : -moment;
        continue;
      }
      const double left = 0.5 * moment * mesh.elementInverseLength[j - 1];
      const double right = 0.5 * moment * mesh.elementInverseLength[j];
      force(j - 1, -left);
      force(j, left - right);
      force(j + 1, right);
      momentChange_[j][k] += moment;
    }
    exact_->AddForces(k, axles_[k].data(), axleCount_[k]);
  }
  LaneVector& solution = *solution_;
  LaneSizes sizes;
  SolveFactored(*factors_, n, rhs, solution, sizes);
  FactoredResidualMet(*factors_, n, rhs, solution, sizes, met_);
  std::array<bool, kLanes> exactMet;
  exact_->Solve(exactMet);
  for (int k = 0; k < kLanes; ++k) met_[k] = met_[k] && exactMet[k];

  Lanes probe{};
  SidesLanes(n, mesh, solution, loadChange_, momentChange_, shiftChange_, elementSpring_, *sides_,
             pressure_, probe);
  // The accuracy of each lane, against the sizes of its own problem's loads.
  std::array<std::array<double, 3>, kLanes> reference;
  for (int k = 0; k < kLanes; ++k) {
    LoadsOf(k);
    reference[k] = {ResultReference(*state_, &ResultNode::w),
                    ResultReference(*state_, &ResultNode::Q),
                    ResultReference(*state_, &ResultNode::M)};
  }
  exact_->MeasureAccuracy(solution, *sides_, reference, accuracy_);
  // A value that is not finite fails the lane, as StoreResults fails.
  for (int k = 0; k < kLanes; ++k) met_[k] = met_[k] && probe[k] == 0.0;
  // The changes go with their lanes.
  axleWindows([&](int from, int to) {
    for (int i = from; i <= to; ++i) loadChange_[i] = momentChange_[i] = Lanes{};
    for (int i = from; i < to; ++i) shiftChange_[i] = Lanes{};
  });
}

void LinearPositions::LoadsOf(int lane) {
  ProblemData& state = *state_;
  state.loadsAnywhereCount = baseLoadsAnywhere_;
  for (int a = 0; a < axleCount_[lane]; ++a) {
    state.loadsAnywhere[state.loadsAnywhereCount++] = axles_[lane][static_cast<std::size_t>(a)];
  }
}

bool LinearPositions::Solved(int position, ResultAccuracy& accuracy) const {
  const int k = position - first_;
  if (!Holds(position) || position >= count_ || !met_[k] || !accuracy_[k].available) return false;
  accuracy = accuracy_[k];
  return true;
}

}  // namespace pelvar
