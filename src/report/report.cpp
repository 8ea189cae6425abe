#include "report/report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "analysis/envelope.h"
#include "analysis/results.h"
#include "files/state_names.h"
#include "model/load_cases.h"
#include "plot/diagram_scale.h"
#include "plot/results_plot.h"
#include "plot/support_layout.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

// The page label is placed for the widest number it may show, so that it never changes place.
constexpr std::string_view kWidestPageLabel = "Page 9999999";
// Sets the General Data value column; wider than every label printed there.
constexpr std::string_view kGeneralLabelSpan = "Number of Soil Polygons ";

// Sets the column of the governing states' texts, after the widest number they may have.
constexpr std::string_view kStateNumberSpan = "[9999] ";

// A column plus a fraction of the digit width, truncated as every other layout position.
int At(int column, double multiple, int d) { return TruncateToPixel(column + multiple * d); }

// Whether the load cases make states other than the tables' loads alone, whose envelope would
// only repeat Output Data.
bool HasEnvelopeStates(const ProblemData& data) {
  return HasLoadCases(data) && (DesignStateCount(data) > 1 || data.loadCases.combinationCount > 0);
}

// Why the envelope could not be calculated, in one line: which state failed and the first line
// of its message.
std::string EnvelopeFailureText(const ProblemData& data, const EnvelopeOutcome& outcome) {
  std::string reason = outcome.outcome.message.substr(0, outcome.outcome.message.find('\n'));
  if (reason.starts_with("Error : ")) reason.erase(0, 8);
  if (outcome.outcome.fault.kind == FaultKind::TooManyPositions) {
    return "The envelope could not be calculated: " + reason;
  }
  return "The envelope could not be calculated for " + StateText(data, outcome.failedState) + ": " +
         reason;
}

}  // namespace

struct Report::GraphLayout {
  int xa = 0, xb = 0;
  int gh = 0;
  double sx = 0.0;
  int letterWidth = 0, letterHeight = 0;
  int step = 1;
  // Where x (m) along the beam lies on the page: nodes and points alike.
  int PixelX(double x) const { return TruncateToPixel(xa + sx * x); }
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

Report::ColumnGrid Report::MeasureColumnGrid(const Table& table) {
  std::size_t columns = 1;
  for (const std::vector<std::string>& row : table.rows) columns = std::max(columns, row.size());
  for (const std::vector<Heading>* line : {&table.headings, &table.units}) {
    for (const Heading& heading : *line) {
      columns = std::max(columns, static_cast<std::size_t>(heading.column));
    }
  }
  surface_.SelectFont(ReportFont::Bold);
  ColumnGrid grid;
  grid.col.assign(columns + 1, 0);
  grid.d = surface_.TextSize("99").width;
  const int c = surface_.TextSize("12345.123").width;
  // A column is c wide, or wider where a text of it would reach the text beside it in the same
  // row, or come closer to that one's first character than a blank: a value wider than its
  // format, printed in full, never runs into the next one. The leading blanks of the next text
  // count as its place (texts stand on an opaque ground) and as the blank between them.
  surface_.SelectFont(ReportFont::Regular);
  const int gap = surface_.TextSize(" ").width;
  auto leadingBlanks = [&](const std::string& text) {
    const std::size_t blanks = std::min(text.find_first_not_of(' '), text.size());
    return blanks == 0 ? 0 : surface_.TextSize(std::string_view(text).substr(0, blanks)).width;
  };
  grid.col[1] = leftMargin_ + grid.d;
  for (std::size_t i = 2; i <= columns; ++i) {
    grid.col[i] = grid.col[i - 1] + c;
    for (const std::vector<std::string>& row : table.rows) {
      if (row.size() < i) continue;
      const int end = grid.col[i - 1] + surface_.TextSize(row[i - 2]).width;
      grid.col[i] = std::max(grid.col[i], end + std::max(0, gap - leadingBlanks(row[i - 1])));
    }
  }
  return grid;
}

int Report::PrintHeadings(int cursor, const Table& table, const ColumnGrid& grid, int h) {
  surface_.SelectFont(ReportFont::Regular);
  for (const Heading& heading : table.headings) {
    surface_.TextOut(At(grid.col[heading.column], heading.multiple, grid.d), cursor, heading.text);
  }
  cursor += h;
  for (const Heading& unit : table.units) {
    surface_.TextOut(At(grid.col[unit.column], unit.multiple, grid.d), cursor, unit.text);
  }
  return cursor;
}

int Report::TableRight(const Table& table, const ColumnGrid& grid) {
  surface_.SelectFont(ReportFont::Regular);
  int right = 0;
  for (const std::vector<Heading>* line : {&table.headings, &table.units}) {
    for (const Heading& heading : *line) {
      right = std::max(right, At(grid.col[heading.column], heading.multiple, grid.d) +
                                  surface_.TextSize(heading.text).width);
    }
  }
  // The grid keeps every text of a row clear of the next one: its last one reaches farthest.
  for (const std::vector<std::string>& row : table.rows) {
    if (row.empty()) continue;
    right = std::max(right, grid.col[row.size()] + surface_.TextSize(row.back()).width);
  }
  return right;
}

namespace {

// The key columns and the columns first..last of a table (from 1), numbered anew.
template <typename Table>
Table ColumnsOf(const Table& table, int first, int last) {
  const auto place = [&](int column) {
    if (column <= table.keyColumns) return column;
    return column >= first && column <= last ? table.keyColumns + column - first + 1 : 0;
  };
  Table part;
  part.reserve = table.reserve;
  part.withNext = table.withNext;
  for (const auto& heading : table.headings) {
    if (const int column = place(heading.column))
      part.headings.push_back({column, heading.multiple, heading.text});
  }
  for (const auto& unit : table.units) {
    if (const int column = place(unit.column))
      part.units.push_back({column, unit.multiple, unit.text});
  }
  part.rows.reserve(table.rows.size());
  for (const std::vector<std::string>& row : table.rows) {
    std::vector<std::string>& cells = part.rows.emplace_back();
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (place(static_cast<int>(i) + 1) != 0) cells.push_back(row[i]);
    }
  }
  return part;
}

}  // namespace

