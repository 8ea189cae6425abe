#include "analysis/envelope.h"

#include <algorithm>
#include <bitset>
#include <vector>

#include "analysis/result_quantities.h"

namespace pelvar {
namespace {

// Takes a state's value where it exceeds the extreme so far (or is the first): strictly, so the
// first state that reaches a value governs.
void Take(EnvelopeValue& extreme, bool maximum, bool first, double value, const DesignState& state,
          const ResultNode& node) {
  if (!first && !(maximum ? value > extreme.value : value < extreme.value)) return;
  extreme = {value, state, node.w, node.Q, node.M};
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
  for (int s = 0; s < envelope.stateCount; ++s) {
    const DesignState state = DesignStateAt(data, s);
    ApplyDesignState(data, state, scratch);
    work.startContact = nullptr;
    Contacts* contact = data.noTension ? &contacts[static_cast<std::size_t>(s % factors)] : nullptr;
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
      return result;
    }
    envelope.contactRounds += scratch.contactRounds;
    if (contact) {
      contact->last = work.contact.InContact();
      contact->wBefore.swap(contact->wLast);
      contact->wLast.resize(static_cast<std::size_t>(n + 1));
      for (int j = 0; j <= n; ++j) contact->wLast[static_cast<std::size_t>(j)] = scratch.nodes[j].w;
      contact->known = inRow ? std::min(contact->known + 1, 2) : 1;
      contact->lastPosition = state.position;
    }
    const bool first = s == 0;
    for (int j = 0; j <= n; ++j) {
      const ResultNode& node = scratch.nodes[j];
      NodeEnvelope& e = envelope.nodes[j];
      e.x = node.x;
      Take(e.wMax, true, first, node.w, state, node);
      Take(e.wMin, false, first, node.w, state, node);
      Take(e.QMax, true, first, node.Q, state, node);
      Take(e.QMin, false, first, node.Q, state, node);
      Take(e.MMax, true, first, node.M, state, node);
      Take(e.MMin, false, first, node.M, state, node);
    }
    for (int j = 0; j < n; ++j) {
      ElementEnvelope& e = envelope.elements[j];
      e.x0 = scratch.nodes[j].x;
      e.x1 = scratch.nodes[j + 1].x;
      const double p = ElementPressure(scratch, work.mesh.elementSection[j], j);
      Take(e.pMax, true, first, p, state, scratch.nodes[j]);
      Take(e.pMin, false, first, p, state, scratch.nodes[j]);
    }
    const ResultAccuracy& accuracy = scratch.accuracy;
    envelope.accuracy.available = envelope.accuracy.available && accuracy.available;
    envelope.accuracy.w = std::max(envelope.accuracy.w, accuracy.w);
    envelope.accuracy.Q = std::max(envelope.accuracy.Q, accuracy.Q);
    envelope.accuracy.M = std::max(envelope.accuracy.M, accuracy.M);
  }
  return result;
}

}  // namespace pelvar
