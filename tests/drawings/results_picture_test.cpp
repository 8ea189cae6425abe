#include "drawings/results_picture.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/envelope.h"
#include "drawings/results_diagrams.h"
#include "drawings/support_symbols.h"

namespace pelvar {
namespace {

const QRgb kUntouched = qRgb(255, 255, 255);
const QRgb kAquaPixel = qRgb(0, 255, 255);
const QRgb kBlackPixel = qRgb(0, 0, 0);
const QRgb kRedPixel = qRgb(255, 0, 0);
const QRgb kGreenPixel = qRgb(0, 128, 0);
const QRgb kBluePixel = qRgb(0, 0, 255);

class ResultsPictureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QGuiApplication::instance() != nullptr) return;
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "results_picture_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
  }

  struct Picture {
    QImage image;
    DrawingLog log;
  };

  // Draws into an image larger than the picture, so that anything drawn beyond it shows; at a
  // device pixel ratio above 1 each pixel of the picture has ratio x ratio pixels of the image.
  static Picture Render(const ProblemData& data, const ResultSummary& summary, int w, int h,
                        qreal ratio = 1, const ShownPicture& shown = {}) {
    Picture picture{
        QImage(QSizeF((w + 20) * ratio, (h + 20) * ratio).toSize(), QImage::Format_RGB32), {}};
    picture.image.setDevicePixelRatio(ratio);
    picture.image.fill(kUntouched);
    QPainter painter(&picture.image);
    DrawResults(painter, data, summary, w, h, &picture.log, shown);
    painter.end();
    return picture;
  }

  static ResultSummary Solve(ProblemData& data) {
    auto work = MakeAnalysisWorkspace();
    const CalculationOutcome outcome = RunCalculation(data, *work);
    EXPECT_EQ(outcome.status, CalculationStatus::Success) << outcome.message;
    return outcome.summary;
  }

  // A beam of sections of 10 m on springs of 100 kN/m³ without distributed load.
  static void SprungBeamWithoutLoad(ProblemData& data, int sections) {
    data.sectionCount = sections;
    for (int i = 0; i < sections; ++i) {
      data.sections[i] = {10.0, 0.0, 100.0};
    }
    UpdatePointPositions(data);
  }

  static int CountPixels(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
  }

  static int CountPixelsIn(const QImage& image, QRgb colour, int left, int top, int width,
                           int height) {
    return CountPixels(image.copy(left, top, width, height), colour);
  }

  static void ExpectNothingOutside(const Picture& p, int w, int h) {
    for (int y = 0; y < p.image.height(); ++y)
      for (int x = 0; x < p.image.width(); ++x)
        if (x >= w || y >= h) {
          ASSERT_EQ(p.image.pixel(x, y), kUntouched) << x << "," << y;
        }
  }

  static void ExpectInsideBand(const DiagramDrawing& d, int w, int top, int bottom) {
    for (const PicturePoint& point : d.curve) {
      EXPECT_GE(point.x, 0) << d.letter;
      EXPECT_LE(point.x, w) << d.letter;
      EXPECT_GE(point.y, top) << d.letter;
      EXPECT_LE(point.y, bottom) << d.letter;
    }
    for (const PictureLine& line : d.hatching) {
      EXPECT_EQ(line.from.y, d.axis.from.y) << d.letter;
      EXPECT_EQ(line.from.x, line.to.x) << d.letter;
    }
  }

  // The node that holds the given extreme.
  static int NodeOf(const ProblemData& data, double ResultNode::*value, double extreme) {
    for (int i = 0; i <= data.elementCount; ++i) {
      if (data.nodes[i].*value == extreme) return i;
    }
    ADD_FAILURE() << "no node holds " << extreme;
    return 0;
  }

  static int LowestY(const DiagramDrawing& d) {
    int y = std::numeric_limits<int>::min();
    for (const PicturePoint& point : d.curve) y = std::max(y, point.y);
    return y;
  }
  static int HighestY(const DiagramDrawing& d) {
    int y = std::numeric_limits<int>::max();
    for (const PicturePoint& point : d.curve) y = std::min(y, point.y);
    return y;
  }
};

TEST_F(ResultsPictureTest, GeometryFollowsTheClientArea) {
  const PictureGeometry small = ComputePictureGeometry(600, 400);
  EXPECT_EQ(small.marginX, 30);
  EXPECT_EQ(small.marginY, 20);
  EXPECT_EQ(small.drawWidth, 540);
  EXPECT_EQ(small.drawHeight, 360);
  EXPECT_EQ(small.messageX, 300);
  EXPECT_EQ(small.messageY, 200);

  const PictureGeometry start = ComputePictureGeometry(750, 550);
  EXPECT_EQ(start.marginX, 37);
  EXPECT_EQ(start.marginY, 27);
  EXPECT_EQ(start.drawWidth, 676);
  EXPECT_EQ(start.drawHeight, 496);
  EXPECT_EQ(start.messageX, 375);
  EXPECT_EQ(start.messageY, 275);

  const PictureGeometry odd = ComputePictureGeometry(619, 419);
  EXPECT_EQ(odd.marginX, 30);
  EXPECT_EQ(odd.marginY, 20);
  EXPECT_EQ(odd.drawWidth, 559);
  EXPECT_EQ(odd.drawHeight, 379);
  EXPECT_EQ(odd.messageX, 309);
  EXPECT_EQ(odd.messageY, 209);
}

