// The JSON results document: its fields, and numbers that read back to the very same doubles.

#include "files/results_json.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <memory>
#include <nlohmann/json.hpp>

#include "analysis/calculation.h"
#include "analysis/result_quantities.h"
#include "analysis/results.h"
#include "files/results_csv.h"
#include "problem_file_test_util.h"
#include "text/number_format.h"
#include "text/number_reader.h"

namespace pelvar {
namespace {

std::vector<std::string> Keys(const nlohmann::ordered_json& object) {
  std::vector<std::string> keys;
  for (const auto& item : object.items()) keys.push_back(item.key());
  return keys;
}

TEST(ResultsJson, FieldsAndNumbersReadBackExactly) {
  auto data = std::make_unique<ProblemData>();
  EXPECT_FALSE(ResultsJsonText(*data).has_value());  // no results yet
  data->elementCount = 333;
  data->points[1] = {0.0, 17.0, -3.5};
  data->points[3].force = 0.1;
  auto work = MakeAnalysisWorkspace();
  ASSERT_EQ(RunCalculation(*data, *work).status, CalculationStatus::Success);
  const std::optional<std::string> text = ResultsJsonText(*data);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->back(), '\n');

  // The decimal point is "." in a locale that writes a comma.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {
    EXPECT_EQ(ResultsJsonText(*data), text);
    std::setlocale(LC_ALL, "C");
  }

  const auto json = nlohmann::ordered_json::parse(*text);
  using Names = std::vector<std::string>;
  EXPECT_EQ(Keys(json), (Names{"summary", "extremes", "nodes", "elements", "equilibrium",
                               "foundation", "rounds", "liftOff", "accuracy"}));
  EXPECT_EQ(json["foundation"], "two-way");
  EXPECT_EQ(json["rounds"], 1);
  EXPECT_EQ(json["liftOff"], nlohmann::ordered_json::array());

  const ResultSummary s = FindExtremes(*data);
  const auto& summary = json["summary"];
  EXPECT_EQ(Keys(summary), (Names{"minW", "maxW", "minQ", "maxQ", "minM", "maxM"}));
  EXPECT_EQ(summary["minW"].get<double>(), s.minW);
  EXPECT_EQ(summary["maxW"].get<double>(), s.maxW);
  EXPECT_EQ(summary["minQ"].get<double>(), s.minQ);
  EXPECT_EQ(summary["maxQ"].get<double>(), s.maxQ);
  EXPECT_EQ(summary["minM"].get<double>(), s.minM);
  EXPECT_EQ(summary["maxM"].get<double>(), s.maxM);

  // Both sides at point 1 (node 111), where the force of 17 kN and the moment of -3.5 kNm stand;
  // at the right end (point 3) the beam's own value.
  const auto& nodes = json["nodes"];
  ASSERT_EQ(nodes.size(), 334u);
  for (int j = 0; j <= 333; ++j) {
    if (j == 111) {
      EXPECT_EQ(Keys(nodes[j]), (Names{"x", "w", "Q", "QRight", "M", "MRight"}));
      EXPECT_NEAR(nodes[j]["Q"].get<double>() - nodes[j]["QRight"].get<double>(), 17.0, 1e-9);
      EXPECT_NEAR(nodes[j]["MRight"].get<double>() - nodes[j]["M"].get<double>(), -3.5, 1e-9);
    } else {
      EXPECT_EQ(Keys(nodes[j]), (Names{"x", "w", "Q", "M"})) << j;
    }
    EXPECT_EQ(nodes[j]["x"].get<double>(), data->nodes[j].x);
    EXPECT_EQ(nodes[j]["w"].get<double>(), data->nodes[j].w);
    EXPECT_EQ(nodes[j]["Q"].get<double>(), data->nodes[j].Q);
    EXPECT_EQ(nodes[j]["M"].get<double>(), data->nodes[j].M);
  }

  const ResultQuantities q = ComputeResultQuantities(*data);
  const auto& elements = json["elements"];
  ASSERT_EQ(elements.size(), 333u);
  EXPECT_EQ(elements[0]["section"], 1);
  EXPECT_EQ(elements[332]["section"], 3);
  for (int j = 0; j < 333; ++j) {
    EXPECT_EQ(Keys(elements[j]), (Names{"section", "x0", "x1", "p"}));
    EXPECT_EQ(elements[j]["section"].get<int>(), q.elements[j].section + 1);
    EXPECT_EQ(elements[j]["x0"].get<double>(), data->nodes[j].x);
    EXPECT_EQ(elements[j]["x1"].get<double>(), data->nodes[j + 1].x);
    EXPECT_EQ(elements[j]["p"].get<double>(), q.elements[j].p);
  }

