#include "plot/diagram_scale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelvar {

double DiagramScale(double minValue, double maxValue, double unitHeight, double roomAbove,
                    double roomBelow) {
  if (!std::isfinite(minValue) || !std::isfinite(maxValue) || !std::isfinite(unitHeight))
    return 0.0;
  const double magnitude = std::max(std::fabs(minValue), std::fabs(maxValue));
  if (magnitude == 0.0 || unitHeight == 0.0) return 0.0;

  if (maxValue != 0.0) {
    const double scale = unitHeight / maxValue;
    if (std::isfinite(scale)) {
      // Extent of the diagram above (negative y) and below its axis under this scale.
      const double lowest = minValue * scale;   // y offset of the minimum
      const double highest = maxValue * scale;  // y offset of the maximum
      const double above = -std::min({lowest, highest, 0.0});
      const double below = std::max({lowest, highest, 0.0});
      if (above <= roomAbove && below <= roomBelow) return scale;
    }
  }
  // Values so small that even this overflows are zero for any drawing.
  const double scale = unitHeight / magnitude;
  return std::isfinite(scale) ? scale : 0.0;
}

double DiagramScale(const ProblemData& data, double ResultNode::*quantity, double minValue,
                    double maxValue, double unitHeight, double roomAbove, double roomBelow) {
  constexpr double kNoiseShare = 1e-9;
  const double magnitude = std::max(std::fabs(minValue), std::fabs(maxValue));
  if (magnitude <= kNoiseShare * ResultReference(data, quantity)) return 0.0;
  return DiagramScale(minValue, maxValue, unitHeight, roomAbove, roomBelow);
}

int PlotStride(int elementCount) { return std::max(1, elementCount / 100); }

std::vector<PlotPoint> PlotPoints(const ProblemData& data, double ResultNode::*quantity, int step) {
  const double ResultRow::*value = quantity == &ResultNode::w   ? &ResultRow::w
                                   : quantity == &ResultNode::Q ? &ResultRow::Q
                                                                : &ResultRow::M;
  const std::vector<ResultRow> rows = ResultRows(data);
  std::vector<PlotPoint> points;
  points.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ResultRow& row = rows[i];
    // ResultRows gives a right side straight after its left one.
    const ResultRow* other = row.side == JumpSide::Left    ? &rows[i + 1]
                             : row.side == JumpSide::Right ? &rows[i - 1]
                                                           : nullptr;
    const bool jumps = other != nullptr && other->*value != row.*value;
    const bool strided = row.node >= 0 && row.node % step == 0;
    if (row.side == JumpSide::Right ? !jumps : !(strided || jumps)) continue;
    points.push_back({row.x, row.*value, strided});
  }
  return points;
}

int TruncateToPixel(double coordinate) {
  // Well inside the int range, so that a later "+ offset" cannot overflow either.
  constexpr double kLimit = 1.0e9;
  if (std::isnan(coordinate)) return 0;
  coordinate = std::clamp(coordinate, -kLimit, kLimit);
  return static_cast<int>(coordinate);
}

}  // namespace pelvar
