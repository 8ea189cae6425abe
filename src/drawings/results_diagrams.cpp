#include "drawings/results_diagrams.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "desktop/colours.h"
#include "drawings/support_symbols.h"
#include "files/state_names.h"
#include "qt_text/text_edge.h"

namespace pelvar {
namespace {

constexpr std::array<ResultQuantity, 4> kQuantities{ResultQuantity::W, ResultQuantity::Q,
                                                    ResultQuantity::M, ResultQuantity::P};

const QColor kFrame(190, 190, 190);
const QColor kGrid(232, 232, 232);
const QColor kAxis(90, 90, 90);
const QColor kText(0, 0, 0);
const QColor kSectionLine(150, 150, 150);
const QColor kMarker(60, 60, 60);

// The ticks of a panel stand at least this many lines apart.
constexpr double kTickSpacing = 1.8;

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

// The value at a node (of p: an element), where Q or M jumps there that of the larger side; of an
// envelope its largest or, with upper false, its smallest.
double ValueAt(const ResultsSnapshot& s, ResultQuantity quantity, int index, bool upper = true) {
  if (s.envelope) {
    const auto i = static_cast<std::size_t>(index);
    const NodeEnvelope& node = s.envelope->nodes[i];
    switch (quantity) {
      case ResultQuantity::W:
        return (upper ? node.wMax : node.wMin).value;
      case ResultQuantity::Q:
        return (upper ? node.QMax : node.QMin).value;
      case ResultQuantity::M:
        return (upper ? node.MMax : node.MMin).value;
      case ResultQuantity::P:
        return (upper ? s.envelope->elements[i].pMax : s.envelope->elements[i].pMin).value;
    }
  }
  const ResultNode& node = s.data->nodes[index];
  switch (quantity) {
    case ResultQuantity::W:
      return node.w;
    case ResultQuantity::Q:
      return LargerSide(node.Q, node.QRight);
    case ResultQuantity::M:
      return LargerSide(node.M, node.MRight);
    case ResultQuantity::P:
      return s.quantities.elements[index].p;
  }
  return 0.0;
}

const ResultExtreme* FindExtreme(const ResultsSnapshot& s, ResultQuantity quantity, bool maximum) {
  for (const ResultExtreme& e : s.quantities.extremes) {
    if (e.quantity == quantity && e.maximum == maximum) return &e;
  }
  return nullptr;
}

QString Title(ResultQuantity quantity) {
  return QString::fromUtf8(QuantityName(quantity).data(),
                           static_cast<int>(QuantityName(quantity).size())) +
         QStringLiteral(" (") + QuantityUnit(quantity) + QLatin1Char(')');
}

int LengthDecimals(const ResultsSnapshot& s) {
  return DecimalsFor(s.nodeX.empty() ? 0.0 : s.nodeX.back(), 4);
}

// "min 0.1388 at x = 0.00 m", "max 445.4 just right of x = 3.000 m" on one side of a jump, or
// "max 13.91 on x = 29.71 … 30.00 m" for an element.
QString ExtremeText(const ResultsSnapshot& s, const ResultExtreme& e) {
  const int vd = DiagramDecimals(s, e.quantity);
  const int xd = LengthDecimals(s);
  QString text = QLatin1String(e.maximum ? "max " : "min ") + ToQString(FixedText(e.value, vd));
  if (e.quantity == ResultQuantity::P) {
    return text + QStringLiteral(" on x = ") + ToQString(FixedText(e.x0, xd)) +
           QString::fromUtf8(" \u2026 ") + ToQString(FixedText(e.x1, xd)) + QStringLiteral(" m");
  }
  const QString place = e.side == JumpSide::Left    ? QStringLiteral(" just left of x = ")
                        : e.side == JumpSide::Right ? QStringLiteral(" just right of x = ")
                                                    : QStringLiteral(" at x = ");
  return text + place + ToQString(FixedText(e.x0, xd)) + QStringLiteral(" m");
}

// The panel's own curve: the values of w, Q and M along the beam, a jump a vertical line at its
// x, the steps of p from element to element. Points that lie within tolerance of the line
// through their neighbours are left out. Of an envelope, the curve of its largest values at the
// nodes or, with upper false, of its smallest.
QPolygonF Curve(const ResultsSnapshot& s, const DiagramLayout& layout, const DiagramPanel& panel,
                double tolerance, bool upper = true) {
  std::vector<double> xs, ys;
  if (panel.quantity == ResultQuantity::P) {
    xs.reserve(2 * s.quantities.elements.size());
    ys.reserve(2 * s.quantities.elements.size());
    for (std::size_t j = 0; j < s.quantities.elements.size(); ++j) {
      const ElementResult& e = s.quantities.elements[j];
      const double y = panel.valueToY(ValueAt(s, panel.quantity, static_cast<int>(j), upper));
      xs.insert(xs.end(), {layout.xToPixel(e.x0), layout.xToPixel(e.x1)});
      ys.insert(ys.end(), {y, y});
    }
  } else if (!s.envelope) {
    const double ResultRow::*value = panel.quantity == ResultQuantity::W   ? &ResultRow::w
                                     : panel.quantity == ResultQuantity::Q ? &ResultRow::Q
                                                                           : &ResultRow::M;
    xs.reserve(s.rows.size());
    ys.reserve(s.rows.size());
    for (const ResultRow& row : s.rows) {
      xs.push_back(layout.xToPixel(row.x));
      ys.push_back(panel.valueToY(row.*value));
    }
  } else {
    xs.reserve(s.nodeX.size());
    ys.reserve(s.nodeX.size());
    for (std::size_t j = 0; j < s.nodeX.size(); ++j) {
      xs.push_back(layout.xToPixel(s.nodeX[j]));
      ys.push_back(panel.valueToY(ValueAt(s, panel.quantity, static_cast<int>(j), upper)));
    }
  }
  QPolygonF curve;
  const std::vector<std::size_t> kept = SimplifyPolyline(xs, ys, tolerance);
  curve.reserve(static_cast<int>(kept.size()));
  for (std::size_t i : kept) curve << QPointF(xs[i], ys[i]);
  return curve;
}

// Text centred on x, kept inside left..right.
void TextInBand(QPainter& painter, const QFontMetricsF& metrics, const QString& text, double x,
                double top, double left, double right) {
  const double width = metrics.horizontalAdvance(text);
  const double start = std::clamp(x - width / 2.0, left, std::max(left, right - width));
  painter.drawText(QPointF(start, top + metrics.ascent()), text);
}

// The inside of a panel's frame, where its values go.
double InnerHeight(const DiagramPanel& panel) { return panel.plot.height() - 2.0 * panel.inset; }

// How far apart a panel's ticks stand, in pixels.
double TickDistance(const DiagramPanel& panel) {
  return panel.axis.step / (panel.axis.high - panel.axis.low) * InnerHeight(panel);
}

// Shades ranges of x (m from the beam's left end) over the panel's whole height.
void ShadePanelRanges(QPainter& painter, const DiagramLayout& layout, const DiagramPanel& panel,
                      const std::vector<std::pair<double, double>>& ranges, const QColor& colour) {
  for (const auto& [from, to] : ranges) {
    const double x0 = layout.xToPixel(std::min(from, to));
    const double x1 = layout.xToPixel(std::max(from, to));
    painter.fillRect(QRectF(QPointF(x0, panel.plot.top()), QPointF(x1, panel.plot.bottom())),
                     colour);
  }
}

}  // namespace

const char kSignConvention[] =
    "Signs: w and p positive downward, into the soil; M positive with tension at the bottom; "
    "Q = dM/dx.";

std::shared_ptr<const ResultsSnapshot> TakeResultsSnapshot(const ProblemData& data) {
  auto snapshot = std::make_shared<ResultsSnapshot>();
  snapshot->data = std::make_unique<ProblemData>(data);
  snapshot->quantities = ComputeResultQuantities(data);
  snapshot->summary = FindExtremes(data);
  AssertCountsWithinLimits(data);
  for (int j = 0; j <= data.elementCount; ++j) snapshot->nodeX.push_back(data.nodes[j].x);
  snapshot->rows = ResultRows(data);
  for (int i = 0; i <= data.sectionCount; ++i) {
    snapshot->sectionX.push_back(data.points[i].x);
  }
  snapshot->liftOff = LiftOffRanges(data);
  return snapshot;
}

std::shared_ptr<const ResultsSnapshot> TakeEnvelopeSnapshot(
    const ProblemData& data, std::shared_ptr<const Envelope> envelope) {
  AssertCountsWithinLimits(data);
  auto snapshot = std::make_shared<ResultsSnapshot>();
  snapshot->data = std::make_unique<ProblemData>(data);
  ProblemData& copy = *snapshot->data;
  snapshot->envelope = std::move(envelope);
  const Envelope& e = *snapshot->envelope;
  const int n = data.elementCount;
  // The copy holds the largest values as its results, which are no one state's: nothing of a
  // state's contact or exact beam goes with them.
  copy.accuracy = e.accuracy;
  copy.liftedOff = {};
  copy.resultsAvailable = false;
  copy.insideJumpCount = 0;
  for (int j = 0; j <= n; ++j) {
    const NodeEnvelope& node = e.nodes[static_cast<std::size_t>(j)];
    copy.nodes[j] = ResultNode{node.x,          node.wMax.value, node.QMax.value,
                               node.MMax.value, node.QMax.value, node.MMax.value};
    snapshot->nodeX.push_back(node.x);
  }
  for (int i = 0; i <= data.sectionCount; ++i) snapshot->sectionX.push_back(data.points[i].x);
  ResultQuantities& q = snapshot->quantities;
  int section = 0;
  for (int j = 0; j < n; ++j) {
    const ElementEnvelope& element = e.elements[static_cast<std::size_t>(j)];
    const double middle = 0.5 * element.x0 + 0.5 * element.x1;
    while (section + 1 < data.sectionCount && middle > data.points[section + 1].x) ++section;
    q.elements.push_back(ElementResult{section, element.x0, element.x1, element.pMax.value});
  }
  // Each extreme where it first occurs, the minimum before the maximum, as for one state.
  for (ResultQuantity quantity : kQuantities) {
    const int count = quantity == ResultQuantity::P ? n : n + 1;
    for (bool maximum : {false, true}) {
      ResultExtreme extreme{quantity, maximum, 0.0, 0, 0.0, 0.0};
      for (int j = 0; j < count; ++j) {
        const double value = ValueAt(*snapshot, quantity, j, maximum);
        if (!std::isfinite(value)) q.finite = false;
        if (j == 0 || (maximum ? value > extreme.value : value < extreme.value)) {
          extreme.value = value;
          extreme.index = j;
        }
      }
      if (quantity == ResultQuantity::P) {
        extreme.x0 = q.elements[static_cast<std::size_t>(extreme.index)].x0;
        extreme.x1 = q.elements[static_cast<std::size_t>(extreme.index)].x1;
      } else {
        extreme.x0 = extreme.x1 = snapshot->nodeX[static_cast<std::size_t>(extreme.index)];
      }
      q.extremes.push_back(extreme);
    }
  }
  snapshot->summary = ResultSummary{q.extremes[0].value, q.extremes[1].value, q.extremes[2].value,
                                    q.extremes[3].value, q.extremes[4].value, q.extremes[5].value};
  snapshot->shown = EnvelopeTitle(e);
  return snapshot;
}

QString EnvelopeTitle(const Envelope& envelope) {
  return QStringLiteral("Envelope of %1 state%2")
      .arg(envelope.stateCount)
      .arg(envelope.stateCount == 1 ? "" : "s");
}

QString StateTitle(const ProblemData& data, const DesignState& state) {
  return (state.caseAlone ? QStringLiteral("Case ") : QStringLiteral("Combination ")) +
         QStringFromCp1252(StateText(data, state));
}

QString DiagramFootnote(const ResultsSnapshot& snapshot) {
  QString text = QString::fromLatin1(kSignConvention);
  if (snapshot.envelope) {
    text += QStringLiteral(" Shaded: from the smallest to the largest value of all states.");
  }
  if (!snapshot.liftOff.empty()) text += QStringLiteral(" Shaded: the beam lifted off the soil.");
  return text;
}

QColor LiftOffShade() {
  QColor shade = palette::kLiftOffColour;
  shade.setAlpha(36);
  return shade;
}

QColor EnvelopeBandShade(ResultQuantity quantity) {
  QColor shade = QuantityColour(quantity);
  shade.setAlpha(64);
  return shade;
}

QColor QuantityColour(ResultQuantity quantity) {
  switch (quantity) {
    case ResultQuantity::W:
      return palette::kDisplacementColour;
    case ResultQuantity::Q:
      return palette::kShearColour;
    case ResultQuantity::M:
      return palette::kMomentColour;
    case ResultQuantity::P:
      return QColor(150, 80, 0);
  }
  return palette::kBlack;
}

QString QuantityUnit(ResultQuantity quantity) {
  switch (quantity) {
    case ResultQuantity::W:
      return QStringLiteral("m");
    case ResultQuantity::Q:
      return QStringLiteral("kN");
    case ResultQuantity::M:
      return QStringLiteral("kNm");
    case ResultQuantity::P:
      return QString::fromUtf8("kN/m\u00b2");
  }
  return {};
}

int DiagramDecimals(const ResultsSnapshot& s, ResultQuantity quantity) {
  const ResultExtreme* low = FindExtreme(s, quantity, false);
  const ResultExtreme* high = FindExtreme(s, quantity, true);
  if (low == nullptr || high == nullptr) return 3;
  return DecimalsFor(std::max(std::abs(low->value), std::abs(high->value)), 4);
}

DiagramLayout LayoutDiagrams(const ResultsSnapshot& s, const QRectF& area, const QFont& font,
                             const DiagramExtras& extras) {
  DiagramLayout layout;
  layout.area = area;
  if (s.nodeX.size() < 2 || s.quantities.elements.empty()) return layout;
  const QFontMetricsF metrics(font);
  const double line = metrics.height();
  const double pad = std::ceil(line * 0.5);
  layout.lineHeight = line;
  layout.length = s.nodeX.back() - s.nodeX.front();

  // From the top: the heading of a picture file, the section band, four panels (band of the
  // minimum, frame, band of the maximum, a little room), the x axis and the sign convention.
  layout.signLines = metrics.horizontalAdvance(DiagramFootnote(s)) <= area.width() - line ? 1 : 2;
  layout.heading = !extras.name.isEmpty() || !extras.date.isEmpty();
  layout.headingTop = area.top() + pad / 2.0;
  layout.sectionBandTop = layout.headingTop + (layout.heading ? line + pad / 2.0 : 0.0);
  // The supports' band, whole pixels apart from the texts above and below.
  layout.supports = AnyPointHasSupport(*s.data);
  double panelsTop = layout.sectionBandTop + line;
  if (layout.supports) {
    const double size = layout.supportSize = SupportSize(line);
    const double pen = SupportPenWidth(size);
    layout.beamY = std::round(panelsTop + pad / 2.0 + kSupportAbove * size + pen) + 0.5;
    panelsTop = std::ceil(layout.beamY + kSupportBelow * size + pen + pad / 2.0);
  }
  const double bottomBands = pad / 2.0 + line + pad / 2.0 + layout.signLines * line + pad / 2.0;
  const double panelHeight = (area.bottom() - bottomBands - panelsTop) / 4.0;
  const double frameHeight = panelHeight - 2.0 * line - pad / 2.0;
  const double inset = std::ceil(line / 2.0);
  const int maxTicks =
      static_cast<int>(std::floor((frameHeight - 2.0 * inset) / (kTickSpacing * line))) + 1;

  // The left margin takes the widest of the titles and the axis values.
  double margin = metrics.horizontalAdvance(QStringLiteral("x (m)"));
  for (std::size_t k = 0; k < kQuantities.size(); ++k) {
    DiagramPanel& panel = layout.panels[k];
    panel.quantity = kQuantities[k];
    panel.inset = inset;
    double low = FindExtreme(s, panel.quantity, false)->value;
    double high = FindExtreme(s, panel.quantity, true)->value;
    if (extras.overlay && !extras.overlay.reach[k].empty()) {
      low = std::min(low, extras.overlay.reach[k].low);
      high = std::max(high, extras.overlay.reach[k].high);
    }
    panel.axis = DiagramAxis(low, high, maxTicks);
    margin = std::max(margin, metrics.horizontalAdvance(Title(panel.quantity)));
    for (double tick : panel.axis.ticks) {
      margin = std::max(margin,
                        metrics.horizontalAdvance(ToQString(FixedText(tick, panel.axis.decimals))));
    }
  }
  const double xLabelHalf =
      metrics.horizontalAdvance(ToQString(FixedText(layout.length, LengthDecimals(s)))) / 2.0;
  layout.left = area.left() + pad + margin + pad;
  layout.right = area.right() - pad - xLabelHalf;
  if (layout.supports) {
    // The right end's wall or coil stands beyond the beam's end, inside the drawing.
    const int last = s.data->sectionCount;
    const QRectF reach = SupportBounds(s.data->points[last].support, SupportPlace::RightEnd,
                                       QPointF(0.0, 0.0), layout.supportSize);
    if (!reach.isEmpty()) layout.right = std::min(layout.right, area.right() - 1.0 - reach.right());
  }

  for (std::size_t k = 0; k < kQuantities.size(); ++k) {
    const double top = panelsTop + k * panelHeight;
    layout.panels[k].plot =
        QRectF(QPointF(layout.left, top + line), QPointF(layout.right, top + line + frameHeight));
  }
  layout.axisTop = layout.panels[3].plot.bottom() + line + pad / 2.0;
  layout.signTop = layout.axisTop + line + pad / 2.0;
  layout.usable = InnerHeight(layout.panels[0]) >= line && layout.right - layout.left >= 4 * line &&
                  layout.length > 0.0 && std::isfinite(layout.length) && s.quantities.finite;
  for (const DiagramPanel& panel : layout.panels) {
    // Values so far apart that their span is beyond the doubles cannot be placed on a panel, and
    // an axis whose labels would run into each other does not read.
    if (!std::isfinite(panel.axis.high - panel.axis.low) ||
        TickDistance(panel) < line * (1.0 - 1e-9)) {
      layout.usable = false;
    }
  }
  return layout;
}

void DrawPanelCurve(QPainter& painter, const DiagramLayout& layout, const DiagramPanel& panel,
                    const std::vector<QPointF>& points, const QPen& pen) {
  QPolygonF curve;
  curve.reserve(static_cast<int>(points.size()));
  for (const QPointF& p : points) {
    curve << QPointF(layout.xToPixel(p.x()), panel.valueToY(p.y()));
  }
  painter.save();
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawPolyline(curve);
  painter.restore();
}

PanelOverlay ExactBeamOverlay(std::shared_ptr<const ResultsSnapshot> snapshot) {
  // The exact values over each panel: at a point where Q or M jumps, the values either side.
  auto points = [snapshot](ResultQuantity quantity) {
    const ProblemData& data = *snapshot->data;
    std::vector<QPointF> values;
    // An envelope is no one state's beam.
    if (!data.accuracy.available || quantity == ResultQuantity::P || snapshot->envelope) {
      return values;
    }
    values.reserve(2 * snapshot->nodeX.size());
    for (std::size_t j = 0; j < snapshot->nodeX.size(); ++j) {
      const ExactNode& e = data.exactNodes[j];
      const double x = snapshot->nodeX[j];
      switch (quantity) {
        case ResultQuantity::W:
          values.emplace_back(x, e.w);
          break;
        case ResultQuantity::Q:
          values.emplace_back(x, e.QLeft);
          if (e.QRight != e.QLeft) values.emplace_back(x, e.QRight);
          break;
        default:
          values.emplace_back(x, e.MLeft);
          if (e.MRight != e.MLeft) values.emplace_back(x, e.MRight);
          break;
      }
    }
    return values;
  };
  PanelOverlay overlay;
  for (std::size_t k = 0; k < kQuantities.size(); ++k) {
    for (const QPointF& p : points(kQuantities[k])) {
      if (!std::isfinite(p.y())) continue;
      ValueSpan& reach = overlay.reach[k];
      reach = reach.empty() ? ValueSpan{p.y(), p.y()}
                            : ValueSpan{std::min(reach.low, p.y()), std::max(reach.high, p.y())};
    }
  }
  overlay.draw = [points](QPainter& painter, const DiagramLayout& layout,
                          const DiagramPanel& panel) {
    DrawPanelCurve(painter, layout, panel, points(panel.quantity),
                   QPen(kText, 1.2, Qt::DashLine, Qt::FlatCap, Qt::RoundJoin));
  };
  return overlay;
}

namespace {

// The steps of PaintDiagrams, in the order they are drawn.

// Each panel's frame, with what lies inside it under the curve: the ranges where the beam lifted
// off, shaded, and the section boundaries, which thus never cross a text.
void PaintFrames(QPainter& painter, const ResultsSnapshot& s, const DiagramLayout& layout) {
  for (const DiagramPanel& panel : layout.panels) {
    const QRectF& plot = panel.plot;
    ShadePanelRanges(painter, layout, panel, s.liftOff, LiftOffShade());
    painter.setPen(QPen(kSectionLine, 1.0, Qt::DashLine));
    for (std::size_t i = 1; i + 1 < s.sectionX.size(); ++i) {
      const double x = std::round(layout.xToPixel(s.sectionX[i])) + 0.5;
      painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    painter.setPen(QPen(kFrame, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
  }
}

// The value axis of every panel: a faint grid line at each tick, the zero line darker, and each
// tick's value in the margin to the left (the layout keeps them a line apart at least); then
// the x axis in metres under the last panel.
void PaintAxesAndTicks(QPainter& painter, const DiagramLayout& layout,
                       const QFontMetricsF& metrics) {
  const double line = layout.lineHeight;
  for (const DiagramPanel& panel : layout.panels) {
    const QRectF& plot = panel.plot;
    for (double tick : panel.axis.ticks) {
      const double y = panel.valueToY(tick);
      painter.setPen(QPen(tick == 0.0 ? kAxis : kGrid, 1.0));
      painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
      painter.setPen(kText);
      const QString text = ToQString(FixedText(tick, panel.axis.decimals));
      painter.drawText(QPointF(plot.left() - line * 0.5 - metrics.horizontalAdvance(text),
                               y - line / 2.0 + metrics.ascent()),
                       text);
    }
  }

  painter.setPen(QPen(kAxis, 1.0));
  const int xDecimals = DecimalsFor(layout.length, 3);
  const double labelWidth =
      metrics.horizontalAdvance(ToQString(FixedText(-layout.length, xDecimals))) + line;
  const int xTicks =
      std::max(2, static_cast<int>((layout.right - layout.left) / (labelWidth * 1.5)));
  const double axisY = layout.axisTop;
  for (double tick : AxisTicks(0.0, layout.length, xTicks)) {
    const double x = layout.xToPixel(tick);
    painter.drawLine(QPointF(x, axisY - line * 0.3), QPointF(x, axisY));
    const QString text = ToQString(FixedText(tick, xDecimals));
    painter.drawText(QPointF(x - metrics.horizontalAdvance(text) / 2.0, axisY + metrics.ascent()),
                     text);
  }
}

// Each panel's own curve, its area to the zero line tinted, inside its frame.
void PaintCurves(QPainter& painter, const ResultsSnapshot& s, const DiagramLayout& layout) {
  // On pixels a curve needs no point that moves it by less than a quarter of a pixel; a
  // drawing of lines (SVG) keeps them all.
  const double tolerance =
      painter.paintEngine() != nullptr && painter.paintEngine()->type() == QPaintEngine::Raster
          ? 0.25 / painter.device()->devicePixelRatioF()
          : 0.0;
  for (const DiagramPanel& panel : layout.panels) {
    const QColor colour = QuantityColour(panel.quantity);
    painter.save();
    painter.setClipRect(panel.plot);
    const QPolygonF curve = Curve(s, layout, panel, tolerance);
    if (s.envelope) {
      // The band from the smallest values to the largest, both its edges drawn.
      const QPolygonF lower = Curve(s, layout, panel, tolerance, false);
      QPolygonF band = curve;
      band.reserve(curve.size() + lower.size());
      for (qsizetype i = lower.size() - 1; i >= 0; --i) band << lower[i];
      painter.setPen(Qt::NoPen);
      painter.setBrush(EnvelopeBandShade(panel.quantity));
      painter.drawPolygon(band);
      painter.setBrush(Qt::NoBrush);
      painter.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPolyline(curve);
      painter.drawPolyline(lower);
      painter.restore();
      continue;
    }
    const double zeroY = panel.valueToY(0.0);
    QPolygonF area;
    area.reserve(curve.size() + 2);
    area << QPointF(curve.front().x(), zeroY) << curve << QPointF(curve.back().x(), zeroY);
    QColor tint = colour;
    tint.setAlpha(40);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawPolygon(area);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(curve);
    painter.restore();
  }
}

// The overlay over each panel, inside its frame.
void PaintOverlays(QPainter& painter, const DiagramLayout& layout, const PanelOverlay& overlay) {
  if (!overlay) return;
  for (const DiagramPanel& panel : layout.panels) {
    painter.save();
    painter.setClipRect(panel.plot);
    overlay.draw(painter, layout, panel);
    painter.restore();
  }
}

// The texts: a picture's heading, the section numbers above the panels (where a section is wide
// enough to say it), each panel's title and its extremes (a dot on the curve, the value and place
// in the bands above and below the frame), the name of the x axis and the sign convention.
void PaintLabels(QPainter& painter, const ResultsSnapshot& s, const DiagramLayout& layout,
                 const QFontMetricsF& metrics, const DiagramExtras& extras) {
  const double line = layout.lineHeight;
  const double textLeft = layout.area.left() + line * 0.5;
  const double textRight = layout.area.right() - line * 0.5;
  painter.setPen(kText);
  if (layout.heading) {
    const double baseline = layout.headingTop + metrics.ascent();
    const double dateWidth = metrics.horizontalAdvance(extras.date);
    painter.drawText(QPointF(textRight - dateWidth, baseline), extras.date);
    painter.drawText(QPointF(textLeft, baseline),
                     metrics.elidedText(extras.name, Qt::ElideRight,
                                        std::max(0.0, textRight - textLeft - dateWidth - line)));
  }

  for (std::size_t i = 0; i + 1 < s.sectionX.size(); ++i) {
    const QString number = QString::number(i + 1);
    const double x0 = layout.xToPixel(s.sectionX[i]), x1 = layout.xToPixel(s.sectionX[i + 1]);
    if (metrics.horizontalAdvance(number) + 4.0 > x1 - x0) continue;
    TextInBand(painter, metrics, number, (x0 + x1) / 2.0, layout.sectionBandTop, x0, x1);
  }
  painter.drawText(QPointF(textLeft, layout.sectionBandTop + metrics.ascent()),
                   QStringLiteral("Section"));

  for (const DiagramPanel& panel : layout.panels) {
    const QRectF& plot = panel.plot;
    const QColor colour = QuantityColour(panel.quantity);
    painter.setPen(colour.darker(130));
    painter.drawText(QPointF(textLeft, plot.top() - line + metrics.ascent()),
                     Title(panel.quantity));
    for (bool maximum : {false, true}) {
      const ResultExtreme* e = FindExtreme(s, panel.quantity, maximum);
      const double x = layout.xToPixel(0.5 * (e->x0 + e->x1));
      const double y = panel.valueToY(e->value);
      painter.setPen(QPen(colour.darker(130), 1.0));
      painter.setBrush(colour);
      painter.drawEllipse(QPointF(x, y), 3.0, 3.0);
      painter.setBrush(Qt::NoBrush);
      painter.setPen(kText);
      TextInBand(painter, metrics, ExtremeText(s, *e), x,
                 maximum ? plot.bottom() : plot.top() - line, layout.left, layout.right);
    }
  }

  painter.setPen(kText);
  painter.drawText(QPointF(textLeft, layout.axisTop + metrics.ascent()), QStringLiteral("x (m)"));
  // The sign convention, once, broken after its first statement where one line is too short.
  QString signs = DiagramFootnote(s);
  if (layout.signLines > 1) signs.replace(QLatin1String("; M"), QLatin1String(";\nM"));
  const QStringList signLines = signs.split(QLatin1Char('\n'));
  for (qsizetype k = 0; k < signLines.size(); ++k) {
    painter.drawText(QPointF(textLeft, layout.signTop + k * line + metrics.ascent()),
                     metrics.elidedText(signLines[k], Qt::ElideRight, layout.area.width() - line));
  }
}

// The beam, as a thick line from end to end, and each support's symbol at its point.
void PaintSupports(QPainter& painter, const ResultsSnapshot& s, const DiagramLayout& layout) {
  if (!layout.supports) return;
  const ProblemData& data = *s.data;
  const double size = layout.supportSize;
  painter.setPen(QPen(kText, 2.0 * SupportPenWidth(size) + 1.0, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(QPointF(layout.left, layout.beamY), QPointF(layout.right, layout.beamY));
  for (std::size_t i = 0; i < s.sectionX.size(); ++i) {
    const PointSupport& support = data.points[i].support;
    const QPointF at(std::round(layout.xToPixel(s.sectionX[i])) + 0.5, layout.beamY);
    PaintSupport(painter, support, PlaceOfPoint(static_cast<int>(i), data.sectionCount), at, size);
  }
}

}  // namespace

void PaintDiagrams(QPainter& painter, const ResultsSnapshot& s, const DiagramLayout& layout,
                   const QFont& font, const DiagramExtras& extras) {
  painter.save();
  painter.fillRect(layout.area, Qt::white);
  painter.setFont(font);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  const QFontMetricsF metrics(font);
  if (!layout.usable) {
    painter.setPen(kText);
    painter.drawText(layout.area, Qt::AlignCenter,
                     s.quantities.finite && std::isfinite(layout.length)
                         ? QStringLiteral("Enlarge the window to see the diagrams.")
                         : QStringLiteral("The values are too large to draw."));
    painter.restore();
    return;
  }
  PaintFrames(painter, s, layout);
  PaintAxesAndTicks(painter, layout, metrics);
  PaintCurves(painter, s, layout);
  PaintOverlays(painter, layout, extras.overlay);
  PaintLabels(painter, s, layout, metrics, extras);
  PaintSupports(painter, s, layout);
  painter.restore();
}

void PaintMarker(QPainter& painter, const ResultsSnapshot& s, const DiagramLayout& layout, int node,
                 int element) {
  if (!layout.usable || node < 0 || node >= static_cast<int>(s.nodeX.size())) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const double x = std::round(layout.xToPixel(s.nodeX[node])) + 0.5;
  painter.setPen(QPen(kMarker, 1.0));
  painter.drawLine(QPointF(x, layout.panels[0].plot.top()),
                   QPointF(x, layout.panels[3].plot.bottom()));
  for (const DiagramPanel& panel : layout.panels) {
    const QColor colour = QuantityColour(panel.quantity);
    if (panel.quantity == ResultQuantity::P) {
      if (element < 0 || element >= static_cast<int>(s.quantities.elements.size())) continue;
      const ElementResult& e = s.quantities.elements[element];
      painter.setPen(QPen(colour, 4.0, Qt::SolidLine, Qt::FlatCap));
      for (bool upper : {true, false}) {
        const double y = panel.valueToY(ValueAt(s, panel.quantity, element, upper));
        painter.drawLine(QPointF(layout.xToPixel(e.x0), y), QPointF(layout.xToPixel(e.x1), y));
        if (!s.envelope) break;
      }
      continue;
    }
    painter.setPen(QPen(kMarker, 1.0));
    painter.setBrush(colour);
    for (bool upper : {true, false}) {
      painter.drawEllipse(QPointF(x, panel.valueToY(ValueAt(s, panel.quantity, node, upper))), 3.5,
                          3.5);
      if (!s.envelope) break;
    }
  }
  painter.restore();
}

}  // namespace pelvar