  const auto& extremes = json["extremes"];
  ASSERT_EQ(extremes.size(), 8u);
  const char* order[] = {"w", "w", "Q", "Q", "M", "M", "p", "p"};
  for (std::size_t i = 0; i < 8; ++i) {
    const auto& e = extremes[i];
    EXPECT_EQ(e["quantity"], order[i]);
    EXPECT_EQ(e["kind"], i % 2 == 0 ? "min" : "max");
    EXPECT_EQ(e["value"].get<double>(), q.extremes[i].value);
    if (i < 6) {
      Names keys{"quantity", "kind", "value", "x"};
      if (q.extremes[i].side != JumpSide::None) keys.push_back("side");
      EXPECT_EQ(Keys(e), keys);
      EXPECT_EQ(e["x"].get<double>(), data->nodes[q.extremes[i].index].x);
    } else {
      EXPECT_EQ(Keys(e), (Names{"quantity", "kind", "value", "x0", "x1"}));
      EXPECT_EQ(e["x1"].get<double>(), data->nodes[q.extremes[i].index + 1].x);
    }
  }
  EXPECT_EQ(extremes[1]["value"].get<double>(), s.maxW);

  const auto& equilibrium = json["equilibrium"];
  EXPECT_EQ(Keys(equilibrium), (Names{"load", "pointForces", "springForces"}));
  EXPECT_EQ(equilibrium["pointForces"].get<double>(), 17.1);
  EXPECT_NEAR(equilibrium["load"].get<double>(), 300.0, 1e-12);
  EXPECT_NEAR(equilibrium["springForces"].get<double>(), 317.1, 317.1 * 1e-9);

  const auto& accuracy = json["accuracy"];
  EXPECT_EQ(Keys(accuracy), (Names{"w", "Q", "M"}));
  EXPECT_EQ(accuracy["w"].get<double>(), data->accuracy.w);
  EXPECT_EQ(accuracy["Q"].get<double>(), data->accuracy.Q);
  EXPECT_EQ(accuracy["M"].get<double>(), data->accuracy.M);
  data->accuracy.available = false;
  EXPECT_TRUE(nlohmann::ordered_json::parse(*ResultsJsonText(*data))["accuracy"].is_null());

  // A section of its own EI and width: every section's values as calculated, after the elements;
  // the load of the twice as wide middle section counts twice.
  data->sections[1].stiffnessEI = 3.0e6;
  data->sections[1].width = 2.0;
  ASSERT_EQ(RunCalculation(*data, *work).status, CalculationStatus::Success);
  const auto own = nlohmann::ordered_json::parse(*ResultsJsonText(*data));
  EXPECT_EQ(Keys(own), (Names{"summary", "extremes", "nodes", "elements", "sections", "equilibrium",
                              "foundation", "rounds", "liftOff", "accuracy"}));
  EXPECT_EQ(own["sections"].dump(),
            R"([{"section":1,"EI":1000000.0,"width":1.0,"ownEI":false,"ownWidth":false},)"
            R"({"section":2,"EI":3000000.0,"width":2.0,"ownEI":true,"ownWidth":true},)"
            R"({"section":3,"EI":1000000.0,"width":1.0,"ownEI":false,"ownWidth":false}])");
  EXPECT_NEAR(own["equilibrium"]["load"].get<double>(), 400.0, 1e-12 * 400.0 * 333);

