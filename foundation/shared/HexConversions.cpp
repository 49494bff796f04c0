#include "foundation/shared/HexConversions.h"

#include <string>

bool IsHexDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
}

int HexDigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return 0;
}

void BytesToHex(wchar_t* out, const BYTE* data, int len, wchar_t separator) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  if (out == nullptr) return;
  if (data != nullptr) {
    for (int i = 0; i < len; ++i) {
      if (i > 0 && separator != 0) *out++ = separator;
      *out++ = kDigits[data[i] >> 4];
      *out++ = kDigits[data[i] & 0x0F];
    }
  }
  *out = 0;
}

CString BytesToHexString(const BYTE* data, int len, wchar_t separator) {
  constexpr int kMaxBytes = 300;  // 3 characters per byte fill the 900 of the buffer
  if (data == nullptr || len <= 0 || len >= kMaxBytes) return CString();
  wchar_t buffer[3 * kMaxBytes];
  BytesToHex(buffer, data, len, separator);
  return CString(buffer);
}

int IsHexString(const CString& text, int len) {
  const int length = text.GetLength();
  const int n = len < length ? len : length;
  if (n <= 0) return 0;
  const wchar_t* p = text.GetString();
  for (int i = 0; i < n; ++i) {
    if (!IsHexDigit(p[i])) return 0;
  }
  return 1;
}

int HexStringToBytes(const CString& text, BYTE* out, int max) {
  if (out == nullptr || max <= 0) return 0;
  const wchar_t* p = text.GetString();
  const int length = text.GetLength();
  std::wstring digits;
  for (int i = 0; i < length && IsHexDigit(p[i]); ++i) digits.push_back(p[i]);
  if (digits.size() % 2 != 0) digits.insert(digits.begin(), L'0');
  int written = 0;
  for (size_t i = 0; i + 1 < digits.size() && written < max; i += 2) {
    out[written++] = static_cast<BYTE>(HexDigitValue(digits[i]) << 4 | HexDigitValue(digits[i + 1]));
  }
  return written;
}
