#include "platform/rpc/RemoteSettings.h"

#include "platform/win32/Registry.h"
#include "platform/win32/TextConv.h"

namespace tessaly::rpc {

namespace {

std::string ReadText(HKEY key, const wchar_t* name, const std::string& fallback) {
  std::wstring value;
  if (!tessaly::win32::RegQueryString(key, name, value)) return fallback;
  return WideToUtf8(value);
}

DWORD ReadNumber(HKEY key, const wchar_t* name, DWORD fallback) {
  DWORD value = 0, type = 0, size = sizeof(value);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return fallback;
  return value;
}

void WriteText(HKEY key, const wchar_t* name, const std::string& text) {
  std::wstring wide = Utf8ToWide(text);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                 static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

void WriteNumber(HKEY key, const wchar_t* name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

}  // namespace

CRemoteSettings CRemoteSettings::Read() {
  CRemoteSettings s;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRemoteSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return s;
  s.enabled = ReadNumber(key, L"TcpEnabled", 0) != 0;
  s.address = ReadText(key, L"TcpAddress", s.address);
  s.port = ReadNumber(key, L"TcpPort", s.port);
  s.certificateFile = ReadText(key, L"CertificateFile", "");
  s.privateKeyFile = ReadText(key, L"PrivateKeyFile", "");
  s.trustedCertificateFile = ReadText(key, L"TrustedCertificateFile", "");
  s.accessKey = ReadText(key, L"AccessKey", "");
  s.serverStartTimeout = ReadNumber(key, L"ServerStartTimeout", 0);
  s.maxConnections = ReadNumber(key, L"MaxConnections", 0);
  if (s.maxConnections == 0) s.maxConnections = kDefaultMaxConnections;
  RegCloseKey(key);
  return s;
}

bool CRemoteSettings::Write() const {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRemoteSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  WriteNumber(key, L"TcpEnabled", enabled ? 1 : 0);
  WriteText(key, L"TcpAddress", address);
  WriteNumber(key, L"TcpPort", port);
  WriteText(key, L"CertificateFile", certificateFile);
  WriteText(key, L"PrivateKeyFile", privateKeyFile);
  WriteText(key, L"TrustedCertificateFile", trustedCertificateFile);
  WriteText(key, L"AccessKey", accessKey);
  WriteNumber(key, L"ServerStartTimeout", serverStartTimeout);
  WriteNumber(key, L"MaxConnections", maxConnections);
  RegCloseKey(key);
  return true;
}

bool AccessKeysEqual(std::string_view a, std::string_view b) {
  // Constant time in the length of what is compared: no early exit on the first difference.
  size_t n = a.size() > b.size() ? a.size() : b.size();
  unsigned char diff = static_cast<unsigned char>(a.size() != b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    diff |= static_cast<unsigned char>(x ^ y);
  }
  return diff == 0;
}

}  // namespace tessaly::rpc
