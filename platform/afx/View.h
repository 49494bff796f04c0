// A view of a document: told of every change by OnUpdate with the sender, a hint number and an
// optional object, and once at its start by OnInitialUpdate. A view belongs to one frame and
// one document; destroying it takes it off the document.
#pragma once

#include "platform/afx/CommandTarget.h"
#include "platform/afx/Object.h"

class CDocument;
class CFrameWnd;

class CView : public CCommandTarget {
 public:
  CView() = default;
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }
  CFrameWnd* GetParentFrame() const { return m_pFrame; }

  // Default: OnUpdate(null, 0, null).
  virtual void OnInitialUpdate();
  // Default: nothing (a window would repaint).
  virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject);

 private:
  friend class CDocument;
  friend class CFrameWnd;
  CDocument* m_pDocument = nullptr;
  CFrameWnd* m_pFrame = nullptr;
};
