#include "analysis/envelope.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "analysis/moving_load.h"
#include "analysis/result_quantities.h"

namespace pelvar {
namespace {

// The extremes so far along the beam, each with the index of the state that gives it and the
// values that go with it there.
struct Extreme {
  std::vector<double> value, state, w, Q, M;
  explicit Extreme(int size) : value(size), state(size), w(size), Q(size), M(size) {}
};
struct Extremes {
  Extreme wMax, wMin, QMax, QMin, MMax, MMin, pMax, pMin;
  bool empty = true;
  explicit Extremes(int n)
      : wMax(n + 1),
        wMin(n + 1),
        QMax(n + 1),
        QMin(n + 1),
        MMax(n + 1),
        MMin(n + 1),
        pMax(n),
        pMin(n) {}
};

// Whether a state's value takes the place of the extreme held: beyond it, or equal to it from a
// state that comes before the one that gives it. So whatever order states are taken in, the
// first state that reaches the largest (or smallest) value governs.
inline bool Governs(bool maximum, double value, double state, double held, double heldState) {
  return (maximum ? value > held : value < held) || (value == held && state < heldState);
}

// Solved states, one in each lane that `solved` marks: M and w of every node, M and Q either side
// of it, and the soil pressure p of every element, and the index of each state.
struct SolvedLanes {
  const LaneVector* values = nullptr;
  const LaneSides* sides = nullptr;
  const std::array<Lanes, kMaxElements>* pressure = nullptr;
  std::array<bool, kLanes> solved{};
  std::array<double, kLanes> index{};
};

// Takes the states of the lanes into the extremes (Governs), each side of a node where Q or M
// jumps with the values of that side.
void TakeLanes(const SolvedLanes& lanes, int n, Extremes& best) {
  WithWidestLanes([&]<typename L>() __attribute__((always_inline)) {
    const bool fresh = best.empty;
    best.empty = false;
    const typename L::Mask solved = L::Mask::Of(lanes.solved);
    const L below = L::All(-HUGE_VAL), above = L::All(HUGE_VAL);
    const LaneVectorOf<L>& values = LanesAs<L>(*lanes.values);
    const LaneSidesOf<L>& sides = LanesAs<L>(*lanes.sides);
    const std::array<L, kMaxElements>& pressure = LanesAs<L>(*lanes.pressure);
    bool every = true;  // lane solved
    for (bool lane : lanes.solved) every = every && lane;
    // The extreme of the two sides left and right (one and the same where nothing jumps) of
    // node j.
    const auto take = [&](Extreme & extreme, bool maximum, int j, const L& left, const L& right)
        __attribute__((always_inline)) {
      const L both = maximum ? Larger(left, right) : Smaller(left, right);
      const L v = every ? both : Where(solved, both, maximum ? below : above);
      const std::size_t i = static_cast<std::size_t>(j);
      const double held = extreme.value[i];
      // Along the beam the extremes change in long runs (those the load comes towards), which a
      // branch follows well; most states reach no extreme, which one comparison of all lanes
      // tells.
      if (!fresh && !AnyLaneReaches(v, held, maximum)) return;
      const double most = maximum ? LargestLane(v) : SmallestLane(v);
      const int k = FirstLaneOf(v, most);
      if (k >= kLanes) return;  // not a number: never from a lane that passed its checks
      const double state = lanes.index[static_cast<std::size_t>(k)];
      if (!fresh && !Governs(maximum, most, state, held, extreme.state[i])) return;
      const bool rightSide = left[k] != most;
      extreme.value[i] = most;
      extreme.state[i] = state;
      extreme.w[i] = values[j][1][k];
      extreme.Q[i] = rightSide ? sides.qRight[j][k] : sides.qLeft[j][k];
      extreme.M[i] = rightSide ? sides.mRight[j][k] : sides.mLeft[j][k];
    };
    for (int j = 0; j <= n; ++j) {
      take(best.wMax, true, j, values[j][1], values[j][1]);
      take(best.wMin, false, j, values[j][1], values[j][1]);
      take(best.QMax, true, j, sides.qLeft[j], sides.qRight[j]);
      take(best.QMin, false, j, sides.qLeft[j], sides.qRight[j]);
      take(best.MMax, true, j, sides.mLeft[j], sides.mRight[j]);
      take(best.MMin, false, j, sides.mLeft[j], sides.mRight[j]);
      if (j == n) break;
      take(best.pMax, true, j, pressure[j], pressure[j]);
      take(best.pMin, false, j, pressure[j], pressure[j]);
    }
  });
}

// Takes a state solved on its own into the extremes (Governs), each side of a node where Q or M
// jumps with the values of that side.
void TakeState(const ProblemData& solved, double state, const MeshData& mesh, int n,
               Extremes& best) {
  const bool fresh = best.empty;
  best.empty = false;
  // The extreme of the two sides left and right (one and the same where nothing jumps) of node j.
  const auto take = [&](Extreme& extreme, bool maximum, int j, double left, double right) {
    const double value = (maximum ? right > left : right < left) ? right : left;
    const std::size_t i = static_cast<std::size_t>(j);
    if (!fresh && !Governs(maximum, value, state, extreme.value[i], extreme.state[i])) return;
    const ResultNode& node = solved.nodes[j];
    const bool rightSide = value != left;
    extreme.value[i] = value;
    extreme.state[i] = state;
    extreme.w[i] = node.w;
    extreme.Q[i] = rightSide ? node.QRight : node.Q;
    extreme.M[i] = rightSide ? node.MRight : node.M;
  };
  for (int j = 0; j <= n; ++j) {
    const ResultNode& node = solved.nodes[j];
    take(best.wMax, true, j, node.w, node.w);
    take(best.wMin, false, j, node.w, node.w);
    take(best.QMax, true, j, node.Q, node.QRight);
    take(best.QMin, false, j, node.Q, node.QRight);
    take(best.MMax, true, j, node.M, node.MRight);
    take(best.MMin, false, j, node.M, node.MRight);
    if (j == n) break;
    const double p = ElementPressure(solved.sections[mesh.elementSection[j]].spring,
                                     solved.liftedOff[j], node.w, solved.nodes[j + 1].w);
    take(best.pMax, true, j, p, p);
    take(best.pMin, false, j, p, p);
  }
}

// The extremes with what governs them, as the envelope holds them.
void StoreExtremes(const ProblemData& data, const Extremes& best, const MeshData& mesh, int n,
                   Envelope& envelope) {
  const auto store = [&](const Extreme& extreme, int j, EnvelopeValue& out) {
    const std::size_t i = static_cast<std::size_t>(j);
    out = {extreme.value[i], DesignStateAt(data, static_cast<int>(extreme.state[i])), extreme.w[i],
           extreme.Q[i], extreme.M[i]};
  };
  for (int j = 0; j <= n; ++j) {
    NodeEnvelope& e = envelope.nodes[j];
    e.x = mesh.nodeX[j];
    store(best.wMax, j, e.wMax);
    store(best.wMin, j, e.wMin);
    store(best.QMax, j, e.QMax);
    store(best.QMin, j, e.QMin);
    store(best.MMax, j, e.MMax);
    store(best.MMin, j, e.MMin);
  }
  for (int j = 0; j < n; ++j) {
    ElementEnvelope& e = envelope.elements[j];
    e.x0 = mesh.nodeX[j];
    e.x1 = mesh.nodeX[j + 1];
    store(best.pMax, j, e.pMax);
    store(best.pMin, j, e.pMin);
  }
}

// The envelope's run in its stages: the positions of a moving load on linear soil prepared once
// per soil factor, solved together and taken eight at a time; every other state solved on its
// own and taken; the extremes stored.
class EnvelopeRun {
 public:
  EnvelopeRun(const ProblemData& data, AnalysisWorkspace& work, ProblemData& scratch,
              Envelope& envelope)
      : data_(data),
        work_(work),
        scratch_(scratch),
        envelope_(envelope),
        n_(data.elementCount),
        factors_(std::max(data.loadCases.soilFactorCount, 1)),
        contacts_(data.noTension ? static_cast<std::size_t>(factors_) : 0),
        linear_(static_cast<std::size_t>(factors_)),
        linearTried_(static_cast<std::size_t>(factors_), false),
        best_(std::make_unique<Extremes>(n_)) {}

