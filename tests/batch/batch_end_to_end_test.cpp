// Runs the built pelvar-batch as a separate process, as scripts and CI do.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/calculation.h"
#include "batch/drawing_loader.h"
#include "files/problem_file.h"
#include "pelvar_version.h"
#include "text/number_format.h"
#include "text/number_reader.h"

namespace pelvar {
namespace {

namespace fs = std::filesystem;

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class BatchCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("pelvar_batch_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // prefix goes before the command in the shell: a limit, or a change of user.
  RunResult Run(const std::vector<std::string>& arguments, const std::string& prefix = "",
                const std::string& program = PELVAR_BATCH_PATH) const {
    std::string command = prefix;
    command += ShellQuoted(program);
    for (const std::string& argument : arguments) command.append(" ").append(ShellQuoted(argument));
    const fs::path out = folder_ / "stdout.txt", err = folder_ / "stderr.txt";
    command += " </dev/null >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string());
    const int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = Contents(out);
    result.err = Contents(err);
    fs::remove(out);
    fs::remove(err);
    return result;
  }

  fs::path Put(const std::string& name, const std::string& bytes) const {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // The names in the folder, hidden ones included, so a forgotten temporary file shows up.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  fs::path folder_;
};

constexpr const char* kDemoSummary =
    "Minimum displacement :        0.139 m\n"
    "Maximum displacement :        0.164 m\n"
    "Minimum shear force :       -50.000 kN\n"
    "Maximum shear force :        50.000 kN\n"
    "Minimum moment :              0.000 kNm\n"
    "Maximum moment :            356.780 kNm\n";

// The problem saved as a data file, for the command to read.
std::string FileOf(void (*change)(ProblemData&)) {
  auto data = std::make_unique<ProblemData>();
  change(*data);
  return ProblemFileText(*data);
}

std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(csv);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos;
         start = comma + 1) {
      cells.push_back(line.substr(start, comma - start));
    }
    cells.push_back(line.substr(start));
    rows.push_back(cells);
  }
  return rows;
}

// A build without the window toolkit has no report writer: the tests that write reports have
// nothing to run there.
#define SKIP_WITHOUT_REPORTS() \
  if (!kBuiltWithReports) GTEST_SKIP() << "this pelvar-batch is built without the report writer"

#ifdef PELVAR_BATCH_WITH_REPORT
constexpr bool kBuiltWithReports = true;
#else
constexpr bool kBuiltWithReports = false;
#endif

// The demonstration problem with a second case and combinations of the two: "Twice" is twice
// the first case ("Dead"), "Sum" the two cases together.
void AddLoadCases(ProblemData& data) {
  LoadCases& cases = data.loadCases;
  cases.caseCount = 2;
  cases.cases[0].name.Set("Dead");
  cases.cases[1].name.Set("Live \xE4");
  cases.cases[1].sectionLoad = {0.0, 5.0, 0.0};
  cases.cases[1].pointForce[1] = 20.0;
  cases.combinationCount = 2;
  cases.combinations[0].name.Set("Twice");
  cases.combinations[0].factor = {2.0, 0.0};
  cases.combinations[1].name.Set("Sum");
  cases.combinations[1].factor = {1.0, 1.0};
}

TEST_F(BatchCommand, OneCaseOrCombinationIsSolvedAndReportedAsOneProblem) {
  const fs::path input = Put("cases.plv", FileOf(AddLoadCases));
  const RunResult plain = Run({input.string(), "--json", "-"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  const std::string jsonStart = std::string(kDemoSummary);
  ASSERT_EQ(plain.out.rfind(kDemoSummary, 0), 0u);
  const auto first = nlohmann::json::parse(plain.out.substr(jsonStart.size()));
  // The cases and combinations as read, the first case from the tables.
  EXPECT_EQ(first["cases"][0]["name"], "Dead");
  EXPECT_EQ(first["cases"][0]["sectionLoads"], nlohmann::json::parse("[10.0, 10.0, 10.0]"));
  EXPECT_EQ(first["cases"][1]["name"], "Live \xC3\xA4");
  EXPECT_EQ(first["cases"][1]["sectionLoads"], nlohmann::json::parse("[0.0, 5.0, 0.0]"));
  EXPECT_EQ(first["cases"][1]["pointForces"], nlohmann::json::parse("[0.0, 20.0, 0.0, 0.0]"));
  EXPECT_EQ(first["combinations"][1],
            nlohmann::json::parse(R"({"name": "Sum", "factors": [1.0, 1.0]})"));
  // The first case alone is what the tables hold.
  const RunResult dead = Run({input.string(), "--case", "Dead", "--json", "-"});
  ASSERT_EQ(dead.status, 0) << dead.err;
  EXPECT_EQ(dead.out, plain.out);

  // On linear soil twice the loads give twice the results.
  const fs::path saved = folder_ / "twice.plv";
  const RunResult twice =
      Run({input.string(), "--combination", "Twice", "--json", "-", "--save", saved.string()});
  ASSERT_EQ(twice.status, 0) << twice.err;
  const auto doubled = nlohmann::json::parse(twice.out.substr(twice.out.find('{')));
  ASSERT_EQ(doubled["nodes"].size(), 101u);
  EXPECT_EQ(doubled["cases"], first["cases"]);
  for (std::size_t j = 0; j < 101; ++j) {
    SCOPED_TRACE(j);
    for (const char* quantity : {"w", "Q", "M"}) {
      EXPECT_NEAR(doubled["nodes"][j][quantity].get<double>(),
                  2.0 * first["nodes"][j][quantity].get<double>(), 1e-9);
    }
  }
  // --save keeps the problem as read, its cases included, with the combination's results in
  // the output block.
  const std::string file = Contents(saved);
  EXPECT_NE(file.find("\r\nLoad cases,     2,     2,     0,     0,\r\n"), std::string::npos);
  const auto& node = doubled["nodes"][50];
  const std::string outputLine =
      FormatText("\r\n%6d,%9.3f,%9.3f,%12.3f,%12.3f,\r\n", 50, node["x"].get<double>(),
                 node["w"].get<double>(), node["Q"].get<double>(), node["M"].get<double>());
  EXPECT_NE(file.find(outputLine), std::string::npos) << outputLine;
  auto back = std::make_unique<ProblemData>();
  ASSERT_TRUE(ReadProblemFile(*back, saved.string()).ok);
  EXPECT_EQ(back->loadCases.combinationCount, 2);
  EXPECT_EQ(back->sections[0].load, 10.0);

  // Names are typed in UTF-8 and compared as the file holds them, in Windows-1252.
  const RunResult live = Run({input.string(), "--case", "Live \xC3\xA4", "--json", "-"});
  ASSERT_EQ(live.status, 0) << live.err;
  const auto liveTotals = nlohmann::json::parse(live.out.substr(live.out.find('{')))["equilibrium"];
  EXPECT_NEAR(liveTotals["load"].get<double>(), 5.0 * 10.0, 1e-12);
  EXPECT_EQ(liveTotals["pointForces"].get<double>(), 20.0);
  for (const auto& [arguments, message] :
       std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{input.string(), "--case", "Live"}, "there is no load case \"Live\""},
           {{input.string(), "--combination", "Dead"}, "there is no combination \"Dead\""},
           {{input.string(), "--envelope", "--step", "1"},
            "--step needs a moving load, in the data file or from --moving-load"}}) {
    SCOPED_TRACE(message);
    const RunResult refused = Run(arguments);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "pelvar-batch: " + message + "\n");
  }
}

