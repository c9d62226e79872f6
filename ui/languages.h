// The installer's interface languages: fifteen languages by index, the choice from the system,
// the texts of "language.json" in the skin entered in the framework's language table, and the
// optional "languageCombo" through which the user changes the language.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace SkinUI {
class CWindowManagerUI;
}

// The language table (index -> code), wide for the package installer, narrow for the member
// names of "language.json". Built once, on first use.
const std::vector<std::wstring>& WideLanguageCodes();
const std::vector<std::string>& NarrowLanguageCodes();
// The code of an index of the table; empty outside it.
std::wstring LanguageCodeAt(int index);

// The index for a user-interface language identifier (0 for any not listed).
int LanguageFromLangId(LANGID language);
// The index for the user's default user-interface language.
int LanguageFromSystem();

// "language.json" may hold at most this many bytes.
constexpr unsigned long kMaxLanguageFileSize = 4UL * 1024 * 1024;

// Resolves the index (a known non-empty code wins; an empty code keeps an index of the table,
// else 0) and enters the texts of that language from "language.json" of the skin. Returns 0
// when the file is missing, empty, too large or unreadable (no text changes then).
int LoadLanguage(int index, const std::wstring& code);

// LoadLanguage(index, empty), a new layout of the window, the three labels refitted, and the
// applied index stored in the settings' Language. Returns the applied index.
int ApplyLanguage(SkinUI::CWindowManagerUI& manager, int index);

// Fixes the named control's width to its current text (language tokens resolved) in its font,
// plus its left text padding. Nothing happens when the window has no such control.
void FitLabelWidth(SkinUI::CWindowManagerUI& manager, const std::wstring& name);

// The code of the item chosen in "languageCombo"; empty when the window has no such combo or
// none of the table's items is chosen.
std::wstring GetLanguageCode(SkinUI::CWindowManagerUI& manager);

// The language of an earlier installation in `directory` ("config.ini", [Install] Language,
// default "en-US"; no file means no code), loaded like LoadLanguage(0, code) with a new layout.
// Returns the resolved index.
int ReadInstalledLanguage(SkinUI::CWindowManagerUI& manager, const std::wstring& directory);

// The start-up choice of a window with "languageCombo": the settings' Language, or the system's
// when none was given, selected in the combo (its "itemselect" follows) and applied. Returns the
// applied index, or -1 when the window has no "languageCombo".
int SelectStartLanguage(SkinUI::CWindowManagerUI& manager);
// Selects the language of an earlier installation in the combo, when the window has one (its
// "itemselect" applies it). Returns the index ReadInstalledLanguage gave.
int SelectInstalledLanguage(SkinUI::CWindowManagerUI& manager, const std::wstring& directory);
