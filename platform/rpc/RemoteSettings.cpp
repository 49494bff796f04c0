#include "platform/rpc/RemoteSettings.h"

#include <openssl/rand.h>
#include <openssl/sha.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/win32/MachineRoot.h"
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

std::string Hex(const unsigned char* p, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += kDigits[p[i] >> 4];
    out += kDigits[p[i] & 15];
  }
  return out;
}

std::string Digest(const std::string& salt, std::string_view key) {
  std::string input = salt;
  input.append(key.data(), key.size());
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(input.data()), input.size(), digest);
  return Hex(digest, sizeof(digest));
}

constexpr char kScheme[] = "sha256:";

}  // namespace

void CRemoteSettings::SetAccessKey(std::string_view key) {
  legacyAccessKey.clear();
  if (key.empty()) {
    accessKeyHash.clear();
    return;
  }
  unsigned char random[16];
  if (RAND_bytes(random, sizeof(random)) != 1) {
    accessKeyHash.clear();  // no key rather than a weak one: the listener stays off
    return;
  }
  std::string salt = Hex(random, sizeof(random));
  accessKeyHash = kScheme + salt + ":" + Digest(salt, key);
}

bool CRemoteSettings::Admits(std::string_view offered) const {
  if (offered.empty()) return false;
  if (accessKeyHash.empty()) return !legacyAccessKey.empty() && AccessKeysEqual(offered, legacyAccessKey);
  std::string_view stored = accessKeyHash;
  if (stored.substr(0, sizeof(kScheme) - 1) != kScheme) return false;
  stored.remove_prefix(sizeof(kScheme) - 1);
  size_t colon = stored.find(':');
  if (colon == std::string_view::npos) return false;
  std::string salt(stored.substr(0, colon));
  return AccessKeysEqual(Digest(salt, offered), stored.substr(colon + 1));
}

void CRemoteSettings::ProtectAccessKey() {
  if (legacyAccessKey.empty()) return;
  std::string key = legacyAccessKey;
  if (accessKeyFile.empty()) {
    std::string path = tessaly::win32::GetMachineRoot() + "/rpc-access-key";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;  // kept as it is rather than lost
    ::fchmod(fd, 0600);
    std::string line = key + "\n";
    bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    if (!written) return;
    accessKeyFile = path;
  }
  SetAccessKey(key);
  Write();
}

std::string CRemoteSettings::ClientAccessKey() const {
  if (accessKeyFile.empty()) return legacyAccessKey;
  std::ifstream in(accessKeyFile);
  std::string key;
  std::getline(in, key);
  while (!key.empty() && (key.back() == '\r' || key.back() == ' ')) key.pop_back();
  return key;
}

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
  s.accessKeyHash = ReadText(key, L"AccessKeyHash", "");
  s.accessKeyFile = ReadText(key, L"AccessKeyFile", "");
  s.legacyAccessKey = ReadText(key, L"AccessKey", "");
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
  if (legacyAccessKey.empty()) {
    WriteText(key, L"AccessKeyHash", accessKeyHash);
    RegDeleteValueW(key, L"AccessKey");  // never kept in plain text beside its hash
  }
  WriteText(key, L"AccessKeyFile", accessKeyFile);
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
