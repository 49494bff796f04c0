#include "platform/afx/View.h"

#include "platform/afx/Document.h"

CView::~CView() {
  if (m_pDocument != nullptr) m_pDocument->RemoveView(this);
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::OnUpdate(CView*, LPARAM, CObject*) {}
