#pragma once
// The diagrams of the results window: w, Q, M and the soil pressure p along the beam, one panel
// under the other on a common x axis, drawn antialiased for any size and screen scale, on the
// screen, into PNG and into SVG alike.
//
// Each panel holds its values between two bands of text: the minimum's value and place are
// written in the band above it, the maximum's in the band below (values grow downwards, as in
// the main window's picture), so that no text ever lies on a curve. The values of the axis are
// written in the margin to the left, the section numbers in a band above all panels, the x axis
// in metres below them.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "analysis/result_quantities.h"
#include "analysis/results.h"
#include "model/problem_data.h"
#include "plot/results_plot.h"

class QPainter;

namespace pelvar {

// One calculated problem as the results window shows it, kept apart from the problem being
// edited so that no later edit can change what is shown.
struct ResultsSnapshot {
  std::unique_ptr<ProblemData> data;
  ResultQuantities quantities;
  ResultSummary summary;
  std::vector<double> nodeX;     // x of nodes 0..elementCount
  std::vector<double> sectionX;  // x of the points: the beam's ends and the section ends
};
// A copy of the calculated problem; data.resultsAvailable must be set.
std::shared_ptr<const ResultsSnapshot> TakeResultsSnapshot(const ProblemData& data);

// The colour of each quantity's curve: w red, Q green and M blue as in the main window's
// picture, p brown.
QColor QuantityColour(ResultQuantity quantity);
// "m", "kN", "kNm" or "kN/m²".
QString QuantityUnit(ResultQuantity quantity);

struct DiagramPanel {
  ResultQuantity quantity = ResultQuantity::W;
  QRectF plot;  // where the curve goes
  ValueRange range;
  double valueToY(double value) const {
    return plot.top() + (value - range.low) / (range.high - range.low) * plot.height();
  }
};

struct DiagramLayout {
  QRectF area;          // the whole drawing
  double left = 0.0;    // x of the beam's left end
  double right = 0.0;   // x of the beam's right end
  double length = 0.0;  // the beam's length, m
  double lineHeight = 0.0;
  double sectionBandTop = 0.0;
  double axisTop = 0.0;                // the x axis, below the last panel
  std::array<DiagramPanel, 4> panels;  // w, Q, M, p
  // Whether the drawing is large enough for the diagrams at all.
  bool usable = false;

  double xToPixel(double x) const { return left + x / length * (right - left); }
  double pixelToX(double px) const { return (px - left) / (right - left) * length; }
};

// The panels, margins and bands for a drawing of the given size in the given font.
DiagramLayout LayoutDiagrams(const ResultsSnapshot& snapshot, const QRectF& area,
                             const QFont& font);

// Draws the whole picture (white ground, diagrams, axes, texts) into the layout's area.
void PaintDiagrams(QPainter& painter, const ResultsSnapshot& snapshot, const DiagramLayout& layout,
                   const QFont& font);

// The marker at a node and element: a vertical line through every panel, a dot on each of the
// w, Q and M curves and the element's pressure step drawn thick.
void PaintMarker(QPainter& painter, const ResultsSnapshot& snapshot, const DiagramLayout& layout,
                 int node, int element);

// What a diagram's values are shown with, and the text of a value in it.
int DiagramDecimals(const ResultsSnapshot& snapshot, ResultQuantity quantity);

}  // namespace pelvar
