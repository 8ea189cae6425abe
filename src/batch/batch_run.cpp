#include "batch/batch_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/envelope.h"
#include "analysis/results.h"
#include "files/paths_and_messages.h"
#include "files/problem_file.h"
#include "files/results_json.h"
#include "files/safe_writer.h"
#include "files/save_place.h"
#include "files/state_names.h"
#include "model/input_rules.h"
#include "text/cp1252.h"
#include "text/number_format.h"

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

// The command line's moving load, step and soil factors over what the file holds.
std::optional<Failure> ApplyLoadOptions(const BatchOptions& options, ProblemData& data) {
  if (options.noTension) data.noTension = true;
  MovingLoad& moving = data.loadCases.movingLoad;
  if (options.movingLoad) {
    moving.axleCount = options.movingLoad->axleCount;
    moving.axleLoad = options.movingLoad->axleLoad;
    moving.spacing = options.movingLoad->spacing;
  }
  if (options.step) {
    if (moving.axleCount == 0) {
      return Failure{kBatchFileOrUsageError,
                     "--step needs a moving load, in the data file or from --moving-load"};
    }
    moving.step = *options.step;
  }
  if (options.soilFactors) {
    LoadCases& cases = data.loadCases;
    cases.soilFactorCount = static_cast<int>(options.soilFactors->size());
    for (int f = 0; f < cases.soilFactorCount; ++f) {
      cases.soilFactors[static_cast<std::size_t>(f)] =
          (*options.soilFactors)[static_cast<std::size_t>(f)];
    }
  }
  return std::nullopt;
}

// The state --case or --combination names, written into state: the case alone (neither its
// combinations nor the moving load nor the soil factors), or the combination with the springs
// as given. Names are compared as the file holds them.
std::optional<Failure> SelectState(const BatchOptions& options, const ProblemData& data,
                                   ProblemData& state) {
  const LoadCases& cases = data.loadCases;
  if (options.caseName) {
    const std::string name = Utf8ToCp1252(*options.caseName);
    for (int c = 0; c < cases.caseCount; ++c) {
      if (cases.cases[static_cast<std::size_t>(c)].name.View() != name) continue;
      ApplyDesignState(data, CaseAloneState(c), state);
      return std::nullopt;
    }
    return Failure{kBatchFileOrUsageError, "there is no load case " + Quoted(*options.caseName)};
  }
  const std::string name = Utf8ToCp1252(*options.combinationName);
  for (int k = 0; k < cases.combinationCount; ++k) {
    if (cases.combinations[static_cast<std::size_t>(k)].name.View() != name) continue;
    ApplyDesignState(data, DesignState{k, -1, -1}, state);
    return std::nullopt;
  }
  return Failure{kBatchFileOrUsageError,
                 "there is no combination " + Quoted(*options.combinationName)};
}

// A failed calculation's message as pelvar-batch gives it: the three lines of a beam the springs
// cannot hold stand as the window shows them; every other message, the supports' included, is
// pelvar-batch's own.
Failure CalculationFailure(const CalculationOutcome& outcome, std::string& err) {
  std::string message = outcome.message;
  if (!message.empty() && message.back() == '\n') message.pop_back();
  if (outcome.fault.kind == FaultKind::NotHeld) {
    err += message + "\n";
    return Failure{kBatchCalculationFailed, {}};
  }
  return Failure{kBatchCalculationFailed, message};
}

// The envelope of every state; its summary names each extreme's place and what governs it.
std::optional<Failure> CalculateEnvelope(const ProblemData& data, Envelope& envelope,
                                         std::string& out, std::string& err) {
  auto work = MakeAnalysisWorkspace();
  auto scratch = std::make_unique<ProblemData>();
  const EnvelopeOutcome outcome = RunEnvelope(data, *work, *scratch, envelope);
  if (outcome.outcome.status != CalculationStatus::Success) {
    if (outcome.outcome.fault.kind != FaultKind::TooManyPositions) {
      err.append(kProgram).append("the calculation of " + StateText(data, outcome.failedState) +
                                  " failed\n");
    }
    return CalculationFailure(outcome.outcome, err);
  }
  // The six lines of one state's summary, each followed by where its extreme stands and what
  // governs it there.
  EnvelopeValue NodeEnvelope::*const quantities[6] = {&NodeEnvelope::wMin, &NodeEnvelope::wMax,
                                                      &NodeEnvelope::QMin, &NodeEnvelope::QMax,
                                                      &NodeEnvelope::MMin, &NodeEnvelope::MMax};
  int at[6] = {};
  double extremes[6] = {};
  for (int q = 0; q < 6; ++q) {
    const bool maximum = q % 2 == 1;
    for (int j = 1; j <= data.elementCount; ++j) {
      const double value = (envelope.nodes[j].*quantities[q]).value;
      const double best = (envelope.nodes[at[q]].*quantities[q]).value;
      if (maximum ? value > best : value < best) at[q] = j;
    }
    extremes[q] = (envelope.nodes[at[q]].*quantities[q]).value;
  }
  const ResultSummary summary{extremes[0], extremes[1], extremes[2],
                              extremes[3], extremes[4], extremes[5]};
  const std::array<std::string, 6> texts = SummaryTexts(summary);
  out += FormatText("Envelope of %d states\n", envelope.stateCount);
  for (int q = 0; q < 6; ++q) {
    const NodeEnvelope& node = envelope.nodes[at[q]];
    out += texts[static_cast<std::size_t>(q)] + FormatText(" at x = %.3f m, ", node.x) +
           StateText(data, (node.*quantities[q]).state) + "\n";
  }
  if (const std::optional<std::string> leftOut = LeftOutText(data, envelope)) {
    out += *leftOut + "\n";
  }
  // The same warning as for one state, from the worst figures of them all.
  auto worst = std::make_unique<ProblemData>();
  worst->elementCount = data.elementCount;
  worst->accuracy = envelope.accuracy;
  for (const std::optional<std::string>& warning :
       {AccuracyWarning(*worst), CoarseStepWarning(data, envelope)}) {
    if (warning) err.append(kProgram).append(*warning).append("\n");
  }
  return std::nullopt;
}

