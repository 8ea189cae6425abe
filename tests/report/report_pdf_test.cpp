// The report through the Qt page surface into real PDF files, read back with poppler's tools.

#include "report/report_pdf.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/problem_data.h"
#include "pdf_tools.h"
#include "plot/support_layout.h"
#include "report/qt_page_surface.h"
#include "report/report.h"
#include "support/recording_surface.h"
#include "text/number_format.h"
#include "text/number_reader.h"

namespace pelvar {
namespace {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "report_pdf_test";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QGuiApplication(argc, argv);
}

using namespace pdf_tools;

// The printer as the PDF writer sets it up, for measuring the fonts on it.
void SetUpLikeTheWriter(QPrinter& printer, const QString& file, int dpi) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(file);
  printer.setResolution(dpi);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
}

struct Measured {
  int width = 0, height = 0, bold = 0, regular = 0;
};

Measured MeasureOn(const QString& file, int dpi) {
  QPrinter printer(QPrinter::HighResolution);
  SetUpLikeTheWriter(printer, file, dpi);
  QtPageSurface surface(printer);
  Measured m;
  if (!surface.BeginDocument()) return m;
  m.width = surface.PageWidth();
  m.height = surface.PageHeight();
  surface.SelectFont(ReportFont::Bold);
  m.bold = surface.TextSize("W").height;
  surface.SelectFont(ReportFont::Regular);
  m.regular = surface.TextSize("W").height;
  surface.EndDocument();
  return m;
}

void FillResults(ProblemData& data, int elements) {
  data.elementCount = elements;
  for (int k = 0; k <= elements; ++k) {
    const double x = 30.0 * k / elements;
    // The moment sags to -225 kNm at mid-span and is +0 at both ends.
    const double q = 50.0 - 100.0 * k / elements, m = (x - 15.0) * (x - 15.0) - 225.0;
    data.nodes[k] = {x, 0.001 * k, q, m, q, m};
  }
  data.resultsAvailable = true;
}

TEST(ReportQtSurface, FontsKeepTheirPointSizeAtAnyResolution) {
  EnsureApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const Measured at300 = MeasureOn(dir.filePath("a.pdf"), 300);
  const Measured at600 = MeasureOn(dir.filePath("b.pdf"), 600);
  // A4 less 10 mm on each side: 190 x 277 mm.
  EXPECT_NEAR(at600.width, 190 / 25.4 * 600, 12);  // within half a millimetre
  EXPECT_NEAR(at600.height, 277 / 25.4 * 600, 12);
  // 10 pt and 8 pt: an em of 83 and 67 pixels at 600 dpi; the line height is a little more.
  EXPECT_GT(at600.bold, 83);
  EXPECT_LT(at600.bold, 83 * 1.4);
  EXPECT_GT(at600.regular, 67);
  EXPECT_LT(at600.regular, 67 * 1.4);
  EXPECT_NEAR(at600.bold, 2 * at300.bold, 2);
  EXPECT_NEAR(at600.regular, 2 * at300.regular, 2);

  const QFontInfo regular(QtPageSurface::ReportQFont(ReportFont::Regular));
  if (QFile::exists("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf")) {
    EXPECT_EQ(regular.family(), "Liberation Sans");
  }
  EXPECT_TRUE(QFontInfo(QtPageSurface::ReportQFont(ReportFont::Bold)).bold());
  EXPECT_FALSE(regular.bold());
}

