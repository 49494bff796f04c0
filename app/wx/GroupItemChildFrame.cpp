#include "app/wx/GroupItemChildFrame.h"

#include "app/shell/ShellCommands.h"
#include "project/Doc.h"
#include "views/wx/GroupItemPanes.h"

CGroupItemChildFrame::CGroupItemChildFrame(wxWindow* parent)
    : CSplitChildFrame(parent, IDR_DIAGNOSTICS, L"CGroupItemChildFrame", "OPC Diagnostics", "Client") {
  // The views take the places the split frame kept for them.
  wxSplitterWindow* splitter = GetSplitter();
  m_panes = std::make_unique<CGroupItemPanes>(splitter, CDoc::GetDoc());
  m_panes->GetLeft()->SetName("OPC Diagnostics");
  wxWindow* left = splitter->GetWindow1();
  wxWindow* right = splitter->GetWindow2();
  splitter->ReplaceWindow(left, m_panes->GetLeft());
  splitter->ReplaceWindow(right, m_panes->GetRight());
  left->Destroy();
  right->Destroy();
}

// The views' models go before the windows, which the splitter takes down with it.
CGroupItemChildFrame::~CGroupItemChildFrame() { m_panes.reset(); }

CViewItemProperties* CGroupItemChildFrame::GetActiveViewProperties() { return m_panes->GetActiveViewProperties(); }
