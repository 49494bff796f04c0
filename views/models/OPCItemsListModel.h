// The item list of the group view without its window: which columns show (a mask of twelve),
// the rows in display order by statistics key, the last record shown for each, the cell texts,
// the sort and its place in the profile. The window asks for cells of the rows it paints and
// is told when rows come, go or change.
#pragma once

#include <deque>
#include <unordered_map>
#include <vector>

#include "opcserver/SpyInfo.h"
#include "platform/win32/CString.h"

class COPCItemsListModel {
 public:
  enum { ColumnCount = 12, AllColumns = 4095 };
  struct Column {
    const wchar_t* heading;
    int width;
  };
  static const Column kColumns[ColumnCount];

  COPCItemsListModel() { SetColumnMask(AllColumns); }

  // What the window does about changes.
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual void OnColumnsChanged() = 0;
    // The row count or order changed: every row is to be painted anew.
    virtual void OnRowsReset() = 0;
    virtual void OnRowChanged(int row) = 0;
    // The rows in view now; false leaves the last ones set.
    virtual bool GetVisibleRows(int& /*top*/, int& /*countPerPage*/) { return false; }
  };
  void SetSink(Sink* sink) { m_pSink = sink; }

  // Bit i shows column i; no bit at all still shows "Item ID", the list's one key column.
  void SetColumnMask(int mask);
  int GetColumnMask() const { return m_nColumnMask; }
  // The ids of the shown columns, in order.
  const std::vector<int>& GetColumnIds() const { return m_columnIds; }

  // Rows inserted or deleted one by one reach the window with one reset afterwards.
  void NotifyRowsReset() {
    if (m_pSink != nullptr) m_pSink->OnRowsReset();
  }
  // A new row for the item at the end; -1 when its key has a row already.
  int InsertRow(const CItemInfo& info);
  // False when the row has no record or the new one equals it.
  bool UpdateRow(const CItemInfo& info, int row);
  void DeleteRow(int row);
  // Deletes the rows whose keys are not among these (ascending); true when any went.
  bool KeepOnlyKeys(const std::deque<DWORD>& sortedKeys);
  void DeleteAllRows();
  int GetRowCount() const { return static_cast<int>(m_rows.size()); }
  DWORD GetRowKey(int row) const { return m_rows[static_cast<size_t>(row)]; }
  // The record last shown in the row; null for a row out of range.
  const CItemInfo* GetRowInfo(int row) const;
  bool HasKey(DWORD key) const { return m_infos.count(key) != 0; }
  // True when the rows are of exactly these keys (ascending).
  bool HasSameKeys(const std::deque<DWORD>& sortedKeys) const;
  const std::unordered_map<DWORD, CItemInfo>& GetInfos() const { return m_infos; }

  // The text of column id `column` (empty for 12 and more).
  static CString GetCellText(const CItemInfo& info, int column);
  CString GetCellText(int row, int column) const;

  // The header's click: the column becomes the sort column, a second click turns the direction.
  void OnHeaderClick(int column);
  // The column (-1: none) and direction; the rows are sorted at once.
  void SetSort(int column, bool ascending);
  // True when rows moved (and the window was told); rows already in order stay as they are, so
  // a tick that changed no order leaves the window's selection and scrolling alone.
  bool Sort();
  int GetSortColumn() const { return m_nSortColumn; }
  bool IsSortAscending() const { return m_bAscending; }

  // The rows the window shows now; only they are brought up to date at each tick.
  void SetVisibleRows(int top, int countPerPage);
  // Asks the window which rows it shows.
  void QueryVisibleRows();
  int GetTopIndex() const { return m_nTopIndex; }
  int GetCountPerPage() const { return m_nCountPerPage; }

  // The sort as the profile keeps it: two 32-bit values, column and direction. A column out of
  // range or a short value is ignored.
  void SaveSort(const wchar_t* section, const wchar_t* entry) const;
  void LoadSort(const wchar_t* section, const wchar_t* entry);

 private:
  static int CompareColumn(const CItemInfo& a, const CItemInfo& b, int column);

  Sink* m_pSink = nullptr;
  int m_nColumnMask = AllColumns;
  std::vector<int> m_columnIds;
  std::vector<DWORD> m_rows;
  std::unordered_map<DWORD, CItemInfo> m_infos;
  // The rows' keys ascending, made again after deletions when next asked.
  mutable std::vector<DWORD> m_sortedKeys;
  mutable bool m_bSortedKeysStale = false;
  int m_nSortColumn = -1;
  bool m_bAscending = true;
  int m_nTopIndex = 0;
  int m_nCountPerPage = 0;
};