TEST(ReportPdf, PagesAndTexts) {
  if (!PopplerPresent()) GTEST_SKIP() << "pdftotext and pdfinfo are not installed";
  EnsureApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath("report.pdf");

  ProblemData data;
  data.problemName.Set("Quay wall \xB2");  // a Windows-1252 byte beyond ASCII
  data.sections[0].spring = 123456.0;
  FillResults(data, 1000);
  FileResult outcome = WriteReportPdf(data, file.toStdString());
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(outcome.message, "");

  // The pages the layout gives for these line heights on this page.
  const Measured m = MeasureOn(dir.filePath("measure.pdf"), 600);
  RecordingSurface layout(m.width, m.height, {9, m.bold, 7, m.regular});
  const FileResult layoutOutcome = PrintReport(layout, data);
  ASSERT_TRUE(layoutOutcome.ok);
  const int pages = PdfPages(file);
  ASSERT_GT(layout.PageCount(), 3);
  EXPECT_EQ(pages, layout.PageCount());

  const QString first = PdfPageText(file, 1);
  for (const char* text :
       {"Pelvar - Beam on Elastic Foundation", "Page 1", "A Tessaly Program",
        "Printed by Pelvar, analysis of a beam on an elastic foundation", "Tessaly,",
        "Quay wall \u00B2", "General Data", "EI (kNm\u00B2)", "1000000.0", "Input Data",
        "kN/m\u00B2", "kN/m\u00B3", "123456.000", "Forces", "Output Data"}) {
    EXPECT_TRUE(first.simplified().contains(QString::fromUtf8(text))) << text << "\n"
                                                                      << first.toStdString();
  }
  for (int page = 2; page <= pages; ++page) {
    const QString text = PdfPageText(file, page);
    EXPECT_TRUE(text.contains(QString::fromStdString(FormatText("Page %d", page)))) << page;
    EXPECT_TRUE(text.contains("Pelvar - Beam on Elastic Foundation")) << page;
    EXPECT_FALSE(text.contains("A Tessaly Program")) << page;
    // The output table's headings stand on every page it continues on, the graphs' excepted.
    EXPECT_EQ(text.contains("Point"), page < pages) << page;
  }
  const QString second = PdfPageText(file, 2);
  const QString beforeLast = PdfPageText(file, pages - 1);
  EXPECT_TRUE(beforeLast.simplified().contains("1000 30.000 1.000000 -50.000 0.000"))
      << beforeLast.toStdString();
  const QString last = PdfPageText(file, pages);
  for (const char* text :
       {"Graphs", "Minimum displacement : 0.000 m", "Maximum displacement : 1.000 m",
        "Minimum shear force : -50.000 kN", "Maximum shear force : 50.000 kN",
        "Minimum moment : -225.000 kNm", "Maximum moment : 0.000 kNm"}) {
    EXPECT_TRUE(last.simplified().contains(text)) << text << "\n" << last.toStdString();
  }
  EXPECT_FALSE(last.contains("Output Data"));
  EXPECT_FALSE(second.contains("Graphs"));
}

// The supports on the graphs page of a real PDF: the page rendered with and without them differs
// only inside each symbol's reach from where the layout puts it, and each symbol leaves ink there.
TEST(ReportPdf, SupportsOnTheGraphsPage) {
  if (!PopplerPresent() || std::system("command -v pdftoppm >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "poppler's tools are not installed";
  }
  EnsureApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ProblemData data;
  FillResults(data, 100);
  ProblemData held = data;
  held.points[0].support.kind = SupportKind::Fixed;
  held.points[2].support.kind = SupportKind::Pinned;
  held.points[3].support = {SupportKind::Elastic, 5000.0, 2.0e4, 0.0, 0.0};
  constexpr int kDpi = 100;
  auto render = [&](const ProblemData& problem, const QString& name) {
    const QString file = dir.filePath(name + ".pdf");
    EXPECT_TRUE(WriteReportPdf(problem, file.toStdString()).ok);
    const QString page = QString::number(PdfPages(file));
    QProcess::execute("pdftoppm", {"-png", "-r", QString::number(kDpi), "-f", page, "-l", page,
                                   "-singlefile", file, dir.filePath(name)});
    return QImage(dir.filePath(name + ".png")).convertToFormat(QImage::Format_RGB32);
  };
  const QImage plain = render(data, "plain"), image = render(held, "held");
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), plain.size());

  // Where the layout puts the symbols, in the page's pixels at kDpi.
  const Measured m = MeasureOn(dir.filePath("measure.pdf"), kReportPdfResolution);
  RecordingSurface layout(m.width, m.height, {9, m.bold, 7, m.regular});
  ASSERT_TRUE(PrintReport(layout, held).ok);
  const std::vector<RecordedCall> supports = layout.CallsOf(CallKind::Support);
  ASSERT_EQ(supports.size(), 3u);
  const QPointF origin = ReportPdfPageLayout().paintRectPixels(kReportPdfResolution).topLeft();
  const double scale = static_cast<double>(kDpi) / kReportPdfResolution;
  std::vector<QRectF> reach;
  for (const RecordedCall& call : supports) {
    const double size = call.size, pen = SupportPenWidth(size);
    EXPECT_GT(size, m.regular);
    const QRectF box(
        QPointF(call.x - kSupportAside * size - pen, call.y - kSupportAbove * size - pen),
        QPointF(call.x + kSupportAside * size + pen, call.y + kSupportBelow * size + pen));
    // A pixel of antialiasing around it.
    reach.push_back(QRectF((origin + box.topLeft()) * scale, (origin + box.bottomRight()) * scale)
                        .adjusted(-1, -1, 1, 1));
  }
  std::vector<int> ink(reach.size(), 0);
  int stray = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == plain.pixel(x, y)) continue;
      const QPointF at(x + 0.5, y + 0.5);
      // The w letter moves left of the left end's symbol.
      if (at.x() < reach[0].left()) continue;
      bool inside = false;
      for (std::size_t i = 0; i < reach.size(); ++i) {
        if (reach[i].contains(at)) {
          ++ink[i];
          inside = true;
        }
      }
      stray += inside ? 0 : 1;
    }
  }
  EXPECT_EQ(stray, 0);
  for (std::size_t i = 0; i < ink.size(); ++i) EXPECT_GT(ink[i], 10) << i;
}