TEST_F(ResultsPictureTest, DemonstrationProblemAtTheSmallestClientArea) {
  ProblemData data;
  const ResultSummary summary = Solve(data);
  const Picture p = Render(data, summary, 540, 360);
  const DrawingLog& log = p.log;

  EXPECT_EQ(log.frame, (PictureLine{{0, 0}, {540, 360}}));
  EXPECT_EQ(log.frameBrush, QColor(0, 255, 255));
  EXPECT_EQ(log.framePen, QColor(0, 0, 0));

  const PicturePoint textCorners[6] = {{54, 3}, {270, 3}, {54, 14}, {270, 14}, {54, 25}, {270, 25}};
  const char* texts[6] = {
      "Minimum displacement :        0.139 m",   "Maximum displacement :        0.164 m",
      "Minimum shear force :       -50.000 kN",  "Maximum shear force :        50.000 kN",
      "Minimum moment :              0.000 kNm", "Maximum moment :            356.780 kNm"};
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(log.texts[k].topLeft, textCorners[k]) << k;
    EXPECT_EQ(log.texts[k].text, texts[k]) << k;
  }

  EXPECT_EQ(log.plotStep, 1);
  // 0.575 · 360 is 206.99999999999997 in doubles, so the Q axis lies at 206.
  const char* letters[3] = {"w", "Q", "M"};
  const QColor pens[3] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255)};
  const int axisY[3] = {108, 206, 306};
  for (int d = 0; d < 3; ++d) {
    const DiagramDrawing& diagram = log.diagrams[d];
    EXPECT_EQ(diagram.letter, letters[d]);
    EXPECT_EQ(diagram.pen, pens[d]);
    EXPECT_EQ(diagram.axis, (PictureLine{{54, axisY[d]}, {486, axisY[d]}}));
    EXPECT_EQ(diagram.label.topLeft, (PicturePoint{39, axisY[d] - 6}));
    EXPECT_EQ(diagram.label.text, letters[d]);
    ASSERT_EQ(diagram.curve.size(), 102u);
    ASSERT_EQ(diagram.hatching.size(), 101u);
    // The move-to point and the first node coincide, as the beam starts at x = 0.
    EXPECT_EQ(diagram.curve[0], diagram.curve[1]);
    EXPECT_EQ(diagram.curve[1].x, 54);
    EXPECT_EQ(diagram.curve[101].x, 486);
    for (int i = 0; i < 101; ++i) {
      EXPECT_EQ(diagram.hatching[i].to, diagram.curve[i + 1]);
      EXPECT_EQ(diagram.hatching[i].from, (PicturePoint{diagram.curve[i + 1].x, axisY[d]}));
    }
  }

  // 0.12·H = 43.2 pixels. w is positive everywhere: the curve hangs below its axis and its
  // lowest point, the largest displacement, lies near the middle of the beam (x = 54 + 216).
  const DiagramDrawing& w = log.diagrams[0];
  EXPECT_EQ(LowestY(w), 151);
  EXPECT_GT(HighestY(w), 108);
  EXPECT_EQ(w.curve[NodeOf(data, &ResultNode::w, summary.maxW) + 1].y, 151);
  EXPECT_NEAR(w.curve[NodeOf(data, &ResultNode::w, summary.maxW) + 1].x, 270, 4);
  // Q runs from -50 to +50: 43.2 pixels to either side of its axis.
  EXPECT_EQ(LowestY(log.diagrams[1]), 249);
  EXPECT_NEAR(HighestY(log.diagrams[1]), 163, 1);
  // M runs from 0 at the ends to 356.78.
  EXPECT_EQ(LowestY(log.diagrams[2]), 349);
  EXPECT_NEAR(HighestY(log.diagrams[2]), 306, 1);

  // Pixels: aqua inside the black outline that covers columns 0..539 and rows 0..359.
  const QImage& image = p.image;
  for (QPoint corner : {QPoint(0, 0), QPoint(539, 0), QPoint(0, 359), QPoint(539, 359),
                        QPoint(270, 0), QPoint(0, 180), QPoint(539, 180), QPoint(270, 359)})
    EXPECT_EQ(image.pixel(corner), kBlackPixel) << corner.x() << "," << corner.y();
  for (QPoint inside : {QPoint(1, 1), QPoint(538, 358), QPoint(300, 70), QPoint(20, 250)})
    EXPECT_EQ(image.pixel(inside), kAquaPixel) << inside.x() << "," << inside.y();
  ExpectNothingOutside(p, 540, 360);

  const QRgb curvePixels[3] = {kRedPixel, kGreenPixel, kBluePixel};
  for (int d = 0; d < 3; ++d) {
    for (const PicturePoint& point : log.diagrams[d].curve)
      EXPECT_EQ(image.pixel(point.x, point.y), curvePixels[d]) << d << ": " << point.x;
    // The axis includes both of its end pixels and no more.
    EXPECT_EQ(image.pixel(54, axisY[d]), curvePixels[d]);
    EXPECT_EQ(image.pixel(486, axisY[d]), curvePixels[d]);
    EXPECT_EQ(image.pixel(487, axisY[d]), kAquaPixel);
    EXPECT_EQ(image.pixel(53, axisY[d]), kAquaPixel);
    // The letter is written in black to the left of the axis.
    EXPECT_GT(CountPixelsIn(image, kBlackPixel, 39, axisY[d] - 6, 12, 13), 4) << d;
    EXPECT_EQ(CountPixelsIn(image, curvePixels[d], 0, axisY[d] - 6, 54, 13), 0) << d;
  }
  // A hatching line of w fills the column between its axis and the curve.
  const PicturePoint deepest = w.curve[51];
  for (int y = 108; y <= deepest.y; ++y) EXPECT_EQ(image.pixel(deepest.x, y), kRedPixel) << y;
  EXPECT_EQ(image.pixel(deepest.x, deepest.y + 1), kAquaPixel);

  // The texts are black on aqua, in both columns of all three rows.
  for (int k = 0; k < 6; ++k)
    EXPECT_GT(CountPixelsIn(image, kBlackPixel, textCorners[k].x, textCorners[k].y, 200, 11), 50)
        << k;
  EXPECT_EQ(CountPixelsIn(image, kBlackPixel, 1, 1, 538, 2), 0);
}