int Report::PrintTable(int cursor, const Table& table) {
  const ColumnGrid grid = MeasureColumnGrid(table);
  if (table.keyColumns <= 0 || TableRight(table, grid) <= surface_.PageWidth()) {
    return PrintTableWhole(cursor, table, grid);
  }
  // Too wide for the page: in parts, each as wide as the page allows and at least one column
  // beside the key columns, so that nothing runs off the paper that the page can hold.
  const int h = BodyLineHeight();
  const int bottom = surface_.PageHeight() - h;
  const int columns = static_cast<int>(grid.col.size()) - 1;
  for (int first = table.keyColumns + 1; first <= columns;) {
    int last = first;
    Table part = ColumnsOf(table, first, last);
    ColumnGrid partGrid = MeasureColumnGrid(part);
    while (last < columns) {
      Table wider = ColumnsOf(table, first, last + 1);
      ColumnGrid widerGrid = MeasureColumnGrid(wider);
      if (TableRight(wider, widerGrid) > surface_.PageWidth()) break;
      part = std::move(wider);
      partGrid = std::move(widerGrid);
      ++last;
    }
    if (first > table.keyColumns + 1) {
      cursor += 2 * h;
      if (cursor + 5 * h > bottom) cursor = PrintHeader(true);
    }
    cursor = PrintTableWhole(cursor, part, partGrid);
    first = last + 1;
  }
  return cursor;
}

int Report::PrintTableWhole(int cursor, const Table& table, const ColumnGrid& grid) {
  const int h = BodyLineHeight();
  const int bottom = surface_.PageHeight() - h;
  cursor = PrintHeadings(cursor, table, grid, h);
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    const std::vector<std::string>& row = table.rows[r];
    cursor += h;
    const int together = r < table.withNext.size() && table.withNext[r] ? 1 : 0;
    if (cursor + (table.reserve + together) * h > bottom) {
      // A continued table is read under its headings too.
      cursor = PrintHeadings(PrintHeader(true), table, grid, h) + h;
    }
    for (std::size_t i = 0; i < row.size(); ++i) {
      surface_.TextOut(grid.col[i + 1], cursor, row[i]);
    }
  }
  return cursor;
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
  // A blank line closes the block.
  return PrintLabelledLines(cursor + 2 * h, rows) + h;
}

