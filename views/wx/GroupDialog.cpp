#include "views/wx/GroupDialog.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

GroupDialog::GroupDialog(wxWindow* parent) : wxDialog(parent, wxID_ANY, "Set name") {
  auto* column = new wxBoxSizer(wxVERTICAL);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticText(this, wxID_ANY, "Name"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
  m_pName = new wxTextCtrl(this, IDC_NAME, wxEmptyString, wxDefaultPosition, wxSize(220, -1));
  row->Add(m_pName, 1, wxEXPAND);
  column->Add(row, 0, wxEXPAND | wxALL, 10);
  column->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(column);
}

bool GroupDialog::TransferDataToWindow() {
  m_pName->ChangeValue(wxString(m_strName.GetString()));
  return true;
}

bool GroupDialog::TransferDataFromWindow() {
  m_strName = m_pName->GetValue().wc_str();
  return true;
}
