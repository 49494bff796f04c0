// The registry: hives HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE with keys,
// typed values and default values, in one SQLite database under the machine root
// ("<root>/registry.db"). Several processes may use it at once; every call is one transaction.
// Key and value names compare ignoring case and keep the case they were created with. Subkey
// paths are separated by "\". Opened keys are entries of a handle table; a key deleted while
// open answers ERROR_KEY_DELETED. Results are Win32 error codes (ERROR_SUCCESS on success).
//
// Strings are stored as the caller's WCHAR units; sizes are in bytes and count the terminating
// NUL (two for REG_MULTI_SZ) as Windows does. String data set without its terminator is stored
// terminated, so a reader always gets a terminated string.
#pragma once

#include <string>

#include "platform/win32/WinTypes.h"

typedef DWORD REGSAM;
typedef LONG* PLONG;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000000))))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000001))))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000002))))

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// Access rights (accepted, not enforced: the database has one owner).
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Options and dispositions of RegCreateKeyEx.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Creates every missing level of subKey below key (an empty or null subKey opens key itself).
LONG RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                    REGSAM desired, LPVOID securityAttributes, PHKEY result, LPDWORD disposition);
LONG RegCreateKey(HKEY key, LPCWSTR subKey, PHKEY result);
// ERROR_FILE_NOT_FOUND when a level is missing.
LONG RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LONG RegOpenKey(HKEY key, LPCWSTR subKey, PHKEY result);
// Predefined keys close successfully and stay usable; an unknown handle gives ERROR_INVALID_HANDLE.
LONG RegCloseKey(HKEY key);

// A null or empty name is the key's default value.
LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                   DWORD dataSize);
// type, data and dataSize may each be null. data null with dataSize: the size is returned.
// A buffer too small gives ERROR_MORE_DATA with the size needed in *dataSize.
LONG RegQueryValueEx(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                     LPDWORD dataSize);
// The default value (REG_SZ) of subKey, created when missing; dataSize is ignored as on Windows.
LONG RegSetValue(HKEY key, LPCWSTR subKey, DWORD type, LPCWSTR data, DWORD dataSize);
// The default value of subKey; "" when the key has none. *valueSize in bytes with the NUL.
LONG RegQueryValue(HKEY key, LPCWSTR subKey, LPWSTR value, PLONG valueSize);
LONG RegDeleteValue(HKEY key, LPCWSTR valueName);
// Fails with ERROR_ACCESS_DENIED when the key has subkeys (and for a hive itself).
LONG RegDeleteKey(HKEY key, LPCWSTR subKey);
// subKey and everything below it; a null subKey empties key (its values and subkeys) and keeps it.
LONG RegDeleteTree(HKEY key, LPCWSTR subKey);

// By index, sorted ignoring case; ERROR_NO_MORE_ITEMS past the end. *nameSize is in characters:
// the buffer's size on the way in, the name's length without the NUL on the way out. A name that
// does not fit gives ERROR_MORE_DATA and leaves *nameSize alone.
LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved,
                  LPWSTR keyClass, LPDWORD classSize, LPFILETIME lastWriteTime);
LONG RegEnumKey(HKEY key, DWORD index, LPWSTR name, DWORD nameSize);
// As RegEnumKeyEx for the name; type/data/dataSize as RegQueryValueEx.
LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameSize, LPDWORD reserved,
                  LPDWORD type, LPBYTE data, LPDWORD dataSize);
// Counts and longest lengths (names in characters without the NUL, data in bytes). Classes and
// security descriptors are not kept: their sizes are 0.
LONG RegQueryInfoKey(HKEY key, LPWSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                     LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                     LPDWORD maxValueLen, LPDWORD securityDescriptorSize, LPFILETIME lastWriteTime);

// %NAME% replaced by the environment variable (exact name first, then ignoring case); unknown
// names stay as written. Returns the characters needed with the NUL; dst is filled only when
// they fit in size. 0 for a null source.
DWORD ExpandEnvironmentStrings(LPCWSTR src, LPWSTR dst, DWORD size);

// The wide names the callers spell out.
inline LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                            REGSAM desired, LPVOID securityAttributes, PHKEY result, LPDWORD disposition) {
  return RegCreateKeyEx(key, subKey, reserved, keyClass, options, desired, securityAttributes, result,
                        disposition);
}
inline LONG RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result) { return RegCreateKey(key, subKey, result); }
inline LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
  return RegOpenKeyEx(key, subKey, options, desired, result);
}
inline LONG RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) { return RegOpenKey(key, subKey, result); }
inline LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataSize) {
  return RegSetValueEx(key, valueName, reserved, type, data, dataSize);
}
inline LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
  return RegQueryValueEx(key, valueName, reserved, type, data, dataSize);
}
inline LONG RegSetValueW(HKEY key, LPCWSTR subKey, DWORD type, LPCWSTR data, DWORD dataSize) {
  return RegSetValue(key, subKey, type, data, dataSize);
}
inline LONG RegQueryValueW(HKEY key, LPCWSTR subKey, LPWSTR value, PLONG valueSize) {
  return RegQueryValue(key, subKey, value, valueSize);
}
inline LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) { return RegDeleteValue(key, valueName); }
inline LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) { return RegDeleteKey(key, subKey); }
inline LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey) { return RegDeleteTree(key, subKey); }
inline LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved,
                          LPWSTR keyClass, LPDWORD classSize, LPFILETIME lastWriteTime) {
  return RegEnumKeyEx(key, index, name, nameSize, reserved, keyClass, classSize, lastWriteTime);
}
inline LONG RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD nameSize) {
  return RegEnumKey(key, index, name, nameSize);
}
inline LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameSize, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  return RegEnumValue(key, index, valueName, valueNameSize, reserved, type, data, dataSize);
}
inline LONG RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values,
                             LPDWORD maxValueNameLen, LPDWORD maxValueLen, LPDWORD securityDescriptorSize,
                             LPFILETIME lastWriteTime) {
  return RegQueryInfoKey(key, keyClass, classSize, reserved, subKeys, maxSubKeyLen, maxClassLen, values,
                         maxValueNameLen, maxValueLen, securityDescriptorSize, lastWriteTime);
}
inline DWORD ExpandEnvironmentStringsW(LPCWSTR src, LPWSTR dst, DWORD size) {
  return ExpandEnvironmentStrings(src, dst, size);
}

namespace tessaly::win32 {

// Closes this process's connection to the registry database; the next call opens the database
// of the machine root current then. Open keys stay valid for the root they were opened in; used
// under another root they answer ERROR_INVALID_HANDLE.
void CloseRegistryDatabase();

// The whole text of a string value, or false when missing or not REG_SZ/REG_EXPAND_SZ.
bool RegQueryString(HKEY key, LPCWSTR valueName, std::wstring& value);

}  // namespace tessaly::win32
