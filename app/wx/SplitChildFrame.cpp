#include "app/wx/SplitChildFrame.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/shell/FrameSplitter.h"
#include "app/shell/ShellCommands.h"
#include "app/wx/DlgBanner.h"
#include "platform/win32/Profile.h"

CSplitChildFrame::CSplitChildFrame(wxWindow* parent, int templateId, const wchar_t* frameClass,
                                   const wxString& leftView, const wxString& rightView)
    : wxPanel(parent, wxID_ANY), m_nTemplateId(templateId), m_pszFrameClass(frameClass) {
  m_pSplitter = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_LIVE_UPDATE | wxSP_3DSASH);
  m_pSplitter->SetMinimumPaneSize(0);
  wxWindow* left = MakeView(leftView);
  wxWindow* right = MakeView(rightView);
  int width = parent->GetClientSize().GetWidth() / 3;
  if (CRegistryProfile* profile = AfxGetRegistryProfile()) {
    if (const std::optional<int> stored = CFrameSplitter::Load(*profile, m_pszFrameClass)) width = *stored;
  }
  m_pSplitter->SplitVertically(left, right, width > 0 ? width : 1);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_pSplitter, 1, wxEXPAND);
  SetSizer(sizer);
}

CSplitChildFrame::~CSplitChildFrame() {
  if (CRegistryProfile* profile = AfxGetRegistryProfile()) {
    CFrameSplitter::Store(*profile, m_pszFrameClass, m_pSplitter->GetSashPosition());
  }
}

wxWindow* CSplitChildFrame::MakeView(const wxString& name) {
  // The views themselves come with subsystem 6; until then each side shows its banner.
  auto* view = new wxPanel(m_pSplitter, wxID_ANY);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(new CDlgBanner(view, name), 0, wxEXPAND);
  view->SetSizer(sizer);
  view->SetName(name);
  return view;
}
