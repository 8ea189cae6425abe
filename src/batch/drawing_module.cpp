// pelvar-batch's drawing module: the report and the picture, with the Qt application they need.

#include "batch/drawing_module.h"

#include <QDate>
#include <QGuiApplication>
#include <QSize>
#include <cstdio>
#include <exception>
#include <memory>

#include "drawings/diagram_picture.h"
#include "drawings/results_diagrams.h"
#include "report/report_pdf.h"

struct PelvarBatchDrawing {
  PelvarBatchDrawing(int& argc, char** argv) : application(argc, argv) {}
  QGuiApplication application;
};

namespace {

// Runs a call, leaving the text of an exception that escapes it in fault.
template <typename Call>
void Guarded(std::string* fault, Call&& call) {
  try {
    call();
  } catch (const std::exception& thrown) {
    *fault = thrown.what();
  } catch (...) {
    *fault = "an unknown fault in the drawing module";
  }
}

PelvarBatchDrawing* Start(int* argc, char** argv, std::string* fault) {
  PelvarBatchDrawing* drawing = nullptr;
  Guarded(fault, [&] {
    // The report's and the picture's fonts and pages need a Qt application, on the offscreen
    // platform unless another is named, so no display is ever needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about the platform (no runtime folder and the like) are not this command's
    // output; only its critical messages still reach standard error.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fputs(("pelvar-batch: " + text.toStdString() + "\n").c_str(), stderr);
      }
    });
    drawing = new PelvarBatchDrawing(*argc, argv);
  });
  return drawing;
}

void MakeReport(PelvarBatchDrawing*, const pelvar::ProblemData* data,
                const pelvar::Envelope* envelope, std::string* pdf, pelvar::FileResult* result,
                std::string* fault) {
  Guarded(fault, [&] {
    *result = pelvar::MakeReportPdf(*data, *pdf, pelvar::ReportPdfPageLayout(),
                                    pelvar::kReportPdfResolution, envelope);
  });
}

void MakePicture(PelvarBatchDrawing*, const pelvar::ProblemData* data,
                 const pelvar::Envelope* envelope, const char* path, int width, int height,
                 std::string* bytes, pelvar::FileResult* result, std::string* fault) {
  Guarded(fault, [&] {
    // The picture as the results window exports it, dated today; the envelope's named so in
    // its heading. The snapshot lives only within this call, and the caller's envelope with it.
    const auto snapshot =
        envelope != nullptr
            ? pelvar::TakeEnvelopeSnapshot(
                  *data, std::shared_ptr<const pelvar::Envelope>(envelope, [](const auto*) {}))
            : pelvar::TakeResultsSnapshot(*data);
    pelvar::PictureRequest request =
        pelvar::DiagramFileRequest(*data, QSize(width, height), QDate::currentDate());
    request.extras.name = pelvar::ShownHeading(request.extras.name, *snapshot);
    *result = pelvar::MakeDiagramPicture(path, *snapshot, request, *bytes);
  });
}

void Finish(PelvarBatchDrawing* drawing) { delete drawing; }

}  // namespace

extern "C" __attribute__((visibility("default"))) const PelvarBatchDrawingCalls*
pelvar_batch_drawing_calls(void) {
  static constexpr PelvarBatchDrawingCalls kCalls{pelvar::kDrawingModuleBuild,
                                                  sizeof(pelvar::ProblemData),
                                                  Start,
                                                  MakeReport,
                                                  MakePicture,
                                                  Finish};
  return &kCalls;
}
