#include "views/wx/TagDialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>

#include "views/wx/FormHelpers.h"
#include "views/wx/WxText.h"

using views_wx::ToWx;

CTagDialog::CTagDialog(wxWindow* parent, CTagDialogModel& model) : wxDialog(parent, wxID_ANY, "Tag Properties"), m_model(model) {
  m_model.OnInitDialog();
  auto* grid = new wxFlexGridSizer(2, 4, 8);
  views_wx::AddField(this, grid, 1018, "&Address", ToWx(m_model.GetTagProperties().m_strItemId), true);
  m_description = views_wx::AddField(this, grid, 1023, "&Description", ToWx(m_model.m_strDescription));
  grid->Add(new wxStaticText(this, wxID_ANY, "Data &Type"), 0, wxALIGN_CENTER_VERTICAL);
  m_types = new wxChoice(this, 1031);
  for (const CString& name : m_model.m_dataTypeNames) m_types->Append(ToWx(name));
  // A type outside the table is shown as it is, until the user picks one of the table.
  if (m_types->FindString(ToWx(m_model.m_strDataType)) == wxNOT_FOUND) m_types->Append(ToWx(m_model.m_strDataType));
  m_types->SetStringSelection(ToWx(m_model.m_strDataType));
  grid->Add(m_types, 1, wxEXPAND);
  m_timeout = views_wx::AddField(this, grid, 1163, "&Cache Timeout (ms)", ToWx(m_model.m_strCacheTimeout));
  grid->AddSpacer(1);
  m_alwaysUseCache = new wxCheckBox(this, 1165, "&Always use Cache");
  m_alwaysUseCache->SetValue(m_model.m_bAlwaysUseCache);
  grid->Add(m_alwaysUseCache);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 1, wxEXPAND | wxALL, 8);
  top->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(top);
  Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { EnableControls(); }, 1165);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      Read();
      if (m_model.OnOK()) EndModal(wxID_OK);
    }, wxID_OK);
  EnableControls();
}

void CTagDialog::Read() {
  m_model.m_strDescription = views_wx::FromWx(m_description->GetValue());
  m_model.m_strDataType = views_wx::FromWx(m_types->GetStringSelection());
  m_model.m_strCacheTimeout = views_wx::FromWx(m_timeout->GetValue());
  m_model.m_bAlwaysUseCache = m_alwaysUseCache->GetValue();
}

void CTagDialog::EnableControls() {
  Read();
  m_timeout->Enable(m_model.IsCacheTimeoutEnabled());
}
