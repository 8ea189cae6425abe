#pragma once
// The envelope of a design: every state of the load cases (model/load_cases.h)
// solved on its own, and at every node the largest and smallest w, Q and M, at every element the
// largest and smallest soil pressure p, each with the state that governs it and the values that
// go with it there: what a designer needs to check a section.

#include <array>
#include <vector>

#include "analysis/calculation.h"
#include "model/load_cases.h"

namespace pelvar {

// An extreme value, the state that gives it (the first, where several give the same), and the
// node's w, Q and M in that state (for p: its element's left node). Where Q or M jumps at the
// node, both sides are taken, and Q and M are those of the side that gives the value.
struct EnvelopeValue {
  double value = 0.0;
  DesignState state;
  double w = 0.0, Q = 0.0, M = 0.0;
};

struct NodeEnvelope {
  double x = 0.0;
  EnvelopeValue wMax, wMin, QMax, QMin, MMax, MMin;
};

struct ElementEnvelope {
  double x0 = 0.0, x1 = 0.0;
  EnvelopeValue pMax, pMin;
};

struct Envelope {
  // The states the extremes are taken from: every state but those left out (tipped).
  int stateCount = 0;
  std::array<NodeEnvelope, kMaxNodes> nodes{};
  std::array<ElementEnvelope, kMaxElements> elements{};
  // The worst of each accuracy figure over the states; not available where any state's is not.
  ResultAccuracy accuracy;
  // The solves the contact with soil that takes no tension took over all states (one a state on
  // linear soil).
  long contactRounds = 0;
  // The states solved from one factorization of their beam, the positions of a moving load on
  // linear soil several at a time (LinearPositions); the others are each solved on their own.
  long factoredStates = 0;
  // The positions of a moving load (with each soil factor) at which soil that takes no tension
  // cannot hold the beam, which tips off it: they are left out of the extremes, and the outputs
  // name them (LeftOutText).
  std::vector<DesignState> tipped;
  // The longest element of the mesh, m: a moving load's step beyond it passes nodes without an
  // axle near them (CoarseStepWarning).
  double longestElement = 0.0;
};

// What kept the envelope from being made: the outcome of the first state that failed, and which.
struct EnvelopeOutcome {
  CalculationOutcome outcome;
  DesignState failedState;
};

// Solves every state of the problem's load cases (DesignStateAt), each in `scratch`, and gathers
// the envelope. On success the outcome's status is Success; otherwise it is that of the first
// state that failed, and the envelope is incomplete. A position of a moving load at which the
// beam tips off soil that takes no tension is left out (Envelope::tipped); the states of the
// combinations or cases are always there. A moving load of more than kMaxPositions positions is
// refused before anything is solved.
EnvelopeOutcome RunEnvelope(const ProblemData& data, AnalysisWorkspace& work, ProblemData& scratch,
                            Envelope& envelope);

}  // namespace pelvar