// Calculates as Calculate does; the summary and any accuracy warning go to out and err.
std::optional<Failure> Calculate(ProblemData& data, std::string& out, std::string& err) {
  auto work = MakeAnalysisWorkspace();
  const CalculationOutcome outcome = RunCalculation(data, *work);
  if (outcome.status != CalculationStatus::Success) return CalculationFailure(outcome, err);
  for (const std::string& text : SummaryTexts(outcome.summary)) out += text + "\n";
  // A warning, not a failure: the numbers are the scheme's exact answer all the same.
  if (const std::optional<std::string> warning = AccuracyWarning(data)) {
    err.append(kProgram).append(*warning).append("\n");
  }
  return std::nullopt;
}

// Makes the bytes of every output. Results that JSON cannot hold fail the run before anything
// is written.
//
// data is the problem as read and solved the state calculated (data itself without --case or
// --combination); with an envelope, the outputs are the envelope's. --save keeps the problem as
// read, with the command line's load options, and the solved state's results in its output
// block: none with an envelope, which is no one table of results.
std::optional<Failure> ComposeOutputs(const BatchOptions& options, ProblemData& data,
                                      const ProblemData& solved, const Envelope* envelope,
                                      std::deque<Output>& outputs, const ReportMaker& makeReport,
                                      const PictureMaker& makePicture) {
  for (Output& output : outputs) {
    if (output.option == "--nodes") {
      output.bytes =
          envelope ? EnvelopeNodeTableCsv(*envelope, data.elementCount) : NodeTableCsv(solved);
    } else if (output.option == "--json") {
      std::optional<std::string> json =
          envelope ? EnvelopeJsonText(data, *envelope) : ResultsJsonText(solved, data);
      if (!json) {
        return Failure{kBatchCalculationFailed,
                       "the results leave the range of numbers JSON can hold"};
      }
      output.bytes = std::move(*json);
    } else if (output.option == "--save") {
      // As Save does: the problem takes the name of the file it is saved in (ShortText keeps
      // the first 59 bytes).
      data.fileName.Set(NameAsFileKeepsIt(FileNameToCp1252(NameOfPath(output.path))));
      if (&solved != &data) data.nodes = solved.nodes;
      const FileResult composed = ProblemFileForSave(data, output.path, output.bytes);
      if (!composed.ok) return Failure{kBatchFileOrUsageError, composed.message};
    } else if (output.option == "--report") {
      // With the envelope, the report's results are the envelope's: the problem as read holds
      // none of its own. One case or combination is the report's only case, under its name.
      std::unique_ptr<ProblemData> named;
      if (&solved != &data) {
        named = std::make_unique<ProblemData>(solved);
        named->loadCases.cases[0].name.Set(
            Utf8ToCp1252(options.caseName ? *options.caseName : *options.combinationName));
      }
      const FileResult made = makeReport(named ? *named : solved, envelope, output.bytes);
      if (!made.ok) return Failure{kBatchFileOrUsageError, made.message};
    } else if (output.option == "--picture") {
      const FileResult made = makePicture(solved, envelope, output.path, options.pictureWidth,
                                          options.pictureHeight, output.bytes);
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
  if (const auto failure = ApplyLoadOptions(options, *data)) return fail(*failure);
  std::unique_ptr<ProblemData> state;
  if (options.caseName || options.combinationName) {
    state = std::make_unique<ProblemData>();
    if (const auto failure = SelectState(options, *data, *state)) return fail(*failure);
  }
  ProblemData& solved = state ? *state : *data;
  std::deque<Output> outputs = RequestedOutputs(options);
  if (const std::string clash = OutputClash(options, outputs); !clash.empty()) {
    return fail({kBatchFileOrUsageError, clash});
  }
  std::string summary, warnings;
  std::unique_ptr<Envelope> envelope;
  if (options.envelope) envelope = std::make_unique<Envelope>();
  if (const auto failure = envelope ? CalculateEnvelope(*data, *envelope, summary, warnings)
                                    : Calculate(solved, summary, warnings)) {
    err += warnings;
    return fail(*failure);
  }
  // Results beyond what JSON can hold fail as a calculation does, without a summary; an output
  // that cannot be made fails after it.
  const auto composed =
      ComposeOutputs(options, *data, solved, envelope.get(), outputs, makeReport, makePicture);
  if (composed && composed->status == kBatchCalculationFailed) return fail(*composed);
  out += summary;
  err += warnings;
  if (composed) return fail(*composed);
  if (const auto failure = CheckOutputs(outputs, out, err)) return fail(*failure);
  if (const auto failure = WriteOutputs(outputs)) return fail(*failure);
  return kBatchSuccess;
}

}  // namespace pelvar
