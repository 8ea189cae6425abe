#include "report/report_pdf.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryFile>
#include <string_view>

#include "files/file_io.h"
#include "report/qt_page_surface.h"
#include "report/report.h"

namespace pelvar {

bool WriteReportPdf(const ProblemData& data, const std::string& path, std::string& error) {
  error.clear();
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
    error = "The report cannot be written without a QGuiApplication.";
    return false;
  }
  const std::string failure = "The report could not be written to " + path + ".";

  // The printer only writes to a named file of its own; the finished document then goes to
  // path through the same atomic writer as the data files, so that it replaces an earlier file
  // only when complete and gets the permissions of any other saved file.
  QTemporaryFile pages(QDir::tempPath() + QStringLiteral("/pelvar-report-XXXXXX.pdf"));
  if (!pages.open()) {
    error = failure + " No temporary file could be made.";
    return false;
  }
  pages.close();

  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pages.fileName());
    printer.setResolution(600);
    // The margins stand for the printable area of a usual printer: the report has none of its own.
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QtPageSurface surface(printer);
    std::string printError;
    if (!PrintReport(surface, data, printError)) {
      error = failure + " " + printError;
      return false;
    }
  }

  QFile printed(pages.fileName());
  if (!printed.open(QIODevice::ReadOnly)) {
    error = failure;
    return false;
  }
  const QByteArray bytes = printed.readAll();
  if (printed.error() != QFileDevice::NoError) {
    error = failure;
    return false;
  }
  const FileResult written =
      WriteFileAtomically(path, std::string_view(bytes.constData(), bytes.size()));
  if (!written.ok) error = written.message;
  return written.ok;
}

}  // namespace pelvar
