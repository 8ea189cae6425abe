#include "report/report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "analysis/results.h"
#include "plot/diagram_scale.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

// The page label is placed for the widest number it may show, so that it never changes place.
constexpr std::string_view kWidestPageLabel = "Page 9999999";
// Sets the General Data value column; wider than every label printed there.
constexpr std::string_view kGeneralLabelSpan = "Number of Soil Polygons ";

// A column plus a fraction of the digit width, truncated as every other layout position.
int At(int column, double multiple, int d) { return TruncateToPixel(column + multiple * d); }

}  // namespace

struct Report::GraphLayout {
  int xa = 0, xb = 0;
  int gh = 0;
  double sx = 0.0;
  int letterWidth = 0, letterHeight = 0;
  int step = 1;
};

Report::Report(PageSurface& surface, const ProblemData& data)
    : surface_(surface), data_(data), leftMargin_(surface.PageWidth() / 20) {
  AssertCountsWithinLimits(data_);
}

int Report::BodyLineHeight() {
  surface_.SelectFont(ReportFont::Regular);
  return surface_.TextSize("W").height;
}

void Report::PrintTitle(int cursor, std::string_view title) {
  surface_.SelectFont(ReportFont::Bold);
  surface_.TextOut(leftMargin_, cursor, title);
}

Report::ColumnGrid Report::MeasureColumnGrid() {
  surface_.SelectFont(ReportFont::Bold);
  ColumnGrid grid;
  grid.d = surface_.TextSize("99").width;
  const int c = surface_.TextSize("12345.123").width;
  grid.col[1] = leftMargin_ + grid.d;
  for (int i = 2; i <= 5; ++i) grid.col[i] = grid.col[i - 1] + c;
  return grid;
}

int Report::PrintHeader(bool newPage) {
  surface_.SetPenColour(kBlack);
  surface_.SetPenStyle(PenStyle::Solid);
  surface_.SetPenWidth(1);
  surface_.SetPenMode(PenMode::Black);
  surface_.SetBrush(BrushStyle::Solid, kWhite);

  surface_.SelectFont(ReportFont::Bold);
  const int lineHeight = surface_.TextSize("W").height;
  if (newPage && !surface_.NewPage()) throw ReportAborted(surface_.ErrorMessage());

  surface_.TextOut(leftMargin_, lineHeight, kReportTitle);
  surface_.SelectFont(ReportFont::Regular);
  const int labelX = surface_.PageWidth() - surface_.TextSize(kWidestPageLabel).width;
  surface_.TextOut(labelX, lineHeight, FormatText("Page %d", surface_.PageNumber()));

  int y = lineHeight;
  if (surface_.PageNumber() == 1) {
    y = TruncateToPixel(lineHeight + 1.25 * lineHeight);
    surface_.TextOut(leftMargin_, y, kReportMakerLine);
    y += lineHeight;
    surface_.TextOut(leftMargin_, y, kReportNoticeLine);
  }
  y += 2 * lineHeight;

  surface_.SelectFont(ReportFont::Bold);
  const std::string_view user = data_.licensedUser.View();
  surface_.TextOut(leftMargin_, y, std::string(user) + ", ");
  const int nameX = leftMargin_ + surface_.TextSize(user).width + surface_.TextSize("99").width;
  surface_.TextOut(nameX, y, data_.problemName.View());

  surface_.SelectFont(ReportFont::Regular);
  return y + 2 * lineHeight;
}

int Report::PrintGeneralData() {
  int cursor = PrintHeader(false);
  const int h = BodyLineHeight();
  PrintTitle(cursor, "General Data");

  surface_.SelectFont(ReportFont::Regular);
  const int valueX = leftMargin_ + surface_.TextSize(kGeneralLabelSpan).width;
  std::vector<std::pair<std::string, std::string>> rows = {
      {"Licensed User", FormatText(": %s", data_.licensedUser.View())},
      {"File Name", FormatText(": %s", data_.fileName.View())},
      {"Problem Name", FormatText(": %s", data_.problemName.View())},
      {"Number of Sections", FormatText(": %d", data_.sectionCount)},
      {"EI (kNm\xB2)", FormatText(": %12.1f", data_.stiffnessEI)},
      {"Width (m)", FormatText(": %12.3f", data_.beamWidth)},
  };
  // Only where it differs from the springs of every other problem.
  if (data_.noTension) rows.emplace_back("Foundation", ": soil takes no tension");
  cursor += 2 * h;
  for (const auto& [label, value] : rows) {
    surface_.TextOut(leftMargin_, cursor, label);
    surface_.TextOut(valueX, cursor, value);
    cursor += h;
  }
  // A blank line closes the block.
  return cursor + h;
}

