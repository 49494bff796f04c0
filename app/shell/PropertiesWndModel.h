// The rows of the properties pane, taken from the active view. A refresh that comes while the
// user edits a row waits until the edit ends; an edit goes back to the view that supplied the
// rows, and is dropped when that view is no longer the active one or the rows were replaced.
#pragma once

#include <functional>
#include <set>

#include "views/models/ViewItemProperties.h"

class CPropertiesWndModel {
 public:
  // The active view of the active frame (null: none, or one that does not feed the pane).
  using ActiveViewSource = std::function<CViewItemProperties*()>;
  explicit CPropertiesWndModel(ActiveViewSource activeView) : m_activeView(std::move(activeView)) {}

  // WM_APP+0x103. True when the rows were replaced; without a feeding view they stay.
  bool RefreshFromActiveView();
  void BeginEdit() { m_bEditing = true; }
  // Ends the edit and runs a refresh that waited; true when it did.
  bool EndEdit();
  bool IsRefreshPending() const { return m_bRefreshPending; }

  // An edit of row (one of GetRows' rows, by generation) with the new value; the view's answer.
  BOOL OnPropertyChanged(unsigned generation, CPropertyRow* row, const VARIANT& value);

  const CPropertyList& GetRows() const { return m_rows; }
  // Changes whenever the rows are replaced.
  unsigned GetGeneration() const { return m_nGeneration; }

  // A row's name in the grid, unique among used: its label under its parent's name (a device
  // has "ID" under "Domain 0" and under "Domain 1"); a repeated label in one group is numbered.
  static CString MakeRowName(const CString& parentName, const CString& label, std::set<CString>& used);

 private:
  ActiveViewSource m_activeView;
  CPropertyList m_rows;
  CViewItemProperties* m_pSource = nullptr;  // compared, never called unless still active
  unsigned m_nGeneration = 0;
  bool m_bEditing = false;
  bool m_bRefreshPending = false;
};
