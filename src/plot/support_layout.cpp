#include "plot/support_layout.h"

#include <algorithm>
#include <cmath>

namespace pelvar {

SupportPlace PlaceOfPoint(int point, int sectionCount) {
  if (point <= 0) return SupportPlace::LeftEnd;
  return point >= sectionCount ? SupportPlace::RightEnd : SupportPlace::Inside;
}

double SupportSize(double lineHeight) { return std::round(1.6 * lineHeight); }

double SupportPenWidth(double size) { return std::max(1.0, std::floor(size / 24.0)); }

}  // namespace pelvar