int Report::PrintInputData(int cursor) {
  const int h = BodyLineHeight();
  const int bottom = surface_.PageHeight() - h;
  if (cursor > bottom - 10 * h) cursor = PrintHeader(true);

  PrintTitle(cursor, "Input Data");
  cursor += 2 * h;
  PrintTitle(cursor, "Sections");
  cursor += 2 * h;
  ColumnGrid g = MeasureColumnGrid();
  surface_.SelectFont(ReportFont::Regular);
  surface_.TextOut(g.col[1], cursor, "Layer");
  surface_.TextOut(g.col[2] + g.d, cursor, "Length");
  surface_.TextOut(g.col[3] + g.d, cursor, "Load");
  surface_.TextOut(At(g.col[4], 0.9, g.d), cursor, "Spring");
  cursor += h;
  surface_.TextOut(g.col[2] + g.d, cursor, "  m");
  surface_.TextOut(g.col[3] + g.d, cursor, "kN/m\xB2");
  surface_.TextOut(g.col[4] + g.d, cursor, "kN/m\xB3");
  for (int i = 1; i <= data_.sectionCount; ++i) {
    cursor += h;
    if (cursor + h > bottom) cursor = PrintHeader(true);
    const SectionRow& section = data_.sections[i - 1];
    surface_.TextOut(g.col[1], cursor, FormatText("%4d", i));
    surface_.TextOut(g.col[2], cursor, FormatText("%9.3f", section.length));
    surface_.TextOut(g.col[3], cursor, FormatText("%9.3f", section.load));
    surface_.TextOut(g.col[4], cursor, FormatText("%9.3f", section.spring));
  }

  cursor += 2 * h;
  if (cursor + 5 * h > bottom) cursor = PrintHeader(true);
  PrintTitle(cursor, "Forces");
  cursor += 2 * h;
  g = MeasureColumnGrid();
  surface_.SelectFont(ReportFont::Regular);
  surface_.TextOut(g.col[1], cursor, "Point");
  surface_.TextOut(g.col[2] + g.d, cursor, "x");
  surface_.TextOut(g.col[3] + g.d, cursor, "F");
  surface_.TextOut(g.col[4] + g.d, cursor, "M");
  cursor += h;
  surface_.TextOut(g.col[2] + g.d, cursor, "m");
  surface_.TextOut(At(g.col[3], 0.9, g.d), cursor, "kN");
  surface_.TextOut(At(g.col[4], 0.8, g.d), cursor, "kNm");
  for (int j = 0; j <= data_.sectionCount; ++j) {
    cursor += h;
    if (cursor + 3 * h > bottom) cursor = PrintHeader(true);
    const PointLoadRow& point = data_.points[j];
    surface_.TextOut(g.col[1], cursor, FormatText("%4d", j));
    surface_.TextOut(g.col[2], cursor, FormatText("%9.3f", point.x));
    surface_.TextOut(g.col[3], cursor, FormatText("%9.3f", point.force));
    surface_.TextOut(g.col[4], cursor, FormatText("%9.3f", point.moment));
  }
  return cursor + 2 * h;
}

int Report::PrintOutputData(int cursor) {
  const int elementCount = data_.elementCount;
  const int h = BodyLineHeight();
  const int bottom = surface_.PageHeight() - h;
  if (cursor > bottom - 10 * h) cursor = PrintHeader(true);

  PrintTitle(cursor, "Output Data");
  cursor += 2 * h;
  PrintTitle(cursor, "Displacements, Shear Forces and Moments");
  cursor += 2 * h;
  const ColumnGrid g = MeasureColumnGrid();
  surface_.SelectFont(ReportFont::Regular);
  surface_.TextOut(g.col[1], cursor, "Point");
  surface_.TextOut(At(g.col[2], 1.1, g.d), cursor, "x");
  surface_.TextOut(At(g.col[3], 1.1, g.d), cursor, "w");
  surface_.TextOut(At(g.col[4], 1.6, g.d), cursor, "Q");
  surface_.TextOut(At(g.col[5], 1.6, g.d), cursor, "M");
  cursor += h;
  surface_.TextOut(g.col[2] + g.d, cursor, "m");
  surface_.TextOut(g.col[3] + g.d, cursor, "m");
  surface_.TextOut(At(g.col[4], 1.4, g.d), cursor, "kN");
  surface_.TextOut(At(g.col[5], 1.4, g.d), cursor, "kNm");
  for (int k = 0; k <= elementCount; ++k) {
    cursor += h;
    if (cursor + 3 * h > bottom) cursor = PrintHeader(true);
    const ResultNode& node = data_.nodes[k];
    surface_.TextOut(g.col[1], cursor, FormatText("%4d", k));
    surface_.TextOut(g.col[2], cursor, FormatText("%9.3f", node.x));
    surface_.TextOut(g.col[3], cursor, FormatText("%12.6f", node.w));
    surface_.TextOut(g.col[4], cursor, FormatText("%12.3f", node.Q));
    surface_.TextOut(g.col[5], cursor, FormatText("%12.3f", node.M));
  }
  cursor += 2 * h;
  // Where the scheme's answer is far from the exact continuous beam, the paper says so too.
  if (const std::optional<std::string> warning = AccuracyWarning(data_)) {
    if (cursor + h > bottom) cursor = PrintHeader(true);
    surface_.TextOut(leftMargin_, cursor, *warning);
    cursor += 2 * h;
  }
  return cursor;
}

