#pragma once
// What an engineer reads from a solved beam besides the three diagrams: the soil pressure under
// every element, where each extreme lies, and the balance of the vertical forces.

#include <string_view>
#include <utility>
#include <vector>

#include "analysis/results.h"
#include "model/problem_data.h"

namespace pelvar {

// One element of the solved beam, from node `index` to node `index` + 1.
struct ElementResult {
  int section = 0;            // index of the section, 0-based
  double x0 = 0.0, x1 = 0.0;  // m
  // Soil pressure, kN/m²: the element's spring force divided by its area, k·(w0 + w1)/2, the
  // very reaction the equations use. Positive presses on the soil.
  double p = 0.0;
};

enum class ResultQuantity { W, Q, M, P };

// The name of a quantity as tables and files show it: "w", "Q", "M" or "p".
std::string_view QuantityName(ResultQuantity quantity);

// The least or greatest value of a quantity and where it first occurs (smallest x, the left
// side of a jump before its right side). w, Q and M are values at a point (x0 == x1): a node
// (index) or a point inside an element where a load anywhere stands (index -1), on one side of
// it where Q or M jumps there; p belongs to an element (index is the element).
struct ResultExtreme {
  ResultQuantity quantity = ResultQuantity::W;
  bool maximum = false;
  double value = 0.0;
  int index = 0;
  double x0 = 0.0, x1 = 0.0;
  JumpSide side = JumpSide::None;
};

// The vertical forces on the whole beam, kN, loads and forces positive in the direction of w.
// They balance to rounding: load + pointForces == springForces + supportForces.
struct EquilibriumTotals {
  double load = 0.0;           // the distributed load over all elements, q·h·b summed
  double pointForces = 0.0;    // the point forces at all points, ends included, and anywhere
  double springForces = 0.0;   // what the springs push back, k·h·b·(w0 + w1)/2 summed
  double supportForces = 0.0;  // what the supports push back
  bool supported = false;      // whether any point has a support
};

struct ResultQuantities {
  std::vector<ElementResult> elements;  // elements 0..elementCount-1
  // min and max of w, then of Q, M and p: eight entries, each minimum before its maximum.
  std::vector<ResultExtreme> extremes;
  EquilibriumTotals equilibrium;
  // False when a value left the range of doubles (only with inputs near that range).
  bool finite = true;
};

// The size of a result (w, Q or M, chosen by its member of ResultNode) that the problem's own
// loads make: for Q the total load, the sum of |q|·L·b over the sections, |F| over the points
// and |M| / (beam length) for the point moments; for M that load times the beam length; for w
// that load over the total spring stiffness, the sum of |k|·L·b. 0 when no such size exists.
double ResultReference(const ProblemData& data, double ResultNode::*quantity);

// The x ranges, m, where the beam has lifted off soil that takes no tension: runs of elements
// whose springs the contact left out, each as (x of its first node, x of its last). Empty
// without results and on soil that takes tension.
std::vector<std::pair<double, double>> LiftOffRanges(const ProblemData& data);

// Derives the quantities from the result table and the mesh the calculation used. Empty (no
// elements, no extremes) unless data.resultsAvailable is set.
ResultQuantities ComputeResultQuantities(const ProblemData& data);

// The soil pressure p under an element, kN/m²: its section's spring k times the mean w of its
// nodes, 0 where the beam lifted off.
// Of w0 and w1 in kLanes lanes too (analysis/solver.h), where nothing lifts off.
template <typename Value>
[[gnu::always_inline]] inline Value ElementPressure(double spring, const Value& w0,
                                                    const Value& w1) {
  return spring * (0.5 * w0 + 0.5 * w1);  // halves first: no overflow
}
inline double ElementPressure(double spring, bool liftedOff, double w0, double w1) {
  return liftedOff ? 0.0 : ElementPressure(spring, w0, w1);
}

}  // namespace pelvar
