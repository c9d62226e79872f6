#include "skinui/language_strings.h"

#include <map>

namespace SkinUI {
namespace {

std::map<int, std::wstring>& Table() {
  static std::map<int, std::wstring> table;
  return table;
}

}  // namespace

void AddLanguageString(int id, const std::wstring& text) { Table()[id] = text; }

const std::wstring* FindLanguageString(int id) {
  auto it = Table().find(id);
  return it == Table().end() ? nullptr : &it->second;
}

void RemoveAllLanguageStrings() { Table().clear(); }

}  // namespace SkinUI
