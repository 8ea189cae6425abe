#include "plot/results_plot.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "analysis/results.h"
#include "text/number_format.h"

namespace pelvar {

ValueAxis DiagramAxis(double minValue, double maxValue, int maxTicks) {
  double low = std::min(0.0, minValue);
  double high = std::max(0.0, maxValue);
  if (!std::isfinite(low) || !std::isfinite(high) || !std::isfinite(high - low)) return {};
  const double noise = 1e-9 * std::max(-low, high);
  if (-low <= noise) low = 0.0;
  if (high <= noise) high = 0.0;
  if (low == 0.0 && high == 0.0) return {};
  maxTicks = std::max(maxTicks, 3);

  // The ticks run from a multiple of the step at or below the least value to one at or above
  // the greatest, so that the labelled values take in both extremes; an extreme may reach past
  // its outer tick by a twentieth of the span at most (M up to 417.9 kNm ends at 400 rather than
  // 600), but never so far that a sign goes without a tick. A value a rounding error beyond a
  // multiple counts as on it.
  const double shortfall = 0.05 * (high - low);
  auto first = [&](double step) {
    const double k = std::ceil(low / step - 1e-9);
    return k * step - low <= shortfall && (low == 0.0 || k < 0.0) ? k : k - 1.0;
  };
  auto last = [&](double step) {
    const double k = std::floor(high / step + 1e-9);
    return high - k * step <= shortfall && (high == 0.0 || k > 0.0) ? k : k + 1.0;
  };
  auto count = [&](double step) { return last(step) - first(step) + 1.0; };

  // Steps of 1, 2 and 5 times a power of ten, from one that gives far too many ticks upwards:
  // the first that gives at most maxTicks. Where that gives fewer than three (values of one sign
  // under a single step of 5: 0 and one tick beyond them), half of it, 2.5 times a power of ten,
  // gives three, where the step before would give four: 0, 25 and 50 for values up to 48.
  const double span = high - low;
  double power = std::pow(10.0, std::floor(std::log10(span / (4.0 * maxTicks))));
  double step = 0.0;
  for (int tries = 0; tries < 40 && step == 0.0; ++tries, power *= 10.0) {
    for (const double factor : {1.0, 2.0, 5.0}) {
      const double candidate = factor * power;
      if (count(candidate) <= maxTicks) {
        step = count(candidate) >= 3.0 ? candidate : candidate / 2.0;
        break;
      }
    }
  }
  if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(last(step) * step) ||
      !std::isfinite(first(step) * step)) {
    return {};
  }

  ValueAxis axis;
  axis.low = std::min(low, first(step) * step);
  axis.high = std::max(high, last(step) * step);
  axis.step = step;
  axis.ticks.clear();
  for (double k = first(step); k <= last(step); k += 1.0) {
    axis.ticks.push_back(k == 0.0 ? 0.0 : k * step);
  }
  // Enough decimals to write the step itself: one more for 2.5 than for 2 or 5.
  const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  axis.decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)) +
                                 (std::abs(mantissa - 2.5) < 1e-6 ? 1 : 0),
                             0, 9);
  return axis;
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

ColumnFormat TableColumnFormat(double largestMagnitude) {
  if (!(std::abs(largestMagnitude) < 1e15)) return {0, true};
  return {DecimalsFor(largestMagnitude, 6), false};
}

std::string TableCellText(double value, ColumnFormat format) {
  return format.shortest ? ShortestRealText(value) : FixedText(value, format.decimals);
}

std::string FixedText(double value, int decimals) {
  std::string text = FormatText(FormatText("%%.%df", std::clamp(decimals, 0, 9)), value);
  // A value that rounds to zero shows without its sign.
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

std::string AccuracyShareText(double share) {
  if (share > kLargestShownAccuracyShare) return kBeyondShownAccuracy;
  const double value = 100.0 * share;
  if (value < 1e-4) return "below 0.0001 %";
  return FixedText(value, DecimalsFor(value, 2)) + " %";
}

std::vector<std::size_t> SimplifyPolyline(const std::vector<double>& x,
                                          const std::vector<double>& y, double tolerance) {
  const std::size_t n = std::min(x.size(), y.size());
  std::vector<std::size_t> kept;
  if (n == 0) return kept;
  if (!(tolerance > 0.0) || n < 3) {
    for (std::size_t i = 0; i < n; ++i) kept.push_back(i);
    return kept;
  }
  // The distance of point i from the segment a..b.
  auto distance = [&](std::size_t i, std::size_t a, std::size_t b) {
    const double dx = x[b] - x[a], dy = y[b] - y[a];
    const double lengthSquared = dx * dx + dy * dy;
    double t =
        lengthSquared > 0.0 ? ((x[i] - x[a]) * dx + (y[i] - y[a]) * dy) / lengthSquared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(x[i] - (x[a] + t * dx), y[i] - (y[a] + t * dy));
  };
  std::vector<bool> keep(n, false);
  keep.front() = keep.back() = true;
  std::vector<std::pair<std::size_t, std::size_t>> pending{{0, n - 1}};
  while (!pending.empty()) {
    const auto [a, b] = pending.back();
    pending.pop_back();
    std::size_t farthest = a;
    double most = -1.0;
    for (std::size_t i = a + 1; i < b; ++i) {
      const double d = distance(i, a, b);
      if (d > most) {
        most = d;
        farthest = i;
      }
    }
    // Anything not a number is kept, so that it shows as the gap it makes.
    if (farthest != a && !(most <= tolerance)) {
      keep[farthest] = true;
      pending.emplace_back(a, farthest);
      pending.emplace_back(farthest, b);
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (keep[i]) kept.push_back(i);
  }
  return kept;
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
