// The print command from the window: the print dialog, and the report on the printer chosen
// there (a PDF file here), read back with poppler's tools.

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <cstdlib>
#include <utility>
#include <vector>

#include "desktop/qt_dialogs.h"
#include "files/problem_file.h"
#include "pdf_tools.h"
#include "report/report_pdf.h"
#include "support/window_fixture.h"

namespace pelvar {
namespace {

using Kind = ScriptedDialogs::Kind;

using namespace pdf_tools;

// What a user picks in the print dialog to print into a PDF file: A4 with the margins of a
// usual printer, as the batch command's PDF writer has them.
void PrintIntoPdf(QPrinter& printer, const QString& file) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(file);
  printer.setResolution(600);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
}

class PrintTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(dir.isValid());
  }
  QString Path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }

  void AnswerPrintInto(const QString& file, bool accept) {
    dialogs.printAnswer = accept;
    dialogs.preparePrinter = [file](QPrinter& printer) { PrintIntoPdf(printer, file); };
  }

  QByteArray Bytes(const QString& name) const {
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
  }

  QTemporaryDir dir;
};

TEST_F(PrintTest, ACancelledDialogPrintsNothing) {
  Click(form->SpeedButtonCalc);
  const std::string before = ProblemFileText(*data);
  AnswerPrintInto(Path("cancelled.pdf"), false);
  Click(form->SpeedButtonPrint);
  form->Print1->trigger();
  EXPECT_EQ(dialogs.printRequests, 2);
  EXPECT_FALSE(QFile::exists(Path("cancelled.pdf")));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(ProblemFileText(*data), before);
  EXPECT_TRUE(data->resultsAvailable);
}

// The real print dialog offers no page range or selection: the report is always printed whole,
// and a range chosen there would be silently ignored. It proposes the file it is given, and
// leaves the printer as it was. Cancelling it starts no document.
TEST_F(PrintTest, TheRealPrintDialogOffersNoPageRange) {
  QtDialogs real;
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(Path("real.pdf"));
  bool seen = false, range = true, selection = true;
  QString proposed;
  QTimer answer;
  answer.setInterval(10);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
      seen = true;
      range = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
      selection = dialog->testOption(QAbstractPrintDialog::PrintSelection);
      if (auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"))) {
        proposed = file->text();
      }
      QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    } else if (modal != nullptr) {
      modal->close();
    }
  });
  answer.start();
  EXPECT_FALSE(real.print(form.get(), printer, Path("beam.pdf")));
  EXPECT_TRUE(seen);
  EXPECT_FALSE(range);
  EXPECT_FALSE(selection);
  EXPECT_EQ(proposed, Path("beam.pdf"));
  EXPECT_EQ(printer.outputFileName(), Path("real.pdf"));
  EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
  EXPECT_FALSE(QFile::exists(Path("real.pdf")));
}

