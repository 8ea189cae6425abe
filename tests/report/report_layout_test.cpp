// The report's layout on the recording surface. Its metric is fixed: bold 9 pixels per byte and
// 17 high, regular 7 per byte and 13 high; every expected coordinate below is worked out by hand
// from these numbers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/envelope.h"
#include "files/state_names.h"
#include "model/problem_data.h"
#include "plot/results_plot.h"
#include "report/report.h"
#include "support/recording_surface.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

constexpr int kH = 17;  // header line height: bold "W"
constexpr int kh = 13;  // body line height: regular "W"

// Page 2000 wide: leftMargin 100, the page label at 2000 - 12 * 7 = 1916.
constexpr int kWidth = 2000;
constexpr int kLeft = 100;

// Column grid: d = 2 * 9 = 18, c = 9 * 9 = 81.
constexpr int kD = 18;
constexpr int kCol1 = 118, kCol2 = 199, kCol3 = 280, kCol4 = 361, kCol5 = 442;
// In the output table w and Q take "%12.6f" and "%12.3f", 12 regular bytes of 7 pixels, more than
// c: the columns after them widen to hold them.
constexpr int kOutCol4 = kCol3 + 84, kOutCol5 = kOutCol4 + 84;

struct Point {
  int x, y;
  bool operator==(const Point&) const = default;
};

// The drawing of the graphs page in the order the calls came, grouped per stroke sequence.
struct Stroke {
  Point from;
  std::vector<Point> to;
};

std::vector<Stroke> StrokesOnPage(const RecordingSurface& s, int page) {
  std::vector<Stroke> strokes;
  for (const RecordedCall& c : s.Calls()) {
    if (c.page != page) continue;
    if (c.kind == CallKind::MoveTo) strokes.push_back({{c.x, c.y}, {}});
    if (c.kind == CallKind::LineTo) {
      if (strokes.empty())
        ADD_FAILURE() << "line without a move";
      else
        strokes.back().to.push_back({c.x, c.y});
    }
  }
  return strokes;
}

struct Diagram {
  Point axisFrom, axisTo;
  std::vector<Point> curve;  // start point and every point joined
  std::vector<std::pair<Point, Point>> hatches;
};

// Splits the graphs page into its three diagrams: axis, curve (a move and many lines), then one
// move and one line per hatching line.
std::vector<Diagram> Diagrams(const RecordingSurface& s, int page, int xa, int xb) {
  std::vector<Diagram> diagrams;
  for (const Stroke& stroke : StrokesOnPage(s, page)) {
    const bool axis = stroke.from.x == xa && stroke.to.size() == 1 && stroke.to[0].x == xb &&
                      stroke.to[0].y == stroke.from.y;
    // Each diagram has its own axis height; a hatching line never runs from xa to xb.
    if (axis && (diagrams.empty() || diagrams.back().axisFrom.y != stroke.from.y)) {
      diagrams.push_back({stroke.from, stroke.to[0], {}, {}});
      continue;
    }
    if (diagrams.empty()) {
      ADD_FAILURE() << "stroke before the first axis";
      continue;
    }
    Diagram& d = diagrams.back();
    if (d.curve.empty() && d.hatches.empty() && stroke.to.size() > 1) {
      d.curve.push_back(stroke.from);
      d.curve.insert(d.curve.end(), stroke.to.begin(), stroke.to.end());
    } else if (stroke.to.size() == 1) {
      d.hatches.push_back({stroke.from, stroke.to[0]});
    } else {
      ADD_FAILURE() << "unexpected stroke";
    }
  }
  return diagrams;
}

void ExpectText(const RecordingSurface& s, std::string_view text, int page, int x, int y,
                ReportFont font) {
  const RecordedCall* call = s.FindText(text);
  ASSERT_NE(call, nullptr) << "missing text \"" << text << "\"";
  EXPECT_EQ(call->page, page) << text;
  EXPECT_EQ(call->x, x) << text;
  EXPECT_EQ(call->y, y) << text;
  EXPECT_EQ(call->font, font) << text;
}

int CountText(const RecordingSurface& s, std::string_view text) {
  int n = 0;
  for (const RecordedCall& c : s.Texts()) n += c.text == text;
  return n;
}

// A started document and a report job on it, as the print command makes them.
struct Job {
  RecordingSurface surface;
  ProblemData data;
  Report report;
  explicit Job(int height, int width = kWidth)
      : surface(width, height), report((surface.BeginDocument(), surface), data) {}
};

TEST(ReportHeader, FirstAndLaterPages) {
  Job job(3000);
  EXPECT_EQ(job.report.LeftMargin(), kLeft);

  EXPECT_EQ(job.report.PrintHeader(false), 38 + 5 * kH);  // trunc(2.25 H) + 5H = 123
  const RecordingSurface& s = job.surface;
  ExpectText(s, "Pelvar - Beam on Elastic Foundation", 1, kLeft, kH, ReportFont::Bold);
  ExpectText(s, "Page 1", 1, 1916, kH, ReportFont::Regular);
  ExpectText(s, "A Tessaly Program", 1, kLeft, 38, ReportFont::Regular);
  ExpectText(s, "Printed by Pelvar, analysis of a beam on an elastic foundation", 1, kLeft, 55,
             ReportFont::Regular);
  ExpectText(s, "Tessaly, ", 1, kLeft, 89, ReportFont::Bold);
  // The name follows the user text (7 bytes) plus "99", both bold.
  ExpectText(s, "Demonstration Problem", 1, kLeft + 63 + 18, 89, ReportFont::Bold);

  EXPECT_EQ(job.report.PrintHeader(true), 5 * kH);
  EXPECT_EQ(job.report.PrintHeader(true), 5 * kH);
  const auto page3 = s.Texts(3);
  ASSERT_EQ(page3.size(), 4u);  // title, page label, user, problem: no maker lines
  EXPECT_EQ(page3[0].text, "Pelvar - Beam on Elastic Foundation");
  EXPECT_EQ(page3[0].y, kH);
  EXPECT_EQ(page3[1].text, "Page 3");
  EXPECT_EQ(page3[1].x, 1916);
  EXPECT_EQ(page3[2].text, "Tessaly, ");
  EXPECT_EQ(page3[2].y, 3 * kH);
  EXPECT_EQ(page3[3].y, 3 * kH);
  EXPECT_EQ(CountText(s, "A Tessaly Program"), 1);

  // The header leaves the regular font selected and sets the drawing tools it lists.
  const RecordedCall& last = s.Calls().back();
  EXPECT_EQ(last.kind, CallKind::SelectFont);
  EXPECT_EQ(last.font, ReportFont::Regular);
  EXPECT_EQ(last.penColour, kBlack);
  EXPECT_EQ(last.penMode, PenMode::Black);
  EXPECT_EQ(last.penStyle, PenStyle::Solid);
  EXPECT_EQ(last.penWidth, 1);
  EXPECT_EQ(last.brushStyle, BrushStyle::Solid);
  EXPECT_EQ(last.brushColour, kWhite);
}

TEST(ReportHeader, LongUserPushesProblemName) {
  Job job(3000);
  job.data.licensedUser.Set("A rather long licensed user name");  // 32 bytes
  job.data.problemName.Set("Pile \xE9tude");
  job.report.PrintHeader(false);
  ExpectText(job.surface, "A rather long licensed user name, ", 1, kLeft, 89, ReportFont::Bold);
  ExpectText(job.surface, "Pile \xE9tude", 1, kLeft + 32 * 9 + 18, 89, ReportFont::Bold);
}

TEST(ReportGeneralData, RowsAndValueColumn) {
  Job job(3000);
  job.data.stiffnessEI = 1234567.25;
  job.data.beamWidth = 0.0125;
  EXPECT_EQ(job.report.PrintGeneralData(), 214 + 2 * kh);
  const RecordingSurface& s = job.surface;
  ExpectText(s, "General Data", 1, kLeft, 123, ReportFont::Bold);
  // Value column: "Number of Soil Polygons " is 24 bytes in the regular font.
  const int valueX = kLeft + 24 * 7;
  const char* labels[] = {"Licensed User",      "File Name",    "Problem Name",
                          "Number of Sections", "EI (kNm\xB2)", "Width (m)"};
  // ": %12.1f" and ": %12.3f": a colon, a blank and a field of 12.
  const char* values[] = {": Tessaly",
                          ": Demo.plv",
                          ": Demonstration Problem",
                          ": 3",
                          ": "
                          "   1234567.2",
                          ": "
                          "       0.013"};
  for (int i = 0; i < 6; ++i) {
    ExpectText(s, labels[i], 1, kLeft, 149 + i * kh, ReportFont::Regular);
    ExpectText(s, values[i], 1, valueX, 149 + i * kh, ReportFont::Regular);
  }
  EXPECT_EQ(s.FindText("Foundation"), nullptr);

  // Soil that takes no tension: one row more, at the same value column.
  Job option(3000);
  option.data.noTension = true;
  EXPECT_EQ(option.report.PrintGeneralData(), 214 + 3 * kh);
  ExpectText(option.surface, "Foundation", 1, kLeft, 149 + 6 * kh, ReportFont::Regular);
  ExpectText(option.surface, ": soil takes no tension", 1, valueX, 149 + 6 * kh,
             ReportFont::Regular);
}

