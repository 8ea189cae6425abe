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

// What the reader finds at the start of a text: where the number's digits (after blanks and
// sign) begin and end, and what tells an overflow from an underflow.
struct RealScan {
  bool negative = false;
  std::size_t start = 0;  // the first character after blanks and sign
  std::size_t end = 0;    // just past the number; start when there is none
  bool hasDigits = false;
  bool seenSignificant = false;
  // Decimal position of the first significant digit, and the exponent written.
  long long leadingExponent = 0;
  long long exponent = 0;
};

RealScan ScanReal(std::string_view text) {
  RealScan scan;
  std::size_t pos = 0;
  scan.negative = SkipBlanksAndSign(text, pos);
  scan.start = pos;

  // Mantissa: digits, optionally a point and more digits; at least one digit in all.
  std::size_t intDigits = 0, fracDigits = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    if (text[pos] != '0') scan.seenSignificant = true;
    if (scan.seenSignificant) ++scan.leadingExponent;
    ++pos;
    ++intDigits;
  }
  if (pos < text.size() && text[pos] == '.') {
    std::size_t p = pos + 1;
    while (p < text.size() && IsDigit(text[p])) {
      if (!scan.seenSignificant) {
        if (text[p] != '0')
          scan.seenSignificant = true;
        else
          --scan.leadingExponent;
      }
      ++p;
      ++fracDigits;
    }
    if (intDigits + fracDigits > 0) pos = p;
  }
  scan.hasDigits = intDigits + fracDigits > 0;
  if (!scan.hasDigits) {
    scan.end = scan.start;
    return scan;
  }

  // Exponent: only taken when at least one digit follows "e" and its sign.
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    std::size_t p = pos + 1;
    bool expNegative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
      expNegative = text[p] == '-';
      ++p;
    }
    if (p < text.size() && IsDigit(text[p])) {
      for (; p < text.size() && IsDigit(text[p]); ++p) {
        if (scan.exponent < 100000000) scan.exponent = scan.exponent * 10 + (text[p] - '0');
      }
      if (expNegative) scan.exponent = -scan.exponent;
      pos = p;
    }
  }
  scan.end = pos;
  return scan;
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
  const RealScan scan = ScanReal(text);
  if (!scan.hasDigits) return 0.0;
  if (!scan.seenSignificant) return scan.negative ? -0.0 : 0.0;

  double value = 0.0;
  const std::string_view number = text.substr(scan.start, scan.end - scan.start);
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                      std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Out of range: decide by the magnitude of the first significant digit.
    value = (scan.leadingExponent + scan.exponent > 0) ? std::numeric_limits<double>::max() : 0.0;
  }
  if (!std::isfinite(value)) value = std::numeric_limits<double>::max();
  return scan.negative ? -value : value;
}

bool IsWholeReal(std::string_view text) {
  const RealScan scan = ScanReal(text);
  if (!scan.hasDigits) return false;
  for (std::size_t pos = scan.end; pos < text.size(); ++pos) {
    if (!IsSpace(text[pos])) return false;
  }
  return true;
}

}  // namespace pelvar