int Report::PrintLabelledLines(int cursor,
                               const std::vector<std::pair<std::string, std::string>>& lines) {
  const int h = BodyLineHeight();
  const int bottom = surface_.PageHeight() - h;
  const int valueX = leftMargin_ + surface_.TextSize(kGeneralLabelSpan).width;
  for (const auto& [label, value] : lines) {
    if (cursor + h > bottom) cursor = PrintHeader(true);
    surface_.TextOut(leftMargin_, cursor, label);
    cursor = PrintWrapped(cursor, valueX, value) + h;
  }
  return cursor;
}

int Report::PrintWrapped(int cursor, int x, std::string_view text) {
  const int h = BodyLineHeight();
  const int bottom = surface_.PageHeight() - h;
  const int room = surface_.PageWidth() - x;
  for (std::size_t start = 0;;) {
    // The most that fits of what is left, cut after a comma; its first piece whatever it needs.
    std::size_t end = text.size();
    if (surface_.TextSize(text.substr(start)).width > room) {
      end = std::string_view::npos;
      for (std::size_t comma = text.find(", ", start); comma != std::string_view::npos;
           comma = text.find(", ", comma + 2)) {
        if (end != std::string_view::npos &&
            surface_.TextSize(text.substr(start, comma + 1 - start)).width > room) {
          break;
        }
        end = comma + 1;
      }
      if (end == std::string_view::npos) end = text.size();
    }
    surface_.TextOut(x, cursor, text.substr(start, end - start));
    start = end;
    while (start < text.size() && text[start] == ' ') ++start;
    if (start >= text.size()) return cursor;
    cursor += h;
    if (cursor + h > bottom) cursor = PrintHeader(true);
  }
}

int Report::PrintTitleWithRoom(int cursor, std::string_view title, int lines, ReportFont font) {
  const int h = BodyLineHeight();
  if (cursor + lines * h > surface_.PageHeight() - h) cursor = PrintHeader(true);
  surface_.SelectFont(font);
  surface_.TextOut(leftMargin_, cursor, title);
  return cursor + 2 * h;
}

int Report::PrintInputData(int cursor) {
  const int h = BodyLineHeight();
  const int bottom = surface_.PageHeight() - h;
  if (cursor > bottom - 10 * h) cursor = PrintHeader(true);

  PrintTitle(cursor, "Input Data");
  cursor += 2 * h;
  PrintTitle(cursor, "Sections");
  cursor += 2 * h;
  Table sections;
  sections.headings = {{1, 0.0, "Layer"}, {2, 1.0, "Length"}, {3, 1.0, "Load"}, {4, 0.9, "Spring"}};
  sections.units = {{2, 1.0, "  m"}, {3, 1.0, "kN/m\xB2"}, {4, 1.0, "kN/m\xB3"}};
  sections.reserve = 1;
  // Where a section has an EI or a width of its own, every section shows the values it is
  // calculated with.
  const bool ownValues = AnySectionHasOwnValues(data_);
  if (ownValues) {
    sections.headings.push_back({5, 1.6, "EI"});
    sections.headings.push_back({6, 1.0, "Width"});
    sections.units.push_back({5, 1.4, "kNm\xB2"});
    sections.units.push_back({6, 1.0, "  m"});
  }
  for (int i = 1; i <= data_.sectionCount; ++i) {
    const SectionRow& section = data_.sections[i - 1];
    sections.rows.push_back({FormatText("%4d", i), FormatText("%9.3f", section.length),
                             FormatText("%9.3f", section.load),
                             FormatText("%9.3f", section.spring)});
    if (ownValues) {
      sections.rows.back().push_back(FormatText("%12.1f", SectionStiffness(data_, i - 1)));
      sections.rows.back().push_back(FormatText("%9.3f", SectionWidth(data_, i - 1)));
    }
  }
  cursor = PrintTable(cursor, sections);

  cursor += 2 * h;
  if (cursor + 5 * h > bottom) cursor = PrintHeader(true);
  PrintTitle(cursor, "Forces");
  cursor += 2 * h;
  Table forces;
  forces.headings = {{1, 0.0, "Point"}, {2, 1.0, "x"}, {3, 1.0, "F"}, {4, 1.0, "M"}};
  forces.units = {{2, 1.0, "m"}, {3, 0.9, "kN"}, {4, 0.8, "kNm"}};
  forces.reserve = 3;
  for (int j = 0; j <= data_.sectionCount; ++j) {
    const PointLoadRow& point = data_.points[j];
    forces.rows.push_back({FormatText("%4d", j), FormatText("%9.3f", point.x),
                           FormatText("%9.3f", point.force), FormatText("%9.3f", point.moment)});
  }
  cursor = PrintTable(cursor, forces) + 2 * h;
  if (!AnyPointHasSupport(data_)) return cursor;

  if (cursor + 5 * h > bottom) cursor = PrintHeader(true);
  PrintTitle(cursor, "Supports");
  cursor += 2 * h;
  Table supports;
  supports.headings = {{1, 0.0, "Point"},  {2, 0.0, "Kind"}, {3, 1.0, "Spring"},
                       {4, 1.0, "Spring"}, {5, 1.6, "w"},    {6, 1.0, "dw/dx"}};
  supports.units = {{3, 1.0, "kN/m"}, {4, 1.0, "kNm/rad"}, {5, 1.6, "m"}, {6, 1.0, "rad"}};
  supports.reserve = 1;
  for (int p = 0; p <= data_.sectionCount; ++p) {
    const PointSupport& support = data_.points[p].support;
    if (support.kind == SupportKind::None) continue;
    supports.rows.push_back(
        {FormatText("%4d", p), std::string(SupportKindName(support.kind)),
         FormatText("%12.3f", support.spring), FormatText("%12.3f", support.rotationalSpring),
         FormatText("%12.6f", support.displacement), FormatText("%12.6f", support.rotation)});
  }
  return PrintTable(cursor, supports) + 2 * h;
}

