#include "platform/win32/Profile.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<CRegistryProfile*> g_currentProfile{nullptr};

class KeyCloser {
 public:
  explicit KeyCloser(HKEY key) : m_key(key) {}
  ~KeyCloser() {
    if (m_key != nullptr) RegCloseKey(m_key);
  }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;
  HKEY get() const { return m_key; }

 private:
  HKEY m_key;
};

bool ReadValue(HKEY key, LPCTSTR entry, DWORD wantedType, std::vector<BYTE>& data) {
  if (key == nullptr || entry == nullptr) return false;
  for (int attempt = 0; attempt < 4; ++attempt) {  // the value may grow between the two calls
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(key, entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != wantedType)
      return false;
    data.assign(size, 0);
    LONG error = RegQueryValueEx(key, entry, nullptr, &type, data.data(), &size);
    if (error == ERROR_MORE_DATA) continue;
    if (error != ERROR_SUCCESS || type != wantedType) return false;
    data.resize(size);
    return true;
  }
  return false;
}

}  // namespace

CRegistryProfile::CRegistryProfile(LPCTSTR profileName) : m_profileName(profileName) {}

void CRegistryProfile::SetRegistryKey(LPCTSTR company) { m_registryKey = company; }
void CRegistryProfile::SetProfileName(LPCTSTR profileName) { m_profileName = profileName; }
CString CRegistryProfile::GetRegistryKeyName() const { return m_registryKey; }
CString CRegistryProfile::GetProfileName() const { return m_profileName; }

CString CRegistryProfile::GetAppRegistryPath() const {
  if (m_registryKey.IsEmpty() || m_profileName.IsEmpty()) return CString();
  return CString(L"Software\\") + m_registryKey + L"\\" + m_profileName;
}

HKEY CRegistryProfile::GetAppRegistryKey() {
  CString path = GetAppRegistryPath();
  if (path.IsEmpty()) return nullptr;
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ, nullptr,
                     &key, &disposition) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

HKEY CRegistryProfile::GetSectionKey(LPCTSTR section) {
  CString path = GetAppRegistryPath();
  if (path.IsEmpty() || section == nullptr || *section == L'\0') return nullptr;
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, path + L"\\" + section, 0, nullptr, REG_OPTION_NON_VOLATILE,
                     KEY_WRITE | KEY_READ, nullptr, &key, &disposition) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

HKEY CRegistryProfile::OpenSectionForRead(LPCTSTR section) const {
  CString path = GetAppRegistryPath();
  if (path.IsEmpty() || section == nullptr || *section == L'\0') return nullptr;
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, path + L"\\" + section, 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

UINT CRegistryProfile::GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue) {
  KeyCloser key(OpenSectionForRead(section));
  std::vector<BYTE> data;
  if (!ReadValue(key.get(), entry, REG_DWORD, data) || data.size() != sizeof(DWORD))
    return static_cast<UINT>(defaultValue);
  DWORD value = 0;
  std::memcpy(&value, data.data(), sizeof value);
  return value;
}

BOOL CRegistryProfile::WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value) {
  if (entry == nullptr) return FALSE;
  KeyCloser key(GetSectionKey(section));
  if (key.get() == nullptr) return FALSE;
  DWORD dw = static_cast<DWORD>(value);
  return RegSetValueEx(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), sizeof dw) ==
                 ERROR_SUCCESS
             ? TRUE
             : FALSE;
}

CString CRegistryProfile::GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue) {
  KeyCloser key(OpenSectionForRead(section));
  std::vector<BYTE> data;
  if (!ReadValue(key.get(), entry, REG_SZ, data)) return CString(defaultValue);
  std::wstring text(data.size() / sizeof(WCHAR), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(WCHAR));
  text.resize(wcsnlen(text.c_str(), text.size()));  // up to the terminator
  return CString(std::move(text));
}

BOOL CRegistryProfile::WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR value) {
  if (section == nullptr || *section == L'\0') return FALSE;
  if (entry == nullptr) {
    // The whole section goes, including anything stored below it.
    KeyCloser app(GetAppRegistryKey());
    if (app.get() == nullptr) return FALSE;
    return RegDeleteTree(app.get(), section) == ERROR_SUCCESS ? TRUE : FALSE;
  }
  if (value == nullptr) {
    KeyCloser key(OpenSectionForRead(section));
    return key.get() != nullptr && RegDeleteValue(key.get(), entry) == ERROR_SUCCESS ? TRUE : FALSE;
  }
  KeyCloser key(GetSectionKey(section));
  if (key.get() == nullptr) return FALSE;
  DWORD size = static_cast<DWORD>((wcslen(value) + 1) * sizeof(WCHAR));
  return RegSetValueEx(key.get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), size) == ERROR_SUCCESS
             ? TRUE
             : FALSE;
}

bool CRegistryProfile::GetProfileBinary(LPCTSTR section, LPCTSTR entry, std::vector<BYTE>& data) {
  data.clear();
  KeyCloser key(OpenSectionForRead(section));
  if (ReadValue(key.get(), entry, REG_BINARY, data)) return true;
  data.clear();
  return false;
}

BOOL CRegistryProfile::GetProfileBinary(LPCTSTR section, LPCTSTR entry, LPBYTE* data, UINT* bytes) {
  if (data == nullptr || bytes == nullptr) return FALSE;
  *data = nullptr;
  *bytes = 0;
  std::vector<BYTE> value;
  if (!GetProfileBinary(section, entry, value)) return FALSE;
  if (!value.empty()) {
    *data = new BYTE[value.size()];
    std::memcpy(*data, value.data(), value.size());
  }
  *bytes = static_cast<UINT>(value.size());
  return TRUE;
}

BOOL CRegistryProfile::WriteProfileBinary(LPCTSTR section, LPCTSTR entry, LPBYTE data, UINT bytes) {
  if (entry == nullptr || (data == nullptr && bytes != 0)) return FALSE;
  KeyCloser key(GetSectionKey(section));
  if (key.get() == nullptr) return FALSE;
  return RegSetValueEx(key.get(), entry, 0, REG_BINARY, data, bytes) == ERROR_SUCCESS ? TRUE : FALSE;
}

CRegistryProfile* AfxGetRegistryProfile() { return g_currentProfile.load(); }
void AfxSetRegistryProfile(CRegistryProfile* profile) { g_currentProfile.store(profile); }