  // Supports: one entry each with what it gives the beam, and their sum in the balance.
  data->points[0].support.kind = SupportKind::Fixed;
  data->points[2].support.kind = SupportKind::Pinned;
  ASSERT_EQ(RunCalculation(*data, *work).status, CalculationStatus::Success);
  const auto held = nlohmann::ordered_json::parse(*ResultsJsonText(*data));
  EXPECT_EQ(Keys(held["equilibrium"]),
            (Names{"load", "pointForces", "springForces", "supportForces"}));
  EXPECT_EQ(held["supports"].dump(),
            R"([{"point":0,"kind":"fixed","spring":0.0,"rotationalSpring":0.0,"displacement":0.0,)"
            R"("rotation":0.0},{"point":2,"kind":"pinned","spring":0.0,"rotationalSpring":0.0,)"
            R"("displacement":0.0,"rotation":0.0}])");
  ASSERT_EQ(held["reactions"].size(), 2u);
  EXPECT_EQ(Keys(held["reactions"][0]), (Names{"point", "x", "force", "moment"}));
  EXPECT_EQ(held["reactions"][1]["point"], 2);
  EXPECT_EQ(held["reactions"][1]["x"].get<double>(), 20.0);
  EXPECT_EQ(held["reactions"][0]["moment"].get<double>(), data->reactions[0].moment);
  EXPECT_EQ(held["reactions"][1]["force"].get<double>(), data->reactions[2].force);
  // The node table's CSV takes two more columns, filled at the supports' nodes only, before the
  // right sides of the jumps.
  const std::string csv = NodeTableCsv(*data);
  EXPECT_TRUE(csv.starts_with("node,x,w,Q,M,reaction,reactionMoment,QRight,MRight\n"));
  const std::string first =
      csv.substr(csv.find('\n') + 1, csv.find('\n', csv.find('\n') + 1) - csv.find('\n') - 1);
  EXPECT_TRUE(first.ends_with("," + ShortestRealText(data->reactions[0].force) + "," +
                              ShortestRealText(data->reactions[0].moment) + ",,"))
      << first;
  EXPECT_NE(csv.find("\n1,"), std::string::npos);
  EXPECT_EQ(csv.substr(csv.find("\n1,")).find(",,\n"),
            csv.substr(csv.find("\n1,")).find('\n', 1) - 2);
  const auto& balance = held["equilibrium"];
  EXPECT_NEAR(balance["load"].get<double>() + balance["pointForces"].get<double>(),
              balance["springForces"].get<double>() + balance["supportForces"].get<double>(),
              1e-9 * 417.1);
}

