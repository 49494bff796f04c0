#include "platform/afx/RecentFileList.h"

#include <algorithm>

#include "platform/win32/Profile.h"

CRecentFileList::CRecentFileList(int size, LPCTSTR section, LPCTSTR entryFormat)
    : m_nSize(std::max(size, 1)), m_strSection(section), m_strEntryFormat(entryFormat) {}

void CRecentFileList::Add(LPCTSTR path) {
  CString entry(path);
  if (entry.IsEmpty()) return;
  m_files.erase(std::remove(m_files.begin(), m_files.end(), entry), m_files.end());
  m_files.insert(m_files.begin(), entry);
  if (m_files.size() > static_cast<size_t>(m_nSize)) m_files.resize(static_cast<size_t>(m_nSize));
}

void CRecentFileList::Remove(int index) {
  if (index < 0 || index >= GetCount()) return;
  m_files.erase(m_files.begin() + index);
}

void CRecentFileList::ReadList(CRegistryProfile* profile) {
  m_files.clear();
  if (profile == nullptr) return;
  for (int i = 0; i < m_nSize; ++i) {
    CString entry;
    entry.Format(m_strEntryFormat.GetString(), i + 1);
    CString path = profile->GetProfileString(m_strSection, entry);
    if (!path.IsEmpty() && std::find(m_files.begin(), m_files.end(), path) == m_files.end()) m_files.push_back(path);
  }
}

void CRecentFileList::WriteList(CRegistryProfile* profile) const {
  if (profile == nullptr) return;
  // The section is written anew so that entries beyond the list do not linger.
  profile->WriteProfileString(m_strSection, nullptr, nullptr);
  for (int i = 0; i < GetCount(); ++i) {
    CString entry;
    entry.Format(m_strEntryFormat.GetString(), i + 1);
    profile->WriteProfileString(m_strSection, entry, m_files[static_cast<size_t>(i)]);
  }
}
