#include "platform/win32/TextConv.h"

#include <cstring>
#include <cwchar>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 0x80-0x9F; the five bytes without a character map to the C1 control of
// the same value, as Windows does, so every byte survives a round trip.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHigh(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Decodes one UTF-8 sequence at p (n bytes left). Returns the bytes used (at least 1)
// and sets ok false for an invalid sequence (then 'used' is the maximal invalid subpart).
size_t DecodeUtf8(const unsigned char* p, size_t n, char32_t& cp, bool& ok) {
  ok = false;
  unsigned char b = p[0];
  if (b < 0x80) {
    cp = b;
    ok = true;
    return 1;
  }
  size_t len;
  char32_t min;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2, min = 0x80, cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, min = 0x800, cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, min = 0x10000, cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 1;
  }
  for (size_t i = 1; i < len; ++i) {
    if (i >= n) return i;
    unsigned char c = p[i];
    unsigned char l = i == 1 ? lo : 0x80, h = i == 1 ? hi : 0xBF;
    if (c < l || c > h) return i;
    cp = (cp << 6) | (c & 0x3F);
  }
  (void)min;
  ok = true;
  return len;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || IsSurrogate(c)) c = kReplacement;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Walks wide text as code points, joining surrogate pairs and replacing lone ones.
template <typename F>
void ForEachCodePoint(std::wstring_view text, F&& f) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (IsHigh(c) && i + 1 < text.size() && IsLow(static_cast<char32_t>(text[i + 1]))) {
      char32_t low = static_cast<char32_t>(text[++i]);
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
    } else if (IsSurrogate(c) || c > 0x10FFFF) {
      c = kReplacement;
    }
    f(c);
  }
}

int ByteToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return 0x80 + i;
  }
  return -1;
}

bool IsAnsiPage(UINT cp) { return cp == CP_ACP || cp == CP_OEMCP || cp == CP_THREAD_ACP; }

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size();
  for (size_t i = 0; i < n;) {
    char32_t cp;
    bool ok;
    i += DecodeUtf8(p + i, n - i, cp, ok);
    if (!ok) return false;
  }
  return true;
}

std::wstring Utf8ToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size();
  for (size_t i = 0; i < n;) {
    if (p[i] < 0x80) {  // most text is ASCII
      out.push_back(static_cast<wchar_t>(p[i++]));
      continue;
    }
    char32_t cp;
    bool ok;
    i += DecodeUtf8(p + i, n - i, cp, ok);
    out.push_back(static_cast<wchar_t>(ok ? cp : kReplacement));
  }
  return out;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&](char32_t c) { AppendUtf8(out, c); });
  return out;
}

std::wstring Cp1252ToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    out.push_back(b >= 0x80 && b <= 0x9F ? static_cast<wchar_t>(kCp1252High[b - 0x80]) : static_cast<wchar_t>(b));
  }
  return out;
}

std::string WideToCp1252(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&](char32_t c) {
    int b = ByteToCp1252(c);
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
  });
  return out;
}

std::wstring AnsiToWide(std::string_view bytes) {
  return IsValidUtf8(bytes) ? Utf8ToWide(bytes) : Cp1252ToWide(bytes);
}

std::string WideToAnsi(std::wstring_view text) { return WideToUtf8(text); }

std::u16string WideToUtf16(std::wstring_view text) {
  std::u16string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&](char32_t c) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  });
  return out;
}

std::wstring Utf16ToWide(std::u16string_view units) {
  std::wstring out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (IsHigh(c) && i + 1 < units.size() && IsLow(units[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(units[++i]) - 0xDC00);
    } else if (IsSurrogate(c)) {
      c = kReplacement;
    }
    out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

std::string WideToUtf16LE(std::wstring_view text) {
  std::u16string units = WideToUtf16(text);
  std::string out;
  out.reserve(units.size() * 2);
  for (char16_t u : units) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

std::wstring Utf16LEToWide(const void* bytes, size_t byteCount) {
  if (!bytes) return {};
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::u16string units;
  units.reserve(byteCount / 2);
  for (size_t i = 0; i + 1 < byteCount; i += 2) units.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
  std::wstring out = Utf16ToWide(units);
  if (byteCount % 2) out.push_back(static_cast<wchar_t>(kReplacement));
  return out;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int cbMultiByte, LPWSTR wideChar,
                        int cchWideChar) {
  if (!multiByte || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 || (cchWideChar > 0 && !wideChar)) {
    return 0;
  }
  bool terminated = cbMultiByte == -1;
  std::string_view in(multiByte, terminated ? std::strlen(multiByte) : static_cast<size_t>(cbMultiByte));
  std::wstring text;
  if (IsAnsiPage(codePage)) {
    text = AnsiToWide(in);
  } else if (codePage == CP_UTF8) {
    if ((flags & MB_ERR_INVALID_CHARS) && !IsValidUtf8(in)) return 0;
    text = Utf8ToWide(in);
  } else if (codePage == CP_WINDOWS_1252) {
    text = Cp1252ToWide(in);
  } else {
    return 0;
  }
  if (terminated) text.push_back(L'\0');
  if (text.size() > static_cast<size_t>(INT32_MAX)) return 0;
  int need = static_cast<int>(text.size());
  if (cchWideChar == 0) return need;
  if (cchWideChar < need) return 0;
  std::wmemcpy(wideChar, text.data(), text.size());
  return need;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideChar, int cchWideChar, LPSTR multiByte,
                        int cbMultiByte, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  (void)flags;
  if (usedDefaultChar) *usedDefaultChar = FALSE;
  if (!wideChar || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 || (cbMultiByte > 0 && !multiByte)) {
    return 0;
  }
  bool terminated = cchWideChar == -1;
  std::wstring_view in(wideChar, terminated ? std::wcslen(wideChar) : static_cast<size_t>(cchWideChar));
  std::string text;
  if (IsAnsiPage(codePage) || codePage == CP_UTF8) {
    if (defaultChar || usedDefaultChar) return 0;  // as Windows: not allowed for UTF-8
    text = WideToUtf8(in);
  } else if (codePage == CP_WINDOWS_1252) {
    char fallback = defaultChar && *defaultChar ? *defaultChar : '?';
    ForEachCodePoint(in, [&](char32_t c) {
      int b = ByteToCp1252(c);
      if (b < 0) {
        text.push_back(fallback);
        if (usedDefaultChar) *usedDefaultChar = TRUE;
      } else {
        text.push_back(static_cast<char>(b));
      }
    });
  } else {
    return 0;
  }
  if (terminated) text.push_back('\0');
  if (text.size() > static_cast<size_t>(INT32_MAX)) return 0;
  int need = static_cast<int>(text.size());
  if (cbMultiByte == 0) return need;
  if (cbMultiByte < need) return 0;
  std::memcpy(multiByte, text.data(), text.size());
  return need;
}