TEST(ReportInputData, HeadingsUnitsAndRows) {
  Job job(3000);
  job.data.sections[1].spring = 123456.0;  // wider than "%9.3f": printed in full
  job.data.points[2].force = -12.5;
  job.data.points[3].moment = 7.0;
  EXPECT_EQ(job.report.PrintInputData(240), 461 + 2 * kh);
  const RecordingSurface& s = job.surface;
  ExpectText(s, "Input Data", 1, kLeft, 240, ReportFont::Bold);
  ExpectText(s, "Sections", 1, kLeft, 266, ReportFont::Bold);
  ExpectText(s, "Layer", 1, kCol1, 292, ReportFont::Regular);
  ExpectText(s, "Length", 1, kCol2 + kD, 292, ReportFont::Regular);
  ExpectText(s, "Load", 1, kCol3 + kD, 292, ReportFont::Regular);
  ExpectText(s, "Spring", 1, 377, 292, ReportFont::Regular);  // trunc(361 + 16.2)
  ExpectText(s, "  m", 1, kCol2 + kD, 305, ReportFont::Regular);
  ExpectText(s, "kN/m\xB2", 1, kCol3 + kD, 305, ReportFont::Regular);
  ExpectText(s, "kN/m\xB3", 1, kCol4 + kD, 305, ReportFont::Regular);

  const auto rowsOf = [&](int from, int count) {
    std::vector<RecordedCall> row;
    const auto texts = s.Texts();
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (texts[i].y >= from && row.size() < static_cast<std::size_t>(count))
        row.push_back(texts[i]);
    }
    return row;
  };
  const int columns[4] = {kCol1, kCol2, kCol3, kCol4};
  const auto sectionRows = rowsOf(318, 12);
  const char* expected[12] = {"   1", "   10.000", "   10.000", "  100.000",
                              "   2", "   10.000", "   10.000", "123456.000",
                              "   3", "   10.000", "   10.000", "  100.000"};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(sectionRows[i].text, expected[i]);
    EXPECT_EQ(sectionRows[i].y, 318 + (i / 4) * kh);
    EXPECT_EQ(sectionRows[i].x, columns[i % 4]);
    EXPECT_EQ(sectionRows[i].font, ReportFont::Regular);
  }

  ExpectText(s, "Forces", 1, kLeft, 370, ReportFont::Bold);
  ExpectText(s, "Point", 1, kCol1, 396, ReportFont::Regular);
  ExpectText(s, "x", 1, kCol2 + kD, 396, ReportFont::Regular);
  ExpectText(s, "F", 1, kCol3 + kD, 396, ReportFont::Regular);
  ExpectText(s, "M", 1, kCol4 + kD, 396, ReportFont::Regular);
  ExpectText(s, "m", 1, kCol2 + kD, 409, ReportFont::Regular);
  ExpectText(s, "kN", 1, 296, 409, ReportFont::Regular);   // trunc(280 + 16.2)
  ExpectText(s, "kNm", 1, 375, 409, ReportFont::Regular);  // trunc(361 + 14.4)
  const auto pointRows = rowsOf(422, 16);
  const char* points[16] = {
      "   0", "    0.000", "    0.000", "    0.000", "   1", "   10.000", "    0.000", "    0.000",
      "   2", "   20.000", "  -12.500", "    0.000", "   3", "   30.000", "    0.000", "    7.000"};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(pointRows[i].text, points[i]);
    EXPECT_EQ(pointRows[i].y, 422 + (i / 4) * kh);
    EXPECT_EQ(pointRows[i].x, columns[i % 4]);
  }
}

TEST(ReportInputData, TwentySectionsAndOneSection) {
  Job job(3000);
  job.data.sectionCount = 20;
  job.report.PrintInputData(240);
  const RecordingSurface& s = job.surface;
  // Section rows at col1 numbered 1..20, point rows numbered 0..20, all on page 1.
  std::vector<std::string> numbers;
  for (const RecordedCall& c : s.Texts()) {
    if (c.x == kCol1 && c.y > 305) numbers.push_back(c.text);
  }
  ASSERT_EQ(numbers.size(), 20u + 1u + 21u);  // 20 sections, "Point" heading, 21 points
  EXPECT_EQ(numbers[0], "   1");
  EXPECT_EQ(numbers[19], "  20");
  EXPECT_EQ(numbers[20], "Point");
  EXPECT_EQ(numbers[21], "   0");
  EXPECT_EQ(numbers[41], "  20");
  EXPECT_EQ(s.PageCount(), 1);

  Job one(3000);
  one.data.sectionCount = 1;
  EXPECT_EQ(one.report.PrintInputData(240), 318 + 2 * kh + 2 * kh + 2 * kh + kh + 2 * kh);
  int sectionRows = 0, pointRows = 0;
  for (const RecordedCall& c : one.surface.Texts()) {
    if (c.x == kCol1 && c.text == "   1") ++sectionRows;
    if (c.x == kCol1 && c.text == "   0") ++pointRows;
  }
  EXPECT_EQ(sectionRows, 2);  // the only section and the right end point
  EXPECT_EQ(pointRows, 1);
}

// Page height 1000: bottom limit 987. Each case sits exactly at its threshold and one pixel past.
TEST(ReportPageBreaks, StartOfInputData) {
  for (int cursor : {857, 858}) {  // 857 = 987 - 10h: stays
    Job job(1000);
    job.report.PrintInputData(cursor);
    const RecordedCall* title = job.surface.FindText("Input Data");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->page, cursor == 857 ? 1 : 2) << cursor;
    EXPECT_EQ(title->y, cursor == 857 ? 857 : 5 * kH) << cursor;
  }
}

TEST(ReportPageBreaks, SectionRow) {
  // Twenty sections from cursor c: row 20 stands at c + 65 + 260 and stays while row + h <= 987.
  for (int cursor : {649, 650}) {
    Job job(1000);
    job.data.sectionCount = 20;
    job.report.PrintInputData(cursor);
    std::vector<RecordedCall> column1;  // "Layer", then the section rows
    for (const RecordedCall& c : job.surface.Texts()) {
      if (c.x == kCol1 && c.text != "Layer") column1.push_back(c);
    }
    ASSERT_GE(column1.size(), 20u);
    EXPECT_EQ(job.surface.FindText("Layer")->y, cursor + 52);
    const RecordedCall& row19 = column1[18];
    const RecordedCall& row20 = column1[19];
    EXPECT_EQ(row19.text, "  19");
    EXPECT_EQ(row19.page, 1);
    EXPECT_EQ(row19.y, cursor + 65 + 19 * kh);
    EXPECT_EQ(row20.text, "  20");
    if (cursor == 649) {
      EXPECT_EQ(row20.page, 1);
      EXPECT_EQ(row20.y, 974);
    } else {
      // Below the new header (title, page label, user and problem) under the headings and
      // units again, at their columns.
      EXPECT_EQ(row20.page, 2);
      EXPECT_EQ(row20.y, 5 * kH + 2 * kh);
      const auto page2 = job.surface.Texts(2);
      ASSERT_GE(page2.size(), 12u);
      const std::vector<std::tuple<std::string, int, int>> headings = {
          {"Layer", kCol1, 5 * kH},
          {"Length", kCol2 + kD, 5 * kH},
          {"Load", kCol3 + kD, 5 * kH},
          {"Spring", 377, 5 * kH},
          {"  m", kCol2 + kD, 5 * kH + kh},
          {"kN/m\xB2", kCol3 + kD, 5 * kH + kh},
          {"kN/m\xB3", kCol4 + kD, 5 * kH + kh},
          {"  20", kCol1, 5 * kH + 2 * kh}};
      for (std::size_t k = 0; k < headings.size(); ++k) {
        EXPECT_EQ(page2[4 + k].text, std::get<0>(headings[k]));
        EXPECT_EQ(page2[4 + k].x, std::get<1>(headings[k]));
        EXPECT_EQ(page2[4 + k].y, std::get<2>(headings[k]));
      }
      EXPECT_EQ(CountText(job.surface, "Layer"), 2);
    }
  }
}

TEST(ReportPageBreaks, ForcesTitle) {
  // Three sections: the Forces title stands at c + 130 and needs it + 5h <= 987.
  for (int cursor : {792, 793}) {
    Job job(1000);
    job.report.PrintInputData(cursor);
    const RecordedCall* title = job.surface.FindText("Forces");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->page, cursor == 792 ? 1 : 2);
    EXPECT_EQ(title->y, cursor == 792 ? 922 : 5 * kH);
  }
}

TEST(ReportPageBreaks, ForcesRow) {
  // Point 3 stands at c + 221 and needs it + 3h <= 987.
  for (int cursor : {727, 728}) {
    Job job(1000);
    job.report.PrintInputData(cursor);
    RecordedCall last;  // the last "   3" is point 3, after section 3
    int found = 0;
    for (const RecordedCall& c : job.surface.Texts()) {
      if (c.x == kCol1 && c.text == "   3") {
        last = c;
        ++found;
      }
    }
    ASSERT_EQ(found, 2);
    EXPECT_EQ(last.page, cursor == 727 ? 1 : 2);
    EXPECT_EQ(last.y, cursor == 727 ? 948 : 5 * kH + 2 * kh);
    EXPECT_EQ(CountText(job.surface, "Point"), cursor == 727 ? 1 : 2);
  }
}