TEST_F(BatchCommand, EnvelopeGathersEveryStateWithWhatGoverns) {
  // The envelope of one combination is that combination's result.
  const fs::path input = Put("twice.plv", FileOf([](ProblemData& data) {
                               AddLoadCases(data);
                               data.loadCases.combinationCount = 1;
                             }));
  const RunResult one = Run({input.string(), "--combination", "Twice", "--json", "-"});
  ASSERT_EQ(one.status, 0) << one.err;
  const auto state = nlohmann::json::parse(one.out.substr(one.out.find('{')));
  const RunResult run = Run({input.string(), "--envelope", "--json", "-"});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.out.rfind("Envelope of 1 states\n", 0), 0u) << run.out;
  const auto document = nlohmann::json::parse(run.out.substr(run.out.find('{')));
  const auto& envelope = document["envelope"];
  EXPECT_EQ(envelope["states"], 1);
  EXPECT_EQ(envelope["accuracy"], state["accuracy"]);
  EXPECT_EQ(document["combinations"], state["combinations"]);
  ASSERT_EQ(envelope["nodes"].size(), 101u);
  ASSERT_EQ(envelope["elements"].size(), 100u);
  const auto governs = nlohmann::json::parse(R"({"combination": "Twice"})");
  for (std::size_t j = 0; j < 101; ++j) {
    SCOPED_TRACE(j);
    const auto& node = envelope["nodes"][j];
    EXPECT_EQ(node["x"], state["nodes"][j]["x"]);
    for (const char* quantity : {"w", "Q", "M"}) {
      for (const char* kind : {"Max", "Min"}) {
        const auto& extreme = node[std::string(quantity) + kind];
        EXPECT_EQ(extreme["value"], state["nodes"][j][quantity]);
        EXPECT_EQ(extreme["governs"], governs);
        for (const char* coincident : {"w", "Q", "M"}) {
          EXPECT_EQ(extreme[coincident], state["nodes"][j][coincident]);
        }
      }
    }
    if (j < 100) {
      EXPECT_EQ(envelope["elements"][j]["pMax"]["value"], state["elements"][j]["p"]);
      EXPECT_EQ(envelope["elements"][j]["pMin"]["value"], state["elements"][j]["p"]);
    }
  }

  // Half and double the springs bracket them as given; the summary names the extreme's place
  // and state, the node table is the envelope's.
  const RunResult soft =
      Run({input.string(), "--envelope", "--soil-factors", "0.5,2", "--json", "-"});
  ASSERT_EQ(soft.status, 0) << soft.err;
  const auto bracket = nlohmann::json::parse(soft.out.substr(soft.out.find('{')))["envelope"];
  EXPECT_EQ(bracket["states"], 2);
  double largestW = -1.0;
  std::size_t at = 0;
  for (std::size_t j = 0; j < 101; ++j) {
    SCOPED_TRACE(j);
    const double w = state["nodes"][j]["w"].get<double>();
    EXPECT_LT(bracket["nodes"][j]["wMin"]["value"].get<double>(), w);
    EXPECT_GT(bracket["nodes"][j]["wMax"]["value"].get<double>(), w);
    EXPECT_EQ(bracket["nodes"][j]["wMax"]["governs"],
              nlohmann::json::parse(R"({"combination": "Twice", "soilFactor": 0.5})"));
    if (bracket["nodes"][j]["wMax"]["value"].get<double>() > largestW) {
      largestW = bracket["nodes"][j]["wMax"]["value"].get<double>();
      at = j;
    }
  }
  const std::string maximumLine =
      FormatText("Maximum displacement : %12.3f m at x = %.3f m, \"Twice\", soil factor 0.5\n",
                 largestW, bracket["nodes"][at]["x"].get<double>());
  EXPECT_NE(soft.out.find(maximumLine), std::string::npos) << soft.out;
  const RunResult table =
      Run({input.string(), "--envelope", "--soil-factors", "0.5,2", "--nodes", "-"});
  ASSERT_EQ(table.status, 0) << table.err;
  const auto rows = CsvRows(table.out.substr(table.out.find("node,")));
  ASSERT_EQ(rows.size(), 102u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"node", "x", "wMax", "wMin", "QMax", "QMin", "MMax",
                                               "MMin"}));
  EXPECT_EQ(ReadReal(rows[51][2]), bracket["nodes"][50]["wMax"]["value"].get<double>());
  EXPECT_EQ(ReadReal(rows[51][7]), bracket["nodes"][50]["MMin"]["value"].get<double>());

  // Every position of a moving load is a state: 31 one metre apart on the beam of 30 m.
  const RunResult moving =
      Run({input.string(), "--envelope", "--moving-load", "100", "--step", "1"});
  ASSERT_EQ(moving.status, 0) << moving.err;
  EXPECT_EQ(moving.out.rfind("Envelope of 32 states\n", 0), 0u) << moving.out;
  // A metre steps over the elements of 0.303 m: the envelope may miss peaks, and says so.
  EXPECT_NE(moving.err.find("pelvar-batch: Warning : The moving load's step of 1.000 m is longer "
                            "than the elements of 0.303 m: its envelope may miss the peaks "
                            "between its positions; a step of 0.303 m or less finds them.\n"),
            std::string::npos)
      << moving.err;
  // On soil that takes no tension an axle alone nearer an end than its springs' first middle,
  // 0.15 m in, tips the beam: those positions are left out, and named.
  const RunResult tips = Run({input.string(), "--envelope", "--no-tension", "--moving-load", "100",
                              "--step", "0.1", "--json", "-"});
  ASSERT_EQ(tips.status, 0) << tips.err;
  EXPECT_EQ(tips.out.rfind("Envelope of 298 states\n", 0), 0u) << tips.out;  // of 302
  EXPECT_NE(tips.out.find("\nLeft out of the envelope: 4 states in which the beam tips off the "
                          "soil, with the leading axle at x = 0.000 to 0.100 m and at x = 29.900 "
                          "to 30.000 m.\n"),
            std::string::npos)
      << tips.out;
  EXPECT_EQ(
      nlohmann::json::parse(tips.out.substr(tips.out.find('{')))["envelope"]["leftOut"],
      nlohmann::json::parse(R"([{"axleX": 0}, {"axleX": 0.1}, {"axleX": 29.9}, {"axleX": 30}])"));
  EXPECT_EQ(tips.err.find("step"), std::string::npos) << tips.err;  // shorter than the elements
  const RunResult tooMany =
      Run({input.string(), "--envelope", "--moving-load", "100:2:100", "--step", "0.001"});
  EXPECT_EQ(tooMany.status, 1);
  EXPECT_EQ(tooMany.err,
            "pelvar-batch: Error : The moving load takes more than 10000 positions.\n"
            "Make its step longer.\nNo output given.\n");
}

