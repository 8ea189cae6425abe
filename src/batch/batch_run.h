#pragma once
// The work of pelvar-batch once its command line is parsed: read, calculate, report, write.

#include <string>

#include "batch/batch_options.h"
#include "model/problem_data.h"

namespace pelvar {

// Exit statuses of pelvar-batch.
inline constexpr int kBatchSuccess = 0;
inline constexpr int kBatchCalculationFailed = 1;
inline constexpr int kBatchFileOrUsageError = 2;

// The node table as CSV with LF line ends: the header "node,x,w,Q,M", then nodes
// 0..elementCount, every real as the shortest text that reads back to the same double.
std::string NodeTableCsv(const ProblemData& data);

// Runs the command; what goes to standard output and standard error is appended to out and
// err. Returns the exit status.
int RunBatch(const BatchOptions& options, std::string& out, std::string& err);

}  // namespace pelvar
