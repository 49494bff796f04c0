// Resources: string tables, text resources (registry scripts and the like) and the module
// version block.
//
// As on Windows, each module (the executable, each component library) has its own string
// table and text resources, keyed by its module handle: two components may both use id 100.
// The calls without a module handle are inline and act for the calling module; where the
// calling module lacks an id, the executable's table answers, so texts the program
// registers are seen everywhere. All calls are thread-safe. Registering an id (or id and
// type) again replaces the earlier text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/ThisModule.h"
#include "platform/win32/WinTypes.h"

struct StringResource {
  UINT id;
  const wchar_t* text;
};

// ---- by module handle (null: the executable) ----------------------------------------
void RegisterStringResourcesIn(HINSTANCE module, const StringResource* entries, size_t count);

// Two different texts registered under one id of one module: the later one has replaced the
// earlier. A module's string table must hold one text per id; the program's tests check that
// none of its tables clash (an id registered again with the same text is no clash).
struct StringResourceClash {
  HINSTANCE module;
  UINT id;
  std::wstring earlier;
  std::wstring later;
};
std::vector<StringResourceClash> GetStringResourceClashes();
// The text in module's table, else in the executable's; nothing when neither has it.
std::optional<std::wstring> FindStringResourceIn(HINSTANCE module, UINT id);
// The module whose table answers id (module itself or the executable), else null.
HINSTANCE FindStringResourceModule(HINSTANCE module, UINT id);
// Copies the text (cut to maxBuf - 1 characters, NUL-terminated) and returns its length;
// 0 and an empty buffer when id is missing.
int AfxLoadStringIn(HINSTANCE module, UINT id, LPTSTR buf, UINT maxBuf);
int LoadStringW(HINSTANCE module, UINT id, LPWSTR buf, int maxBuf);
void RegisterTextResourceIn(HINSTANCE module, UINT id, const wchar_t* type, const wchar_t* text);
std::optional<std::wstring> FindTextResourceIn(HINSTANCE module, UINT id, const wchar_t* type);

// ---- for the calling module ---------------------------------------------------------
TESSALY_MODULE_LOCAL inline void RegisterStringResources(const StringResource* entries, size_t count) {
  RegisterStringResourcesIn(ThisModuleHandle(), entries, count);
}
template <size_t N>
TESSALY_MODULE_LOCAL inline void RegisterStringResources(const StringResource (&entries)[N]) {
  RegisterStringResourcesIn(ThisModuleHandle(), entries, N);
}

// The text of string resource id, or nothing.
TESSALY_MODULE_LOCAL inline std::optional<std::wstring> FindStringResource(UINT id) {
  return FindStringResourceIn(ThisModuleHandle(), id);
}

// The module handle whose table holds id, else null.
TESSALY_MODULE_LOCAL inline HINSTANCE AfxFindStringResourceHandle(UINT id) {
  return FindStringResourceModule(ThisModuleHandle(), id);
}
// The calling module's handle.
TESSALY_MODULE_LOCAL inline HINSTANCE AfxGetResourceHandle() { return ThisModuleHandle(); }

TESSALY_MODULE_LOCAL inline int AfxLoadString(UINT id, LPTSTR buf, UINT maxBuf = 256) {
  return AfxLoadStringIn(ThisModuleHandle(), id, buf, maxBuf);
}
inline int LoadString(HINSTANCE module, UINT id, LPWSTR buf, int maxBuf) {
  return LoadStringW(module, id, buf, maxBuf);
}

// Text resources by id and type name ("REGISTRY"); type names compare case-insensitively.
TESSALY_MODULE_LOCAL inline void RegisterTextResource(UINT id, const wchar_t* type, const wchar_t* text) {
  RegisterTextResourceIn(ThisModuleHandle(), id, type, text);
}
TESSALY_MODULE_LOCAL inline std::optional<std::wstring> FindTextResource(UINT id, const wchar_t* type) {
  return FindTextResourceIn(ThisModuleHandle(), id, type);
}

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
