// The application's document templates and recent-file list: new documents, opening a file in
// the template that matches it, saving and closing them all. The application makes one and
// publishes it with AfxSetDocManager, so documents can reach the recent-file list.
#pragma once

#include <memory>
#include <vector>

#include "platform/afx/DocTemplate.h"
#include "platform/afx/RecentFileList.h"

class CRegistryProfile;

class CDocManager {
 public:
  CDocManager() = default;
  CDocManager(const CDocManager&) = delete;
  CDocManager& operator=(const CDocManager&) = delete;
  virtual ~CDocManager();

  void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
  const std::vector<std::unique_ptr<CDocTemplate>>& GetTemplates() const { return m_templates; }
  CDocTemplate* FindTemplate(UINT idResource) const;

  // A new document of the first template.
  CDocument* OnFileNew();
  // The template whose extension matches (else the first) opens it.
  virtual CDocument* OpenDocumentFile(LPCTSTR path);
  BOOL SaveAllModified();
  void CloseAllDocuments(BOOL endSession);
  // The file dialog (CFileDialog) titled by string titleId: the filter of the given template (of
  // every template with one when null), then "All Files"; a save adds the template's extension
  // to a name typed without one. fileName is the name offered and becomes the chosen path;
  // FALSE when cancelled.
  virtual BOOL DoPromptFileName(CString& fileName, UINT titleId, DWORD flags, BOOL openFileDialog,
                                CDocTemplate* docTemplate);
  // File/Open's question; the chosen path, or empty when cancelled.
  CString PromptOpenFileName();

  // The list of `size` entries, read from the profile (LoadStdProfileSettings).
  void LoadStdProfileSettings(CRegistryProfile* profile, int size = 4);
  void SaveStdProfileSettings();
  CRecentFileList* GetRecentFileList() { return m_pRecentFiles.get(); }
  // Adds the path and writes the list to the profile.
  void AddToRecentFileList(LPCTSTR path);

 private:
  std::vector<std::unique_ptr<CDocTemplate>> m_templates;
  std::unique_ptr<CRecentFileList> m_pRecentFiles;
  CRegistryProfile* m_pProfile = nullptr;
};

// The process's manager; null when none is published.
CDocManager* AfxGetDocManager();
void AfxSetDocManager(CDocManager* manager);
