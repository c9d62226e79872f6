#include "ui/languages.h"

#include <json/json.h>

#include <memory>

#include "skinui/combo.h"
#include "skinui/draw_engine.h"
#include "skinui/label.h"
#include "skinui/language_strings.h"
#include "skinui/skin_files.h"
#include "skinui/window_manager.h"
#include "utils/installer_settings.h"
#include "utils/text_conversion.h"

namespace {

constexpr const wchar_t* kComboName = L"languageCombo";

// UTF-8 to UTF-16, characters beyond 16 bits as surrogate pairs; text that is not valid UTF-8
// gives the empty string.
std::wstring StrictUtf8ToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length =
      ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &wide[0],
                            length) != length)
    return std::wstring();
  return wide;
}

int ResolveIndex(int index, const std::wstring& code) {
  const auto& codes = NarrowLanguageCodes();
  if (!code.empty()) {
    const std::string narrow = Utils::WideToMultiByte(code, CP_ACP);
    for (size_t i = 0; i < codes.size(); ++i) {
      if (codes[i] == narrow) return static_cast<int>(i);
    }
    return index;
  }
  return index >= 0 && static_cast<size_t>(index) < codes.size() ? index : 0;
}

// One element of the file: its id and its text in the language `code` (empty when missing).
void EnterElement(const Json::Value& element, const std::string& code) {
  // Elements that are not objects, or ids that are no integer, cannot name a text.
  if (!element.isObject()) return;
  const Json::Value& id = element["id"];
  if (!id.isInt()) return;
  std::wstring text;
  if (!code.empty()) {
    const Json::Value& member = element[code];
    if (member.isString()) text = StrictUtf8ToWide(member.asString());
  }
  SkinUI::AddLanguageString(id.asInt(), text);
}

SkinUI::CComboUI* LanguageCombo(SkinUI::CWindowManagerUI& manager) {
  SkinUI::CControlUI* control = manager.FindControlByName(kComboName);
  return control ? static_cast<SkinUI::CComboUI*>(control->FindInterface(L"Combo")) : nullptr;
}

void RequestRootLayout(SkinUI::CWindowManagerUI& manager) {
  if (SkinUI::CControlUI* root = manager.RootControl()) root->RequestLayout();
}

}  // namespace

int LoadLanguage(int index, const std::wstring& code) {
  std::vector<unsigned char> bytes;
  if (SkinUI::ReadSkinFile(L"language.json", kMaxLanguageFileSize, bytes) != SkinUI::SkinFileStatus::kOk ||
      bytes.empty())
    return 0;
  const int resolved = ResolveIndex(index, code);

  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  const char* begin = reinterpret_cast<const char*>(bytes.data());
  if (!reader->parse(begin, begin + bytes.size(), &root, &errors)) return resolved;

  const auto& codes = NarrowLanguageCodes();
  const std::string languageCode =
      resolved >= 0 && static_cast<size_t>(resolved) < codes.size() ? codes[static_cast<size_t>(resolved)] : "";
  // Arrays in order; an object's members in the order of their names.
  if (root.isArray() || root.isObject()) {
    for (const Json::Value& element : root) EnterElement(element, languageCode);
  }
  return resolved;
}

int ApplyLanguage(SkinUI::CWindowManagerUI& manager, int index) {
  const int applied = LoadLanguage(index, std::wstring());
  RequestRootLayout(manager);
  FitLabelWidth(manager, L"lbLanguage");
  FitLabelWidth(manager, L"lbInstallPath");
  FitLabelWidth(manager, L"backBtn");
  InstallerSettings::Instance().Language = applied;
  return applied;
}

void FitLabelWidth(SkinUI::CWindowManagerUI& manager, const std::wstring& name) {
  SkinUI::CControlUI* control = manager.FindControlByName(name);
  if (!control) return;
  int font = -1;
  long paddingLeft = 0;
  if (auto* label = static_cast<SkinUI::CLabelUI*>(control->FindInterface(L"Label"))) {
    font = label->FontIndex();
    paddingLeft = label->TextPadding().left;
  }
  const RECT box = {0, 0, 9999, 100};
  const RECT need =
      SkinUI::CDrawEngine::MeasureText(nullptr, &manager, box, control->Text(), font, DT_SINGLELINE | DT_NOPREFIX);
  control->SetFixedWidth(static_cast<int>((need.right - need.left) + paddingLeft));
}

std::wstring GetLanguageCode(SkinUI::CWindowManagerUI& manager) {
  SkinUI::CComboUI* combo = LanguageCombo(manager);
  return combo ? LanguageCodeAt(combo->GetCurSel()) : std::wstring();
}

int ReadInstalledLanguage(SkinUI::CWindowManagerUI& manager, const std::wstring& directory) {
  std::wstring path = directory;
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  path += L"config.ini";
  std::wstring code;
  if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    wchar_t value[261] = {};
    ::GetPrivateProfileStringW(L"Install", L"Language", L"en-US", value, 261, path.c_str());
    code = value;
  }
  const int index = LoadLanguage(0, code);
  RequestRootLayout(manager);
  return index;
}

int SelectStartLanguage(SkinUI::CWindowManagerUI& manager) {
  SkinUI::CComboUI* combo = LanguageCombo(manager);
  if (!combo) return -1;
  int index = InstallerSettings::Instance().Language;
  if (index == -1) index = LanguageFromSystem();
  combo->SelectItem(index, false, true);
  return ApplyLanguage(manager, index);
}

int SelectInstalledLanguage(SkinUI::CWindowManagerUI& manager, const std::wstring& directory) {
  const int index = ReadInstalledLanguage(manager, directory);
  if (SkinUI::CComboUI* combo = LanguageCombo(manager)) combo->SelectItem(index, false, true);
  return index;
}