// The letters of the texts' words stand one blank column apart: hinted letters placed at the
// outline's fractional advances would leave two here and there ("displacem ent"). At twice the
// scale every line and fill covers the same pixels of the picture, as 2 x 2 finer pixels each,
// while the texts are drawn with the finer pixels, not as the coarse letters blown up.
TEST_F(ResultsPictureTest, EvenLettersAndTheFinerPixelsOfAScaledScreen) {
  ProblemData data;
  const ResultSummary summary = Solve(data);
  const Picture coarse = Render(data, summary, 540, 360);
  for (const PictureText& text : coarse.log.texts) {
    SCOPED_TRACE(text.text);
    const QImage band = coarse.image.copy(text.topLeft.x, text.topLeft.y, 250, 13);
    std::vector<int> gaps;  // blank column runs between inked columns
    int run = -1;           // no ink seen yet
    for (int x = 0; x < band.width(); ++x) {
      bool ink = false;
      for (int y = 0; y < band.height(); ++y) ink = ink || band.pixel(x, y) == kBlackPixel;
      if (ink && run > 0) gaps.push_back(run);
      if (ink) run = 0;
      if (!ink && run >= 0) ++run;
    }
    // The words before the colon, which stands after a blank and the widest gap so far.
    ASSERT_GT(gaps.size(), 10u);
    for (int gap : gaps) {
      if (gap >= 5) break;
      EXPECT_TRUE(gap == 1 || gap >= 3) << gap;
    }
  }

  const Picture fine = Render(data, summary, 540, 360, 2);
  ASSERT_EQ(fine.image.size(), QSize(2 * 560, 2 * 380));
  auto block = [&](int x, int y) {
    return std::array<QRgb, 4>{fine.image.pixel(2 * x, 2 * y), fine.image.pixel(2 * x + 1, 2 * y),
                               fine.image.pixel(2 * x, 2 * y + 1),
                               fine.image.pixel(2 * x + 1, 2 * y + 1)};
  };
  auto expectBlock = [&](int x, int y, QRgb colour) {
    for (QRgb c : block(x, y)) ASSERT_EQ(c, colour) << x << "," << y;
  };
  // The frame, the fill, the axes and the hatching, and nothing beyond the picture.
  for (int x = 0; x < 540; ++x) {
    expectBlock(x, 0, kBlackPixel);
    expectBlock(x, 359, kBlackPixel);
    expectBlock(x, 360, kUntouched);
  }
  for (int y = 0; y < 360; ++y) {
    expectBlock(0, y, kBlackPixel);
    expectBlock(539, y, kBlackPixel);
    expectBlock(540, y, kUntouched);
  }
  expectBlock(1, 1, kAquaPixel);
  expectBlock(538, 358, kAquaPixel);
  const QRgb pens[3] = {kRedPixel, kGreenPixel, kBluePixel};
  for (int d = 0; d < 3; ++d) {
    const DiagramDrawing& diagram = fine.log.diagrams[d];
    for (int x = diagram.axis.from.x; x <= diagram.axis.to.x; ++x)
      expectBlock(x, diagram.axis.from.y, pens[d]);
    for (const PictureLine& line : diagram.hatching) {
      for (int y = std::min(line.from.y, line.to.y); y <= std::max(line.from.y, line.to.y); ++y)
        expectBlock(line.from.x, y, pens[d]);
    }
  }
  // The texts: blocks of two colours show letters drawn with the finer pixels.
  int mixed = 0;
  for (int y = 3; y < 36; ++y) {
    for (int x = 54; x < 500; ++x) {
      const std::array<QRgb, 4> b = block(x, y);
      mixed += std::count(b.begin(), b.end(), b[0]) < 4 ? 1 : 0;
    }
  }
  EXPECT_GT(mixed, 300);
}

