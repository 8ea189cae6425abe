#include "report/report_pdf.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageSize>
#include <QPdfWriter>

#include "files/safe_writer.h"
#include "report/qt_page_surface.h"
#include "report/report.h"

namespace pelvar {
namespace {

FileResult NeedsApplication() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) return {true, {}};
  return {false, "The report cannot be written without a QGuiApplication."};
}

}  // namespace

QPageLayout ReportPdfPageLayout() {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                     QPageLayout::Millimeter);
}

FileResult MakeReportPdf(const ProblemData& data, std::string& pdf, const QPageLayout& layout,
                         int resolution, const Envelope* envelope) {
  if (FileResult ready = NeedsApplication(); !ready.ok) return ready;
  // Made in memory and written by the caller through its own descriptor: nothing opens the
  // file by its name on the way.
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(resolution);
    writer.setPageLayout(layout);
    QtPageSurface surface(writer);
    if (FileResult printed = PrintReport(surface, data, envelope); !printed.ok) return printed;
  }
  pdf.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return {true, {}};
}

FileResult WriteReportPdf(const ProblemData& data, const std::string& path,
                          const QPageLayout& layout, int resolution) {
  if (FileResult ready = NeedsApplication(); !ready.ok) return ready;
  // The place is checked before the pages are made.
  PendingFile file;
  if (FileResult created = file.Create(path); !created.ok) return created;
  std::string pdf;
  if (FileResult made = MakeReportPdf(data, pdf, layout, resolution); !made.ok) return made;
  if (FileResult written = file.Write(pdf); !written.ok) return written;
  return file.Commit();
}

}  // namespace pelvar
