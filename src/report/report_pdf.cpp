#include "report/report_pdf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryFile>
#include <cstdio>

#include "report/qt_page_surface.h"
#include "report/report.h"

namespace pelvar {

bool WriteReportPdf(const ProblemData& data, const std::string& path, std::string& error) {
  error.clear();
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
    error = "The report cannot be written without a QGuiApplication.";
    return false;
  }
  const QString target = QFile::decodeName(QByteArray::fromStdString(path));
  const QFileInfo targetInfo(target);
  const QString failure = QStringLiteral("The report could not be written to ") + target + ".";
  if (path.empty() || targetInfo.isDir()) {
    error = failure.toStdString();
    return false;
  }

  // Reserve a unique name beside the target; the printer writes it anew.
  QTemporaryFile partial(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName() +
                         QStringLiteral(".XXXXXX"));
  if (!partial.open()) {
    error = failure.toStdString();
    return false;
  }
  partial.close();

  bool printed = false;
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(partial.fileName());
    printer.setResolution(600);
    // The margins stand for the printable area of a usual printer: the report has none of its own.
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QtPageSurface surface(printer);
    std::string printError;
    printed = PrintReport(surface, data, printError);
    if (!printed) error = failure.toStdString() + " " + printError;
  }
  if (!printed) return false;

  // rename() replaces the target in one step, so no reader sees half a file.
  const QByteArray from = QFile::encodeName(partial.fileName());
  const QByteArray to = QFile::encodeName(targetInfo.absoluteFilePath());
  if (std::rename(from.constData(), to.constData()) != 0) {
    error = failure.toStdString();
    return false;
  }
  partial.setAutoRemove(false);
  return true;
}

}  // namespace pelvar
