#include "app/shell/ToolBarCustomization.h"

#include <cwchar>
#include <string>

std::set<int> CToolBarCustomization::Load(CRegistryProfile& profile, const wchar_t* bar, const std::set<int>& commands) {
  // Decimal command ids separated by commas; anything else is skipped.
  const CString stored = profile.GetProfileString(kSection, bar, L"");
  std::set<int> hidden;
  const std::wstring text(stored.GetString());
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L',', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring part = text.substr(start, end - start);
    wchar_t* rest = nullptr;
    const long value = part.empty() ? 0 : std::wcstol(part.c_str(), &rest, 10);
    if (!part.empty() && rest != nullptr && *rest == L'\0' && commands.count(static_cast<int>(value)) != 0) {
      hidden.insert(static_cast<int>(value));
    }
    start = end + 1;
  }
  return hidden;
}

bool CToolBarCustomization::Store(CRegistryProfile& profile, const wchar_t* bar, const std::set<int>& hidden) {
  std::wstring text;
  for (int command : hidden) {
    if (!text.empty()) text += L',';
    text += std::to_wstring(command);
  }
  return profile.WriteProfileString(kSection, bar, text.c_str()) != FALSE;
}