TEST(ReportPageBreaks, StartOfOutputDataAndOutputRow) {
  for (int cursor : {857, 858}) {
    Job job(1000);
    job.data.elementCount = 10;
    job.report.PrintOutputData(cursor);
    const RecordedCall* title = job.surface.FindText("Output Data");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->page, cursor == 857 ? 1 : 2);
  }
  // Row 10 stands at c + 78 + 130 and needs it + 3h <= 987.
  for (int cursor : {740, 741}) {
    Job job(1000);
    job.data.elementCount = 10;
    job.report.PrintOutputData(cursor);
    std::vector<RecordedCall> rows;
    for (const RecordedCall& c : job.surface.Texts()) {
      if (c.x == kCol1 && c.text.size() == 4 && c.text != "Poin") rows.push_back(c);
    }
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows[9].text, "   9");
    EXPECT_EQ(rows[9].page, 1);
    EXPECT_EQ(rows[10].text, "  10");
    EXPECT_EQ(rows[10].page, cursor == 740 ? 1 : 2);
    EXPECT_EQ(rows[10].y, cursor == 740 ? 948 : 5 * kH + 2 * kh);
  }
  // Where Q jumps at node 9, its row keeps the right side's row after it on its page: row 9, at
  // c + 78 + 117, needs it + 4h <= 987.
  for (int cursor : {740, 741}) {
    Job job(1000);
    job.data.elementCount = 10;
    job.data.nodes[9].QRight = 1.0;
    job.report.PrintOutputData(cursor);
    const RecordedCall* nine = job.surface.FindText("   9");
    ASSERT_NE(nine, nullptr);
    EXPECT_EQ(nine->page, cursor == 740 ? 1 : 2);
  }
}

void FillNodes(ProblemData& data, int n) {
  data.elementCount = n;
  for (int k = 0; k <= n; ++k) {
    data.nodes[k] = {static_cast<double>(k), 1.0, 0.5, 2.0, 0.5, 2.0};
  }
  data.resultsAvailable = true;
}

// Every two texts side by side on a line neither overlap (each is drawn on an opaque ground) nor
// stand closer than a blank (7 pixels): the end of the one and the first character of the next
// that is not a blank.
void ExpectNoTextsTouch(const RecordingSurface& s) {
  std::map<std::pair<int, int>, std::vector<RecordedCall>> lines;
  for (const RecordedCall& c : s.Texts()) {
    if (c.font == ReportFont::Regular) lines[{c.page, c.y}].push_back(c);
  }
  for (auto& [where, texts] : lines) {
    std::sort(texts.begin(), texts.end(),
              [](const RecordedCall& a, const RecordedCall& b) { return a.x < b.x; });
    for (std::size_t k = 1; k < texts.size(); ++k) {
      const RecordedCall& before = texts[k - 1];
      const RecordedCall& after = texts[k];
      const int end = before.x + 7 * static_cast<int>(before.text.size());
      const int start = after.x + 7 * static_cast<int>(after.text.find_first_not_of(' '));
      EXPECT_LE(end, after.x) << before.text << " | " << after.text;
      EXPECT_GE(start - end, 7) << "page " << where.first << ", y " << where.second << ": \""
                                << before.text << "\" and \"" << after.text << "\"";
    }
  }
}

// A value wider than its format is printed in full, and its column widens so that the next
// value of its row starts after it, at least a blank after it: the column grid's c = 81 holds 9
// regular bytes of 7 pixels, the next text's leading blanks count as its blank.
TEST(ReportTables, AValueWiderThanItsColumnWidensTheColumn) {
  Job job(3000);
  job.data.sections[0] = {12345678.5, 1.0e9, 1.0e12};
  job.data.points[1] = {10.0, -1.0e8, 123456789.0};
  FillNodes(job.data, 10);
  job.data.nodes[3].Q = job.data.nodes[3].QRight = -1.2345678e9;
  job.report.PrintOutputData(job.report.PrintInputData(240));
  const RecordingSurface& s = job.surface;
  ExpectNoTextsTouch(s);

  const struct {
    const char* text;
    int x, y;
  } placed[] = {
      // Sections: col3 = 199 + 84 + 7 = 290 after the length, col4 = 290 + 98 + 7 = 395 after
      // the load; the headings and units move with their columns.
      {"12345678.500", kCol2, 318},
      {"1000000000.000", 290, 318},
      {"1000000000000.000", 395, 318},
      {"Load", 290 + kD, 292},
      {"Spring", 411, 292},  // trunc(395 + 16.2)
      {"kN/m\xB3", 395 + kD, 305},
      // Forces: col3 stays 280 (63 + 7 after col2's 199 is less); col4 = 280 + 98 + 7 = 385.
      {"-100000000.000", kCol3, 435},
      {"123456789.000", 385, 435},
      {"kNm", 399, 409},  // trunc(385 + 14.4)
      // Output: col4 = 280 + 84 + 7 = 371 before Q of node 3, col5 = 371 + 105 after it.
      {"-1234567800.000", 371, 604},
      {"Q", 399, 539},   // trunc(371 + 28.8)
      {"M", 504, 539},   // trunc(476 + 28.8)
      {"kN", 396, 552},  // trunc(371 + 25.2)
  };
  for (const auto& p : placed) {
    const auto texts = s.Texts(1);
    const auto at = std::find_if(texts.begin(), texts.end(), [&](const RecordedCall& c) {
      return c.text == p.text && c.y == p.y;
    });
    ASSERT_NE(at, texts.end()) << p.text;
    EXPECT_EQ(at->x, p.x) << p.text;
  }

  // A section of its own EI and width: two more columns with every section's values as
  // calculated, beside the others without touching them.
  Job own(3000);
  own.data.sections[1].stiffnessEI = 2.5e6;
  own.data.sections[2].width = 0.75;
  own.report.PrintInputData(240);
  ExpectNoTextsTouch(own.surface);
  for (const char* text : {"EI", "Width", "kNm\xB2", "   2500000.0", "    0.750"}) {
    EXPECT_EQ(CountText(own.surface, text), 1) << text;
  }
  EXPECT_EQ(CountText(own.surface, "   1000000.0"), 2);
  EXPECT_EQ(CountText(own.surface, "    1.000"), 2);
  EXPECT_EQ(CountText(s, "EI"), 0);
  EXPECT_EQ(CountText(s, "Supports"), 0);

  // Supports: their own table after the forces, and what they give the beam after the output.
  Job held(3000);
  held.data.points[0].support = {SupportKind::Elastic, 1500.0, 2.5e4, 0.0, 0.0};
  held.data.points[3].support.kind = SupportKind::Pinned;
  FillNodes(held.data, 10);
  held.data.reactions[3].force = 62.5;
  held.report.PrintOutputData(held.report.PrintInputData(240));
  ExpectNoTextsTouch(held.surface);
  for (const char* text : {"Supports", "Support Reactions", "elastic", "pinned", "    1500.000",
                           "   25000.000", "      62.500", "kNm/rad"}) {
    EXPECT_EQ(CountText(held.surface, text), 1) << text;
  }
}

TEST(ReportOutputData, ThousandElementsContinueBelowTheHeader) {
  RecordingSurface s(kWidth, 3000);
  ProblemData data;
  FillNodes(data, 1000);
  data.nodes[1000] = {1000.0, 0.0001234567, -1234.5678, 98765.4321, -1234.5678, 98765.4321};
  FileResult outcome = PrintReport(s, data);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  ExpectNoTextsTouch(s);

  // Output Data starts at 487 on page 1: headings at 539, units at 552, rows from 565 while
  // row + 3h <= 2987; later pages under their headings (85) and units from 111 on.
  ExpectText(s, "Output Data", 1, kLeft, 487, ReportFont::Bold);
  ExpectText(s, "Displacements, Shear Forces and Moments", 1, kLeft, 513, ReportFont::Bold);
  std::vector<RecordedCall> rows;
  for (const RecordedCall& c : s.Texts()) {
    if (c.x == kCol1 && c.text != "Point" && (c.page > 1 || c.y >= 565)) rows.push_back(c);
  }
  ASSERT_EQ(rows.size(), 1001u);
  const int firstOnPage[] = {0, 184, 403, 622, 841, 1001};
  for (int page = 1; page <= 5; ++page) {
    for (int k = firstOnPage[page - 1]; k < firstOnPage[page]; ++k) {
      const RecordedCall& row = rows[k];
      ASSERT_EQ(row.text, (k < 10     ? "   "
                           : k < 100  ? "  "
                           : k < 1000 ? " "
                                      : "") +
                              std::to_string(k));
      ASSERT_EQ(row.page, page) << k;
      const int top = page == 1 ? 565 : 111;
      ASSERT_EQ(row.y, top + (k - firstOnPage[page - 1]) * kh) << k;
    }
  }
  // One title for the whole table, its headings on each of its five pages; the graphs page is
  // the sixth.
  EXPECT_EQ(CountText(s, "Output Data"), 1);
  for (int page = 2; page <= 5; ++page) {
    const auto texts = s.Texts(page);
    ASSERT_GE(texts.size(), 13u);
    EXPECT_EQ(texts[4].text, "Point");
    EXPECT_EQ(texts[4].y, 85);
    EXPECT_EQ(texts[12].text, "kNm");
    EXPECT_EQ(texts[12].y, 98);
  }
  EXPECT_EQ(CountText(s, "Point"), 1 + 5);  // the forces table and the output table's pages
  EXPECT_EQ(s.PageCount(), 6);
  ExpectText(s, "Graphs", 6, kLeft, 85, ReportFont::Bold);

  // The last row: x, w with six decimals, Q and M with three.
  const auto page5 = s.Texts(5);
  std::size_t lastRow = page5.size();
  for (std::size_t i = 0; i < page5.size(); ++i) {
    if (page5[i].text == "1000" && page5[i].x == kCol1) lastRow = i;
  }
  ASSERT_LT(lastRow + 4, page5.size());
  const RecordedCall* cells = &page5[lastRow];
  EXPECT_EQ(cells[1].text, " 1000.000");
  EXPECT_EQ(cells[1].x, kCol2);
  EXPECT_EQ(cells[2].text, "    0.000123");
  EXPECT_EQ(cells[2].x, kCol3);
  EXPECT_EQ(cells[3].text, "   -1234.568");
  EXPECT_EQ(cells[3].x, kOutCol4);
  EXPECT_EQ(cells[4].text, "   98765.432");
  EXPECT_EQ(cells[4].x, kOutCol5);
}