// On finer pixels the letters stand where the font's own advances put them: wherever the
// outlines of two neighbouring glyphs leave a gap, the picture shows a light column in it.
TEST_F(ResultsPictureTest, LettersKeepTheFontsGapsOnFinerPixels) {
  ProblemData data;
  const ResultSummary summary = Solve(data);
  QFont design(QStringLiteral("Liberation Sans"));
  design.setPixelSize(11);
  design.setHintingPreference(QFont::PreferNoHinting);
  const double lineHeight = QFontMetricsF(design).height();
  for (const qreal ratio : {1.5, 2.0}) {
    SCOPED_TRACE(ratio);
    const Picture p = Render(data, summary, 540, 360, ratio);
    int gapsSeen = 0;
    for (const PictureText& text : p.log.texts) {
      QTextLayout layout(QString::fromStdString(text.text), design);
      layout.beginLayout();
      layout.createLine();
      layout.endLayout();
      // Each glyph's ink, left and right, in the image's pixels.
      std::vector<std::pair<double, double>> inks;
      for (const QGlyphRun& run : layout.glyphRuns()) {
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
          const QRectF box = run.rawFont().pathForGlyph(glyphs[i]).boundingRect();
          if (box.isEmpty()) continue;  // a blank
          const double x = text.topLeft.x + positions[i].x();
          inks.emplace_back((x + box.left()) * ratio, (x + box.right()) * ratio);
        }
      }
      std::sort(inks.begin(), inks.end());
      const int top = static_cast<int>(text.topLeft.y * ratio);
      const int bottom = static_cast<int>(std::ceil((text.topLeft.y + lineHeight) * ratio));
      auto light = [&](int x) {
        for (int y = top; y < bottom; ++y) {
          if (qGreen(p.image.pixel(x, y)) < 128) return false;
        }
        return true;
      };
      for (std::size_t k = 0; k + 1 < inks.size(); ++k) {
        const double from = inks[k].second, to = inks[k + 1].first;
        if (to - from < 1.5) continue;  // the font leaves no gap of a pixel here
        ++gapsSeen;
        bool found = false;
        for (int x = static_cast<int>(from); x < static_cast<int>(std::ceil(to)); ++x) {
          found = found || light(x);
        }
        EXPECT_TRUE(found) << text.text << ": glyphs " << k << " and " << k + 1 << " touch";
      }
    }
    EXPECT_GT(gapsSeen, 60);
  }
}

TEST_F(ResultsPictureTest, DemonstrationProblemAtTheStartSize) {
  ProblemData data;
  const ResultSummary summary = Solve(data);
  const Picture p = Render(data, summary, 676, 496);
  const DrawingLog& log = p.log;
  const int textX[2] = {67, 338};
  const int textY[3] = {4, 19, 34};
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(log.texts[k].topLeft, (PicturePoint{textX[k % 2], textY[k / 2]})) << k;
  const int axisY[3] = {148, 285, 421};
  for (int d = 0; d < 3; ++d)
    EXPECT_EQ(log.diagrams[d].axis, (PictureLine{{67, axisY[d]}, {609, axisY[d]}}));

  // 0.12·H = 59.52 pixels below the w axis, at the middle of the beam (67 + 270.4).
  const DiagramDrawing& w = log.diagrams[0];
  EXPECT_EQ(LowestY(w), 207);
  const PicturePoint lowest = w.curve[NodeOf(data, &ResultNode::w, summary.maxW) + 1];
  EXPECT_EQ(lowest.y, 207);
  EXPECT_NEAR(lowest.x, 337, 4);
  EXPECT_EQ(p.image.pixel(lowest.x, 207), kRedPixel);
  EXPECT_EQ(p.image.pixel(lowest.x, 208), kAquaPixel);
  ExpectNothingOutside(p, 676, 496);
}

// An envelope's picture: each diagram's largest values as its curve, its smallest as a second
// curve, hatched from the one to the other at every drawn node, and its name under the
// extremes. Of the demonstration's loads once half and once whole, on linear soil, the largest
// are the demonstration's own and the smallest half of them.
TEST_F(ResultsPictureTest, AnEnvelopeIsHatchedFromItsSmallestToItsLargestValues) {
  auto demo = std::make_unique<ProblemData>();
  const Picture whole = Render(*demo, Solve(*demo), 540, 360);
  auto data = std::make_unique<ProblemData>();
  LoadCases& cases = data->loadCases;
  cases.combinationCount = 2;
  cases.combinations[0].name.Set("Half");
  cases.combinations[0].factor[0] = 0.5;
  cases.combinations[1].name.Set("Whole");
  cases.combinations[1].factor[0] = 1.0;
  auto work = MakeAnalysisWorkspace();
  auto scratch = std::make_unique<ProblemData>();
  auto envelope = std::make_shared<Envelope>();
  ASSERT_EQ(RunEnvelope(*data, *work, *scratch, *envelope).outcome.status,
            CalculationStatus::Success);
  const auto snapshot = TakeEnvelopeSnapshot(*data, envelope);
  EXPECT_EQ(snapshot->shown, "Envelope of 2 states");
  const Picture picture = Render(*snapshot->data, snapshot->summary, 540, 360, 1,
                                 ShownPicture{"Envelope of 2 states", envelope.get()});
  EXPECT_EQ(picture.log.shown.topLeft, (PicturePoint{54, 36}));
  EXPECT_EQ(picture.log.shown.text, "Envelope of 2 states");
  for (int k : {1, 3, 5}) EXPECT_EQ(picture.log.texts[k].text, whole.log.texts[k].text);
  ExpectNothingOutside(picture, 540, 360);

  for (int d = 0; d < 3; ++d) {
    const DiagramDrawing& drawn = picture.log.diagrams[d];
    const DiagramDrawing& own = whole.log.diagrams[d];
    SCOPED_TRACE(drawn.letter);
    EXPECT_DOUBLE_EQ(drawn.scale, own.scale);
    const int y0 = drawn.axis.from.y;
    ASSERT_EQ(drawn.curve.size(), own.curve.size());
    ASSERT_EQ(drawn.lowerCurve.size(), drawn.curve.size());
    ASSERT_EQ(drawn.hatching.size(), drawn.curve.size() - 1);
    ASSERT_GT(drawn.scale, 0.0);
    std::size_t longest = 0;
    for (std::size_t i = 1; i < drawn.curve.size(); ++i) {
      // Where the values are negative the half is the larger.
      const double offset = own.curve[i].y - y0;
      EXPECT_NEAR(drawn.curve[i].y - y0, std::max(offset, 0.5 * offset), 1) << i;
      EXPECT_NEAR(drawn.lowerCurve[i].y - y0, std::min(offset, 0.5 * offset), 1) << i;
      EXPECT_EQ(drawn.hatching[i - 1], (PictureLine{drawn.lowerCurve[i], drawn.curve[i]})) << i;
      if (std::abs(offset) > std::abs(own.curve[longest].y - y0)) longest = i;
    }
    // The longest hatching line is in the diagram's colour.
    const PictureLine& line = drawn.hatching[longest - 1];
    ASSERT_GT(std::abs(line.to.y - line.from.y), 10);
    EXPECT_EQ(picture.image.pixelColor(line.from.x, (line.from.y + line.to.y) / 2), drawn.pen);
  }
}

