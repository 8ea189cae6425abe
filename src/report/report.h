#pragma once
// The printed report: page header and pagination, General Data, Input Data, Output Data and the
// Graphs page, drawn on a PageSurface from a ProblemData that it only reads.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_result.h"
#include "model/problem_data.h"
#include "report/page_surface.h"

namespace pelvar {

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
  int PrintOutputData(int cursor);
  // Always on a page of its own, the last of the report.
  void PrintGraphs(int cursor);

 private:
  struct ColumnGrid {
    int d = 0;  // width of "99"
    static constexpr int kMaxColumns = 7;
    int col[kMaxColumns + 1] = {};  // col[1]..col[kMaxColumns]
  };
  // A text of a table's heading or units line, at a column plus a multiple of d.
  struct Heading {
    int column = 1;
    double multiple = 0.0;
    std::string_view text;
  };
  // A table below its title: two lines of headings and units, and rows of texts for the
  // columns from col[1] on. A row stays on its page while reserve body lines fit from its top.
  struct Table {
    std::vector<Heading> headings;
    std::vector<Heading> units;
    std::vector<std::vector<std::string>> rows;
    int reserve = 0;
  };

  int BodyLineHeight();
  ColumnGrid MeasureColumnGrid(const Table& table);
  void PrintTitle(int cursor, std::string_view title);
  // Prints the headings and units at the cursor and returns the cursor of the units line.
  int PrintHeadings(int cursor, const Table& table, const ColumnGrid& grid, int h);
  // Prints the table's headings and rows from the cursor, with its headings again at the top of
  // every page it continues on, and returns the cursor of its last row.
  int PrintTable(int cursor, const Table& table);
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
// Data, and Output Data with the Graphs page while results are available. On a failing device the
// document is aborted and the failure returned with a message for the user.
FileResult PrintReport(PageSurface& surface, const ProblemData& data);

}  // namespace pelvar
