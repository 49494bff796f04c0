#include "lon/TimingSettings.h"

#include <vector>

#include "platform/win32/Files.h"

using namespace tessaly::win32;

CString CTimingSettings::GetSharedFolder() {
  CString folder(JoinPath(CString(JoinPath(CString(GetCommonAppDataFolder().c_str()), L"Norvane").c_str()), L"Kiv2").c_str());
  CreateFolderTree(folder);
  return folder;
}

CTimingSettings::CTimingSettings() : m_strPath(JoinPath(GetSharedFolder(), L"timing.xml").c_str()) { Init(); }

CTimingSettings::CTimingSettings(const CString& path) : m_strPath(path) { Init(); }

void CTimingSettings::Init() {
  if (LoadWithDefaults(m_strPath)) return;
  // Keep a file we could not read before writing the built-ins over it.
  std::vector<BYTE> bytes;
  if (ReadWholeFile(m_strPath, bytes) == ERROR_SUCCESS) ReplaceFileSafely(m_strPath + L".bak", bytes);
  try {
    CTmSettings::Save(m_strPath);
  } catch (...) {
    // A read-only shared folder leaves the settings in memory only.
  }
}

bool CTimingSettings::Save() { return CTmSettings::Save(m_strPath); }
