// Small registry readers for the activation tests.
#pragma once

#include "platform/win32/Registry.h"

#include <optional>
#include <string>

namespace probe {

inline bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A string value (empty name: the default value), or nothing.
inline std::optional<std::wstring> String(HKEY root, const std::wstring& path, const wchar_t* name = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  std::wstring value;
  bool ok = tessaly::win32::RegQueryString(key, name, value);
  RegCloseKey(key);
  if (!ok) return std::nullopt;
  return value;
}

inline std::optional<DWORD> Dword(HKEY root, const std::wstring& path, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof value;
  LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
  return value;
}

inline void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

}  // namespace probe
