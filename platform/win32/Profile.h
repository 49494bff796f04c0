// The application's registry profile as MFC's CWinApp keeps it: after SetRegistryKey(company)
// the profile lives under HKEY_CURRENT_USER "Software\<company>\<profile name>", one key per
// section. The application object embeds or derives from CRegistryProfile and sets itself as
// the process's current profile.
//
// Before SetRegistryKey (or with an empty profile name) there is no profile: reads give their
// defaults and writes fail. Reads never create keys.
#pragma once

#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/Registry.h"
#include "platform/win32/WinTypes.h"

class CRegistryProfile {
 public:
  explicit CRegistryProfile(LPCTSTR profileName = nullptr);
  virtual ~CRegistryProfile() = default;

  // company may hold "\" ("Norvane GmbH\Tessaly").
  void SetRegistryKey(LPCTSTR company);
  void SetProfileName(LPCTSTR profileName);
  CString GetRegistryKeyName() const;
  CString GetProfileName() const;
  // "Software\<company>\<profile>", "" without a registry key.
  CString GetAppRegistryPath() const;

  // Opened (and created) keys for the caller to close; null without a profile.
  HKEY GetAppRegistryKey();
  HKEY GetSectionKey(LPCTSTR section);

  // REG_DWORD values; anything else (or nothing) gives the default.
  UINT GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue);
  BOOL WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value);
  // REG_SZ values; anything else gives the default (null default: "").
  CString GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue = nullptr);
  // A null entry deletes the section (with everything below it); a null value deletes the entry.
  BOOL WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR value);
  // REG_BINARY values. *data is allocated with new[] for the caller to delete[].
  BOOL GetProfileBinary(LPCTSTR section, LPCTSTR entry, LPBYTE* data, UINT* bytes);
  bool GetProfileBinary(LPCTSTR section, LPCTSTR entry, std::vector<BYTE>& data);
  BOOL WriteProfileBinary(LPCTSTR section, LPCTSTR entry, LPBYTE data, UINT bytes);

 private:
  HKEY OpenSectionForRead(LPCTSTR section) const;

  CString m_registryKey;
  CString m_profileName;
};

// The process's current profile (the application object sets itself); null when none.
CRegistryProfile* AfxGetRegistryProfile();
void AfxSetRegistryProfile(CRegistryProfile* profile);
