#include "platform/com/Guid.h"

#include <cwchar>
#include <random>

#include "platform/com/ComErrors.h"
#include "platform/com/Memory.h"

namespace {

constexpr int kGuidChars = 38;  // braces included, NUL not

void WriteGuid(REFGUID g, wchar_t* out) {
  std::swprintf(out, kGuidChars + 1, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2), static_cast<unsigned>(g.Data3),
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
}

int Hex(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool ReadHex(const wchar_t* s, int digits, unsigned long long* out) {
  unsigned long long v = 0;
  for (int i = 0; i < digits; ++i) {
    int d = Hex(s[i]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<unsigned>(d);
  }
  *out = v;
  return true;
}

// Exactly 36 characters "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" at s (s holds at least 36).
bool ParseBare(const wchar_t* s, GUID* out) {
  if (s[8] != L'-' || s[13] != L'-' || s[18] != L'-' || s[23] != L'-') return false;
  unsigned long long v[11];
  if (!ReadHex(s, 8, &v[0]) || !ReadHex(s + 9, 4, &v[1]) || !ReadHex(s + 14, 4, &v[2]) ||
      !ReadHex(s + 19, 2, &v[3]) || !ReadHex(s + 21, 2, &v[4]))
    return false;
  for (int i = 0; i < 6; ++i)
    if (!ReadHex(s + 24 + 2 * i, 2, &v[5 + i])) return false;
  GUID g{};
  g.Data1 = static_cast<DWORD>(v[0]);
  g.Data2 = static_cast<WORD>(v[1]);
  g.Data3 = static_cast<WORD>(v[2]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<BYTE>(v[3 + i]);
  *out = g;
  return true;
}

bool ParseBraced(LPCOLESTR s, GUID* out) {
  if (std::wcslen(s) != static_cast<size_t>(kGuidChars) || s[0] != L'{' || s[37] != L'}') return false;
  return ParseBare(s + 1, out);
}

HRESULT StringFromGuidAlloc(REFGUID g, LPOLESTR* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = static_cast<LPOLESTR>(CoTaskMemAlloc((kGuidChars + 1) * sizeof(OLECHAR)));
  if (*out == nullptr) return E_OUTOFMEMORY;
  WriteGuid(g, *out);
  return S_OK;
}

}  // namespace

int StringFromGUID2(REFGUID rguid, LPOLESTR psz, int cchMax) {
  if (psz == nullptr || cchMax < kGuidChars + 1) return 0;
  WriteGuid(rguid, psz);
  return kGuidChars + 1;
}

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) { return StringFromGuidAlloc(rclsid, lplpsz); }
HRESULT StringFromIID(REFIID riid, LPOLESTR* lplpsz) { return StringFromGuidAlloc(riid, lplpsz); }

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
  if (pclsid == nullptr) return E_INVALIDARG;
  if (lpsz == nullptr) {
    *pclsid = GUID_NULL;
    return S_OK;
  }
  return ParseBraced(lpsz, pclsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid) {
  if (lpiid == nullptr) return E_INVALIDARG;
  if (lpsz == nullptr) {
    *lpiid = GUID_NULL;
    return S_OK;
  }
  return ParseBraced(lpsz, lpiid) ? S_OK : E_INVALIDARG;
}

HRESULT CoCreateGuid(GUID* pguid) {
  if (pguid == nullptr) return E_INVALIDARG;
  thread_local std::mt19937_64 engine{[] {
    std::random_device rd;
    std::seed_seq seq{rd(), rd(), rd(), rd(), rd(), rd(), rd(), rd()};
    return std::mt19937_64(seq);
  }()};
  uint64_t a = engine(), b = engine();
  BYTE bytes[16];
  std::memcpy(bytes, &a, 8);
  std::memcpy(bytes + 8, &b, 8);
  GUID g{};
  g.Data1 = static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 |
            static_cast<DWORD>(bytes[2]) << 8 | bytes[3];
  g.Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
  g.Data3 = static_cast<WORD>(((bytes[6] << 8 | bytes[7]) & 0x0FFF) | 0x4000);  // version 4
  std::memcpy(g.Data4, bytes + 8, 8);
  g.Data4[0] = static_cast<BYTE>((g.Data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
  *pguid = g;
  return S_OK;
}

namespace tessaly {

std::wstring GuidToString(REFGUID guid) {
  wchar_t buf[kGuidChars + 1];
  WriteGuid(guid, buf);
  return std::wstring(buf, kGuidChars);
}

bool GuidFromString(const std::wstring& text, GUID* out) {
  if (out == nullptr) return false;
  if (text.size() == 36) return ParseBare(text.c_str(), out);
  return ParseBraced(text.c_str(), out);
}

}  // namespace tessaly
