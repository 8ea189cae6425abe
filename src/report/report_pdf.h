#pragma once
// The printed report as a PDF document, without a dialog and without a display.
//
// Needs a QGuiApplication (a QApplication will do) to exist in the process, for the fonts; on a
// machine without a display run it on Qt's offscreen platform (QT_QPA_PLATFORM=offscreen).

#include <QPageLayout>
#include <string>

#include "files/file_result.h"
#include "model/problem_data.h"

namespace pelvar {

struct Envelope;  // analysis/envelope.h

// The page of a report written without a print dialog: A4 with the margins of a usual printer,
// as the report has none of its own, at 600 dots per inch.
QPageLayout ReportPdfPageLayout();
inline constexpr int kReportPdfResolution = 600;

// The report of the problem (with its results while they are available, and the envelope as
// PrintReport has it) as the bytes of a PDF document, made in memory; a failure comes with a
// message for the user.
FileResult MakeReportPdf(const ProblemData& data, std::string& pdf,
                         const QPageLayout& layout = ReportPdfPageLayout(),
                         int resolution = kReportPdfResolution, const Envelope* envelope = nullptr);

// Writes that PDF to path through the safe writer (files/safe_writer.h), as a data file is saved: a
// failure leaves an earlier file of that name as it was and names the system's reason.
FileResult WriteReportPdf(const ProblemData& data, const std::string& path,
                          const QPageLayout& layout = ReportPdfPageLayout(),
                          int resolution = kReportPdfResolution);

}  // namespace pelvar