TEST(ReportPdf, WithoutResultsOnePage) {
  if (!PopplerPresent()) GTEST_SKIP() << "pdftotext and pdfinfo are not installed";
  EnsureApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath("plain.pdf");
  // An earlier file of that name is replaced and keeps its permissions; a new file gets those
  // of any file made under the process's umask.
  {
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
  }
  ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0604), 0);
  ProblemData data;
  FillResults(data, 100);
  data.resultsAvailable = false;
  const mode_t umaskBefore = ::umask(027);
  const FileResult replaced = WriteReportPdf(data, file.toStdString());
  const QString fresh = dir.filePath("fresh.pdf");
  const FileResult created = WriteReportPdf(data, fresh.toStdString());
  ::umask(umaskBefore);
  ASSERT_TRUE(replaced.ok) << replaced.message;
  ASSERT_TRUE(created.ok) << created.message;
  struct stat status {};
  ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0604u);
  ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  ASSERT_TRUE(QFile::remove(fresh));

  EXPECT_EQ(PdfPages(file), 1);
  const QString text = PdfPageText(file, 1);
  EXPECT_TRUE(text.contains("Forces"));
  EXPECT_FALSE(text.contains("Output Data"));
  EXPECT_FALSE(text.contains("Graphs"));
  // Nothing but the report is left in the folder.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain.pdf"});
}

TEST(ReportPdf, UnwritablePlaceIsReported) {
  EnsureApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ProblemData data;
  FileResult outcome;
  const std::string missing = dir.filePath("no such folder/report.pdf").toStdString();
  outcome = WriteReportPdf(data, missing);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "Cannot save \"" + missing + "\": No such file or directory.");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(missing)));

  const std::string folder = dir.path().toStdString();
  outcome = WriteReportPdf(data, folder);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "Cannot save \"" + folder + "\": Is a directory.");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{});

  // A printer that cannot open its output: the report is not started.
  QPrinter printer(QPrinter::HighResolution);
  SetUpLikeTheWriter(printer, QString::fromStdString(missing), 600);
  QtPageSurface surface(printer);
  outcome = PrintReport(surface, data);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "The printer could not start the report.");
  EXPECT_TRUE(surface.Failed());
}

// The report is made in memory and written through the descriptor made with its temporary file:
// nothing opens that file again by its name, where another process in the folder could have put
// a link to a file of its choosing. The kernel's own record of the opens tells.
TEST(ReportPdf, TheTemporaryFileIsOpenedOnceWhenItIsMade) {
  EnsureApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string folder = QFile::encodeName(dir.path()).toStdString();
  const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  // Closes are watched too: the kernel merges like events that follow one another unread.
  ASSERT_GE(::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_OPEN | IN_CLOSE), 0);
  ProblemData data;
  FillResults(data, 100);
  const FileResult outcome = WriteReportPdf(data, folder + "/r.pdf");
  ASSERT_TRUE(outcome.ok) << outcome.message;
  int made = 0, opened = 0;
  alignas(inotify_event) char events[65536];
  for (ssize_t size; (size = ::read(watch, events, sizeof events)) > 0;) {
    for (ssize_t at = 0; at < size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      if (event->len > 0 && std::string(event->name).starts_with(".r.pdf.pelvar-")) {
        made += (event->mask & IN_CREATE) != 0;
        opened += (event->mask & IN_OPEN) != 0;
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  ::close(watch);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace pelvar
