#pragma once
// Conversion between Windows-1252, the single-byte code page of the problem's texts and data
// files, and Unicode. Characters that Windows-1252 cannot hold become "?".

#include <string>
#include <string_view>

namespace pelvar {

char32_t CodePointFromCp1252(unsigned char byte);
// The Windows-1252 byte for a code point, or '?' when the code page has none.
char Cp1252FromCodePoint(char32_t codePoint);

std::string Cp1252ToUtf8(std::string_view bytes);
// Invalid UTF-8 sequences count as one unknown character each.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace pelvar
