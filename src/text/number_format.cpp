#include "text/number_format.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace pelvar {
namespace {

struct Spec {
  bool leftAlign = false, plusSign = false, blankSign = false, zeroPad = false;
  int width = 0;
  int precision = -1;
};

void Pad(std::string& out, std::string_view sign, std::string_view body, const Spec& spec,
         bool zeroPadAllowed) {
  const std::size_t length = sign.size() + body.size();
  const std::size_t fill = spec.width > 0 && static_cast<std::size_t>(spec.width) > length
                               ? static_cast<std::size_t>(spec.width) - length
                               : 0;
  if (spec.leftAlign) {
    out.append(sign).append(body).append(fill, ' ');
  } else if (spec.zeroPad && zeroPadAllowed) {
    out.append(sign).append(fill, '0').append(body);
  } else {
    out.append(fill, ' ').append(sign).append(body);
  }
}

std::string_view SignOf(bool negative, const Spec& spec) {
  if (negative) return "-";
  if (spec.plusSign) return "+";
  if (spec.blankSign) return " ";
  return "";
}

void FormatInteger(std::string& out, std::int64_t value, const Spec& spec) {
  char digits[32];
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  const auto result = std::to_chars(digits, digits + sizeof digits, magnitude);
  std::string_view body(digits, static_cast<std::size_t>(result.ptr - digits));
  std::string padded;
  if (spec.precision >= 0) {
    // printf: the precision is the least number of digits; 0 with precision 0 prints nothing.
    if (spec.precision == 0 && magnitude == 0) body = {};
    if (body.size() < static_cast<std::size_t>(spec.precision)) {
      padded.assign(static_cast<std::size_t>(spec.precision) - body.size(), '0');
      padded.append(body);
      body = padded;
    }
  }
  Pad(out, SignOf(value < 0, spec), body, spec, spec.precision < 0);
}

void FormatFixed(std::string& out, double value, const Spec& spec) {
  const int precision = spec.precision < 0 ? 6 : spec.precision;
  const bool negative = std::signbit(value);
  if (std::isnan(value)) {
    Pad(out, SignOf(negative, spec), "nan", spec, false);
    return;
  }
  if (std::isinf(value)) {
    Pad(out, SignOf(negative, spec), "inf", spec, false);
    return;
  }
  // The largest double has 309 integer digits; the precision is bounded by the format text.
  char digits[400];
  if (precision > 60) throw std::invalid_argument("format precision too large");
  const auto result = std::to_chars(digits, digits + sizeof digits, std::fabs(value),
                                    std::chars_format::fixed, precision);
  Pad(out, SignOf(negative, spec),
      std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)), spec, true);
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
    Spec spec;
    for (; i < format.size(); ++i) {
      const char f = format[i];
      if (f == '-')
        spec.leftAlign = true;
      else if (f == '+')
        spec.plusSign = true;
      else if (f == ' ')
        spec.blankSign = true;
      else if (f == '0')
        spec.zeroPad = true;
      else
        break;
    }
    for (; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i)
      spec.width = spec.width * 10 + (format[i] - '0');
    if (i < format.size() && format[i] == '.') {
      spec.precision = 0;
      for (++i; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i)
        spec.precision = spec.precision * 10 + (format[i] - '0');
    }
    if (i >= format.size() || next == args.end() || spec.width > 1000) Mismatch(format);
    const FormatArgument& arg = *next++;
    switch (format[i]) {
      case 'd':
      case 'i':
        if (!std::holds_alternative<std::int64_t>(arg)) Mismatch(format);
        FormatInteger(out, std::get<std::int64_t>(arg), spec);
        break;
      case 'f':
      case 'F':
        if (!std::holds_alternative<double>(arg)) Mismatch(format);
        FormatFixed(out, std::get<double>(arg), spec);
        break;
      case 's': {
        if (!std::holds_alternative<std::string_view>(arg)) Mismatch(format);
        std::string_view text = std::get<std::string_view>(arg);
        if (spec.precision >= 0 && text.size() > static_cast<std::size_t>(spec.precision))
          text = text.substr(0, static_cast<std::size_t>(spec.precision));
        Pad(out, "", text, spec, false);
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

}  // namespace pelvar
