#pragma once
// The command line of pelvar-batch, parsed into options without touching any file.

#include <optional>
#include <string>
#include <vector>

#include "model/problem_data.h"  // MovingLoad and the limits of the load cases
#include "plot/picture_size.h"   // the picture's size without --picture-size, and its limits

namespace pelvar {

struct BatchOptions {
  bool help = false;
  bool version = false;
  bool demo = false;                        // the demonstration problem instead of a file
  bool noTension = false;                   // soil that takes no tension, for this run
  std::string inputPath;                    // the data file to read, empty with demo
  std::optional<std::string> nodesPath;     // CSV node table; "-" is standard output
  std::optional<std::string> savePath;      // the data file to write after the calculation
  std::optional<std::string> reportPath;    // the printed report as a PDF file
  std::optional<std::string> jsonPath;      // all results as JSON; "-" is standard output
  std::optional<std::string> picturePath;   // the diagrams as PNG, or SVG for a name ending in .svg
  int pictureWidth = kDefaultPictureWidth;  // pixels, with --picture-size
  int pictureHeight = kDefaultPictureHeight;
  // One state of the load cases instead of the tables' loads, named as in the file (UTF-8), or
  // the envelope of every state.
  std::optional<std::string> caseName;
  std::optional<std::string> combinationName;
  bool envelope = false;
  // Over what the file holds, for the envelope: the axles and their spacings (axleCount,
  // axleLoad, spacing; the step and the combination are the file's), the step, the soil factors.
  std::optional<MovingLoad> movingLoad;
  std::optional<double> step;  // m, above 0
  std::optional<std::vector<double>> soilFactors;
};

struct ParsedArguments {
  bool ok = false;
  std::string error;  // what is wrong with the command line, when not ok
  BatchOptions options;
};

// Parses the arguments after the program name.
ParsedArguments ParseBatchArguments(const std::vector<std::string>& arguments);

// The texts that --help and --version print.
std::string BatchUsage();
std::string BatchVersion();

}  // namespace pelvar
