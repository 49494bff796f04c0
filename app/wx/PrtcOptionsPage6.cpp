#include "app/wx/PrtcOptionsPage6.h"

#include <algorithm>

#include <wx/stattext.h>

#include "app/shell/OptionsPageRules.h"
#include "foundation/Conversions.h"
#include "platform/win32/Time.h"
#include "project/Doc.h"

CPrtcOptionsPage6::CPrtcOptionsPage6(wxWindow* parent, int mode, bool connected)
    : COptionsPage(parent, "General", mode, connected) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  m_time = new wxChoice(this, 1228);
  SYSTEMTIME now;
  GetSystemTime(&now);
  for (int style = 0; style < 6; ++style) m_time->Append(ToWx(SystemTimeToString(now, style)));
  CDoc* doc = CDoc::GetDoc();
  m_time->SetSelection(doc != nullptr ? std::clamp(doc->m_settings.TimeTextStyle, 0, 5) : 0);
  Row(grid, this, "Time format", m_time);
  sizer->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
  const wxString monitor[] = {"All", "Selected"};
  m_monitor = new wxRadioBox(this, 1243, "Monitor Network Variables", wxDefaultPosition, wxDefaultSize, 2, monitor);
  m_monitor->SetSelection(doc != nullptr && doc->m_settings.monitorNVs.load() == 0 ? 1 : 0);
  m_monitor->Enable(IsInteractive());
  sizer->Add(m_monitor, 0, wxEXPAND | wxBOTTOM, 8);
  m_disabling = new wxCheckBox(this, 1220, "Automatic disabling of the nodes");
  m_disabling->SetValue(doc == nullptr || doc->m_settings.disablingNodesOn != 0);
  sizer->Add(m_disabling, 0, wxBOTTOM, 6);
  auto* edits = Grid();
  m_offset = new wxTextCtrl(this, 1250, wxString::Format("%d", doc != nullptr ? doc->m_settings.timeOffset : 60));
  m_retry = new wxTextCtrl(this, 1237, wxString::Format("%d", doc != nullptr ? doc->m_settings.retry : 3));
  Row(edits, this, "Time offset (s)", m_offset);
  Row(edits, this, "Retry", m_retry);
  sizer->Add(edits, 0, wxEXPAND | wxBOTTOM, 8);
  sizer->Add(new wxStaticText(this, wxID_ANY,
                              "If these options are changed, the changes will not be reflected until the project is "
                              "stopped and re-started."),
             0, wxEXPAND);
  m_disabling->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { Follow(); });
  Follow();
  Finish(this, sizer);
}

CString CPrtcOptionsPage6::Check() {
  int value = 0;
  if (!options::ParseRangedInt(CString(m_offset->GetValue().wc_str()), 0, 86400, value)) return L"Time offset: enter a number of seconds from 0 to 86400.";
  if (!options::ParseRangedInt(CString(m_retry->GetValue().wc_str()), 0, 255, value)) return L"Retry: enter a number from 0 to 255.";
  return CString();
}

void CPrtcOptionsPage6::Apply() {
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) return;
  int offset = 60, retry = 3;
  options::ParseRangedInt(ToCString(m_offset->GetValue()), 0, 86400, offset);
  options::ParseRangedInt(ToCString(m_retry->GetValue()), 0, 255, retry);
  doc->m_settings.TimeTextStyle = m_time->GetSelection();
  const int monitor = m_monitor->GetSelection() == 0 ? 1 : 0;
  if (doc->m_settings.monitorNVs.exchange(monitor) != monitor) doc->SetModifiedFlag(TRUE);
  doc->UpdateAllViews(nullptr, 8);
  CDoc::SetDisablingNodes(offset, retry, m_disabling->GetValue());
}

void CPrtcOptionsPage6::Follow() {
  m_offset->Enable(m_disabling->GetValue());
  m_retry->Enable(m_disabling->GetValue());
}
