#include "app/wx/OptionsPage.h"

COptionsPage::COptionsPage(wxWindow* parent, const wxString& caption, int startMode, bool connected)
    : wxPanel(parent, wxID_ANY), m_caption(caption), m_nStartMode(startMode), m_bConnected(connected) {}

wxCheckBox* COptionsPage::AddCheck(wxWindow* page, wxSizer* sizer, int id, const char* text, bool checked, bool enabled) {
  auto* check = new wxCheckBox(page, id, text);
  check->SetValue(checked);
  check->Enable(enabled);
  sizer->Add(check, 0, wxBOTTOM, 6);
  return check;
}

void COptionsPage::Finish(wxPanel* page, wxSizer* content) {
  auto* outer = new wxBoxSizer(wxVERTICAL);
  outer->Add(content, 1, wxEXPAND | wxALL, 10);
  page->SetSizer(outer);
}

void COptionsPage::CollectBits(const std::vector<std::pair<wxCheckBox*, int>>& boxes, int& bits, int& checked) {
  for (const auto& [check, bit] : boxes) {
    bits |= 1 << bit;
    if (check->GetValue()) checked |= 1 << bit;
  }
}
