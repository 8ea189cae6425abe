#pragma once
// Reading back a PDF the program wrote, with poppler's command-line tools, for the tests of the
// report and of the print command. Tests skip when the tools are missing.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdlib>

#include "text/number_format.h"
#include "text/number_reader.h"

namespace pelvar::pdf_tools {

inline bool PopplerPresent() {
  return std::system(
             "command -v pdftotext >/dev/null 2>&1 && command -v pdfinfo >/dev/null 2>&1") == 0;
}

// The standard output of a tool, or an empty text when it fails.
inline QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return QString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

// The page count, or -1 when the file cannot be read.
inline int PdfPages(const QString& file) {
  for (const QString& line : RunTool("pdfinfo", {file}).split('\n')) {
    if (line.startsWith("Pages:")) return ReadInteger(line.mid(6).toStdString());
  }
  return -1;
}

// The text of one page (counted from 1), in the order it was drawn.
inline QString PdfPageText(const QString& file, int page) {
  const QString number = QString::fromStdString(FormatText("%d", page));
  return RunTool("pdftotext", {"-raw", "-f", number, "-l", number, file, "-"});
}

// The text of each page, with runs of blanks made single.
inline QStringList PdfPageTexts(const QString& file) {
  QStringList pages = RunTool("pdftotext", {"-raw", file, "-"}).split(QLatin1Char('\f'));
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  for (QString& page : pages) page = page.simplified();
  return pages;
}

}  // namespace pelvar::pdf_tools
