#include "app/shell/FrameSplitter.h"

#include <cstring>
#include <vector>

std::optional<int> CFrameSplitter::Load(CRegistryProfile& profile, const wchar_t* frameClass) {
  std::vector<BYTE> data;
  if (!profile.GetProfileBinary(frameClass, kEntry, data) || data.size() != sizeof(int32_t)) return std::nullopt;
  int32_t width = 0;
  std::memcpy(&width, data.data(), sizeof width);
  if (width < 0 || width > kMaxWidth) return std::nullopt;
  return width;
}

bool CFrameSplitter::Store(CRegistryProfile& profile, const wchar_t* frameClass, int width) {
  int32_t value = width < 0 ? 0 : width;
  return profile.WriteProfileBinary(frameClass, kEntry, reinterpret_cast<LPBYTE>(&value), sizeof value) != FALSE;
}
