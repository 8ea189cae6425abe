#include "analysis/result_quantities.h"

#include <cmath>
#include <memory>

#include "analysis/mesh.h"

namespace pelvar {
namespace {

// The first node (or element) with the least and the first with the greatest value.
template <typename Value>
void AddExtremes(ResultQuantity quantity, int count, Value value,
                 std::vector<ResultExtreme>& extremes) {
  int low = 0, high = 0;
  for (int j = 1; j < count; ++j) {
    if (value(j) < value(low)) low = j;
    if (value(j) > value(high)) high = j;
  }
  extremes.push_back({quantity, false, value(low), low, 0.0, 0.0});
  extremes.push_back({quantity, true, value(high), high, 0.0, 0.0});
}

}  // namespace

std::string_view QuantityName(ResultQuantity quantity) {
  switch (quantity) {
    case ResultQuantity::W:
      return "w";
    case ResultQuantity::Q:
      return "Q";
    case ResultQuantity::M:
      return "M";
    case ResultQuantity::P:
      return "p";
  }
  return "";
}

double ResultReference(const ProblemData& data, double ResultNode::*quantity) {
  AssertCountsWithinLimits(data);
  const int m = data.sectionCount;
  double length = 0.0, load = 0.0, stiffness = 0.0;
  for (int i = 0; i < m; ++i) {
    const SectionRow& section = data.sections[i];
    length += section.length;
    load += std::fabs(section.load) * section.length * SectionWidth(data, i);
    stiffness += std::fabs(section.spring) * section.length * SectionWidth(data, i);
  }
  for (int p = 0; p <= m; ++p) {
    load += std::fabs(data.points[p].force);
    if (length > 0.0) load += std::fabs(data.points[p].moment) / length;
  }
  for (int l = 0; l < data.loadsAnywhereCount; ++l) {
    load += std::fabs(data.loadsAnywhere[l].force);
    if (length > 0.0) load += std::fabs(data.loadsAnywhere[l].moment) / length;
  }
  double reference = load;
  if (quantity == &ResultNode::M) reference = load * length;
  if (quantity == &ResultNode::w) reference = stiffness > 0.0 ? load / stiffness : 0.0;
  return std::isfinite(reference) ? reference : 0.0;
}

std::vector<std::pair<double, double>> LiftOffRanges(const ProblemData& data) {
  std::vector<std::pair<double, double>> ranges;
  if (!data.resultsAvailable || !data.noTension) return ranges;
  AssertCountsWithinLimits(data);
  for (int j = 0; j < data.elementCount; ++j) {
    if (!data.liftedOff[j]) continue;
    if (j > 0 && data.liftedOff[j - 1]) {
      ranges.back().second = data.nodes[j + 1].x;
    } else {
      ranges.emplace_back(data.nodes[j].x, data.nodes[j + 1].x);
    }
  }
  return ranges;
}

ResultQuantities ComputeResultQuantities(const ProblemData& data) {
  ResultQuantities result;
  if (!data.resultsAvailable) return result;
  AssertCountsWithinLimits(data);
  const int n = data.elementCount;

  // The mesh is rebuilt from the problem as calculated: the same rule gives the same element
  // lengths, springs and loads the equations were assembled from.
  auto mesh = std::make_unique<MeshData>();
  if (BuildMesh(data, *mesh)) return result;

  result.elements.resize(static_cast<std::size_t>(n));
  EquilibriumTotals& totals = result.equilibrium;
  for (int j = 0; j < n; ++j) {
    const ResultNode& left = data.nodes[j];
    const ResultNode& right = data.nodes[j + 1];
    const double meanW = 0.5 * left.w + 0.5 * right.w;  // halves first: no overflow in the sum
    ElementResult& element = result.elements[static_cast<std::size_t>(j)];
    element.section = mesh->elementSection[j];
    element.x0 = left.x;
    element.x1 = right.x;
    element.p =
        ElementPressure(data.sections[element.section].spring, data.liftedOff[j], left.w, right.w);
    totals.load += mesh->elementLoad[j];
    if (!data.liftedOff[j]) totals.springForces += mesh->elementSpring[j] * meanW;
  }
  for (int i = 0; i <= data.sectionCount; ++i) {
    totals.pointForces += data.points[i].force;
    totals.supportForces += data.reactions[i].force;
  }
  for (int l = 0; l < data.loadsAnywhereCount; ++l) {
    totals.pointForces += data.loadsAnywhere[l].force;
  }
  totals.supported = mesh->supported;

  // w, Q and M along the beam, both sides of every jump and the points inside elements in their
  // order, so that the first of equal values is the one with the least x.
  const std::vector<ResultRow> rows = ResultRows(data);
  const auto addAlong = [&](ResultQuantity quantity, double ResultRow::*value) {
    AddExtremes(
        quantity, static_cast<int>(rows.size()), [&](int r) { return rows[r].*value; },
        result.extremes);
    for (std::size_t e = result.extremes.size() - 2; e < result.extremes.size(); ++e) {
      ResultExtreme& extreme = result.extremes[e];
      const ResultRow& row = rows[static_cast<std::size_t>(extreme.index)];
      extreme.index = row.node;
      extreme.x0 = extreme.x1 = row.x;
      extreme.side = row.side;
    }
  };
  addAlong(ResultQuantity::W, &ResultRow::w);
  addAlong(ResultQuantity::Q, &ResultRow::Q);
  addAlong(ResultQuantity::M, &ResultRow::M);
  AddExtremes(
      ResultQuantity::P, n, [&](int j) { return result.elements[j].p; }, result.extremes);
  ResultExtreme &p = result.extremes.back(), &pLow = result.extremes[result.extremes.size() - 2];
  for (ResultExtreme* extreme : {&pLow, &p}) {
    extreme->x0 = result.elements[extreme->index].x0;
    extreme->x1 = result.elements[extreme->index].x1;
  }

  result.finite = std::isfinite(totals.load) && std::isfinite(totals.pointForces) &&
                  std::isfinite(totals.springForces) && std::isfinite(totals.supportForces);
  for (const ElementResult& element : result.elements) {
    if (!std::isfinite(element.p)) result.finite = false;
  }
  return result;
}

}  // namespace pelvar
