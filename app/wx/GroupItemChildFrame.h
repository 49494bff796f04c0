// The OPC diagnostics workspace (document template 337): the tree of the diagnostics objects on
// the left, the group's form or the client view on the right.
#pragma once

#include <memory>

#include "app/wx/SplitChildFrame.h"

class CGroupItemPanes;

class CGroupItemChildFrame : public CSplitChildFrame {
 public:
  explicit CGroupItemChildFrame(wxWindow* parent);
  ~CGroupItemChildFrame() override;

  CViewItemProperties* GetActiveViewProperties() override;
  CGroupItemPanes* GetPanes() { return m_panes.get(); }

 private:
  std::unique_ptr<CGroupItemPanes> m_panes;
};
