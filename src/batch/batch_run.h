#pragma once
// The work of pelvar-batch once its command line is parsed: read, calculate, report, write.

#include <functional>
#include <string>

#include "batch/batch_options.h"
#include "files/file_result.h"
#include "files/results_csv.h"  // NodeTableCsv, written by --nodes
#include "model/problem_data.h"

namespace pelvar {

// Exit statuses of pelvar-batch.
inline constexpr int kBatchSuccess = 0;
inline constexpr int kBatchCalculationFailed = 1;
inline constexpr int kBatchFileOrUsageError = 2;

// Writes the printed report of a calculated problem as a PDF file, saying why where it fails.
// The report needs a window toolkit, which the rest of the command does without, so the program
// passes it in (and a build without the toolkit passes none).
using ReportWriter = std::function<FileResult(const ProblemData& data, const std::string& path)>;
// Writes the diagrams of a calculated problem as a picture of width x height pixels, likewise.
using PictureWriter = std::function<FileResult(const ProblemData& data, const std::string& path,
                                               int width, int height)>;

// Runs the command; what goes to standard output and standard error is appended to out and
// err. Returns the exit status.
int RunBatch(const BatchOptions& options, std::string& out, std::string& err,
             const ReportWriter& writeReport = nullptr,
             const PictureWriter& writePicture = nullptr);

}  // namespace pelvar