// A column on a footing, 500 kN and 200 kNm at the middle of 6 m: its node's two sides in the
// node table's two added columns and in the JSON, against the beam's own values (M 245.43 kNm
// left and 445.43 kNm right of the column, Q 198.75 and -301.25 kN), and the extremes on the
// side where they lie. Moved inside an element, the column is a point of "insideJumps".
TEST(ResultsJson, BothSidesOfAColumnOnAFooting) {
  auto data = std::make_unique<ProblemData>();
  data->sectionCount = 2;
  data->elementCount = 100;
  data->stiffnessEI = 810000.0;
  data->beamWidth = 2.0;
  data->sections[0] = data->sections[1] = {3.0, 10.0, 20000.0};
  data->points[1].force = 500.0;
  data->points[1].moment = 200.0;
  auto work = MakeAnalysisWorkspace();
  ASSERT_EQ(RunCalculation(*data, *work).status, CalculationStatus::Success);

  const std::string csv = NodeTableCsv(*data);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < csv.size();) {
    const std::size_t end = csv.find('\n', at);
    lines.push_back(csv.substr(at, end - at));
    at = end + 1;
  }
  ASSERT_EQ(lines.size(), 102u);
  EXPECT_EQ(lines[0], "node,x,w,Q,M,QRight,MRight");
  for (int j = 0; j <= 100; ++j) {
    const std::string& line = lines[j + 1];
    if (j != 50) {
      EXPECT_TRUE(line.ends_with(",,")) << line;
      continue;
    }
    std::vector<double> cells;
    std::size_t at = 0;
    for (std::size_t comma; (comma = line.find(',', at)) != std::string::npos; at = comma + 1) {
      cells.push_back(ReadReal(line.substr(at, comma - at)));
    }
    cells.push_back(ReadReal(line.substr(at)));
    ASSERT_EQ(cells.size(), 7u) << line;
    EXPECT_EQ(cells[1], 3.0);
    EXPECT_NEAR(cells[3], 198.75, 0.01);
    EXPECT_NEAR(cells[4], 245.43, 0.01);
    EXPECT_NEAR(cells[5], -301.25, 0.01);
    EXPECT_NEAR(cells[6], 445.43, 0.01);
  }

  const auto json = nlohmann::ordered_json::parse(*ResultsJsonText(*data));
  using Names = std::vector<std::string>;
  EXPECT_FALSE(json.contains("insideJumps"));
  const auto& column = json["nodes"][50];
  EXPECT_EQ(Keys(column), (Names{"x", "w", "Q", "QRight", "M", "MRight"}));
  EXPECT_NEAR(column["Q"].get<double>(), 198.75, 0.01);
  EXPECT_NEAR(column["QRight"].get<double>(), -301.25, 0.01);
  EXPECT_NEAR(column["M"].get<double>(), 245.43, 0.01);
  EXPECT_NEAR(column["MRight"].get<double>(), 445.43, 0.01);
  EXPECT_EQ(Keys(json["nodes"][49]), (Names{"x", "w", "Q", "M"}));
  const auto& extremes = json["extremes"];
  const struct {
    int index;
    double value;
    const char* side;  // nullptr: at a point without a jump
  } expected[] = {
      {2, -301.25, "right"}, {3, 198.75, "left"}, {4, 0.0, nullptr}, {5, 445.43, "right"}};
  for (const auto& e : expected) {
    const auto& extreme = extremes[e.index];
    EXPECT_NEAR(extreme["value"].get<double>(), e.value, 0.01) << e.index;
    EXPECT_EQ(extreme["x"].get<double>(), e.side ? 3.0 : 0.0) << e.index;
    if (e.side) {
      EXPECT_EQ(extreme["side"], e.side) << e.index;
    } else {
      EXPECT_FALSE(extreme.contains("side")) << e.index;
    }
  }

  // The column halfway along element 50 (3.00 .. 3.06 m): the nodes jump nowhere, the CSV is
  // as it always was, and the point inside has both sides, 500 kN and 200 kNm apart.
  data->points[1].force = data->points[1].moment = 0.0;
  data->loadsAnywhereCount = 1;
  data->loadsAnywhere[0] = {3.03, 500.0, 200.0};
  ASSERT_EQ(RunCalculation(*data, *work).status, CalculationStatus::Success);
  EXPECT_TRUE(NodeTableCsv(*data).starts_with("node,x,w,Q,M\n0,0,"));
  const auto inside = nlohmann::ordered_json::parse(*ResultsJsonText(*data));
  ASSERT_EQ(inside["insideJumps"].size(), 1u);
  const auto& point = inside["insideJumps"][0];
  EXPECT_EQ(Keys(point), (Names{"x", "w", "Q", "QRight", "M", "MRight"}));
  EXPECT_NEAR(point["x"].get<double>(), 3.03, 1e-12);
  EXPECT_NEAR(point["Q"].get<double>() - point["QRight"].get<double>(), 500.0, 1e-9);
  EXPECT_NEAR(point["MRight"].get<double>() - point["M"].get<double>(), 200.0, 1e-9);
  EXPECT_EQ(Keys(inside["nodes"][50]), (Names{"x", "w", "Q", "M"}));
}

TEST(ResultsJson, ValuesBeyondTheRangeOfDoublesGiveNoDocument) {
  // Every element's load is finite, their sum over the beam is not.
  auto data = std::make_unique<ProblemData>();
  data->sectionCount = 1;
  data->elementCount = 1000;
  data->sections[0] = {100.0, 1e305, 10.0};
  data->beamWidth = 100.0;
  auto work = MakeAnalysisWorkspace();
  ASSERT_EQ(RunCalculation(*data, *work).status, CalculationStatus::Success);
  EXPECT_FALSE(ComputeResultQuantities(*data).finite);
  EXPECT_FALSE(ResultsJsonText(*data).has_value());
}

