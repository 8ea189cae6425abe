#pragma once
// The states a design is checked for (the load cases of ProblemData::loadCases): every
// combination, or every case where none is given, and every position of the moving load, each
// with the soil's springs as given or scaled by each soil factor. A state is written into a copy
// of the problem whose tables then hold its loads, so that one calculation solves it on its own;
// on soil that takes no tension, where sums of solutions are not solutions, that is the only
// exact way.

#include "model/problem_data.h"

namespace pelvar {

// The length of the beam, m: its sections' lengths.
double BeamLength(const ProblemData& data);

// The loads of case c: for the first, those of the tables and ProblemData::loadsAnywhere.
LoadCase CaseLoads(const ProblemData& data, int c);

// The positions of the moving load, from its leading axle at the left end until its last axle
// has reached the right end, every step (or element length) apart: their number, 0 without a
// moving load, and kMaxPositions + 1 for any number beyond kMaxPositions, which a design run
// refuses.
int MovingLoadPositionCount(const ProblemData& data);
// The x of the leading axle at a position, m.
double LeadingAxleX(const ProblemData& data, int position);

// The axles of the moving load that stand on the beam at a position, as forces anywhere: the
// leading one at its x and the others behind it, those off the beam left out. Returns their
// number.
int AxlesOnBeam(const ProblemData& data, int position, std::array<LoadAnywhere, kMaxAxles>& axles);

// One state: a combination (or, without combinations, a case), a position of the moving load
// (-1 for none), and a soil factor (index into soilFactors; -1 for the springs as given). With a
// moving load, the states are its positions on top of its combination (or alone), else the
// combinations themselves. A case on its own, as shown and run alone whether or not the problem
// has combinations, is its index in `combination` with `caseAlone` set.
struct DesignState {
  int combination = 0;
  int position = -1;
  int soilFactor = -1;
  bool caseAlone = false;
};

// The state of case c on its own: its loads, no moving load, the springs as given.
inline DesignState CaseAloneState(int c) { return DesignState{c, -1, -1, true}; }

// The number of states: combinations (or cases) or positions, times the soil factors (or 1).
int DesignStateCount(const ProblemData& data);
DesignState DesignStateAt(const ProblemData& data, int index);

// Writes the loads and springs of a state into `out`, a copy of the problem: its tables and loads
// anywhere then hold the state's loads, its soil springs the scaled ones (the supports' springs
// stay), its load cases only the first, and no results.
void ApplyDesignState(const ProblemData& data, const DesignState& state, ProblemData& out);

}  // namespace pelvar
