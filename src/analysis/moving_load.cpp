#include "analysis/moving_load.h"

#include <algorithm>
#include <vector>

#include "analysis/mesh_loads.h"
#include "analysis/result_quantities.h"
#include "model/load_cases.h"

namespace pelvar {
namespace {

// Both sides of every node of every lane as StoreResults derives them (DeriveShear): the moments
// either side of the nodes where a point moment acts as two half couples, with the base loads'
// terms and each lane's changes to them and the supports' reactions; a probe that turns not a
// number in a lane where a value is not finite; and the soil pressure under every element.
void SidesLanes(int n, const MeshData& mesh, const LaneVector& solutionStored,
                const std::array<Lanes, kMaxNodes>& loadChangeStored,
                const std::array<Lanes, kMaxNodes>& momentChangeStored,
                const std::array<Lanes, kMaxElements>& shiftChangeStored,
                const std::array<Lanes, kMaxNodes>& reactionStored,
                const std::array<double, kMaxElements>& spring, LaneSides& sidesStored,
                std::array<Lanes, kMaxElements>& pressureStored, Lanes& probeStored) {
  WithWidestLanes([&]<typename L>() __attribute__((always_inline)) {
    const LaneVectorOf<L>& solution = LanesAs<L>(solutionStored);
    const std::array<L, kMaxNodes>& loadChange = LanesAs<L>(loadChangeStored);
    const std::array<L, kMaxNodes>& momentChange = LanesAs<L>(momentChangeStored);
    const std::array<L, kMaxElements>& shiftChange = LanesAs<L>(shiftChangeStored);
    const std::array<L, kMaxNodes>& reaction = LanesAs<L>(reactionStored);
    LaneSidesOf<L>& sides = LanesAs<L>(sidesStored);
    std::array<L, kMaxElements>& pressure = LanesAs<L>(pressureStored);
    L& probe = LanesAs<L>(probeStored);
    sides.mLeft[0] = sides.mRight[0] = solution[0][0];
    sides.mLeft[n] = sides.mRight[n] = solution[n][0];
    for (int j = 1; j < n; ++j) {
      const L half = 0.5 * (momentChange[j] + mesh.nodeMoment[j]);
      sides.mLeft[j] = solution[j][0] - half;
      sides.mRight[j] = solution[j][0] + half;
    }
    DeriveShear(
        n, mesh, sides.mLeft.data(), sides.mRight.data(),
        [&](int j) __attribute__((always_inline)) {
          return loadChange[j] + mesh.nodeLoad[j] - reaction[j];
        },
        [&](int e)
            __attribute__((always_inline)) { return shiftChange[e] + mesh.insideForceShift[e]; },
        sides.qLeft.data(), sides.qRight.data());
    for (int j = 0; j <= n; ++j) {
      probe += 0.0 * sides.qLeft[j] + 0.0 * sides.qRight[j];  // M, w: see FactoredResidualMet
    }
    // The soil pressure under every element; soil that takes tension lifts off nowhere.
    for (int j = 0; j < n; ++j) {
      pressure[j] = ElementPressure(spring[j], solution[j][1], solution[j + 1][1]);
    }
  });
}

// The rows whose right-hand sides a change of the loads touches (RowLoadTerms): those of the
// nodes whose forces it changes, of the ends whose force or moment, and either side of the
// elements whose moments inside it changes.
void ChangedRows(const LoadChange& change, int elementCount, std::vector<int>& rows) {
  const int n = elementCount;
  rows.clear();
  for (int i = 0; i < change.nodeForce.Count(); ++i) rows.push_back(change.nodeForce.At(i));
  if (change.endForce[0] != 0.0 || change.endMoment[0] != 0.0) rows.push_back(0);
  if (change.endForce[1] != 0.0 || change.endMoment[1] != 0.0) rows.push_back(n);
  for (int i = 0; i < change.elementMomentShift.Count(); ++i) {
    const int e = change.elementMomentShift.At(i);
    if (e > 0) rows.push_back(e);
    if (e + 1 < n) rows.push_back(e + 1);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
}

}  // namespace

bool LinearPositions::Prepare(const ProblemData& base, AnalysisWorkspace& work) {
  if (base.noTension) return false;
  state_ = std::make_unique<ProblemData>(base);
  const CalculationOutcome outcome = RunCalculation(*state_, work);
  if (outcome.status != CalculationStatus::Success || work.mesh.rotationHeldInside ||
      work.mesh.rotationalSpringsInside ||
      (outcome.method != SolutionMethod::Descending &&
       outcome.method != SolutionMethod::Ascending)) {
    return false;
  }
  n_ = state_->elementCount;
  mesh_ = std::make_unique<MeshData>(work.mesh);
  // The supports take the loads on their held equations into their reactions.
  for (auto& takes : takes_) takes = {true, true};
  supports_.clear();
  if (mesh_->supported) {
    EquationsTakingLoads(*state_, *mesh_, takes_);
    for (int p = 0; p <= state_->sectionCount; ++p) {
      if (state_->points[p].support.kind == SupportKind::None) continue;
      Support support;
      support.point = p;
      support.node = mesh_->pointNode[p];
      FreeRow(*state_, *mesh_, support.node, support.freeRow);
      supports_.push_back(support);
    }
  }
  reactions_.assign(supports_.size(), LaneReaction{});
  for (Lanes& force : reactionForce_) force = Lanes{};
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
  expected_ = std::make_unique<LaneVector>();
  solution_ = std::make_unique<LaneVector>();
  sides_ = std::make_unique<LaneSides>();
  changes_ = std::make_unique<std::array<LoadChange, kLanes>>();
  for (std::vector<int>& rows : changedRows_) rows.clear();
  changed_.fill(false);
  FillLanes(*rows_, 0, n_, *rhs_);
  for (int j = 0; j <= n_; ++j) baseRhs_[j] = {rows_->rows[j].rhs[0], rows_->rows[j].rhs[1]};
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
  // The rows and the terms of the shear force that the last positions changed are given back
  // their base values, lane by lane.
  for (int k = 0; k < kLanes; ++k) {
    LoadChange& change = (*changes_)[static_cast<std::size_t>(k)];
    for (const int j : changedRows_[static_cast<std::size_t>(k)]) {
      for (int e = 0; e < 2; ++e) rhs[j][e][k] = rows_->rows[j].rhs[e];
      changed_[static_cast<std::size_t>(j)] = false;
    }
    for (int i = 0; i < change.nodeLoad.Count(); ++i) loadChange_[change.nodeLoad.At(i)][k] = 0.0;
    for (int i = 0; i < change.nodeMoment.Count(); ++i) {
      momentChange_[change.nodeMoment.At(i)][k] = 0.0;
    }
    for (int i = 0; i < change.insideForceShift.Count(); ++i) {
      shiftChange_[change.insideForceShift.At(i)][k] = 0.0;
    }
    change.Clear();
    changedRows_[static_cast<std::size_t>(k)].clear();
  }
  exact_->StartLoads();
  for (int k = 0; k < kLanes; ++k) {
    const int position = first + k;
    axleCount_[k] = position < count ? AxlesOnBeam(data, position, axles_[k]) : 0;
    // The axles as the single run takes loads anywhere into the mesh (AddLoadAnywhere), then
    // into the equations' right-hand sides (RowLoadTerms) and the shear force's terms.
    LoadChange& change = (*changes_)[static_cast<std::size_t>(k)];
    for (int a = 0; a < axleCount_[k]; ++a) {
      AddLoadAnywhere(*state_, mesh, axles_[k][static_cast<std::size_t>(a)], change);
    }
    for (int i = 0; i < change.elementMoment.Count(); ++i) {
      const int e = change.elementMoment.At(i);
      AddCouple(mesh, e, change.elementMoment[e], change);
    }
    std::vector<int>& rows = changedRows_[static_cast<std::size_t>(k)];
    ChangedRows(change, n, rows);
    for (const int j : rows) {
      const std::array<double, 2> terms = RowLoadTerms(mesh, change, n, j);
      for (int e = 0; e < 2; ++e) {
        rhs[j][e][k] = rows_->rows[j].rhs[e] + (takes_[j][e] ? terms[e] : 0.0);
      }
    }
    for (int i = 0; i < change.nodeLoad.Count(); ++i) {
      const int j = change.nodeLoad.At(i);
      loadChange_[j][k] = change.nodeLoad[j];
    }
    for (int i = 0; i < change.nodeMoment.Count(); ++i) {
      const int j = change.nodeMoment.At(i);
      momentChange_[j][k] = change.nodeMoment[j];
    }
    for (int i = 0; i < change.insideForceShift.Count(); ++i) {
      const int e = change.insideForceShift.At(i);
      shiftChange_[e][k] = change.insideForceShift[e];
    }
    exact_->AddLoads(k, change);
  }
  // What the single run would assemble for each position: the base's right-hand sides, and at
  // the rows the position changes those of the base with the position's loads, made here afresh
  // rather than taken from the right-hand sides just solved, which carry from batch to batch.
  for (int k = 0; k < kLanes; ++k) {
    for (const int j : changedRows_[static_cast<std::size_t>(k)]) {
      if (changed_[static_cast<std::size_t>(j)]) continue;
      changed_[static_cast<std::size_t>(j)] = true;
      FillLanes(*rows_, j, j, *expected_);
    }
  }
  for (int k = 0; k < kLanes; ++k) {
    const LoadChange& change = (*changes_)[static_cast<std::size_t>(k)];
    for (const int j : changedRows_[static_cast<std::size_t>(k)]) {
      const std::array<double, 2> terms = RowLoadTerms(mesh, change, n, j);
      for (int e = 0; e < 2; ++e) {
        (*expected_)[j][e][k] = rows_->rows[j].rhs[e] + (takes_[j][e] ? terms[e] : 0.0);
      }
    }
  }
  LaneVector& solution = *solution_;
  LaneSizes sizes;
  SolveFactored(*factors_, n, rhs, solution, sizes);
  FactoredResidualMet(*factors_, n, *expected_, solution, sizes, met_, &baseRhs_, changed_.data());
  std::array<bool, kLanes> exactMet;
  exact_->Solve(exactMet);
  for (int k = 0; k < kLanes; ++k) met_[k] = met_[k] && exactMet[k];

  FindReactions();
  Lanes probe{};
  SidesLanes(n, mesh, solution, loadChange_, momentChange_, shiftChange_, reactionForce_,
             elementSpring_, *sides_, pressure_, probe);
  // The accuracy of each lane, against the sizes of its own problem's loads.
  std::array<std::array<double, 3>, kLanes> reference;
  for (int k = 0; k < kLanes; ++k) {
    LoadsOf(k);
    reference[k] = {ResultReference(*state_, &ResultNode::w),
                    ResultReference(*state_, &ResultNode::Q),
                    ResultReference(*state_, &ResultNode::M)};
  }
  exact_->MeasureAccuracy(solution, *sides_, reactions_, reference, accuracy_);
  // A value that is not finite fails the lane, as StoreResults fails.
  for (int k = 0; k < kLanes; ++k) met_[k] = met_[k] && probe[k] == 0.0;
}

void LinearPositions::FindReactions() {
  const int n = n_;
  const LaneVector& solution = *solution_;
  for (std::size_t s = 0; s < supports_.size(); ++s) {
    const Support& support = supports_[s];
    const int j = support.node;
    const BlockRow& row = support.freeRow;
    const PointSupport& held = state_->points[support.point].support;
    // What the free equations of its node miss, as SupportReactions finds it: inside,
    // (shear jump) - springs + loads = R; at an end, written twice over, springs - shear - loads
    // = -2R; the base's loads and each lane's axles.
    const bool end = j == 0 || j == n;
    const int e = end ? 1 : 0;
    Lanes sum{};
    for (int c = 0; c < row.entryCount; ++c) {
      const LaneValues& x = solution[row.columnNode[c]];
      sum += row.block[c][e][0] * x[0] + row.block[c][e][1] * x[1];
    }
    Lanes rhs = Lanes::All(row.rhs[e]), endMoment = Lanes::All(row.rhs[0]);
    for (int k = 0; k < kLanes; ++k) {
      const std::array<double, 2> terms =
          RowLoadTerms(*mesh_, (*changes_)[static_cast<std::size_t>(k)], n, j);
      rhs[k] += terms[e];
      endMoment[k] += terms[0];
    }
    LaneReaction& reaction = reactions_[s];
    reaction.node = j;
    reaction.force = end ? 0.5 * (rhs - sum) : sum - rhs;
    // At an end the moment that turns the end's own moment from the point's (the free row's).
    reaction.moment = j == 0   ? solution[0][0] - endMoment
                      : j == n ? endMoment - solution[n][0]
                               : Lanes{};
    // Nothing where the support takes nothing, not rounding.
    const bool elastic = held.kind == SupportKind::Elastic;
    if (!HoldsDisplacement(held.kind) && !(elastic && held.spring != 0.0)) reaction.force = Lanes{};
    if (!HoldsRotation(held.kind) && !(elastic && held.rotationalSpring != 0.0)) {
      reaction.moment = Lanes{};
    }
    reaction.nodeForce = loadChange_[j] + mesh_->nodeLoad[j];
    reaction.nodeMoment = j == 0   ? endMoment
                          : j == n ? 0.0 - endMoment
                                   : momentChange_[j] + mesh_->nodeMoment[j];
    reactionForce_[j] = reaction.force;
  }
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
