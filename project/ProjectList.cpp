#include "project/ProjectList.h"

#include <vector>

#include "foundation/XmlArchive.h"
#include "lon/TimingSettings.h"
#include "platform/win32/FileLock.h"
#include "platform/win32/Files.h"

void CProjectList::Read(CXmlArchive& ar) {
  TiXmlElement* root = ar.EnterElement(L"project_files");
  int version = 0;
  if (root->QueryIntAttribute("version", &version) != TIXML_SUCCESS) AfxThrowArchiveException(CArchiveException::badIndex);
  if (version != 1) AfxThrowArchiveException(CArchiveException::badSchema);
  for (int n = 0;; ++n) {
    TiXmlElement* file = ar.EnterElementAt(L"file", n);
    if (file == nullptr) break;
    int index = 0;
    if (file->QueryIntAttribute("index", &index) == TIXML_SUCCESS) m_files[index] = CXmlArchive::ElementText(file);
    ar.LeaveElementLoading();
  }
  ar.LeaveElementLoading();
}

bool CProjectList::Load(const CString& path) {
  m_files.clear();
  try {
    CXmlArchive ar(path, CXmlArchive::load);
    Read(ar);
    return true;
  } catch (const CArchiveException&) {
    return false;
  }
}

bool CProjectList::LoadFromText(const std::string& text) {
  m_files.clear();
  try {
    CXmlArchive ar(text);
    Read(ar);
    return true;
  } catch (const CArchiveException&) {
    return false;
  }
}

bool CProjectList::Save(const CString& path) {
  try {
    CXmlArchive ar(path, CXmlArchive::store);
    TiXmlElement* root = ar.AddElement(L"project_files");
    root->SetAttribute("version", 1);
    for (const auto& [instance, file] : m_files) {
      TiXmlElement* element = ar.AddTextElement(L"file", file);
      element->SetAttribute("index", instance);
    }
    ar.LeaveElementStoring();
    return ar.Save();
  } catch (const CArchiveException&) {
    return false;
  }
}

CString CProjectList::GetFile(int instance) const {
  auto it = m_files.find(instance);
  return it != m_files.end() ? it->second : CString();
}

CString CProjectList::GetDefaultPath() {
  return CString(tessaly::win32::JoinPath(CTimingSettings::GetSharedFolder(), L"projects.xml"));
}

bool CProjectList::SetLastProjectPath(const CString& listPath, int instance, const CString& projectPath) {
  if (projectPath.IsEmpty()) return false;
  CExclusiveFileLock lock(listPath + L".lock");
  CProjectList list;
  if (!list.Load(listPath)) {
    std::vector<BYTE> bytes;
    if (tessaly::win32::ReadWholeFile(listPath, bytes) == ERROR_SUCCESS)
      tessaly::win32::ReplaceFileSafely(listPath + L".bak", bytes);
  }
  list.SetFile(instance, projectPath);
  return list.Save(listPath);
}

CString CProjectList::GetLastProjectPath(const CString& listPath, int instance) {
  CExclusiveFileLock lock(listPath + L".lock");
  CProjectList list;
  list.Load(listPath);
  return list.GetFile(instance);
}
