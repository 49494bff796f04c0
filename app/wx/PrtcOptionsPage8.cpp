#include "app/wx/PrtcOptionsPage8.h"

#include <algorithm>

#include <wx/filedlg.h>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "project/Doc.h"

CPrtcOptionsPage8::CPrtcOptionsPage8(wxWindow* parent, int mode, bool connected)
    : COptionsPage(parent, "Project", mode, connected) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  const bool setup = IsInteractive() && !IsConnected();
  CDoc* doc = CDoc::GetDoc();
  m_lon = new wxChoice(this, 1147);
  FillInterfaces(m_lon, doc, doc != nullptr ? doc->GetNetworkInterfaceName() : CString());
  m_lon->Enable(setup);
  Row(grid, this, "&LON interface:", m_lon);
  m_mode = new wxChoice(this, 1155);
  for (const char* name : {"Auto", "Simulate", "Upload all", "Upload new"}) m_mode->Append(name);
  m_mode->SetSelection(doc != nullptr ? std::clamp(doc->m_settings.dbmode, 0, 3) : 1);
  m_mode->Enable(setup);
  Row(grid, this, "&Mode:", m_mode);
  m_db = new CFileBrowseCtrl(this, 1157, doc != nullptr ? ToWx(doc->m_settings.GetDbPath()) : wxString(), "Database",
                             "Microsoft Access Database (*.mdb)|*.mdb", "mdb", wxFD_OPEN);
  m_db->Enable(setup);
  Row(grid, this, "&Database:", m_db);
  sizer->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
  m_selfdoc = AddCheck(this, sizer, 1179, "&Use NV Selfdocumentation as NV name",
                       doc != nullptr && doc->m_settings.useNvSelfdoc != 0, setup);
  m_trace = AddCheck(this, sizer, 1177, "Debug &trace", doc != nullptr && doc->m_settings.debugTrace != 0, IsInteractive());
  m_hide = AddCheck(this, sizer, 1178, "&Hide main window if started from client",
                    doc != nullptr && doc->m_settings.hideWindow != 0, IsInteractive());
  const bool connectedSetup = IsInteractive() && IsConnected();
  m_auth = AddCheck(this, sizer, 1000, "Use authentication", ControlSwitch(doc, kestrum::ctl::kUseAuthentication),
                    connectedSetup);
  m_subnet = AddCheck(this, sizer, 1002, "Use subnet/node addressing",
                      ControlSwitch(doc, kestrum::ctl::kSubnetNodeAddressing), connectedSetup);
  Finish(this, sizer);
}

void CPrtcOptionsPage8::Apply() {
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) return;
  doc->SelectNetworkInterface(ToCString(m_lon->GetStringSelection()));
  SetMarked(doc, doc->m_settings.dbmode, m_mode->GetSelection());
  doc->m_settings.SetString(doc->m_settings.dbpath, ToCString(m_db->GetPath()));
  SetMarked(doc, doc->m_settings.useNvSelfdoc, m_selfdoc->GetValue() ? 1 : 0);
  SetMarked(doc, doc->m_settings.hideWindow, m_hide->GetValue() ? 1 : 0);
  CDoc::SetLogging(m_trace->GetValue());
  if (doc->m_control.m_lpDispatch == nullptr) return;
  doc->m_control.SetPropertyWithParams(kestrum::ctl::kOption, CString(L"UseSelfDoc"),
                                       static_cast<LONG>(m_selfdoc->GetValue() ? 1 : 0));
  doc->m_control.SetProperty(kestrum::ctl::kUseAuthentication, VT_BOOL, m_auth->GetValue());
  doc->m_control.SetProperty(kestrum::ctl::kSubnetNodeAddressing, VT_BOOL, m_subnet->GetValue());
}
