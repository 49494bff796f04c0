// The two sides of the OPC diagnostics workspace inside its child frame's splitter: the tree on
// the left, and on the right the group's form for a selected group or the client view for
// anything else, swapped as the selection changes. It owns the views' models and puts them on
// the document for as long as their windows live.
#pragma once

#include <memory>

#include <wx/splitter.h>

#include "views/models/ClientViewModel.h"
#include "views/models/GroupFeaturesViewModel.h"
#include "views/models/GroupItemViewModel.h"

class CClientView;
class CDocument;
class CGroupFeaturesView;
class CGroupItemView;

class CGroupItemPanes : public CGroupItemViewModel::Frame {
 public:
  // The windows are made as the splitter's children; the frame splits it with GetLeft and
  // GetRight.
  CGroupItemPanes(wxSplitterWindow* splitter, CDocument* document);
  ~CGroupItemPanes() override;
  CGroupItemPanes(const CGroupItemPanes&) = delete;
  CGroupItemPanes& operator=(const CGroupItemPanes&) = delete;

  wxWindow* GetLeft() const;
  wxWindow* GetRight() const { return m_right.window; }
  CGroupItemViewModel::RightView GetRightViewKind() const { return m_right.kind; }

  void ReplaceRightView(CGroupItemViewModel::RightView view) override;
  // The view that feeds the properties pane: the side that holds the focus (the tree when
  // neither does).
  CViewItemProperties* GetActiveViewProperties() const;
  CView* GetRightView() const { return m_right.View(); }

 private:
  struct RightSide {
    CGroupItemViewModel::RightView kind = CGroupItemViewModel::RightViewClient;
    std::unique_ptr<CGroupFeaturesViewModel> features;
    std::unique_ptr<CClientViewModel> client;
    wxWindow* window = nullptr;
    CGroupFeaturesView* featuresWindow = nullptr;
    CClientView* clientWindow = nullptr;
    CView* View() const;
    // The window lets go of its model.
    void Detach();
  };
  RightSide MakeRight(CGroupItemViewModel::RightView view);
  // Its window first (once it let go of its model), then its model.
  void DropRight(RightSide& side);

  wxSplitterWindow* m_pSplitter;
  CDocument* m_pDocument;
  std::unique_ptr<CGroupItemViewModel> m_tree;
  CGroupItemView* m_pTreeWindow = nullptr;
  RightSide m_right;
};
