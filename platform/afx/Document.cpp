#include "platform/afx/Document.h"

#include <algorithm>
#include <filesystem>

#include "platform/afx/AfxRes.h"
#include "platform/afx/Archive.h"
#include "platform/afx/ArchiveException.h"
#include "platform/afx/DocManager.h"
#include "platform/afx/DocTemplate.h"
#include "platform/afx/FileDialog.h"
#include "platform/afx/FrameWnd.h"
#include "platform/afx/View.h"
#include "platform/afx/WaitCursor.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"

namespace {
// A file whose permissions let nobody write it: saved under another name, as a read-only file is.
bool IsReadOnlyFile(const CString& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(tessaly::win32::NativePath(path), error);
  if (error || !std::filesystem::is_regular_file(status)) return false;
  using std::filesystem::perms;
  return (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}
}  // namespace

CDocument::CDocument() {
  AfxRegisterFrameworkStrings();
  MapCommand(ID_FILE_SAVE, [this] { OnFileSave(); });
  MapCommand(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
}

CDocument::~CDocument() {
  CloseFrames();
  for (CView* view : m_views) view->m_pDocument = nullptr;
  m_views.clear();
}

void CDocument::SetTitle(LPCTSTR title) { m_strTitle = title; }

void CDocument::SetPathName(LPCTSTR path, BOOL addToMRU) {
  m_strPathName = path;
  SetTitle(CString(tessaly::win32::PathFileName(m_strPathName)));
  if (addToMRU) {
    if (CDocManager* manager = AfxGetDocManager()) manager->AddToRecentFileList(m_strPathName);
  }
}

BOOL CDocument::IsModified() { return m_bModified ? TRUE : FALSE; }

void CDocument::SetModifiedFlag(BOOL modified) { m_bModified = modified != FALSE; }

CFrameWnd* CDocument::AddFrame(std::unique_ptr<CFrameWnd> frame) {
  m_frames.push_back(std::move(frame));
  return m_frames.back().get();
}

std::vector<CFrameWnd*> CDocument::GetFrames() const {
  std::vector<CFrameWnd*> frames;
  for (const auto& frame : m_frames) frames.push_back(frame.get());
  return frames;
}

void CDocument::CloseFrames() {
  // The views leave the document as their frames go.
  std::vector<std::unique_ptr<CFrameWnd>> closing = std::move(m_frames);
  m_frames.clear();
  closing.clear();
}

void CDocument::AddView(CView* view) {
  if (view == nullptr || std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
  m_views.push_back(view);
  view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
  auto it = std::find(m_views.begin(), m_views.end(), view);
  if (it == m_views.end()) return;
  m_views.erase(it);
  view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject) {
  // A view may go away while it is told (a hint that closes it); walk a snapshot.
  const std::vector<CView*> views = m_views;
  for (CView* view : views) {
    if (view == sender || std::find(m_views.begin(), m_views.end(), view) == m_views.end()) continue;
    view->OnUpdate(sender, hint, hintObject);
  }
}

void CDocument::DeleteContents() {}

void CDocument::Serialize(CArchive&) {}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCTSTR path) {
  return LoadFile(path, [this](const std::vector<BYTE>& bytes) {
    CArchive ar(bytes.data(), bytes.size());
    Serialize(ar);
  });
}

BOOL CDocument::LoadFile(LPCTSTR path, const std::function<void(const std::vector<BYTE>&)>& read) {
  std::vector<BYTE> bytes;
  if (tessaly::win32::ReadWholeFile(path, bytes) != ERROR_SUCCESS) {
    ReportSaveLoadException(path, nullptr, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  DeleteContents();
  SetModifiedFlag(TRUE);
  try {
    read(bytes);
  } catch (const std::exception& e) {
    DeleteContents();
    ReportSaveLoadException(path, &e, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCTSTR path) {
  return SaveFile(path, [this, path] { return WriteDocumentFile(path); });
}

LONG CDocument::WriteDocumentFile(LPCTSTR path) {
  CArchive ar;
  Serialize(ar);
  return tessaly::win32::ReplaceFileSafely(path, ar.GetStoredBytes());
}

BOOL CDocument::SaveFile(LPCTSTR path, const std::function<LONG()>& write) {
  try {
    if (const LONG error = write(); error != ERROR_SUCCESS) {
      ReportSaveError(path, error);
      return FALSE;
    }
  } catch (const std::exception& e) {
    ReportSaveLoadException(path, &e, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  const bool autoDelete = m_bAutoDelete;
  CDocTemplate* docTemplate = m_pDocTemplate;
  CloseFrames();
  DeleteContents();
  if (autoDelete && docTemplate != nullptr) docTemplate->RemoveDocument(this);  // deletes this
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  CString name = m_strPathName.IsEmpty() ? m_strTitle : CString(tessaly::win32::PathFileName(m_strPathName));
  CString prompt;
  prompt.LoadString(nullptr, AFX_IDP_ASK_TO_SAVE);
  prompt.Replace(L"%1", name);
  switch (AfxMessageBox(prompt, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDCANCEL:
      return FALSE;
    case IDYES:
      return DoFileSave();
    default:
      return TRUE;
  }
}

BOOL CDocument::CanCloseFrame(CFrameWnd* frame) {
  for (const auto& other : m_frames)
    if (other.get() != frame) return TRUE;
  return SaveModified();
}

BOOL CDocument::DoSave(LPCTSTR path, BOOL replace) {
  CString target(path);
  if (target.IsEmpty()) {
    CDocManager* manager = AfxGetDocManager();
    target = m_strPathName;
    if (replace && target.IsEmpty()) {
      // The title, up to anything that would make it a path, with the template's extension.
      target = m_strTitle;
      const int bad = target.FindOneOf(L":/\\");
      if (bad >= 0) target = target.Left(bad);
      CString ext;
      if (m_pDocTemplate != nullptr && m_pDocTemplate->GetDocString(ext, CDocTemplate::filterExt)) target += ext;
    }
    if (manager == nullptr ||
        !manager->DoPromptFileName(target, replace ? AFX_IDS_SAVEFILE : AFX_IDS_SAVEFILECOPY,
                                   OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, FALSE, m_pDocTemplate)) {
      return FALSE;
    }
  }
  CWaitCursor wait;
  // The file is written whole or not at all, so nothing is removed after a failure.
  if (!OnSaveDocument(target)) return FALSE;
  if (replace) SetPathName(target);
  return TRUE;
}

BOOL CDocument::DoFileSave() {
  if (m_strPathName.IsEmpty() || IsReadOnlyFile(m_strPathName)) return DoSave(nullptr);
  return DoSave(m_strPathName);
}

void CDocument::ReportSaveError(LPCTSTR path, LONG error) {
  UINT prompt;
  switch (error) {
    case ERROR_ACCESS_DENIED:
      prompt = AFX_IDP_FAILED_ACCESS_WRITE;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      prompt = AFX_IDP_FAILED_DISK_FULL;
      break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      prompt = AFX_IDP_FAILED_INVALID_PATH;
      break;
    default:
      prompt = AFX_IDP_FAILED_IO_ERROR_WRITE;
      break;
  }
  CString text;
  text.LoadString(nullptr, prompt);
  text.Replace(L"%1", path);
  AfxMessageBox(text, MB_ICONEXCLAMATION);
}

void CDocument::ReportSaveLoadException(LPCTSTR, const std::exception* error, BOOL, UINT defaultPromptId) {
  UINT prompt = defaultPromptId;
  if (const auto* archive = dynamic_cast<const CArchiveException*>(error)) {
    switch (archive->m_cause) {
      case CArchiveException::badSchema:
      case CArchiveException::badClass:
      case CArchiveException::badIndex:
      case CArchiveException::endOfFile:
        prompt = AFX_IDP_FAILED_INVALID_FORMAT;
        break;
      default:
        break;
    }
  }
  CString text;
  text.LoadString(nullptr, prompt);
  AfxMessageBox(text, MB_ICONEXCLAMATION);
}
