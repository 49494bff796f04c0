#include "app/wx/OptionsPage.h"

#include <vector>

#include <wx/choice.h>
#include <wx/stattext.h>

#include "platform/com/DispatchDriver.h"
#include "project/Doc.h"

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

void COptionsPage::MarkModified(CDoc* doc) { doc->SetModifiedFlag(TRUE); }

bool COptionsPage::ControlSwitch(CDoc* doc, DISPID id) {
  if (doc == nullptr || doc->m_control.m_lpDispatch == nullptr) return false;
  try {
    return doc->m_control.GetProperty<bool>(id);
  } catch (const COleDispatchException&) {
    return false;
  }
}

void COptionsPage::FillInterfaces(wxChoice* choice, CDoc* doc, const CString& current) {
  choice->Append("< none >");
  if (doc != nullptr) {
    std::vector<CString> names;
    doc->GetNetworkInterfaces(names);
    for (const CString& name : names) choice->Append(ToWx(name));
  }
  const int index = current.IsEmpty() ? wxNOT_FOUND : choice->FindString(ToWx(current), true);
  choice->SetSelection(index == wxNOT_FOUND ? 0 : index);
}

wxFlexGridSizer* COptionsPage::Grid() {
  auto* grid = new wxFlexGridSizer(2, 6, 8);
  grid->AddGrowableCol(1);
  return grid;
}

void COptionsPage::Row(wxFlexGridSizer* grid, wxWindow* parent, const wxString& label, wxWindow* control) {
  grid->Add(new wxStaticText(parent, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(control, 1, wxEXPAND);
}
