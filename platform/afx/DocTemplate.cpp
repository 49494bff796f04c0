#include "platform/afx/DocTemplate.h"

#include <algorithm>

#include "platform/afx/Document.h"
#include "platform/afx/FrameWnd.h"
#include "platform/afx/View.h"
#include "platform/afx/WaitCursor.h"
#include "platform/win32/Files.h"

CDocTemplate::CDocTemplate(UINT idResource, DocumentFactory document, ViewFactory view, FrameFactory frame)
    : m_nIDResource(idResource), m_makeDocument(std::move(document)), m_makeView(std::move(view)),
      m_makeFrame(std::move(frame)) {}

CDocTemplate::~CDocTemplate() {
  for (CDocument* document : m_documents) {
    document->CloseFrames();  // views go while their document is whole
    document->m_pDocTemplate = nullptr;
    delete document;
  }
  m_documents.clear();
}

BOOL CDocTemplate::GetDocString(CString& out, DocStringIndex index) const {
  out.Empty();
  CString all;
  if (!all.LoadString(nullptr, m_nIDResource)) return FALSE;
  int start = 0;
  for (int i = 0; i < index; ++i) {
    start = all.Find(L'\n', start);
    if (start < 0) return FALSE;
    ++start;
  }
  int end = all.Find(L'\n', start);
  out = end < 0 ? all.Mid(start) : all.Mid(start, end - start);
  return out.IsEmpty() ? FALSE : TRUE;
}

CDocument* CDocTemplate::CreateNewDocument() {
  if (!m_makeDocument) return nullptr;
  CDocument* document = m_makeDocument();
  if (document == nullptr) return nullptr;
  document->m_pDocTemplate = this;
  m_documents.push_back(document);
  return document;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* document) {
  std::unique_ptr<CFrameWnd> frame = m_makeFrame ? m_makeFrame(m_nIDResource) : std::make_unique<CFrameWnd>(m_nIDResource);
  if (!frame) return nullptr;
  if (m_makeView) {
    if (std::unique_ptr<CView> view = m_makeView()) frame->AddView(std::move(view), document);
  }
  return document != nullptr ? document->AddFrame(std::move(frame)) : nullptr;
}

void CDocTemplate::RemoveDocument(CDocument* document) {
  auto it = std::find(m_documents.begin(), m_documents.end(), document);
  if (it == m_documents.end()) return;
  m_documents.erase(it);
  document->CloseFrames();
  document->m_pDocTemplate = nullptr;
  delete document;
}

void CDocTemplate::SetDefaultTitle(CDocument* document) {
  CString name;
  if (!GetDocString(name, fileNewName)) name = L"Untitled";
  ++m_nUntitledCount;
  if (m_nUntitledCount > 1) name.AppendFormat(L"%d", m_nUntitledCount);
  document->SetTitle(name);
}

CDocument* CDocTemplate::OpenDocumentFile(LPCTSTR path, BOOL) {
  CDocument* document = CreateNewDocument();
  if (document == nullptr) return nullptr;
  CFrameWnd* frame = CreateNewFrame(document);
  bool opened;
  if (path == nullptr || *path == 0) {
    SetDefaultTitle(document);
    opened = document->OnNewDocument() != FALSE;
  } else {
    CWaitCursor wait;
    opened = document->OnOpenDocument(path) != FALSE;
    if (opened) document->SetPathName(path);
  }
  if (!opened) {
    RemoveDocument(document);
    return nullptr;
  }
  if (frame != nullptr) frame->InitialUpdateFrame();
  return document;
}

CDocTemplate::Confidence CDocTemplate::MatchDocType(LPCTSTR path, CDocument*& match) {
  match = nullptr;
  CString target(path);
  for (CDocument* document : m_documents) {
    if (!document->GetPathName().IsEmpty() && document->GetPathName() == target) {
      match = document;
      return yesAlreadyOpen;
    }
  }
  CString ext;
  if (GetDocString(ext, filterExt) && !ext.IsEmpty()) {
    CString given(tessaly::win32::PathExtension(target));
    if (!given.IsEmpty() && given[0] != L'.') given = L"." + given;
    if (given.CompareNoCase(ext) == 0) return yesAttemptNative;
  }
  return yesAttemptForeign;
}

BOOL CDocTemplate::SaveAllModified() {
  for (CDocument* document : std::list<CDocument*>(m_documents))
    if (!document->SaveModified()) return FALSE;
  return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  for (CDocument* document : std::list<CDocument*>(m_documents)) {
    if (document->m_bAutoDelete) {
      document->OnCloseDocument();
    } else {
      // Not ours to delete: it only leaves the template.
      document->CloseFrames();
      m_documents.remove(document);
      document->m_pDocTemplate = nullptr;
    }
  }
}