  EnvelopeOutcome Run() {
    const int states = DesignStateCount(data_);
    envelope_.accuracy = ResultAccuracy{};
    envelope_.accuracy.available = true;
    envelope_.contactRounds = 0;
    envelope_.factoredStates = 0;
    envelope_.tipped.clear();
    // The positions solved together are taken at once, whatever their order among the states:
    // the extremes do not depend on it. Those that failed a check come again in their turn, each
    // solved on its own.
    for (int s = 0; s < states; ++s) {
      const DesignState state = DesignStateAt(data_, s);
      LinearPositions* positions =
          state.position >= 0 && !data_.noTension ? PreparedPositions(state) : nullptr;
      if (positions && !positions->Holds(state.position)) SolveTogether(*positions, s, state);
      ResultAccuracy taken;
      if (positions && positions->Solved(state.position, taken)) continue;
      const ProblemData* own = SolveAlone(state);
      // An axle near a free end can tip the beam off soil that only pushes: that position is no
      // state of the design, and is named instead.
      if (!own && state.position >= 0 && result_.outcome.fault.kind == FaultKind::LiftsOff) {
        envelope_.tipped.push_back(state);
        continue;
      }
      if (!own) return result_;
      TakeState(*own, s, work_.mesh, n_, *best_);
      TakeAccuracy(own->accuracy);
      envelope_.contactRounds += own->contactRounds;
    }
    // Every state has its nodes where the mesh has them.
    StoreExtremes(data_, *best_, work_.mesh, n_, envelope_);
    envelope_.stateCount = states - static_cast<int>(envelope_.tipped.size());
    envelope_.longestElement =
        *std::max_element(work_.mesh.elementLength.begin(), work_.mesh.elementLength.begin() + n_);
    result_.outcome = CalculationOutcome{};
    result_.outcome.status = CalculationStatus::Success;
    return result_;
  }

