// The tree-in-list grid's window: a wxDataViewCtrl over a virtual list with one row per shown
// row of the model; the first column draws the indentation, the +/- box, the icon and the text.
#pragma once

#include <functional>
#include <vector>

#include <wx/dataview.h>

#include "views/models/SuperGridModel.h"

class wxImageList;

class CSuperGridWnd : public wxDataViewCtrl {
 public:
  struct CColumn {
    wxString heading;
    int width;
    bool rightAligned;
  };
  struct CCallbacks {
    std::function<void(int row)> selected;
    std::function<void(int row)> activated;
    std::function<void(int row, wxPoint point)> contextMenu;
    std::function<int(int row)> toggle;  // the row to scroll to, -1 when nothing changed
    std::function<void(int column)> sort;
  };
  static constexpr int kStep = 16;  // pixels per level, the images' width

  CSuperGridWnd(wxWindow* parent, wxWindowID id, CSuperGridModel& grid, const std::vector<CColumn>& columns,
                CCallbacks callbacks, wxImageList* images);
  // The model's rows changed: the list follows.
  void Sync();
  // The model goes: the list empties and reads it no more.
  void Detach();
  int GetTopRow();
  int GetRowsPerPage();
  std::vector<int> GetColumnWidths();


 private:
  class CRows;
  class CTreeRenderer;
  int RowOf(const wxDataViewItem& item) const;

  CSuperGridModel* m_pGrid;
  CCallbacks m_callbacks;
  wxObjectDataPtr<CRows> m_rows;
  wxImageList* m_pImages;
};
