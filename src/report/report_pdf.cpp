#include "report/report_pdf.h"

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "files/file_io.h"
#include "report/qt_page_surface.h"
#include "report/report.h"

namespace pelvar {

FileResult WriteReportPdf(const ProblemData& data, const std::string& path) {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
    return {false, "The report cannot be written without a QGuiApplication."};
  }
  const std::string failure = "The report could not be written to " + path + ".";

  // The printer writes straight into the temporary file beside the target, which takes the
  // target's place only when the report is complete, as a saved data file does.
  PendingFile pages;
  if (FileResult created = pages.Create(path); !created.ok) return created;
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QFile::decodeName(QByteArray::fromStdString(pages.TemporaryPath())));
    printer.setResolution(600);
    // The margins stand for the printable area of a usual printer: the report has none of its own.
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QtPageSurface surface(printer);
    if (const FileResult printed = PrintReport(surface, data); !printed.ok) {
      std::string printError = printed.message;
      // The printer does not say why its file failed; a write at the same place tells what the
      // system says (a full disk, a file size limit).
      if (const int reason = pages.WriteError(); reason != 0) {
        if (!printError.empty() && printError.back() == '.') printError.pop_back();
        printError += ": " + SystemErrorText(reason) + ".";
      }
      return {false, failure + " " + printError};
    }
  }
  // The printer's last writes (the trailer of the document) can fail unseen; a PDF whose end
  // mark is missing is incomplete.
  QFile printed(QFile::decodeName(QByteArray::fromStdString(pages.TemporaryPath())));
  const bool opened = printed.open(QIODevice::ReadOnly);
  if (!opened || !printed.seek(printed.size() > 32 ? printed.size() - 32 : 0) ||
      !printed.readAll().contains("%%EOF")) {
    const int reason = pages.WriteError();
    return {false, failure +
                       " The printer failed at the end of the report; the report was not finished" +
                       (reason != 0 ? ": " + SystemErrorText(reason) : std::string()) + "."};
  }
  printed.close();
  return pages.Commit();
}

}  // namespace pelvar