 private:
  // On linear soil the positions with each soil factor share one beam, factored once where it
  // can be (LinearPositions), prepared when the first of them comes; nothing where it cannot.
  LinearPositions* PreparedPositions(const DesignState& state) {
    const std::size_t f = static_cast<std::size_t>(std::max(state.soilFactor, 0));
    if (!linearTried_[f]) {
      linearTried_[f] = true;
      auto positions = std::make_unique<LinearPositions>();
      ApplyDesignState(data_, DesignState{state.combination, -1, state.soilFactor}, scratch_);
      if (positions->Prepare(scratch_, work_)) linear_[f] = std::move(positions);
    }
    return linear_[f].get();
  }

  // The positions from state s's on with its soil factor, solved together, and those that pass
  // their checks taken. Lane k holds the position k further on, with the same soil factor: the
  // state factors_ further on in the order of DesignStateAt.
  void SolveTogether(LinearPositions& positions, int s, const DesignState& state) {
    positions.SolvePositions(data_, state.position);
    SolvedLanes together{&positions.Values(), &positions.Sides(), &positions.Pressure(), {}, {}};
    int count = 0;
    for (int k = 0; k < kLanes; ++k) {
      ResultAccuracy accuracy;
      together.solved[k] = positions.Solved(state.position + k, accuracy);
      together.index[k] = s + k * factors_;
      if (!together.solved[k]) continue;
      const DesignState lane = DesignStateAt(data_, s + k * factors_);
      if (lane.position != state.position + k || lane.soilFactor != state.soilFactor) {
        throw std::logic_error("A lane of the moving load's positions is not the state it holds.");
      }
      TakeAccuracy(accuracy);
      ++count;
    }
    if (count > 0) TakeLanes(together, n_, *best_);
    envelope_.contactRounds += count;
    envelope_.factoredStates += count;
  }

