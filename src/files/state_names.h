#pragma once
// What a state of the load cases is called where the outputs say what governs: its combination
// (or case), the leading axle's position and the soil factor.

#include <optional>
#include <string>
#include <string_view>

#include "analysis/envelope.h"
#include "model/load_cases.h"

namespace pelvar {

// The first case's name in a new problem (ResetToDefaults) and in one read from a file without
// load cases.
inline constexpr std::string_view kFirstCaseName = "Case 1";

// Whether the problem holds more than its tables: load cases, combinations, a moving load, soil
// factors, loads anywhere or a name other than kFirstCaseName for the first case.
bool HasLoadCases(const ProblemData& data);

// The name of the state's loads: its combination's, or its case's where the problem has no
// combinations; empty for a moving load alone.
std::string StateLoadName(const ProblemData& data, const DesignState& state);

// The state in one line, such as "ULS, leading axle at x = 12.500 m, soil factor 0.5"; a moving
// load alone is "moving load alone".
std::string StateText(const ProblemData& data, const DesignState& state);

// What an envelope leaves out: the states in which the beam tips off soil that takes no tension,
// by the places of the leading axle, such as "Left out of the envelope: 4 states in which the
// beam tips off the soil, with the leading axle at x = 0.000 to 0.300 m and at x = 30.000 m.";
// nothing where it leaves out none.
std::optional<std::string> LeftOutText(const ProblemData& data, const Envelope& envelope);

// Where the moving load's step is longer than the elements, the envelope may miss the peaks that
// come with an axle on a node between two positions: a warning that says so and what helps, in
// the words of AccuracyWarning's; nothing for a step of an element's length or less.
std::optional<std::string> CoarseStepWarning(const ProblemData& data, const Envelope& envelope);

}  // namespace pelvar
