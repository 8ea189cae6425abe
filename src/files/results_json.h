#pragma once
// All results of a solved beam as one JSON document, for scripts and spreadsheets.
//
// Top-level fields: "summary" (minW, maxW, minQ, maxQ, minM, maxM), "extremes" (objects with
// "quantity" "w", "Q", "M" or "p", "kind" "min" or "max", "value", and "x" for a point or "x0"
// and "x1" for an element, and "side" "left" or "right" where the extreme lies on one side of a
// jump), "nodes" ("x", "w", "Q", "M"; where Q or M jumps at the node, Q and M are the values
// just left of it and "QRight" and "MRight" those just right of it), "insideJumps" where loads
// anywhere stand inside elements (each point's "x", "w", "Q", "QRight", "M", "MRight", in order
// along the beam), "elements" ("section" from 1, "x0", "x1", "p"), "sections" where one has its
// own EI or width, "equilibrium" ("load", "pointForces", "springForces", and "supportForces" with
// supports), and with supports "supports" (as read) and "reactions". Every number is written as
// the shortest text that reads back to the same double, with "." whatever the locale.
//
// A problem with load cases (HasLoadCases) adds "cases" ("name", "sectionLoads",
// "pointForces", "pointMoments", "loadsAnywhere" with "x", "force", "moment") and
// "combinations" ("name", "factors" in the order of the cases). The envelope's document holds
// these, "foundation" and "envelope": "states", "nodes" ("x", and "wMax" to "MMin" each with
// "value", "governs" and the coincident "w", "Q", "M"), "elements" ("x0", "x1", "pMax",
// "pMin") and "accuracy". "governs" names the "combination", or the "case" where there are no
// combinations, the leading axle's "axleX" with a moving load and the "soilFactor" with soil
// factors.

#include <optional>
#include <string>

#include "analysis/envelope.h"
#include "model/problem_data.h"

namespace pelvar {

// The document, indented, ending in a line feed; nothing when the problem holds no results or
// a value has left the range of doubles (JSON has no text for it).
std::optional<std::string> ResultsJsonText(const ProblemData& data);
// One state solved (a copy of problem with the state's loads, ApplyDesignState), with the load
// cases of problem.
std::optional<std::string> ResultsJsonText(const ProblemData& solved, const ProblemData& problem);
// The envelope of problem's states; nothing where a value has left the range of doubles.
std::optional<std::string> EnvelopeJsonText(const ProblemData& problem, const Envelope& envelope);

}  // namespace pelvar