TEST(ReportOutputData, HeadingsAndUnits) {
  Job job(3000);
  job.data.elementCount = 10;
  job.data.accuracy = {true, 0.001, 0.002, 0.005};
  // The rows end at 552 + 11 h; nothing follows them without a warning on the accuracy.
  EXPECT_EQ(job.report.PrintOutputData(487), 552 + 13 * kh);
  // A warning stands under them, and so does a figure that is not available.
  const struct {
    ResultAccuracy accuracy;
    const char* text;
  } warnings[] = {
      {{true, 0.001, 0.002, 0.0512},
       "Warning : M is up to 5.1 % off the exact beam; more elements bring it closer."},
      {{false, 0.0, 0.0, 0.0},
       "Warning : The accuracy against the exact beam is not available for this beam."},
  };
  for (const auto& warning : warnings) {
    Job warned(3000);
    warned.data.elementCount = 10;
    warned.data.accuracy = warning.accuracy;
    EXPECT_EQ(warned.report.PrintOutputData(487), 552 + 15 * kh);
    ExpectText(warned.surface, warning.text, 1, kLeft, 552 + 13 * kh, ReportFont::Regular);
  }
  const RecordingSurface& s = job.surface;
  ExpectText(s, "Point", 1, kCol1, 539, ReportFont::Regular);
  ExpectText(s, "x", 1, 218, 539, ReportFont::Regular);  // trunc(199 + 19.8)
  ExpectText(s, "w", 1, 299, 539, ReportFont::Regular);  // trunc(280 + 19.8)
  ExpectText(s, "Q", 1, 392, 539, ReportFont::Regular);  // trunc(364 + 28.8)
  ExpectText(s, "M", 1, 476, 539, ReportFont::Regular);  // trunc(448 + 28.8)
  const auto units = s.Texts();
  std::vector<std::pair<std::string, int>> at552;
  for (const RecordedCall& c : units) {
    if (c.y == 552) at552.push_back({c.text, c.x});
  }
  const std::vector<std::pair<std::string, int>> expected = {
      {"m", 217}, {"m", 298}, {"kN", 389}, {"kNm", 473}};  // col + d, col + 1.4 d
  EXPECT_EQ(at552, expected);

  // A jump of Q at node 4 and a point inside element 6 where a load anywhere stands: two rows at
  // one x each, node 4's number on its left side's row only, the inside point's rows unnumbered.
  Job jumped(3000);
  jumped.data.elementCount = 10;
  jumped.data.accuracy = job.data.accuracy;
  for (int k = 0; k <= 10; ++k) jumped.data.nodes[k].x = k;
  jumped.data.nodes[4].QRight = -1.5;
  jumped.data.insideJumpCount = 1;
  jumped.data.insideJumps[0] = {6, {6.5, 0.0, 0.25, 1.0, -0.75, 1.0}};
  EXPECT_EQ(jumped.report.PrintOutputData(487), 552 + 16 * kh);
  const struct {
    int row;
    std::vector<std::string> texts;
  } rows[] = {
      {5, {"   4", "    4.000", "    0.000000", "       0.000", "       0.000"}},
      {6, {"", "    4.000", "    0.000000", "      -1.500", "       0.000"}},
      {7, {"   5", "    5.000", "    0.000000", "       0.000", "       0.000"}},
      {9, {"", "    6.500", "    0.000000", "       0.250", "       1.000"}},
      {10, {"", "    6.500", "    0.000000", "      -0.750", "       1.000"}},
      {11, {"   7", "    7.000", "    0.000000", "       0.000", "       0.000"}},
      {14, {"  10", "   10.000", "    0.000000", "       0.000", "       0.000"}},
  };
  for (const auto& row : rows) {
    std::vector<std::string> texts;
    std::vector<int> xs;
    for (const RecordedCall& c : jumped.surface.Texts(1)) {
      if (c.y != 552 + row.row * kh) continue;
      texts.push_back(c.text);
      xs.push_back(c.x);
    }
    EXPECT_EQ(texts, row.texts) << row.row;
    EXPECT_EQ(xs, (std::vector<int>{kCol1, kCol2, kCol3, kOutCol4, kOutCol5})) << row.row;
  }
}

TEST(ReportFlow, NoResultsMeansNoOutputAndNoGraphs) {
  RecordingSurface s(kWidth, 3000);
  ProblemData data;
  FillNodes(data, 100);
  data.resultsAvailable = false;
  FileResult outcome = PrintReport(s, data);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(s.PageCount(), 1);
  EXPECT_EQ(s.FindText("Output Data"), nullptr);
  EXPECT_EQ(s.FindText("Graphs"), nullptr);
  for (const RecordedCall& c : s.Calls()) {
    EXPECT_NE(c.kind, CallKind::LineTo);
    EXPECT_NE(c.kind, CallKind::NewPage);
  }
  EXPECT_EQ(s.Calls().front().kind, CallKind::BeginDocument);
  EXPECT_EQ(s.Calls().back().kind, CallKind::EndDocument);
  // Every text is drawn on the header's opaque white.
  for (const RecordedCall& c : s.Texts()) {
    EXPECT_EQ(c.brushStyle, BrushStyle::Solid);
    EXPECT_EQ(c.brushColour, kWhite);
  }

  // With results, Output Data follows on page 1 and the graphs page is the second.
  RecordingSurface withResults(kWidth, 3000);
  data.resultsAvailable = true;
  outcome = PrintReport(withResults, data);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(withResults.FindText("Output Data")->page, 1);
  EXPECT_EQ(withResults.FindText("Graphs")->page, 2);
  EXPECT_EQ(withResults.PageCount(), 2);
  for (const char* title : {"Load Cases", "Envelope"}) {
    EXPECT_EQ(withResults.FindText(title), nullptr) << title;
  }
  EXPECT_EQ(withResults.Calls().back().kind, CallKind::EndDocument);
}

TEST(ReportFlow, FailingPrinterAbortsTheDocument) {
  RecordingSurface refused(kWidth, 3000);
  refused.FailBegin();
  ProblemData data;
  FileResult outcome = PrintReport(refused, data);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "Simulated printer failure");
  EXPECT_TRUE(refused.Calls().empty());

  // A printer that fails at the third page: the document is aborted, not ended, and nothing is
  // drawn after the failed page break.
  RecordingSurface failing(kWidth, 3000);
  failing.FailAtPage(3);
  FillNodes(data, 1000);
  outcome = PrintReport(failing, data);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "Simulated printer failure");
  const auto& calls = failing.Calls();
  EXPECT_EQ(calls.back().kind, CallKind::AbortDocument);
  for (const RecordedCall& c : calls) {
    EXPECT_NE(c.kind, CallKind::EndDocument);
    EXPECT_LE(c.page, 2);
  }
  // Page 2 held rows 184 to 402 under the headings; row 403 would have begun page 3.
  const RecordedCall* row402 = failing.FindText(" 402");
  ASSERT_NE(row402, nullptr);
  EXPECT_EQ(row402->page, 2);
  EXPECT_EQ(failing.FindText(" 403"), nullptr);
}

TEST(ReportFlow, CountsBeyondTheTablesStayInside) {
  RecordingSurface s(kWidth, 3000);
  ProblemData data;
  FillNodes(data, 1000);
  data.elementCount = 1000;
  data.sectionCount = 20;
  FileResult outcome = PrintReport(s, data);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_NE(s.FindText(": 20"), nullptr);
  EXPECT_NE(s.FindText("1000"), nullptr);
  EXPECT_EQ(s.FindText("1001"), nullptr);
  EXPECT_EQ(CountText(s, "  20"), 3);  // section 20, point 20, node 20
  EXPECT_EQ(CountText(s, "  21"), 1);  // node 21 only

  // Counts outside their limits are a program fault: the document is given up with its message
  // before any table is read.
  RecordingSurface low(kWidth, 3000);
  data.elementCount = -3;
  data.sectionCount = 0;
  outcome = PrintReport(low, data);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "The problem's counts are outside their limits.");
  EXPECT_EQ(low.FindText(": 1"), nullptr);
}

// Whether a text was drawn exactly there, in that font.
bool HasTextAt(const RecordingSurface& s, std::string_view text, int page, int x, int y,
               ReportFont font = ReportFont::Regular) {
  const auto texts = s.Texts(page);
  return std::any_of(texts.begin(), texts.end(), [&](const RecordedCall& c) {
    return c.text == text && c.x == x && c.y == y && c.font == font;
  });
}

// The texts of one line, left to right.
std::vector<RecordedCall> LineAt(const RecordingSurface& s, int page, int y) {
  std::vector<RecordedCall> line;
  for (const RecordedCall& c : s.Texts(page)) {
    if (c.y == y) line.push_back(c);
  }
  std::sort(line.begin(), line.end(),
            [](const RecordedCall& a, const RecordedCall& b) { return a.x < b.x; });
  return line;
}