  // On soil that takes no tension each state starts from a guess of its contact: that of the
  // state before it with the same soil factor, or, for a moving load's third position in a row
  // and on, the elements that press where w is carried on from the two positions before (twice
  // the last less the one before), since the contact's edges move with the axles.
  struct Contacts {
    std::bitset<kMaxElements> last, guess;
    std::vector<double> wBefore, wLast;  // of the nodes, at the last two positions
    int known = 0;                       // of the last positions in a row, up to 2
    int lastPosition = -1;
  };

  // A state solved on its own in scratch, on soil that takes no tension from its guessed
  // contact; nothing where it fails, its outcome and the state in the result.
  const ProblemData* SolveAlone(const DesignState& state) {
    ApplyDesignState(data_, state, scratch_);
    work_.startContact = nullptr;
    Contacts* contact = data_.noTension
                            ? &contacts_[static_cast<std::size_t>(std::max(state.soilFactor, 0))]
                            : nullptr;
    const bool inRow =
        contact && state.position >= 0 && state.position == contact->lastPosition + 1;
    if (contact && inRow && contact->known == 2) {
      contact->guess.reset();
      for (int j = 0; j < n_; ++j) {
        const double k = scratch_.sections[work_.mesh.elementSection[j]].spring;
        const double w = contact->wLast[j] + contact->wLast[j + 1] -
                         0.5 * (contact->wBefore[j] + contact->wBefore[j + 1]);
        contact->guess[static_cast<std::size_t>(j)] = k * w > 0.0;  // presses, as ContactSet says
      }
      work_.startContact = &contact->guess;
    } else if (contact && contact->known > 0) {
      work_.startContact = &contact->last;
    }
    result_.outcome = RunCalculation(scratch_, work_);
    // A guess that holds the beam no better than it may fail where every spring would not.
    if (result_.outcome.status != CalculationStatus::Success && work_.startContact) {
      work_.startContact = nullptr;
      result_.outcome = RunCalculation(scratch_, work_);
    }
    work_.startContact = nullptr;
    if (result_.outcome.status != CalculationStatus::Success) {
      result_.failedState = state;
      return nullptr;
    }
    if (contact) {
      contact->last = work_.contact.InContact();
      contact->wBefore.swap(contact->wLast);
      contact->wLast.resize(static_cast<std::size_t>(n_ + 1));
      for (int j = 0; j <= n_; ++j) {
        contact->wLast[static_cast<std::size_t>(j)] = scratch_.nodes[j].w;
      }
      contact->known = inRow ? std::min(contact->known + 1, 2) : 1;
      contact->lastPosition = state.position;
    }
    return &scratch_;
  }

  // The worst of each figure so far.
  void TakeAccuracy(const ResultAccuracy& accuracy) {
    ResultAccuracy& worst = envelope_.accuracy;
    worst.available = worst.available && accuracy.available;
    worst.w = std::max(worst.w, accuracy.w);
    worst.Q = std::max(worst.Q, accuracy.Q);
    worst.M = std::max(worst.M, accuracy.M);
  }

  const ProblemData& data_;
  AnalysisWorkspace& work_;
  ProblemData& scratch_;
  Envelope& envelope_;
  const int n_, factors_;
  std::vector<Contacts> contacts_;
  std::vector<std::unique_ptr<LinearPositions>> linear_;
  std::vector<bool> linearTried_;
  std::unique_ptr<Extremes> best_;
  EnvelopeOutcome result_;
};

}  // namespace

EnvelopeOutcome RunEnvelope(const ProblemData& data, AnalysisWorkspace& work, ProblemData& scratch,
                            Envelope& envelope) {
  AssertCountsWithinLimits(data);
  if (MovingLoadPositionCount(data) > kMaxPositions) {
    EnvelopeOutcome result;
    result.outcome.status = CalculationStatus::Fault;
    result.outcome.fault.kind = FaultKind::TooManyPositions;
    result.outcome.message = FaultMessage(result.outcome.fault);
    return result;
  }
  return EnvelopeRun(data, work, scratch, envelope).Run();
}

}  // namespace pelvar
