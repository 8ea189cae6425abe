#pragma once
// The work of pelvar-batch once its command line is parsed: read, calculate, report, write.

#include <functional>
#include <string>

#include "analysis/envelope.h"
#include "batch/batch_options.h"
#include "files/file_result.h"
#include "files/results_csv.h"  // NodeTableCsv, written by --nodes
#include "model/problem_data.h"

namespace pelvar {

struct Envelope;  // analysis/envelope.h

// Exit statuses of pelvar-batch.
inline constexpr int kBatchSuccess = 0;
inline constexpr int kBatchCalculationFailed = 1;
inline constexpr int kBatchFileOrUsageError = 2;

// Makes the printed report of a calculated problem as the bytes of a PDF file, with the envelope
// where one is given (else as PrintReport has it), saying why where it fails. The report needs a
// window toolkit, which the rest of the command does without, so the program passes it in (and
// a build without the toolkit passes none).
using ReportMaker =
    std::function<FileResult(const ProblemData& data, const Envelope* envelope, std::string& pdf)>;
// Makes the diagrams of a calculated problem as a picture of width x height pixels in the format
// its path names (PNG, or SVG for a name ending in .svg), likewise; with an envelope of the
// problem's states (then data need hold no results), the envelope's.
using PictureMaker =
    std::function<FileResult(const ProblemData& data, const Envelope* envelope,
                             const std::string& path, int width, int height, std::string& bytes)>;

// Runs the command; what goes to standard output and standard error is appended to out and
// err. Returns the exit status. Every output is made and checked (its contents, its place, the
// file it would replace) before the first one is put in place.
int RunBatch(const BatchOptions& options, std::string& out, std::string& err,
             const ReportMaker& makeReport = nullptr, const PictureMaker& makePicture = nullptr);

}  // namespace pelvar
