#include "views/wx/StatusSheets.h"

#include <wx/bookctrl.h>
#include <wx/sizer.h>

#include "views/wx/NIStatusPage.h"
#include "views/wx/NodeStatisticPP.h"
#include "views/wx/NodeStatusPage.h"
#include "views/wx/RouterSideStatusPage.h"
#include "views/wx/WxText.h"

CStatusSheet::CStatusSheet(wxWindow* parent, const CString& title) {
  Create(parent, wxID_ANY, views_wx::ToWx(title), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
  CreateButtons(wxOK);
}

void CStatusSheet::AddNodePage(IDispatch* node) {
  GetBookCtrl()->AddPage(new CNodeStatusPage(GetBookCtrl(), node), "Neuron status");
}

void CStatusSheet::AddRouterSidePage(const CString& caption, IDispatch* side) {
  GetBookCtrl()->AddPage(new CRouterSideStatusPage(GetBookCtrl(), side), views_wx::ToWx(caption));
}

void CStatusSheet::AddInterfacePages(IDispatch* configuration) {
  GetBookCtrl()->AddPage(new CNIStatusPage(GetBookCtrl(), configuration), "Neuron status");
  GetBookCtrl()->AddPage(new CNodeStatisticPP(GetBookCtrl(), configuration), "Neuron statistics");
}

void CStatusSheet::Finish() { LayoutDialog(); }