// The demonstration problem with three cases (the first with a load anywhere, the third
// without loads), two combinations, a moving load on the second and three soil factors.
void AddLoadCases(ProblemData& data) {
  LoadCases& cases = data.loadCases;
  cases.caseCount = 3;
  cases.cases[0].name.Set("Dead");
  data.loadsAnywhereCount = 1;
  data.loadsAnywhere[0] = {12.5, 40.0, 5.0};
  cases.cases[1].name.Set("Live");
  cases.cases[1].sectionLoad[1] = 7.5;
  cases.cases[1].pointForce[1] = 25.0;
  cases.cases[1].pointMoment[2] = -10.0;
  cases.cases[1].anywhereCount = 1;
  cases.cases[1].anywhere[0] = {4.0, 15.0, 0.0};
  cases.cases[2].name.Set("Wind");
  cases.combinationCount = 2;
  cases.combinations[0].name.Set("ULS");
  cases.combinations[0].factor = {1.35, 1.5, 0.0};
  cases.combinations[1].name.Set("SLS");
  cases.combinations[1].factor = {1.0, 1.0, 0.0};
  MovingLoad& moving = cases.movingLoad;
  moving.axleCount = 2;
  moving.axleLoad = {100.0, 80.0};
  moving.spacing = {2.5};
  moving.step = 0.5;
  moving.combination = 1;
  cases.soilFactorCount = 3;
  cases.soilFactors = {0.5, 1.0, 2.0};
}

TEST(ReportLoadCases, CasesCombinationsMovingLoadAndSoilFactors) {
  Job job(3000);
  AddLoadCases(job.data);
  EXPECT_EQ(job.report.PrintLoadCases(240), 1059);
  const RecordingSurface& s = job.surface;
  ExpectNoTextsTouch(s);
  constexpr ReportFont kBold = ReportFont::Bold;
  // Value column of the labelled lines: "Number of Soil Polygons " in the regular font.
  constexpr int kValueX = kLeft + 24 * 7;
  const struct {
    const char* text;
    int x, y;
    ReportFont font = ReportFont::Regular;
  } placed[] = {
      {"Load Cases", kLeft, 240, kBold},
      // The first case: its name, and its loads anywhere, which the tables above do not hold.
      {"Case 1: \"Dead\"", kLeft, 266, kBold},
      {"Section and point loads: those of the Sections and Forces tables", kLeft, 292},
      {"Loads anywhere along the beam", kLeft, 318},
      {"Load", kCol1, 344},
      {"x", kCol2 + kD, 344},
      {"m", kCol2 + kD, 357},
      {"kN", 296, 357},  // trunc(280 + 16.2)
      {"kNm", 375, 357},
      {"   1", kCol1, 370},
      {"   12.500", kCol2, 370},
      {"   40.000", kCol3, 370},
      {"    5.000", kCol4, 370},
      // The second: every table of its own.
      {"Case 2: \"Live\"", kLeft, 396, kBold},
      {"Section loads", kLeft, 422},
      {"Layer", kCol1, 448},
      {"kN/m\xB2", kCol2 + kD, 461},
      {"   2", kCol1, 487},
      {"    7.500", kCol2, 487},
      {"Point loads", kLeft, 526},
      {"   25.000", kCol3, 591},
      {"  -10.000", kCol4, 604},
      {"Loads anywhere along the beam", kLeft, 643},
      {"    4.000", kCol2, 695},
      {"   15.000", kCol3, 695},
      // The third has none.
      {"Case 3: \"Wind\"", kLeft, 721, kBold},
      {"No loads", kLeft, 747},
      // A column per case under its number.
      {"Combinations", kLeft, 773, kBold},
      {"Combination", kCol1, 799},
      {"Case", kCol2 + kD, 799},
      {"Case", kCol4 + kD, 799},
      {"1", kCol2 + kD, 812},
      {"3", kCol4 + kD, 812},
      {"ULS", kCol1, 825},
      {"    1.350", kCol2, 825},
      {"    1.500", kCol3, 825},
      {"    0.000", kCol4, 825},
      {"SLS", kCol1, 838},
      {"Moving Load", kLeft, 864, kBold},
      {"Axle", kCol1, 890},
      {"Spacing", kCol3 + kD, 890},
      {"kN", 215, 903},  // trunc(199 + 16.2)
      {"   1", kCol1, 916},
      {"  100.000", kCol2, 916},
      {"    2.500", kCol3, 916},
      {"   80.000", kCol2, 929},
      // 32.5 m of travel in steps of 0.5 m: 65 steps, 66 positions.
      {"Step (m)", kLeft, 955},
      {":        0.500", kValueX, 955},
      {"Positions", kLeft, 968},
      {": 66", kValueX, 968},
      {"On top of", kLeft, 981},
      {": \"SLS\"", kValueX, 981},
      {"Soil Factors", kLeft, 1007, kBold},
      {"Every spring times", kLeft, 1033},
      {": 0.5, 1, 2", kValueX, 1033},
  };
  for (const auto& p : placed) {
    EXPECT_TRUE(HasTextAt(s, p.text, 1, p.x, p.y, p.font)) << p.text << " at " << p.y;
  }
  // The last axle has no spacing; the first case's tables are not repeated.
  EXPECT_EQ(LineAt(s, 1, 929).size(), 2u);
  EXPECT_EQ(CountText(s, "Point loads"), 1);
  EXPECT_EQ(CountText(s, "Section loads"), 1);

  // Without a combination to ride on, the moving load is alone; a step of 0 is an element's.
  Job alone(3000);
  AddLoadCases(alone.data);
  alone.data.loadCases.movingLoad.combination = -1;
  alone.data.loadCases.movingLoad.step = 0.0;
  alone.report.PrintLoadCases(240);
  EXPECT_TRUE(HasTextAt(alone.surface, ": nothing", 1, kValueX, 981));
  EXPECT_TRUE(HasTextAt(alone.surface, ": the length of an element", 1, kValueX, 955));
}

