// libFuzzer target: the number reader on arbitrary text.
//
// Beyond "no crash, no undefined behaviour": a real read is always finite and is the C library's
// correctly rounded value of the same decimal text, saturated to the largest double where that
// overflows; an integer read saturates at the 32-bit limits; and the shortest text of what was
// read reads back to the same value.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "text/number_format.h"
#include "text/number_reader.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The leading number of text in the reader's grammar, blanks skipped: sign, digits, point,
// digits, and an exponent only when digits follow it. Empty when there is no digit.
std::string LeadingNumber(std::string_view text, bool real) {
  std::size_t p = 0;
  while (p < text.size() && IsSpace(text[p])) ++p;
  const std::size_t start = p;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
  std::size_t digits = 0;
  for (; p < text.size() && IsDigit(text[p]); ++p) ++digits;
  if (real && p < text.size() && text[p] == '.') {
    std::size_t q = p + 1;
    for (; q < text.size() && IsDigit(text[q]); ++q) ++digits;
    if (digits > 0) p = q;
  }
  if (digits == 0) return {};
  if (real && p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
    std::size_t q = p + 1;
    if (q < text.size() && (text[q] == '+' || text[q] == '-')) ++q;
    if (q < text.size() && IsDigit(text[q])) {
      while (q < text.size() && IsDigit(text[q])) ++q;
      p = q;
    }
  }
  return std::string(text.substr(start, p - start));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  constexpr double kMax = std::numeric_limits<double>::max();

  const double real = pelvar::ReadReal(text);
  Check(std::isfinite(real));
  const std::string realText = LeadingNumber(text, true);
  // The process runs in the "C" locale, so strtod takes "." and this grammar is a subset of its.
  const double expected = realText.empty() ? 0.0 : std::strtod(realText.c_str(), nullptr);
  Check(real == (std::isinf(expected) ? std::copysign(kMax, expected) : expected));
  const double back = pelvar::ReadReal(pelvar::ShortestRealText(real));
  Check(back == real && std::signbit(back) == std::signbit(real));

  const std::int32_t integer = pelvar::ReadInteger(text);
  const std::string integerText = LeadingNumber(text, false);
  const long long wide = integerText.empty() ? 0 : std::strtoll(integerText.c_str(), nullptr, 10);
  const long long clamped = std::clamp<long long>(wide, std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max());
  Check(integer == clamped);
  Check(pelvar::ReadInteger(pelvar::FormatText("%d", integer)) == integer);
  return 0;
}
