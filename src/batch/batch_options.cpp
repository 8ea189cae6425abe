#include "batch/batch_options.h"

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "pelvar_version.h"
#include "text/number_reader.h"

namespace pelvar {
namespace {

// The options that take a path; a new output is one more entry here. Standard output ("-")
// carries the text outputs after the summary; a data file, a PDF or a picture there would only
// be mixed into it (and "./-" names a file called "-").
struct PathOption {
  std::string_view name;
  std::optional<std::string> BatchOptions::*field;
  bool standardOutput;
};
constexpr std::array<PathOption, 5> kPathOptions{{
    {"--nodes", &BatchOptions::nodesPath, true},
    {"--save", &BatchOptions::savePath, false},
    {"--report", &BatchOptions::reportPath, false},
    {"--json", &BatchOptions::jsonPath, true},
    {"--picture", &BatchOptions::picturePath, false},
}};

ParsedArguments Fail(std::string error) { return {false, std::move(error), {}}; }

// "WIDTHxHEIGHT" in whole pixels, each side within its limits.
bool ReadPictureSize(std::string_view text, int& width, int& height) {
  const std::size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  const std::string_view sides[] = {text.substr(0, x), text.substr(x + 1)};
  int values[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    if (sides[k].empty() || sides[k].size() > 5) return false;
    for (char c : sides[k]) {
      if (c < '0' || c > '9') return false;
    }
    values[k] = ReadInteger(sides[k]);
    if (values[k] < kMinPictureSide || values[k] > kMaxPictureSide) return false;
  }
  width = values[0];
  height = values[1];
  return true;
}

// The texts between the separators; one empty text for an empty list.
std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// A real that is the whole text, read by the one number reader.
bool WholeReal(std::string_view text, double& value) {
  if (!IsWholeReal(text)) return false;
  value = ReadReal(text);
  return true;
}

// "P1[:S1:P2[:S2:P3...]]": axle loads in kN with the spacings in m between them.
std::optional<std::string> ReadMovingLoad(std::string_view text, MovingLoad& load) {
  const std::string usage =
      "--moving-load needs axle loads in kN with the spacings in m between them, such as "
      "100:2.5:100";
  const std::vector<std::string_view> parts = Split(text, ':');
  if (parts.size() % 2 == 0) return usage;
  const std::size_t axles = (parts.size() + 1) / 2;
  if (axles > static_cast<std::size_t>(kMaxAxles)) {
    return "--moving-load has " + std::to_string(axles) + " axles; at most " +
           std::to_string(kMaxAxles) + " can be given";
  }
  load = MovingLoad{};
  load.axleCount = static_cast<int>(axles);
  for (std::size_t k = 0; k < parts.size(); ++k) {
    double value = 0.0;
    if (!WholeReal(parts[k], value)) return usage;
    if (k % 2 == 0) {
      load.axleLoad[k / 2] = value;
    } else {
      if (value < 0.0) return "--moving-load needs spacings of at least 0 m between the axles";
      load.spacing[k / 2] = value;
    }
  }
  return std::nullopt;
}

// "F1,F2,...": factors on every spring, each above 0.
std::optional<std::string> ReadSoilFactors(std::string_view text, std::vector<double>& factors) {
  const std::vector<std::string_view> parts = Split(text, ',');
  if (parts.size() > static_cast<std::size_t>(kMaxSoilFactors)) {
    return "--soil-factors has " + std::to_string(parts.size()) + " factors; at most " +
           std::to_string(kMaxSoilFactors) + " can be given";
  }
  factors.clear();
  for (const std::string_view part : parts) {
    double value = 0.0;
    if (!WholeReal(part, value) || !(value > 0.0)) {
      return "--soil-factors needs factors above 0 separated by commas, such as 0.5,1,2";
    }
    factors.push_back(value);
  }
  return std::nullopt;
}

}  // namespace

std::string BatchUsage() {
  return "Usage: pelvar-batch [OPTIONS] FILE.plv\n"
         "       pelvar-batch [OPTIONS] --demo\n"
         "\n"
         "Reads a Pelvar data file, or takes the demonstration problem, calculates the beam on\n"
         "its elastic foundation and prints the extremes of displacement, shear force and\n"
         "moment.\n"
         "\n"
         "Options:\n"
         "  --demo        calculate the demonstration problem instead of reading a file\n"
         "  --no-tension  soil that takes no tension: the beam may lift off where it would\n"
         "                pull the springs (stored by --save)\n"
         "  --nodes PATH  write the node table as CSV (node,x,w,Q,M) to PATH; \"-\" writes it\n"
         "                to standard output after the extremes\n"
         "  --save PATH   save the problem with its results as a data file at PATH\n"
         "  --report PATH write the printed report, with its results, as a PDF file at PATH\n"
         "  --json PATH   write all results (summary, extremes, nodes, elements with their soil\n"
         "                pressure, equilibrium, accuracy, foundation) as one JSON document;\n"
         "                \"-\" writes it to standard output after the extremes\n"
         "  --picture PATH\n"
         "                write the diagrams of w, Q, M and p as the results window exports\n"
         "                them, with the problem's name and today's date: PNG, or SVG for a\n"
         "                PATH ending in .svg\n"
         "  --picture-size WxH\n"
         "                the picture's size in pixels, each side 100 to 8000 (1200x900)\n"
         "  --case NAME   calculate the file's load case NAME alone instead of the tables'\n"
         "                loads; every output is then that case's\n"
         "  --combination NAME\n"
         "                calculate the file's combination NAME, likewise\n"
         "  --envelope    calculate every combination (or every case), every position of the\n"
         "                moving load and every soil factor: the summary gives the envelope's\n"
         "                extremes and what governs them, --nodes its node table, --json\n"
         "                its \"envelope\", --report its table after the input and the load\n"
         "                cases and --picture the band from the smallest to the largest\n"
         "                values; --save keeps no results with it\n"
         "  --moving-load P1[:S1:P2[:S2:P3...]]\n"
         "                with --envelope, over the file's: axle loads in kN with the spacings\n"
         "                in m between them, such as 100:2.5:100 (up to 20 axles)\n"
         "  --step DX     with --envelope, the moving load's step in m (an element's length\n"
         "                unless given; up to 10000 positions)\n"
         "  --soil-factors F1,F2,...\n"
         "                with --envelope, over the file's: factors on the soil's springs (a\n"
         "                support's springs stay as given), such as 0.5,1,2 (up to 10)\n"
         "  --help        show this text\n"
         "  --version     show the version\n"
         "\n"
         "Exit status: 0 when the calculation succeeded and every output was written; 1 when\n"
         "the calculation failed (nothing is written then); 2 when a file could not be read,\n"
         "was refused or could not be written, or when the command line is wrong.\n";
}

std::string BatchVersion() { return "pelvar-batch " PELVAR_VERSION "\n"; }

ParsedArguments ParseBatchArguments(const std::vector<std::string>& arguments) {
  ParsedArguments result;
  BatchOptions& options = result.options;
  bool inputGiven = false;
  bool optionsEnded = false;
  bool pictureSizeGiven = false;

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      if (inputGiven) return Fail("only one data file can be given, not also \"" + argument + "\"");
      options.inputPath = argument;
      inputGiven = true;
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      continue;
    }
    if (argument == "--version") {
      options.version = true;
      continue;
    }
    if (argument == "--picture-size" || argument.starts_with("--picture-size=")) {
      if (pictureSizeGiven) return Fail("--picture-size is given twice");
      std::string value;
      if (argument.size() > 14) {
        value = argument.substr(15);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      }
      if (!ReadPictureSize(value, options.pictureWidth, options.pictureHeight)) {
        return Fail("--picture-size needs WIDTHxHEIGHT in pixels, each from " +
                    std::to_string(kMinPictureSide) + " to " + std::to_string(kMaxPictureSide) +
                    ", such as 1200x900");
      }
      pictureSizeGiven = true;
      continue;
    }
    if (argument == "--demo") {
      if (options.demo) return Fail("--demo is given twice");
      options.demo = true;
      continue;
    }
    if (argument == "--no-tension") {
      options.noTension = true;
      continue;
    }
    if (argument == "--envelope") {
      if (options.envelope) return Fail("--envelope is given twice");
      options.envelope = true;
      continue;
    }
    // The options of the load cases, each with one value: "--name VALUE" or "--name=VALUE".
    std::string_view valueOption;
    std::optional<std::string> optionValue;
    for (const std::string_view name :
         {"--case", "--combination", "--moving-load", "--step", "--soil-factors"}) {
      if (argument == name) {
        valueOption = name;
        if (i + 1 < arguments.size()) optionValue = arguments[++i];
      } else if (argument.size() > name.size() && argument.starts_with(name) &&
                 argument[name.size()] == '=') {
        valueOption = name;
        optionValue = argument.substr(name.size() + 1);
      }
    }
    if (!valueOption.empty()) {
      const std::string name(valueOption);
      const std::string value = optionValue.value_or("");
      const bool twice = (name == "--case" && options.caseName) ||
                         (name == "--combination" && options.combinationName) ||
                         (name == "--moving-load" && options.movingLoad) ||
                         (name == "--step" && options.step) ||
                         (name == "--soil-factors" && options.soilFactors);
      if (twice) return Fail(name + " is given twice");
      if (name == "--case" || name == "--combination") {
        if (value.empty()) return Fail(name + " needs a name");
        (name == "--case" ? options.caseName : options.combinationName) = value;
      } else if (name == "--moving-load") {
        MovingLoad load;
        if (const auto error = ReadMovingLoad(value, load)) return Fail(*error);
        options.movingLoad = load;
      } else if (name == "--step") {
        double step = 0.0;
        if (!WholeReal(value, step) || !(step > 0.0)) {
          return Fail("--step needs a length in m above 0, such as 0.5");
        }
        options.step = step;
      } else {
        std::vector<double> factors;
        if (const auto error = ReadSoilFactors(value, factors)) return Fail(*error);
        options.soilFactors = std::move(factors);
      }
      continue;
    }