int Report::PrintLoadCases(int cursor) {
  const LoadCases& cases = data_.loadCases;
  const int h = BodyLineHeight();
  const int caseCount = std::clamp(cases.caseCount, 1, kMaxLoadCases);
  cursor = PrintTitleWithRoom(cursor, "Load Cases", 10);
  for (int c = 0; c < caseCount; ++c) {
    const LoadCase loads = CaseLoads(data_, c);
    cursor = PrintTitleWithRoom(cursor, FormatText("Case %d: \"%s\"", c + 1, loads.name.View()), 5);
    bool any = false;
    const auto print = [&](std::string_view caption, const Table& table) {
      cursor = PrintTitleWithRoom(cursor, caption, 5, ReportFont::Regular);
      cursor = PrintTable(cursor, table) + 2 * h;
      any = true;
    };
    if (c == 0) {
      // The tables above hold them; only its loads anywhere are its own here.
      cursor = PrintTitleWithRoom(
          cursor, "Section and point loads: those of the Sections and Forces tables", 2,
          ReportFont::Regular);
      any = true;
    } else {
      Table sections;
      sections.headings = {{1, 0.0, "Layer"}, {2, 1.0, "Load"}};
      sections.units = {{2, 1.0, "kN/m\xB2"}};
      sections.reserve = 1;
      bool loaded = false;
      for (int i = 0; i < data_.sectionCount; ++i) {
        loaded = loaded || loads.sectionLoad[i] != 0.0;
        sections.rows.push_back(
            {FormatText("%4d", i + 1), FormatText("%9.3f", loads.sectionLoad[i])});
      }
      if (loaded) print("Section loads", sections);
      Table points;
      points.headings = {{1, 0.0, "Point"}, {2, 1.0, "x"}, {3, 1.0, "F"}, {4, 1.0, "M"}};
      points.units = {{2, 1.0, "m"}, {3, 0.9, "kN"}, {4, 0.8, "kNm"}};
      points.reserve = 1;
      loaded = false;
      for (int j = 0; j <= data_.sectionCount; ++j) {
        loaded = loaded || loads.pointForce[j] != 0.0 || loads.pointMoment[j] != 0.0;
        points.rows.push_back({FormatText("%4d", j), FormatText("%9.3f", data_.points[j].x),
                               FormatText("%9.3f", loads.pointForce[j]),
                               FormatText("%9.3f", loads.pointMoment[j])});
      }
      if (loaded) print("Point loads", points);
    }
    const int anywhereCount = std::clamp(loads.anywhereCount, 0, kMaxLoadsAnywhere);
    if (anywhereCount > 0) {
      Table anywhere;
      anywhere.headings = {{1, 0.0, "Load"}, {2, 1.0, "x"}, {3, 1.0, "F"}, {4, 1.0, "M"}};
      anywhere.units = {{2, 1.0, "m"}, {3, 0.9, "kN"}, {4, 0.8, "kNm"}};
      anywhere.reserve = 1;
      for (int l = 0; l < anywhereCount; ++l) {
        const LoadAnywhere& load = loads.anywhere[static_cast<std::size_t>(l)];
        anywhere.rows.push_back({FormatText("%4d", l + 1), FormatText("%9.3f", load.x),
                                 FormatText("%9.3f", load.force),
                                 FormatText("%9.3f", load.moment)});
      }
      print("Loads anywhere along the beam", anywhere);
    }
    if (!any) cursor = PrintTitleWithRoom(cursor, "No loads", 2, ReportFont::Regular);
  }

  const int combinationCount = std::clamp(cases.combinationCount, 0, kMaxCombinations);
  if (combinationCount > 0) {
    cursor = PrintTitleWithRoom(cursor, "Combinations", 6);
    // A column per case, under its number; where they are more than the page holds, the rest
    // follow below, each part with the names again.
    Table combinations;
    combinations.headings = {{1, 0.0, "Combination"}};
    combinations.reserve = 1;
    combinations.keyColumns = 1;
    // The headings hold views of these texts.
    std::vector<std::string> caseNumbers;
    for (int c = 0; c < caseCount; ++c) caseNumbers.push_back(FormatText("%d", c + 1));
    for (int c = 0; c < caseCount; ++c) {
      combinations.headings.push_back({c + 2, 1.0, "Case"});
      combinations.units.push_back({c + 2, 1.0, caseNumbers[static_cast<std::size_t>(c)]});
    }
    for (int k = 0; k < combinationCount; ++k) {
      const LoadCombination& combination = cases.combinations[static_cast<std::size_t>(k)];
      std::vector<std::string>& row = combinations.rows.emplace_back();
      row.emplace_back(combination.name.View());
      for (int c = 0; c < caseCount; ++c) {
        row.push_back(FormatText("%9.3f", combination.factor[static_cast<std::size_t>(c)]));
      }
    }
    cursor = PrintTable(cursor, combinations) + 2 * h;
  }

  const MovingLoad& moving = cases.movingLoad;
  const int axleCount = std::clamp(moving.axleCount, 0, kMaxAxles);
  if (axleCount > 0) {
    cursor = PrintTitleWithRoom(cursor, "Moving Load", 8);
    Table axles;
    axles.headings = {{1, 0.0, "Axle"}, {2, 1.0, "Load"}, {3, 1.0, "Spacing"}};
    axles.units = {{2, 0.9, "kN"}, {3, 1.0, "m"}};
    axles.reserve = 1;
    for (int a = 0; a < axleCount; ++a) {
      const auto i = static_cast<std::size_t>(a);
      axles.rows.push_back({FormatText("%4d", a + 1), FormatText("%9.3f", moving.axleLoad[i])});
      // The spacing to the axle behind; the last one has none.
      if (a + 1 < axleCount) axles.rows.back().push_back(FormatText("%9.3f", moving.spacing[i]));
    }
    cursor = PrintTable(cursor, axles) + 2 * h;
    const int positions = MovingLoadPositionCount(data_);
    const int loadsRidden = cases.combinationCount > 0 ? combinationCount : caseCount;
    const bool rides = moving.combination >= 0 && moving.combination < loadsRidden;
    cursor =
        PrintLabelledLines(
            cursor,
            {{"Step (m)", moving.step > 0.0 ? FormatText(": %12.3f", moving.step)
                                            : std::string(": the length of an element")},
             {"Positions", positions > kMaxPositions ? FormatText(": more than %d", kMaxPositions)
                                                     : FormatText(": %d", positions)},
             {"On top of",
              rides ? ": \"" + StateLoadName(data_, DesignState{moving.combination}) + "\""
                    : std::string(": nothing")}}) +
        h;
  }

  const int factorCount = std::clamp(cases.soilFactorCount, 0, kMaxSoilFactors);
  if (factorCount > 0) {
    cursor = PrintTitleWithRoom(cursor, "Soil Factors", 4);
    // As the governing states name them.
    std::string factors = ":";
    for (int f = 0; f < factorCount; ++f) {
      factors +=
          (f == 0 ? " " : ", ") + ShortestRealText(cases.soilFactors[static_cast<std::size_t>(f)]);
    }
    cursor = PrintLabelledLines(cursor, {{"Every spring times", factors}}) + h;
  }
  return cursor;
}

