// Text conversions: UTF-8, UTF-16LE, Windows-1252 and the ANSI rule.
//
// The ANSI code page: writing gives UTF-8; reading takes valid UTF-8 as UTF-8 and any
// other byte sequence as Windows-1252, so text written by the Windows program still loads.
// wchar_t holds whole code points here; a surrogate pair found in wide text (UTF-16 that
// was widened unit by unit) is joined, an unpaired surrogate becomes U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/win32/WinTypes.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_WINDOWS_1252 = 1252;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Invalid sequences become U+FFFD (one per maximal invalid subpart).
std::wstring Utf8ToWide(std::string_view bytes);
std::string WideToUtf8(std::wstring_view text);

std::wstring Cp1252ToWide(std::string_view bytes);
// Characters without a Windows-1252 byte become '?'.
std::string WideToCp1252(std::wstring_view text);

// The ANSI rule (see above).
std::wstring AnsiToWide(std::string_view bytes);
std::string WideToAnsi(std::wstring_view text);

// UTF-16 code units and little-endian bytes (no byte-order mark is added or expected;
// a trailing odd byte becomes U+FFFD).
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view units);
std::string WideToUtf16LE(std::wstring_view text);
std::wstring Utf16LEToWide(const void* bytes, size_t byteCount);

// Win32 shapes. Code pages: CP_ACP, CP_OEMCP and CP_THREAD_ACP (the ANSI rule), CP_UTF8,
// 1252. cbMultiByte / cchWideChar -1 means NUL-terminated, and then the terminator is
// converted and counted. A zero output size asks for the length needed. Failure gives 0:
// an unknown code page, a bad argument, or a buffer too small.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int cbMultiByte, LPWSTR wideChar,
                        int cchWideChar);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideChar, int cchWideChar, LPSTR multiByte,
                        int cbMultiByte, LPCSTR defaultChar, LPBOOL usedDefaultChar);
