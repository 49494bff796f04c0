#include "views/wx/ClientView.h"

#include "views/models/ViewMessageWindow.h"

CClientView::CClientView(wxWindow* parent, CClientViewModel& model)
    : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_HRULES | wxLC_VRULES | wxBORDER_SIMPLE),
      m_pModel(&model) {
  InsertColumn(0, "Property", wxLIST_FORMAT_LEFT);
  InsertColumn(1, "Value", wxLIST_FORMAT_LEFT);
  Bind(wxEVT_SET_FOCUS, &CClientView::OnFocus, this);
  m_pModel->SetSink(this);
  OnRowsRebuilt();
}

CClientView::~CClientView() { DetachModel(); }

void CClientView::DetachModel() {
  if (m_pModel == nullptr) return;
  m_pModel->SetSink(nullptr);
  m_pModel = nullptr;
}

void CClientView::OnRowsRebuilt() {
  if (m_pModel == nullptr) return;
  Freeze();
  DeleteAllItems();
  long index = 0;
  for (const CClientViewModel::Row& row : m_pModel->GetRows()) InsertItem(index++, wxString(row.m_strName.GetString()));
  Thaw();
  OnValuesChanged();
}

void CClientView::OnValuesChanged() {
  if (m_pModel == nullptr) return;
  Freeze();
  long index = 0;
  for (const CClientViewModel::Row& row : m_pModel->GetRows()) {
    if (index < GetItemCount()) SetItem(index, 1, wxString(row.m_strValue.GetString()));
    ++index;
  }
  SetColumnWidth(0, wxLIST_AUTOSIZE_USEHEADER);
  SetColumnWidth(1, wxLIST_AUTOSIZE_USEHEADER);
  Thaw();
}

void CClientView::OnFocus(wxFocusEvent& event) {
  CViewMessageWindow::RefreshPropertiesPane(2, 0);
  event.Skip();
}
