// A document template: the kind of document, the frame and the view a file opens in, and the
// texts of its string resource ("window title\ndocument name\nnew-file name\nfilter name\n
// filter extension\nregistry file type\nregistry type name"). The template owns its open
// documents; a frame it makes for a document (with its views) belongs to that document.
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CDocument;
class CFrameWnd;
class CView;

class CDocTemplate {
 public:
  enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };
  enum Confidence { noAttempt, maybeAttemptForeign, maybeAttemptNative, yesAttemptForeign, yesAttemptNative, yesAlreadyOpen };

  using DocumentFactory = std::function<CDocument*()>;
  using FrameFactory = std::function<std::unique_ptr<CFrameWnd>(UINT idResource)>;
  using ViewFactory = std::function<std::unique_ptr<CView>()>;

  // Without a frame factory a plain frame is made.
  CDocTemplate(UINT idResource, DocumentFactory document, ViewFactory view, FrameFactory frame = nullptr);
  CDocTemplate(const CDocTemplate&) = delete;
  CDocTemplate& operator=(const CDocTemplate&) = delete;
  virtual ~CDocTemplate();

  UINT GetResourceID() const { return m_nIDResource; }
  // FALSE (and an empty text) when the resource has no such part.
  BOOL GetDocString(CString& out, DocStringIndex index) const;

  // Null path: a new document (OnNewDocument); else OnOpenDocument and then SetPathName with
  // the path. A document that fails is closed again and null returned.
  virtual CDocument* OpenDocumentFile(LPCTSTR path, BOOL makeVisible = TRUE);
  // A new, empty document of this template (not yet opened).
  CDocument* CreateNewDocument();
  // A frame with this template's view on the document (any template's document).
  CFrameWnd* CreateNewFrame(CDocument* document);
  // By the filter extension, compared without regard to case.
  virtual Confidence MatchDocType(LPCTSTR path, CDocument*& match);
  // "new-file name" and a number (the first one without).
  void SetDefaultTitle(CDocument* document);

  const std::list<CDocument*>& GetDocuments() const { return m_documents; }
  void RemoveDocument(CDocument* document);
  BOOL SaveAllModified();
  void CloseAllDocuments(BOOL endSession);

 private:
  UINT m_nIDResource;
  DocumentFactory m_makeDocument;
  ViewFactory m_makeView;
  FrameFactory m_makeFrame;
  std::list<CDocument*> m_documents;
  int m_nUntitledCount = 0;
};
