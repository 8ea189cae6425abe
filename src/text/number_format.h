#pragma once
// The one formatter for numbers shown, saved and printed.
//
// FormatText follows the C printf conventions for the conversions the program uses (%d, %f, %s
// with flags "-", "+", " ", "0", a width and a precision, and "%%"), always with "." as the
// decimal point and without digit grouping, whatever the process locale. A value that needs more
// characters than the width prints in full. Arguments are checked against their conversions:
// an int for %d, a double for %f, text for %s; a mismatch throws std::invalid_argument.
//
// One deliberate difference from printf: %f prints a value that rounds to zero at the precision
// asked for (such as -0.0 or -0.0001 with "%.3f") without a minus sign, "0.000" and not
// "-0.000", so that rounding noise never shows as a negative result.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace pelvar {

using FormatArgument = std::variant<std::int64_t, double, std::string_view>;

std::string FormatTextList(std::string_view format, std::initializer_list<FormatArgument> args);

inline FormatArgument ToFormatArgument(int v) { return static_cast<std::int64_t>(v); }
inline FormatArgument ToFormatArgument(long v) { return static_cast<std::int64_t>(v); }
inline FormatArgument ToFormatArgument(long long v) { return static_cast<std::int64_t>(v); }
inline FormatArgument ToFormatArgument(double v) { return v; }
inline FormatArgument ToFormatArgument(std::string_view v) { return v; }
inline FormatArgument ToFormatArgument(const std::string& v) { return std::string_view(v); }
inline FormatArgument ToFormatArgument(unsigned v) { return static_cast<std::int64_t>(v); }
inline FormatArgument ToFormatArgument(unsigned long v) { return static_cast<std::int64_t>(v); }
inline FormatArgument ToFormatArgument(const char* v) { return std::string_view(v); }

template <typename... Args>
std::string FormatText(std::string_view format, const Args&... args) {
  return FormatTextList(format, {ToFormatArgument(args)...});
}

// The shortest text that reads back (with ReadReal) to exactly the same double, e.g. "0.1",
// "-2.5e-07", "1e+300". Not-a-number and infinities print as "nan", "inf" and "-inf".
std::string ShortestRealText(double value);

// The double nearest to value written with 15 significant digits: the decimal number that a
// product such as 24 × 0.29 stands for (6.96), where the binary product lies an ulp beside it
// (6.959999999999999). Values that are not finite stay as they are.
double NearestDecimal(double value);

}  // namespace pelvar
