#include "platform/afx/FrameWnd.h"

#include "platform/afx/Document.h"
#include "platform/afx/View.h"

CFrameWnd::~CFrameWnd() {
  m_pActiveView = nullptr;
  m_views.clear();
}

CDocument* CFrameWnd::GetActiveDocument() const {
  return m_pActiveView != nullptr ? m_pActiveView->GetDocument() : nullptr;
}

CView* CFrameWnd::AddView(std::unique_ptr<CView> view, CDocument* document) {
  CView* added = view.get();
  added->m_pFrame = this;
  m_views.push_back(std::move(view));
  if (document != nullptr) document->AddView(added);
  if (m_pActiveView == nullptr) m_pActiveView = added;
  return added;
}

void CFrameWnd::InitialUpdateFrame() {
  for (auto& view : m_views) view->OnInitialUpdate();
}