TEST(ResultsJson, CasesAsReadAndTheEnvelopeWithWhatGovernsEachValue) {
  auto data = std::make_unique<ProblemData>();
  data->elementCount = 10;
  test::MakeLoadCases(*data);
  data->loadCases.movingLoad.step = 7.5;  // positions 0, 7.5, ... 30, 32.5
  auto work = MakeAnalysisWorkspace();
  auto scratch = std::make_unique<ProblemData>();
  auto envelope = std::make_unique<Envelope>();
  ASSERT_EQ(RunEnvelope(*data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  const std::optional<std::string> text = EnvelopeJsonText(*data, *envelope);
  ASSERT_TRUE(text.has_value());
  const auto json = nlohmann::ordered_json::parse(*text);
  using Names = std::vector<std::string>;
  EXPECT_EQ(Keys(json), (Names{"cases", "combinations", "foundation", "envelope"}));
  EXPECT_EQ(json["cases"][0], nlohmann::ordered_json::parse(R"({"name": "Dead",
      "sectionLoads": [10.0, 10.0, 10.0], "pointForces": [0.0, 0.0, 0.0, 0.0],
      "pointMoments": [0.0, 0.0, 0.0, 0.0],
      "loadsAnywhere": [{"x": 12.5, "force": 100.0, "moment": -5.0}]})"));
  EXPECT_EQ(json["cases"][1]["name"], "Live \xC3\xA4");
  EXPECT_EQ(json["cases"][1]["pointMoments"], nlohmann::ordered_json::parse("[0, 0, 0, -4.25]"));
  EXPECT_EQ(json["combinations"], nlohmann::ordered_json::parse(R"([
      {"name": "ULS", "factors": [1.35, 1.5]}, {"name": "Live only", "factors": [0.0, 1.0]}])"));

  // Two combinations and six positions, each with three soil factors.
  const auto& e = json["envelope"];
  EXPECT_EQ(Keys(e), (Names{"states", "nodes", "elements", "accuracy"}));
  EXPECT_EQ(e["states"], 24);
  ASSERT_EQ(e["nodes"].size(), 11u);
  ASSERT_EQ(e["elements"].size(), 10u);
  const auto expect = [&](const nlohmann::ordered_json& item, const EnvelopeValue& value) {
    EXPECT_EQ(Keys(item), (Names{"value", "governs", "w", "Q", "M"}));
    EXPECT_EQ(item["value"].get<double>(), value.value);
    EXPECT_EQ(item["w"].get<double>(), value.w);
    EXPECT_EQ(item["Q"].get<double>(), value.Q);
    EXPECT_EQ(item["M"].get<double>(), value.M);
    // The moving load rides on "ULS"; its leading axle stands at a whole number of steps.
    const char* names[] = {"ULS", "Live only"};
    nlohmann::ordered_json governs = {{"combination", names[value.state.combination]}};
    if (value.state.position >= 0) governs["axleX"] = std::min(7.5 * value.state.position, 32.5);
    governs["soilFactor"] = (std::array{0.5, 1.0, 2.0})[value.state.soilFactor];
    EXPECT_EQ(item["governs"], governs);
  };
  for (int j = 0; j <= 10; ++j) {
    SCOPED_TRACE(j);
    const auto& node = e["nodes"][j];
    const NodeEnvelope& n = envelope->nodes[j];
    EXPECT_EQ(Keys(node), (Names{"x", "wMax", "wMin", "QMax", "QMin", "MMax", "MMin"}));
    EXPECT_EQ(node["x"].get<double>(), n.x);
    expect(node["wMax"], n.wMax);
    expect(node["wMin"], n.wMin);
    expect(node["QMax"], n.QMax);
    expect(node["QMin"], n.QMin);
    expect(node["MMax"], n.MMax);
    expect(node["MMin"], n.MMin);
    if (j == 10) break;
    EXPECT_EQ(Keys(e["elements"][j]), (Names{"x0", "x1", "pMax", "pMin"}));
    expect(e["elements"][j]["pMax"], envelope->elements[j].pMax);
    expect(e["elements"][j]["pMin"], envelope->elements[j].pMin);
  }
  // The accuracy is the worst of the states'.
  EXPECT_EQ(e["accuracy"]["M"].get<double>(), envelope->accuracy.M);

  // With no combinations a case governs by its name; a problem without load cases has neither
  // "cases" nor "combinations" (the first test holds its fields).
  data->loadCases.combinationCount = 0;
  data->loadCases.movingLoad.axleCount = 0;
  data->loadCases.soilFactorCount = 0;
  ASSERT_EQ(RunEnvelope(*data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  const auto byCase = nlohmann::ordered_json::parse(*EnvelopeJsonText(*data, *envelope));
  EXPECT_EQ(byCase["envelope"]["states"], 2);
  const std::string governing = byCase["envelope"]["nodes"][5]["wMax"]["governs"]["case"];
  EXPECT_EQ(governing, envelope->nodes[5].wMax.state.combination == 0 ? "Dead" : "Live \xC3\xA4");
  EXPECT_EQ(byCase["combinations"], nlohmann::ordered_json::array());
}

}  // namespace
}  // namespace pelvar
