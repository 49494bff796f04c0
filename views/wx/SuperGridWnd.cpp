#include "views/wx/SuperGridWnd.h"

#include <wx/dc.h>
#include <wx/imaglist.h>
#include <wx/settings.h>

#include "views/wx/WxText.h"

using views_wx::ToWx;

// Column 0 carries the row number; the renderer reads the row's item from the grid.
class CSuperGridWnd::CRows : public wxDataViewVirtualListModel {
 public:
  CRows(CSuperGridModel* grid, unsigned columns) : wxDataViewVirtualListModel(0), m_pGrid(grid), m_columns(columns) {}
  void Detach() { m_pGrid = nullptr; }
  unsigned GetColumnCount() const override { return m_columns; }
  wxString GetColumnType(unsigned column) const override { return column == 0 ? "long" : "string"; }
  void GetValueByRow(wxVariant& value, unsigned row, unsigned column) const override {
    if (column == 0) {
      value = static_cast<long>(row);
      return;
    }
    const CSuperGridModel::CTreeItem* item = m_pGrid != nullptr ? m_pGrid->GetRowItem(static_cast<int>(row)) : nullptr;
    value = item != nullptr ? ToWx(item->GetCellText(static_cast<int>(column))) : wxString();
  }
  bool SetValueByRow(const wxVariant&, unsigned, unsigned) override { return false; }

 private:
  CSuperGridModel* m_pGrid;
  unsigned m_columns;
};

class CSuperGridWnd::CTreeRenderer : public wxDataViewCustomRenderer {
 public:
  CTreeRenderer(CSuperGridWnd& owner) : wxDataViewCustomRenderer("long", wxDATAVIEW_CELL_ACTIVATABLE), m_owner(owner) {}
  bool SetValue(const wxVariant& value) override {
    m_nRow = static_cast<int>(value.GetLong());
    return true;
  }
  bool GetValue(wxVariant& value) const override {
    value = static_cast<long>(m_nRow);
    return true;
  }
  wxSize GetSize() const override { return wxSize(120, 18); }
  bool Render(wxRect cell, wxDC* dc, int state) override {
    const CSuperGridModel::CTreeItem* item = m_owner.m_pGrid != nullptr ? m_owner.m_pGrid->GetRowItem(m_nRow) : nullptr;
    if (item == nullptr) return true;
    const int indent = (item->GetLevel() - 1) * kStep;
    const int centreY = cell.y + cell.height / 2;
    if (item->HasChildren()) {
      const wxRect box = BoxOf(cell, item->GetLevel());
      dc->SetPen(wxPen(wxColour(198, 198, 198)));
      dc->SetBrush(*wxWHITE_BRUSH);
      dc->DrawRectangle(box);
      dc->SetPen(*wxBLACK_PEN);
      const int cx = box.x + box.width / 2;
      dc->DrawLine(cx - 2, centreY, cx + 3, centreY);
      if (item->IsCollapsed()) dc->DrawLine(cx, centreY - 2, cx, centreY + 3);
    }
    int x = cell.x + indent + kStep;
    if (m_owner.m_pImages != nullptr && item->m_nImage >= 0 && item->m_nImage < m_owner.m_pImages->GetImageCount()) {
      m_owner.m_pImages->Draw(item->m_nImage, *dc, x, centreY - 8, wxIMAGELIST_DRAW_TRANSPARENT);
      if (item->m_nOverlay != 0 && m_owner.m_pImages->GetImageCount() > 22)
        m_owner.m_pImages->Draw(22, *dc, x, centreY - 8, wxIMAGELIST_DRAW_TRANSPARENT);
    }
    x += kStep + 2;
    const int width = cell.GetRight() - x;
    const CString text = CSuperGridModel::CutText(item->GetCellText(0), width, 4, [&](const CString& t) {
      return dc->GetTextExtent(ToWx(t)).GetWidth();
    });
    RenderText(ToWx(text), x - cell.x, cell, dc, state);
    return true;
  }
  bool ActivateCell(const wxRect& cell, wxDataViewModel*, const wxDataViewItem&, unsigned, const wxMouseEvent* mouse) override {
    const CSuperGridModel::CTreeItem* item = m_owner.m_pGrid != nullptr ? m_owner.m_pGrid->GetRowItem(m_nRow) : nullptr;
    if (item == nullptr || !item->HasChildren()) return false;
    // A mouse click toggles only on the box; the keyboard's activation always does.
    if (mouse != nullptr) {
      wxRect box = BoxOf(wxRect(0, 0, cell.width, cell.height), item->GetLevel());
      if (!box.Inflate(2).Contains(mouse->GetPosition())) return false;
    }
    if (m_owner.m_callbacks.toggle) m_owner.CallAfter([owner = &m_owner, row = m_nRow] {
        const int target = owner->m_callbacks.toggle(row);
        owner->Sync();
        if (target >= 0) owner->EnsureVisible(owner->m_rows->GetItem(static_cast<unsigned>(target)));
      });
    return true;
  }

