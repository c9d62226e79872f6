#include "install/console_protocol.h"

#include <sstream>

#include <cmath>
#include <cstdint>
#include <cwchar>
#include <cwctype>

namespace ConsoleProtocol {

namespace {

bool StartsWith(const std::wstring& line, const wchar_t* key, size_t* keyLength) {
  *keyLength = std::wcslen(key);
  return line.compare(0, *keyLength, key) == 0;
}

// Skips leading white space, then reads an optional sign and decimal digits as the C runtime's
// "%d" does, wrapping modulo 2^32. Returns false when no digit follows.
bool ReadInteger(const wchar_t*& p, int& value) {
  while (*p && std::iswspace(*p)) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
  if (*p < L'0' || *p > L'9') return false;
  uint32_t magnitude = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) magnitude = magnitude * 10u + static_cast<uint32_t>(*p - L'0');
  if (negative) magnitude = 0u - magnitude;
  value = static_cast<int>(magnitude);
  return true;
}

}  // namespace

bool MatchText(const std::wstring& line, const wchar_t* key, std::wstring& value) {
  size_t keyLength = 0;
  if (!StartsWith(line, key, &keyLength)) return false;
  value = line.size() - keyLength < kValueBufferSize ? line.substr(keyLength) : std::wstring();
  return true;
}

bool MatchNumber(const std::wstring& line, const wchar_t* key, double& value) {
  size_t keyLength = 0;
  if (!StartsWith(line, key, &keyLength)) return false;
  const wchar_t* begin = line.c_str() + keyLength;
  wchar_t* end = nullptr;
  const double number = std::wcstod(begin, &end);
  value = end != begin && std::isfinite(number) ? number : 0.0;
  return true;
}

bool MatchInteger(const std::wstring& line, const wchar_t* key, int& value) {
  size_t keyLength = 0;
  if (!StartsWith(line, key, &keyLength)) return false;
  const wchar_t* p = line.c_str() + keyLength;
  if (!ReadInteger(p, value)) value = 0;
  return true;
}

bool MatchVersion(const std::wstring& line, const wchar_t* key, int (&numbers)[3]) {
  size_t keyLength = 0;
  if (!StartsWith(line, key, &keyLength)) return false;
  const wchar_t* p = line.c_str() + keyLength;
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && *p++ != L'.') break;
    int number = 0;
    if (!ReadInteger(p, number)) break;
    numbers[i] = number;
  }
  return true;
}

std::wstring Trim(const std::wstring& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::iswspace(text[begin])) ++begin;
  while (end > begin && std::iswspace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

UINT CodePageFromEncodeValue(const std::wstring& trimmedValue) {
  if (trimmedValue == L"UTF8") return CP_UTF8;
  if (trimmedValue == L"ACP") return CP_ACP;
  const wchar_t* p = trimmedValue.c_str();
  while (*p && std::iswspace(*p)) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
  uint64_t number = 0;
  bool digits = false;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    digits = true;
    number = number * 10u + static_cast<uint64_t>(*p - L'0');
    if (number > 0xFFFFFFFFull) return CP_ACP;
  }
  if (!digits || negative || number == 0) return CP_ACP;
  const UINT codePage = static_cast<UINT>(number);
  wchar_t probe[2] = {};
  return ::MultiByteToWideChar(codePage, 0, "A", 1, probe, 2) == 1 ? codePage : CP_ACP;
}

void ForEachLine(const std::wstring& text, const std::function<void(const std::wstring&)>& onLine) {
  std::wistringstream lines(text);
  std::wstring line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    onLine(line);
  }
}

}  // namespace ConsoleProtocol
