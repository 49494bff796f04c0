// Number parsing and printing with the Windows run-time's 32-bit rules (LONG is 32-bit).
//
// Parsing skips leading blanks, takes an optional sign, then digits up to the first
// character that is not one; text without digits gives 0. Results saturate at the
// type's limits. Null text gives 0.
#pragma once

#include <cstddef>

#include "platform/win32/WinTypes.h"

typedef int errno_t;

LONG _wtol(const wchar_t* s);
int _wtoi(const wchar_t* s);
__int64 _wtoi64(const wchar_t* s);
double _wtof(const wchar_t* s);  // locale-independent ('.' decimal point)

// base 0 (prefix decides: 0x hex, 0 octal, else decimal) or 2..36. end (may be null)
// receives the first unparsed character, or s itself when nothing was parsed.
LONG Win32_wcstol(const wchar_t* s, wchar_t** end, int base);
ULONG Win32_wcstoul(const wchar_t* s, wchar_t** end, int base);  // a '-' negates modulo 2^32
__int64 Win32_wcstoi64(const wchar_t* s, wchar_t** end, int base);
ULONGLONG Win32_wcstoui64(const wchar_t* s, wchar_t** end, int base);

// Printing: radix 2..36; a '-' only for radix 10 of a signed value (other radices print
// the two's complement). buf must hold the digits and a terminator (33 / 65 for radix 2).
wchar_t* _itow(int value, wchar_t* buf, int radix);
wchar_t* _ltow(LONG value, wchar_t* buf, int radix);
wchar_t* _ultow(ULONG value, wchar_t* buf, int radix);
wchar_t* _i64tow(__int64 value, wchar_t* buf, int radix);
wchar_t* _ui64tow(ULONGLONG value, wchar_t* buf, int radix);
// Checked forms: EINVAL for a null buffer or bad radix, ERANGE when size is too small
// (the buffer then holds ""). 0 on success.
errno_t _itow_s(int value, wchar_t* buf, size_t size, int radix);
errno_t _ltow_s(LONG value, wchar_t* buf, size_t size, int radix);
errno_t _i64tow_s(__int64 value, wchar_t* buf, size_t size, int radix);
