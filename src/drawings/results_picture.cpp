#include "drawings/results_picture.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/envelope.h"
#include "analysis/result_quantities.h"
#include "desktop/colours.h"
#include "drawings/support_symbols.h"
#include "plot/diagram_scale.h"

namespace pelvar {

namespace {

using namespace palette;

// A diagram's largest value lies this share of the picture's height below its axis.
constexpr double kUnitHeightShare = 0.12;

QPen LinePen(const QColor& colour) {
  // Square caps paint both end pixels of a 1-pixel line (see the header).
  return QPen(colour, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

// A line runs through the centres of its pixels, so that at any device pixel ratio it covers
// the same pixels of the picture: the pixel (x, y) is the square from (x, y) to (x + 1, y + 1).
QPointF PixelCentre(PicturePoint p) { return QPointF(p.x + 0.5, p.y + 0.5); }

// Text is placed by its top-left corner; QPainter places it by its baseline.
void DrawTextAt(QPainter& painter, PicturePoint topLeft, const std::string& text) {
  painter.setPen(LinePen(kBlack));
  painter.drawText(QPoint(topLeft.x, topLeft.y + painter.fontMetrics().ascent()),
                   QString::fromStdString(text));
}

struct DiagramStyle {
  const char* letter;
  QColor pen;
  double axisShare;  // axis height as a share of H
  double ResultNode::*value;
  double minValue;
  double maxValue;
  EnvelopeValue NodeEnvelope::*lower;  // an envelope's smallest values
};

// The beam's length over 80 % of the picture's width; 0 for a beam of no length or positions
// that are not numbers, which give no horizontal scale.
double PixelsPerMetre(const ProblemData& data, int drawWidth) {
  const double span = data.nodes[data.elementCount].x - data.nodes[0].x;
  if (!std::isfinite(span) || span <= 0.0) return 0.0;
  const double sx = (0.8 * drawWidth) / span;
  return std::isfinite(sx) ? sx : 0.0;
}

// Under the w diagram, so that its axis and curve stay in view: a band over each range where
// the beam lifted off soil that takes no tension.
void DrawLiftOff(QPainter& painter, const ProblemData& data, int drawWidth, int drawHeight,
                 DrawingLog& out) {
  const double sx = PixelsPerMetre(data, drawWidth);
  if (sx == 0.0) return;
  const int x0 = TruncateToPixel(0.1 * drawWidth);
  const int y0 = TruncateToPixel(0.3 * drawHeight);
  for (const auto& [from, to] : LiftOffRanges(data)) {
    const PictureLine line{{TruncateToPixel(x0 + sx * from), y0},
                           {TruncateToPixel(x0 + sx * to), y0}};
    out.liftOff.push_back(line);
    painter.fillRect(
        QRect(QPoint(line.from.x, y0 - kLiftOffBand), QPoint(line.to.x, y0 + kLiftOffBand)),
        kLiftOffColour);
  }
}

// Where the supports go on the w axis, which stands for the beam: each its symbol at its
// point's x, sized from the picture's text.
std::vector<SupportDrawing> PlaceSupports(QPainter& painter, const ProblemData& data, int drawWidth,
                                          int drawHeight) {
  std::vector<SupportDrawing> supports;
  const double sx = PixelsPerMetre(data, drawWidth);
  if (sx == 0.0 || !AnyPointHasSupport(data)) return supports;
  const int x0 = TruncateToPixel(0.1 * drawWidth);
  const int y0 = TruncateToPixel(0.3 * drawHeight);
  const double size = SupportSize(QFontMetricsF(painter.font()).height());
  for (int p = 0; p <= data.sectionCount; ++p) {
    const PointSupport& support = data.points[p].support;
    if (support.kind == SupportKind::None) continue;
    SupportDrawing drawn{p, support.kind, {TruncateToPixel(x0 + sx * data.points[p].x), y0}, {}};
    drawn.bounds =
        SupportBounds(support, PlaceOfPoint(p, data.sectionCount), PixelCentre(drawn.at), size);
    supports.push_back(drawn);
  }
  return supports;
}

void DrawSupports(QPainter& painter, const ProblemData& data,
                  const std::vector<SupportDrawing>& supports) {
  const double size = SupportSize(QFontMetricsF(painter.font()).height());
  for (const SupportDrawing& drawn : supports) {
    PaintSupport(painter, data.points[drawn.point].support,
                 PlaceOfPoint(drawn.point, data.sectionCount), PixelCentre(drawn.at), size);
  }
}

// The letter stands left of the axis, and left of labelRight where that is less.
void DrawDiagram(QPainter& painter, const ProblemData& data, const DiagramStyle& style, int n,
                 int step, int drawWidth, int drawHeight, int labelRight, const Envelope* envelope,
                 DiagramDrawing& out) {
  const int x0 = TruncateToPixel(0.1 * drawWidth);
  const int x1 = drawWidth - x0;
  const int y0 = TruncateToPixel(style.axisShare * drawHeight);

  // Without a horizontal scale a diagram is drawn as its axis alone, like one that is zero
  // everywhere.
  const double sx = PixelsPerMetre(data, drawWidth);
  const double sy = sx == 0.0 ? 0.0
                              : DiagramScale(data, style.value, style.minValue, style.maxValue,
                                             kUnitHeightShare * drawHeight, y0, drawHeight - y0);

  out.letter = style.letter;
  out.pen = style.pen;
  out.scale = sy;
  out.axis = {{x0, y0}, {x1, y0}};
  out.label = {{x0 - 15, y0 - 6}, style.letter};
  if (labelRight < x0) {
    const int width = painter.fontMetrics().horizontalAdvance(QString::fromLatin1(style.letter));
    out.label.topLeft.x = std::min(out.label.topLeft.x, labelRight - width);
  }
  out.curve.clear();
  out.hatching.clear();
  out.lowerCurve.clear();

  painter.setPen(LinePen(style.pen));
  painter.drawLine(PixelCentre(out.axis.from), PixelCentre(out.axis.to));
  DrawTextAt(painter, out.label.topLeft, out.label.text);
  if (sy == 0.0) return;

  auto pixelY = [&](double value) { return TruncateToPixel(y0 + sy * value); };
  auto pixelX = [&](double x) { return TruncateToPixel(x0 + sx * x); };

  out.curve.push_back({x0, pixelY(data.nodes[0].*style.value)});
  if (envelope != nullptr) {
    // An envelope's nodes hold no jumps: each holds the largest value of either side.
    auto lowerY = [&](int node) {
      return pixelY((envelope->nodes[static_cast<std::size_t>(node)].*style.lower).value);
    };
    out.lowerCurve.push_back({x0, lowerY(0)});
    for (int i = 0; i <= n; i += step) {
      const PicturePoint p{pixelX(data.nodes[i].x), pixelY(data.nodes[i].*style.value)};
      const PicturePoint low{p.x, lowerY(i)};
      out.curve.push_back(p);
      out.lowerCurve.push_back(low);
      out.hatching.push_back({low, p});
    }
  } else {
    for (const PlotPoint& point : PlotPoints(data, style.value, step)) {
      const PicturePoint p{pixelX(point.x), pixelY(point.value)};
      out.curve.push_back(p);
      if (point.hatched) out.hatching.push_back({{p.x, y0}, p});
    }
  }

  painter.setPen(LinePen(style.pen));
  for (const std::vector<PicturePoint>* points : {&out.curve, &out.lowerCurve}) {
    std::vector<QPointF> polyline;
    polyline.reserve(points->size());
    for (PicturePoint p : *points) polyline.push_back(PixelCentre(p));
    painter.drawPolyline(polyline.data(), static_cast<int>(polyline.size()));
  }
  for (const PictureLine& line : out.hatching) {
    painter.drawLine(PixelCentre(line.from), PixelCentre(line.to));
  }
}

}  // namespace

QFont PictureFont(qreal devicePixelRatio) {
  // The small sans-serif of a classic dialog, metric-compatible with it.
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  if (devicePixelRatio <= 1.0) {
    // In plain black pixels without smoothing, as the picture's lines are. Fully hinted glyphs
    // advance by whole pixels: with the outline's fractional advances the hinted letters would
    // stand unevenly apart.
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
  } else {
    // On finer pixels the letters keep the outline's own shapes and advances, smoothed: hinting
    // would move each glyph to its own grid and let neighbours collide or drift apart.
    font.setHintingPreference(QFont::PreferNoHinting);
  }
  return font;
}

PictureGeometry ComputePictureGeometry(int clientWidth, int clientHeight) {
  PictureGeometry g;
  g.marginX = clientWidth / 20;
  g.marginY = clientHeight / 20;
  g.drawWidth = clientWidth - 2 * g.marginX;
  g.drawHeight = clientHeight - 2 * g.marginY;
  g.messageX = g.drawWidth / 2 + g.marginX;
  g.messageY = g.drawHeight / 2 + g.marginY;
  return g;
}

void DrawResults(QPainter& painter, const ProblemData& data, const ResultSummary& summary,
                 int drawWidth, int drawHeight, DrawingLog* log, const ShownPicture& shown) {
  DrawingLog local;
  DrawingLog& out = log != nullptr ? *log : local;
  out = DrawingLog{};
  if (drawWidth <= 0 || drawHeight <= 0) return;

  painter.save();
  painter.setClipRect(QRect(0, 0, drawWidth, drawHeight));
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setFont(PictureFont(painter.device()->devicePixelRatioF()));

  // Frame: the outline covers pixels 0..W-1 and 0..H-1, as a rectangle call with the
  // corners (0, 0) and (W, H) does.
  out.frame = {{0, 0}, {drawWidth, drawHeight}};
  out.frameBrush = kAqua;
  out.framePen = kBlack;
  painter.setBrush(kAqua);
  painter.setPen(LinePen(kBlack));
  painter.drawRect(QRectF(PixelCentre({0, 0}), PixelCentre({drawWidth - 1, drawHeight - 1})));
  painter.setBrush(Qt::NoBrush);

  const std::array<std::string, 6> texts = SummaryTexts(summary);
  const int leftX = TruncateToPixel(0.1 * drawWidth);
  const int rightX = TruncateToPixel(0.5 * drawWidth);
  const std::array<int, 3> rowY = {TruncateToPixel(0.01 * drawHeight),
                                   TruncateToPixel(0.04 * drawHeight),
                                   TruncateToPixel(0.07 * drawHeight)};
  for (int k = 0; k < 6; ++k) {
    out.texts[k] = {{k % 2 == 0 ? leftX : rightX, rowY[k / 2]}, texts[k]};
    DrawTextAt(painter, out.texts[k].topLeft, out.texts[k].text);
  }

  AssertCountsWithinLimits(data);
  // Every state of an envelope has a contact of its own.
  if (data.noTension && shown.envelope == nullptr) {
    const bool lifted = !LiftOffRanges(data).empty();
    out.foundation = {{leftX, TruncateToPixel(0.10 * drawHeight)},
                      lifted ? "Soil takes no tension: lifted off where the w axis is marked"
                             : "Soil takes no tension: no lift-off"};
    DrawTextAt(painter, out.foundation.topLeft, out.foundation.text);
    DrawLiftOff(painter, data, drawWidth, drawHeight, out);
  }
  if (!shown.name.empty()) {
    const double share = out.foundation.text.empty() ? 0.10 : 0.13;
    out.shown = {{leftX, TruncateToPixel(share * drawHeight)}, shown.name};
    DrawTextAt(painter, out.shown.topLeft, out.shown.text);
  }
  const int n = data.elementCount;
  out.plotStep = PlotStride(n);
  const std::array<DiagramStyle, 3> styles = {{
      {"w", kDisplacementColour, 0.3, &ResultNode::w, summary.minW, summary.maxW,
       &NodeEnvelope::wMin},
      {"Q", kShearColour, 0.575, &ResultNode::Q, summary.minQ, summary.maxQ, &NodeEnvelope::QMin},
      {"M", kMomentColour, 0.85, &ResultNode::M, summary.minM, summary.maxM, &NodeEnvelope::MMin},
  }};
  // The w axis's letter stands clear of the left end's support, whose wall or coil reaches
  // out beyond the axis.
  out.supports = PlaceSupports(painter, data, drawWidth, drawHeight);
  const int wLabelRight = !out.supports.empty() && out.supports.front().point == 0
                              ? TruncateToPixel(std::floor(out.supports.front().bounds.left())) - 2
                              : drawWidth;
  for (int d = 0; d < 3; ++d) {
    DrawDiagram(painter, data, styles[d], n, out.plotStep, drawWidth, drawHeight,
                d == 0 ? wLabelRight : drawWidth, shown.envelope, out.diagrams[d]);
  }
  // Over the curves, so that a support reads where the beam's deflection passes through it.
  DrawSupports(painter, data, out.supports);
  painter.restore();
}

}  // namespace pelvar
