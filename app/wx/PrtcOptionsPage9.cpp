#include "app/wx/PrtcOptionsPage9.h"

#include <algorithm>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "project/Doc.h"

CPrtcOptionsPage9::CPrtcOptionsPage9(wxWindow* parent, int mode, bool connected)
    : COptionsPage(parent, "Back Compatibility", mode, connected) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  const wxString versions[] = {"Version 2.08", "Version 2.12", "Version 2.2x and higher"};
  auto* radios = new wxRadioBox(this, 1244, "Name compatibility", wxDefaultPosition, wxDefaultSize, 3, versions, 1,
                                wxRA_SPECIFY_COLS);
  CDoc* doc = CDoc::GetDoc();
  radios->SetSelection(doc != nullptr ? std::clamp(doc->m_settings.backNameComp, 0, 2) : 2);
  radios->Enable(IsInteractive() && !IsConnected());
  sizer->Add(radios, 0, wxEXPAND | wxBOTTOM, 8);
  m_radios = radios;
  m_types = AddCheck(this, sizer, 1219, "Back Type Compatibility", doc != nullptr && doc->m_settings.backTypeComp != 0,
                     IsInteractive() && !IsConnected());
  Finish(this, sizer);
}

void CPrtcOptionsPage9::Apply() {
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) return;
  SetMarked(doc, doc->m_settings.backTypeComp, m_types->GetValue() ? 1 : 0);
  if (doc->m_control.m_lpDispatch != nullptr) {
    doc->m_control.SetProperty(kestrum::ctl::kBackTypeCompatibility, VT_BOOL, m_types->GetValue());
  }
  SetMarked(doc, doc->m_settings.backNameComp, m_radios->GetSelection());
}
