#include "platform/win32/Numbers.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

int DigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'z') return c - L'a' + 10;
  if (c >= L'A' && c <= L'Z') return c - L'A' + 10;
  return 99;
}

struct Parsed {
  bool negative = false;
  bool overflow = false;  // magnitude above 2^64 - 1
  uint64_t magnitude = 0;
  const wchar_t* end = nullptr;
};

// Sign, prefix and digits; end stays at s when no digit was read.
Parsed ParseDigits(const wchar_t* s, int base) {
  Parsed r;
  r.end = s;
  if (!s || base < 0 || base == 1 || base > 36) return r;
  const wchar_t* p = s;
  while (IsBlank(*p)) ++p;
  if (*p == L'+' || *p == L'-') r.negative = *p++ == L'-';
  if ((base == 0 || base == 16) && p[0] == L'0' && (p[1] == L'x' || p[1] == L'X') && DigitValue(p[2]) < 16) {
    p += 2;
    base = 16;
  } else if (base == 0) {
    base = p[0] == L'0' ? 8 : 10;
  }
  const wchar_t* digits = p;
  for (; DigitValue(*p) < base; ++p) {
    uint64_t d = static_cast<uint64_t>(DigitValue(*p));
    if (r.magnitude > (std::numeric_limits<uint64_t>::max() - d) / static_cast<uint64_t>(base)) {
      r.overflow = true;
    } else {
      r.magnitude = r.magnitude * static_cast<uint64_t>(base) + d;
    }
  }
  if (p != digits) r.end = p;
  return r;
}

template <typename T>
T Signed(const Parsed& r) {
  using U = std::make_unsigned_t<T>;
  constexpr uint64_t maxPos = static_cast<uint64_t>(std::numeric_limits<T>::max());
  if (r.negative) {
    if (r.overflow || r.magnitude > maxPos + 1) return std::numeric_limits<T>::min();
    return static_cast<T>(static_cast<U>(0) - static_cast<U>(r.magnitude));
  }
  if (r.overflow || r.magnitude > maxPos) return std::numeric_limits<T>::max();
  return static_cast<T>(r.magnitude);
}

template <typename T>
T Unsigned(const Parsed& r) {
  constexpr uint64_t maxVal = static_cast<uint64_t>(std::numeric_limits<T>::max());
  if (r.overflow || r.magnitude > maxVal) return std::numeric_limits<T>::max();
  T v = static_cast<T>(r.magnitude);
  return r.negative ? static_cast<T>(T(0) - v) : v;
}

void SetEnd(wchar_t** end, const Parsed& r) {
  if (end) *end = const_cast<wchar_t*>(r.end);
}

wchar_t* PrintUnsigned(uint64_t v, bool negative, wchar_t* buf, int radix) {
  if (!buf) return buf;
  if (radix < 2 || radix > 36) {
    buf[0] = 0;
    return buf;
  }
  wchar_t tmp[66];
  int n = 0;
  do {
    int d = static_cast<int>(v % static_cast<uint64_t>(radix));
    tmp[n++] = static_cast<wchar_t>(d < 10 ? L'0' + d : L'a' + d - 10);
    v /= static_cast<uint64_t>(radix);
  } while (v);
  wchar_t* p = buf;
  if (negative) *p++ = L'-';
  while (n) *p++ = tmp[--n];
  *p = 0;
  return buf;
}

wchar_t* PrintSigned(int64_t v, uint64_t asUnsigned, wchar_t* buf, int radix) {
  if (radix == 10 && v < 0) return PrintUnsigned(uint64_t(0) - static_cast<uint64_t>(v), true, buf, radix);
  return PrintUnsigned(asUnsigned, false, buf, radix);
}