TEST_F(BatchCommand, DemoPrintsTheSixSummaryTexts) {
  const RunResult result = Run({"--demo"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, kDemoSummary);
  EXPECT_EQ(result.err, "");

  // Reading the demonstration problem from a file gives the same.
  const fs::path file = Put("Demo.plv", FileOf([](ProblemData&) {}));
  const RunResult fromFile = Run({file.string()});
  EXPECT_EQ(fromFile.status, 0);
  EXPECT_EQ(fromFile.out, kDemoSummary);

  // Elements long for stiff springs: the summary all the same, and one warning line that names
  // the least accurate quantity and what helps.
  for (int elements : {100, 1000}) {
    auto stiff = std::make_unique<ProblemData>();
    stiff->sectionCount = 1;
    stiff->elementCount = elements;
    stiff->stiffnessEI = 100.0;
    stiff->sections[0] = {50.0, 0.0, 1.0e6};
    stiff->points[0].force = 10.0;
    const RunResult warned = Run({Put("Stiff.plv", ProblemFileText(*stiff)).string()});
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.out.substr(0, 23), "Minimum displacement : ");
    EXPECT_EQ(warned.err, elements == 100 ? "pelvar-batch: Warning : M is more than 1000 % off "
                                            "the exact beam; raise the number of elements.\n"
                                          : "pelvar-batch: Warning : M is up to 3.3 % off the "
                                            "exact beam; 1000 elements is the most.\n");
    if (elements == 100) {
      // The JSON keeps the whole figure that the warning caps: M 30.3 times its size off.
      const RunResult json = Run({"--json", "-", (folder_ / "Stiff.plv").string()});
      const std::size_t brace = json.out.find('{');
      ASSERT_NE(brace, std::string::npos);
      EXPECT_NEAR(nlohmann::json::parse(json.out.substr(brace))["accuracy"]["M"].get<double>(),
                  30.305, 0.001);
    }
  }

  // A beam whose exact solution cannot be had (values near the range of doubles) is answered
  // all the same, and the warning line says that its accuracy figures are not available. The
  // data file's columns would spell such numbers out in full; it holds them as exponents.
  auto huge = std::make_unique<ProblemData>();
  huge->sectionCount = 1;
  huge->elementCount = 10;
  huge->stiffnessEI = 7777777.0;
  huge->sections[0] = {3333.0, 5555.0, 8888.0};
  std::string text = ProblemFileText(*huge);
  for (const auto& [shown, exponent] : {std::pair{"7777777.0", "1e210"},
                                        {"3333.000", "1e7"},
                                        {"5555.000", "1e294"},
                                        {"8888.000", "1e82"}}) {
    const std::size_t at = text.find(shown);
    ASSERT_NE(at, std::string::npos) << shown;
    text.replace(at, std::string_view(shown).size(), exponent);
  }
  const RunResult unmeasured = Run({Put("Huge.plv", text).string()});
  EXPECT_EQ(unmeasured.status, 0);
  EXPECT_EQ(unmeasured.out.substr(0, 23), "Minimum displacement : ");
  EXPECT_EQ(unmeasured.err,
            "pelvar-batch: Warning : The accuracy against the exact beam is not available for "
            "this beam.\n");
}

TEST_F(BatchCommand, NodeTableReadsBackToTheCalculatedValues) {
  const fs::path csvPath = folder_ / "nodes.csv";
  const RunResult result = Run({"--demo", "--nodes", csvPath.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string csv = Contents(csvPath);
  EXPECT_EQ(csv.find('\r'), std::string::npos);
  ASSERT_FALSE(csv.empty());
  EXPECT_EQ(csv.back(), '\n');

  auto data = std::make_unique<ProblemData>();
  auto work = MakeAnalysisWorkspace();
  ASSERT_EQ(RunCalculation(*data, *work).status, CalculationStatus::Success);

  const auto rows = CsvRows(csv);
  ASSERT_EQ(rows.size(), 102u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"node", "x", "w", "Q", "M"}));
  for (int j = 0; j <= 100; ++j) {
    SCOPED_TRACE(j);
    const auto& row = rows[static_cast<std::size_t>(j) + 1];
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(ReadInteger(row[0]), j);
    EXPECT_EQ(ReadReal(row[1]), data->nodes[j].x);
    EXPECT_EQ(ReadReal(row[2]), data->nodes[j].w);
    EXPECT_EQ(ReadReal(row[3]), data->nodes[j].Q);
    EXPECT_EQ(ReadReal(row[4]), data->nodes[j].M);
  }
  // Shortest texts: no padding, no trailing zeros.
  EXPECT_EQ(rows[1][1], "0");
  EXPECT_NEAR(ReadReal(rows[101][1]), 30.0, 1e-9);

  // "-" puts the table on standard output after the summary.
  const RunResult toStdout = Run({"--demo", "--nodes", "-"});
  EXPECT_EQ(toStdout.status, 0);
  EXPECT_EQ(toStdout.out, kDemoSummary + csv);
}

TEST_F(BatchCommand, UniformBeamOnSpringsSettlesByLoadOverSpringModulus) {
  // One 20 m section, 10 kN/m² on 100 kN/m³: w = q/k = 0.1 m everywhere, no shear, no moment.
  const fs::path file = Put("Uniform.plv", FileOf([](ProblemData& data) {
                              data.sectionCount = 1;
                              data.sections[0] = {20.0, 10.0, 100.0};
                              data.elementCount = 40;
                              UpdatePointPositions(data);
                            }));
  const RunResult result = Run({file.string(), "--nodes", "-"});
  ASSERT_EQ(result.status, 0) << result.err;
  const auto rows = CsvRows(result.out.substr(result.out.find("node,")));
  ASSERT_EQ(rows.size(), 42u);
  for (std::size_t j = 1; j < rows.size(); ++j) {
    EXPECT_DOUBLE_EQ(ReadReal(rows[j][1]), 0.5 * static_cast<double>(j - 1));
    EXPECT_NEAR(ReadReal(rows[j][2]), 0.1, 1e-9);
    EXPECT_NEAR(ReadReal(rows[j][3]), 0.0, 1e-6);
    EXPECT_NEAR(ReadReal(rows[j][4]), 0.0, 1e-6);
  }
  EXPECT_EQ(result.out.substr(0, 76),
            "Minimum displacement :        0.100 m\n"
            "Maximum displacement :        0.100 m\n");

  // The JSON document: the soil pressure is the load everywhere, and "-" puts the same text
  // after the summary.
  const fs::path jsonPath = folder_ / "r.json";
  ASSERT_EQ(Run({file.string(), "--json", jsonPath.string()}).status, 0);
  const std::string text = Contents(jsonPath);
  const auto json = nlohmann::json::parse(text);
  ASSERT_EQ(json["elements"].size(), 40u);
  for (const auto& element : json["elements"]) {
    EXPECT_EQ(element["section"], 1);
    EXPECT_NEAR(element["p"].get<double>(), 10.0, 1e-9);
  }
  EXPECT_NEAR(json["equilibrium"]["load"].get<double>(), 200.0, 1e-9);
  const RunResult toStdout = Run({file.string(), "--json", "-"});
  EXPECT_EQ(toStdout.out, result.out.substr(0, result.out.find("node,")) + text);
}

