// A frame that holds the views of one document (a child frame of the main window). The frame
// owns its views; the window toolkit's frame attaches its window to it later.
#pragma once

#include <memory>
#include <vector>

#include "platform/afx/CommandTarget.h"
#include "platform/afx/View.h"

class CDocument;

class CFrameWnd : public CCommandTarget {
 public:
  explicit CFrameWnd(UINT idResource = 0) : m_nIDResource(idResource) {}
  ~CFrameWnd() override;

  // The resource id of the template that made the frame.
  UINT GetResourceID() const { return m_nIDResource; }
  CDocument* GetActiveDocument() const;
  CView* GetActiveView() const { return m_pActiveView; }
  void SetActiveView(CView* view) { m_pActiveView = view; }

  // Takes the view, puts it on the document, and makes it active when none is.
  CView* AddView(std::unique_ptr<CView> view, CDocument* document);
  const std::vector<std::unique_ptr<CView>>& GetViews() const { return m_views; }
  // Every view is told OnInitialUpdate.
  void InitialUpdateFrame();

 private:
  UINT m_nIDResource;
  CView* m_pActiveView = nullptr;
  std::vector<std::unique_ptr<CView>> m_views;
};
