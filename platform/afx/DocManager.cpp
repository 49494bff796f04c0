#include "platform/afx/DocManager.h"

#include <atomic>

#include "platform/afx/Document.h"
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

BOOL CDocManager::DoPromptFileName(CString&, BOOL, CDocTemplate*) { return FALSE; }

void CDocManager::LoadStdProfileSettings(CRegistryProfile* profile, int size) {
  m_pProfile = profile;
  m_pRecentFiles = size > 0 ? std::make_unique<CRecentFileList>(size) : nullptr;
  if (m_pRecentFiles) m_pRecentFiles->ReadList(profile);
}

void CDocManager::SaveStdProfileSettings() {
  if (m_pRecentFiles) m_pRecentFiles->WriteList(m_pProfile);
}

void CDocManager::AddToRecentFileList(LPCTSTR path) {
  if (m_pRecentFiles) m_pRecentFiles->Add(path);
}