    const PathOption* match = nullptr;
    std::optional<std::string> value;
    for (const PathOption& option : kPathOptions) {
      if (argument == option.name) {
        match = &option;
        if (i + 1 < arguments.size()) value = arguments[++i];
      } else if (argument.size() > option.name.size() && argument.starts_with(option.name) &&
                 argument[option.name.size()] == '=') {
        match = &option;
        value = argument.substr(option.name.size() + 1);
      }
    }
    if (match == nullptr) return Fail("unknown option \"" + argument + "\"");
    const std::string name(match->name);
    if (!value || value->empty()) return Fail(name + " needs a path");
    if (options.*(match->field)) return Fail(name + " is given twice");
    if (*value == "-" && !match->standardOutput)
      return Fail(name + " needs a file, not standard output");
    options.*(match->field) = *value;
  }

  if (options.help || options.version) {
    result.ok = true;
    return result;
  }
  if (options.demo && inputGiven) {
    return Fail("give either a data file or --demo, not both");
  }
  if (!options.demo && !inputGiven) return Fail("no data file given (or use --demo)");
  if (pictureSizeGiven && !options.picturePath) return Fail("--picture-size needs --picture");
  if (inputGiven && options.inputPath.empty()) return Fail("the data file name is empty");
  if (static_cast<int>(options.caseName.has_value()) +
          static_cast<int>(options.combinationName.has_value()) +
          static_cast<int>(options.envelope) >
      1) {
    return Fail("give one of --case, --combination and --envelope, not more");
  }
  // The moving load and the soil factors make states of their own, which only the envelope
  // gathers.
  for (const auto& [given, name] : {std::pair{options.movingLoad.has_value(), "--moving-load"},
                                    std::pair{options.step.has_value(), "--step"},
                                    std::pair{options.soilFactors.has_value(), "--soil-factors"}}) {
    if (given && !options.envelope) return Fail(std::string(name) + " needs --envelope");
  }
  // Two outputs on standard output would run into each other. Files are compared as files,
  // once the command runs.
  for (std::size_t a = 0; a < kPathOptions.size(); ++a) {
    for (std::size_t b = a + 1; b < kPathOptions.size(); ++b) {
      const auto& first = options.*(kPathOptions[a].field);
      const auto& second = options.*(kPathOptions[b].field);
      if (first == "-" && second == "-") {
        return Fail(std::string(kPathOptions[a].name) + " and " +
                    std::string(kPathOptions[b].name) + " name the same file");
      }
    }
  }
  result.ok = true;
  return result;
}

}  // namespace pelvar