errno_t PrintChecked(int64_t v, uint64_t asUnsigned, wchar_t* buf, size_t size, int radix) {
  if (!buf || size == 0) return EINVAL;
  buf[0] = 0;
  if (radix < 2 || radix > 36) return EINVAL;
  wchar_t tmp[68];
  PrintSigned(v, asUnsigned, tmp, radix);
  size_t len = std::char_traits<wchar_t>::length(tmp);
  if (len + 1 > size) return ERANGE;
  std::char_traits<wchar_t>::copy(buf, tmp, len + 1);
  return 0;
}

}  // namespace

LONG _wtol(const wchar_t* s) { return Signed<LONG>(ParseDigits(s, 10)); }
int _wtoi(const wchar_t* s) { return Signed<int32_t>(ParseDigits(s, 10)); }
__int64 _wtoi64(const wchar_t* s) { return Signed<int64_t>(ParseDigits(s, 10)); }

LONG Win32_wcstol(const wchar_t* s, wchar_t** end, int base) {
  Parsed r = ParseDigits(s, base);
  SetEnd(end, r);
  return Signed<LONG>(r);
}

ULONG Win32_wcstoul(const wchar_t* s, wchar_t** end, int base) {
  Parsed r = ParseDigits(s, base);
  SetEnd(end, r);
  return Unsigned<ULONG>(r);
}

__int64 Win32_wcstoi64(const wchar_t* s, wchar_t** end, int base) {
  Parsed r = ParseDigits(s, base);
  SetEnd(end, r);
  return Signed<int64_t>(r);
}

ULONGLONG Win32_wcstoui64(const wchar_t* s, wchar_t** end, int base) {
  Parsed r = ParseDigits(s, base);
  SetEnd(end, r);
  return Unsigned<uint64_t>(r);
}

double _wtof(const wchar_t* s) {
  if (!s) return 0.0;
  while (IsBlank(*s)) ++s;
  bool negative = false;
  if (*s == L'+' || *s == L'-') negative = *s++ == L'-';
  // Only ASCII can be part of a number; copy the candidate characters.
  std::string text;
  for (const wchar_t* p = s; *p && *p < 0x80 && text.size() < 512; ++p) {
    if (*p == L'+' || *p == L'-') {
      if (text.empty() || (text.back() != 'e' && text.back() != 'E')) break;
    }
    text.push_back(static_cast<char>(*p));
  }
  double v = 0.0;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large saturates to infinity, too small to zero (from_chars leaves v alone).
    size_t e = text.find_first_of("eE");
    bool tiny = e != std::string::npos && e + 1 < text.size() && text[e + 1] == '-';
    v = tiny ? 0.0 : HUGE_VAL;
  } else if (res.ec != std::errc()) {
    v = 0.0;
  }
  return negative ? -v : v;
}

wchar_t* _itow(int value, wchar_t* buf, int radix) {
  return PrintSigned(value, static_cast<uint32_t>(value), buf, radix);
}
wchar_t* _ltow(LONG value, wchar_t* buf, int radix) {
  return PrintSigned(value, static_cast<uint32_t>(value), buf, radix);
}
wchar_t* _ultow(ULONG value, wchar_t* buf, int radix) { return PrintUnsigned(value, false, buf, radix); }
wchar_t* _i64tow(__int64 value, wchar_t* buf, int radix) {
  return PrintSigned(value, static_cast<uint64_t>(value), buf, radix);
}
wchar_t* _ui64tow(ULONGLONG value, wchar_t* buf, int radix) { return PrintUnsigned(value, false, buf, radix); }

errno_t _itow_s(int value, wchar_t* buf, size_t size, int radix) {
  return PrintChecked(value, static_cast<uint32_t>(value), buf, size, radix);
}
errno_t _ltow_s(LONG value, wchar_t* buf, size_t size, int radix) {
  return PrintChecked(value, static_cast<uint32_t>(value), buf, size, radix);
}
errno_t _i64tow_s(__int64 value, wchar_t* buf, size_t size, int radix) {
  return PrintChecked(value, static_cast<uint64_t>(value), buf, size, radix);
}
