#include "views/wx/OPCItemsListCtrl.h"

class COPCItemsListCtrl::CVirtualModel : public wxDataViewVirtualListModel {
 public:
  explicit CVirtualModel(COPCItemsListModel& model)
      : wxDataViewVirtualListModel(static_cast<unsigned>(model.GetRowCount())), m_model(model) {}

  unsigned GetColumnCount() const override { return COPCItemsListModel::ColumnCount; }
  wxString GetColumnType(unsigned) const override { return "string"; }
  void GetValueByRow(wxVariant& value, unsigned row, unsigned column) const override {
    value = wxString(m_model.GetCellText(static_cast<int>(row), static_cast<int>(column)).GetString());
  }
  bool SetValueByRow(const wxVariant&, unsigned, unsigned) override { return false; }

 private:
  COPCItemsListModel& m_model;
};

COPCItemsListCtrl::COPCItemsListCtrl(wxWindow* parent, COPCItemsListModel& model)
    : wxDataViewCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxDV_MULTIPLE | wxDV_ROW_LINES),
      m_model(model) {
  m_pData = new CVirtualModel(model);
  AssociateModel(m_pData);
  m_pData->DecRef();
  Bind(wxEVT_DATAVIEW_COLUMN_HEADER_CLICK, &COPCItemsListCtrl::OnHeaderClick, this);
  m_model.SetSink(this);
  OnColumnsChanged();
}

COPCItemsListCtrl::~COPCItemsListCtrl() { m_model.SetSink(nullptr); }

void COPCItemsListCtrl::OnColumnsChanged() {
  ClearColumns();
  // The model column is the column's id, so the cells stay right whatever is hidden.
  for (int id : m_model.GetColumnIds()) {
    const COPCItemsListModel::Column& column = COPCItemsListModel::kColumns[id];
    AppendTextColumn(wxString(column.heading), static_cast<unsigned>(id), wxDATAVIEW_CELL_INERT, column.width,
                     wxALIGN_LEFT, wxDATAVIEW_COL_RESIZABLE);
  }
}

void COPCItemsListCtrl::OnRowsReset() { m_pData->Reset(static_cast<unsigned>(m_model.GetRowCount())); }

void COPCItemsListCtrl::OnRowChanged(int row) { m_pData->RowChanged(static_cast<unsigned>(row)); }

bool COPCItemsListCtrl::GetVisibleRows(int& top, int& countPerPage) {
  const wxDataViewItem first = GetTopItem();
  top = first.IsOk() ? static_cast<int>(m_pData->GetRow(first)) : 0;
  countPerPage = GetCountPerPage();
  if (countPerPage <= 0) countPerPage = 1;  // not laid out yet: at least the first row
  return true;
}

int COPCItemsListCtrl::GetFirstSelectedRow() const {
  wxDataViewItemArray selected;
  if (GetSelections(selected) == 0) return -1;
  int first = -1;
  for (const wxDataViewItem& item : selected) {
    const int row = static_cast<int>(m_pData->GetRow(item));
    if (first < 0 || row < first) first = row;
  }
  return first;
}

void COPCItemsListCtrl::OnHeaderClick(wxDataViewEvent& event) {
  wxDataViewColumn* column = event.GetDataViewColumn();
  if (column != nullptr) m_model.OnHeaderClick(static_cast<int>(column->GetModelColumn()));
}
