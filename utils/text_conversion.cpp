#include "utils/text_conversion.h"

#include <new>

namespace Utils {

std::wstring MultiByteToWide(const std::string& text, UINT codePage) {
  const int length = ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring result;
  try {
    result.resize(static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    return std::wstring();
  }
  if (::MultiByteToWideChar(codePage, 0, text.c_str(), -1, &result[0], length) <= 0) return std::wstring();
  result.resize(static_cast<size_t>(length) - 1);  // the length counted the terminating zero
  return result;
}

std::string WideToMultiByte(const std::wstring& text, UINT codePage) {
  const int length = ::WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string result;
  try {
    result.resize(static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    return std::string();
  }
  if (::WideCharToMultiByte(codePage, 0, text.c_str(), -1, &result[0], length, nullptr, nullptr) <= 0) {
    return std::string();
  }
  result.resize(static_cast<size_t>(length) - 1);
  return result;
}

}  // namespace Utils
