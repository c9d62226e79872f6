// The small pattern dialect the system HTTP client reads response headers with: braces delimit
// the captured group, "\b" is a space or tab, "\n" any line end (CR, LF or CR LF), '.' any
// character, and matching ignores case. Matching takes memory and stack in proportion to the
// pattern only: a header of any length is safe (the standard library's engine recursed once per
// character and overflowed a worker's stack on a long header).
#pragma once

#include <string>
#include <vector>

namespace WinHttpPatterns {

// The header patterns: charset, declared length, redirect target (up to and including the
// first line feed), each cookie, and the two tags of the cut-short page test.
extern const wchar_t* const kCharset;
extern const wchar_t* const kContentLength;
extern const wchar_t* const kLocation;
extern const wchar_t* const kSetCookie;
extern const wchar_t* const kHtmlOpen;
extern const wchar_t* const kHtmlClose;

// Every match of the pattern in the text, searching on behind each match; the first group of
// each, once (duplicates compared ignoring case). False when the pattern or the text is empty,
// the pattern does not parse, or memory runs out.
bool CollectMatches(const std::wstring& pattern, const std::wstring& text, std::vector<std::wstring>* results);

// Cookie values as one request header value: "a=1; b=2;", each value trimmed of blanks and of
// its own closing ';'. Empty when there are none.
std::wstring JoinCookies(const std::vector<std::wstring>& values);

}  // namespace WinHttpPatterns
