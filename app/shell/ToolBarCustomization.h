// The tool-bar buttons the user hid with "Customize..." (command 126), kept per bar in the
// profile so that the next start shows the bars as they were left.
#pragma once

#include <set>

#include "platform/win32/Profile.h"

class CToolBarCustomization {
 public:
  static constexpr const wchar_t* kSection = L"ToolBarCustomization";

  // The hidden commands of the bar, those of commands only; none when nothing was stored.
  static std::set<int> Load(CRegistryProfile& profile, const wchar_t* bar, const std::set<int>& commands);
  static bool Store(CRegistryProfile& profile, const wchar_t* bar, const std::set<int>& hidden);
};
