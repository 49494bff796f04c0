#include "views/wx/StatusPage.h"

#include <algorithm>

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
  m_pList = new wxListCtrl(this, 1011, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_SINGLE_SEL);
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
  FitToRows();
}

void CStatusPage::FitToRows() {
  // Every label, value and row in view: the columns as wide as their widest text (at least the
  // built-in widths), the list as tall as its rows; the sheet may grow beyond that.
  const int builtIn[] = {130, 120};
  int width = 0;
  for (int column = 0; column < 2; ++column) {
    int widest = builtIn[column];
    for (long row = 0; row < m_pList->GetItemCount(); ++row)
      widest = std::max(widest, m_pList->GetTextExtent(m_pList->GetItemText(row, column)).GetWidth() + 24);
    m_pList->SetColumnWidth(column, widest);
    width += widest;
  }
  wxRect rect;
  const int rowHeight = m_pList->GetItemCount() > 0 && m_pList->GetItemRect(0, rect) ? rect.height : GetCharHeight() + 8;
  const int rows = std::max(10, m_pList->GetItemCount()) + 2;  // and the header
  m_pList->SetMinSize(wxSize(width + 8, rows * rowHeight + 8));
  if (GetSizer() != nullptr) GetSizer()->SetSizeHints(this);
}
