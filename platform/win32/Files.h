// Files and folders: module file names, the known folders under the machine root, existence
// tests with wildcards, folder creation, path helpers and the one safe way to save a file.
// File names are UTF-8 on disk; every call takes wide text and accepts "\" as well as "/".
// The Win32-shaped calls that fail with FALSE/0 set the last error (Handles.h).
#pragma once

#include <string>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

// ---- modules ----------------------------------------------------------------------
// An HMODULE is the load address of an ELF object (the executable or a shared library), as on
// Windows. GetModuleHandle(NULL) is the executable; a name is matched against the loaded
// objects' file names, ignoring case, with or without the extension.
HMODULE GetModuleHandle(LPCWSTR moduleName);
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x00000002;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x00000004;
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, moduleName is any address inside the module.
BOOL GetModuleHandleEx(DWORD flags, LPCWSTR moduleName, HMODULE* module);
// NULL: the executable's real path. Otherwise the module's path (any address inside a loaded
// object works too). Returns the characters copied without the NUL; when the buffer is too small
// the path is cut, NUL-terminated, and size is returned. 0 when the module is unknown.
DWORD GetModuleFileName(HMODULE module, LPWSTR fileName, DWORD size);

// ---- known folders ----------------------------------------------------------------
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr DWORD SHGFP_TYPE_CURRENT = 0;
// CSIDL_COMMON_APPDATA is "<machine root>/ProgramData", created on demand. path holds MAX_PATH
// characters. Other folders: E_INVALIDARG.
HRESULT SHGetFolderPath(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);
BOOL SHGetSpecialFolderPath(HWND owner, LPWSTR path, int folder, BOOL create);
// "<machine root>/Temp/" (with the trailing separator), created on demand. Returns the length
// without the NUL, or the size needed with the NUL when the buffer is too small; 0 on failure.
DWORD GetTempPath(DWORD bufferLength, LPWSTR buffer);

// ---- folders ----------------------------------------------------------------------
// One level, as Windows: fails when it exists or the parent is missing (see CreateFolder).
// Sets the last error (ERROR_ALREADY_EXISTS, ERROR_PATH_NOT_FOUND...) on failure.
BOOL CreateDirectory(LPCWSTR path, LPVOID securityAttributes);

inline HMODULE GetModuleHandleW(LPCWSTR moduleName) { return GetModuleHandle(moduleName); }
inline DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  return GetModuleFileName(module, fileName, size);
}
inline HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path) {
  return SHGetFolderPath(owner, folder, token, flags, path);
}
inline BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int folder, BOOL create) {
  return SHGetSpecialFolderPath(owner, path, folder, create);
}
inline DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer) { return GetTempPath(bufferLength, buffer); }
inline BOOL CreateDirectoryW(LPCWSTR path, LPVOID securityAttributes) {
  return CreateDirectory(path, securityAttributes);
}

namespace tessaly::win32 {

// The common application-data folder and the temp folder (without trailing separator), created.
std::wstring GetCommonAppDataFolder();
std::wstring GetTempFolder();

// One level. ERROR_SUCCESS, ERROR_ALREADY_EXISTS, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED...
LONG CreateFolder(const CString& path);
// Every missing level; ERROR_SUCCESS when the folder exists afterwards.
LONG CreateFolderTree(const CString& path);

// True when something matches: a file or folder at the path, where the last component may hold
// "*" and "?" (matched ignoring case; "*.*" matches every name). "." and ".." never match.
bool AnyFileMatches(const CString& pattern);
bool IsFolder(const CString& path);

// ---- path helpers (accept "/" and "\") --------------------------------------------
// The non-empty components: "C:\a\\b/c" -> {"C:", "a", "b", "c"}.
std::vector<std::wstring> SplitPath(const CString& path);
// "a" + "b" -> "a/b"; no doubled separator; an empty side gives the other.
std::wstring JoinPath(const CString& left, const CString& right);
// The last component ("" for a path that ends in a separator).
std::wstring PathFileName(const CString& path);
// The file name's extension with its dot (".tdbx"), "" when none; a leading dot is no extension.
std::wstring PathExtension(const CString& path);
// Everything before the last separator, without it ("/" for a file in the root, "" for none).
std::wstring PathFolder(const CString& path);
// "\" -> "/".
std::wstring NormalizePath(const CString& path);
// The normalised path as the UTF-8 name the file system uses.
std::string NativePath(const CString& path);

// ---- whole files --------------------------------------------------------------------
// Writes a temporary file beside the target, flushes it to disk and renames it over the target.
// On any failure the old file is left untouched, the temporary file is removed and the error is
// returned (ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_DISK_FULL, ERROR_WRITE_FAULT...).
// An existing target keeps its permissions. Temporaries left beside it by saves of processes
// that no longer run (killed before their rename) are removed first.
LONG ReplaceFileSafely(const CString& path, const void* data, size_t size);
LONG ReplaceFileSafely(const CString& path, const std::vector<BYTE>& bytes);
LONG ReplaceFileSafely(const CString& path, const std::string& bytes);
// Reads the whole file. ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_READ_FAULT...
LONG ReadWholeFile(const CString& path, std::vector<BYTE>& bytes);

// errno to the Win32 error that callers test for.
LONG Win32ErrorFromErrno(int error);

}  // namespace tessaly::win32
