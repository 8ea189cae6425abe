#pragma once
// The vertical scale of a result diagram, shared by the screen picture and the printed graphs.
//
// A diagram is drawn with its axis at some height; a value v lies v·scale below the axis (y grows
// downwards), so with a positive maximum the maximum lies unitHeight below the axis and negative
// values rise above it. The scale is unitHeight / maxValue, the signed maximum, as long as the
// whole diagram then stays between the limits roomAbove above and roomBelow below its axis. A
// negative maximum therefore keeps its negative scale and the diagram hangs below the axis.
//
// Where the signed maximum gives no usable scale (it is 0, or so small next to the values of the
// other sign that the diagram would leave the drawing), the scale is unitHeight divided by the
// largest magnitude instead, so that the diagram reaches unitHeight from its axis at most.
// A diagram that is zero everywhere (or so close to zero that no finite scale exists), or whose
// extremes are not finite, gets the scale 0: it is
// drawn as its axis alone.

#include <vector>

#include "analysis/result_quantities.h"  // ResultReference
#include "analysis/results.h"
#include "model/problem_data.h"

namespace pelvar {

double DiagramScale(double minValue, double maxValue, double unitHeight, double roomAbove,
                    double roomBelow);

// The scale of the diagram of one result of the solved problem: a diagram whose largest
// magnitude is no more than a billionth of ResultReference is rounding noise and gets the scale
// 0, drawn as its axis alone, as a diagram that is zero everywhere; any other as above.
double DiagramScale(const ProblemData& data, double ResultNode::*quantity, double minValue,
                    double maxValue, double unitHeight, double roomAbove, double roomBelow);

// Every how many nodes a diagram is drawn: at most about a hundred steps along the beam, so a
// diagram of 1000 elements joins every tenth node.
int PlotStride(int elementCount);

// A point that a diagram's curve passes through: x (m) along the beam, the value, and whether
// a hatch line joins it to the axis.
struct PlotPoint {
  double x = 0.0;
  double value = 0.0;
  bool hatched = false;
};

// The curve of one result (w, Q or M, chosen by its member of ResultNode) in order along the
// beam: every step-th node, hatched, and both sides of every point where this result jumps
// (ResultRows), whether the stride reaches it or not, so that the jump is drawn as a vertical
// line at its x rather than as a slope over the stride. A node's right side that repeats its left
// one is left out, so that a beam without jumps is drawn node for node as the stride says.
std::vector<PlotPoint> PlotPoints(const ProblemData& data, double ResultNode::*quantity, int step);

// A drawing coordinate as an int: truncated toward zero, with values beyond the int range
// (and not-a-number, taken as 0) held inside it, so that no drawing call gets a wrapped value.
int TruncateToPixel(double coordinate);

}  // namespace pelvar
