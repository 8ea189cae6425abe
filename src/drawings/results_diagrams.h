#pragma once
// The diagrams of the results window: w, Q, M and the soil pressure p along the beam, one panel
// under the other on a common x axis, drawn for any size and screen scale, on the screen, into
// PNG and into SVG alike.
//
// Each panel holds its values between two bands of text: the minimum's value and place are
// written in the band above it, the maximum's in the band below (values grow downwards: w and p
// into the soil, M with tension at the bottom), so that no text ever lies on a curve. The
// values of the axis are written in the margin to the left, at round ticks with the zero line
// among them; the section numbers stand in a band above all panels, the x axis in metres and
// the sign convention below them. Where the problem has supports, the beam is drawn under the
// section numbers with the symbol of each support at its point.
//
// Where the beam lifted off soil that takes no tension, the panels are shaded under their
// curves. An envelope of the load cases' states is drawn as two curves per panel, its largest
// and its smallest values, with the band between them shaded. Overlays (another curve over a
// diagram) are drawn per panel by a caller's function, with DrawPanelCurve, after the panel's own
// curve.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "analysis/envelope.h"
#include "analysis/result_quantities.h"
#include "analysis/results.h"
#include "model/problem_data.h"
#include "plot/results_plot.h"

class QPainter;
class QPen;

namespace pelvar {

// One calculated problem as the results window shows it, kept apart from the problem being
// edited so that no later edit can change what is shown.
struct ResultsSnapshot {
  std::unique_ptr<ProblemData> data;
  ResultQuantities quantities;
  ResultSummary summary;
  std::vector<double> nodeX;  // x of nodes 0..elementCount
  // The results along the beam as the node table and the curves show them (ResultRows): both
  // sides of every jump, and the points inside elements where loads anywhere stand. Empty for an
  // envelope, whose nodes hold no jumps.
  std::vector<ResultRow> rows;
  std::vector<double> sectionX;  // x of the points: the beam's ends and the section ends
  // Where the beam lifted off soil that takes no tension: x ranges, shaded over every panel.
  std::vector<std::pair<double, double>> liftOff;
  // The envelope of the load cases' states, where that is shown in place of one state's
  // results: then the extremes are the smallest of its minima and the largest of its maxima, and
  // the elements' p their largest pressure.
  std::shared_ptr<const Envelope> envelope;
  // What the results are where the problem has load cases, such as "Combination "ULS"" or
  // "Envelope of 12 states"; empty without.
  QString shown;
};
// A copy of the calculated problem; data.resultsAvailable must be set.
std::shared_ptr<const ResultsSnapshot> TakeResultsSnapshot(const ProblemData& data);
// The envelope of the problem's states, made by RunEnvelope for data; data need hold no results.
std::shared_ptr<const ResultsSnapshot> TakeEnvelopeSnapshot(
    const ProblemData& data, std::shared_ptr<const Envelope> envelope);
// "Envelope of 12 states".
QString EnvelopeTitle(const Envelope& envelope);
// A case on its own or a combination as ResultsSnapshot::shown names it: "Case "Dead"",
// "Combination "ULS"".
QString StateTitle(const ProblemData& data, const DesignState& state);

// The colour of each quantity's curve: w red, Q green and M blue as in the main window's
// picture, p brown.
QColor QuantityColour(ResultQuantity quantity);
// "m", "kN", "kNm" or "kN/m²".
QString QuantityUnit(ResultQuantity quantity);

// The sign convention, stated once under the diagrams.
extern const char kSignConvention[];
// What the diagrams' footnote says: the sign convention, and what the shading means where the
// beam lifted off.
QString DiagramFootnote(const ResultsSnapshot& snapshot);
// The shade over the ranges where the beam lifted off.
QColor LiftOffShade();
// The shade of an envelope's band between its smallest and largest values: a light tint of the
// quantity's colour.
QColor EnvelopeBandShade(ResultQuantity quantity);

struct DiagramPanel {
  ResultQuantity quantity = ResultQuantity::W;
  QRectF plot;         // the panel's frame
  double inset = 0.0;  // room inside the frame above the lowest and below the highest value
  ValueAxis axis;
  double valueToY(double value) const {
    return plot.top() + inset +
           (value - axis.low) / (axis.high - axis.low) * (plot.height() - 2.0 * inset);
  }
};

// The values an overlay reaches over a panel; low above high where it reaches none.
struct ValueSpan {
  double low = 1.0;
  double high = -1.0;
  bool empty() const { return !(low <= high); }
};

struct DiagramLayout;

// Another curve over the panels, such as the exact continuous beam: drawn over each panel after
// its own curve, clipped to the panel's frame, and taken into the panel's axis so that it never
// runs out of the frame.
struct PanelOverlay {
  std::function<void(QPainter& painter, const DiagramLayout& layout, const DiagramPanel& panel)>
      draw;
  std::array<ValueSpan, 4> reach;  // w, Q, M, p
  explicit operator bool() const { return static_cast<bool>(draw); }
};

// What a drawing shows beside the diagrams themselves: an overlay, and a picture file's heading,
// the problem's name at the left and the date at the right (none on the screen, where the
// window's title names the problem).
struct DiagramExtras {
  PanelOverlay overlay;
  QString name;
  QString date;
};

struct DiagramLayout {
  QRectF area;          // the whole drawing
  double left = 0.0;    // x of the beam's left end
  double right = 0.0;   // x of the beam's right end
  double length = 0.0;  // the beam's length, m
  double lineHeight = 0.0;
  double headingTop = 0.0;  // the name and the date, where the drawing has them
  bool heading = false;
  double sectionBandTop = 0.0;
  // The beam with its supports, drawn in a band under the section numbers where the problem has
  // supports; without them there is no band.
  bool supports = false;
  double supportSize = 0.0;  // the symbols' height
  double beamY = 0.0;        // the beam's line
  double axisTop = 0.0;      // the x axis, below the last panel
  double signTop = 0.0;      // the sign convention, on one line or, narrow, on two
  int signLines = 1;
  std::array<DiagramPanel, 4> panels;  // w, Q, M, p
  // Whether the drawing is large enough for the diagrams at all: every panel with room for its
  // tick labels a line apart.
  bool usable = false;

