// pelvar-batch: the calculation without a window, for scripts and machines without a display.

#include <cerrno>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "batch/batch_options.h"
#include "batch/batch_run.h"
#include "files/paths_and_messages.h"
#include "files/safe_writer.h"

#ifdef PELVAR_BATCH_WITH_REPORT
#include "batch/drawing_loader.h"
#endif

namespace {

bool WriteAll(std::FILE* stream, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
         std::fflush(stream) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, err;
  int status = pelvar::kBatchSuccess;
  pelvar::IgnoreFileSizeSignal();
  pelvar::ReportMaker makeReport;
  pelvar::PictureMaker makePicture;
#ifdef PELVAR_BATCH_WITH_REPORT
  // The report and the picture need the window toolkit, which the calculation does without:
  // their module, and Qt with it, is loaded only when one of them is asked for.
  pelvar::DrawingModule drawing(pelvar::DrawingModulePlaces(pelvar::RunningProgram()), argc, argv);
  makeReport = [&drawing](const pelvar::ProblemData& data, const pelvar::Envelope* envelope,
                          std::string& pdf) { return drawing.MakeReport(data, envelope, pdf); };
  makePicture = [&drawing](const pelvar::ProblemData& data, const pelvar::Envelope* envelope,
                           const std::string& path, int width, int height, std::string& bytes) {
    return drawing.MakePicture(data, envelope, path, width, height, bytes);
  };
#endif
  try {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const pelvar::ParsedArguments parsed = pelvar::ParseBatchArguments(arguments);
    if (parsed.ok) {
      status = pelvar::RunBatch(parsed.options, out, err, makeReport, makePicture);
    } else {
      err = "pelvar-batch: " + parsed.error + "\nTry \"pelvar-batch --help\".\n";
      status = pelvar::kBatchFileOrUsageError;
    }
  } catch (const std::exception& fault) {
    err += std::string("pelvar-batch: ") + fault.what() + "\n";
    status = pelvar::kBatchCalculationFailed;
  }
  errno = 0;
  if (!WriteAll(stdout, out)) {
    err += "pelvar-batch: cannot write to standard output";
    if (errno != 0) err += ": " + pelvar::SystemErrorText(errno);
    err += "\n";
    if (status == pelvar::kBatchSuccess) status = pelvar::kBatchFileOrUsageError;
  }
  WriteAll(stderr, err);
  return status;
}
