#include "platform/afx/FileDialog.h"

#include <filesystem>

#include "platform/afx/AfxRes.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"

namespace {
std::mutex g_lock;
std::shared_ptr<IFileDialogPresenter> g_presenter;

bool Exists(const CString& path) {
  std::error_code error;
  return std::filesystem::exists(tessaly::win32::NativePath(path), error);
}
}  // namespace

std::shared_ptr<IFileDialogPresenter> SetFileDialogPresenter(std::shared_ptr<IFileDialogPresenter> presenter) {
  std::lock_guard<std::mutex> lock(g_lock);
  std::swap(g_presenter, presenter);
  return presenter;
}

std::shared_ptr<IFileDialogPresenter> GetFileDialogPresenter() {
  std::lock_guard<std::mutex> lock(g_lock);
  return g_presenter;
}

std::vector<std::pair<CString, CString>> CFileDialogRequest::FilterPairs() const {
  std::vector<std::pair<CString, CString>> pairs;
  std::vector<CString> parts;
  int start = 0;
  for (;;) {
    const int bar = filter.Find(L'|', start);
    if (bar < 0) {
      if (start < filter.GetLength()) parts.push_back(filter.Mid(start));
      break;
    }
    parts.push_back(filter.Mid(start, bar - start));
    start = bar + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].IsEmpty() && parts[i + 1].IsEmpty()) break;
    pairs.emplace_back(parts[i], parts[i + 1]);
  }
  return pairs;
}

CFileDialog::CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt, LPCTSTR fileName, DWORD flags, LPCTSTR filter) {
  AfxRegisterFrameworkStrings();
  m_request.open = openFileDialog != FALSE;
  m_request.defaultExt = defaultExt != nullptr ? defaultExt : L"";
  if (!m_request.defaultExt.IsEmpty() && m_request.defaultExt[0] == L'.') m_request.defaultExt = m_request.defaultExt.Mid(1);
  m_request.fileName = fileName != nullptr ? fileName : L"";
  m_request.flags = flags;
  m_request.filter = filter != nullptr ? filter : L"";
  m_request.title.LoadString(nullptr, m_request.open ? AFX_IDS_OPENFILE : AFX_IDS_SAVEFILE);
}

CString CFileDialog::GetFileName() const { return CString(tessaly::win32::PathFileName(m_strPath)); }

INT_PTR CFileDialog::DoModal() {
  std::shared_ptr<IFileDialogPresenter> presenter = GetFileDialogPresenter();
  if (!presenter) return IDCANCEL;
  CFileDialogRequest request = m_request;
  for (;;) {
    std::optional<CString> chosen = presenter->Show(request);
    if (!chosen || chosen->IsEmpty()) return IDCANCEL;
    CString path = *chosen;
    // A name typed without an extension gets the default one; an open keeps the name as typed
    // when that file exists.
    if (!request.defaultExt.IsEmpty() && tessaly::win32::PathExtension(path).empty() &&
        !(request.open && Exists(path))) {
      path += L"." + request.defaultExt;
    }
    if (!request.open && (request.flags & OFN_OVERWRITEPROMPT) != 0 && Exists(path)) {
      CString question;
      question.LoadString(nullptr, AFX_IDP_ASK_TO_REPLACE);
      question.Replace(L"%1", path);
      if (AfxMessageBox(question, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
        request.fileName = path;
        continue;
      }
    }
    m_strPath = path;
    return IDOK;
  }
}

void CScriptedFileDialogPresenter::Answer(std::optional<CString> path) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_answers.push_back(std::move(path));
}

std::optional<CString> CScriptedFileDialogPresenter::Show(const CFileDialogRequest& request) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_requests.push_back(request);
  if (m_answers.empty()) return std::nullopt;
  std::optional<CString> answer = m_answers.front();
  m_answers.pop_front();
  return answer;
}

std::vector<CFileDialogRequest> CScriptedFileDialogPresenter::Requests() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_requests;
}
