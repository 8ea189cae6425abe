#pragma once
// The printed report written straight into a PDF file, without a dialog and without a display.
//
// Needs a QGuiApplication (a QApplication will do) to exist in the process, for the fonts; on a
// machine without a display run it on Qt's offscreen platform (QT_QPA_PLATFORM=offscreen).

#include <string>

#include "files/file_result.h"
#include "model/problem_data.h"

namespace pelvar {

// Writes the report of the problem (with its results while they are available) as an A4 PDF to
// path, as a data file is saved: under a temporary name in the same folder, put in place only
// when complete, so a failure leaves an earlier file of that name as it was; a new file gets the
// usual permissions, a replaced one keeps its own (and its owner where the process may set it),
// and a write-protected one is refused. A failure comes with a message for the user, with the
// system's reason where a write failed.
FileResult WriteReportPdf(const ProblemData& data, const std::string& path);

}  // namespace pelvar