// Twenty cases on a page 1000 wide (left margin 50, col1 = 68): a column of "%9.3f" ends 63
// after its start, so col1 + n c + 63 <= 1000 holds the names and ten cases: the combinations
// come in two parts, each under its headings with the names again. A line of soil factors too
// long for the page is broken after a comma.
TEST(ReportLoadCases, ManyCasesSplitTheCombinationsIntoParts) {
  Job job(3000, 1000);
  job.data.loadCases.caseCount = 20;
  job.data.loadCases.combinationCount = 1;
  job.data.loadCases.combinations[0].name.Set("ULS");
  for (int c = 0; c < 20; ++c) job.data.loadCases.combinations[0].factor[c] = 1.0 + c;
  job.data.loadCases.soilFactorCount = 10;
  for (int f = 0; f < 10; ++f) job.data.loadCases.soilFactors[f] = (f + 1) / 3.0;
  job.report.PrintLoadCases(240);
  const RecordingSurface& s = job.surface;
  ExpectNoTextsTouch(s);
  for (const RecordedCall& c : s.Texts()) {
    EXPECT_LE(c.x + (c.font == ReportFont::Bold ? 9 : 7) * static_cast<int>(c.text.size()), 1000)
        << c.text;
  }
  std::vector<RecordedCall> names;
  for (const RecordedCall& c : s.Texts()) {
    if (c.text == "ULS") names.push_back(c);
  }
  ASSERT_EQ(names.size(), 2u);
  const int top = names[0].y - 2 * kh;  // the first part's headings
  EXPECT_EQ(names[1].y, top + 4 * kh + 2 * kh);
  constexpr int kC = 81, kFirst = 68;
  for (int part = 0; part < 2; ++part) {
    const int y = top + part * 4 * kh;
    for (int k = 0; k < 10; ++k) {
      const int column = kFirst + (k + 1) * kC;
      const int c = part * 10 + k;
      EXPECT_TRUE(HasTextAt(s, "Case", 1, column + kD, y)) << c;
      EXPECT_TRUE(HasTextAt(s, FormatText("%d", c + 1), 1, column + kD, y + kh)) << c;
      EXPECT_TRUE(HasTextAt(s, FormatText("%9.3f", 1.0 + c), 1, column, y + 2 * kh)) << c;
    }
    EXPECT_TRUE(HasTextAt(s, "Combination", 1, kFirst, y));
    EXPECT_EQ(LineAt(s, 1, y + 2 * kh).size(), 11u);
  }
  // ": 0.3333333333333333, 0.6666666666666666, 1, ..." from x = 50 + 168.
  const RecordedCall* factors = s.FindText("Every spring times");
  ASSERT_NE(factors, nullptr);
  const auto first = LineAt(s, 1, factors->y), second = LineAt(s, 1, factors->y + kh);
  ASSERT_EQ(first.size(), 2u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(first[1].x, 218);
  EXPECT_EQ(second[0].x, 218);
  EXPECT_EQ(first[1].text.rfind(": 0.3333333333333333, 0.6666666666666666, 1, ", 0), 0u);
  EXPECT_EQ(first[1].text.back(), ',');
  EXPECT_EQ(first[1].text + " " + second[0].text,
            ": 0.3333333333333333, 0.6666666666666666, 1, 1.3333333333333333, "
            "1.6666666666666667, 2, 2.3333333333333335, 2.6666666666666665, 3, "
            "3.3333333333333335");
}

// Two cases and two combinations on linear soil: at every node the envelope's MMax and MMin are
// the larger and the smaller of the M that each combination gives, solved on its own, and cite
// the state that gives it; the accuracy is the worst of the two.
TEST(ReportEnvelope, TableGoverningStatesAndAccuracy) {
  Job job(3000);
  ProblemData& data = job.data;
  data.elementCount = 10;
  LoadCases& cases = data.loadCases;
  cases.caseCount = 2;
  cases.cases[1].name.Set("Live");
  cases.cases[1].sectionLoad = {0.0, 20.0, 0.0};
  cases.cases[1].pointForce[2] = 50.0;
  cases.combinationCount = 2;
  cases.combinations[0].name.Set("ULS");
  cases.combinations[0].factor = {1.35, 1.5};
  cases.combinations[1].name.Set("Lift");
  cases.combinations[1].factor = {1.0, -1.0};
  auto work = MakeAnalysisWorkspace();
  auto scratch = std::make_unique<ProblemData>();
  auto envelope = std::make_unique<Envelope>();
  ASSERT_EQ(RunEnvelope(data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  std::vector<std::unique_ptr<ProblemData>> states;
  ResultAccuracy worst{true, 0.0, 0.0, 0.0};
  for (int k = 0; k < 2; ++k) {
    states.push_back(std::make_unique<ProblemData>());
    ApplyDesignState(data, DesignState{k}, *states.back());
    ASSERT_EQ(RunCalculation(*states.back(), *work).status, CalculationStatus::Success);
    const ResultAccuracy& a = states.back()->accuracy;
    ASSERT_TRUE(a.available);
    worst = {true, std::max(worst.w, a.w), std::max(worst.Q, a.Q), std::max(worst.M, a.M)};
  }

  const int end = job.report.PrintEnvelope(240, *envelope);
  const RecordingSurface& s = job.surface;
  ExpectNoTextsTouch(s);
  ExpectText(s, "Envelope", 1, kLeft, 240, ReportFont::Bold);
  ExpectText(s,
             "Extremes over 2 states, each with the number of the state that governs it, as "
             "listed under the table",
             1, kLeft, 266, ReportFont::Regular);
  const std::vector<std::string> headings = {"Point", "x",    "wMax", "wMin",
                                             "QMax",  "QMin", "MMax", "MMin"};
  const std::vector<std::string> units = {"m", "m", "m", "kN", "kN", "kNm", "kNm"};
  std::vector<std::string> texts;
  for (const RecordedCall& c : LineAt(s, 1, 292)) texts.push_back(c.text);
  EXPECT_EQ(texts, headings);
  texts.clear();
  for (const RecordedCall& c : LineAt(s, 1, 305)) texts.push_back(c.text);
  EXPECT_EQ(texts, units);

  // The list under the table: "[n]" at the margin, the state at the margin + "[9999] ".
  const int listTop = 318 + 11 * kh + kh;
  ExpectText(s, "Governing States", 1, kLeft, listTop, ReportFont::Bold);
  const auto stateCited = [&](const std::string& cell) {
    const std::size_t open = cell.rfind('[');
    const std::string number = cell.substr(open);
    const RecordedCall* entry = s.FindText(number);
    if (entry == nullptr || entry->x != kLeft || entry->y < listTop) return std::string("none");
    const auto line = LineAt(s, 1, entry->y);
    return line.size() == 2 && line[1].x == kLeft + 7 * 7 ? line[1].text : std::string("none");
  };
  for (int k = 0; k <= 10; ++k) {
    SCOPED_TRACE(k);
    const auto row = LineAt(s, 1, 318 + k * kh);
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(row[0].text, FormatText("%4d", k));
    EXPECT_EQ(row[0].x, kCol1);
    EXPECT_EQ(row[1].text, FormatText("%9.3f", states[0]->nodes[k].x));
    const double uls = states[0]->nodes[k].M, lift = states[1]->nodes[k].M;
    // Where both give the same, the first governs.
    const std::string larger = uls >= lift ? "\"ULS\"" : "\"Lift\"";
    const std::string smaller = uls > lift ? "\"Lift\"" : "\"ULS\"";
    EXPECT_EQ(row[6].text.substr(0, 12), FormatText("%12.3f", std::max(uls, lift)));
    EXPECT_EQ(row[7].text.substr(0, 12), FormatText("%12.3f", std::min(uls, lift)));
    EXPECT_EQ(stateCited(row[6].text), larger);
    EXPECT_EQ(stateCited(row[7].text), smaller);
    const double w = std::max(states[0]->nodes[k].w, states[1]->nodes[k].w);
    EXPECT_EQ(row[2].text.substr(0, 12), FormatText("%12.6f", w));
  }
  const std::string accuracy = "Against the exact continuous beam, the worst over the states: w " +
                               AccuracyShareText(worst.w) + " off, Q " +
                               AccuracyShareText(worst.Q) + " off, M " +
                               AccuracyShareText(worst.M) + " off";
  const RecordedCall* line = s.FindText(accuracy);
  ASSERT_NE(line, nullptr) << accuracy;
  EXPECT_EQ(line->x, kLeft);
  EXPECT_EQ(end, line->y + 2 * kh);
}

// An envelope of 100 elements from cursor 240 on a page 1000 high: rows from 318 while
// row + 3h <= 987, so node 48 is the last on page 1 and node 49 continues under the headings
// and units again.
TEST(ReportEnvelope, AContinuedTableRepeatsItsHeadings) {
  Job job(1000);
  job.data.elementCount = 100;
  AddLoadCases(job.data);
  auto envelope = std::make_unique<Envelope>();
  envelope->stateCount = 3;
  for (int k = 0; k <= 100; ++k) {
    NodeEnvelope& node = envelope->nodes[k];
    node.x = 0.3 * k;
    node.MMax = {2.0 * k, DesignState{k % 2, -1, k % 3}};
  }
  job.report.PrintEnvelope(240, *envelope);
  const RecordingSurface& s = job.surface;
  EXPECT_TRUE(HasTextAt(s, "  48", 1, kCol1, 318 + 48 * kh));
  EXPECT_TRUE(HasTextAt(s, "  49", 2, kCol1, 5 * kH + 2 * kh));
  std::vector<std::string> texts;
  for (const RecordedCall& c : LineAt(s, 2, 5 * kH)) texts.push_back(c.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"Point", "x", "wMax", "wMin", "QMax", "QMin", "MMax",
                                             "MMin"}));
  EXPECT_EQ(LineAt(s, 2, 5 * kH + kh).size(), 7u);
  EXPECT_EQ(CountText(s, "MMax"), 2);  // pages 1 and 2
  // Each state once in the list, numbered as the table first cites it: the others' state by
  // default ([1]), then those of MMax at nodes 0 to 5, and node 6's again as node 0's.
  const std::vector<std::pair<std::string, std::string>> cited = {
      {"       0.000 [2]", "\"ULS\", soil factor 0.5"},
      {"       2.000 [3]", "\"SLS\", soil factor 1"},
      {"       4.000 [4]", "\"ULS\", soil factor 2"},
      {"       6.000 [5]", "\"SLS\", soil factor 0.5"},
      {"      12.000 [2]", "\"ULS\", soil factor 0.5"}};
  for (const auto& [cell, state] : cited) {
    EXPECT_EQ(CountText(s, cell), 1) << cell;
    const RecordedCall* entry = s.FindText(cell.substr(cell.find('[')));
    ASSERT_NE(entry, nullptr) << cell;
    EXPECT_EQ(entry->x, kLeft);
    EXPECT_EQ(CountText(s, state), 1) << state;
    EXPECT_EQ(s.FindText(state)->y, entry->y) << state;
  }
  EXPECT_NE(s.FindText("[7]"), nullptr);
  EXPECT_EQ(s.FindText("[8]"), nullptr);
}

TEST(ReportFlow, LoadCasesAndTheEnvelopeStandInTheirPlaces) {
  ProblemData data;
  data.elementCount = 10;
  AddLoadCases(data);
  data.loadCases.movingLoad.axleCount = 0;
  auto work = MakeAnalysisWorkspace();
  ASSERT_EQ(RunCalculation(data, *work).status, CalculationStatus::Success);
  RecordingSurface s(kWidth, 3000);
  ASSERT_TRUE(PrintReport(s, data).ok);
  const auto at = [&](const char* title) {
    const RecordedCall* call = s.FindText(title);
    return call == nullptr ? std::pair{0, 0} : std::pair{call->page, call->y};
  };
  const char* order[] = {"Input Data", "Load Cases",       "Output Data",
                         "Envelope",   "Governing States", "Graphs"};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    EXPECT_LT(at(order[i - 1]), at(order[i])) << order[i];
  }
  EXPECT_NE(s.FindText("Extremes over 6 states, each with the number of the state that governs "
                       "it, as listed under the table"),
            nullptr);

  // Without results the load cases are printed, and no envelope.
  RecordingSurface input(kWidth, 3000);
  data.resultsAvailable = false;
  ASSERT_TRUE(PrintReport(input, data).ok);
  EXPECT_NE(input.FindText("Load Cases"), nullptr);
  EXPECT_EQ(input.FindText("Envelope"), nullptr);
  // Unless the caller gives one: then it follows the input.
  auto envelope = std::make_unique<Envelope>();
  envelope->stateCount = 7;
  RecordingSurface given(kWidth, 3000);
  ASSERT_TRUE(PrintReport(given, data, envelope.get()).ok);
  EXPECT_LT(at("Load Cases"),
            std::pair(given.FindText("Envelope")->page, given.FindText("Envelope")->y));
  EXPECT_EQ(given.FindText("Output Data"), nullptr);
  EXPECT_NE(given.FindText("Extremes over 7 states, each with the number of the state that "
                           "governs it, as listed under the table"),
            nullptr);

  // An envelope that cannot be calculated is one line in its place.
  data.resultsAvailable = true;
  data.loadCases.movingLoad.axleCount = 1;
  data.loadCases.movingLoad.step = 0.001;
  RecordingSurface refused(kWidth, 3000);
  ASSERT_TRUE(PrintReport(refused, data).ok);
  const RecordedCall* title = refused.FindText("Envelope");
  ASSERT_NE(title, nullptr);
  ExpectText(refused,
             "The envelope could not be calculated: The moving load takes more than 10000 "
             "positions.",
             title->page, kLeft, title->y + 2 * kh, ReportFont::Regular);
  EXPECT_EQ(refused.FindText("Governing States"), nullptr);
  EXPECT_NE(refused.FindText("Graphs"), nullptr);
}

