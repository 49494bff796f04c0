#include "views/wx/MultiSetDlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include "views/models/DeviceDialogModel.h"
#include "views/wx/FormHelpers.h"
#include "views/wx/WxText.h"

using views_wx::ToWx;

CMultiSetDlg::CMultiSetDlg(wxWindow* parent, CMultiSetDlgModel& model)
    : wxDialog(parent, wxID_ANY, "Multiple Setting"), m_model(model) {
  m_model.OnInitDialog();
  auto* box = new wxStaticBoxSizer(wxVERTICAL, this, "Use this tag properties ...");
  wxWindow* p = box->GetStaticBox();
  auto* grid = new wxFlexGridSizer(2, 4, 8);
  m_cacheUse = new wxCheckBox(p, 1010, "Using Cache");
  m_alwaysUseCache = new wxCheckBox(p, 216, "Always use Cache");
  m_dataType = new wxCheckBox(p, 1008, "DataType");
  m_types = new wxChoice(p, 1031);
  for (const CString& name : m_model.m_dataTypeNames) m_types->Append(ToWx(name));
  m_timeout = new wxCheckBox(p, 1009, "Cache Timeout");
  m_timeoutText = new wxTextCtrl(p, 215);
  m_monitoring = new wxCheckBox(p, 1013, "Monitoring");
  m_monitored = new wxCheckBox(p, 218, "Set monitored");
  // The timeout in milliseconds, its unit behind it.
  auto* timeoutField = new wxBoxSizer(wxHORIZONTAL);
  timeoutField->Add(m_timeoutText, 0, wxALIGN_CENTER_VERTICAL);
  timeoutField->Add(new wxStaticText(p, wxID_ANY, "ms"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
  grid->Add(m_cacheUse, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(m_alwaysUseCache, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(m_dataType, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(m_types, 0, wxEXPAND);
  grid->Add(m_timeout, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(timeoutField);
  grid->Add(m_monitoring, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(m_monitored, 0, wxALIGN_CENTER_VERTICAL);
  box->Add(grid, 0, wxALL, 4);
  m_allTags = new wxRadioButton(p, 1007, "all tags", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  m_ofType = new wxRadioButton(p, 208, "all tags with this NV type");
  m_ofName = new wxRadioButton(p, 210, "all tags with this NV name");
  auto* scopes = new wxFlexGridSizer(2, 4, 8);
  scopes->Add(m_allTags);
  scopes->AddSpacer(1);
  scopes->AddGrowableCol(1);
  auto* typeName = new wxTextCtrl(p, 1194, ToWx(m_model.m_strNvTypeName), wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
  auto* nvName = new wxTextCtrl(p, 1195, ToWx(m_model.m_strNvName), wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
  views_wx::FitToText(typeName);
  views_wx::FitToText(nvName);
  scopes->Add(m_ofType, 0, wxALIGN_CENTER_VERTICAL);
  scopes->Add(typeName, 1, wxEXPAND);
  scopes->Add(m_ofName, 0, wxALIGN_CENTER_VERTICAL);
  scopes->Add(nvName, 1, wxEXPAND);
  box->Add(scopes, 0, wxEXPAND | wxALL, 4);
  auto* nodes = new wxBoxSizer(wxHORIZONTAL);
  nodes->Add(new wxStaticText(p, wxID_ANY, "in"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
  m_thisNode = new wxRadioButton(p, 1019, "this node", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  m_allNodes = new wxRadioButton(p, 1014, "all nodes");
  nodes->Add(m_thisNode);
  nodes->Add(m_allNodes, 0, wxLEFT, 8);
  box->Add(nodes, 0, wxALL, 4);
  m_programId = new wxCheckBox(p, 1011, "with this program ID");
  m_location = new wxCheckBox(p, 1012, "from this location");
  box->Add(m_programId, 0, wxALL, 4);
  box->Add(m_location, 0, wxALL, 4);

  m_cacheUse->SetValue(m_model.m_bApplyCacheUse);
  m_alwaysUseCache->SetValue(m_model.m_bAlwaysUseCache);
  m_dataType->SetValue(m_model.m_bApplyDataType);
  m_types->SetStringSelection(ToWx(m_model.m_strDataType));
  m_timeout->SetValue(m_model.m_bApplyCacheTimeout);
  m_timeoutText->SetValue(wxString::Format("%d", static_cast<int>(m_model.m_nCacheTimeout)));
  m_monitoring->SetValue(m_model.m_bApplyMonitoring);
  m_monitored->SetValue(m_model.m_bMonitored);
  (m_model.m_nTagScope == 0 ? m_allTags : m_model.m_nTagScope == 1 ? m_ofType : m_ofName)->SetValue(true);
  (m_model.m_nNodeScope == 0 ? m_thisNode : m_allNodes)->SetValue(true);
  m_programId->SetValue(m_model.m_bWithThisProgramId);
  m_location->SetValue(m_model.m_bFromThisLocation);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(box, 1, wxEXPAND | wxALL, 8);
  top->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(top);
  Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { Enable(); });
  Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { Enable(); });
  Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
      long long timeout = 0;
      if (!ExchangeRangedInt(views_wx::FromWx(m_timeoutText->GetValue()), 0, 2147483647, timeout)) return;
      Read();
      event.Skip();
    }, wxID_OK);
  Enable();
}

CMultiSetDlg::~CMultiSetDlg() {
  Read();
  m_model.OnDestroy();
}

void CMultiSetDlg::Read() {
  m_model.m_bApplyCacheUse = m_cacheUse->GetValue();
  m_model.m_bAlwaysUseCache = m_alwaysUseCache->GetValue();
  m_model.m_bApplyDataType = m_dataType->GetValue();
  m_model.m_strDataType = views_wx::FromWx(m_types->GetStringSelection());
  m_model.m_bApplyCacheTimeout = m_timeout->GetValue();
  long timeout = 0;
  if (m_timeoutText->GetValue().ToLong(&timeout) && timeout >= 0) m_model.m_nCacheTimeout = static_cast<LONG>(timeout);
  m_model.m_bApplyMonitoring = m_monitoring->GetValue();
  m_model.m_bMonitored = m_monitored->GetValue();
  m_model.m_nTagScope = m_allTags->GetValue() ? 0 : m_ofType->GetValue() ? 1 : 2;
  m_model.m_nNodeScope = m_thisNode->GetValue() ? 0 : 1;
  m_model.m_bWithThisProgramId = m_programId->GetValue();
  m_model.m_bFromThisLocation = m_location->GetValue();
}

void CMultiSetDlg::Enable() {
  Read();
  m_alwaysUseCache->Enable(m_model.IsAlwaysUseCacheEnabled());
  m_types->Enable(m_model.IsDataTypeEnabled());
  m_timeoutText->Enable(m_model.IsCacheTimeoutEnabled());
  m_monitored->Enable(m_model.IsMonitoredEnabled());
  m_programId->Enable(m_model.AreNodeFiltersEnabled());
  m_location->Enable(m_model.AreNodeFiltersEnabled());
  if (wxWindow* ok = FindWindow(wxID_OK)) ok->Enable(m_model.IsOkEnabled());
}
