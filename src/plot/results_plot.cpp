#include "plot/results_plot.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "text/number_format.h"

namespace pelvar {

ValueRange DiagramRange(double minValue, double maxValue) {
  double low = std::min(0.0, minValue);
  double high = std::max(0.0, maxValue);
  if (!std::isfinite(low) || !std::isfinite(high)) return {};
  const double span = high - low;
  if (!(span > 0.0) || !std::isfinite(span)) {
    return low == 0.0 && high == 0.0 ? ValueRange{} : ValueRange{low, high};
  }
  // Five per cent of room on a side that holds values, none on a side that is only the axis.
  if (low < 0.0) low -= 0.05 * span;
  if (high > 0.0) high += 0.05 * span;
  return {low, high};
}

std::vector<double> AxisTicks(double low, double high, int maxTicks) {
  std::vector<double> ticks;
  if (!(high > low) || !std::isfinite(high - low)) return ticks;
  const int intervals = std::max(1, maxTicks - 1);
  const double rough = (high - low) / intervals;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = 10.0 * power;
  for (double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= rough * (1.0 - 1e-9)) {  // 30 m in six steps is 5 m, not 10
      step = factor * power;
      break;
    }
  }
  if (!(step > 0.0) || !std::isfinite(step)) return ticks;
  // Multiples of the step, so that 0 is one of them.
  // A tick a rounding error beyond an end (30 m that sums to 29.999999999999975) still counts.
  const double slack = step * 1e-9;
  for (double k = std::ceil((low - slack) / step); k * step <= high + slack; k += 1.0) {
    ticks.push_back(k == 0.0 ? 0.0 : k * step);
    if (ticks.size() > static_cast<std::size_t>(maxTicks) + 1) break;  // guards rounding only
  }
  return ticks;
}

int DecimalsFor(double magnitude, int significant) {
  magnitude = std::abs(magnitude);
  if (!(magnitude > 0.0) || !std::isfinite(magnitude)) return std::clamp(significant - 1, 0, 9);
  const int digitsBefore = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
  return std::clamp(significant - digitsBefore, 0, 9);
}

std::string FixedText(double value, int decimals) {
  std::string text = FormatText(FormatText("%%.%df", std::clamp(decimals, 0, 9)), value);
  // A value that rounds to zero shows without its sign.
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

int NearestNode(const std::vector<double>& nodeX, double x) {
  const auto right = std::lower_bound(nodeX.begin(), nodeX.end(), x);
  if (right == nodeX.begin()) return 0;
  if (right == nodeX.end()) return static_cast<int>(nodeX.size()) - 1;
  const auto left = std::prev(right);
  const auto nearest = (x - *left) <= (*right - x) ? left : right;
  return static_cast<int>(std::distance(nodeX.begin(), nearest));
}

int ElementAt(const std::vector<double>& nodeX, double x) {
  const auto after = std::upper_bound(nodeX.begin(), nodeX.end(), x);
  const int element = static_cast<int>(std::distance(nodeX.begin(), after)) - 1;
  return std::clamp(element, 0, static_cast<int>(nodeX.size()) - 2);
}

}  // namespace pelvar