// Graphs page of a 3000 x 2000 page: header returns 85, yTop = 85 + 26 = 111; plot 1900 x 2778;
// gw = 1520, gh = trunc(333.36) = 333, xa = 290, xb = 1810; axes at 610, 1443 and 2275.
constexpr int kXa = 290, kXb = 1810, kGh = 333;
constexpr int kAxisW = 610, kAxisQ = 1443, kAxisM = 2275;

TEST(ReportGraphs, ExtremeLinesLettersAndScales) {
  RecordingSurface s(kWidth, 3000);
  ProblemData data;
  data.elementCount = 10;
  for (int k = 0; k <= 10; ++k) {
    // w rises to 0.5 m, Q falls from 4.5 to -5.5 kN, M is negative everywhere but stays on the
    // page under its negative scale.
    data.nodes[k] = {static_cast<double>(k), k / 20.0, 4.5 - k,
                     -(1.0 + 0.1 * k),       4.5 - k,  -(1.0 + 0.1 * k)};
  }
  Report report((s.BeginDocument(), s), data);
  report.PrintGraphs(500);
  ASSERT_EQ(s.PageCount(), 2);
  ExpectText(s, "Graphs", 2, kLeft, 85, ReportFont::Bold);

  const char* lines[6] = {
      "Minimum displacement : "
      "       0.000"
      " m",  // the value fields are 12 wide
      "Maximum displacement : "
      "       0.500"
      " m",
      "Minimum shear force : "
      "      -5.500"
      " kN",
      "Maximum shear force : "
      "       4.500"
      " kN",
      "Minimum moment : "
      "      -2.000"
      " kNm",
      "Maximum moment : "
      "      -1.000"
      " kNm"};
  // trunc(111 + 13.32) = 124, then each previous + 46.62, truncated.
  const int ys[6] = {124, 170, 216, 262, 308, 354};
  for (int i = 0; i < 6; ++i) ExpectText(s, lines[i], 2, kXa, ys[i], ReportFont::Regular);
  // Letters at xa - 2 * 7 and the axis less half the body line height.
  ExpectText(s, "w", 2, 276, kAxisW - 6, ReportFont::Regular);
  ExpectText(s, "Q", 2, 276, kAxisQ - 6, ReportFont::Regular);
  ExpectText(s, "M", 2, 276, kAxisM - 6, ReportFont::Regular);

  const auto diagrams = Diagrams(s, 2, kXa, kXb);
  ASSERT_EQ(diagrams.size(), 3u);
  const int axes[3] = {kAxisW, kAxisQ, kAxisM};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(diagrams[i].axisFrom, (Point{kXa, axes[i]}));
    EXPECT_EQ(diagrams[i].axisTo, (Point{kXb, axes[i]}));
    ASSERT_EQ(diagrams[i].curve.size(), 12u);  // start and 11 nodes
    ASSERT_EQ(diagrams[i].hatches.size(), 11u);
  }
  // sx = 152 px/m. w: sy = 333 / 0.5 = 666, so 33.3 px per node; Q: sy = 333 / 4.5 = 74;
  // M: maximum -1, sy = -333, everything below the axis, 333 + 33.3 px per node.
  for (int k = 0; k <= 10; ++k) {
    const int x = kXa + 152 * k;
    const int yw = kAxisW + 333 * k / 10;
    const int yq = kAxisQ + 333 - 74 * k;
    const int ym = kAxisM + 333 + 333 * k / 10;
    EXPECT_EQ(diagrams[0].curve[k + 1], (Point{x, yw})) << k;
    EXPECT_EQ(diagrams[1].curve[k + 1], (Point{x, yq})) << k;
    EXPECT_EQ(diagrams[2].curve[k + 1], (Point{x, ym})) << k;
    EXPECT_EQ(diagrams[2].hatches[k].first, (Point{x, kAxisM}));
    EXPECT_EQ(diagrams[2].hatches[k].second, (Point{x, ym}));
    EXPECT_GT(ym, kAxisM);
  }
  EXPECT_EQ(diagrams[0].curve[11].y, kAxisW + kGh);  // the maximum lies gh below its axis
  EXPECT_EQ(diagrams[0].curve[0], (Point{kXa, kAxisW}));
  EXPECT_EQ(diagrams[1].curve[0], (Point{kXa, kAxisQ + kGh}));
  EXPECT_EQ(diagrams[2].curve[0], (Point{kXa, kAxisM + kGh}));
  EXPECT_EQ(diagrams[2].curve[11].y, kAxisM + 2 * kGh);

  // Black throughout: the w axis in the header's mix mode, everything after it in copy mode.
  bool seenCopy = false;
  for (const RecordedCall& c : s.Calls()) {
    if (c.page != 2 || c.kind != CallKind::LineTo) continue;
    EXPECT_EQ(c.penColour, kBlack);
    EXPECT_EQ(c.penMode, seenCopy ? PenMode::Copy : PenMode::Black);
    seenCopy = true;
  }
}

TEST(ReportGraphs, Stride) {
  struct Case {
    int elements;
    int step;
    int drawn;     // nodes joined by the curve, one hatching line each
    int lastNode;  // the last node drawn
  };
  for (const Case& c :
       {Case{1000, 10, 101, 1000}, Case{150, 1, 151, 150}, Case{299, 2, 150, 298}}) {
    RecordingSurface s(kWidth, 3000);
    ProblemData data;
    FillNodes(data, c.elements);
    Report report((s.BeginDocument(), s), data);
    report.PrintGraphs(0);
    const auto diagrams = Diagrams(s, 2, kXa, kXb);
    ASSERT_EQ(diagrams.size(), 3u);
    const int step = c.step;
    for (const Diagram& d : diagrams) {
      ASSERT_EQ(d.hatches.size(), static_cast<std::size_t>(c.drawn)) << c.elements;
      ASSERT_EQ(d.curve.size(), static_cast<std::size_t>(c.drawn) + 1) << c.elements;
      for (int i = 0; i < c.drawn; ++i) {
        // x of node k is k m: sx = 1520 / n px per metre.
        const int node = i * step;
        const int x = static_cast<int>(kXa + 1520.0 / c.elements * node);
        ASSERT_EQ(d.hatches[i].first.x, x) << c.elements << " node " << node;
        ASSERT_EQ(d.curve[i + 1].x, x);
      }
      EXPECT_EQ(d.curve.back().x, static_cast<int>(kXa + 1520.0 / c.elements * c.lastNode));
    }
    // Constant positive values hang gh below each axis.
    EXPECT_EQ(diagrams[0].hatches.back().second.y, kAxisW + kGh);
    EXPECT_EQ(diagrams[0].hatches.back().first.x, kXa + 1520 * c.lastNode / c.elements);
  }

  // Jumps on 299 elements, every second node drawn: Q from 0.5 to -0.5 kN at node 151, which
  // the stride passes by, and M from 2 to 3 kNm at node 100, which it draws. Each curve takes
  // both sides at the node's x, a vertical line there; a drawn node hatches both of its sides.
  // w, which jumps nowhere, keeps its 150 nodes.
  RecordingSurface s(kWidth, 3000);
  ProblemData data;
  FillNodes(data, 299);
  data.nodes[151].QRight = -0.5;
  data.nodes[100].MRight = 3.0;
  Report report((s.BeginDocument(), s), data);
  report.PrintGraphs(0);
  const auto diagrams = Diagrams(s, 2, kXa, kXb);
  ASSERT_EQ(diagrams.size(), 3u);
  const auto x = [](int node) { return static_cast<int>(kXa + 1520.0 / 299 * node); };
  EXPECT_EQ(diagrams[0].curve.size(), 151u);
  EXPECT_EQ(diagrams[0].hatches.size(), 150u);
  // Q: sy = 333 / 0.5 = 666, the two sides gh below and above the axis; nodes 150 and 152
  // stand before and after them.
  const Diagram& q = diagrams[1];
  ASSERT_EQ(q.curve.size(), 153u);
  EXPECT_EQ(q.hatches.size(), 150u);
  EXPECT_EQ(q.curve[76], (Point{x(150), kAxisQ + kGh}));
  EXPECT_EQ(q.curve[77], (Point{x(151), kAxisQ + kGh}));
  EXPECT_EQ(q.curve[78], (Point{x(151), kAxisQ - kGh}));
  EXPECT_EQ(q.curve[79], (Point{x(152), kAxisQ + kGh}));
  // M: sy = 333 / 3 = 111, the left side 222 below the axis, the right one 333.
  const Diagram& m = diagrams[2];
  ASSERT_EQ(m.curve.size(), 152u);
  ASSERT_EQ(m.hatches.size(), 151u);
  EXPECT_EQ(m.curve[51], (Point{x(100), kAxisM + 222}));
  EXPECT_EQ(m.curve[52], (Point{x(100), kAxisM + 333}));
  EXPECT_EQ(m.curve[53], (Point{x(102), kAxisM + 222}));
  EXPECT_EQ(m.hatches[50], (std::pair{Point{x(100), kAxisM}, Point{x(100), kAxisM + 222}}));
  EXPECT_EQ(m.hatches[51], (std::pair{Point{x(100), kAxisM}, Point{x(100), kAxisM + 333}}));
  EXPECT_EQ(m.hatches[52].first, (Point{x(102), kAxisM}));
}