TEST_F(ResultsPictureTest, OnlyEveryStepthNodeIsDrawn) {
  struct Case {
    int elements, step, drawn, lastX;
  };
  // 255 elements: 85 per 10 m section, so the last node drawn, 254, lies at 30 - 10/85 m,
  // pixel 54 + 14.4 · 29.882 = 484.3.
  const Case cases[] = {
      {100, 1, 101, 486}, {250, 2, 126, 486}, {255, 2, 128, 484}, {1000, 10, 101, 486}};
  for (const Case& c : cases) {
    ProblemData data;
    data.elementCount = c.elements;
    const Picture p = Render(data, Solve(data), 540, 360);
    EXPECT_EQ(p.log.plotStep, c.step) << c.elements;
    for (const DiagramDrawing& d : p.log.diagrams) {
      ASSERT_EQ(d.hatching.size(), static_cast<std::size_t>(c.drawn)) << c.elements;
      ASSERT_EQ(d.curve.size(), static_cast<std::size_t>(c.drawn + 1)) << c.elements;
      EXPECT_EQ(d.curve.back().x, c.lastX) << c.elements;
      for (int k = 0; k < c.drawn; ++k) {
        const double x = data.nodes[k * c.step].x;
        EXPECT_NEAR(d.hatching[k].from.x, 54 + 14.4 * x, 1.000001) << c.elements << " node " << k;
        if (k > 0) {
          EXPECT_GE(d.hatching[k].from.x, d.hatching[k - 1].from.x);
        }
      }
      ExpectInsideBand(d, 540, 0, 360);
    }
  }

  // 100 kN at x = 10 m, node 85 of 255, which the stride passes by: the Q curve takes both of its
  // sides there, a vertical green line at pixel 54 + 14.4 · 10 = 198 as long as the force on
  // Q's scale; w and M, which do not jump, and the hatching keep their 128 nodes.
  ProblemData data;
  data.elementCount = 255;
  data.points[1].force = 100.0;
  const Picture p = Render(data, Solve(data), 540, 360);
  EXPECT_EQ(p.log.diagrams[0].curve.size(), 129u);
  EXPECT_EQ(p.log.diagrams[2].curve.size(), 129u);
  const DiagramDrawing& q = p.log.diagrams[1];
  ASSERT_EQ(q.curve.size(), 131u);
  EXPECT_EQ(q.hatching.size(), 128u);
  const PicturePoint left = q.curve[44], right = q.curve[45];  // after node 84, before node 86
  EXPECT_NEAR(q.curve[43].x, 54 + 14.4 * 84 * 10.0 / 85, 1.0);
  EXPECT_NEAR(left.x, 198, 1);
  EXPECT_EQ(right.x, left.x);
  EXPECT_NEAR(left.y - right.y, q.scale * 100.0, 1.0);
  EXPECT_NEAR(q.curve[46].x, 54 + 14.4 * 86 * 10.0 / 85, 1.0);
  for (int y = std::min(left.y, right.y) + 1; y < std::max(left.y, right.y); ++y) {
    EXPECT_EQ(p.image.pixel(left.x, y), kGreenPixel) << y;
  }
}

TEST_F(ResultsPictureTest, NegativeMaximumHangsBelowTheAxis) {
  // Point forces against the direction of the loads at both ends of a sprung beam lift it
  // everywhere: w < 0, the least negative value 0.12·H below the axis.
  ProblemData data;
  SprungBeamWithoutLoad(data, 2);
  data.points[0].force = -100.0;
  data.points[2].force = -80.0;
  const ResultSummary summary = Solve(data);
  ASSERT_LT(summary.maxW, 0.0);
  ASSERT_LT(summary.minW / summary.maxW, 5.0);  // the diagram fits below its axis

  const Picture p = Render(data, summary, 540, 360);
  const DiagramDrawing& w = p.log.diagrams[0];
  EXPECT_LT(w.scale, 0.0);
  EXPECT_EQ(w.curve[NodeOf(data, &ResultNode::w, summary.maxW) + 1].y, 151);
  EXPECT_EQ(HighestY(w), 151);
  // The most negative value lies further down by the ratio of the extremes.
  EXPECT_NEAR(LowestY(w), 108 + 43.2 * summary.minW / summary.maxW, 1.0);
  EXPECT_EQ(p.image.pixel(w.curve[1].x, w.curve[1].y), kRedPixel);
  for (const DiagramDrawing& d : p.log.diagrams) ExpectInsideBand(d, 540, 0, 360);
  ExpectNothingOutside(p, 540, 360);
}

