#include "views/wx/SuperGridCtrl.h"

#include <algorithm>

#include <wx/dc.h>
#include <wx/imaglist.h>
#include <wx/settings.h>

#include "views/wx/DataViewRows.h"
#include "views/wx/WxText.h"

using views_wx::ToWx;

// Column 0 carries the row number; the renderer reads the row's item from the grid.
class CSuperGridCtrl::CRows : public wxDataViewVirtualListModel {
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

class CSuperGridCtrl::CTreeRenderer : public wxDataViewCustomRenderer {
 public:
  CTreeRenderer(CSuperGridCtrl& owner) : wxDataViewCustomRenderer("long", wxDATAVIEW_CELL_ACTIVATABLE), m_owner(owner) {}
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
    DrawTreeLines(*dc, cell, *item, centreY);
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
        if (target >= 0) owner->ShowRow(target);
      });
    return true;
  }

 private:
  static int LineX(const wxRect& cell, int level) { return cell.x + level * kStep - kStep / 2; }
  static bool HasLaterSibling(const CSuperGridModel::CTreeItem& item) {
    const CSuperGridModel::CTreeItem* parent = item.GetParent();
    return parent != nullptr && parent->GetChildren().back().get() != &item;
  }
  // The lines of a row of level 2 or deeper to its parent and its later siblings, those of its
  // ancestors that have later siblings, and from an expanded row down to its first child.
  static void DrawTreeLines(wxDC& dc, const wxRect& cell, const CSuperGridModel::CTreeItem& item, int centreY) {
    dc.SetPen(wxPen(wxColour(0xC0, 0xC0, 0xC0)));
    const int bottom = cell.GetBottom();
    const int level = item.GetLevel();
    if (level >= 2) {
      const int x = LineX(cell, level);
      dc.DrawLine(x, cell.y, x, HasLaterSibling(item) ? bottom + 1 : centreY);
      dc.DrawLine(x, centreY, std::min(x + kStep / 2 + 1, cell.GetRight()), centreY);
      for (const CSuperGridModel::CTreeItem* up = item.GetParent(); up != nullptr && up->GetLevel() >= 2; up = up->GetParent())
        if (HasLaterSibling(*up)) dc.DrawLine(LineX(cell, up->GetLevel()), cell.y, LineX(cell, up->GetLevel()), bottom + 1);
    }
    if (item.HasChildren() && !item.IsCollapsed()) {
      const int x = LineX(cell, level + 1);
      dc.DrawLine(x, centreY + 8, x, bottom + 1);
    }
  }
  static wxRect BoxOf(const wxRect& cell, int level) {
    const int w = kStep / 2 + 3;
    const int lineX = cell.x + level * kStep - kStep / 2;
    return wxRect(lineX - w / 2, cell.y + cell.height / 2 - w / 2, w, w);
  }
  CSuperGridCtrl& m_owner;
  int m_nRow = 0;
};

CSuperGridCtrl::CSuperGridCtrl(wxWindow* parent, wxWindowID id, CSuperGridModel& grid, const std::vector<CColumn>& columns,
                             CCallbacks callbacks, wxImageList* images)
    : wxDataViewCtrl(parent, id, wxDefaultPosition, wxDefaultSize, wxDV_ROW_LINES | wxDV_MULTIPLE),
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
  Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, [this](wxDataViewEvent&) { OnSelectionChanged(); });
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

CSuperGridCtrl::~CSuperGridCtrl() = default;

int CSuperGridCtrl::RowOf(const wxDataViewItem& item) const {
  return item.IsOk() ? static_cast<int>(m_rows->GetRow(item)) : -1;
}

wxDataViewItem CSuperGridCtrl::GetRowItem(int row) { return m_rows->GetItem(static_cast<unsigned>(row)); }

std::vector<int> CSuperGridCtrl::GetSelectedRows() {
  wxDataViewItemArray items;
  GetSelections(items);
  std::vector<int> rows;
  for (const wxDataViewItem& item : items) rows.push_back(RowOf(item));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void CSuperGridCtrl::OnSelectionChanged() {
  if (m_bSyncing || !m_callbacks.selected) return;
  m_callbacks.selected(GetSelectedRows());
}

void CSuperGridCtrl::Sync() {
  if (m_pGrid == nullptr) {
    m_rows->Reset(0);
    m_shownData.clear();
    return;
  }
  if (m_pGrid->GetLayoutGeneration() != m_nLayoutSeen) {
    ResetRows();
    return;
  }
  // Only texts changed: the rows in view are painted again; selection and scrolling stay.
  const int count = m_pGrid->GetRowCount();
  const int top = GetTopRow();
  const int end = std::min(count, top + GetRowsPerPage() + 1);
  for (int row = top; row < end; ++row) m_rows->RowChanged(static_cast<unsigned>(row));
}

void CSuperGridCtrl::ResetRows() {
  const int oldTop = GetTopRow();
  const void* topData = oldTop >= 0 && static_cast<size_t>(oldTop) < m_shownData.size() ? m_shownData[static_cast<size_t>(oldTop)] : nullptr;
  const bool refilled = m_pGrid->GetClearGeneration() != m_nClearSeen;
  m_nLayoutSeen = m_pGrid->GetLayoutGeneration();
  m_nClearSeen = m_pGrid->GetClearGeneration();
  const int count = m_pGrid->GetRowCount();
  m_shownData.assign(static_cast<size_t>(count), nullptr);
  int top = -1;
  for (int row = 0; row < count; ++row) {
    m_shownData[static_cast<size_t>(row)] = m_pGrid->GetRowItem(row)->m_pUserData;
    if (top < 0 && topData != nullptr && m_shownData[static_cast<size_t>(row)] == topData) top = row;
  }
  // The top row's object where it is now; else the same place, unless the list was filled anew.
  if (top < 0) top = refilled ? 0 : std::min(oldTop, count - 1);
  m_bSyncing = true;
  m_rows->Reset(static_cast<unsigned>(count));
  wxDataViewItemArray selected;
  for (const CSuperGridModel::CTreeItem* item : m_pGrid->GetSelection())
    if (item->GetRow() >= 0) selected.push_back(m_rows->GetItem(static_cast<unsigned>(item->GetRow())));
  SetSelections(selected);
  m_nTopRow = std::max(top, 0);
  if (count > 0) views_wx::ScrollRowToTop(*this, m_nTopRow);
  m_bSyncing = false;
}

void CSuperGridCtrl::ShowRow(int row) {
  if (row < 0 || m_pGrid == nullptr || row >= m_pGrid->GetRowCount()) return;
  const int top = m_nTopRow;
  const int perPage = GetRowsPerPage();
  if (row < top)
    views_wx::ScrollRowToTop(*this, row);
  else if (row >= top + perPage)
    views_wx::ScrollRowToTop(*this, std::max(0, row - perPage + 1));
}

void CSuperGridCtrl::Detach() {
  m_pGrid = nullptr;
  m_rows->Detach();
  m_callbacks = CCallbacks();
  Sync();
}

int CSuperGridCtrl::GetTopRow() { return views_wx::GetTopRow(*this, *m_rows); }

int CSuperGridCtrl::GetRowsPerPage() {
  const int count = GetCountPerPage();
  return count > 0 ? count : 20;
}

std::vector<int> CSuperGridCtrl::GetColumnWidths() {
  std::vector<int> widths;
  for (unsigned i = 0; i < GetColumnCount(); ++i) widths.push_back(GetColumn(i)->GetWidth());
  return widths;
}
