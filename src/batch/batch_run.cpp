#include "batch/batch_run.h"

#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/results.h"
#include "files/paths_and_messages.h"
#include "files/safe_writer.h"
#include "files/save_place.h"
#include "files/problem_file.h"
#include "files/results_json.h"
#include "model/input_rules.h"
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
             const ReportMaker& makeReport, const PictureMaker& makePicture) {
  if (options.help) {
    out += BatchUsage();
    return kBatchSuccess;
  }
  if (options.version) {
    out += BatchVersion();
    return kBatchSuccess;
  }
  if (options.reportPath && !makeReport) {
    err.append(kProgram).append("this build cannot write reports (it has no window toolkit)\n");
    return kBatchFileOrUsageError;
  }
  if (options.picturePath && !makePicture) {
    err.append(kProgram).append("this build cannot write pictures (it has no window toolkit)\n");
    return kBatchFileOrUsageError;
  }
  const auto fail = [&err](int status, const std::string& message) {
    err.append(kProgram).append(message).append("\n");
    return status;
  };

  // A new problem is the demonstration problem; a file is read over it as Open does.
  auto data = std::make_unique<ProblemData>();
  if (!options.demo) {
    const FileResult read = ReadProblemFile(*data, options.inputPath);
    if (!read.ok) return fail(kBatchFileOrUsageError, read.message);
    data->resultsAvailable = false;
  }
  if (const std::string clash = OutputClash(options); !clash.empty()) {
    return fail(kBatchFileOrUsageError, clash);
  }

  auto work = MakeAnalysisWorkspace();
  if (options.noTension) data->noTension = true;
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
    return fail(kBatchCalculationFailed, "the results leave the range of numbers JSON can hold");
  }
  for (const std::string& text : SummaryTexts(outcome.summary)) out += text + "\n";
  // A warning, not a failure: the numbers are the scheme's exact answer all the same.
  if (const std::optional<std::string> warning = AccuracyWarning(*data)) {
    err.append(kProgram).append(*warning).append("\n");
  }

  // Every output is made first, then each file's place is prepared beside its target, and only
  // when all of them stand is the first one renamed into place: a failure known in advance (a
  // problem too long for the data file, a refused or protected target, a missing folder) leaves
  // every earlier file as it was.
  struct Output {
    std::string path;
    std::string bytes;
    PendingFile file;
  };
  std::deque<Output> files;  // a pending file stays where it was made
  std::string standardOutput;
  const auto add = [&](const std::optional<std::string>& path, std::string bytes) {
    if (!path) return;
    if (*path == "-") {
      standardOutput += bytes;
    } else {
      Output& output = files.emplace_back();
      output.path = *path;
      output.bytes = std::move(bytes);
    }
  };
  add(options.nodesPath, options.nodesPath ? NodeTableCsv(*data) : std::string());
  add(options.jsonPath, json.value_or(std::string()));
  if (options.savePath) {
    // As Save does: the problem takes the name of the file it is saved in (ShortText keeps
    // the first 59 bytes).
    std::string folder, name, bytes;
    SplitPath(*options.savePath, folder, name);
    data->fileName.Set(NameAsFileKeepsIt(Utf8ToCp1252(name)));
    const FileResult composed = ProblemFileForSave(*data, *options.savePath, bytes);
    if (!composed.ok) return fail(kBatchFileOrUsageError, composed.message);
    add(options.savePath, std::move(bytes));
  }
  if (options.reportPath) {
    std::string pdf;
    const FileResult made = makeReport(*data, pdf);
    if (!made.ok) return fail(kBatchFileOrUsageError, made.message);
    add(options.reportPath, std::move(pdf));
  }
  if (options.picturePath) {
    std::string picture;
    const FileResult made = makePicture(*data, *options.picturePath, options.pictureWidth,
                                        options.pictureHeight, picture);
    if (!made.ok) return fail(kBatchFileOrUsageError, made.message);
    add(options.picturePath, std::move(picture));
  }
  for (Output& output : files) {
    if (const FileResult created = output.file.Create(output.path); !created.ok) {
      return fail(kBatchFileOrUsageError, created.message);
    }
  }
  for (Output& output : files) {
    if (const FileResult written = output.file.Write(output.bytes); !written.ok) {
      return fail(kBatchFileOrUsageError, written.message);
    }
  }
  out += standardOutput;
  for (Output& output : files) {
    if (const FileResult committed = output.file.Commit(); !committed.ok) {
      return fail(kBatchFileOrUsageError, committed.message);
    }
  }
  return kBatchSuccess;
}

}  // namespace pelvar