TEST_F(ResultsPictureTest, WithoutAnyLoadOnlyTheAxesAndLettersAreDrawn) {
  ProblemData data;
  for (SectionRow& section : data.sections) section.load = 0.0;
  const ResultSummary summary = Solve(data);
  EXPECT_EQ(summary.maxW, 0.0);
  EXPECT_EQ(summary.minM, 0.0);

  const Picture p = Render(data, summary, 540, 360);
  EXPECT_EQ(p.log.texts[0].text, "Minimum displacement :        0.000 m");
  const QRgb pens[3] = {kRedPixel, kGreenPixel, kBluePixel};
  const int axisY[3] = {108, 206, 306};
  for (int d = 0; d < 3; ++d) {
    const DiagramDrawing& diagram = p.log.diagrams[d];
    EXPECT_EQ(diagram.scale, 0.0);
    EXPECT_TRUE(diagram.curve.empty());
    EXPECT_TRUE(diagram.hatching.empty());
    EXPECT_EQ(CountPixels(p.image, pens[d]), 486 - 54 + 1) << d;
    EXPECT_EQ(CountPixelsIn(p.image, pens[d], 54, axisY[d], 433, 1), 433) << d;
    EXPECT_GT(CountPixelsIn(p.image, kBlackPixel, 39, axisY[d] - 6, 12, 13), 4) << d;
  }
  ExpectNothingOutside(p, 540, 360);

  // A uniform load on uniform springs leaves Q and M at rounding noise: their axes alone, with
  // "0.000" in the summary, and w drawn in full.
  ProblemData even;
  even.sectionCount = 1;
  even.sections[0].spring = 100.0;
  const ResultSummary noise = Solve(even);
  ASSERT_NE(std::max(-noise.minM, noise.maxM) + std::max(-noise.minQ, noise.maxQ), 0.0);
  const Picture flat = Render(even, noise, 540, 360);
  EXPECT_EQ(flat.log.texts[4].text, "Minimum moment :              0.000 kNm");
  EXPECT_EQ(flat.log.texts[2].text, "Minimum shear force :         0.000 kN");
  EXPECT_FALSE(flat.log.diagrams[0].curve.empty());
  for (int d : {1, 2}) {
    EXPECT_EQ(flat.log.diagrams[d].scale, 0.0) << d;
    EXPECT_TRUE(flat.log.diagrams[d].curve.empty()) << d;
  }
}

TEST_F(ResultsPictureTest, MomentThatIsNowherePositiveRisesAboveItsAxis) {
  // A force against the direction of the loads in the middle of a sprung beam bends it the
  // other way: M <= 0 everywhere, so its largest value is 0 (up to rounding).
  ProblemData data;
  SprungBeamWithoutLoad(data, 2);
  data.points[1].force = -100.0;
  const ResultSummary summary = Solve(data);
  ASSERT_LT(summary.minM, -100.0);
  ASSERT_LT(summary.maxM, 1e-9);

  const Picture p = Render(data, summary, 540, 360);
  const DiagramDrawing& m = p.log.diagrams[2];
  EXPECT_GT(m.scale, 0.0);
  EXPECT_NEAR(m.scale, 43.2 / -summary.minM, 1e-12);
  EXPECT_EQ(HighestY(m), 262);  // 306 - 43.2, the moment under the force
  EXPECT_LE(LowestY(m), 306);
  EXPECT_EQ(p.image.pixel(270, 262), kBluePixel);
  for (const DiagramDrawing& d : p.log.diagrams) ExpectInsideBand(d, 540, 0, 360);
  ExpectInsideBand(m, 540, 262, 306);
  ExpectNothingOutside(p, 540, 360);
}

