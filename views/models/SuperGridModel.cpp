#include "views/models/SuperGridModel.h"

#include <algorithm>

CString CSuperGridModel::CTreeItem::GetCellText(int column) const {
  if (column == 0) return m_strText;
  const size_t index = static_cast<size_t>(column - 1);
  return column > 0 && index < m_subItems.size() ? m_subItems[index] : CString();
}

CSuperGridModel::CTreeItem* CSuperGridModel::InsertItem(CTreeItem* parent, const CString& text, int image) {
  auto owned = std::make_unique<CTreeItem>();
  CTreeItem* item = owned.get();
  item->m_strText = text;
  item->m_nImage = image;
  if (parent == nullptr) {
    m_roots.push_back(std::move(owned));
    InsertRows(GetRowCount(), {item});
    return item;
  }
  item->m_nLevel = parent->m_nLevel + 1;
  item->m_pParent = parent;
  // Beside an expanded sibling the new row follows that sibling's shown rows.
  const bool shown = !parent->m_bCollapsed && parent->m_nRow >= 0;
  const int at = shown ? EndOfShownSubtree(parent) : -1;
  parent->m_children.push_back(std::move(owned));
  if (shown) InsertRows(at, {item});
  return item;
}

void CSuperGridModel::SetCellText(CTreeItem* item, int column, const CString& text) {
  if (item == nullptr) return;
  if (column == 0) {
    item->m_strText = text;
    return;
  }
  if (column < 0) return;
  const size_t index = static_cast<size_t>(column - 1);
  if (item->m_subItems.size() <= index) item->m_subItems.resize(index + 1);
  item->m_subItems[index] = text;
}

int CSuperGridModel::Expand(CTreeItem* item) {
  if (item == nullptr) return -1;
  if (!item->HasChildren()) return item->m_nRow;
  const bool wasCollapsed = item->m_bCollapsed;
  item->m_bCollapsed = false;
  if (item->m_nRow < 0) return -1;
  if (wasCollapsed) {
    std::vector<CTreeItem*> shown;
    CollectShown(item, shown);
    InsertRows(item->m_nRow + 1, shown);
  }
  const int target = item->m_nRow + static_cast<int>(item->m_children.size()) + 1;
  return std::min(target, GetRowCount() - 1);
}

void CSuperGridModel::Collapse(CTreeItem* item) {
  if (item == nullptr || !item->HasChildren()) return;
  if (item->m_nRow >= 0 && !item->m_bCollapsed) {
    const int first = item->m_nRow + 1;
    const int end = EndOfShownSubtree(item);
    for (int row = first; row < end; ++row) m_rows[static_cast<size_t>(row)]->m_nRow = -1;
    m_rows.erase(m_rows.begin() + first, m_rows.begin() + end);
    RenumberFrom(first);
    ++m_nLayoutGeneration;
  }
  item->m_bCollapsed = true;
}

void CSuperGridModel::DeleteItem(CTreeItem* item) {
  if (item == nullptr) return;
  if (!item->m_bCollapsed) Collapse(item);
  if (item->m_nRow >= 0) {
    const int row = item->m_nRow;
    m_rows.erase(m_rows.begin() + row);
    RenumberFrom(row);
    ++m_nLayoutGeneration;
  }
  Forget(item);
  auto& siblings = item->m_pParent != nullptr ? item->m_pParent->m_children : m_roots;
  auto found = std::find_if(siblings.begin(), siblings.end(), [&](const auto& p) { return p.get() == item; });
  if (found != siblings.end()) siblings.erase(found);
}

void CSuperGridModel::DeleteAllItems() {
  m_selection.clear();
  m_rows.clear();
  m_roots.clear();
  ++m_nLayoutGeneration;
  ++m_nClearGeneration;
}

int CSuperGridModel::ToggleExpansion(CTreeItem* item) {
  if (item == nullptr || !item->HasChildren()) return -1;
  const int row = item->m_nRow;
  if (item->m_bCollapsed) {
    if (!OnItemExpanding(item, row)) return -1;
    const int target = Expand(item);
    OnItemExpanded(item, row);
    return target;
  }
  if (!OnItemCollapsing(item)) return -1;
  Collapse(item);
  OnItemCollapsed(item);
  return item->m_nRow;
}

void CSuperGridModel::ToggleCheck(CTreeItem* item) {
  if (item == nullptr) return;
  item->m_nChecked = item->m_nChecked != 0 ? 0 : 1;
  OnItemCheckChanged(item, item->m_nChecked);
}

CSuperGridModel::CSortKey CSuperGridModel::GetSortKey(CTreeItem* item, int column) {
  return CSortKey{{}, item->GetCellText(column)};
}

