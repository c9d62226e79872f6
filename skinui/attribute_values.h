// Readers for the value syntax shared by markup attributes: numbers separated by single
// characters, hexadecimal colours, "true", and case-insensitive names.
#pragma once

#include <cstdint>

namespace SkinUI {

// Reads up to `count` decimal integers, each followed by one separator character of any
// kind; a value that is no number reads as 0, and values after the end of the text are 0.
// Never reads past the end of the text.
void ReadNumberList(const wchar_t* text, long* values, int count);

// Hexadecimal 32-bit value after leading whitespace and one optional "#" ("0x" is accepted
// too); anything unreadable is 0.
uint32_t ReadHexValue(const wchar_t* text);

// Booleans in markup are true only for the exact text "true".
bool IsTrueText(const wchar_t* text);

// Ordinal comparison ignoring case, for element and attribute names; null equals nothing.
bool EqualsNoCase(const wchar_t* a, const wchar_t* b);

}  // namespace SkinUI
