#include "views/wx/GroupItemPanes.h"

#include "platform/afx/Document.h"
#include "views/wx/ClientView.h"
#include "views/wx/GroupFeaturesView.h"
#include "views/wx/GroupItemView.h"

CView* CGroupItemPanes::RightSide::View() const {
  if (features) return features.get();
  return client.get();
}

void CGroupItemPanes::RightSide::Detach() {
  if (featuresWindow != nullptr) featuresWindow->DetachModel();
  if (clientWindow != nullptr) clientWindow->DetachModel();
}

CGroupItemPanes::CGroupItemPanes(wxSplitterWindow* splitter, CDocument* document)
    : m_pSplitter(splitter), m_pDocument(document) {
  m_tree = std::make_unique<CGroupItemViewModel>(this);
  if (m_pDocument != nullptr) m_pDocument->AddView(m_tree.get());
  m_pTreeWindow = new CGroupItemView(splitter, *m_tree);
  m_right = MakeRight(CGroupItemViewModel::RightViewClient);
  m_tree->OnInitialUpdate();
}

CGroupItemPanes::~CGroupItemPanes() {
  // The windows belong to the splitter and go with it, later; they let go of the models here.
  m_pTreeWindow->DetachModel();
  m_right.Detach();
  if (m_right.features) m_right.features->OnDestroy();
  if (m_right.client) m_right.client->OnDestroy();
  if (m_pDocument != nullptr) {
    m_pDocument->RemoveView(m_tree.get());
    if (CView* right = m_right.View()) m_pDocument->RemoveView(right);
  }
}

wxWindow* CGroupItemPanes::GetLeft() const { return m_pTreeWindow; }

CGroupItemPanes::RightSide CGroupItemPanes::MakeRight(CGroupItemViewModel::RightView view) {
  RightSide side;
  side.kind = view;
  if (view == CGroupItemViewModel::RightViewGroupFeatures) {
    side.features = std::make_unique<CGroupFeaturesViewModel>();
    side.window = side.featuresWindow = new CGroupFeaturesView(m_pSplitter, *side.features);
  } else {
    side.client = std::make_unique<CClientViewModel>();
    side.window = side.clientWindow = new CClientView(m_pSplitter, *side.client);
  }
  if (m_pDocument != nullptr) m_pDocument->AddView(side.View());
  side.View()->OnInitialUpdate();
  return side;
}

void CGroupItemPanes::DropRight(RightSide& side) {
  side.Detach();
  if (side.window != nullptr) side.window->Destroy();
  side.window = nullptr;
  side.featuresWindow = nullptr;
  side.clientWindow = nullptr;
  if (side.features) side.features->OnDestroy();
  if (side.client) side.client->OnDestroy();
  if (m_pDocument != nullptr && side.View() != nullptr) m_pDocument->RemoveView(side.View());
  side.features.reset();
  side.client.reset();
}

void CGroupItemPanes::ReplaceRightView(CGroupItemViewModel::RightView view) {
  if (view == m_right.kind && m_right.window != nullptr) return;
  RightSide fresh = MakeRight(view);
  if (m_right.window != nullptr && m_pSplitter->IsSplit()) m_pSplitter->ReplaceWindow(m_right.window, fresh.window);
  DropRight(m_right);
  m_right = std::move(fresh);
}

CViewItemProperties* CGroupItemPanes::GetActiveViewProperties() const {
  for (wxWindow* w = wxWindow::FindFocus(); w != nullptr; w = w->GetParent()) {
    if (w != m_right.window) continue;
    if (m_right.features) return m_right.features.get();
    if (m_right.client) return m_right.client.get();
  }
  return m_tree.get();
}
