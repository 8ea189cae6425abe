#include "batch/batch_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/results.h"
#include "files/paths_and_messages.h"
#include "files/problem_file.h"
#include "files/results_json.h"
#include "files/safe_writer.h"
#include "files/save_place.h"
#include "model/input_rules.h"
#include "text/cp1252.h"

namespace pelvar {
namespace {

constexpr std::string_view kProgram = "pelvar-batch: ";

// One output of the run, from its option to the bytes that go where its path leads.
struct Output {
  std::string option;  // "--nodes", ...
  std::string path;    // as given; "-" is standard output
  std::string bytes;
  FileIdentity identity;
  PendingFile file;
  // Standard output and standard error, also when named as /dev/stdout or a descriptor of the
  // same file, take the output in the order of the run's own text: the program writes them last.
  std::string* stream = nullptr;
};

// The outputs the options ask for, in the order they are written.
std::deque<Output> RequestedOutputs(const BatchOptions& options) {
  std::deque<Output> outputs;  // a pending file stays where it was made
  const auto add = [&outputs](const char* option, const std::optional<std::string>& path) {
    if (!path) return;
    Output& output = outputs.emplace_back();
    output.option = option;
    output.path = *path;
  };
  add("--nodes", options.nodesPath);
  add("--json", options.jsonPath);
  add("--save", options.savePath);
  add("--report", options.reportPath);
  add("--picture", options.picturePath);
  return outputs;
}

// Why the outputs would destroy the data file read or one another, empty when they would not.
// Paths are compared as files by the same walk as the writes take: "x.plv", "./x.plv", a link
// to it, a hard link and a path beyond PATH_MAX all name one file. Outputs written through
// descriptors go into the file in order and destroy nothing, except where another output is
// renamed over that file, which would cut their writes off.
std::string OutputClash(const BatchOptions& options, std::deque<Output>& outputs) {
  const FileIdentity input = options.demo ? FileIdentity{} : IdentifyFile(options.inputPath);
  for (Output& output : outputs) {
    output.identity =
        output.path == "-" ? IdentifyDescriptor(STDOUT_FILENO) : IdentifyFile(output.path);
  }
  const auto replaceable = [](const FileIdentity& identity) {
    return !identity.exists || identity.type == S_IFREG;
  };
  for (std::size_t a = 0; a < outputs.size(); ++a) {
    const Output& output = outputs[a];
    if (!replaceable(output.identity)) continue;
    if (SameFile(output.identity, input)) {
      return output.option + " " + Quoted(output.path) + " would overwrite the data file read, " +
             Quoted(options.inputPath) + "; nothing was written";
    }
    for (std::size_t b = a + 1; b < outputs.size(); ++b) {
      const Output& other = outputs[b];
      const bool bothThroughDescriptors =
          output.identity.descriptor >= 0 && other.identity.descriptor >= 0;
      if (!bothThroughDescriptors && SameFile(output.identity, other.identity)) {
        return output.option + " " + Quoted(output.path) + " and " + other.option + " " +
               Quoted(other.path) + " name the same file; nothing was written";
      }
    }
  }
  return {};
}

// A run's failure: its exit status and message.
struct Failure {
  int status;
  std::string message;
};

// Reads the data file as Open does, over the demonstration problem, or keeps that problem.
std::optional<Failure> ReadInput(const BatchOptions& options, ProblemData& data) {
  if (options.demo) return std::nullopt;
  const FileResult read = ReadProblemFile(data, options.inputPath);
  if (!read.ok) return Failure{kBatchFileOrUsageError, read.message};
  data.resultsAvailable = false;
  return std::nullopt;
}

// Calculates as Calculate does; the summary and any accuracy warning go to out and err.
std::optional<Failure> Calculate(const BatchOptions& options, ProblemData& data, std::string& out,
                                 std::string& err) {
  auto work = MakeAnalysisWorkspace();
  if (options.noTension) data.noTension = true;
  const CalculationOutcome outcome = RunCalculation(data, *work);
  if (outcome.status != CalculationStatus::Success) {
    // A singular beam's three lines stand as the window shows them.
    std::string message = outcome.message;
    if (!message.empty() && message.back() == '\n') message.pop_back();
    if (outcome.status == CalculationStatus::Singular) {
      err += message + "\n";
      return Failure{kBatchCalculationFailed, {}};
    }
    return Failure{kBatchCalculationFailed, message};
  }
  for (const std::string& text : SummaryTexts(outcome.summary)) out += text + "\n";
  // A warning, not a failure: the numbers are the scheme's exact answer all the same.
  if (const std::optional<std::string> warning = AccuracyWarning(data)) {
    err.append(kProgram).append(*warning).append("\n");
  }
  return std::nullopt;
}

// Makes the bytes of every output. Results that JSON cannot hold fail the run before anything
// is written.
std::optional<Failure> ComposeOutputs(const BatchOptions& options, ProblemData& data,
                                      std::deque<Output>& outputs, const ReportMaker& makeReport,
                                      const PictureMaker& makePicture) {
  for (Output& output : outputs) {
    if (output.option == "--nodes") {
      output.bytes = NodeTableCsv(data);
    } else if (output.option == "--json") {
      std::optional<std::string> json = ResultsJsonText(data);
      if (!json) {
        return Failure{kBatchCalculationFailed,
                       "the results leave the range of numbers JSON can hold"};
      }
      output.bytes = std::move(*json);
    } else if (output.option == "--save") {
      // As Save does: the problem takes the name of the file it is saved in (ShortText keeps
      // the first 59 bytes).
      data.fileName.Set(NameAsFileKeepsIt(FileNameToCp1252(NameOfPath(output.path))));
      const FileResult composed = ProblemFileForSave(data, output.path, output.bytes);
      if (!composed.ok) return Failure{kBatchFileOrUsageError, composed.message};
    } else if (output.option == "--report") {
      const FileResult made = makeReport(data, output.bytes);
      if (!made.ok) return Failure{kBatchFileOrUsageError, made.message};
    } else if (output.option == "--picture") {
      const FileResult made =
          makePicture(data, output.path, options.pictureWidth, options.pictureHeight, output.bytes);
      if (!made.ok) return Failure{kBatchFileOrUsageError, made.message};
    }
  }
  return std::nullopt;
}

// Prepares each output's place beside its target before the first one is written: a failure
// known in advance (a refused or protected target, a missing folder, a flag, a descriptor not
// open for writing) leaves every file as it was.
std::optional<Failure> CheckOutputs(std::deque<Output>& outputs, std::string& out,
                                    std::string& err) {
  for (Output& output : outputs) {
    if (output.path == "-") {
      output.stream = &out;
      continue;
    }
    if (const FileResult created = output.file.Create(output.path); !created.ok) {
      return Failure{kBatchFileOrUsageError, created.message};
    }
    if (output.file.HowWritten() == PendingFile::Way::Descriptor) {
      const int descriptor = output.file.TargetDescriptor();
      const FileIdentity file = IdentifyDescriptor(descriptor);
      if (descriptor == STDOUT_FILENO || SameFile(file, IdentifyDescriptor(STDOUT_FILENO))) {
        output.stream = &out;
      } else if (descriptor == STDERR_FILENO || SameFile(file, IdentifyDescriptor(STDERR_FILENO))) {
        output.stream = &err;
      }
    }
    if (FileResult written = output.file.Write(output.bytes); !written.ok) {
      return Failure{kBatchFileOrUsageError, written.message};
    }
  }
  return std::nullopt;
}

// Puts every output in its place, in the order of the options.
std::optional<Failure> WriteOutputs(std::deque<Output>& outputs) {
  for (Output& output : outputs) {
    if (output.stream != nullptr) {
      *output.stream += output.bytes;
      continue;
    }
    if (const FileResult committed = output.file.Commit(); !committed.ok) {
      return Failure{kBatchFileOrUsageError, committed.message};
    }
  }
  return std::nullopt;
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
  const auto fail = [&err](const Failure& failure) {
    if (!failure.message.empty()) err.append(kProgram).append(failure.message).append("\n");
    return failure.status;
  };
  if (options.reportPath && !makeReport) {
    return fail(
        {kBatchFileOrUsageError, "this build cannot write reports (it has no window toolkit)"});
  }
  if (options.picturePath && !makePicture) {
    return fail(
        {kBatchFileOrUsageError, "this build cannot write pictures (it has no window toolkit)"});
  }

  auto data = std::make_unique<ProblemData>();
  if (const auto failure = ReadInput(options, *data)) return fail(*failure);
  std::deque<Output> outputs = RequestedOutputs(options);
  if (const std::string clash = OutputClash(options, outputs); !clash.empty()) {
    return fail({kBatchFileOrUsageError, clash});
  }
  std::string summary, warnings;
  if (const auto failure = Calculate(options, *data, summary, warnings)) {
    err += warnings;
    return fail(*failure);
  }
  // Results beyond what JSON can hold fail as a calculation does, without a summary; an output
  // that cannot be made fails after it.
  const auto composed = ComposeOutputs(options, *data, outputs, makeReport, makePicture);
  if (composed && composed->status == kBatchCalculationFailed) return fail(*composed);
  out += summary;
  err += warnings;
  if (composed) return fail(*composed);
  if (const auto failure = CheckOutputs(outputs, out, err)) return fail(*failure);
  if (const auto failure = WriteOutputs(outputs)) return fail(*failure);
  return kBatchSuccess;
}

}  // namespace pelvar
