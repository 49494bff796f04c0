// A document of the document/view model: its title, path and modified flag, its views, and the
// framework's operations of a file's life (new, open, save, close) with the prompts they ask
// through the message-box service. A document made by a template is owned by it and deletes
// itself in OnCloseDocument (m_bAutoDelete); one made by hand sets m_bAutoDelete false.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "platform/afx/CommandTarget.h"
#include "platform/afx/Object.h"

class CArchive;
class CDocTemplate;
class CFrameWnd;
class CView;

class CDocument : public CCommandTarget {
 public:
  CDocument();
  ~CDocument() override;

  const CString& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(LPCTSTR title);
  const CString& GetPathName() const { return m_strPathName; }
  // The title becomes the file's name; the path goes to the recent-file list when asked.
  virtual void SetPathName(LPCTSTR path, BOOL addToMRU = TRUE);
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

  virtual BOOL IsModified();
  virtual void SetModifiedFlag(BOOL modified = TRUE);

  // The document owns the frames that show it (its views live in them), whichever template
  // made them.
  CFrameWnd* AddFrame(std::unique_ptr<CFrameWnd> frame);
  std::vector<CFrameWnd*> GetFrames() const;
  // Destroys every frame and with it every view.
  void CloseFrames();

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& GetViews() const { return m_views; }
  // OnUpdate on every view but the sender, in the order the views were added.
  void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);

  virtual void DeleteContents();
  // The binary form; nothing by default.
  virtual void Serialize(CArchive& ar);

  virtual BOOL OnNewDocument();
  // Reads the file through Serialize; a file that cannot be read is reported and gives FALSE.
  virtual BOOL OnOpenDocument(LPCTSTR path);
  // Writes the file (WriteDocumentFile); a failure is reported and gives FALSE.
  virtual BOOL OnSaveDocument(LPCTSTR path);
  // Writes the document's file form to the path, whole or not at all, and asks nothing: the
  // Win32 error, ERROR_SUCCESS when written. The base writes Serialize's form; may throw.
  virtual LONG WriteDocumentFile(LPCTSTR path);
  // Destroys the frames and views, empties the contents, and deletes the document when it
  // belongs to a template. The caller must not use the document afterwards.
  virtual void OnCloseDocument();
  // Asks "Save changes to %1?" while modified: Yes saves (FALSE when that fails), No goes on,
  // Cancel gives FALSE.
  virtual BOOL SaveModified();
  // The last frame of the document asks SaveModified; other frames may always close.
  virtual BOOL CanCloseFrame(CFrameWnd* frame);
  // Saves to the path; without one asks for it (the template's manager's file dialog, offering
  // the path, or the title with the template's extension). replace: the document takes the new
  // path. A failed save leaves any file that was there as it was.
  virtual BOOL DoSave(LPCTSTR path, BOOL replace = TRUE);
  // Save: to the document's path, or asked for when it has none or its file is read-only.
  virtual BOOL DoFileSave();
  // The commands ID_FILE_SAVE and ID_FILE_SAVE_AS.
  void OnFileSave() { DoFileSave(); }
  void OnFileSaveAs() { DoSave(nullptr); }
  // The message of a failed open or save: an archive error of a file's format gives "Unexpected
  // file format.", anything else the default prompt.
  virtual void ReportSaveLoadException(LPCTSTR path, const std::exception* error, BOOL saving, UINT defaultPromptId);

  bool m_bAutoDelete = true;

 protected:
  // Reads the file and hands its bytes to `read`, as an open does: a file that cannot be read
  // or that `read` throws on is reported (with the contents emptied) and gives FALSE; success
  // leaves the document unmodified.
  BOOL LoadFile(LPCTSTR path, const std::function<void(const std::vector<BYTE>&)>& read);
  // Runs `write`, which gives the Win32 error of a file that was not written (the old one then
  // stands) and may throw: either is reported with its cause and gives FALSE, with the document
  // still modified.
  BOOL SaveFile(LPCTSTR path, const std::function<LONG()>& write);
  // The message of a write that failed with a Win32 error.
  virtual void ReportSaveError(LPCTSTR path, LONG error);

  CString m_strTitle;
  CString m_strPathName;
  bool m_bModified = false;

 private:
  friend class CDocTemplate;
  CDocTemplate* m_pDocTemplate = nullptr;
  std::vector<CView*> m_views;
  std::vector<std::unique_ptr<CFrameWnd>> m_frames;
};
