#pragma once
// The results picture: a framed area with the six extremes as text and the w, Q and M diagrams
// along the beam, with the supports' symbols on the w axis, drawn on an off-screen image that
// the main window then copies onto itself.
//
// Lines are drawn with a 1-pixel solid pen without antialiasing, and both of their end pixels
// are painted. The classic line-to call leaves out its end pixel; along the curve every end is
// the start of the next segment anyway, so the only pixels this adds are the right end of each
// axis (x1, y0) and the last node of each curve, which then is drawn like every other node.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <array>
#include <string>
#include <vector>

#include "analysis/results.h"
#include "model/problem_data.h"

class QPainter;

namespace pelvar {

struct Envelope;

// Where the picture goes in the window's client area, and where a message box is put instead.
struct PictureGeometry {
  int marginX = 0;     // client width div 20
  int marginY = 0;     // client height div 20
  int drawWidth = 0;   // W: client width - 2 marginX
  int drawHeight = 0;  // H: client height - 2 marginY
  int messageX = 0;    // W div 2 + marginX
  int messageY = 0;    // H div 2 + marginY
};

PictureGeometry ComputePictureGeometry(int clientWidth, int clientHeight);

// The font of the picture's texts on a surface of the given device pixel ratio.
QFont PictureFont(qreal devicePixelRatio);

struct PicturePoint {
  int x = 0;
  int y = 0;
  bool operator==(const PicturePoint&) const = default;
};

struct PictureLine {
  PicturePoint from;
  PicturePoint to;
  bool operator==(const PictureLine&) const = default;
};

struct PictureText {
  PicturePoint topLeft;
  std::string text;
};

// What was drawn for one diagram.
struct DiagramDrawing {
  std::string letter;  // "w", "Q" or "M"
  QColor pen;
  double scale = 0.0;  // pixels per unit of the value; 0: drawn as axis and letter alone
  PictureLine axis;
  PictureText label;
  // The curve as drawn: the move-to point first, then one point per drawn node and both sides
  // of every jump of the quantity (PlotPoints), which thus stands as a vertical line at its x.
  // Empty when the diagram is drawn as its axis and letter alone.
  std::vector<PicturePoint> curve;
  // One line per drawn node (per side where it jumps), from the axis to the curve.
  std::vector<PictureLine> hatching;
  // Of an envelope: the curve of the smallest values, drawn as curve is; curve then holds the
  // largest, and the hatching runs from the one to the other.
  std::vector<PicturePoint> lowerCurve;
};

// A support's symbol on the w axis, which stands for the beam.
struct SupportDrawing {
  int point = 0;
  SupportKind kind = SupportKind::None;
  PicturePoint at;  // on the axis, at the point's x
  QRectF bounds;    // what the symbol covers
};

// Every drawing call of one picture with its coordinates, for checking the picture exactly.
struct DrawingLog {
  PictureLine frame;  // the rectangle's corners (0, 0) and (W, H)
  QColor frameBrush;
  QColor framePen;
  std::array<PictureText, 6> texts;        // min w, max w, min Q, max Q, min M, max M
  int plotStep = 0;                        // every plotStep-th node is drawn
  std::array<DiagramDrawing, 3> diagrams;  // w, Q, M
  // Soil that takes no tension: the line under the extremes that says so (empty text while the
  // option is off), and one band along the w axis per range where the beam lifted off, as the
  // line through its middle; the band is kLiftOffBand pixels either side of it.
  PictureText foundation;
  std::vector<PictureLine> liftOff;
  // What the picture shows, where the problem has load cases (empty text without), under the
  // extremes and the foundation's line.
  PictureText shown;
  // The supports in the order of their points; the w axis's letter stands clear of the left
  // end's.
  std::vector<SupportDrawing> supports;
};
inline constexpr int kLiftOffBand = 2;

// What the picture shows where the problem has load cases: its name, such as
// "Combination "ULS"" in UTF-8, and for an envelope the envelope. The picture of an envelope draws
// each diagram's largest values (data.nodes must hold them) and its smallest, hatched between.
struct ShownPicture {
  std::string name;
  const Envelope* envelope = nullptr;
};

// Draws the results picture of data.nodes[0..elementCount] with the extremes in summary into
// the rectangle (0, 0)-(W, H) of the painter's device, which must be at least W x H pixels;
// nothing is drawn outside that rectangle. The painter's state is left as it was.
void DrawResults(QPainter& painter, const ProblemData& data, const ResultSummary& summary,
                 int drawWidth, int drawHeight, DrawingLog* log = nullptr,
                 const ShownPicture& shown = {});

}  // namespace pelvar