TEST_F(BatchCommand, SaveWritesTheDataFileAsSaveWouldAfterTheCalculation) {
  const fs::path input = Put("in.plv", FileOf([](ProblemData& data) {
                               data.problemName.Set("Saved by batch");
                               data.points[1].force = 25.0;
                             }));
  // The name part becomes fileName: in Windows-1252 and cut to 59 bytes.
  const std::pair<std::string, std::string> names[] = {
      {"Result.plv", "Result.plv"},
      {"Beam, variant B.plv", "Beam"},  // as the file gives it back: a text ends at a comma
      {std::string(70, 'L') + ".plv", std::string(59, 'L')},
      {"Pr\xC3\xBC"
       "fung.plv",
       "Pr\xFC"
       "fung.plv"},
  };
  for (const auto& [name, fileName] : names) {
    SCOPED_TRACE(name);
    const fs::path target = folder_ / name;
    const RunResult result = Run({input.string(), "--save", target.string()});
    ASSERT_EQ(result.status, 0) << result.err;

    auto expected = std::make_unique<ProblemData>();
    ASSERT_TRUE(ReadProblemFile(*expected, input.string()).ok);
    auto work = MakeAnalysisWorkspace();
    ASSERT_EQ(RunCalculation(*expected, *work).status, CalculationStatus::Success);
    expected->fileName.Set(fileName);
    EXPECT_EQ(Contents(target), ProblemFileText(*expected));

    auto back = std::make_unique<ProblemData>();
    const FileResult read = ReadProblemFile(*back, target.string());
    ASSERT_TRUE(read.ok) << read.message;
    EXPECT_EQ(back->fileName.View(), fileName);
    EXPECT_EQ(back->problemName.View(), "Saved by batch");
    EXPECT_EQ(back->points[1].force, 25.0);
  }

  // --no-tension calculates on soil that takes no tension and --save stores it: a point load in
  // the middle of a long beam lifts it off beyond π/(2β) = 12.49 m either side.
  const fs::path longBeam = Put("long.plv", FileOf([](ProblemData& data) {
                                  data.sectionCount = 2;
                                  data.elementCount = 1000;
                                  data.sections[0] = data.sections[1] = {50.0, 0.0, 1000.0};
                                  data.points[1].force = 100.0;
                                  UpdatePointPositions(data);
                                }));
  const fs::path saved = folder_ / "lifted.plv";
  const RunResult lifted =
      Run({longBeam.string(), "--no-tension", "--save", saved.string(), "--json", "-"});
  ASSERT_EQ(lifted.status, 0) << lifted.err;
  const auto json = nlohmann::json::parse(lifted.out.substr(lifted.out.find('{')));
  EXPECT_EQ(json["foundation"], "compression-only");
  EXPECT_GT(json["rounds"].get<int>(), 1);
  const double expected[2][2] = {{0.0, 37.5}, {62.5, 100.0}};
  ASSERT_EQ(json["liftOff"].size(), 2u);
  for (int r = 0; r < 2; ++r) {
    for (int e = 0; e < 2; ++e)
      EXPECT_NEAR(json["liftOff"][r][e].get<double>(), expected[r][e], 1e-9);
  }
  auto back = std::make_unique<ProblemData>();
  ASSERT_TRUE(ReadProblemFile(*back, saved.string()).ok);
  EXPECT_TRUE(back->noTension);
  EXPECT_EQ(Run({longBeam.string(), "--json", "-"}).out.find("compression-only"),
            std::string::npos);
}

