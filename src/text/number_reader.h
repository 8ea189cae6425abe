#pragma once
// The one reader for numbers typed into the tables or read from data files.
//
// It works in the manner of C's atoi and atof, but with a strictly decimal grammar and
// independent of the process locale: leading white space is skipped, then an optional sign,
// digits, for reals an optional "." with digits and an optional exponent. Reading stops at the
// first character that does not fit; text without a leading number reads as 0. "inf", "nan"
// and hexadecimal forms are not numbers here. Values beyond the range saturate: integers to the
// 32-bit limits, reals to the largest finite double, so a real read is always finite.

#include <cstdint>
#include <string_view>

namespace pelvar {

std::int32_t ReadInteger(std::string_view text);
double ReadReal(std::string_view text);
// Whether the whole text is one real as ReadReal reads it, blanks around it allowed: the test
// for values that come in as a block (a paste), where the rest of a text would be lost unseen.
bool IsWholeReal(std::string_view text);

}  // namespace pelvar
