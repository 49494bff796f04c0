// Hexadecimal text of byte strings (domain IDs, keys, raw NV data). Upper case digits.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

bool IsHexDigit(wchar_t c);
// Value 0 to 15 of a hex digit; anything else gives 0.
int HexDigitValue(wchar_t c);

// Two digits per byte, the separator between bytes when it is not 0, then a terminating 0.
// `out` must hold 3 characters per byte (2 per byte plus 1 without a separator).
void BytesToHex(wchar_t* out, const BYTE* data, int len, wchar_t separator);

// Empty for null data, a length of 0 or less, or 300 bytes and more.
CString BytesToHexString(const BYTE* data, int len, wchar_t separator);

// 1 when the first min(len, length of text) characters exist and are all hex digits, else 0.
int IsHexString(const CString& text, int len);

// Cuts the text at its first non-hex character, puts a "0" in front of an odd length and writes
// one byte per pair of digits, at most `max`. Returns the number of bytes written.
int HexStringToBytes(const CString& text, BYTE* out, int max);
