// The tree-in-list grid's window: a wxDataViewCtrl over a virtual list with one row per shown
// row of the model; the first column draws the indentation, the tree lines, the +/- box, the
// icon and the text. A refresh that moved no row repaints the cells in view; rows that came,
// went or moved keep the user's selection (by item) and the top row.
#pragma once

#include <functional>
#include <vector>

#include <wx/dataview.h>

#include "views/models/SuperGridModel.h"

class wxImageList;

class CSuperGridCtrl : public wxDataViewCtrl {
 public:
  struct CColumn {
    wxString heading;
    int width;
    bool rightAligned;
  };
  struct CCallbacks {
    std::function<void(const std::vector<int>& rows)> selected;  // the rows selected now
    std::function<void(int row)> activated;
    std::function<void(int row, wxPoint point)> contextMenu;
    std::function<int(int row)> toggle;  // the row to scroll to, -1 when nothing changed
    std::function<void(int column)> sort;
  };
  static constexpr int kStep = 16;  // pixels per level, the images' width

  CSuperGridCtrl(wxWindow* parent, wxWindowID id, CSuperGridModel& grid, const std::vector<CColumn>& columns,
                CCallbacks callbacks, wxImageList* images);
  ~CSuperGridCtrl() override;
  // The model's rows changed: the list follows.
  void Sync();
  // Right after a Sync that moved rows: scrolls as little as needed to show the row.
  void ShowRow(int row);
  // The model goes: the list empties and reads it no more.
  void Detach();
  int GetTopRow();
  // The rows the user has selected, ascending.
  std::vector<int> GetSelectedRows();
  wxDataViewItem GetRowItem(int row);
  int GetRowsPerPage();
  std::vector<int> GetColumnWidths();


 private:
  class CRows;
  class CTreeRenderer;
  int RowOf(const wxDataViewItem& item) const;
  void OnSelectionChanged();
  // What a structural change needs: the list's rows anew, the selection and the top row back.
  void ResetRows();

  CSuperGridModel* m_pGrid;
  CCallbacks m_callbacks;
  wxObjectDataPtr<CRows> m_rows;
  wxImageList* m_pImages;
  unsigned m_nLayoutSeen = ~0u;
  unsigned m_nClearSeen = ~0u;
  // The user data of every row as the list last showed them: finds the top row again.
  std::vector<const void*> m_shownData;
  int m_nTopRow = 0;  // the top row the last reset asked for (the list measures its rows later)
  bool m_bSyncing = false;
};
