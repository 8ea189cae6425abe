// pelvar-batch: the calculation without a window, for scripts and machines without a display.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "batch/batch_options.h"
#include "batch/batch_run.h"

namespace {

bool WriteAll(std::FILE* stream, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
         std::fflush(stream) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, err;
  int status = pelvar::kBatchSuccess;
  try {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const pelvar::ParsedArguments parsed = pelvar::ParseBatchArguments(arguments);
    if (parsed.ok) {
      status = pelvar::RunBatch(parsed.options, out, err);
    } else {
      err = "pelvar-batch: " + parsed.error + "\nTry \"pelvar-batch --help\".\n";
      status = pelvar::kBatchFileOrUsageError;
    }
  } catch (const std::exception& fault) {
    err += std::string("pelvar-batch: ") + fault.what() + "\n";
    status = pelvar::kBatchCalculationFailed;
  }
  if (!WriteAll(stdout, out)) {
    err += "pelvar-batch: cannot write to standard output\n";
    if (status == pelvar::kBatchSuccess) status = pelvar::kBatchFileOrUsageError;
  }
  WriteAll(stderr, err);
  return status;
}