 private:
  static wxRect BoxOf(const wxRect& cell, int level) {
    const int w = kStep / 2 + 3;
    const int lineX = cell.x + level * kStep - kStep / 2;
    return wxRect(lineX - w / 2, cell.y + cell.height / 2 - w / 2, w, w);
  }
  CSuperGridWnd& m_owner;
  int m_nRow = 0;
};

CSuperGridWnd::CSuperGridWnd(wxWindow* parent, wxWindowID id, CSuperGridModel& grid, const std::vector<CColumn>& columns,
                             CCallbacks callbacks, wxImageList* images)
    : wxDataViewCtrl(parent, id, wxDefaultPosition, wxDefaultSize, wxDV_ROW_LINES | wxDV_SINGLE),
      m_pGrid(&grid),
      m_callbacks(std::move(callbacks)),
      m_rows(new CRows(&grid, static_cast<unsigned>(columns.size()))),
      m_pImages(images) {
  AssociateModel(m_rows.get());
  for (size_t i = 0; i < columns.size(); ++i) {
    wxDataViewRenderer* renderer = i == 0 ? static_cast<wxDataViewRenderer*>(new CTreeRenderer(*this))
                                          : new wxDataViewTextRenderer("string", wxDATAVIEW_CELL_INERT,
                                                                       columns[i].rightAligned ? wxALIGN_RIGHT : wxALIGN_LEFT);
    AppendColumn(new wxDataViewColumn(columns[i].heading, renderer, static_cast<unsigned>(i), columns[i].width, wxALIGN_LEFT,
                                      wxDATAVIEW_COL_RESIZABLE));
  }
  Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, [this](wxDataViewEvent& event) {
    if (m_callbacks.selected) m_callbacks.selected(RowOf(event.GetItem()));
  });
  Bind(wxEVT_DATAVIEW_ITEM_ACTIVATED, [this](wxDataViewEvent& event) {
    if (m_callbacks.activated) m_callbacks.activated(RowOf(event.GetItem()));
  });
  Bind(wxEVT_DATAVIEW_ITEM_CONTEXT_MENU, [this](wxDataViewEvent& event) {
    if (m_callbacks.contextMenu) m_callbacks.contextMenu(RowOf(event.GetItem()), wxGetMousePosition());
  });
  Bind(wxEVT_DATAVIEW_COLUMN_HEADER_CLICK, [this](wxDataViewEvent& event) {
    if (m_callbacks.sort) m_callbacks.sort(event.GetColumn());
    Sync();
  });
}

int CSuperGridWnd::RowOf(const wxDataViewItem& item) const {
  return item.IsOk() ? static_cast<int>(m_rows->GetRow(item)) : -1;
}

void CSuperGridWnd::Sync() {
  m_rows->Reset(m_pGrid != nullptr ? static_cast<unsigned>(m_pGrid->GetRowCount()) : 0u);
  Refresh();
}

void CSuperGridWnd::Detach() {
  m_pGrid = nullptr;
  m_rows->Detach();
  m_callbacks = CCallbacks();
  Sync();
}

int CSuperGridWnd::GetTopRow() {
  const wxDataViewItem top = GetTopItem();
  return top.IsOk() ? RowOf(top) : 0;
}

int CSuperGridWnd::GetRowsPerPage() {
  const int count = GetCountPerPage();
  return count > 0 ? count : 20;
}

std::vector<int> CSuperGridWnd::GetColumnWidths() {
  std::vector<int> widths;
  for (unsigned i = 0; i < GetColumnCount(); ++i) widths.push_back(GetColumn(i)->GetWidth());
  return widths;
}