void Report::PrintGraphs(int cursor) {
  const int elementCount = data_.elementCount;
  cursor = PrintHeader(true);
  surface_.SelectFont(ReportFont::Regular);
  const TextExtent letterSize = surface_.TextSize("W");
  PrintTitle(cursor, "Graphs");
  const int yTop = cursor + 2 * letterSize.height;
  surface_.SelectFont(ReportFont::Regular);

  const int plotWidth = surface_.PageWidth() - leftMargin_;
  const int plotHeight = surface_.PageHeight() - 2 * yTop;
  GraphLayout layout;
  const int gw = TruncateToPixel(0.8 * plotWidth);
  layout.gh = TruncateToPixel(0.12 * plotHeight);
  layout.xa = TruncateToPixel(leftMargin_ + 0.1 * plotWidth);
  layout.xb = layout.xa + gw;
  layout.letterWidth = letterSize.width;
  layout.letterHeight = letterSize.height;
  layout.step = PlotStride(elementCount);
  const double span = data_.nodes[elementCount].x - data_.nodes[0].x;
  layout.sx = gw / span;
  // A beam without length (never made by the calculation) is drawn at its left end.
  if (!std::isfinite(layout.sx)) layout.sx = 0.0;

  const ResultSummary extremes = FindExtremes(data_);
  // One blank after each colon on paper, where the screen aligns the values.
  const std::array<std::string, 6> lines = SummaryTexts(extremes, 0);
  int y = TruncateToPixel(yTop + 0.04 * layout.gh);
  for (const std::string& line : lines) {
    surface_.TextOut(layout.xa, y, line);
    y = TruncateToPixel(y + 0.14 * layout.gh);
  }

  DrawDiagram(layout, TruncateToPixel(yTop + 1.5 * layout.gh), extremes.minW, extremes.maxW,
              &ResultNode::w, "w", true);
  DrawDiagram(layout, yTop + 4 * layout.gh, extremes.minQ, extremes.maxQ, &ResultNode::Q, "Q",
              false);
  DrawDiagram(layout, TruncateToPixel(yTop + 6.5 * layout.gh), extremes.minM, extremes.maxM,
              &ResultNode::M, "M", false);
}

void Report::DrawDiagram(const GraphLayout& layout, int axisY, double minValue, double maxValue,
                         double ResultNode::*quantity, std::string_view letter, bool first) {
  if (first) surface_.SetPenColour(kBlack);
  surface_.MoveTo(layout.xa, axisY);
  surface_.LineTo(layout.xb, axisY);
  surface_.TextOut(layout.xa - 2 * layout.letterWidth, axisY - layout.letterHeight / 2, letter);
  if (first) surface_.SetPenMode(PenMode::Copy);

  // The signed maximum sets the scale as long as the diagram stays on the page; otherwise the
  // largest magnitude does, and a diagram of nothing but rounding noise is its axis alone.
  const double sy = DiagramScale(data_, quantity, minValue, maxValue, layout.gh, axisY,
                                 surface_.PageHeight() - static_cast<double>(axisY));
  if (sy == 0.0) return;

  const int elementCount = data_.elementCount;
  auto pixelX = [&](int k) { return TruncateToPixel(layout.xa + layout.sx * data_.nodes[k].x); };
  auto pixelY = [&](int k) { return TruncateToPixel(axisY + sy * (data_.nodes[k].*quantity)); };
  surface_.MoveTo(layout.xa, pixelY(0));
  for (int k = 0; k <= elementCount; k += layout.step) surface_.LineTo(pixelX(k), pixelY(k));
  for (int k = 0; k <= elementCount; k += layout.step) {
    const int x = pixelX(k);
    surface_.MoveTo(x, axisY);
    surface_.LineTo(x, pixelY(k));
  }
}

FileResult PrintReport(PageSurface& surface, const ProblemData& data) {
  if (!surface.BeginDocument()) {
    return {false, surface.ErrorMessage()};
  }
  try {
    Report report(surface, data);
    int cursor = report.PrintGeneralData();
    cursor = report.PrintInputData(cursor);
    if (data.resultsAvailable) {
      cursor = report.PrintOutputData(cursor);
      report.PrintGraphs(cursor);
    }
    if (surface.Failed()) throw ReportAborted(surface.ErrorMessage());
  } catch (const std::exception& failure) {
    // Whatever stopped the report, the open document is given up rather than left open.
    surface.AbortDocument();
    return {false, failure.what()};
  }
  if (!surface.EndDocument()) {
    return {false, surface.ErrorMessage()};
  }
  return {true, {}};
}

}  // namespace pelvar
