#include "views/wx/DeviceDialog.h"

#include <wx/button.h>
#include <wx/statbox.h>

#include "views/wx/FormHelpers.h"
#include "views/wx/WxText.h"

using views_wx::AddField;
using views_wx::ToWx;

CDeviceDialog::CDeviceDialog(wxWindow* parent, CDeviceDialogModel& model)
    : wxDialog(parent, wxID_ANY, "Device Properties"), m_model(model) {
  m_model.OnInitDialog();
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* general = new wxFlexGridSizer(2, 4, 8);
  m_name = AddField(this, general, 1018, "Name", ToWx(m_model.m_strName));
  top->Add(general, 0, wxEXPAND | wxALL, 8);

  auto* access = new wxStaticBoxSizer(wxVERTICAL, this, " LON access ");
  auto* accessGrid = new wxFlexGridSizer(2, 4, 8);
  AddField(access->GetStaticBox(), accessGrid, 1148, "Channel", ToWx(m_model.m_strChannel), true);
  AddField(access->GetStaticBox(), accessGrid, 1001, "Port", ToWx(m_model.m_strPort), true);
  access->Add(accessGrid, 0, wxALL, 4);
  top->Add(access, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);

  auto* startup = new wxStaticBoxSizer(wxVERTICAL, this, " Startup ");
  auto* startupGrid = new wxFlexGridSizer(2, 4, 8);
  AddField(startup->GetStaticBox(), startupGrid, 1150, "Mode", ToWx(m_model.m_strMode), true);
  AddField(startup->GetStaticBox(), startupGrid, 1152, "Database", ToWx(m_model.m_strDatabase), true);
  startup->Add(startupGrid, 0, wxALL, 4);
  top->Add(startup, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
  top->Add(new wxStaticText(this, wxID_ANY, "Please use Control/Options... to set \"LON access\" and \"Startup\" parameters !"), 0,
           wxALL, 8);

  auto* host = new wxStaticBoxSizer(wxVERTICAL, this, " Host adapter address ");
  auto* hostGrid = new wxFlexGridSizer(2, 4, 8);
  wxWindow* h = host->GetStaticBox();
  m_domain0 = AddField(h, hostGrid, 1154, "Domain 0", ToWx(m_model.m_strDomain0));
  m_subnet0 = AddField(h, hostGrid, 1158, "Subnet", ToWx(m_model.m_strSubnet0));
  m_node0 = AddField(h, hostGrid, 1162, "Node", ToWx(m_model.m_strNode0));
  m_domain1 = AddField(h, hostGrid, 1156, "Domain 1", ToWx(m_model.m_strDomain1));
  m_subnet1 = AddField(h, hostGrid, 1160, "Subnet", ToWx(m_model.m_strSubnet1));
  m_node1 = AddField(h, hostGrid, 1164, "Node", ToWx(m_model.m_strNode1));
  host->Add(hostGrid, 0, wxALL, 4);
  top->Add(host, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);

  auto* watcher = new wxStaticBoxSizer(wxVERTICAL, this, "Watcher");
  auto* watcherGrid = new wxFlexGridSizer(2, 4, 8);
  m_timeout = AddField(watcher->GetStaticBox(), watcherGrid, 1167, "Cache timeout default value (ms)", ToWx(m_model.m_strCacheTimeout));
  watcher->Add(watcherGrid, 0, wxALL, 4);
  watcher->Add(new wxButton(watcher->GetStaticBox(), 1169, "Init all NVs with default."), 0, wxALL, 4);
  top->Add(watcher, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
  top->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(top);

  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      Read();
      m_model.OnInitAll();
    }, 1169);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      Read();
      if (m_model.OnOK()) EndModal(wxID_OK);
    }, wxID_OK);
}

void CDeviceDialog::Read() {
  using views_wx::FromWx;
  m_model.m_strName = FromWx(m_name->GetValue());
  m_model.m_strDomain0 = FromWx(m_domain0->GetValue());
  m_model.m_strSubnet0 = FromWx(m_subnet0->GetValue());
  m_model.m_strNode0 = FromWx(m_node0->GetValue());
  m_model.m_strDomain1 = FromWx(m_domain1->GetValue());
  m_model.m_strSubnet1 = FromWx(m_subnet1->GetValue());
  m_model.m_strNode1 = FromWx(m_node1->GetValue());
  m_model.m_strCacheTimeout = FromWx(m_timeout->GetValue());
}