  double xToPixel(double x) const { return left + x / length * (right - left); }
  double pixelToX(double px) const { return (px - left) / (right - left) * length; }
};

// The panels, margins and bands for a drawing of the given size in the given font; the axes take
// in the values of the overlay, and a heading takes a line above the diagrams.
DiagramLayout LayoutDiagrams(const ResultsSnapshot& snapshot, const QRectF& area, const QFont& font,
                             const DiagramExtras& extras = {});

// Draws the whole picture into the layout's area, in these steps: the white ground, the panels'
// frames (with the section boundaries and the lift-off shade inside), the axes and their
// ticks, the curves, the overlays, the labels (heading, section numbers, titles, extremes, the x
// axis's name and the sign convention) and the beam with its supports. The extras must be those
// of the layout.
void PaintDiagrams(QPainter& painter, const ResultsSnapshot& snapshot, const DiagramLayout& layout,
                   const QFont& font, const DiagramExtras& extras = {});

// A curve over a panel: points of (x in m from the beam's left end, value), one polyline.
void DrawPanelCurve(QPainter& painter, const DiagramLayout& layout, const DiagramPanel& panel,
                    const std::vector<QPointF>& points, const QPen& pen);

// The exact continuous beam over the w, Q and M panels, a dashed dark line that rises or falls
// straight at a point where Q or M jumps; nothing where the snapshot has no exact solution.
PanelOverlay ExactBeamOverlay(std::shared_ptr<const ResultsSnapshot> snapshot);

// The marker at a node and element: a vertical line through every panel, a dot on each of the
// w, Q and M curves (where Q or M jumps at the node, on the larger side) and the element's
// pressure step drawn thick (of an envelope: on both of its curves).
void PaintMarker(QPainter& painter, const ResultsSnapshot& snapshot, const DiagramLayout& layout,
                 int node, int element);

// The decimals a diagram's extremes and readout are shown with: four significant digits of its
// largest magnitude.
int DiagramDecimals(const ResultsSnapshot& snapshot, ResultQuantity quantity);

}  // namespace pelvar
