// The most recently used files, newest first, kept in the profile (section "Recent File List",
// values "File1" to "FileN"). A path already listed moves to the front; an empty one is never
// listed.
#pragma once

#include <vector>

#include "platform/win32/CString.h"

class CRegistryProfile;

class CRecentFileList {
 public:
  explicit CRecentFileList(int size = 4, LPCTSTR section = L"Recent File List", LPCTSTR entryFormat = L"File%d");

  int GetSize() const { return m_nSize; }
  int GetCount() const { return static_cast<int>(m_files.size()); }
  const CString& operator[](int index) const { return m_files.at(static_cast<size_t>(index)); }

  void Add(LPCTSTR path);
  void Remove(int index);
  // With no profile, reading leaves the list empty and writing does nothing.
  void ReadList(CRegistryProfile* profile);
  void WriteList(CRegistryProfile* profile) const;

 private:
  int m_nSize;
  CString m_strSection;
  CString m_strEntryFormat;
  std::vector<CString> m_files;
};