// The supports stand on the w axis at their points, over the w curve and before the Q diagram,
// sized from the body line as on the screen: SupportSize(13) = 21. Points at 0, 10, 20 and 30 m
// of a 30 m beam, sx = 1520 / 30: x = 290, 796, 1303 and 1810. A fixed left end moves the w
// letter left by its reach, ceil(0.825 * 21) + 1 pen pixel = 19: 290 - 19 - 14 = 257. On a short
// page the symbols shrink to keep clear of the extreme lines and the Q diagram's band; on one
// with no room between them none is drawn. Nothing else changes.
TEST(ReportGraphs, SupportsOnTheWAxis) {
  struct Case {
    int height;
    int axisW, gh;
    int size;  // 21, or -1 for smaller as the room allows, or 0 for none
  };
  for (const Case& c :
       {Case{3000, kAxisW, kGh, 21}, Case{400, 142, 21, -1}, Case{300, 124, 9, 0}}) {
    SCOPED_TRACE(c.height);
    ProblemData data;
    FillNodes(data, 30);
    RecordingSurface plain(kWidth, c.height);
    Report((plain.BeginDocument(), plain), data).PrintGraphs(0);
    EXPECT_TRUE(plain.CallsOf(CallKind::Support).empty());

    data.points[0].support.kind = SupportKind::Fixed;
    data.points[2].support.kind = SupportKind::Pinned;
    data.points[3].support = {SupportKind::Elastic, 5000.0, 2.0e4, 0.0, 0.0};
    RecordingSurface s(kWidth, c.height);
    Report((s.BeginDocument(), s), data).PrintGraphs(0);
    const std::vector<RecordedCall> supports = s.CallsOf(CallKind::Support);
    const RecordedCall* letter = s.FindText("w");
    ASSERT_NE(letter, nullptr);
    if (c.size == 0) {
      EXPECT_TRUE(supports.empty());
      EXPECT_EQ(letter->x, 276);
      continue;
    }
    ASSERT_EQ(supports.size(), 3u);
    const struct {
      int x;
      SupportKind kind;
      SupportPlace place;
    } expected[3] = {{kXa, SupportKind::Fixed, SupportPlace::LeftEnd},
                     {1303, SupportKind::Pinned, SupportPlace::Inside},
                     {kXb, SupportKind::Elastic, SupportPlace::RightEnd}};
    const int size = supports[0].size;
    const double pen = SupportPenWidth(size);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(supports[i].page, 2);
      EXPECT_EQ(supports[i].x, expected[i].x) << i;
      EXPECT_EQ(supports[i].y, c.axisW) << i;
      EXPECT_EQ(supports[i].support.kind, expected[i].kind) << i;
      EXPECT_EQ(supports[i].place, expected[i].place) << i;
      EXPECT_EQ(supports[i].size, size) << i;
    }
    EXPECT_EQ(supports[2].support, data.points[3].support);
    if (c.size > 0) {
      EXPECT_EQ(size, c.size);
      EXPECT_EQ(letter->x, 257);
    } else {
      EXPECT_GT(size, 0);
      EXPECT_LT(size, 21);
    }
    // Below the last extreme line, above the Q diagram's band, and right of the letter.
    const RecordedCall* lastLine = s.FindText(
        "Maximum moment : "
        "       2.000"
        " kNm");
    ASSERT_NE(lastLine, nullptr);
    EXPECT_GE(c.axisW - kSupportAbove * size - pen, lastLine->y + kh);
    EXPECT_LE(c.axisW + kSupportBelow * size + pen,
              Diagrams(s, 2, kXa, kXb).at(1).axisFrom.y - c.gh);
    EXPECT_LT(letter->x + 7, kXa - kSupportAside * size - pen);

    // After the w diagram's last hatching line, before the Q axis; everything else as without
    // the supports.
    const auto& calls = s.Calls();
    const auto first = std::find_if(calls.begin(), calls.end(), [](const RecordedCall& x) {
      return x.kind == CallKind::Support;
    });
    EXPECT_EQ(std::prev(first)->kind, CallKind::LineTo);
    EXPECT_EQ(std::prev(first)->y, c.axisW + c.gh);
    EXPECT_EQ((first + 3)->kind, CallKind::MoveTo);
    EXPECT_EQ((first + 3)->x, kXa);
    std::vector<RecordedCall> rest;
    for (const RecordedCall& call : calls) {
      if (call.kind != CallKind::Support) rest.push_back(call);
    }
    ASSERT_EQ(rest.size(), plain.Calls().size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
      const RecordedCall& was = plain.Calls()[i];
      EXPECT_EQ(std::tie(rest[i].kind, rest[i].y, rest[i].text),
                std::tie(was.kind, was.y, was.text))
          << i;
      if (rest[i].text != "w") {
        EXPECT_EQ(rest[i].x, was.x) << i;
      }
    }
  }
}

bool OnPage(const Point& p) { return p.x >= 0 && p.x <= kWidth && p.y >= 0 && p.y <= 3000; }

TEST(ReportGraphs, ZeroOrNegligibleMaximum) {
  // No load at all: every diagram is zero everywhere, drawn as its axis and letter alone.
  {
    RecordingSurface s(kWidth, 3000);
    ProblemData data;
    FillNodes(data, 100);
    for (int k = 0; k <= 100; ++k) data.nodes[k] = {0.3 * k, 0.0, 0.0, 0.0, 0.0, 0.0};
    FileResult outcome = PrintReport(s, data);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    const int page = s.PageCount();
    const auto diagrams = Diagrams(s, page, kXa, kXb);
    ASSERT_EQ(diagrams.size(), 3u);
    for (const Diagram& d : diagrams) {
      EXPECT_TRUE(d.curve.empty());
      EXPECT_TRUE(d.hatches.empty());
    }
    EXPECT_NE(s.FindText("Maximum moment :        0.000 kNm"), nullptr);
    EXPECT_EQ(s.Calls().back().kind, CallKind::EndDocument);
  }
  // Moment nowhere positive (zero at the ends, -37 in the middle): scaled by its largest
  // magnitude, 333 / 37 = 9 px per kNm, so it rises at most gh above its axis.
  {
    RecordingSurface s(kWidth, 3000);
    ProblemData data;
    FillNodes(data, 10);
    for (int k = 0; k <= 10; ++k)
      data.nodes[k].M = data.nodes[k].MRight = -37.0 * (k * (10 - k)) / 25.0;
    Report report((s.BeginDocument(), s), data);
    report.PrintGraphs(0);
    const auto diagrams = Diagrams(s, 2, kXa, kXb);
    ASSERT_EQ(diagrams.size(), 3u);
    const Diagram& m = diagrams[2];
    ASSERT_EQ(m.curve.size(), 12u);
    for (int k = 0; k <= 10; ++k) {
      const int expected = (kAxisM * 100 - 1332 * k * (10 - k)) / 100;  // 13.32 px per k(10-k)
      EXPECT_EQ(m.curve[k + 1].y, expected) << k;
    }
    EXPECT_EQ(m.curve[6].y, kAxisM - kGh);
  }
  // A positive maximum negligible next to the minimum, and values at the edge of the double
  // range: every coordinate stays on the page.
  {
    RecordingSurface s(kWidth, 3000);
    ProblemData data;
    FillNodes(data, 10);
    for (int k = 0; k <= 10; ++k) {
      data.nodes[k].w = k == 3 ? 1e-12 : -0.9 * k;
      data.nodes[k].Q = data.nodes[k].QRight = k % 2 ? 1.7e308 : -1.7e308;
      data.nodes[k].M = data.nodes[k].MRight = k == 10 ? 1e-300 : -4.0;
    }
    Report report((s.BeginDocument(), s), data);
    report.PrintGraphs(0);
    const auto diagrams = Diagrams(s, 2, kXa, kXb);
    ASSERT_EQ(diagrams.size(), 3u);
    for (const Diagram& d : diagrams) {
      ASSERT_EQ(d.curve.size(), 12u);
      for (const Point& p : d.curve) EXPECT_TRUE(OnPage(p)) << p.x << "," << p.y;
      for (const auto& h : d.hatches) EXPECT_TRUE(OnPage(h.second)) << h.second.y;
    }
    EXPECT_EQ(diagrams[0].curve[11].y, kAxisW - kGh);  // w = -9, the largest magnitude
    EXPECT_EQ(diagrams[2].curve[1].y, kAxisM - kGh);   // M = -4, the largest magnitude
  }
  // A beam whose nodes all lie at one x: drawn at the axis' left end, not at an infinite x.
  {
    RecordingSurface s(kWidth, 3000);
    ProblemData data;
    FillNodes(data, 10);
    for (int k = 0; k <= 10; ++k) data.nodes[k].x = 0.0;
    Report report((s.BeginDocument(), s), data);
    report.PrintGraphs(0);
    for (const Diagram& d : Diagrams(s, 2, kXa, kXb)) {
      for (const Point& p : d.curve) EXPECT_EQ(p.x, kXa);
    }
  }
}

}  // namespace
}  // namespace pelvar