int Report::PrintOutputData(int cursor) {
  const int h = BodyLineHeight();
  const int bottom = surface_.PageHeight() - h;
  if (cursor > bottom - 10 * h) cursor = PrintHeader(true);

  PrintTitle(cursor, "Output Data");
  cursor += 2 * h;
  PrintTitle(cursor, "Displacements, Shear Forces and Moments");
  cursor += 2 * h;
  Table output;
  output.headings = {{1, 0.0, "Point"}, {2, 1.1, "x"}, {3, 1.1, "w"}, {4, 1.6, "Q"}, {5, 1.6, "M"}};
  output.units = {{2, 1.0, "m"}, {3, 1.0, "m"}, {4, 1.4, "kN"}, {5, 1.4, "kNm"}};
  output.reserve = 3;
  // Where Q or M jumps, the right side follows its left side's numbered row at the same x without
  // a number of its own; a point inside an element, where a load anywhere stands, has none.
  for (const ResultRow& row : ResultRows(data_)) {
    const bool numbered = row.node >= 0 && row.side != JumpSide::Right;
    output.rows.push_back({numbered ? FormatText("%4d", row.node) : std::string(),
                           FormatText("%9.3f", row.x), FormatText("%12.6f", row.w),
                           FormatText("%12.3f", row.Q), FormatText("%12.3f", row.M)});
    output.withNext.push_back(row.side == JumpSide::Left);
  }
  cursor = PrintTable(cursor, output);
  cursor += 2 * h;
  if (AnyPointHasSupport(data_)) {
    if (cursor + 5 * h > bottom) cursor = PrintHeader(true);
    PrintTitle(cursor, "Support Reactions");
    cursor += 2 * h;
    Table reactions;
    reactions.headings = {{1, 0.0, "Point"}, {2, 1.1, "x"}, {3, 1.6, "Force"}, {4, 1.6, "Moment"}};
    reactions.units = {{2, 1.0, "m"}, {3, 1.4, "kN"}, {4, 1.4, "kNm"}};
    reactions.reserve = 1;
    for (int p = 0; p <= data_.sectionCount; ++p) {
      if (data_.points[p].support.kind == SupportKind::None) continue;
      reactions.rows.push_back({FormatText("%4d", p), FormatText("%9.3f", data_.points[p].x),
                                FormatText("%12.3f", data_.reactions[p].force),
                                FormatText("%12.3f", data_.reactions[p].moment)});
    }
    cursor = PrintTable(cursor, reactions) + 2 * h;
  }
  // Where the scheme's answer is far from the exact continuous beam, the paper says so too.
  if (const std::optional<std::string> warning = AccuracyWarning(data_)) {
    if (cursor + h > bottom) cursor = PrintHeader(true);
    surface_.TextOut(leftMargin_, cursor, *warning);
    cursor += 2 * h;
  }
  return cursor;
}

