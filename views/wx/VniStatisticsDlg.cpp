#include "views/wx/VniStatisticsDlg.h"

#include <wx/button.h>

#include "views/wx/FormHelpers.h"

CVniStatisticsDlg::CVniStatisticsDlg(wxWindow* parent, CDoc* doc) : wxDialog(parent, wxID_ANY, "VNI Engine Statistics"), m_model(doc) {
  auto* grid = new wxFlexGridSizer(2, 4, 8);
  m_invalid = views_wx::AddField(this, grid, 1021, "Count of invalid resposes:", "", true);
  m_parallel = views_wx::AddField(this, grid, 1022, "Real count of parallel transactions:", "", true);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 1, wxEXPAND | wxALL, 8);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxButton(this, 1020, "Reset"), 0, wxRIGHT, 8);
  row->Add(new wxButton(this, wxID_OK, "OK"));
  top->Add(row, 0, wxALL, 8);
  SetSizerAndFit(top);
  m_model.OnInitDialog();
  Show();
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      m_model.OnReset();
      Show();
    }, 1020);
}

void CVniStatisticsDlg::Show() {
  m_invalid->SetValue(wxString::Format("%d", m_model.m_nInvalidResponses));
  m_parallel->SetValue(wxString::Format("%u", m_model.m_nParallelTransactions));
}