// The print dialog proposes a PDF file of the data file's name beside it; before the problem is
// saved, one of the name the file dialogs propose, in the folder the save dialog starts in; shown
// again, the file chosen in it.
TEST_F(PrintTest, TheDialogProposesAFileBesideTheDataFile) {
  dialogs.printAnswer = false;
  Press(Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(dialogs.printFiles.size(), 1u);
  EXPECT_EQ(dialogs.printFiles[0], QDir::currentPath() + "/Demo.pdf");

  dialogs.fileAnswers = {Path("Pile A.PLV"), Path("sub/beam")};
  Press(Qt::Key_S, Qt::ControlModifier);
  Press(Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(dialogs.printFiles.size(), 2u);
  EXPECT_EQ(dialogs.printFiles[1], Path("Pile A.pdf"));
  // Saved in another folder under a name without the extension (Save adds ".plv"), and the
  // name cell emptied: the file saved still names the report.
  ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
  Press(Qt::Key_S, Qt::ControlModifier);
  ClickCell(form->MainGrid, 1, 1);
  Type(form->MainGrid, "");
  Press(Qt::Key_Delete);
  Press(Qt::Key_Return);
  Press(Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(dialogs.printFiles.size(), 3u);
  EXPECT_EQ(dialogs.printFiles[2], Path("sub/beam.pdf"));

  // A file that exists, declined: the dialog comes back with it.
  QFile(Path("other.pdf")).open(QIODevice::WriteOnly);
  AnswerPrintInto(Path("other.pdf"), true);
  dialogs.printAnswers = {true, false};
  Press(Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(dialogs.printFiles.size(), 5u);
  EXPECT_EQ(dialogs.printFiles[4], Path("other.pdf"));
}

TEST_F(PrintTest, WithResultsTheOutputAndTheGraphsPageFollow) {
  if (!PopplerPresent()) GTEST_SKIP() << "pdftotext and pdfinfo are not installed";
  Click(form->SpeedButtonCalc);
  ASSERT_TRUE(data->resultsAvailable);
  AnswerPrintInto(Path("results.pdf"), true);
  form->Print1->trigger();
  EXPECT_EQ(dialogs.printRequests, 1);
  EXPECT_TRUE(dialogs.shown.empty());

  // As many pages as the report of the same problem written straight into a PDF of that page,
  // and at least three: the 101 rows of the output table do not fit beside the input on page 1,
  // and the graphs have a page of their own.
  FileResult outcome = WriteReportPdf(*data, Path("reference.pdf").toStdString());
  ASSERT_TRUE(outcome.ok) << outcome.message;
  const int pages = PdfPages(Path("results.pdf"));
  EXPECT_GE(pages, 3);
  EXPECT_EQ(pages, PdfPages(Path("reference.pdf")));
  const QStringList texts = PdfPageTexts(Path("results.pdf"));
  ASSERT_EQ(texts.size(), pages);
  EXPECT_TRUE(texts.first().contains("Page 1")) << texts.first().toStdString();
  EXPECT_TRUE(texts.first().contains("Demonstration Problem"));
  EXPECT_TRUE(texts.first().contains("Output Data"));
  EXPECT_TRUE(texts.last().contains("Graphs"));
  EXPECT_TRUE(texts.last().contains("Maximum moment : 356.780 kNm")) << texts.last().toStdString();
  EXPECT_TRUE(texts.last().contains("Minimum shear force : -50.000 kN"));
}

// With load cases the report has their pages after the input, and the envelope of the problem
// as it stands between the output and the graphs.
TEST_F(PrintTest, WithLoadCasesTheirPagesAndTheEnvelopeFollow) {
  if (!PopplerPresent()) GTEST_SKIP() << "pdftotext and pdfinfo are not installed";
  LoadCases& cases = data->loadCases;
  cases.caseCount = 2;
  cases.cases[1].name.Set("Live");
  cases.cases[1].sectionLoad[1] = 5.0;
  cases.combinationCount = 2;
  cases.combinations[0].name.Set("ULS");
  cases.combinations[0].factor = {1.35, 1.5};
  cases.combinations[1].name.Set("Dead alone");
  cases.combinations[1].factor = {1.0, 0.0};
  Click(form->SpeedButtonCalc);
  ASSERT_TRUE(data->resultsAvailable);
  AnswerPrintInto(Path("cases.pdf"), true);
  Press(Qt::Key_P, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.shown.empty());
  const QString text = PdfPageTexts(Path("cases.pdf")).join(QLatin1Char(' '));
  qsizetype at = 0;
  for (const char* part :
       {"Input Data", "Load Cases", "Case 2: \"Live\"", "Combinations", "Dead alone", "Output Data",
        "Envelope", "Extremes over 2 states", "Governing States", "[1] \"ULS\"", "Graphs"}) {
    const qsizetype found = text.indexOf(QString::fromUtf8(part), at);
    EXPECT_GE(found, 0) << part << "\n" << text.toStdString();
    if (found >= 0) at = found;
  }
}

TEST_F(PrintTest, WithoutResultsTheReportEndsAfterTheInput) {
  if (!PopplerPresent()) GTEST_SKIP() << "pdftotext and pdfinfo are not installed";
  // Save right after Calculate and Open that file: no results to print until the next run.
  Click(form->SpeedButtonCalc);
  dialogs.fileAnswers = {Path("Demo.plv"), Path("Demo.plv")};
  Click(form->SpeedButtonSave);
  Click(form->SpeedButtonOpen);
  ASSERT_TRUE(dialogs.shown.empty());
  ASSERT_FALSE(data->resultsAvailable);

  AnswerPrintInto(Path("input.pdf"), true);
  Click(form->SpeedButtonPrint);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(PdfPages(Path("input.pdf")), 1);
  const QStringList texts = PdfPageTexts(Path("input.pdf"));
  ASSERT_EQ(texts.size(), 1);
  EXPECT_TRUE(texts[0].contains("Input Data"));
  EXPECT_TRUE(texts[0].contains("Forces"));
  EXPECT_FALSE(texts[0].contains("Output Data"));
  EXPECT_FALSE(texts[0].contains("Graphs"));
}

// Printed into a file, the report replaces an existing file only once the user says so, and never
// the data file worked on, however it is named; either answer brings the print dialog back.
TEST_F(PrintTest, IntoAFileAsksBeforeReplacingAndNeverReplacesTheDataFile) {
  dialogs.fileAnswers = {Path("beam.plv")};
  Click(form->SpeedButtonSave);
  const QByteArray dataFile = Bytes("beam.plv");
  ASSERT_TRUE(dataFile.contains("\r\nbeam.plv,\r\n"));
  ASSERT_TRUE(QFile::link(Path("beam.plv"), Path("link.pdf")));
  {
    QFile old(Path("old.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier report");
  }

  // No: the print dialog again, cancelled there.
  AnswerPrintInto(Path("old.pdf"), true);
  dialogs.printAnswers = {true, false};
  Click(form->SpeedButtonPrint);
  EXPECT_EQ(dialogs.printRequests, 2);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Question);
  EXPECT_EQ(dialogs.shown[0].text,
            "\"" + Path("old.pdf") + "\" already exists.\nDo you want to replace it?");
  EXPECT_EQ(dialogs.shown[0].afterDialogs, 2);  // the Save dialog and the first print dialog
  EXPECT_EQ(Bytes("old.pdf"), "an earlier report");

  // Yes replaces it.
  dialogs.questionAnswers = {true};
  Click(form->SpeedButtonPrint);
  EXPECT_EQ(dialogs.printRequests, 3);
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].text, dialogs.shown[0].text);
  EXPECT_TRUE(Bytes("old.pdf").startsWith("%PDF-"));

  // The data file, by its name, another spelling of it or a link to it: refused before any
  // question, whatever the answer would be, and the print dialog comes back.
  const QString refusal = "; writing there would replace it. Choose another name.";
  const QString asSaved = " (opened or saved as \"" + Path("beam.plv") + "\")";
  const std::vector<std::pair<QString, QString>> refused = {
      {Path("beam.plv"), "\"" + Path("beam.plv") + "\" is the data file being worked on" + refusal},
      {dir.path() + "/./beam.plv",
       "\"" + dir.path() + "/./beam.plv\" is the data file being worked on" + asSaved + refusal},
      {Path("link.pdf"),
       "\"" + Path("link.pdf") + "\" is the data file being worked on" + asSaved + refusal}};
  for (const auto& [target, message] : refused) {
    SCOPED_TRACE(target.toStdString());
    dialogs.shown.clear();
    dialogs.questionAnswers = {true};
    AnswerPrintInto(target, true);
    dialogs.printAnswers = {true, false};
    const int before = dialogs.printRequests;
    Click(form->SpeedButtonPrint);
    EXPECT_EQ(dialogs.printRequests, before + 2);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, Kind::Error);
    EXPECT_EQ(dialogs.shown[0].text, message);
    EXPECT_EQ(dialogs.shown[0].afterDialogs, 1 + before + 1);
  }
  EXPECT_EQ(Bytes("beam.plv"), dataFile);
  EXPECT_TRUE(QFileInfo(Path("link.pdf")).isSymLink());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            (QStringList{"beam.plv", "link.pdf", "old.pdf"}));
}

// Printing into a file goes through the safe writer: a file that cannot be written is reported
// with the system's reason, and on a full disk (a file size limit here) an earlier file stays
// whole.
TEST_F(PrintTest, AFileThatCannotBeWrittenIsReportedAndAnEarlierOneKept) {
  AnswerPrintInto(Path("no such folder/report.pdf"), true);
  Click(form->SpeedButtonPrint);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[0].text, "Cannot save \"" + Path("no such folder/report.pdf") +
                                       "\": No such file or directory.");
  EXPECT_FALSE(QFile::exists(Path("no such folder/report.pdf")));

  Click(form->SpeedButtonCalc);
  {
    QFile old(Path("old.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier report");
  }
  AnswerPrintInto(Path("old.pdf"), true);
  dialogs.questionAnswers = {true};  // replace the earlier report
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{4096, limit.rlim_max};
  const auto defaultAction = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  Click(form->SpeedButtonPrint);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, defaultAction);
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[1].kind, Kind::Question);
  EXPECT_EQ(dialogs.shown[2].text, "Cannot save \"" + Path("old.pdf") + "\": File too large.");
  QFile old(Path("old.pdf"));
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "an earlier report");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.pdf"});
}

}  // namespace
}  // namespace pelvar