int Report::PrintEnvelope(int cursor, const Envelope& envelope) {
  const int elementCount = data_.elementCount;
  const int h = BodyLineHeight();
  const int bottom = surface_.PageHeight() - h;
  cursor = PrintTitleWithRoom(cursor, "Envelope", 10);
  cursor = PrintTitleWithRoom(
      cursor,
      FormatText("Extremes over %d states, each with the number of the state that governs it, "
                 "as listed under the table",
                 envelope.stateCount),
      5, ReportFont::Regular);

  // The states numbered as the table first cites them, so that the numbers grow down the page.
  std::vector<DesignState> governing;
  std::map<std::tuple<int, int, int, bool>, int> numbers;
  const auto cited = [&](const EnvelopeValue& value, std::string_view format) {
    const DesignState& state = value.state;
    const auto [at, added] =
        numbers.try_emplace({state.combination, state.position, state.soilFactor, state.caseAlone},
                            static_cast<int>(governing.size()) + 1);
    if (added) governing.push_back(state);
    return FormatText(format, value.value, at->second);
  };
  Table table;
  table.headings = {{1, 0.0, "Point"}, {2, 1.1, "x"},    {3, 1.1, "wMax"}, {4, 1.1, "wMin"},
                    {5, 1.6, "QMax"},  {6, 1.6, "QMin"}, {7, 1.6, "MMax"}, {8, 1.6, "MMin"}};
  table.units = {{2, 1.0, "m"},  {3, 1.0, "m"},   {4, 1.0, "m"},  {5, 1.4, "kN"},
                 {6, 1.4, "kN"}, {7, 1.4, "kNm"}, {8, 1.4, "kNm"}};
  table.reserve = 3;
  table.keyColumns = 2;
  table.rows.reserve(static_cast<std::size_t>(elementCount) + 1);
  for (int k = 0; k <= elementCount; ++k) {
    const NodeEnvelope& node = envelope.nodes[k];
    table.rows.push_back({FormatText("%4d", k), FormatText("%9.3f", node.x),
                          cited(node.wMax, "%12.6f [%d]"), cited(node.wMin, "%12.6f [%d]"),
                          cited(node.QMax, "%12.3f [%d]"), cited(node.QMin, "%12.3f [%d]"),
                          cited(node.MMax, "%12.3f [%d]"), cited(node.MMin, "%12.3f [%d]")});
  }
  cursor = PrintTable(cursor, table) + 2 * h;

  cursor = PrintTitleWithRoom(cursor, "Governing States", 5);
  surface_.SelectFont(ReportFont::Regular);
  const int textX = leftMargin_ + surface_.TextSize(kStateNumberSpan).width;
  for (std::size_t n = 0; n < governing.size(); ++n) {
    if (cursor + h > bottom) cursor = PrintHeader(true);
    surface_.TextOut(leftMargin_, cursor, FormatText("[%d]", static_cast<int>(n) + 1));
    cursor = PrintWrapped(cursor, textX, StateText(data_, governing[n])) + h;
  }
  cursor += h;

  // What the envelope leaves out; the worst figures over the states, with the warning of one
  // state's where they call for it.
  std::vector<std::string> lines;
  if (const std::optional<std::string> leftOut = LeftOutText(data_, envelope)) {
    lines.push_back(*leftOut);
  }
  const ResultAccuracy& accuracy = envelope.accuracy;
  if (accuracy.available) {
    lines.push_back("Against the exact continuous beam, the worst over the states: w " +
                    AccuracyShareText(accuracy.w) + " off, Q " + AccuracyShareText(accuracy.Q) +
                    " off, M " + AccuracyShareText(accuracy.M) + " off");
  }
  auto worst = std::make_unique<ProblemData>();
  worst->elementCount = elementCount;
  worst->accuracy = accuracy;
  for (const std::optional<std::string>& warning :
       {AccuracyWarning(*worst), CoarseStepWarning(data_, envelope)}) {
    if (warning) lines.push_back(*warning);
  }
  for (const std::string& line : lines) {
    if (cursor + h > bottom) cursor = PrintHeader(true);
    cursor = PrintWrapped(cursor, leftMargin_, line) + h;
  }
  return cursor + h;
}

