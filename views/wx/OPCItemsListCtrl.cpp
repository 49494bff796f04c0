#include "views/wx/OPCItemsListCtrl.h"

#include <algorithm>

#include "views/wx/DataViewRows.h"

class COPCItemsListCtrl::CVirtualModel : public wxDataViewVirtualListModel {
 public:
  explicit CVirtualModel(COPCItemsListModel& model)
      : wxDataViewVirtualListModel(static_cast<unsigned>(model.GetRowCount())), m_pModel(&model) {}
  void Detach() {
    m_pModel = nullptr;
    Reset(0);
  }

  unsigned GetColumnCount() const override { return COPCItemsListModel::ColumnCount; }
  wxString GetColumnType(unsigned) const override { return "string"; }
  void GetValueByRow(wxVariant& value, unsigned row, unsigned column) const override {
    value = m_pModel != nullptr
                ? wxString(m_pModel->GetCellText(static_cast<int>(row), static_cast<int>(column)).GetString())
                : wxString();
  }
  bool SetValueByRow(const wxVariant&, unsigned, unsigned) override { return false; }

 private:
  COPCItemsListModel* m_pModel;
};

COPCItemsListCtrl::COPCItemsListCtrl(wxWindow* parent, COPCItemsListModel& model)
    : wxDataViewCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxDV_MULTIPLE | wxDV_ROW_LINES),
      m_pModel(&model) {
  m_pData = new CVirtualModel(model);
  AssociateModel(m_pData);
  m_pData->DecRef();
  Bind(wxEVT_DATAVIEW_COLUMN_HEADER_CLICK, &COPCItemsListCtrl::OnHeaderClick, this);
  Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, &COPCItemsListCtrl::OnSelectionChanged, this);
  m_pModel->SetSink(this);
  OnColumnsChanged();
}

COPCItemsListCtrl::~COPCItemsListCtrl() { DetachModel(); }

void COPCItemsListCtrl::DetachModel() {
  if (m_pModel == nullptr) return;
  m_pModel->SetSink(nullptr);
  m_pModel = nullptr;
  m_pData->Detach();
}

void COPCItemsListCtrl::OnColumnsChanged() {
  ClearColumns();
  if (m_pModel == nullptr) return;
  // The model column is the column's id, so the cells stay right whatever is hidden.
  for (int id : m_pModel->GetColumnIds()) {
    const COPCItemsListModel::Column& column = COPCItemsListModel::kColumns[id];
    AppendTextColumn(wxString(column.heading), static_cast<unsigned>(id), wxDATAVIEW_CELL_INERT, column.width,
                     wxALIGN_LEFT, wxDATAVIEW_COL_RESIZABLE);
  }
}

void COPCItemsListCtrl::OnRowsReset() {
  const int top = views_wx::GetTopRow(*this, *m_pData);
  const int count = m_pModel != nullptr ? m_pModel->GetRowCount() : 0;
  m_bResetting = true;
  m_pData->Reset(static_cast<unsigned>(count));
  if (!m_selectedKeys.empty()) {
    wxDataViewItemArray selected;
    for (int row = 0; row < count; ++row)
      if (m_selectedKeys.count(m_pModel->GetRowKey(row)) != 0) selected.push_back(m_pData->GetItem(static_cast<unsigned>(row)));
    SetSelections(selected);
  }
  // The scroll position stays: the same row number at the top, whatever moved there.
  if (count > 0) views_wx::ScrollRowToTop(*this, std::min(top, count - 1));
  m_bResetting = false;
}

void COPCItemsListCtrl::OnSelectionChanged(wxDataViewEvent& event) {
  if (m_bResetting) return;  // the reset's own selection, not the user's
  m_selectedKeys.clear();
  wxDataViewItemArray selected;
  GetSelections(selected);
  for (const wxDataViewItem& item : selected) {
    const int row = static_cast<int>(m_pData->GetRow(item));
    if (m_pModel != nullptr && row >= 0 && row < m_pModel->GetRowCount()) m_selectedKeys.insert(m_pModel->GetRowKey(row));
  }
  event.Skip();
}

void COPCItemsListCtrl::OnRowChanged(int row) { m_pData->RowChanged(static_cast<unsigned>(row)); }

bool COPCItemsListCtrl::GetVisibleRows(int& top, int& countPerPage) {
  const wxDataViewItem first = GetTopItem();
  top = first.IsOk() ? static_cast<int>(m_pData->GetRow(first)) : 0;
  countPerPage = GetCountPerPage();
  if (countPerPage <= 0) countPerPage = 1;  // not laid out yet: at least the first row
  return true;
}

std::vector<int> COPCItemsListCtrl::GetSelectedRows() const {
  wxDataViewItemArray selected;
  GetSelections(selected);
  std::vector<int> rows;
  for (const wxDataViewItem& item : selected) rows.push_back(static_cast<int>(m_pData->GetRow(item)));
  std::sort(rows.begin(), rows.end());
  return rows;
}

int COPCItemsListCtrl::GetFirstSelectedRow() const {
  const std::vector<int> rows = GetSelectedRows();
  return rows.empty() ? -1 : rows.front();
}

int COPCItemsListCtrl::GetTopRow() { return views_wx::GetTopRow(*this, *m_pData); }

wxDataViewItem COPCItemsListCtrl::GetRowItem(int row) const { return m_pData->GetItem(static_cast<unsigned>(row)); }

void COPCItemsListCtrl::OnHeaderClick(wxDataViewEvent& event) {
  wxDataViewColumn* column = event.GetDataViewColumn();
  if (column != nullptr && m_pModel != nullptr) m_pModel->OnHeaderClick(static_cast<int>(column->GetModelColumn()));
}
