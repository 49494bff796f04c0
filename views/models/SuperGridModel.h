// The tree-in-list grid without a window: a tree of rows, each either shown (a row index) or
// hidden under a collapsed ancestor, expanded and collapsed with vetoes, sorted level by level
// by any column. The window shows `GetRowCount` rows and asks `GetRowItem` for each.
#pragma once

#include <memory>
#include <vector>

#include "platform/win32/CString.h"

class CSuperGridModel {
 public:
  class CTreeItem {
   public:
    CTreeItem* GetParent() const { return m_pParent; }
    const std::vector<std::unique_ptr<CTreeItem>>& GetChildren() const { return m_children; }
    bool HasChildren() const { return !m_children.empty(); }
    bool IsCollapsed() const { return m_bCollapsed; }
    int GetRow() const { return m_nRow; }
    int GetLevel() const { return m_nLevel; }
    // Column 0 is the text, column c > 0 sub-item c - 1 (empty when missing).
    CString GetCellText(int column) const;

    void* m_pUserData = nullptr;
    int m_nImage = 0;
    int m_nOverlay = 0;
    int m_nChecked = 0;

   private:
    friend class CSuperGridModel;
    std::vector<std::unique_ptr<CTreeItem>> m_children;
    CTreeItem* m_pParent = nullptr;
    bool m_bCollapsed = true;
    int m_nRow = -1;
    int m_nLevel = 1;
    CString m_strText;
    std::vector<CString> m_subItems;
  };

  // The key one item sorts by in one column: numbers first, then the text without regard to case.
  struct CSortKey {
    std::vector<unsigned long long> numbers;
    CString text;
  };

  static constexpr int kNoColumn = 555;

  CSuperGridModel() = default;
  virtual ~CSuperGridModel() = default;
  CSuperGridModel(const CSuperGridModel&) = delete;
  CSuperGridModel& operator=(const CSuperGridModel&) = delete;

  // A child goes after the last shown descendant of its parent, and gets a row only while every
  // ancestor is expanded and shown.
  CTreeItem* InsertItem(CTreeItem* parent, const CString& text, int image);
  void SetCellText(CTreeItem* item, int column, const CString& text);
  // The row to scroll to; an item without children is left alone.
  int Expand(CTreeItem* item);
  void Collapse(CTreeItem* item);
  // The item and its subtree go; so do they from the selection.
  void DeleteItem(CTreeItem* item);
  void DeleteAllItems();

  // A click on the row's +/- box, with the hooks' vetoes; the row to scroll to, -1 when nothing
  // changed.
  int ToggleExpansion(CTreeItem* item);
  // A click on the check box.
  void ToggleCheck(CTreeItem* item);

  // A click on a column header: every level sorted on its own, ascending, then descending on a
  // second click of the same column; the expansion is kept.
  void SortByColumn(int column);
  int GetLastSortedColumn() const { return m_nLastSortedColumn; }

  int GetRowCount() const { return static_cast<int>(m_rows.size()); }
  CTreeItem* GetRowItem(int row) const;
  const std::vector<std::unique_ptr<CTreeItem>>& GetRootItems() const { return m_roots; }
  // The top-level item whose subtree holds the row; null for an empty grid.
  CTreeItem* GetTopRoot(int topRow) const;
  // The item showing this user data, collapsed subtrees included; null when none.
  CTreeItem* FindItem(const void* userData) const;

  // Selection, by item, in the order the user selected the items.
  const std::vector<CTreeItem*>& GetSelection() const { return m_selection; }
  void Select(CTreeItem* item, bool only = true);
  // The window's selection now: items still selected keep their place, new ones follow in row
  // order. The item selected last, null when none came.
  CTreeItem* SetSelectedRows(const std::vector<int>& rows);
  void ClearSelection() { m_selection.clear(); }

  // Changes whenever rows come, go or move; a window that saw the same number needs only to
  // paint the cells again.
  unsigned GetLayoutGeneration() const { return m_nLayoutGeneration; }
  // Changes when every row went at once (a new fill).
  unsigned GetClearGeneration() const { return m_nClearGeneration; }

  // A text cut to `width` with `margin`: characters go from the end, at least one stays, and
  // "..." follows. `measure` gives a text's width.
  template <class Measure>
  static CString CutText(const CString& text, int width, int margin, Measure measure);

 protected:
  // Hooks: false vetoes the expansion or the collapse.
  virtual bool OnItemExpanding(CTreeItem*, int /*row*/) { return true; }
  virtual void OnItemExpanded(CTreeItem*, int /*row*/) {}
  virtual bool OnItemCollapsing(CTreeItem*) { return true; }
  virtual void OnItemCollapsed(CTreeItem*) {}
  virtual void OnItemCheckChanged(CTreeItem*, int /*checked*/) {}
  // Default: the cell's text.
  virtual CSortKey GetSortKey(CTreeItem* item, int column);

 private:
  // Shown rows of the subtree below an expanded item, in display order.
  static void CollectShown(CTreeItem* item, std::vector<CTreeItem*>& out);
  // Row after the item's last shown descendant.
  int EndOfShownSubtree(CTreeItem* item) const;
  void InsertRows(int at, const std::vector<CTreeItem*>& items);
  void RenumberFrom(int row);
  void SortLevel(std::vector<std::unique_ptr<CTreeItem>>& items, int column, bool descending);
  void Forget(CTreeItem* item);

  std::vector<std::unique_ptr<CTreeItem>> m_roots;
  std::vector<CTreeItem*> m_rows;
  std::vector<CTreeItem*> m_selection;
  int m_nLastSortedColumn = kNoColumn;
  unsigned m_nLayoutGeneration = 0;
  unsigned m_nClearGeneration = 0;
};

template <class Measure>
CString CSuperGridModel::CutText(const CString& text, int width, int margin, Measure measure) {
  if (measure(text) + margin < width) return text;
  const int dots = measure(CString(L"..."));
  int keep = text.GetLength();
  while (keep > 1 && measure(text.Left(keep)) + dots + margin >= width) --keep;
  return text.Left(keep) + L"...";
}
