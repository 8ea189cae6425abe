#pragma once
// Conversion between Windows-1252, the single-byte code page of the problem's texts and data
// files, and Unicode. Characters that Windows-1252 cannot hold become "?".

#include <cstddef>
#include <string>
#include <string_view>

namespace pelvar {

char32_t CodePointFromCp1252(unsigned char byte);
// The Windows-1252 byte for a code point, or '?' when the code page has none.
char Cp1252FromCodePoint(char32_t codePoint);

std::string Cp1252ToUtf8(std::string_view bytes);
// Invalid UTF-8 sequences count as one unknown character each.
std::string Utf8ToCp1252(std::string_view utf8);

// The length (1 to 4) of the well-formed UTF-8 character at the start of bytes, with its code
// point; 0 where none starts there (a stray or cut sequence, an overlong form, a surrogate, a
// code point beyond U+10FFFF).
std::size_t Utf8CharacterAt(std::string_view bytes, char32_t& codePoint);

// A file's name, in the bytes the system gives, as the problem's Windows-1252 text: its UTF-8
// characters converted, and every other byte taken as the Windows-1252 byte it is. Names that
// are not UTF-8 were almost always written in Latin-1 or Windows-1252, so 0xE9 stays an "é".
std::string FileNameToCp1252(std::string_view name);

}  // namespace pelvar
