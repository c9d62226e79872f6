// The process-wide language table: texts by decimal id, referenced from control texts.
// Window thread only, like every table of the framework.
#pragma once

#include <string>

namespace SkinUI {

// Stores the text for the id, replacing an earlier one.
void AddLanguageString(int id, const std::wstring& text);
// Null when no text is registered for the id.
const std::wstring* FindLanguageString(int id);
void RemoveAllLanguageStrings();

}  // namespace SkinUI
