#include "text/number_reader.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace pelvar {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips white space and a sign; returns whether the sign was a minus.
bool SkipBlanksAndSign(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  return negative;
}

}  // namespace

std::int32_t ReadInteger(std::string_view text) {
  std::size_t pos = 0;
  const bool negative = SkipBlanksAndSign(text, pos);
  // Accumulate as a negative number so that the smallest int32 is reachable.
  constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
  std::int64_t value = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
    if (value > kLowest) value = value * 10 - (text[pos] - '0');
    if (value < kLowest) value = kLowest;
  }
  if (!negative) {
    value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
      value = std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(value);
}

double ReadReal(std::string_view text) {
  std::size_t pos = 0;
  const bool negative = SkipBlanksAndSign(text, pos);
  const std::size_t start = pos;

  // Mantissa: digits, optionally a point and more digits; at least one digit in all.
  std::size_t intDigits = 0, fracDigits = 0;
  // Decimal position of the first significant digit, for telling overflow from underflow.
  long long leadingExponent = 0;
  bool seenSignificant = false;
  while (pos < text.size() && IsDigit(text[pos])) {
    if (text[pos] != '0') seenSignificant = true;
    if (seenSignificant) ++leadingExponent;
    ++pos;
    ++intDigits;
  }
  if (pos < text.size() && text[pos] == '.') {
    std::size_t p = pos + 1;
    while (p < text.size() && IsDigit(text[p])) {
      if (!seenSignificant) {
        if (text[p] != '0')
          seenSignificant = true;
        else
          --leadingExponent;
      }
      ++p;
      ++fracDigits;
    }
    if (intDigits + fracDigits > 0) pos = p;
  }
  if (intDigits + fracDigits == 0) return 0.0;

  // Exponent: only taken when at least one digit follows "e" and its sign.
  long long exponent = 0;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    std::size_t p = pos + 1;
    bool expNegative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
      expNegative = text[p] == '-';
      ++p;
    }
    if (p < text.size() && IsDigit(text[p])) {
      for (; p < text.size() && IsDigit(text[p]); ++p) {
        if (exponent < 100000000) exponent = exponent * 10 + (text[p] - '0');
      }
      if (expNegative) exponent = -exponent;
      pos = p;
    }
  }
  if (!seenSignificant) return negative ? -0.0 : 0.0;

  double value = 0.0;
  const std::string_view number = text.substr(start, pos - start);
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                      std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Out of range: decide by the magnitude of the first significant digit.
    value = (leadingExponent + exponent > 0) ? std::numeric_limits<double>::max() : 0.0;
  }
  if (!std::isfinite(value)) value = std::numeric_limits<double>::max();
  return negative ? -value : value;
}

}  // namespace pelvar
