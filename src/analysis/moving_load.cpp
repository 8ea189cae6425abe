#include "analysis/moving_load.h"

#include <algorithm>

#include "analysis/result_quantities.h"
#include "model/load_cases.h"

namespace pelvar {
namespace {

// The shear forces of every lane from its moments, as StoreResults derives them, with the base
// loads' terms and each lane's changes to them; a probe that turns not a number in a lane where
// a value is not finite; and the soil pressure under every element.
PELVAR_LANE_KERNEL
void ShearLanes(int n, const MeshData& mesh, const LaneVector& solution, const Lanes& endForce,
                const std::array<double, kMaxNodes>& forceBefore,
                const std::array<double, kMaxNodes>& elementMoment,
                const std::array<Lanes, kMaxNodes>& forceChange,
                const std::array<Lanes, kMaxNodes>& momentChange,
                const std::array<double, kMaxElements>& spring, std::array<Lanes, kMaxNodes>& shear,
                std::array<Lanes, kMaxElements>& pressure, Lanes& probe) {
  shear[0] = 0.0 - endForce;
  for (int j = 1; j <= n; ++j) {
    const double inverseH = mesh.elementInverseLength[j - 1];
    const Lanes moment = momentChange[j] + elementMoment[j];
    const Lanes before = forceChange[j] + forceBefore[j];
    shear[j] =
        (solution[j][0] - solution[j - 1][0] - moment) * 2.0 * inverseH + (before - shear[j - 1]);
  }
  for (int j = 0; j <= n; ++j) probe += 0.0 * shear[j];  // M and w: see FactoredResidualMet
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
  FillLanes(*rows_, 0, n_, *rhs_);
  for (int j = 0; j < n_; ++j) {
    elementSpring_[j] = state_->sections[work.mesh.elementSection[j]].spring;
  }
  // The shear force's terms as StoreResults forms them from the mesh's loads.
  const MeshData& mesh = *mesh_;
  endForce_ = state_->points[0].force + mesh.endForce[0];
  double coupleBefore = 0.0;
  for (int j = 1; j <= n_; ++j) {
    const double couple = mesh.elementMoment[j - 1] * mesh.elementInverseLength[j - 1];
    forceBefore_[j] = mesh.nodeForce[j - 1] + couple - coupleBefore;
    elementMoment_[j] = mesh.elementMoment[j - 1];
    coupleBefore = couple;
  }
  for (int j = 0; j <= n_; ++j) forceChange_[j] = momentChange_[j] = Lanes{};
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
  Lanes endForce = Lanes::All(endForce_);
  for (int k = 0; k < kLanes; ++k) {
    const int position = first + k;
    axleCount_[k] = position < count ? AxlesOnBeam(data, position, axles_[k]) : 0;
    // A force on node i as BuildMesh places it, in the equations and in the shear force: at an
    // end beside the end's own force, inside before the shear force of the next node.
    const auto force = [&](int i, double value) {
      if (i == 0 || i == n) {
        rhs[i][1][k] += 2.0 * value;
        if (i == 0) endForce[k] += value;
      } else {
        rhs[i][0][k] -= value;
        forceChange_[i + 1][k] += value;
      }
    };
    // A couple's forces on nodes: in the equations only, the shear force runs on across them.
    const auto coupleForce = [&](int i, double value) {
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
        continue;
      }
      const int j = place.node;
      force(j, axle.force);
      // The moment of its offset from the node: at an end the end's, inside half a couple on
      // each element that meets there.
      const double moment = axle.force * place.offset;
      if (j == 0 || j == n) {
        rhs[j][0][k] += j == 0 ? moment : -moment;
        continue;
      }
      const double left = 0.5 * moment * mesh.elementInverseLength[j - 1];
      const double right = 0.5 * moment * mesh.elementInverseLength[j];
      coupleForce(j - 1, -left);
      coupleForce(j, left - right);
      coupleForce(j + 1, right);
      momentChange_[j][k] += 0.5 * moment;
      momentChange_[j + 1][k] += 0.5 * moment;
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
  ShearLanes(n, mesh, solution, endForce, forceBefore_, elementMoment_, forceChange_, momentChange_,
             elementSpring_, shear_, pressure_, probe);
  // A force inside an element has passed whole by the element's right node (see StoreResults).
  const auto passed = [&](int k, const LoadAnywhere& load, const LoadPlace& place) {
    if (place.node < 0) shear_[place.element + 1][k] -= load.force * place.fraction;
  };
  for (int k = 0; k < kLanes; ++k) {
    for (int l = 0; l < baseLoadsAnywhere_; ++l) {
      passed(k, state_->loadsAnywhere[l], PlaceOnMesh(mesh, n, state_->loadsAnywhere[l].x));
    }
    for (int a = 0; a < axleCount_[k]; ++a) {
      const std::size_t i = static_cast<std::size_t>(a);
      passed(k, axles_[k][i], places_[k][i]);
    }
  }
  // The accuracy of each lane, against the sizes of its own problem's loads.
  std::array<std::array<double, 3>, kLanes> reference;
  for (int k = 0; k < kLanes; ++k) {
    LoadsOf(k);
    reference[k] = {ResultReference(*state_, &ResultNode::w),
                    ResultReference(*state_, &ResultNode::Q),
                    ResultReference(*state_, &ResultNode::M)};
  }
  exact_->MeasureAccuracy(solution, shear_, reference, accuracy_);
  // A value that is not finite fails the lane, as StoreResults fails.
  for (int k = 0; k < kLanes; ++k) met_[k] = met_[k] && probe[k] == 0.0;
  // The changes go with their lanes.
  axleWindows([&](int from, int to) {
    for (int i = from; i <= to; ++i) forceChange_[i] = momentChange_[i] = Lanes{};
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
