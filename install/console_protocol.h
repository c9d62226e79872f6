// Reading values out of the key=value lines that the package installer and the old uninstaller
// print. A key counts only at the very start of a line; what follows it is its value.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ConsoleProtocol {

// Text values are read into a buffer of this many characters: a longer value reads as empty.
constexpr size_t kValueBufferSize = 772;

// True when line begins with key; value then holds the rest of the line, or the empty text when
// it does not fit the value buffer.
bool MatchText(const std::wstring& line, const wchar_t* key, std::wstring& value);
// The same with the value read as a decimal fraction (0 when nothing converts or the number is
// not finite).
bool MatchNumber(const std::wstring& line, const wchar_t* key, double& value);
// The same with the value read as a 32-bit integer, taken modulo 2^32 (0 when nothing converts).
bool MatchInteger(const std::wstring& line, const wchar_t* key, int& value);
// "1.2.3" after key: stores the numbers that convert, from the left, and leaves the others.
bool MatchVersion(const std::wstring& line, const wchar_t* key, int (&numbers)[3]);

// White space removed at both ends.
std::wstring Trim(const std::wstring& text);

// Calls onLine for each line of text, without its line end (LF or CRLF: a CR is no part of a value).
void ForEachLine(const std::wstring& text, const std::function<void(const std::wstring&)>& onLine);

// The code page an "Encode=" value of the package installer selects: "UTF8" and "ACP", or a
// decimal number. A number without digits, out of range or naming a code page this system does
// not have selects the ANSI code page (0), so that later lines stay readable.
UINT CodePageFromEncodeValue(const std::wstring& trimmedValue);

}  // namespace ConsoleProtocol
