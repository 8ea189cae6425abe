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
#include <QFont>
#include <QGuiApplication>
#include <algorithm>
#include <memory>

#include "drawings/diagram_picture.h"
#include "qt_text/text_edge.h"
#include "report/report_pdf.h"
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
  // The report's and the picture's fonts and pages need a Qt application; it is made only when
  // one of them is asked for, on the offscreen platform unless another is named, so no display
  // is ever needed.
  std::unique_ptr<QGuiApplication> application;
  auto startApplication = [&] {
    if (!application) {
      if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
      // Qt's notes about the platform (no runtime folder and the like) are not this command's
      // output; only its critical messages still reach standard error.
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
          std::fputs(("pelvar-batch: " + text.toStdString() + "\n").c_str(), stderr);
        }
      });
      application = std::make_unique<QGuiApplication>(argc, argv);
    }
  };
  makeReport = [&](const pelvar::ProblemData& data, std::string& pdf) {
    startApplication();
    return pelvar::MakeReportPdf(data, pdf);
  };
  makePicture = [&](const pelvar::ProblemData& data, const std::string& path, int width, int height,
                    std::string& bytes) {
    startApplication();
    // The picture as the results window exports it, dated today.
    const pelvar::PictureRequest request =
        pelvar::DiagramFileRequest(data, QSize(width, height), QDate::currentDate());
    return pelvar::MakeDiagramPicture(path, *pelvar::TakeResultsSnapshot(data), request, bytes);
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
