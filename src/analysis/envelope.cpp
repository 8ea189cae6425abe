#include "analysis/envelope.h"

#include <algorithm>
#include <bitset>
#include <cmath>
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
      const double most = maximum ? LargestLane(v) : SmallestLane(v);
      const std::size_t i = static_cast<std::size_t>(j);
      const double held = extreme.value[i];
      // Along the beam the extremes change in long runs (those the load comes towards), which a
      // branch follows well.
      if (!fresh && !(maximum ? most > held : most < held) && most != held) return;
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

}  // namespace

EnvelopeOutcome RunEnvelope(const ProblemData& data, AnalysisWorkspace& work, ProblemData& scratch,
                            Envelope& envelope) {
  AssertCountsWithinLimits(data);
  const int n = data.elementCount;
  EnvelopeOutcome result;
  if (MovingLoadPositionCount(data) > kMaxPositions) {
    result.outcome.status = CalculationStatus::Fault;
    result.outcome.fault.kind = FaultKind::TooManyPositions;
    result.outcome.message = FaultMessage(result.outcome.fault);
    return result;
  }
  const int states = DesignStateCount(data);
  envelope.accuracy = ResultAccuracy{};
  envelope.accuracy.available = true;
  envelope.contactRounds = 0;
  envelope.factoredStates = 0;
  envelope.tipped.clear();
  // On soil that takes no tension each state starts from a guess of its contact: that of the
  // state before it with the same soil factor, or, for a moving load's third position in a row
  // and on, the elements that press where w is carried on from the two positions before (twice
  // the last less the one before), since the contact's edges move with the axles.
  const LoadCases& cases = data.loadCases;
  const int factors = std::max(cases.soilFactorCount, 1);
  struct Contacts {
    std::bitset<kMaxElements> last, guess;
    std::vector<double> wBefore, wLast;  // of the nodes, at the last two positions
    int known = 0;                       // of the last positions in a row, up to 2
    int lastPosition = -1;
  };
  std::vector<Contacts> contacts(data.noTension ? static_cast<std::size_t>(factors) : 0);
  // On linear soil the positions with each soil factor share one beam, factored once where it
  // can be (LinearPositions), prepared when the first of them comes.
  std::vector<std::unique_ptr<LinearPositions>> linear(static_cast<std::size_t>(factors));
  std::vector<bool> linearTried(static_cast<std::size_t>(factors), false);
  const auto linearFor = [&](const DesignState& state) -> LinearPositions* {
    const std::size_t f = static_cast<std::size_t>(std::max(state.soilFactor, 0));
    if (!linearTried[f]) {
      linearTried[f] = true;
      auto positions = std::make_unique<LinearPositions>();
      ApplyDesignState(data, DesignState{state.combination, -1, state.soilFactor}, scratch);
      if (positions->Prepare(scratch, work)) linear[f] = std::move(positions);
    }
    return linear[f].get();
  };
  // A state solved on its own in scratch, on soil that takes no tension from its guessed contact.
  const auto solveOnItsOwn = [&](const DesignState& state) -> const ProblemData* {
    ApplyDesignState(data, state, scratch);
    work.startContact = nullptr;
    Contacts* contact = data.noTension
                            ? &contacts[static_cast<std::size_t>(std::max(state.soilFactor, 0))]
                            : nullptr;
    const bool inRow =
        contact && state.position >= 0 && state.position == contact->lastPosition + 1;
    if (contact && inRow && contact->known == 2) {
      contact->guess.reset();
      for (int j = 0; j < n; ++j) {
        const double k = scratch.sections[work.mesh.elementSection[j]].spring;
        const double w = contact->wLast[j] + contact->wLast[j + 1] -
                         0.5 * (contact->wBefore[j] + contact->wBefore[j + 1]);
        contact->guess[static_cast<std::size_t>(j)] = k * w > 0.0;  // presses, as ContactSet says
      }
      work.startContact = &contact->guess;
    } else if (contact && contact->known > 0) {
      work.startContact = &contact->last;
    }
    result.outcome = RunCalculation(scratch, work);
    // A guess that holds the beam no better than it may fail where every spring would not.
    if (result.outcome.status != CalculationStatus::Success && work.startContact) {
      work.startContact = nullptr;
      result.outcome = RunCalculation(scratch, work);
    }
    work.startContact = nullptr;
    if (result.outcome.status != CalculationStatus::Success) {
      result.failedState = state;
      return nullptr;
    }
    if (contact) {
      contact->last = work.contact.InContact();
      contact->wBefore.swap(contact->wLast);
      contact->wLast.resize(static_cast<std::size_t>(n + 1));
      for (int j = 0; j <= n; ++j) contact->wLast[static_cast<std::size_t>(j)] = scratch.nodes[j].w;
      contact->known = inRow ? std::min(contact->known + 1, 2) : 1;
      contact->lastPosition = state.position;
    }
    return &scratch;
  };
  auto best = std::make_unique<Extremes>(n);
  const auto takeAccuracy = [&](const ResultAccuracy& accuracy) {
    envelope.accuracy.available = envelope.accuracy.available && accuracy.available;
    envelope.accuracy.w = std::max(envelope.accuracy.w, accuracy.w);
    envelope.accuracy.Q = std::max(envelope.accuracy.Q, accuracy.Q);
    envelope.accuracy.M = std::max(envelope.accuracy.M, accuracy.M);
  };
  // The positions solved together are taken at once, whatever their order among the states:
  // the extremes do not depend on it. Those that failed a check come again in their turn, each
  // solved on its own.
  for (int s = 0; s < states; ++s) {
    const DesignState state = DesignStateAt(data, s);
    LinearPositions* positions =
        state.position >= 0 && !data.noTension ? linearFor(state) : nullptr;
    if (positions && !positions->Holds(state.position)) {
      positions->SolvePositions(data, state.position);
      SolvedLanes together{
          &positions->Values(), &positions->Sides(), &positions->Pressure(), {}, {}};
      int count = 0;
      for (int k = 0; k < kLanes; ++k) {
        ResultAccuracy accuracy;
        together.solved[k] = positions->Solved(state.position + k, accuracy);
        together.index[k] = s + k * factors;
        if (!together.solved[k]) continue;
        takeAccuracy(accuracy);
        ++count;
      }
      if (count > 0) TakeLanes(together, n, *best);
      envelope.contactRounds += count;
      envelope.factoredStates += count;
    }
    ResultAccuracy taken;
    if (positions && positions->Solved(state.position, taken)) continue;
    const ProblemData* own = solveOnItsOwn(state);
    // An axle near a free end can tip the beam off soil that only pushes: that position is no
    // state of the design, and is named instead.
    if (!own && state.position >= 0 && result.outcome.fault.kind == FaultKind::LiftsOff) {
      envelope.tipped.push_back(state);
      continue;
    }
    if (!own) return result;
    TakeState(*own, s, work.mesh, n, *best);
    takeAccuracy(own->accuracy);
    envelope.contactRounds += own->contactRounds;
  }
  // Every state has its nodes where the mesh has them.
  StoreExtremes(data, *best, work.mesh, n, envelope);
  envelope.stateCount = states - static_cast<int>(envelope.tipped.size());
  envelope.longestElement = *std::max_element(work.mesh.elementLength.begin(),
                                              work.mesh.elementLength.begin() + n);
  result.outcome = CalculationOutcome{};
  result.outcome.status = CalculationStatus::Success;
  return result;
}

}  // namespace pelvar