int Report::PrintEnvelopeFailure(int cursor, std::string_view reason) {
  const int h = BodyLineHeight();
  cursor = PrintTitleWithRoom(cursor, "Envelope", 4);
  return PrintWrapped(cursor, leftMargin_, reason) + 2 * h;
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
  int textBottom = y;
  for (const std::string& line : lines) {
    surface_.TextOut(layout.xa, y, line);
    textBottom = y + letterSize.height;
    y = TruncateToPixel(y + 0.14 * layout.gh);
  }

  const int axisW = TruncateToPixel(yTop + 1.5 * layout.gh);
  const int axisQ = yTop + 4 * layout.gh;
  // The supports stand on the w axis, between the extreme lines and the Q diagram's band.
  const int supportSize =
      SupportSizeOnPage(letterSize.height, axisW, textBottom, axisQ - layout.gh);
  // The w letter keeps its distance from a left end's wall or coil as from the axis.
  int wLeft = layout.xa;
  if (supportSize > 0 && data_.points[0].support.kind != SupportKind::None) {
    wLeft -= TruncateToPixel(std::ceil(kSupportAside * supportSize) + SupportPenWidth(supportSize));
  }
  DrawDiagram(layout, axisW, extremes.minW, extremes.maxW, &ResultNode::w, "w", true, wLeft);
  // Over the w curve, so that a support reads where the beam's deflection passes through it.
  if (supportSize > 0) {
    for (int p = 0; p <= data_.sectionCount; ++p) {
      const PointSupport& support = data_.points[p].support;
      if (support.kind == SupportKind::None) continue;
      surface_.DrawSupport(support, PlaceOfPoint(p, data_.sectionCount),
                           layout.PixelX(data_.points[p].x), axisW, supportSize);
    }
  }
  DrawDiagram(layout, axisQ, extremes.minQ, extremes.maxQ, &ResultNode::Q, "Q", false, layout.xa);
  DrawDiagram(layout, TruncateToPixel(yTop + 6.5 * layout.gh), extremes.minM, extremes.maxM,
              &ResultNode::M, "M", false, layout.xa);
}

