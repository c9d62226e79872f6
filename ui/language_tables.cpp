#include <windows.h>

#include "ui/languages.h"

namespace {

// Index order is fixed: it is the item order of "languageCombo" and the "-language" option.
const char* const kCodes[] = {"en-US", "zh-CN", "zh-TW", "id-ID", "tr-TR", "de-DE", "fr-FR", "es-ES",
                              "pt-PT", "ja-JP", "ko-KR", "pl-PL", "nl-NL", "it-IT", "ru-RU"};

}  // namespace

const std::vector<std::string>& NarrowLanguageCodes() {
  static const std::vector<std::string> codes(std::begin(kCodes), std::end(kCodes));
  return codes;
}

const std::vector<std::wstring>& WideLanguageCodes() {
  static const std::vector<std::wstring> codes = [] {
    std::vector<std::wstring> wide;
    for (const char* code : kCodes) wide.emplace_back(code, code + std::char_traits<char>::length(code));
    return wide;
  }();
  return codes;
}

std::wstring LanguageCodeAt(int index) {
  const auto& codes = WideLanguageCodes();
  if (index < 0 || static_cast<size_t>(index) >= codes.size()) return std::wstring();
  return codes[static_cast<size_t>(index)];
}

int LanguageFromLangId(LANGID language) {
  // Every Spanish sublanguage (1 to 20) is Spanish; Simplified Chinese is not listed.
  if (PRIMARYLANGID(language) == LANG_SPANISH && SUBLANGID(language) >= 1 && SUBLANGID(language) <= 20) return 7;
  switch (language) {
    case 0x0409: return 0;
    case 0x0404: return 2;
    case 0x0421: return 3;
    case 0x041F: return 4;
    case 0x0407: return 5;
    case 0x040C: return 6;
    case 0x0416: return 8;
    case 0x0411: return 9;
    case 0x0412: return 10;
    case 0x0415: return 11;
    case 0x0413:
    case 0x0813: return 12;
    case 0x0410: return 13;
    case 0x0419: return 14;
    default: return 0;
  }
}

int LanguageFromSystem() { return LanguageFromLangId(::GetUserDefaultUILanguage()); }
