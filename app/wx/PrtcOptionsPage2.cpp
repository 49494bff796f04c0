#include "app/wx/PrtcOptionsPage2.h"

#include "app/shell/OptionsPageRules.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "project/Doc.h"

CPrtcOptionsPage2::CPrtcOptionsPage2(wxWindow* parent, int mode, bool connected)
    : COptionsPage(parent, "LonWorks Events", mode, connected) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  CDoc* doc = CDoc::GetDoc();
  const int mask = doc != nullptr ? doc->m_settings.Protocol.load() : ~0;
  auto add = [&](int id, const char* text, int bit, bool enabled) {
    wxCheckBox* check = AddCheck(this, sizer, id, text, (mask >> bit) & 1, enabled);
    m_bits.emplace_back(check, bit);
    return check;
  };
  add(1197, "Datachange by Watcher", 6, false);
  add(1195, "Scan / Upload", 7, true);
  m_network = add(1196, "Datachange by LonWorks Network", 8, true);
  m_changesOnly = new wxCheckBox(this, 1199, "Report changes only");
  m_changesOnly->SetValue(ControlSwitch(doc, kestrum::ctl::kReportChangesOnly));
  m_changesOnly->Enable(m_network->GetValue());
  sizer->Add(m_changesOnly, 0, wxLEFT | wxBOTTOM, 16);
  m_network->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { m_changesOnly->Enable(m_network->GetValue()); });
  add(1198, "Datachange by Host Application", 9, true);
  Finish(this, sizer);
}

void CPrtcOptionsPage2::Apply() {
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) return;
  int bits = 0, checked = 0;
  CollectBits(m_bits, bits, checked);
  doc->m_settings.Protocol = options::ApplyProtocolBits(doc->m_settings.Protocol.load(), bits, checked);
  if (doc->m_control.m_lpDispatch != nullptr) {
    doc->m_control.SetProperty(kestrum::ctl::kReportChangesOnly, VT_BOOL, m_changesOnly->GetValue());
  }
}