TEST_F(ResultsPictureTest, ConstantAndLopsidedDiagrams) {
  ProblemData data;
  data.elementCount = 10;
  for (int i = 0; i <= 10; ++i) {
    data.nodes[i].x = i;
    data.nodes[i].w = 0.5;                                     // constant, positive
    data.nodes[i].Q = data.nodes[i].QRight = -1.0 + 0.11 * i;  // -1 .. 0.1: the negative side
    data.nodes[i].M = data.nodes[i].MRight = -3.0;             // ten times larger; constant
  }
  const ResultSummary summary = FindExtremes(data);
  const Picture p = Render(data, summary, 540, 360);

  const DiagramDrawing& w = p.log.diagrams[0];
  EXPECT_EQ(HighestY(w), 151);
  EXPECT_EQ(LowestY(w), 151);

  // Scaled by its maximum 0.1 the minimum would lie 432 pixels above the axis, far beyond the
  // picture: scaled by its largest magnitude instead, -1 lies 43.2 pixels above the axis.
  const DiagramDrawing& q = p.log.diagrams[1];
  EXPECT_DOUBLE_EQ(q.scale, 43.2);
  EXPECT_EQ(q.curve[1].y, 162);   // trunc(206 - 43.2)
  EXPECT_EQ(q.curve[11].y, 210);  // trunc(206 + 4.32)
  EXPECT_EQ(q.curve[11].x, 486);

  const DiagramDrawing& m = p.log.diagrams[2];
  EXPECT_LT(m.scale, 0.0);
  EXPECT_EQ(HighestY(m), 349);
  EXPECT_EQ(LowestY(m), 349);
  EXPECT_EQ(p.image.pixel(200, 349), kBluePixel);
  ExpectNothingOutside(p, 540, 360);

  // A negative side three times the positive one still fits above the Q axis: the signed
  // maximum 0.1 keeps its scale of 432 pixels per kN, and -0.3 lies 129.6 pixels above the
  // axis, far beyond 0.12·H.
  for (int i = 0; i <= 10; ++i) data.nodes[i].Q = data.nodes[i].QRight = -0.3 + 0.04 * i;
  const Picture lopsided = Render(data, FindExtremes(data), 540, 360);
  const DiagramDrawing& q3 = lopsided.log.diagrams[1];
  EXPECT_NEAR(q3.scale, 432.0, 1e-9);
  EXPECT_EQ(q3.curve[1].y, 76);    // trunc(206 - 129.6)
  EXPECT_EQ(q3.curve[11].y, 249);  // trunc(206 + 43.2)
  EXPECT_EQ(HighestY(q3), 76);
  EXPECT_EQ(lopsided.image.pixel(q3.curve[1].x, 76), kGreenPixel);
}

TEST_F(ResultsPictureTest, ValuesThatAreNotNumbersStayInsideThePicture) {
  ProblemData data;
  const ResultSummary finite = Solve(data);
  data.nodes[10].w = std::numeric_limits<double>::quiet_NaN();
  data.nodes[20].w = std::numeric_limits<double>::infinity();
  data.nodes[30].Q = data.nodes[30].QRight = -std::numeric_limits<double>::infinity();
  data.nodes[40].M = data.nodes[40].MRight = 1e300;

  // With the extremes of the sound solution the odd nodes reach the drawing, held to the int
  // range; with extremes that are not finite the diagrams are drawn as axes.
  for (const ResultSummary& summary : {finite, FindExtremes(data)}) {
    const Picture p = Render(data, summary, 540, 360);
    for (const DiagramDrawing& d : p.log.diagrams) {
      for (const PicturePoint& point : d.curve) {
        EXPECT_LE(std::abs(point.y), 1000000000) << d.letter;
        EXPECT_GE(point.x, 54);
        EXPECT_LE(point.x, 486);
      }
    }
    ExpectNothingOutside(p, 540, 360);
  }
  const Picture p = Render(data, FindExtremes(data), 540, 360);
  EXPECT_TRUE(p.log.diagrams[0].curve.empty());   // maxW is infinite
  EXPECT_TRUE(p.log.diagrams[1].curve.empty());   // minQ is infinite
  EXPECT_FALSE(p.log.diagrams[2].curve.empty());  // 1e300 is large, but finite
}

