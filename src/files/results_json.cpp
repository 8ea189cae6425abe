#include "files/results_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "analysis/result_quantities.h"
#include "analysis/results.h"
#include "files/state_names.h"
#include "text/cp1252.h"

namespace pelvar {

namespace {

using json = nlohmann::ordered_json;

// nlohmann writes doubles with its own shortest round-trip conversion, which never consults the
// locale, and would write a value that is not finite as null: none may reach it.
struct Numbers {
  bool finite = true;
  json operator()(double value) {
    if (!std::isfinite(value)) finite = false;
    return json(value);
  }
};

json Text(std::string_view cp1252) { return json(Cp1252ToUtf8(cp1252)); }

// The cases and combinations as the problem holds them, where it holds more than its tables.
void AddLoadCases(const ProblemData& problem, json& document, Numbers& number) {
  if (!HasLoadCases(problem)) return;
  AssertCountsWithinLimits(problem);
  const LoadCases& cases = problem.loadCases;
  json caseList = json::array();
  for (int c = 0; c < cases.caseCount; ++c) {
    const LoadCase loads = CaseLoads(problem, c);
    json sectionLoads = json::array(), forces = json::array(), moments = json::array(),
         anywhere = json::array();
    for (int i = 0; i < problem.sectionCount; ++i)
      sectionLoads.push_back(number(loads.sectionLoad[i]));
    for (int p = 0; p <= problem.sectionCount; ++p) {
      forces.push_back(number(loads.pointForce[p]));
      moments.push_back(number(loads.pointMoment[p]));
    }
    for (int l = 0; l < loads.anywhereCount; ++l) {
      const LoadAnywhere& load = loads.anywhere[static_cast<std::size_t>(l)];
      anywhere.push_back(
          {{"x", number(load.x)}, {"force", number(load.force)}, {"moment", number(load.moment)}});
    }
    caseList.push_back({{"name", Text(loads.name.View())},
                        {"sectionLoads", std::move(sectionLoads)},
                        {"pointForces", std::move(forces)},
                        {"pointMoments", std::move(moments)},
                        {"loadsAnywhere", std::move(anywhere)}});
  }
  json combinations = json::array();
  for (int k = 0; k < cases.combinationCount; ++k) {
    const LoadCombination& combination = cases.combinations[static_cast<std::size_t>(k)];
    json factors = json::array();
    for (int c = 0; c < cases.caseCount; ++c) {
      factors.push_back(number(combination.factor[static_cast<std::size_t>(c)]));
    }
    combinations.push_back(
        {{"name", Text(combination.name.View())}, {"factors", std::move(factors)}});
  }
  document["cases"] = std::move(caseList);
  document["combinations"] = std::move(combinations);
}

json Governs(const ProblemData& problem, const DesignState& state, Numbers& number) {
  json governs = json::object();
  if (state.combination >= 0) {
    governs[problem.loadCases.combinationCount > 0 ? "combination" : "case"] =
        Text(StateLoadName(problem, state));
  }
  if (state.position >= 0) governs["axleX"] = number(LeadingAxleX(problem, state.position));
  if (state.soilFactor >= 0) {
    governs["soilFactor"] =
        number(problem.loadCases.soilFactors[static_cast<std::size_t>(state.soilFactor)]);
  }
  return governs;
}

json Extreme(const ProblemData& problem, const EnvelopeValue& extreme, Numbers& number) {
  return {{"value", number(extreme.value)},
          {"governs", Governs(problem, extreme.state, number)},
          {"w", number(extreme.w)},
          {"Q", number(extreme.Q)},
          {"M", number(extreme.M)}};
}

json Accuracy(const ResultAccuracy& accuracy, Numbers& number) {
  return accuracy.available
             ? json{{"w", number(accuracy.w)}, {"Q", number(accuracy.Q)}, {"M", number(accuracy.M)}}
             : json(nullptr);
}

}  // namespace

std::optional<std::string> ResultsJsonText(const ProblemData& data) {
  return ResultsJsonText(data, data);
}

std::optional<std::string> EnvelopeJsonText(const ProblemData& problem, const Envelope& envelope) {
  AssertCountsWithinLimits(problem);
  Numbers number;
  json document = json::object();
  AddLoadCases(problem, document, number);
  document["foundation"] = problem.noTension ? "compression-only" : "two-way";
  json nodes = json::array();
  for (int j = 0; j <= problem.elementCount; ++j) {
    const NodeEnvelope& node = envelope.nodes[j];
    nodes.push_back({{"x", number(node.x)},
                     {"wMax", Extreme(problem, node.wMax, number)},
                     {"wMin", Extreme(problem, node.wMin, number)},
                     {"QMax", Extreme(problem, node.QMax, number)},
                     {"QMin", Extreme(problem, node.QMin, number)},
                     {"MMax", Extreme(problem, node.MMax, number)},
                     {"MMin", Extreme(problem, node.MMin, number)}});
  }
  json elements = json::array();
  for (int j = 0; j < problem.elementCount; ++j) {
    const ElementEnvelope& element = envelope.elements[j];
    elements.push_back({{"x0", number(element.x0)},
                        {"x1", number(element.x1)},
                        {"pMax", Extreme(problem, element.pMax, number)},
                        {"pMin", Extreme(problem, element.pMin, number)}});
  }
  document["envelope"] = {{"states", envelope.stateCount},
                          {"nodes", std::move(nodes)},
                          {"elements", std::move(elements)},
                          {"accuracy", Accuracy(envelope.accuracy, number)}};
  // The positions of the moving load at which the beam tips off the soil, named as "governs"
  // names a state.
  if (!envelope.tipped.empty()) {
    json leftOut = json::array();
    for (const DesignState& state : envelope.tipped) {
      leftOut.push_back(Governs(problem, state, number));
    }
    document["envelope"]["leftOut"] = std::move(leftOut);
  }
  if (!number.finite) return std::nullopt;
  return document.dump(2) + "\n";
}

std::optional<std::string> ResultsJsonText(const ProblemData& data, const ProblemData& problem) {
  const ResultQuantities quantities = ComputeResultQuantities(data);
  if (quantities.elements.empty() || !quantities.finite) return std::nullopt;

  Numbers number;

  const ResultSummary s = FindExtremes(data);
  json document = json::object();
  document["summary"] = {{"minW", number(s.minW)}, {"maxW", number(s.maxW)},
                         {"minQ", number(s.minQ)}, {"maxQ", number(s.maxQ)},
                         {"minM", number(s.minM)}, {"maxM", number(s.maxM)}};

  json extremes = json::array();
  for (const ResultExtreme& e : quantities.extremes) {
    json item = {{"quantity", std::string(QuantityName(e.quantity))},
                 {"kind", e.maximum ? "max" : "min"},
                 {"value", number(e.value)}};
    if (e.quantity == ResultQuantity::P) {
      item["x0"] = number(e.x0);
      item["x1"] = number(e.x1);
    } else {
      item["x"] = number(e.x0);
    }
    if (e.side != JumpSide::None) item["side"] = e.side == JumpSide::Left ? "left" : "right";
    extremes.push_back(std::move(item));
  }
  document["extremes"] = std::move(extremes);

  // Where Q or M jumps, each side: Q and M left of the point, QRight and MRight right of it.
  const auto point = [&number](const ResultNode& at, bool bothSides) {
    if (!bothSides) {
      return json{
          {"x", number(at.x)}, {"w", number(at.w)}, {"Q", number(at.Q)}, {"M", number(at.M)}};
    }
    return json{{"x", number(at.x)},           {"w", number(at.w)}, {"Q", number(at.Q)},
                {"QRight", number(at.QRight)}, {"M", number(at.M)}, {"MRight", number(at.MRight)}};
  };
  json nodes = json::array();
  AssertCountsWithinLimits(data);
  const int last = data.elementCount;
  for (int j = 0; j <= last; ++j) nodes.push_back(point(data.nodes[j], Jumps(data.nodes[j])));
  document["nodes"] = std::move(nodes);
  if (data.insideJumpCount > 0) {
    json inside = json::array();
    for (int i = 0; i < data.insideJumpCount; ++i)
      inside.push_back(point(data.insideJumps[i].at, true));
    document["insideJumps"] = std::move(inside);
  }

  json elements = json::array();
  for (const ElementResult& element : quantities.elements) {
    elements.push_back({{"section", element.section + 1},
                        {"x0", number(element.x0)},
                        {"x1", number(element.x1)},
                        {"p", number(element.p)}});
  }
  document["elements"] = std::move(elements);

  // The sections' EI and width as calculated, where one of them has its own.
  if (AnySectionHasOwnValues(data)) {
    json sections = json::array();
    for (int i = 0; i < data.sectionCount; ++i) {
      const SectionRow& section = data.sections[i];
      sections.push_back({{"section", i + 1},
                          {"EI", number(SectionStiffness(data, i))},
                          {"width", number(SectionWidth(data, i))},
                          {"ownEI", section.stiffnessEI > 0.0},
                          {"ownWidth", section.width > 0.0}});
    }
    document["sections"] = std::move(sections);
  }

  const EquilibriumTotals& totals = quantities.equilibrium;
  document["equilibrium"] = {{"load", number(totals.load)},
                             {"pointForces", number(totals.pointForces)},
                             {"springForces", number(totals.springForces)}};
  // The supports: what each gives the beam (force positive up, moment as a point moment), and
  // their sum in the balance.
  if (totals.supported) {
    document["equilibrium"]["supportForces"] = number(totals.supportForces);
    json supports = json::array(), reactions = json::array();
    for (int p = 0; p <= data.sectionCount; ++p) {
      const PointSupport& support = data.points[p].support;
      if (support.kind == SupportKind::None) continue;
      supports.push_back({{"point", p},
                          {"kind", std::string(SupportKindName(support.kind))},
                          {"spring", number(support.spring)},
                          {"rotationalSpring", number(support.rotationalSpring)},
                          {"displacement", number(support.displacement)},
                          {"rotation", number(support.rotation)}});
      reactions.push_back({{"point", p},
                           {"x", number(data.points[p].x)},
                           {"force", number(data.reactions[p].force)},
                           {"moment", number(data.reactions[p].moment)}});
    }
    document["supports"] = std::move(supports);
    document["reactions"] = std::move(reactions);
  }

  // The soil: both ways, or pressing only, with the rounds the contact took and where the beam
  // lifted off.
  json liftOff = json::array();
  for (const auto& [from, to] : LiftOffRanges(data)) {
    liftOff.push_back(json::array({number(from), number(to)}));
  }
  document["foundation"] = data.noTension ? "compression-only" : "two-way";
  document["rounds"] = data.contactRounds;
  document["liftOff"] = std::move(liftOff);

  // How close w, Q and M come to the exact continuous beam, as fractions; null where that is not
  // available.
  document["accuracy"] = Accuracy(data.accuracy, number);
  AddLoadCases(problem, document, number);

  if (!number.finite) return std::nullopt;
  return document.dump(2) + "\n";
}

}  // namespace pelvar
