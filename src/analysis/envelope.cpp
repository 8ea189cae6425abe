#include "analysis/envelope.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <vector>

#include "analysis/moving_load.h"
#include "analysis/result_quantities.h"

namespace pelvar {
namespace {

// A solved state as the envelope takes it: w, Q and M of every node, the springs and the lift-off
// of its soil, and its accuracy.
struct StateValues {
  const double *w = nullptr, *Q = nullptr, *M = nullptr;
  const double* elementSpring = nullptr;  // k of every element's section
  const bool* liftedOff = nullptr;        // of every element; none where nullptr
  ResultAccuracy accuracy;
  long contactRounds = 1;
};

// The extremes so far along the beam, each with the index of the state that gives it and the
// values that go with it there, every one in an array of its own. A state's values are taken
// four nodes at a time without a branch (a moving load renews the extremes of half the beam at
// every position, too often for a branch to guess), and the values that go with them are filled
// in afterwards, for a state solved on its own at once, for positions solved together once
// they all are (FillCoincident).
struct Extreme {
  std::vector<double> value, state, w, Q, M;
  explicit Extreme(int size) : value(size), state(size), w(size), Q(size), M(size) {}
};
struct Extremes {
  Extreme wMax, wMin, QMax, QMin, MMax, MMin, pMax, pMin;
  std::vector<double> pressure;  // of the state being taken
  explicit Extremes(int n)
      : wMax(n + 1),
        wMin(n + 1),
        QMax(n + 1),
        QMin(n + 1),
        MMax(n + 1),
        MMin(n + 1),
        pMax(n),
        pMin(n),
        pressure(n) {}
};

// Takes a state's values where they exceed the extremes so far (or are the first): strictly, so
// the first state that reaches a value governs.
template <bool kMaximum>
inline __attribute__((always_inline)) void TakeArray(const double* value, double state, bool first,
                                                     int count, Extreme& extreme) {
  double* const bestValue = extreme.value.data();
  double* const bestState = extreme.state.data();
  int j = 0;
  for (; j + 4 <= count; j += 4) {
    LaneQuad v, b, governs;
    std::memcpy(&v, value + j, sizeof v);
    std::memcpy(&b, bestValue + j, sizeof b);
    std::memcpy(&governs, bestState + j, sizeof governs);
    QuadMask newer = kMaximum ? v > b : v < b;
    if (first) newer = LaneQuad{} == 0.0;
    b = newer ? v : b;
    governs = newer ? LaneQuad{} + state : governs;
    std::memcpy(bestValue + j, &b, sizeof b);
    std::memcpy(bestState + j, &governs, sizeof governs);
  }
  for (; j < count; ++j) {
    if (!first && !(kMaximum ? value[j] > bestValue[j] : value[j] < bestValue[j])) continue;
    bestValue[j] = value[j];
    bestState[j] = state;
  }
}

// Takes each value of state s where it exceeds the extreme so far (or is the first).
PELVAR_LANE_KERNEL
void TakeState(const StateValues& values, int s, bool first, int n, Extremes& best,
               Envelope& envelope) {
  const double state = s;
  TakeArray<true>(values.w, state, first, n + 1, best.wMax);
  TakeArray<false>(values.w, state, first, n + 1, best.wMin);
  TakeArray<true>(values.Q, state, first, n + 1, best.QMax);
  TakeArray<false>(values.Q, state, first, n + 1, best.QMin);
  TakeArray<true>(values.M, state, first, n + 1, best.MMax);
  TakeArray<false>(values.M, state, first, n + 1, best.MMin);
  const double *w = values.w, *spring = values.elementSpring;
  double* p = best.pressure.data();
  if (values.liftedOff) {
    for (int j = 0; j < n; ++j)
      p[j] = ElementPressure(spring[j], values.liftedOff[j], w[j], w[j + 1]);
  } else {
    for (int j = 0; j < n; ++j) p[j] = ElementPressure(spring[j], false, w[j], w[j + 1]);
  }
  TakeArray<true>(p, state, first, n, best.pMax);
  TakeArray<false>(p, state, first, n, best.pMin);
  const ResultAccuracy& accuracy = values.accuracy;
  envelope.accuracy.available = envelope.accuracy.available && accuracy.available;
  envelope.accuracy.w = std::max(envelope.accuracy.w, accuracy.w);
  envelope.accuracy.Q = std::max(envelope.accuracy.Q, accuracy.Q);
  envelope.accuracy.M = std::max(envelope.accuracy.M, accuracy.M);
  envelope.contactRounds += values.contactRounds;
}

// Gives every extreme that a state of a solved set governs (lane(state) its lane there, or -1
// for a state outside the set) the w, Q and M of its node in that state (for p, of its
// element's left node).
template <typename LaneOf>
void FillCoincident(Extremes& best, int n, const LaneOf& lane,
                    const std::array<StateValues, kLanes>& lanes) {
  for (Extreme* extreme : {&best.wMax, &best.wMin, &best.QMax, &best.QMin, &best.MMax, &best.MMin,
                           &best.pMax, &best.pMin}) {
    const int count = extreme == &best.pMax || extreme == &best.pMin ? n : n + 1;
    for (int j = 0; j < count; ++j) {
      const std::size_t i = static_cast<std::size_t>(j);
      const int k = lane(static_cast<long>(extreme->state[i]));
      if (k < 0) continue;
      const StateValues& values = lanes[static_cast<std::size_t>(k)];
      extreme->w[i] = values.w[j];
      extreme->Q[i] = values.Q[j];
      extreme->M[i] = values.M[j];
    }
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
  envelope.stateCount = DesignStateCount(data);
  envelope.accuracy = ResultAccuracy{};
  envelope.accuracy.available = true;
  envelope.contactRounds = 0;
  envelope.factoredStates = 0;
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
  std::vector<double> w(static_cast<std::size_t>(n + 1)), Q(w.size()), M(w.size());
  std::vector<double> spring(static_cast<std::size_t>(n));
  // The positions solved together with each soil factor, since their first state (-1: none
  // pending), and their values, whose extremes get their coincident values once all are taken.
  struct Batch {
    long firstState = -1;
    std::array<StateValues, kLanes> lanes;
  };
  std::vector<Batch> batches(static_cast<std::size_t>(factors));
  const auto finishBatch = [&](Batch& batch) {
    if (batch.firstState < 0) return;
    FillCoincident(
        *best, n,
        [&](long state) {
          const long offset = state - batch.firstState;
          if (offset < 0 || offset % factors != 0 || offset / factors >= kLanes) return -1;
          const int k = static_cast<int>(offset / factors);
          return batch.lanes[static_cast<std::size_t>(k)].w ? k : -1;
        },
        batch.lanes);
    batch.firstState = -1;
  };
  for (int s = 0; s < envelope.stateCount; ++s) {
    const DesignState state = DesignStateAt(data, s);
    LinearPositions* positions =
        state.position >= 0 && !data.noTension ? linearFor(state) : nullptr;
    if (positions && !positions->Holds(state.position)) {
      Batch& batch = batches[static_cast<std::size_t>(std::max(state.soilFactor, 0))];
      finishBatch(batch);
      positions->SolvePositions(data, state.position);
      batch.firstState = s;
      for (int k = 0; k < kLanes; ++k) {
        LinearPositions::Results solved;
        StateValues& lane = batch.lanes[static_cast<std::size_t>(k)];
        lane = StateValues{};
        if (positions->ResultsOf(state.position + k, solved)) {
          lane = {solved.w, solved.Q, solved.M, solved.elementSpring, nullptr, solved.accuracy, 1};
        }
      }
    }
    if (positions) {
      const Batch& batch = batches[static_cast<std::size_t>(std::max(state.soilFactor, 0))];
      const StateValues& lane =
          batch.lanes[static_cast<std::size_t>((s - batch.firstState) / factors)];
      if (lane.w) {
        TakeState(lane, s, s == 0, n, *best, envelope);
        ++envelope.factoredStates;
        continue;
      }
    }
    const ProblemData* own = solveOnItsOwn(state);
    if (!own) return result;
    for (int j = 0; j <= n; ++j) {
      const ResultNode& node = own->nodes[j];
      w[static_cast<std::size_t>(j)] = node.w;
      Q[static_cast<std::size_t>(j)] = node.Q;
      M[static_cast<std::size_t>(j)] = node.M;
    }
    for (int j = 0; j < n; ++j) {
      spring[static_cast<std::size_t>(j)] = own->sections[work.mesh.elementSection[j]].spring;
    }
    std::array<StateValues, kLanes> alone;
    alone[0] = {w.data(),      Q.data(),          M.data(), spring.data(), own->liftedOff.data(),
                own->accuracy, own->contactRounds};
    TakeState(alone[0], s, s == 0, n, *best, envelope);
    FillCoincident(
        *best, n, [&](long governing) { return governing == s ? 0 : -1; }, alone);
  }
  for (Batch& batch : batches) finishBatch(batch);
  // Every state has its nodes where the mesh has them.
  StoreExtremes(data, *best, work.mesh, n, envelope);
  return result;
}

}  // namespace pelvar