// Each kind of support is drawn in black on the w axis at its point, at either end and inside
// the beam, on plain and on twice as fine pixels, and changes nothing else: the picture differs
// from the one without supports only inside the symbol, and, where the left end has one, in
// the w axis's letter, which stands left of the symbol instead.
TEST_F(ResultsPictureTest, EachSupportStandsOnTheWAxisAndChangesNothingElse) {
  ProblemData data;  // three sections of 10 m: the points lie at 0, 10, 20 and 30 m
  const ResultSummary summary = Solve(data);
  const PointSupport supports[] = {
      {SupportKind::Pinned},
      {SupportKind::Fixed},
      {SupportKind::Guided},
      {SupportKind::Elastic, 5000.0, 0.0},
      {SupportKind::Elastic, 5000.0, 1.0e5},
      {SupportKind::Elastic, 0.0, 1.0e5},
  };
  for (qreal ratio : {1.0, 2.0}) {
    const int letterWidth = QFontMetrics(PictureFont(ratio)).horizontalAdvance(QStringLiteral("w"));
    const Picture plain = Render(data, summary, 540, 360, ratio);
    EXPECT_TRUE(plain.log.supports.empty());
    for (const auto& [point, x] : {std::pair{0, 54}, std::pair{1, 198}, std::pair{3, 486}}) {
      for (const PointSupport& support : supports) {
        SCOPED_TRACE(std::string(SupportKindName(support.kind)) + " at point " +
                     std::to_string(point) + ", ratio " + std::to_string(ratio) + ", springs " +
                     std::to_string(support.spring) + " " +
                     std::to_string(support.rotationalSpring));
        ProblemData held = data;
        held.points[point].support = support;
        const Picture p = Render(held, summary, 540, 360, ratio);
        ASSERT_EQ(p.log.supports.size(), 1u);
        const SupportDrawing& drawn = p.log.supports[0];
        EXPECT_EQ(drawn.point, point);
        EXPECT_EQ(drawn.kind, support.kind);
        EXPECT_EQ(drawn.at, (PicturePoint{x, 108}));
        // Less than two of the text's 13-pixel lines high, and less than one above the axis; a
        // line and a half either side of the point at most.
        const QRectF& bounds = drawn.bounds;
        EXPECT_GE(bounds.top(), 108 - 12);
        EXPECT_LE(bounds.bottom(), 108 + 20);
        EXPECT_GE(bounds.left(), x - 20);
        EXPECT_LE(bounds.right(), x + 20);
        EXPECT_EQ(p.log.diagrams[1].label.topLeft, (PicturePoint{39, 200}));
        const PictureText& letter = p.log.diagrams[0].label;
        EXPECT_EQ(letter.topLeft.y, 102);
        if (point == 0) {
          EXPECT_LE(letter.topLeft.x + letterWidth, bounds.left() - 1);
          EXPECT_GE(letter.topLeft.x, 20);
        } else {
          EXPECT_EQ(letter.topLeft.x, 39);
        }
        // Every changed pixel is the symbol's or the letter's, where it was or where it is.
        const QRectF letters = QRectF(39, 102, 12, 13) | QRectF(letter.topLeft.x, 102, 12, 13);
        int ink = 0, inkAtX = 0, stray = 0;
        for (int py = 0; py < p.image.height(); ++py) {
          const auto* row = reinterpret_cast<const QRgb*>(p.image.constScanLine(py));
          const auto* before = reinterpret_cast<const QRgb*>(plain.image.constScanLine(py));
          for (int px = 0; px < p.image.width(); ++px) {
            if (row[px] == before[px]) continue;
            const QPointF at((px + 0.5) / ratio, (py + 0.5) / ratio);
            if (bounds.contains(at) && row[px] == kBlackPixel) {
              ++ink;
              if (std::abs(at.x() - (x + 0.5)) < 1.0) ++inkAtX;
            } else if (!letters.contains(at)) {
              ++stray;
            }
          }
        }
        EXPECT_EQ(stray, 0);
        EXPECT_GT(ink, 12 * ratio * ratio);
        // The symbol meets the beam at the point: a support that holds nothing along w draws
        // its coil beside the end, joined to it by a stub along the axis.
        if (support.kind == SupportKind::Elastic && support.spring == 0.0) {
          EXPECT_EQ(p.image.pixel(QPoint(x, 108) * ratio), kBlackPixel);
        } else {
          EXPECT_GE(inkAtX, 3 * ratio);
        }
      }
    }
  }
}

// The reach that layouts rely on without drawing (the printed report places the w letter by
// it): every symbol, at either end and inside, within kSupportAbove and kSupportBelow sizes of
// the beam and kSupportAside sizes of its point, its pen more; an elastic end with a coil
// reaches that far.
TEST(SupportSymbols, StayWithinTheirStatedReach) {
  const PointSupport supports[] = {{SupportKind::Pinned},
                                   {SupportKind::Fixed},
                                   {SupportKind::Guided},
                                   {SupportKind::Elastic, 5000.0, 0.0},
                                   {SupportKind::Elastic, 5000.0, 1.0e5},
                                   {SupportKind::Elastic, 0.0, 1.0e5}};
  for (const double size : {21.0, 170.0}) {
    const double pen = SupportPenWidth(size), tolerance = 1e-9 * size;
    double farthest = 0.0;
    for (const PointSupport& support : supports) {
      for (SupportPlace place :
           {SupportPlace::LeftEnd, SupportPlace::Inside, SupportPlace::RightEnd}) {
        const QRectF bounds = SupportBounds(support, place, QPointF(0.0, 0.0), size);
        EXPECT_GE(bounds.top(), -kSupportAbove * size - pen - tolerance);
        EXPECT_LE(bounds.bottom(), kSupportBelow * size + pen + tolerance);
        EXPECT_GE(bounds.left(), -kSupportAside * size - pen - tolerance);
        EXPECT_LE(bounds.right(), kSupportAside * size + pen + tolerance);
        farthest = std::max({farthest, -bounds.left(), bounds.right()});
      }
    }
    EXPECT_NEAR(farthest, kSupportAside * size + pen, tolerance);
  }
  EXPECT_TRUE(SupportBounds({}, SupportPlace::Inside, QPointF(5.0, 5.0), 21.0).isEmpty());
}

TEST_F(ResultsPictureTest, PainterIsLeftAsItWas) {
  ProblemData data;
  const ResultSummary summary = Solve(data);
  data.points[0].support.kind = SupportKind::Guided;
  QImage image(600, 400, QImage::Format_RGB32);
  image.fill(kUntouched);
  QPainter painter(&image);
  QFont font(QStringLiteral("Liberation Serif"));
  font.setPixelSize(20);
  painter.setFont(font);
  painter.setPen(QColor(10, 20, 30));
  painter.setBrush(QColor(40, 50, 60));
  DrawResults(painter, data, summary, 540, 360);
  EXPECT_EQ(painter.pen().color(), QColor(10, 20, 30));
  EXPECT_EQ(painter.brush().color(), QColor(40, 50, 60));
  EXPECT_EQ(painter.font(), font);
  EXPECT_FALSE(painter.hasClipping());

  // A picture of no size draws nothing.
  DrawingLog log;
  image.fill(kUntouched);
  DrawResults(painter, data, summary, 0, 360, &log);
  painter.end();
  EXPECT_EQ(CountPixels(image, kUntouched), 600 * 400);
  EXPECT_TRUE(log.diagrams[0].curve.empty());
}

}  // namespace
}  // namespace pelvar
