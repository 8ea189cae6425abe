#include "batch/batch_run.h"

#include <memory>
#include <utility>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/results.h"
#include "files/file_io.h"
#include "files/problem_file.h"
#include "files/results_json.h"
#include "text/cp1252.h"

namespace pelvar {
namespace {

constexpr std::string_view kProgram = "pelvar-batch: ";

// Why the outputs would destroy the data file read or one another, empty when they would not.
// Paths are compared as files, not as texts: "x.plv", "./x.plv", a link to it and a hard link
// all name one file.
std::string OutputClash(const BatchOptions& options) {
  std::vector<std::pair<std::string, std::string>> outputs;  // option, path
  if (options.nodesPath && *options.nodesPath != "-")
    outputs.emplace_back("--nodes", *options.nodesPath);
  if (options.savePath) outputs.emplace_back("--save", *options.savePath);
  if (options.reportPath) outputs.emplace_back("--report", *options.reportPath);
  if (options.jsonPath && *options.jsonPath != "-")
    outputs.emplace_back("--json", *options.jsonPath);
  if (options.picturePath) outputs.emplace_back("--picture", *options.picturePath);
  for (std::size_t a = 0; a < outputs.size(); ++a) {
    const auto& [option, path] = outputs[a];
    if (!options.demo && SameFile(path, options.inputPath)) {
      return option + " " + Quoted(path) + " would overwrite the data file read, " +
             Quoted(options.inputPath) + "; nothing was written";
    }
    for (std::size_t b = a + 1; b < outputs.size(); ++b) {
      if (SameFile(path, outputs[b].second)) {
        return option + " " + Quoted(path) + " and " + outputs[b].first + " " +
               Quoted(outputs[b].second) + " name the same file; nothing was written";
      }
    }
  }
  return {};
}

}  // namespace

int RunBatch(const BatchOptions& options, std::string& out, std::string& err,
             const ReportWriter& writeReport, const PictureWriter& writePicture) {
  if (options.help) {
    out += BatchUsage();
    return kBatchSuccess;
  }
  if (options.version) {
    out += BatchVersion();
    return kBatchSuccess;
  }
  if (options.reportPath && !writeReport) {
    err.append(kProgram).append("this build cannot write reports (it has no window toolkit)\n");
    return kBatchFileOrUsageError;
  }
  if (options.picturePath && !writePicture) {
    err.append(kProgram).append("this build cannot write pictures (it has no window toolkit)\n");
    return kBatchFileOrUsageError;
  }

  // A new problem is the demonstration problem; a file is read over it as Open does.
  auto data = std::make_unique<ProblemData>();
  if (!options.demo) {
    const FileResult read = ReadProblemFile(*data, options.inputPath);
    if (!read.ok) {
      err.append(kProgram).append(read.message).append("\n");
      return kBatchFileOrUsageError;
    }
    data->resultsAvailable = false;
  }
  if (const std::string clash = OutputClash(options); !clash.empty()) {
    err.append(kProgram).append(clash).append("\n");
    return kBatchFileOrUsageError;
  }

  auto work = MakeAnalysisWorkspace();
  const CalculationOutcome outcome = RunCalculation(*data, *work);
  if (outcome.status != CalculationStatus::Success) {
    if (outcome.status == CalculationStatus::Singular) {
      err += outcome.message;  // the three lines the window shows
    } else {
      err.append(kProgram).append(outcome.message);
    }
    if (err.empty() || err.back() != '\n') err += "\n";
    return kBatchCalculationFailed;
  }
  // Results that JSON cannot hold fail the run before anything is written.
  std::optional<std::string> json;
  if (options.jsonPath && !(json = ResultsJsonText(*data))) {
    err.append(kProgram).append("the results leave the range of numbers JSON can hold\n");
    return kBatchCalculationFailed;
  }
  for (const std::string& text : SummaryTexts(outcome.summary)) out += text + "\n";

  if (options.nodesPath) {
    const std::string csv = NodeTableCsv(*data);
    if (*options.nodesPath == "-") {
      out += csv;
    } else if (const FileResult written = WriteFileAtomically(*options.nodesPath, csv);
               !written.ok) {
      err.append(kProgram).append(written.message).append("\n");
      return kBatchFileOrUsageError;
    }
  }
  if (options.jsonPath) {
    if (*options.jsonPath == "-") {
      out += *json;
    } else if (const FileResult written = WriteFileAtomically(*options.jsonPath, *json);
               !written.ok) {
      err.append(kProgram).append(written.message).append("\n");
      return kBatchFileOrUsageError;
    }
  }
  if (options.savePath) {
    // As Save does: the problem takes the name of the file it is saved in (ShortText keeps
    // the first 59 bytes).
    std::string folder, name;
    SplitPath(*options.savePath, folder, name);
    data->fileName.Set(Utf8ToCp1252(name));
    if (const FileResult written = WriteProblemFile(*data, *options.savePath); !written.ok) {
      err.append(kProgram).append(written.message).append("\n");
      return kBatchFileOrUsageError;
    }
  }
  if (options.reportPath) {
    if (const FileResult written = writeReport(*data, *options.reportPath); !written.ok) {
      err.append(kProgram).append(written.message).append("\n");
      return kBatchFileOrUsageError;
    }
  }
  if (options.picturePath) {
    if (const FileResult written =
            writePicture(*data, *options.picturePath, options.pictureWidth, options.pictureHeight);
        !written.ok) {
      err.append(kProgram).append(written.message).append("\n");
      return kBatchFileOrUsageError;
    }
  }
  return kBatchSuccess;
}

}  // namespace pelvar
