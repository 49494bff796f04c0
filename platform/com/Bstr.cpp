#include "platform/com/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>

// Layout: [UINT32 byte length][bytes][at least one zeroed wchar_t]. Blocks come from malloc, so
// the characters after the 4-byte prefix are aligned for wchar_t.
namespace {

constexpr size_t kPrefix = sizeof(uint32_t);

BSTR AllocBytes(const void* src, UINT bytes) {
  if (bytes > std::numeric_limits<uint32_t>::max() - 2 * sizeof(wchar_t) - kPrefix) return nullptr;
  const size_t padded = (static_cast<size_t>(bytes) + sizeof(wchar_t) - 1) / sizeof(wchar_t) * sizeof(wchar_t);
  const size_t total = kPrefix + padded + sizeof(wchar_t);
  auto* block = static_cast<char*>(std::malloc(total));
  if (block == nullptr) return nullptr;
  const uint32_t length = bytes;
  std::memcpy(block, &length, kPrefix);
  char* chars = block + kPrefix;
  if (src) {
    std::memcpy(chars, src, bytes);
  } else {
    std::memset(chars, 0, bytes);
  }
  std::memset(chars + bytes, 0, total - kPrefix - bytes);
  return reinterpret_cast<BSTR>(chars);
}

char* BlockOf(BSTR b) { return reinterpret_cast<char*>(b) - kPrefix; }

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
  if (psz == nullptr) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(std::wcslen(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  if (ui > (std::numeric_limits<uint32_t>::max() - 64) / sizeof(OLECHAR)) return nullptr;
  return AllocBytes(strIn, static_cast<UINT>(ui * sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) { return AllocBytes(psz, len); }

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  if (pbstr == nullptr) return FALSE;
  if (psz == nullptr) {
    SysFreeString(*pbstr);
    *pbstr = nullptr;
    return TRUE;
  }
  return SysReAllocStringLen(pbstr, psz, static_cast<UINT>(std::wcslen(psz)));
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (pbstr == nullptr) return FALSE;
  // The new string is made before the old one goes, since psz may point into it.
  BSTR fresh = SysAllocStringLen(psz, len);
  if (fresh == nullptr) return FALSE;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return TRUE;
}

void SysFreeString(BSTR bstrString) {
  if (bstrString) std::free(BlockOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr) {
  if (bstr == nullptr) return 0;
  uint32_t length;
  std::memcpy(&length, BlockOf(bstr), kPrefix);
  return length;
}

UINT SysStringLen(BSTR pbstr) { return static_cast<UINT>(SysStringByteLen(pbstr) / sizeof(OLECHAR)); }

namespace tessaly {

BSTR SysAllocStringView(std::wstring_view text) {
  return SysAllocStringLen(text.data() ? text.data() : L"", static_cast<UINT>(text.size()));
}

std::wstring BstrToString(BSTR bstr) {
  if (bstr == nullptr) return std::wstring();
  return std::wstring(bstr, SysStringLen(bstr));
}

}  // namespace tessaly
