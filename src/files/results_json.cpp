#include "files/results_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "analysis/result_quantities.h"
#include "analysis/results.h"

namespace pelvar {

std::optional<std::string> ResultsJsonText(const ProblemData& data) {
  const ResultQuantities quantities = ComputeResultQuantities(data);
  if (quantities.elements.empty() || !quantities.finite) return std::nullopt;

  using json = nlohmann::ordered_json;
  // nlohmann writes doubles with its own shortest round-trip conversion, which never consults
  // the locale, and would write a value that is not finite as null: none may reach it.
  bool finite = true;
  auto number = [&finite](double value) {
    if (!std::isfinite(value)) finite = false;
    return json(value);
  };

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
    extremes.push_back(std::move(item));
  }
  document["extremes"] = std::move(extremes);

  json nodes = json::array();
  AssertCountsWithinLimits(data);
  const int last = data.elementCount;
  for (int j = 0; j <= last; ++j) {
    const ResultNode& node = data.nodes[j];
    nodes.push_back({{"x", number(node.x)},
                     {"w", number(node.w)},
                     {"Q", number(node.Q)},
                     {"M", number(node.M)}});
  }
  document["nodes"] = std::move(nodes);

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
  const ResultAccuracy& accuracy = data.accuracy;
  document["accuracy"] =
      accuracy.available
          ? json{{"w", number(accuracy.w)}, {"Q", number(accuracy.Q)}, {"M", number(accuracy.M)}}
          : json(nullptr);

  if (!finite) return std::nullopt;
  return document.dump(2) + "\n";
}

}  // namespace pelvar
