// The PDF writer in a process without a QGuiApplication: it refuses with a message instead of
// letting Qt abort the process over the missing font database.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "model/problem_data.h"
#include "report/report_pdf.h"

namespace pelvar {
namespace {

TEST(ReportPdfWithoutApplication, RefusesWithAMessage) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  ProblemData data;
  FileResult outcome;
  const std::string path = testing::TempDir() + "pelvar_report_noapp.pdf";
  std::remove(path.c_str());
  outcome = WriteReportPdf(data, path);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "The report cannot be written without a QGuiApplication.");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  EXPECT_EQ(file, nullptr);
  if (file != nullptr) std::fclose(file);
}

}  // namespace
}  // namespace pelvar
