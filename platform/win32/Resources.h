// Resources: the process-wide string table, text resources (registry scripts and the
// like) and the module version block.
//
// Components and the application register their tables at start-up. All calls are
// thread-safe. Registering an id (or id and type) again replaces the earlier text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/WinTypes.h"

struct StringResource {
  UINT id;
  const wchar_t* text;
};

void RegisterStringResources(const StringResource* entries, size_t count);
template <size_t N>
void RegisterStringResources(const StringResource (&entries)[N]) {
  RegisterStringResources(entries, N);
}

// The text of string resource id, or nothing.
std::optional<std::wstring> FindStringResource(UINT id);

// Non-null module handle when the string table holds id, else null.
HINSTANCE AfxFindStringResourceHandle(UINT id);
// The handle every resource lookup reports (stands for "this process").
HINSTANCE AfxGetResourceHandle();

// Copies the text (cut to maxBuf - 1 characters, NUL-terminated) and returns its length;
// 0 and an empty buffer when id is missing.
int AfxLoadString(UINT id, LPTSTR buf, UINT maxBuf = 256);
int LoadStringW(HINSTANCE module, UINT id, LPWSTR buf, int maxBuf);
inline int LoadString(HINSTANCE module, UINT id, LPWSTR buf, int maxBuf) {
  return LoadStringW(module, id, buf, maxBuf);
}

// Text resources by id and type name ("REGISTRY"); type names compare case-insensitively.
void RegisterTextResource(UINT id, const wchar_t* type, const wchar_t* text);
std::optional<std::wstring> FindTextResource(UINT id, const wchar_t* type);

// ---- version block --------------------------------------------------------------------
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;

struct ModuleVersionInfo {
  WORD fileVersion[4] = {0, 0, 0, 0};
  WORD productVersion[4] = {0, 0, 0, 0};
  bool hasTranslation = true;
  WORD language = 0x0409;
  WORD codePage = 1200;
  std::vector<std::pair<std::wstring, std::wstring>> strings;  // "ProductVersion", ...
};

// The build's version: numbers from TESSALY_VERSION_*, "ProductVersion" and "FileVersion"
// as "a, b, c, d", "LegalCopyright" from TESSALY_LEGAL_COPYRIGHT.
ModuleVersionInfo GetModuleVersionInfo();

// The running executable carries the build's version block. Other files (component
// libraries, test fixtures) get one by registering it; a null info removes it.
void RegisterModuleVersion(const wchar_t* fileName, const ModuleVersionInfo* info);

// Version calls on the generated block. An unknown file gives 0 / FALSE.
DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle);
BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD len, LPVOID data);
// "\" gives the VS_FIXEDFILEINFO (len in bytes), "\VarFileInfo\Translation" the
// language/code-page pairs (len in bytes), "\StringFileInfo\llllcccc\Name" the text
// (len in characters with the terminator). Block names compare case-insensitively.
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* len);
inline DWORD GetFileVersionInfoSize(LPCWSTR fileName, LPDWORD handle) {
  return GetFileVersionInfoSizeW(fileName, handle);
}
inline BOOL GetFileVersionInfo(LPCWSTR fileName, DWORD handle, DWORD len, LPVOID data) {
  return GetFileVersionInfoW(fileName, handle, len, data);
}
inline BOOL VerQueryValue(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* len) {
  return VerQueryValueW(block, subBlock, buffer, len);
}
