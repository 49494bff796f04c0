// The common file dialog behind CFileDialog. A presenter shows it: the GUI plugs in its toolkit's
// file dialog, tests plug in CScriptedFileDialogPresenter. With no presenter every dialog is
// cancelled. What Windows' dialog does itself is done here, the same for every presenter: the
// default extension is added to a name typed without one, and with OFN_OVERWRITEPROMPT a save
// over an existing file is asked first (No shows the dialog again).
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

// One showing of the dialog.
struct CFileDialogRequest {
  bool open = true;
  CString title;
  // "name|pattern|name|pattern|" as Windows takes it (a trailing "|" may end it).
  CString filter;
  // Without the point ("tdbx"); empty: none.
  CString defaultExt;
  // The name (or path) the dialog starts with.
  CString fileName;
  DWORD flags = 0;

  // The filter's (name, pattern) pairs, in order.
  std::vector<std::pair<CString, CString>> FilterPairs() const;
};

class IFileDialogPresenter {
 public:
  virtual ~IFileDialogPresenter() = default;
  // The path chosen; nothing when cancelled.
  virtual std::optional<CString> Show(const CFileDialogRequest& request) = 0;
};

std::shared_ptr<IFileDialogPresenter> SetFileDialogPresenter(std::shared_ptr<IFileDialogPresenter> presenter);
std::shared_ptr<IFileDialogPresenter> GetFileDialogPresenter();

class CFileDialog {
 public:
  CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt = nullptr, LPCTSTR fileName = nullptr,
              DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR filter = nullptr);

  // IDOK with GetPathName set, or IDCANCEL.
  INT_PTR DoModal();
  CString GetPathName() const { return m_strPath; }
  CString GetFileName() const;

  CFileDialogRequest m_request;

 private:
  CString m_strPath;
};

// Answers from a queue (a path, or nothing for Cancel) and records every request. An empty
// queue cancels.
class CScriptedFileDialogPresenter : public IFileDialogPresenter {
 public:
  void Answer(std::optional<CString> path);
  std::optional<CString> Show(const CFileDialogRequest& request) override;
  std::vector<CFileDialogRequest> Requests() const;

 private:
  mutable std::mutex m_lock;
  std::deque<std::optional<CString>> m_answers;
  std::vector<CFileDialogRequest> m_requests;
};

class CScopedFileDialogPresenter {
 public:
  explicit CScopedFileDialogPresenter(std::shared_ptr<IFileDialogPresenter> presenter)
      : m_previous(SetFileDialogPresenter(std::move(presenter))) {}
  ~CScopedFileDialogPresenter() { SetFileDialogPresenter(std::move(m_previous)); }
  CScopedFileDialogPresenter(const CScopedFileDialogPresenter&) = delete;
  CScopedFileDialogPresenter& operator=(const CScopedFileDialogPresenter&) = delete;

 private:
  std::shared_ptr<IFileDialogPresenter> m_previous;
};
