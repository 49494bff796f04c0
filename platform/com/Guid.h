// GUID text forms, ids declared in code, and fresh GUIDs.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/com/ComTypes.h"

// Writes "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (uppercase) into psz; returns the characters
// written including the terminating NUL (39), or 0 when cchMax is too small or psz is null.
int StringFromGUID2(REFGUID rguid, LPOLESTR psz, int cchMax);
// The same text in a CoTaskMemAlloc'd buffer the caller frees with CoTaskMemFree.
HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz);
HRESULT StringFromIID(REFIID rclsid, LPOLESTR* lplpsz);
// Parses the braced form (case-insensitive hex). A null text gives CLSID_NULL.
// Bad text: CO_E_CLASSSTRING for CLSIDFromString, E_INVALIDARG for IIDFromString; *out unchanged.
// (Looking a ProgID up is CLSIDFromProgID's business, not this one's.)
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid);
// A random (version 4, RFC 4122 variant) GUID.
HRESULT CoCreateGuid(GUID* pguid);

namespace tessaly {

// The braced text of a GUID as a std::wstring.
std::wstring GuidToString(REFGUID guid);
// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", braced or not; false on anything else.
bool GuidFromString(const std::wstring& text, GUID* out);

namespace detail {
constexpr unsigned GuidHexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  throw std::invalid_argument("bad hex digit in GUID text");
}
constexpr unsigned long long GuidHex(const char* s, int digits) {
  unsigned long long v = 0;
  for (int i = 0; i < digits; ++i) v = (v << 4) | GuidHexDigit(s[i]);
  return v;
}
}  // namespace detail

// A GUID from its text, usable in constant expressions ("6B29FC40-CA47-1067-B31D-00DD010662DA",
// braces optional). Bad text fails to compile when constant-evaluated, and throws otherwise.
template <size_t N>
constexpr GUID GuidFromText(const char (&text)[N]) {
  static_assert(N == 37 || N == 39, "GUID text is XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX");
  const char* s = text;
  if constexpr (N == 39) {
    if (text[0] != '{' || text[37] != '}') throw std::invalid_argument("bad GUID braces");
    s = text + 1;
  }
  if (s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') throw std::invalid_argument("bad GUID text");
  GUID g{};
  g.Data1 = static_cast<DWORD>(detail::GuidHex(s, 8));
  g.Data2 = static_cast<WORD>(detail::GuidHex(s + 9, 4));
  g.Data3 = static_cast<WORD>(detail::GuidHex(s + 14, 4));
  g.Data4[0] = static_cast<BYTE>(detail::GuidHex(s + 19, 2));
  g.Data4[1] = static_cast<BYTE>(detail::GuidHex(s + 21, 2));
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<BYTE>(detail::GuidHex(s + 24 + 2 * i, 2));
  return g;
}

}  // namespace tessaly

// Declares an id in a header: DEFINE_GUID(IID_IFoo, 0x12345678, 0x1234, 0x1234, 0x12, ...).
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
// The same from text: DEFINE_GUID_TEXT(CLSID_Foo, "6B29FC40-CA47-1067-B31D-00DD010662DA").
#define DEFINE_GUID_TEXT(name, text) inline constexpr GUID name = ::tessaly::GuidFromText(text)
