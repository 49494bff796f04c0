// The split position a child frame keeps in the profile: section named like the frame class,
// entry "FrameSplitter", one 32-bit signed width of the left column in pixels.
#pragma once

#include <optional>

#include "platform/win32/Profile.h"

class CFrameSplitter {
 public:
  static constexpr const wchar_t* kEntry = L"FrameSplitter";
  // Wider than any screen: a stored value beyond it is damage, not a width.
  static constexpr int kMaxWidth = 100000;

  // The stored width; nothing when the entry is missing, not exactly 4 bytes, negative or too wide.
  static std::optional<int> Load(CRegistryProfile& profile, const wchar_t* frameClass);
  static bool Store(CRegistryProfile& profile, const wchar_t* frameClass, int width);
};
