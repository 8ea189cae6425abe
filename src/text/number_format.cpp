#include "text/number_format.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "text/number_reader.h"

namespace pelvar {
namespace {

struct Conversion {
  bool leftAlign = false, plusSign = false, blankSign = false, zeroPad = false;
  int width = 0;
  int precision = -1;
};

void Pad(std::string& out, std::string_view sign, std::string_view body,
         const Conversion& conversion, bool zeroPadAllowed) {
  const std::size_t length = sign.size() + body.size();
  const std::size_t fill =
      conversion.width > 0 && static_cast<std::size_t>(conversion.width) > length
          ? static_cast<std::size_t>(conversion.width) - length
          : 0;
  if (conversion.leftAlign) {
    out.append(sign).append(body).append(fill, ' ');
  } else if (conversion.zeroPad && zeroPadAllowed) {
    out.append(sign).append(fill, '0').append(body);
  } else {
    out.append(fill, ' ').append(sign).append(body);
  }
}

std::string_view SignOf(bool negative, const Conversion& conversion) {
  if (negative) return "-";
  if (conversion.plusSign) return "+";
  if (conversion.blankSign) return " ";
  return "";
}

void FormatInteger(std::string& out, std::int64_t value, const Conversion& conversion) {
  char digits[32];
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  const auto result = std::to_chars(digits, digits + sizeof digits, magnitude);
  std::string_view body(digits, static_cast<std::size_t>(result.ptr - digits));
  std::string padded;
  if (conversion.precision >= 0) {
    // printf: the precision is the least number of digits; 0 with precision 0 prints nothing.
    if (conversion.precision == 0 && magnitude == 0) body = {};
    if (body.size() < static_cast<std::size_t>(conversion.precision)) {
      padded.assign(static_cast<std::size_t>(conversion.precision) - body.size(), '0');
      padded.append(body);
      body = padded;
    }
  }
  Pad(out, SignOf(value < 0, conversion), body, conversion, conversion.precision < 0);
}

void FormatFixed(std::string& out, double value, const Conversion& conversion) {
  const int precision = conversion.precision < 0 ? 6 : conversion.precision;
  const bool negative = std::signbit(value);
  if (std::isnan(value)) {
    Pad(out, SignOf(negative, conversion), "nan", conversion, false);
    return;
  }
  if (std::isinf(value)) {
    Pad(out, SignOf(negative, conversion), "inf", conversion, false);
    return;
  }
  // The largest double has 309 integer digits; the precision is bounded by the format text.
  char digits[400];
  if (precision > 60) throw std::invalid_argument("format precision too large");
  const auto result = std::to_chars(digits, digits + sizeof digits, std::fabs(value),
                                    std::chars_format::fixed, precision);
  const std::string_view body(digits, static_cast<std::size_t>(result.ptr - digits));
  // A value that rounds to zero is shown without a minus sign: rounding noise is no result.
  const bool shownZero = body.find_first_not_of("0.") == std::string_view::npos;
  Pad(out, SignOf(negative && !shownZero, conversion), body, conversion, true);
}

[[noreturn]] void Mismatch(std::string_view format) {
  throw std::invalid_argument("format argument does not match: " + std::string(format));
}

}  // namespace

std::string FormatTextList(std::string_view format, std::initializer_list<FormatArgument> args) {
  std::string out;
  out.reserve(format.size() + 16);
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%') {
      out.push_back(c);
      continue;
    }
    if (++i >= format.size()) Mismatch(format);
    if (format[i] == '%') {
      out.push_back('%');
      continue;
    }
    Conversion conversion;
    for (; i < format.size(); ++i) {
      const char f = format[i];
      if (f == '-')
        conversion.leftAlign = true;
      else if (f == '+')
        conversion.plusSign = true;
      else if (f == ' ')
        conversion.blankSign = true;
      else if (f == '0')
        conversion.zeroPad = true;
      else
        break;
    }
    for (; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i)
      conversion.width = conversion.width * 10 + (format[i] - '0');
    if (i < format.size() && format[i] == '.') {
      conversion.precision = 0;
      for (++i; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i)
        conversion.precision = conversion.precision * 10 + (format[i] - '0');
    }
    if (i >= format.size() || next == args.end() || conversion.width > 1000) Mismatch(format);
    const FormatArgument& arg = *next++;
    switch (format[i]) {
      case 'd':
      case 'i':
        if (!std::holds_alternative<std::int64_t>(arg)) Mismatch(format);
        FormatInteger(out, std::get<std::int64_t>(arg), conversion);
        break;
      case 'f':
      case 'F':
        if (!std::holds_alternative<double>(arg)) Mismatch(format);
        FormatFixed(out, std::get<double>(arg), conversion);
        break;
      case 's': {
        if (!std::holds_alternative<std::string_view>(arg)) Mismatch(format);
        std::string_view text = std::get<std::string_view>(arg);
        if (conversion.precision >= 0 &&
            text.size() > static_cast<std::size_t>(conversion.precision))
          text = text.substr(0, static_cast<std::size_t>(conversion.precision));
        Pad(out, "", text, conversion, false);
        break;
      }
      default:
        Mismatch(format);
    }
  }
  if (next != args.end()) Mismatch(format);
  return out;
}

std::string ShortestRealText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, static_cast<std::size_t>(result.ptr - digits));
}

double NearestDecimal(double value) {
  if (!std::isfinite(value)) return value;
  char digits[64];
  const auto written =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
  return ReadReal(std::string_view(digits, static_cast<std::size_t>(written.ptr - digits)));
}

}  // namespace pelvar
