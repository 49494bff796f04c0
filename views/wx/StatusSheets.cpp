#include "views/wx/StatusSheets.h"

#include <wx/bookctrl.h>
#include <wx/sizer.h>

#include "views/wx/StatusPage.h"
#include "views/wx/WxText.h"

CStatusSheet::CStatusSheet(wxWindow* parent, const CString& title) {
  Create(parent, wxID_ANY, views_wx::ToWx(title));
  CreateButtons(wxOK);
}

void CStatusSheet::AddNodePage(IDispatch* node) {
  GetBookCtrl()->AddPage(new CStatusPage(GetBookCtrl(), std::make_unique<CNodeStatusPageModel>(node)), "Neuron status");
}

void CStatusSheet::AddRouterSidePage(const CString& caption, IDispatch* side) {
  GetBookCtrl()->AddPage(new CStatusPage(GetBookCtrl(), std::make_unique<CRouterSideStatusPageModel>(side)), views_wx::ToWx(caption));
}

void CStatusSheet::AddInterfacePages(IDispatch* configuration) {
  GetBookCtrl()->AddPage(new CStatusPage(GetBookCtrl(), std::make_unique<CNIStatusPageModel>(configuration)), "Neuron status");
  GetBookCtrl()->AddPage(new CStatusPage(GetBookCtrl(), std::make_unique<CNodeStatisticModel>(configuration)), "Neuron statistics");
}

void CStatusSheet::Finish() { LayoutDialog(); }
