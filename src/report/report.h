#pragma once
// The printed report: page header and pagination, General Data, Input Data, the load cases,
// Output Data, the envelope and the Graphs page, drawn on a PageSurface from a ProblemData that
// it only reads.

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/file_result.h"
#include "model/problem_data.h"
#include "report/page_surface.h"

namespace pelvar {

struct Envelope;  // analysis/envelope.h

inline constexpr std::string_view kReportTitle = "Pelvar - Beam on Elastic Foundation";
inline constexpr std::string_view kReportMakerLine = "A Tessaly Program";
inline constexpr std::string_view kReportNoticeLine =
    "Printed by Pelvar, analysis of a beam on an elastic foundation";

// Thrown by the blocks when the surface fails at a page break; PrintReport turns it into its
// error message after aborting the document.
class ReportAborted : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One print job on an open document. The blocks hand the vertical cursor on to each other, as
// the print command calls them; they are public so that each can be checked on its own.
class Report {
 public:
  // The document must have been started: the left margin comes from the page width now. The
  // problem must be within its limits (see ProblemData).
  Report(PageSurface& surface, const ProblemData& data);

  int LeftMargin() const { return leftMargin_; }

  // Prints the page header on the current page, or first starts a new page when newPage is
  // set, and returns the cursor below it. Leaves the regular font selected.
  int PrintHeader(bool newPage);
  // Begins the report with the first header; returns the cursor below the general data.
  int PrintGeneralData();
  int PrintInputData(int cursor);
  // After Input Data where the problem has load cases (HasLoadCases): what the tables do not
  // hold of the first case, the loads of every other case, the combinations, the moving load and
  // the soil factors.
  int PrintLoadCases(int cursor);
  int PrintOutputData(int cursor);
  // At every node the largest and smallest w, Q and M over the states, each followed by the
  // number of the state that governs it in the list under the table, then the worst accuracy.
  int PrintEnvelope(int cursor, const Envelope& envelope);
  // In the envelope's place: why it could not be calculated, in one line.
  int PrintEnvelopeFailure(int cursor, std::string_view reason);
  // Always on a page of its own, the last of the report.
  void PrintGraphs(int cursor);

 private:
  struct ColumnGrid {
    int d = 0;             // width of "99"
    std::vector<int> col;  // col[1]..col[columns]
  };
  // A text of a table's heading or units line, at a column plus a multiple of d.
  struct Heading {
    int column = 1;
    double multiple = 0.0;
    std::string_view text;
  };
  // A table below its title: two lines of headings and units, and rows of texts for the
  // columns from col[1] on. A row stays on its page while reserve body lines fit from its top.
  // A table with key columns that would reach beyond the page is printed in parts, one below the
  // other, each with the key columns and as many of the others as fit.
  struct Table {
    std::vector<Heading> headings;
    std::vector<Heading> units;
    std::vector<std::vector<std::string>> rows;
    int reserve = 0;
    // Rows that stay on the page of the row after them (the left side of a jump); empty for none.
    std::vector<bool> withNext;
    int keyColumns = 0;
  };

  int BodyLineHeight();
  ColumnGrid MeasureColumnGrid(const Table& table);
  void PrintTitle(int cursor, std::string_view title);
  // Prints the headings and units at the cursor and returns the cursor of the units line.
  int PrintHeadings(int cursor, const Table& table, const ColumnGrid& grid, int h);
  // Prints the table's headings and rows from the cursor, with its headings again at the top of
  // every page it continues on, and returns the cursor of its last row.
  int PrintTable(int cursor, const Table& table);
  int PrintTableWhole(int cursor, const Table& table, const ColumnGrid& grid);
  // The right end of the table's widest text on the grid.
  int TableRight(const Table& table, const ColumnGrid& grid);
  // A title where it and the lines under it fit, else at the top of a new page; returns the
  // cursor two lines below it. In the regular font it heads a table within a block.
  int PrintTitleWithRoom(int cursor, std::string_view title, int lines,
                         ReportFont font = ReportFont::Bold);
  // The text at x from the cursor on, broken after its commas where it would reach beyond the
  // page, each line on the page where it fits; returns the cursor of its last line.
  int PrintWrapped(int cursor, int x, std::string_view text);
  // Labels at the left margin and ": value" at the General Data's value column, a line each;
  // returns the cursor below the last.
  int PrintLabelledLines(int cursor, const std::vector<std::pair<std::string, std::string>>& lines);
  struct GraphLayout;
  // The diagram's letter stands left of `left`, where its drawing begins.
  void DrawDiagram(const GraphLayout& layout, int axisY, double minValue, double maxValue,
                   double ResultNode::*quantity, std::string_view letter, bool first, int left);
  // The size of the supports' symbols on an axis at axisY, from the text's line height, kept
  // between roomTop and roomBottom; 0 where there is no support or no room.
  int SupportSizeOnPage(int lineHeight, int axisY, int roomTop, int roomBottom) const;

  PageSurface& surface_;
  const ProblemData& data_;
  int leftMargin_ = 0;
};

// The print command from the start of the document to its end: header and General Data, Input
// Data, the load cases where the problem has them, and Output Data with the Graphs page while
// results are available. The envelope stands before the Graphs page: the caller's where it gives
// one, else, while results are available and the load cases make more states than the tables'
// loads alone, calculated here (or why it could not be). On a failing device the document is
// aborted and the failure returned with a message for the user.
FileResult PrintReport(PageSurface& surface, const ProblemData& data,
                       const Envelope* envelope = nullptr);

}  // namespace pelvar