int Report::SupportSizeOnPage(int lineHeight, int axisY, int roomTop, int roomBottom) const {
  if (!AnyPointHasSupport(data_)) return 0;
  // The pen adds at most one pixel and a 24th of the size (see SupportPenWidth), so a symbol of
  // this size keeps within the room whatever its kind.
  const double pen = 1.0 / 24.0;
  const double fits = std::min((axisY - roomTop - 1.0) / (kSupportAbove + pen),
                               (roomBottom - axisY - 1.0) / (kSupportBelow + pen));
  const int size = TruncateToPixel(std::min(SupportSize(lineHeight), std::floor(fits)));
  return std::max(size, 0);
}

void Report::DrawDiagram(const GraphLayout& layout, int axisY, double minValue, double maxValue,
                         double ResultNode::*quantity, std::string_view letter, bool first,
                         int left) {
  if (first) surface_.SetPenColour(kBlack);
  surface_.MoveTo(layout.xa, axisY);
  surface_.LineTo(layout.xb, axisY);
  surface_.TextOut(left - 2 * layout.letterWidth, axisY - layout.letterHeight / 2, letter);
  if (first) surface_.SetPenMode(PenMode::Copy);

  // The signed maximum sets the scale as long as the diagram stays on the page; otherwise the
  // largest magnitude does, and a diagram of nothing but rounding noise is its axis alone.
  const double sy = DiagramScale(data_, quantity, minValue, maxValue, layout.gh, axisY,
                                 surface_.PageHeight() - static_cast<double>(axisY));
  if (sy == 0.0) return;

  const std::vector<PlotPoint> points = PlotPoints(data_, quantity, layout.step);
  auto pixelY = [&](double value) { return TruncateToPixel(axisY + sy * value); };
  surface_.MoveTo(layout.xa, pixelY(data_.nodes[0].*quantity));
  for (const PlotPoint& point : points)
    surface_.LineTo(layout.PixelX(point.x), pixelY(point.value));
  for (const PlotPoint& point : points) {
    if (!point.hatched) continue;
    const int x = layout.PixelX(point.x);
    surface_.MoveTo(x, axisY);
    surface_.LineTo(x, pixelY(point.value));
  }
}

FileResult PrintReport(PageSurface& surface, const ProblemData& data, const Envelope* envelope) {
  if (!surface.BeginDocument()) {
    return {false, surface.ErrorMessage()};
  }
  try {
    Report report(surface, data);
    int cursor = report.PrintGeneralData();
    cursor = report.PrintInputData(cursor);
    if (HasLoadCases(data)) cursor = report.PrintLoadCases(cursor);
    if (data.resultsAvailable) cursor = report.PrintOutputData(cursor);
    // The envelope of the problem as it stands, as the results beside it were calculated.
    std::unique_ptr<Envelope> calculated;
    if (envelope == nullptr && data.resultsAvailable && HasEnvelopeStates(data)) {
      calculated = std::make_unique<Envelope>();
      auto work = MakeAnalysisWorkspace();
      auto scratch = std::make_unique<ProblemData>();
      const EnvelopeOutcome outcome = RunEnvelope(data, *work, *scratch, *calculated);
      if (outcome.outcome.status == CalculationStatus::Success) {
        envelope = calculated.get();
      } else {
        cursor = report.PrintEnvelopeFailure(cursor, EnvelopeFailureText(data, outcome));
      }
    }
    if (envelope != nullptr) cursor = report.PrintEnvelope(cursor, *envelope);
    if (data.resultsAvailable) report.PrintGraphs(cursor);
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
