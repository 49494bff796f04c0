// The last project of each server instance, kept in projects.xml in the shared folder of the
// machine: root "project_files" version 1, one "file" per instance in ascending order with the
// attribute "index" and the path as its text. The map is built anew for each use.
#pragma once

#include <map>

#include "platform/win32/CString.h"

class CXmlArchive;

class CProjectList {
 public:
  // Empties the map and reads the file; false when it is missing or unreadable (cause 5) or of
  // another version (cause 7). Entries read before a failure stay.
  bool Load(const CString& path);
  // False when the file could not be written (the old one is then untouched).
  bool Save(const CString& path);
  // The text of a file already read (a fuzz harness or a test); as Load.
  bool LoadFromText(const std::string& text);
  // The path of that instance, empty when there is none.
  CString GetFile(int instance) const;
  void SetFile(int instance, const CString& path) { m_files[instance] = path; }
  const std::map<int, CString>& GetFiles() const { return m_files; }

  // projects.xml in the shared folder, which is created when missing.
  static CString GetDefaultPath();
  // Under the list's lock file: reads the list, sets the instance's entry and writes it. A
  // list that does not load is kept beside as projects.xml.bak before it is replaced. An
  // empty project path records nothing. The result of the write.
  static bool SetLastProjectPath(const CString& listPath, int instance, const CString& projectPath);
  // The instance's entry, read under the lock file; empty when there is none.
  static CString GetLastProjectPath(const CString& listPath, int instance);

 private:
  void Read(CXmlArchive& ar);

  std::map<int, CString> m_files;
};