TEST_F(BatchCommand, RefusedOrMissingFilesExitWithTwo) {
  const fs::path refused = Put("bad.plv", FileOf([](ProblemData& data) { data.sectionCount = 2; }));
  std::string bytes = Contents(refused);
  bytes.replace(bytes.find("         2,"), 11, "        25,");
  Put("bad.plv", bytes);
  RunResult result = Run({refused.string(), "--save", (folder_ / "out.plv").string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "pelvar-batch: \"" + refused.string() +
                            "\", line 13: the number of sections is 25; it must lie between 1 "
                            "and 20.\n");
  EXPECT_FALSE(fs::exists(folder_ / "out.plv"));

  const std::string missing = (folder_ / "none.plv").string();
  result = Run({missing});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err,
            "pelvar-batch: Cannot open \"" + missing + "\": No such file or directory.\n");

  for (const std::string& odd : {folder_.string(), std::string("/dev/null")}) {
    result = Run({odd});
    EXPECT_EQ(result.status, 2) << odd;
    EXPECT_NE(result.err.find(odd), std::string::npos) << result.err;
  }

  // A problem whose data file would not read back is not saved, and the outputs before it on
  // the command line are not written either.
  std::string hugeBytes = FileOf([](ProblemData&) {});
  hugeBytes.replace(hugeBytes.find("     1000000.0,"), 15, "1e150,");
  const fs::path huge = Put("huge.plv", hugeBytes);
  const fs::path hugeSave = folder_ / "huge_saved.plv";
  const fs::path json = Put("a.json", "old json"), csv = Put("a.csv", "old csv");
  result = Run({huge.string(), "--json", json.string(), "--nodes", csv.string(), "--save",
                hugeSave.string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, "pelvar-batch: Cannot save \"" + hugeSave.string() +
                            "\": EI or the width has too many digits for the data file.\n");
  EXPECT_FALSE(fs::exists(hugeSave));
  EXPECT_EQ(Contents(json), "old json");
  EXPECT_EQ(Contents(csv), "old csv");

  // An output that cannot be written is reported after the summary.
  result = Run({"--demo", "--nodes", (folder_ / "no" / "n.csv").string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, kDemoSummary);
  EXPECT_EQ(result.err, "pelvar-batch: Cannot save \"" + (folder_ / "no" / "n.csv").string() +
                            "\": No such file or directory.\n");
}

TEST_F(BatchCommand, SingularProblemExitsWithOneAndTheThreeLines) {
  const fs::path file = Put("Floating.plv", FileOf([](ProblemData& data) {
                              for (SectionRow& section : data.sections) section.spring = 0.0;
                            }));
  const fs::path save = folder_ / "never.plv";
  const RunResult result = Run({file.string(), "--save", save.string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "Error : Matrix singular.\n"
            "Not enough resistance to carry loads.\n"
            "No output given.\n");
  EXPECT_FALSE(fs::exists(save));
  // What the supports leave free is pelvar-batch's own message.
  const fs::path pinned = Put("Pinned.plv", FileOf([](ProblemData& data) {
                                for (SectionRow& section : data.sections) section.spring = 0.0;
                                data.points[1].support.kind = SupportKind::Pinned;
                              }));
  const RunResult turns = Run({pinned.string()});
  EXPECT_EQ(turns.status, 1);
  EXPECT_EQ(turns.err,
            "pelvar-batch: Error : The supports and springs cannot hold the beam.\n"
            "It can turn about x = 10.000 m: add a support or springs away from there.\n"
            "No output given.\n");
}

TEST_F(BatchCommand, ProblemTheAnalysisCannotComputeExitsWithOne) {
  // 10 elements over 1000 m and 1 mm: the short section gets no element.
  const fs::path file = Put("Lopsided.plv", FileOf([](ProblemData& data) {
                              data.elementCount = 10;
                              data.sections[0].length = 1000.0;
                              data.sections[1] = {0.001, 10.0, 100.0};
                            }));
  const RunResult result = Run({file.string(), "--nodes", "-"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("pelvar-batch: ", 0), 0u) << result.err;
  EXPECT_GT(result.err.size(), 20u);
  EXPECT_EQ(result.err.back(), '\n');
}

TEST_F(BatchCommand, CommandLineErrorsAndHelp) {
  RunResult result = Run({});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "pelvar-batch: no data file given (or use --demo)\nTry \"pelvar-batch --help\".\n");

  result = Run({"--demo", "--frobnicate"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err,
            "pelvar-batch: unknown option \"--frobnicate\"\nTry \"pelvar-batch --help\".\n");

  result = Run({"--demo", "--nodes"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");

  result = Run({"--help"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out.rfind("Usage: pelvar-batch", 0), 0u);
  EXPECT_EQ(result.err, "");

  result = Run({"--version"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "pelvar-batch " PELVAR_VERSION "\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(BatchCommand, ReportIsWrittenAsPdfWithoutADisplay) {
  SKIP_WITHOUT_REPORTS();
  const fs::path pdf = folder_ / "demo report.pdf";
  const RunResult result = Run({"--demo", "--report", pdf.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");  // nothing of the toolkit's own chatter
  EXPECT_EQ(result.out.substr(0, 38), "Minimum displacement :        0.139 m\n");
  const std::string bytes = Contents(pdf);
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
  // With results the report ends with the graphs page: header page, output pages and graphs.
  if (std::system("command -v pdfinfo >/dev/null 2>&1") == 0) {
    const fs::path info = folder_ / "info.txt";
    const std::string command =
        "pdfinfo " + ShellQuoted(pdf.string()) + " > " + ShellQuoted(info.string());
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(Contents(info).find("Pages:           3"), std::string::npos) << Contents(info);
  }

  // A report that cannot be written fails the command and says why; a failed calculation
  // writes none.
  const RunResult unwritable = Run({"--demo", "--report", (folder_ / "no/such/r.pdf").string()});
  EXPECT_EQ(unwritable.status, 2);
  EXPECT_NE(unwritable.err.find("pelvar-batch: "), std::string::npos);
  const fs::path singular = Put("free.plv", FileOf([](ProblemData& data) {
                                  for (SectionRow& section : data.sections) section.spring = 0.0;
                                }));
  const RunResult failed = Run({singular.string(), "--report", (folder_ / "x.pdf").string()});
  EXPECT_EQ(failed.status, 1);
  EXPECT_FALSE(fs::exists(folder_ / "x.pdf"));
  const fs::path empty = Put("empty.plv", "");
  const RunResult refused = Run({empty.string(), "--report", (folder_ / "y.pdf").string()});
  EXPECT_EQ(refused.status, 2);
  EXPECT_FALSE(fs::exists(folder_ / "y.pdf"));
}

// With load cases the report has their pages; with --envelope its results are the envelope the
// summary and the JSON give, after the input and the load cases, without one state's tables.
TEST_F(BatchCommand, ReportWithLoadCasesAndTheEnvelope) {
  SKIP_WITHOUT_REPORTS();
  const fs::path input = Put("cases.plv", FileOf(AddLoadCases));
  const fs::path envelopePdf = folder_ / "envelope.pdf", plainPdf = folder_ / "plain.pdf";
  const RunResult enveloped =
      Run({input.string(), "--envelope", "--json", "-", "--report", envelopePdf.string()});
  ASSERT_EQ(enveloped.status, 0) << enveloped.err;
  EXPECT_EQ(enveloped.out.rfind("Envelope of 2 states\n", 0), 0u);
  EXPECT_EQ(Contents(envelopePdf).substr(0, 5), "%PDF-");
  const RunResult plain = Run({input.string(), "--report", plainPdf.string()});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(Contents(plainPdf).substr(0, 5), "%PDF-");
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) return;
  const auto text = [&](const fs::path& pdf) {
    const fs::path txt = folder_ / "text.txt";
    const std::string command =
        "pdftotext -raw " + ShellQuoted(pdf.string()) + " " + ShellQuoted(txt.string());
    EXPECT_EQ(std::system(command.c_str()), 0);
    // Runs of blanks and line ends made single blanks.
    std::string simple;
    for (char c : Contents(txt)) {
      if (c == '\n' || c == '\f') c = ' ';
      if (c != ' ' || (!simple.empty() && simple.back() != ' ')) simple += c;
    }
    return simple;
  };
  // One combination is the report's only case, under its name.
  const fs::path sumPdf = folder_ / "sum.pdf";
  const RunResult sum = Run({input.string(), "--combination", "Sum", "--report", sumPdf.string()});
  ASSERT_EQ(sum.status, 0) << sum.err;
  const std::string withSum = text(sumPdf);
  EXPECT_NE(withSum.find("Load Cases Case 1: \"Sum\" Section and point loads"), std::string::npos)
      << withSum;
  for (const char* title : {"Case 2", "Combinations", "Envelope"}) {
    EXPECT_EQ(withSum.find(title), std::string::npos) << title;
  }
  const std::string withEnvelope = text(envelopePdf), withResults = text(plainPdf);
  for (const char* title : {"Input Data", "Load Cases", "Case 2: \"Live \xC3\xA4\"", "Combinations",
                            "Envelope", "Extremes over 2 states", "Governing States"}) {
    EXPECT_NE(withEnvelope.find(title), std::string::npos) << title;
    EXPECT_NE(withResults.find(title), std::string::npos) << title;
  }
  for (const char* title : {"Output Data", "Graphs"}) {
    EXPECT_EQ(withEnvelope.find(title), std::string::npos) << title;
    EXPECT_NE(withResults.find(title), std::string::npos) << title;
  }
  // Node 50's row: x, then each extreme with the number of the state that governs it.
  const auto document = nlohmann::json::parse(enveloped.out.substr(enveloped.out.find('{')));
  const auto& node = document["envelope"]["nodes"][50];
  const std::string row =
      FormatText("50 %.3f %.6f [", node["x"].get<double>(), node["wMax"]["value"].get<double>());
  EXPECT_NE(withEnvelope.find(row), std::string::npos) << row << "\n" << withEnvelope;
  const std::string moment = FormatText(" %.3f [", node["MMax"]["value"].get<double>());
  EXPECT_NE(withEnvelope.find(moment, withEnvelope.find(row)), std::string::npos) << moment;
}

TEST_F(BatchCommand, PictureIsWrittenAsPngOrSvgWithoutADisplay) {
  SKIP_WITHOUT_REPORTS();
  // A name full of markup, as a data file may bring it.
  const fs::path input = Put("marked.plv", FileOf([](ProblemData& data) {
                               data.problemName.Set("</title><script>x</script><title> <t>&\"");
                             }));
  const fs::path png = folder_ / "d.png", svg = folder_ / "d.SVG";
  RunResult result = Run({input.string(), "--picture", png.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  // The PNG's header gives its size: 1200 x 900 unless asked otherwise.
  auto pngSize = [&](const fs::path& path) {
    const std::string bytes = Contents(path);
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return std::string();
    auto number = [&](std::size_t at) {
      unsigned value = 0;
      for (std::size_t k = 0; k < 4; ++k)
        value = value * 256 + static_cast<unsigned char>(bytes[at + k]);
      return std::to_string(value);
    };
    return number(16) + "x" + number(20);
  };
  EXPECT_EQ(pngSize(png), "1200x900");
  result = Run({input.string(), "--picture-size", "640x480", "--picture", png.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(pngSize(png), "640x480");

  // An SVG holds its texts as text and the name escaped in its title; the name and the day's
  // date (in the local time zone, as the day turns perhaps during the run) head the picture,
  // as the results window's export does.
  auto today = [] {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return std::string(text);
  };
  const std::string dayBefore = today();
  result = Run({input.string(), "--picture", svg.string()});
  const std::string dayAfter = today();
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string document = Contents(svg);
  EXPECT_EQ(document.rfind("<?xml", 0), 0u);
  const std::string escapedName =
      "&lt;/title&gt;&lt;script&gt;x&lt;/script&gt;&lt;title&gt; &lt;t&gt;&amp;&quot;";
  EXPECT_NE(document.find("<title>" + escapedName + "</title>"), std::string::npos);
  EXPECT_NE(document.find(">" + escapedName + "</text>"), std::string::npos);
  EXPECT_TRUE(document.find(">" + dayBefore + "</text>") != std::string::npos ||
              document.find(">" + dayAfter + "</text>") != std::string::npos)
      << dayBefore;
  EXPECT_EQ(document.find("<script"), std::string::npos);
  EXPECT_NE(document.find(">x (m)</text>"), std::string::npos);

  // With --envelope the picture is the envelope's, named in its heading, its four bands shaded
  // with the light tint of their curves.
  const fs::path cases = Put("cases.plv", FileOf(AddLoadCases));
  const fs::path band = folder_ / "envelope.svg";
  result = Run({cases.string(), "--envelope", "--picture", band.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.rfind("Envelope of 2 states\n", 0), 0u) << result.out;
  const std::string banded = Contents(band);
  EXPECT_NE(banded.find(">Demonstration Problem - Envelope of 2 states</text>"), std::string::npos);
  std::size_t tints = 0;
  for (std::size_t at = 0; (at = banded.find("fill-opacity=\"0.25098\"", at)) != std::string::npos;
       ++at) {
    ++tints;
  }
  EXPECT_EQ(tints, 4u);
  const fs::path bandPng = folder_ / "envelope.png";
  result = Run({cases.string(), "--envelope", "--picture", bandPng.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(pngSize(bandPng), "1200x900");

  // The picture is an output like the others: never the data file read, never written when
  // the calculation fails.
  result = Run({input.string(), "--picture", input.string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("--picture"), std::string::npos) << result.err;
  const fs::path singular = Put("free.plv", FileOf([](ProblemData& data) {
                                  for (SectionRow& section : data.sections) section.spring = 0.0;
                                }));
  result = Run({singular.string(), "--picture", (folder_ / "x.png").string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(fs::exists(folder_ / "x.png"));
}

#ifdef PELVAR_BATCH_WITH_REPORT
// The report and the picture come from a module that the command loads from beside its own real
// file, as installed, or from the install folder; never from the current folder or a search
// path, and never from a place that others could have changed. Where no place serves, both fail
// after the summary, and nothing is written.
TEST_F(BatchCommand, DrawingModuleComesOnlyFromBesideTheCommandAndFromTrustedFolders) {
  // The build puts the module where the built command looks first.
  const std::vector<std::string> builtPlaces =
      DrawingModulePlaces(fs::canonical(PELVAR_BATCH_PATH).string());
  ASSERT_FALSE(builtPlaces.empty());
  EXPECT_TRUE(fs::equivalent(builtPlaces.front(), PELVAR_DRAWING_MODULE_PATH));
  const std::string installed =
      (fs::path(PELVAR_DRAWING_MODULE_INSTALLED) / "pelvar-batch-drawing.so").string();
  if (fs::exists(installed)) GTEST_SKIP() << "a module is installed at " << installed;

  // A copy of the command in a tree of its own, as the package unpacks it, run from a folder
  // that holds the module, with that folder as the library search path.
  const fs::path tree = fs::canonical(folder_);
  fs::create_directories(tree / "bin");
  fs::create_directories(tree / "work");
  fs::copy_file(PELVAR_BATCH_PATH, tree / "bin/pelvar-batch");
  fs::copy_file(PELVAR_DRAWING_MODULE_PATH, tree / "work/pelvar-batch-drawing.so");
  const fs::path lib = (tree / "bin" / PELVAR_DRAWING_MODULE_FROM_BIN).lexically_normal();
  const fs::path module = lib / "pelvar-batch-drawing.so";
  const std::string work = tree / "work";
  const std::string prefix =
      "cd " + ShellQuoted(work) + " && LD_LIBRARY_PATH=" + ShellQuoted(work) + " ";
  const std::string missing = "\"" + installed + "\": No such file or directory";

  struct Case {
    void (*setUp)(const fs::path& lib, const fs::path& module);
    std::string reason;  // why the place beside the command is passed over; empty: it serves
  };
  const Case cases[] = {
      {[](const fs::path&, const fs::path&) {},
       "\"" + module.string() + "\": No such file or directory"},
      {[](const fs::path& lib, const fs::path& module) {
         fs::copy_file(PELVAR_DRAWING_MODULE_PATH, module);
         fs::permissions(lib, fs::perms::group_write, fs::perm_options::add);
       },
       "\"" + module.string() + "\": \"" + lib.string() +
           "\" can be written by others than its owner"},
      {[](const fs::path&, const fs::path& module) {
         fs::copy_file(PELVAR_DRAWING_MODULE_PATH, module);
         fs::permissions(module, fs::perms::others_write, fs::perm_options::add);
       },
       "\"" + module.string() + "\": \"" + module.string() +
           "\" can be written by others than its owner"},
      {[](const fs::path&, const fs::path& module) {
         std::ofstream(module) << std::string(200, 'x');
       },
       "\"" + module.string() + "\": invalid ELF header"},
      {[](const fs::path&, const fs::path& module) {
         fs::copy_file(PELVAR_DRAWING_MODULE_PATH, module);
       },
       ""},
  };
  for (const Case& c : cases) {
    fs::remove_all(tree / "lib");
    fs::create_directories(lib);
    c.setUp(lib, module);
    SCOPED_TRACE(c.reason);
    for (const std::string option : {"--report", "--picture"}) {
      const fs::path nodes = tree / "n.csv", output = tree / "out";
      const RunResult result = Run({"--demo", "--nodes", nodes.string(), option, output.string()},
                                   prefix, (tree / "bin/pelvar-batch").string());
      EXPECT_EQ(result.out, kDemoSummary);
      if (c.reason.empty()) {
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(Contents(output).substr(0, 4), option == "--report" ? "%PDF" : "\x89PNG");
      } else {
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, "pelvar-batch: cannot write " +
                                  std::string(option == "--report" ? "reports" : "pictures") +
                                  ": the drawing module cannot be loaded (" + c.reason + "; " +
                                  missing + ")\n");
        EXPECT_FALSE(fs::exists(nodes));
        EXPECT_FALSE(fs::exists(output));
      }
      fs::remove(nodes);
      fs::remove(output);
    }
  }
  // Another user's module is not taken either, where the test may make one.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(module.c_str(), 65534, 65534), 0);
    const RunResult result = Run({"--demo", "--report", (tree / "r.pdf").string()}, prefix,
                                 (tree / "bin/pelvar-batch").string());
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "pelvar-batch: cannot write reports: the drawing module cannot be loaded (\"" +
                  module.string() + "\": \"" + module.string() + "\" belongs to another user; " +
                  missing + ")\n");
  }
}
#endif

TEST_F(BatchCommand, OutputsThatWouldOverwriteTheInputOrEachOtherAreRefused) {
  SKIP_WITHOUT_REPORTS();
  const fs::path input = Put("same.plv", FileOf([](ProblemData&) {}));
  const std::string bytes = Contents(input);
  fs::create_symlink("same.plv", folder_ / "link.plv");
  fs::create_hard_link(input, folder_ / "hard.plv");
  fs::create_symlink("new.plv", folder_ / "dangling.plv");
  fs::create_directories(folder_ / "sub");
  const std::set<std::string> names = Names();
  const std::string in = input.string(), f = folder_.string();
  std::string deep = f;
  while (deep.size() <= 4096) deep += "/.";
  deep += "/same.plv";
  const auto overwrites = [&](const std::string& option, const std::string& path,
                              const std::string& read) {
    return option + " \"" + path + "\" would overwrite the data file read, \"" + read + "\"";
  };
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{in, "--report", in}, overwrites("--report", in, in)},
      {{in, "--json", f + "/hard.plv"}, overwrites("--json", f + "/hard.plv", in)},
      {{in, "--nodes", f + "/./same.plv"}, overwrites("--nodes", f + "/./same.plv", in)},
      {{in, "--save", f + "/link.plv"}, overwrites("--save", f + "/link.plv", in)},
      {{f + "/link.plv", "--save", f + "/hard.plv"},
       overwrites("--save", f + "/hard.plv", f + "/link.plv")},
      {{in, "--save", f + "/x.plv", "--report", f + "/sub/../x.plv"},
       "--save \"" + f + "/x.plv\" and --report \"" + f + "/sub/../x.plv\" name the same file"},
      {{"--demo", "--nodes", f + "/n.csv", "--save", f + "//n.csv"},
       "--nodes \"" + f + "/n.csv\" and --save \"" + f + "//n.csv\" name the same file"},
      {{"--demo", "--nodes", f + "/new.plv", "--report", f + "/dangling.plv"},
       "--nodes \"" + f + "/new.plv\" and --report \"" + f + "/dangling.plv\" name the same file"},
      // Beyond PATH_MAX, where stat() on the whole path fails but the save's walk does not.
      {{in, "--report", deep}, overwrites("--report", deep, in)},
      // A file renamed over what standard output writes into would cut its lines off.
      {{"--demo", "--nodes", "-", "--json", f + "/stdout.txt"},
       "--nodes \"-\" and --json \"" + f + "/stdout.txt\" name the same file"},
  };
  for (const auto& [arguments, message] : cases) {
    SCOPED_TRACE(message);
    const RunResult result = Run(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "pelvar-batch: " + message + "; nothing was written\n");
    EXPECT_EQ(Contents(input), bytes);
    EXPECT_EQ(Names(), names);
  }
}

TEST_F(BatchCommand, WriteProtectedOutputsAreRefusedAndLeftAsTheyWere) {
  SKIP_WITHOUT_REPORTS();
  // Root may write any file; an ordinary user (nobody, through setpriv) may not.
  std::string prefix;
  if (::geteuid() == 0) {
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    if (std::system((prefix + "true 2>/dev/null").c_str()) != 0) {
      GTEST_SKIP() << "running as root and cannot drop to an ordinary user with setpriv";
    }
  }
  // In a folder anyone may write, where a rename would replace the protected files.
  ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
  const std::pair<const char*, const char*> outputs[] = {{"--save", "ro.plv"},
                                                         {"--report", "ro.pdf"}};
  for (const auto& [option, name] : outputs) {
    const fs::path path = Put(name, "precious\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    // The output before the refused one is not written either.
    const RunResult result = Run({"--demo", "--nodes", (folder_ / "n.csv").string(),
                                  name[4] == 'l' ? "--save" : "--report", path.string()},
                                 prefix);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "pelvar-batch: Cannot save \"" + path.string() + "\": Permission denied.\n");
    EXPECT_EQ(Contents(path), "precious\r\n");
  }
  EXPECT_EQ(Names(), (std::set<std::string>{"ro.pdf", "ro.plv"}));
}

TEST_F(BatchCommand, DescriptorsAreWrittenThroughInPlaceAndInOrder) {
  // As tee writes: through the descriptor the shell opened, after what it already holds, never
  // by a new file renamed over it or one named after the link's text.
  const std::string batch = ShellQuoted(PELVAR_BATCH_PATH);
  const auto shell = [&](const std::string& command) {
    const int raw = std::system(("cd " + ShellQuoted(folder_.string()) + " && " + command).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  const std::string summary = kDemoSummary;
  ASSERT_EQ(shell(batch + " --demo --nodes nodes.csv >/dev/null"), 0);
  const std::string nodes = Contents(folder_ / "nodes.csv");
  Put("results.csv", "earlier line\n");
  EXPECT_EQ(shell(batch + " --demo --nodes /dev/stdout >> results.csv"), 0);
  EXPECT_EQ(Contents(folder_ / "results.csv"), "earlier line\n" + summary + nodes);
  EXPECT_EQ(shell(batch + " --demo --json /proc/self/fd/1 --nodes /dev/fd/1 | cat > piped.txt"), 0);
  const std::string piped = Contents(folder_ / "piped.txt");
  ASSERT_TRUE(piped.starts_with(summary + nodes + "{")) << piped.substr(0, 400);
  EXPECT_TRUE(nlohmann::json::accept(piped.substr(summary.size() + nodes.size())));
  // A descriptor of its own, here of a file deleted since it was opened, and standard error.
  EXPECT_EQ(shell("exec 3>>gone.csv && rm gone.csv && " + batch +
                  " --demo --nodes /dev/fd/3 --json /dev/null > out.txt 2> err.txt"),
            0);
  EXPECT_EQ(Contents(folder_ / "out.txt"), summary);
  EXPECT_EQ(Contents(folder_ / "err.txt"), "");
  EXPECT_EQ(shell(batch + " --demo --nodes /dev/stderr > out.txt 2>> err.txt"), 0);
  EXPECT_EQ(Contents(folder_ / "err.txt"), nodes);
  EXPECT_EQ(Names(),
            (std::set<std::string>{"err.txt", "nodes.csv", "out.txt", "piped.txt", "results.csv"}));
  // Refused before anything is written: a descriptor open for reading only, one not open, and a
  // file renamed over the one standard output appends to.
  const std::pair<std::string, std::string> refusals[] = {
      {"--nodes /dev/stdin < nodes.csv > out.txt",
       "Cannot save \"/dev/stdin\": its descriptor is not open for writing."},
      {"--nodes /dev/fd/9 > out.txt", "Cannot save \"/dev/fd/9\": No such file or directory."},
      {"--nodes results.csv --json /dev/stdout >> results.csv",
       "--nodes \"results.csv\" and --json \"/dev/stdout\" name the same file; nothing was "
       "written"},
  };
  for (const auto& [arguments, message] : refusals) {
    SCOPED_TRACE(arguments);
    EXPECT_EQ(shell(batch + " --demo " + arguments + " 2> err.txt"), 2);
    EXPECT_EQ(Contents(folder_ / "err.txt"), "pelvar-batch: " + message + "\n");
    EXPECT_EQ(Contents(folder_ / "results.csv"), "earlier line\n" + summary + nodes);
  }
}

TEST_F(BatchCommand, FailuresKnownInAdvanceLeaveEveryOutputAsItWas) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, for other users' files and chattr";
  const std::string nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  if (std::system((nobody + "true 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "cannot drop to an ordinary user with setpriv";
  }
  ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
  const auto sh = [](const std::string& command) { return std::system(command.c_str()) == 0; };
  const fs::path earlier = Put("a.csv", "precious\r\n");
  ASSERT_EQ(::chown(earlier.c_str(), 65534, 65534), 0);
  fs::create_directories(folder_ / "shared");
  ASSERT_EQ(::chmod((folder_ / "shared").c_str(), 01777), 0);
  fs::create_directories(folder_ / "log");
  const std::string f = ShellQuoted(folder_.string()) + "/";
  struct Case {
    std::string target, prepare, user, reason;
  } cases[] = {
      // Root's output into another user's file planted in a shared sticky folder.
      {"shared/b.json", "chown 65534 " + f + "shared/b.json && chmod 666 " + f + "shared/b.json",
       "",
       "it belongs to another user in a folder that is sticky and writable by all; it is not "
       "written"},
      {"b.json", "chattr +i " + f + "b.json", "", "it is marked immutable (chattr +i)"},
      {"b.json", "chattr +a " + f + "b.json", "", "it is marked append-only (chattr +a)"},
      {"log/b.json", "chattr +a " + f + "log", "", "its folder is marked append-only (chattr +a)"},
      // Nobody's own file, which nobody may write but not read, with an attribute to keep.
      {"b.json",
       "chown 65534:65534 " + f + "b.json && setfattr -n user.note -v kept " + f +
           "b.json && chmod 200 " + f + "b.json",
       nobody, "its extended attribute \"user.note\" cannot be read to keep it: Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prepare);
    const fs::path target = Put(c.target, "kept\r\n");
    if (!sh(c.prepare + " 2>/dev/null")) {
      ADD_FAILURE() << "cannot prepare: " << c.prepare;
      continue;
    }
    const RunResult result =
        Run({"--demo", "--nodes", earlier.string(), "--json", target.string()}, c.user);
    sh("chattr -i -a " + f + "b.json " + f + "log 2>/dev/null; chmod 644 " + f +
       "b.json 2>/dev/null");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "pelvar-batch: Cannot save \"" + target.string() + "\": " + c.reason + ".\n");
    EXPECT_EQ(Contents(earlier), "precious\r\n");
    EXPECT_EQ(Contents(target), "kept\r\n");
    fs::remove(target);
  }
  EXPECT_EQ(Names(), (std::set<std::string>{"a.csv", "log", "shared"}));
}

TEST_F(BatchCommand, AFileWrittenIntoGetsItsContentBackWhenTheWriteFails) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, for another user's file";
  // Daemon's file, which nobody may write through an access list entry: it is written into, and
  // a disk that fills while it is written (the write into it made to fail) puts the old content
  // back; where that fails too, the copy of the old content stays and the message names it.
  const std::string prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  if (std::system(("strace -o /dev/null true && " + prefix + "true").c_str()) != 0) {
    GTEST_SKIP() << "cannot trace, or cannot drop to an ordinary user";
  }
  ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
  const fs::path target = Put("d.csv", "daemon's\r\n");
  ASSERT_EQ(std::system(("chown daemon:daemon " + target.string() + " && chmod 640 " +
                         target.string() + " && setfacl -m u:nobody:rw " + target.string())
                            .c_str()),
            0);
  struct stat before {};
  ASSERT_EQ(::stat(target.c_str(), &before), 0);
  // The first pwrite copies the old content aside, the second writes the new one in.
  // The leak checker of a sanitizer build cannot run under a tracer.
  const std::string strace =
      "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" "
      "strace -f -qq -o /dev/null -e trace=pwrite64 -e inject=pwrite64:";
  const RunResult putBack =
      Run({"--demo", "--nodes", target.string()}, strace + "error=ENOSPC:when=2 " + prefix);
  EXPECT_EQ(putBack.status, 2);
  EXPECT_EQ(putBack.err,
            "pelvar-batch: Cannot save \"" + target.string() + "\": No space left on device.\n");
  EXPECT_EQ(Contents(target), "daemon's\r\n");
  EXPECT_EQ(Names(), (std::set<std::string>{"d.csv"}));

  const RunResult kept =
      Run({"--demo", "--nodes", target.string()}, strace + "error=ENOSPC:when=2+ " + prefix);
  EXPECT_EQ(kept.status, 2);
  const std::set<std::string> names = Names();
  ASSERT_EQ(names.size(), 2u);
  const std::string copy = *names.begin() == "d.csv" ? *names.rbegin() : *names.begin();
  EXPECT_TRUE(copy.starts_with(".d.csv.pelvar-") && copy.ends_with("-0.old")) << copy;
  EXPECT_EQ(kept.err, "pelvar-batch: Cannot save \"" + target.string() +
                          "\": No space left on device; its earlier content is kept in \"" +
                          (folder_ / copy).string() + "\".\n");
  EXPECT_EQ(Contents(folder_ / copy), "daemon's\r\n");
  fs::remove(folder_ / copy);

  ASSERT_EQ(Run({"--demo", "--nodes", target.string()}, prefix).status, 0);
  struct stat after {};
  ASSERT_EQ(::stat(target.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_TRUE(Contents(target).starts_with("node,x,w,Q,M\n"));
  EXPECT_EQ(Names(), (std::set<std::string>{"d.csv"}));
}

TEST_F(BatchCommand, WriteFailuresGiveTheSystemsReasonAndLeaveNoTemporaryFile) {
  SKIP_WITHOUT_REPORTS();
  const fs::path input =
      Put("long.plv", FileOf([](ProblemData& data) { data.elementCount = 1000; }));
  const fs::path pdf = folder_ / "r.pdf", plv = Put("s.plv", "old\r\n");
  ASSERT_EQ(Run({input.string(), "--report", pdf.string()}).status, 0);
  const std::string report = Contents(pdf);
  const std::set<std::string> names = Names();
  // A file size limit (in blocks of 512 bytes) stands for a full disk: the data file, the
  // report part way and the report's last bytes. The command does not die of the limit's
  // signal; the write fails and says why.
  const std::pair<std::size_t, fs::path> cases[] = {
      {20, plv}, {40, pdf}, {(report.size() - 1000) / 512, pdf}};
  for (const auto& [blocks, path] : cases) {
    SCOPED_TRACE(blocks);
    const RunResult result =
        Run({input.string(), path == pdf ? "--report" : "--save", path.string()},
            "ulimit -f " + std::to_string(blocks) + "; ");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "pelvar-batch: Cannot save \"" + path.string() + "\": File too large.\n");
    EXPECT_EQ(Contents(plv), "old\r\n");
    EXPECT_EQ(Contents(pdf), report);
    EXPECT_EQ(Names(), names);
  }
}

}  // namespace
}  // namespace pelvar
