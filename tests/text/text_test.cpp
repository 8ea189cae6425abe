#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "text/cp1252.h"
#include "text/number_format.h"
#include "text/number_reader.h"

namespace pelvar {
namespace {

constexpr double kMax = std::numeric_limits<double>::max();

TEST(NumberReaderTest, IntegersInTheMannerOfAtoi) {
  EXPECT_EQ(ReadInteger("abc"), 0);
  EXPECT_EQ(ReadInteger(""), 0);
  EXPECT_EQ(ReadInteger("25"), 25);
  EXPECT_EQ(ReadInteger("3.7"), 3);
  EXPECT_EQ(ReadInteger(" 12xyz"), 12);
  EXPECT_EQ(ReadInteger("\t\n -7"), -7);
  EXPECT_EQ(ReadInteger("+42,"), 42);
  EXPECT_EQ(ReadInteger("- 5"), 0);
  EXPECT_EQ(ReadInteger("1e3"), 1);
  EXPECT_EQ(ReadInteger("0x1A"), 0);
  // Beyond the 32-bit range the value saturates instead of wrapping.
  EXPECT_EQ(ReadInteger("2147483647"), 2147483647);
  EXPECT_EQ(ReadInteger("2147483648"), 2147483647);
  EXPECT_EQ(ReadInteger("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ReadInteger("-99999999999999999999999"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ReadInteger("0000000000000000000000000012"), 12);
}

TEST(NumberReaderTest, RealsInTheMannerOfAtofButStrictlyDecimal) {
  EXPECT_EQ(ReadReal("1e3"), 1000.0);
  EXPECT_EQ(ReadReal("  -25.5kN"), -25.5);
  EXPECT_EQ(ReadReal(".5"), 0.5);
  EXPECT_EQ(ReadReal("5."), 5.0);
  EXPECT_EQ(ReadReal("1.e2"), 100.0);
  EXPECT_EQ(ReadReal("2E-3"), 0.002);
  EXPECT_EQ(ReadReal("1e"), 1.0);  // an exponent needs digits
  EXPECT_EQ(ReadReal("1e+"), 1.0);
  EXPECT_EQ(ReadReal("7e+2x"), 700.0);
  EXPECT_EQ(ReadReal("1,5"), 1.0);  // a decimal comma ends the number
  EXPECT_EQ(ReadReal("."), 0.0);
  EXPECT_EQ(ReadReal("-"), 0.0);
  EXPECT_EQ(ReadReal("abc"), 0.0);
  EXPECT_EQ(ReadReal("0.1"), 0.1);
  EXPECT_EQ(ReadReal("1234567.89"), 1234567.89);
  EXPECT_EQ(ReadReal("0.30000000000000004"), 0.1 + 0.2);
  // Not numbers in this grammar: infinity, not-a-number and hexadecimal.
  EXPECT_EQ(ReadReal("inf"), 0.0);
  EXPECT_EQ(ReadReal("-infinity"), 0.0);
  EXPECT_EQ(ReadReal("nan"), 0.0);
  EXPECT_EQ(ReadReal("0x10"), 0.0);
  // Beyond the double range: saturated, never infinite; below it: zero.
  EXPECT_EQ(ReadReal("1e400"), kMax);
  EXPECT_EQ(ReadReal("-1e99999999999999999999"), -kMax);
  EXPECT_EQ(ReadReal("123456789e308"), kMax);
  EXPECT_EQ(ReadReal("1e-400"), 0.0);
  EXPECT_EQ(ReadReal("0.000000001e-320"), 0.0);
  EXPECT_EQ(ReadReal("1.7976931348623157e308"), kMax);
  EXPECT_EQ(ReadReal("0e999999"), 0.0);
  EXPECT_EQ(ReadReal(std::string(400, '9')), kMax);
  // A whole text that is one number, blanks around it allowed; what ReadReal would read only in
  // part is not.
  for (const char* whole : {"1e3", "  -25.5 ", "\t.5", "5.", "1.e2", "-0", "1e400"}) {
    EXPECT_TRUE(IsWholeReal(whole)) << whole;
  }
  for (const char* part :
       {"-25.5kN", "1e", "1e+", "1,5", ".", "-", "", "  ", "abc", "inf", "0x10", "12 13"}) {
    EXPECT_FALSE(IsWholeReal(part)) << part;
  }
}

TEST(NumberFormatTest, PrintfConversions) {
  EXPECT_EQ(FormatText("%12.3f", 10.0), "      10.000");
  EXPECT_EQ(FormatText("%9.3f", 1.23456), "    1.235");
  EXPECT_EQ(FormatText("%14.1f", 1234567.89), "     1234567.9");
  EXPECT_EQ(FormatText("%14.1f", 1.5e12), "1500000000000.0");
  EXPECT_EQ(FormatText("%12.6f", -0.0001234), "   -0.000123");
  // Unlike printf, a value that rounds to zero drops its minus sign; one digit that is not 0
  // keeps it.
  EXPECT_EQ(FormatText("%12.3f", -0.0001), "       0.000");
  EXPECT_EQ(FormatText("%.3f|%.0f|%+.2f", -0.0, -0.4, -1e-14), "0.000|0|+0.00");
  EXPECT_EQ(FormatText("%.3f|%.0f", -0.0005001, -0.6), "-0.001|-1");
  EXPECT_EQ(FormatText("%6d", 3), "     3");
  EXPECT_EQ(FormatText("%4d", -12345), "-12345");
  EXPECT_EQ(FormatText("  %8d, %8d, %8d,", 3, 10, 2000), "         3,       10,     2000,");
  EXPECT_EQ(FormatText("%s,", "Demo.plv"), "Demo.plv,");
  EXPECT_EQ(FormatText("Page %d", 7), "Page 7");
  EXPECT_EQ(FormatText("%-5d|%05d|%+d|% d", 42, 42, 42, 42), "42   |00042|+42| 42");
  EXPECT_EQ(FormatText("100%%"), "100%");
  EXPECT_EQ(FormatText("%.2f", 2.675), "2.67");  // the double below 2.675 rounds down
  EXPECT_EQ(FormatText("%.0f", 0.5), "0");       // exact halves round to even, as printf does
  EXPECT_EQ(FormatText("%.3f", 1e300).size(), 301u + 4u);
  EXPECT_EQ(FormatText("%12.3f", std::numeric_limits<double>::infinity()), "         inf");
  EXPECT_THROW(FormatText("%d", 1.5), std::invalid_argument);
  EXPECT_THROW(FormatText("%f %f", 1.5), std::invalid_argument);
  EXPECT_THROW(FormatText("%s", 1), std::invalid_argument);
}

// The C library's own text, in the "C" locale. A %f whose digits are all zero may print without
// its minus sign, which is then the text of the value's magnitude.
bool SameAsPrintf(const std::string& text, const char* format, double value) {
  char printed[400];
  std::snprintf(printed, sizeof printed, format, value);
  if (text == printed) return true;
  if (std::string_view(printed).find_first_of("123456789") != std::string_view::npos) return false;
  std::snprintf(printed, sizeof printed, format, std::fabs(value));
  return text == printed;
}

// Ten thousand draws of three kinds: any bit pattern (the whole double range, subnormals
// included), values of the magnitudes engineers type, and binary fractions that sit exactly on
// the rounding halves of the printed decimals.
TEST(NumberTextTest, RandomDoublesReadBackExactlyAndPrintAsTheCLibraryDoes) {
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> decade(-8, 12);
  std::uniform_int_distribution<std::int64_t> numerator(-1000000, 1000000);
  std::uniform_int_distribution<int> halving(0, 12);
  std::uniform_int_distribution<std::int32_t> anyInteger(std::numeric_limits<std::int32_t>::min(),
                                                         std::numeric_limits<std::int32_t>::max());
  using Limits = std::numeric_limits<double>;
  std::vector<double> values = {
      0.1,  -2.5e-7, 1e300,         356.7796501234,      0.0, -0.0, 1 / 3.,
      kMax, -kMax,   Limits::min(), Limits::denorm_min()};
  while (values.size() < 10000) {
    const double bits = std::bit_cast<double>(random());
    if (std::isfinite(bits)) values.push_back(bits);
    values.push_back(mantissa(random) * std::pow(10.0, decade(random)));
    values.push_back(std::ldexp(static_cast<double>(numerator(random)), -halving(random)));
  }
  int differences = 0;
  for (const double v : values) {
    const std::string text = ShortestRealText(v);
    const double back = ReadReal(text);
    EXPECT_TRUE(back == v && std::signbit(back) == std::signbit(v)) << text;
    for (const char* format : {"%12.3f", "%9.3f", "%12.6f", "%14.1f"}) {
      const std::string printed = FormatText(format, v);
      const bool same = SameAsPrintf(printed, format, v);
      EXPECT_TRUE(same) << format << " of " << text << ": " << printed;
      if (!same && ++differences == 20) FAIL() << "and more";
    }
  }
  char printed[16];
  for (int i = 0; i < 10000; ++i) {
    const std::int32_t n =
        i % 2 == 0 ? anyInteger(random) : static_cast<std::int32_t>(numerator(random));
    std::snprintf(printed, sizeof printed, "%6d", n);
    EXPECT_EQ(FormatText("%6d", n), printed);
    EXPECT_EQ(ReadInteger(printed), n);
  }
  EXPECT_EQ(ShortestRealText(0.1), "0.1");
  EXPECT_EQ(ShortestRealText(-2.5), "-2.5");
  // A product of decimals as the decimal it stands for, where the binary one lies an ulp off.
  EXPECT_EQ(ShortestRealText(24 * 0.29), "6.959999999999999");
  EXPECT_EQ(ShortestRealText(NearestDecimal(24 * 0.29)), "6.96");
  EXPECT_EQ(NearestDecimal(1.0 / 3.0), 0.333333333333333);
  EXPECT_EQ(NearestDecimal(-1e300 * 7), -7e300);
}

// Qt sets the process locale from the environment; a comma locale must change nothing.
TEST(NumberTextTest, IndependentOfACommaLocale) {
  const char* locale = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (locale == nullptr) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(FormatText("%12.3f", 1234.5), "    1234.500");
  EXPECT_EQ(ReadReal("1234.5"), 1234.5);
  EXPECT_EQ(ReadReal("1,5"), 1.0);
  EXPECT_EQ(ShortestRealText(0.25), "0.25");
  std::setlocale(LC_ALL, "C");
}

TEST(Cp1252Test, ConvertsBothWaysAndMarksWhatItCannotHold) {
  EXPECT_EQ(Utf8ToCp1252("kN/m\xC2\xB2"), "kN/m\xB2");
  EXPECT_EQ(Utf8ToCp1252("kN/m\xC2\xB3"), "kN/m\xB3");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC 5"), "\x80 5");  // euro sign
  EXPECT_EQ(Utf8ToCp1252("Stra\xC3\x9F"
                         "e"),
            "Stra\xDF"
            "e");
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD|\xF0\x9F\x98\x80|"), "?|?|");  // CJK and emoji
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");                               // cut sequence
  EXPECT_EQ(Utf8ToCp1252("a\x80z"), "a?z");                           // stray continuation
  EXPECT_EQ(Cp1252ToUtf8("kNm\xB2"), "kNm\xC2\xB2");
  EXPECT_EQ(Cp1252ToUtf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");
  // Every byte survives the round trip, the five unassigned ones included.
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
  EXPECT_EQ(Cp1252FromCodePoint(U'\u2014'), '\x97');
  EXPECT_EQ(Cp1252FromCodePoint(U'\u0100'), '?');
  EXPECT_EQ(CodePointFromCp1252(0xB3), U'\u00B3');

  // A file's name: UTF-8 where it is well formed, every other byte as the Windows-1252 byte it
  // is, the overlong form of "/", a surrogate and a cut sequence included.
  EXPECT_EQ(FileNameToCp1252("caf\xC3\xA9 caf\xE9 \xE2\x82\xAC\x80 \xCE\xA9.plv"),
            "caf\xE9 caf\xE9 \x80\x80 ?.plv");
  EXPECT_EQ(FileNameToCp1252("\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE2\x82"),
            "\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE2\x82");
  char32_t cp = 0;
  EXPECT_EQ(Utf8CharacterAt("\xF0\x9F\x98\x80!", cp), 4u);
  EXPECT_EQ(cp, U'\U0001F600');
  EXPECT_EQ(Utf8CharacterAt("\xE0\x80\xAF", cp), 0u);  // overlong
  EXPECT_EQ(Utf8CharacterAt("", cp), 0u);
}

}  // namespace
}  // namespace pelvar
