// The item list of the group view: a wxDataViewCtrl over a virtual list model that asks the
// list model for the cells of the rows it paints, so 100,000 rows cost only what shows. Rows
// that come, go or move keep the user's selection (by item key) and the scroll position.
#pragma once

#include <unordered_set>
#include <vector>

#include <wx/dataview.h>

#include "views/models/OPCItemsListModel.h"

class COPCItemsListCtrl : public wxDataViewCtrl, public COPCItemsListModel::Sink {
 public:
  COPCItemsListCtrl(wxWindow* parent, COPCItemsListModel& model);
  ~COPCItemsListCtrl() override;

  void OnColumnsChanged() override;
  void OnRowsReset() override;
  void OnRowChanged(int row) override;
  bool GetVisibleRows(int& top, int& countPerPage) override;

  // The model goes before the control: the control empties and tells nobody.
  void DetachModel();
  // The first selected row; -1 when none.
  int GetFirstSelectedRow() const;
  // The rows selected, ascending; the row at the top of the view.
  std::vector<int> GetSelectedRows() const;
  int GetTopRow();
  wxDataViewItem GetRowItem(int row) const;

 private:
  class CVirtualModel;
  void OnHeaderClick(wxDataViewEvent& event);
  void OnSelectionChanged(wxDataViewEvent& event);

  COPCItemsListModel* m_pModel;
  CVirtualModel* m_pData;  // reference counted by the control
  std::unordered_set<DWORD> m_selectedKeys;
  bool m_bResetting = false;
};