void CSuperGridModel::SortByColumn(int column) {
  const bool descending = column == m_nLastSortedColumn;
  SortLevel(m_roots, column, descending);
  m_rows.clear();
  for (auto& root : m_roots) {
    root->m_nRow = static_cast<int>(m_rows.size());
    m_rows.push_back(root.get());
    if (!root->m_bCollapsed) {
      std::vector<CTreeItem*> shown;
      CollectShown(root.get(), shown);
      for (CTreeItem* child : shown) {
        child->m_nRow = static_cast<int>(m_rows.size());
        m_rows.push_back(child);
      }
    }
  }
  m_nLastSortedColumn = descending ? kNoColumn : column;
  ++m_nLayoutGeneration;
}

void CSuperGridModel::SortLevel(std::vector<std::unique_ptr<CTreeItem>>& items, int column, bool descending) {
  if (items.size() >= 2) {
    // Keys are fetched once per item, not once per comparison.
    std::vector<std::pair<CSortKey, std::unique_ptr<CTreeItem>>> keyed;
    keyed.reserve(items.size());
    for (auto& item : items) {
      CSortKey key = GetSortKey(item.get(), column);
      keyed.emplace_back(std::move(key), std::move(item));
    }
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
      int order = 0;
      if (a.first.numbers != b.first.numbers) order = a.first.numbers < b.first.numbers ? -1 : 1;
      else order = a.first.text.CompareNoCase(b.first.text.GetString());
      return descending ? order > 0 : order < 0;
    });
    for (size_t i = 0; i < items.size(); ++i) items[i] = std::move(keyed[i].second);
  }
  for (auto& item : items) SortLevel(item->m_children, column, descending);
}

CSuperGridModel::CTreeItem* CSuperGridModel::GetRowItem(int row) const {
  return row >= 0 && row < GetRowCount() ? m_rows[static_cast<size_t>(row)] : nullptr;
}

CSuperGridModel::CTreeItem* CSuperGridModel::GetTopRoot(int topRow) const {
  CTreeItem* item = GetRowItem(topRow);
  if (item == nullptr) return m_roots.empty() ? nullptr : m_roots.front().get();
  while (item->m_pParent != nullptr) item = item->m_pParent;
  return item;
}

CSuperGridModel::CTreeItem* CSuperGridModel::FindItem(const void* userData) const {
  for (const auto& root : m_roots)
    if (root->m_pUserData == userData) return root.get();
  std::vector<CTreeItem*> stack;
  for (auto it = m_roots.rbegin(); it != m_roots.rend(); ++it) stack.push_back(it->get());
  while (!stack.empty()) {
    CTreeItem* item = stack.back();
    stack.pop_back();
    if (item->m_pUserData == userData) return item;
    for (auto it = item->m_children.rbegin(); it != item->m_children.rend(); ++it) stack.push_back(it->get());
  }
  return nullptr;
}

void CSuperGridModel::Select(CTreeItem* item, bool only) {
  if (only) m_selection.clear();
  if (item != nullptr && std::find(m_selection.begin(), m_selection.end(), item) == m_selection.end())
    m_selection.push_back(item);
}

CSuperGridModel::CTreeItem* CSuperGridModel::SetSelectedRows(const std::vector<int>& rows) {
  std::vector<CTreeItem*> now;
  for (int row : rows)
    if (CTreeItem* item = GetRowItem(row)) now.push_back(item);
  std::erase_if(m_selection, [&](CTreeItem* item) { return std::find(now.begin(), now.end(), item) == now.end(); });
  std::sort(now.begin(), now.end(), [](CTreeItem* a, CTreeItem* b) { return a->m_nRow < b->m_nRow; });
  CTreeItem* last = nullptr;
  for (CTreeItem* item : now)
    if (std::find(m_selection.begin(), m_selection.end(), item) == m_selection.end()) {
      m_selection.push_back(item);
      last = item;
    }
  return last;
}

void CSuperGridModel::CollectShown(CTreeItem* item, std::vector<CTreeItem*>& out) {
  for (auto& child : item->m_children) {
    out.push_back(child.get());
    if (!child->m_bCollapsed) CollectShown(child.get(), out);
  }
}

int CSuperGridModel::EndOfShownSubtree(CTreeItem* item) const {
  int row = item->m_nRow + 1;
  while (row < GetRowCount()) {
    const CTreeItem* below = m_rows[static_cast<size_t>(row)];
    if (below->m_nLevel <= item->m_nLevel) break;
    ++row;
  }
  return row;
}

void CSuperGridModel::InsertRows(int at, const std::vector<CTreeItem*>& items) {
  m_rows.insert(m_rows.begin() + at, items.begin(), items.end());
  RenumberFrom(at);
  ++m_nLayoutGeneration;
}

void CSuperGridModel::RenumberFrom(int row) {
  for (size_t i = static_cast<size_t>(row); i < m_rows.size(); ++i) m_rows[i]->m_nRow = static_cast<int>(i);
}

void CSuperGridModel::Forget(CTreeItem* item) {
  std::erase(m_selection, item);
  for (auto& child : item->m_children) Forget(child.get());
}
