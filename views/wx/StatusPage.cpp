#include "views/wx/StatusPage.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>

#include "views/wx/WxText.h"

CStatusPage::CStatusPage(wxWindow* parent, std::unique_ptr<CStatusPageModel> model) : wxPanel(parent), m_model(std::move(model)) {
  Build(true);
  m_model->Show();
  ShowRows(m_model->Rows());
}

CStatusPage::CStatusPage(wxWindow* parent, std::unique_ptr<CNodeStatisticModel> statistics)
    : wxPanel(parent), m_statistics(std::move(statistics)) {
  Build(false);
  m_statistics->Read();
  ShowRows(m_statistics->Rows());
}

void CStatusPage::Build(bool buttons) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  m_pList = new wxListCtrl(this, 1011, wxDefaultPosition, wxSize(270, 240), wxLC_REPORT | wxLC_SINGLE_SEL);
  m_pList->AppendColumn("Description", wxLIST_FORMAT_LEFT, 130);
  m_pList->AppendColumn("Value", wxLIST_FORMAT_LEFT, 120);
  top->Add(m_pList, 1, wxEXPAND | wxALL, 6);
  if (buttons) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxButton(this, 1009, "Query Status"), 0, wxRIGHT, 6);
    row->Add(new wxButton(this, 1010, "Clear Status"));
    top->Add(row, 0, wxALL, 6);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        m_model->OnQueryStatus();
        ShowRows(m_model->Rows());
      }, 1009);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        m_model->OnClearStatus();
        ShowRows(m_model->Rows());
      }, 1010);
  }
  SetSizer(top);
}

void CStatusPage::ShowRows(const CStatusRows& rows) {
  m_pList->DeleteAllItems();
  for (const auto& [name, value] : rows) {
    const long at = m_pList->InsertItem(m_pList->GetItemCount(), views_wx::ToWx(name));
    m_pList->SetItem(at, 1, views_wx::ToWx(value));
  }
}
