#include "platform/afx/DocManager.h"

#include <atomic>

#include "platform/afx/AfxRes.h"
#include "platform/afx/Document.h"
#include "platform/afx/FileDialog.h"
#include "platform/win32/Profile.h"

namespace {
std::atomic<CDocManager*> g_pDocManager{nullptr};
}

CDocManager* AfxGetDocManager() { return g_pDocManager.load(); }
void AfxSetDocManager(CDocManager* manager) { g_pDocManager.store(manager); }

CDocManager::~CDocManager() {
  if (g_pDocManager.load() == this) g_pDocManager.store(nullptr);
}

void CDocManager::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate) {
  if (docTemplate) m_templates.push_back(std::move(docTemplate));
}

CDocTemplate* CDocManager::FindTemplate(UINT idResource) const {
  for (const auto& t : m_templates)
    if (t->GetResourceID() == idResource) return t.get();
  return nullptr;
}

CDocument* CDocManager::OnFileNew() {
  if (m_templates.empty()) return nullptr;
  return m_templates.front()->OpenDocumentFile(nullptr);
}

CDocument* CDocManager::OpenDocumentFile(LPCTSTR path) {
  CDocTemplate* best = nullptr;
  CDocTemplate::Confidence bestMatch = CDocTemplate::noAttempt;
  for (const auto& t : m_templates) {
    CDocument* open = nullptr;
    CDocTemplate::Confidence match = t->MatchDocType(path, open);
    if (match == CDocTemplate::yesAlreadyOpen) return open;
    if (match > bestMatch) {
      bestMatch = match;
      best = t.get();
    }
  }
  return best != nullptr ? best->OpenDocumentFile(path) : nullptr;
}

BOOL CDocManager::SaveAllModified() {
  for (const auto& t : m_templates)
    if (!t->SaveAllModified()) return FALSE;
  return TRUE;
}

void CDocManager::CloseAllDocuments(BOOL endSession) {
  for (const auto& t : m_templates) t->CloseAllDocuments(endSession);
}

BOOL CDocManager::DoPromptFileName(CString& fileName, UINT titleId, DWORD flags, BOOL openFileDialog,
                                   CDocTemplate* docTemplate) {
  AfxRegisterFrameworkStrings();
  CString filter;
  CString defaultExt;
  auto append = [&filter, &defaultExt](const CDocTemplate& t) {
    CString name, ext;
    if (!t.GetDocString(name, CDocTemplate::filterName) || !t.GetDocString(ext, CDocTemplate::filterExt)) return;
    if (defaultExt.IsEmpty()) defaultExt = ext;
    filter += name + L"|*" + ext + L"|";
  };
  if (docTemplate != nullptr) {
    append(*docTemplate);
  } else {
    for (const auto& t : m_templates) append(*t);
  }
  CString all;
  all.LoadString(nullptr, AFX_IDS_ALLFILTER);
  filter += all + L"|*.*||";
  // Open takes the name as typed; a save gets the extension and asks before it replaces a file.
  CFileDialog dialog(openFileDialog, openFileDialog ? nullptr : defaultExt.GetString(), fileName,
                     openFileDialog ? flags : flags | OFN_OVERWRITEPROMPT, filter);
  dialog.m_request.title.LoadString(nullptr, titleId);
  if (dialog.DoModal() != IDOK) return FALSE;
  fileName = dialog.GetPathName();
  return TRUE;
}

CString CDocManager::PromptOpenFileName() {
  CString path;
  if (!DoPromptFileName(path, AFX_IDS_OPENFILE, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, TRUE, nullptr)) return CString();
  return path;
}

void CDocManager::LoadStdProfileSettings(CRegistryProfile* profile, int size) {
  m_pProfile = profile;
  m_pRecentFiles = size > 0 ? std::make_unique<CRecentFileList>(size) : nullptr;
  if (m_pRecentFiles) m_pRecentFiles->ReadList(profile);
}

void CDocManager::SaveStdProfileSettings() {
  if (m_pRecentFiles) m_pRecentFiles->WriteList(m_pProfile);
}

void CDocManager::AddToRecentFileList(LPCTSTR path) {
  if (!m_pRecentFiles) return;
  // Kept in the profile at once: an end without the usual exit keeps the list too.
  m_pRecentFiles->Add(path);
  SaveStdProfileSettings();
}
