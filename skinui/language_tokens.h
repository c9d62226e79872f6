// Language tokens in control texts: "%{N}" stands for the language string registered under N.
#pragma once

#include <string>

namespace SkinUI {

// The text with every "%{N}" (N decimal digits) whose number has a registered language string
// replaced by it; tokens without a registered string, and malformed ones, stay as written.
std::wstring ReplaceLanguageTokens(const std::wstring& text);

}  // namespace SkinUI
