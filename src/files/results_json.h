#pragma once
// All results of a solved beam as one JSON document, for scripts and spreadsheets.
//
// Top-level fields: "summary" (minW, maxW, minQ, maxQ, minM, maxM), "extremes" (objects with
// "quantity" "w", "Q", "M" or "p", "kind" "min" or "max", "value", and "x" for a node or "x0"
// and "x1" for an element), "nodes" ("x", "w", "Q", "M"), "elements" ("section" from 1, "x0",
// "x1", "p"), "sections" where one has its own EI or width, "equilibrium" ("load",
// "pointForces", "springForces", and "supportForces" with supports), and with supports
// "supports" (as read) and "reactions". Every number is written as the shortest text that reads
// back to the same double, with "." whatever the locale.

#include <optional>
#include <string>

#include "model/problem_data.h"

namespace pelvar {

// The document, indented, ending in a line feed; nothing when the problem holds no results or
// a value has left the range of doubles (JSON has no text for it).
std::optional<std::string> ResultsJsonText(const ProblemData& data);

}  // namespace pelvar
